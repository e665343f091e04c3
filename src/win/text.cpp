#include "win/text.h"

#include "base/gb18030.h"

namespace pim::win {

std::wstring Widen(std::string_view gbk) {
  const std::u16string wide = GbToUtf16(gbk);
  return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(std::wstring_view text) {
  return Utf16ToGb(std::u16string(text.begin(), text.end()));
}

}  // namespace pim::win
