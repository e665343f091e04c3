#include "base/path.h"

#include "base/gb18030.h"
#include "base/gbk.h"

namespace pim {

namespace {

std::string& DataFolderSetting() {
  static std::string folder;
  return folder;
}

// The data path with the data folder before it when it lies there.
std::string Rooted(std::string_view dataPath) {
  const std::string& root = DataFolder();
  if (root.empty() || !InDataFolder(dataPath)) return std::string(dataPath);
  std::string path = root;
  if (path.back() != '\\' && path.back() != '/') path += '\\';
  return path.append(dataPath);
}

}  // namespace

void SetDataFolder(std::string_view folder) { DataFolderSetting() = folder; }

const std::string& DataFolder() { return DataFolderSetting(); }

bool InDataFolder(std::string_view dataPath) {
  size_t end = 0;
  while (end < dataPath.size() && dataPath[end] != '\\' && dataPath[end] != '/') ++end;
  const std::string_view first = dataPath.substr(0, end);
  // Windows names are case-blind; these four are ASCII.
  for (std::string_view folder : kRecordFolders) {
    if (first.size() != folder.size()) continue;
    bool same = true;
    for (size_t i = 0; i < first.size() && same; ++i) same = (first[i] | 0x20) == folder[i];
    if (same) return true;
  }
  return false;
}

#ifdef _WIN32

NativePath ToNativePath(std::string_view relative) {
  const std::string dataPath = Rooted(relative);
  const std::u16string wide = GbToUtf16(dataPath);
  std::wstring out(wide.begin(), wide.end());
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

std::string FromNativeName(const NativePath& name) {
  return Utf16ToGb(std::u16string(name.begin(), name.end()));
}

#else

NativePath ToNativePath(std::string_view relative) {
  // Only ASCII "\" is a separator; a trailing byte 0x5C inside a two-byte character is not.
  std::string bytes = Rooted(relative);
  for (size_t i = 0; i < bytes.size(); i += GbCharSize(bytes, i))
    if (bytes[i] == '\\') bytes[i] = '/';
  return GbToUtf8(bytes);
}

std::string FromNativeName(const NativePath& name) { return Utf8ToGb(name); }

#endif

std::string_view DataPathFolder(std::string_view dataPath) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < dataPath.size(); i += GbCharSize(dataPath, i))
    if (dataPath[i] == '\\' || dataPath[i] == '/') last = i;
  return last == std::string_view::npos ? std::string_view{} : dataPath.substr(0, last + 1);
}

std::string FolderKey(std::string_view path) {
  std::string key(path);
  while (!key.empty() && (key.back() == '\\' || key.back() == '/')) key.pop_back();
  for (size_t i = 0; i < key.size(); i += GbCharSize(key, i)) {
    if (key[i] == '/') key[i] = '\\';
    if (key[i] >= 'A' && key[i] <= 'Z') key[i] = static_cast<char>(key[i] | 0x20);
  }
  return key;
}

}  // namespace pim
