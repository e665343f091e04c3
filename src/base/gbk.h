// GBK byte text: the program keeps every string as the GBK bytes of its files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pim {

// A byte that opens a two-byte GBK character.
constexpr bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// First occurrence of `needle` in `text` at or after `from`, stepping over two-byte
// characters so that a match never starts on a trailing byte. npos when absent.
size_t FindText(std::string_view text, std::string_view needle, size_t from = 0);

// Every occurrence of `from` replaced by `to`, scanning left to right as FindText does.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// "%d" scanning: blanks skipped, an optional sign, then digits. Returns false and leaves
// `value` as it was when the text does not start with a number. Values beyond the 32-bit
// range saturate instead of wrapping, so a huge count can never turn negative.
bool ScanInt(std::string_view text, int32_t& value);

// printf-style formatting into a string.
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace pim
