// Data paths: GBK, "\"-separated, relative to the working folder, as the files store them.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace pim {

#ifdef _WIN32
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

// The records (note\, communication\, datum\ and xmlstyle\) may live in a data folder of the
// user's choosing, which a sync service may keep in step with other computers; everything
// else (set\, backup\, the journals) stays in the working folder, the program folder. A GBK
// path; "" (the default) is the working folder, as always.
inline constexpr std::array<std::string_view, 4> kRecordFolders = {"note", "communication", "datum",
                                                                   "xmlstyle"};
void SetDataFolder(std::string_view folder);
const std::string& DataFolder();
// Whether `dataPath` is a record folder or lies below one, and so in the data folder.
bool InDataFolder(std::string_view dataPath);

// The one mapping from a data path to the operating system's path: UTF-16 on Windows,
// UTF-8 with "/" elsewhere; a path of the record folders goes below the data folder. Bytes
// that are not valid GBK are kept as they are on Linux and become U+FFFD on Windows, so a
// broken name never aborts the caller.
NativePath ToNativePath(std::string_view dataPath);

// A name from the operating system as GBK bytes.
std::string FromNativeName(const NativePath& name);

// The folder part of a data path, including its last separator ("" when there is none).
std::string_view DataPathFolder(std::string_view dataPath);

// A case-blind key of a folder's path, as Windows compares them: "/" as "\", no separator at
// the end, ASCII letters small.
std::string FolderKey(std::string_view path);

}  // namespace pim
