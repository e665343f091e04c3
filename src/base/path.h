// Data paths: GBK, "\"-separated, relative to the working folder, as the files store them.
#pragma once

#include <string>
#include <string_view>

namespace pim {

#ifdef _WIN32
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

// The one mapping from a data path to the operating system's path: UTF-16 on Windows,
// UTF-8 with "/" elsewhere. Bytes that are not valid GBK are kept as they are on Linux
// and become U+FFFD on Windows, so a broken name never aborts the caller.
NativePath ToNativePath(std::string_view dataPath);

// A name from the operating system as GBK bytes.
std::string FromNativeName(const NativePath& name);

// Strict conversions for names that cross to other systems (zip archives): false when the
// text is not valid in its encoding or a character has no form in the other.
bool Utf8ToGbk(std::string_view utf8, std::string& gbk);
bool GbkToUtf8(std::string_view gbk, std::string& utf8);

// The folder part of a data path, including its last separator ("" when there is none).
std::string_view DataPathFolder(std::string_view dataPath);

}  // namespace pim
