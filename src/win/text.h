// GBK <-> UTF-16, the one place where the program's byte text meets the Unicode API.
#pragma once

#include <string>
#include <string_view>

namespace pim::win {

std::wstring Widen(std::string_view gbk);
// Characters that GBK cannot hold become "?".
std::string Narrow(std::wstring_view text);

}  // namespace pim::win
