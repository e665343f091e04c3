// Byte text <-> UTF-16, the one place where the program's byte text meets the Unicode API.
#pragma once

#include <string>
#include <string_view>

namespace pim::win {

// Bytes that start no character show as U+FFFD.
std::wstring Widen(std::string_view gbk);
// Every character is kept (GB18030's forms beyond code page 936); only a lone surrogate,
// which no file can hold, becomes U+FFFD.
std::string Narrow(std::wstring_view text);

}  // namespace pim::win
