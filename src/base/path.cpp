#include "base/path.h"

#include "base/gbk.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace pim {

#ifdef _WIN32

NativePath ToNativePath(std::string_view dataPath) {
  if (dataPath.empty()) return {};
  const int size = static_cast<int>(dataPath.size());
  const int wide = MultiByteToWideChar(936, 0, dataPath.data(), size, nullptr, 0);
  std::wstring out(static_cast<size_t>(wide > 0 ? wide : 0), L'\0');
  if (wide > 0) MultiByteToWideChar(936, 0, dataPath.data(), size, out.data(), wide);
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

std::string FromNativeName(const NativePath& name) {
  if (name.empty()) return {};
  const int size = static_cast<int>(name.size());
  const int n = WideCharToMultiByte(936, 0, name.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(936, 0, name.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

#else

namespace {

// From one encoding to another through iconv; a byte that does not convert is copied as it is.
std::string Convert(std::string_view in, const char* to, const char* from) {
  std::string out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  out.reserve(in.size() * 3 / 2 + 4);
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  char chunk[256];
  while (left > 0) {
    char* dst = chunk;
    size_t room = sizeof chunk;
    const size_t rc = iconv(cd, &src, &left, &dst, &room);
    out.append(chunk, static_cast<size_t>(dst - chunk));
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      out.push_back(*src++);  // EILSEQ or EINVAL: keep the raw byte and go on
      --left;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

NativePath ToNativePath(std::string_view dataPath) {
  // Only ASCII "\" is a separator; a trailing byte 0x5C inside a two-byte character is not.
  std::string bytes(dataPath);
  for (size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (IsGbkLeadByte(c) && i + 1 < bytes.size()) {
      i += 2;
      continue;
    }
    if (c == '\\') bytes[i] = '/';
    ++i;
  }
  return Convert(bytes, "UTF-8", "GBK");
}

std::string FromNativeName(const NativePath& name) { return Convert(name, "GBK", "UTF-8"); }

#endif

std::string_view DataPathFolder(std::string_view dataPath) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < dataPath.size();) {
    const auto c = static_cast<unsigned char>(dataPath[i]);
    if (IsGbkLeadByte(c) && i + 1 < dataPath.size()) {
      i += 2;
      continue;
    }
    if (c == '\\' || c == '/') last = i;
    ++i;
  }
  return last == std::string_view::npos ? std::string_view{} : dataPath.substr(0, last + 1);
}

}  // namespace pim
