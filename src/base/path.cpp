#include "base/path.h"

#include "base/gb18030.h"
#include "base/gbk.h"

namespace pim {

#ifdef _WIN32

NativePath ToNativePath(std::string_view dataPath) {
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

NativePath ToNativePath(std::string_view dataPath) {
  // Only ASCII "\" is a separator; a trailing byte 0x5C inside a two-byte character is not.
  std::string bytes(dataPath);
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

}  // namespace pim
