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

namespace {

bool ToWide(UINT codePage, std::string_view in, std::wstring& out) {
  out.clear();
  if (in.empty()) return true;
  const int size = static_cast<int>(in.size());
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), size, nullptr, 0);
  if (n <= 0) return false;
  out.assign(static_cast<size_t>(n), L'\0');
  return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), size, out.data(), n) == n;
}

bool FromWide(UINT codePage, const std::wstring& in, std::string& out) {
  out.clear();
  if (in.empty()) return true;
  const int size = static_cast<int>(in.size());
  BOOL lossy = FALSE;
  // UTF-8 takes neither the default character nor its flag.
  BOOL* lost = codePage == CP_UTF8 ? nullptr : &lossy;
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int n = WideCharToMultiByte(codePage, flags, in.data(), size, nullptr, 0, nullptr, lost);
  if (n <= 0 || lossy) return false;
  out.assign(static_cast<size_t>(n), '\0');
  return WideCharToMultiByte(codePage, flags, in.data(), size, out.data(), n, nullptr, lost) == n &&
         !lossy;
}

}  // namespace

bool Utf8ToGbk(std::string_view utf8, std::string& gbk) {
  std::wstring wide;
  return ToWide(CP_UTF8, utf8, wide) && FromWide(936, wide, gbk);
}

bool GbkToUtf8(std::string_view gbk, std::string& utf8) {
  std::wstring wide;
  return ToWide(936, gbk, wide) && FromWide(CP_UTF8, wide, utf8);
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

namespace {

// All or nothing: false at the first byte that does not convert.
bool ConvertStrict(std::string_view in, std::string& out, const char* to, const char* from) {
  out.clear();
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  bool ok = true;
  char chunk[256];
  while (ok && left > 0) {
    char* dst = chunk;
    size_t room = sizeof chunk;
    const size_t rc = iconv(cd, &src, &left, &dst, &room);
    out.append(chunk, static_cast<size_t>(dst - chunk));
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) ok = false;
  }
  iconv_close(cd);
  return ok;
}

}  // namespace

bool Utf8ToGbk(std::string_view utf8, std::string& gbk) {
  return ConvertStrict(utf8, gbk, "GBK", "UTF-8");
}

bool GbkToUtf8(std::string_view gbk, std::string& utf8) {
  return ConvertStrict(gbk, utf8, "UTF-8", "GBK");
}

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
