#include "win/text.h"

#include <windows.h>

#include "base/path.h"

namespace pim::win {

namespace {
constexpr UINT kGbk = 936;
}

std::wstring Widen(std::string_view gbk) {
  if (gbk.empty()) return {};
  const int size = static_cast<int>(gbk.size());
  const int n = MultiByteToWideChar(kGbk, 0, gbk.data(), size, nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(kGbk, 0, gbk.data(), size, out.data(), n);
  return out;
}

// The same conversion as names coming from the file system.
std::string Narrow(std::wstring_view text) { return FromNativeName(std::wstring(text)); }

}  // namespace pim::win
