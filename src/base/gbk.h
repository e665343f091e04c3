// GBK byte text: the program keeps every string as the GBK bytes of its files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pim {

// A byte that opens a two- or four-byte character.
constexpr bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Bytes of the character that starts at `i`: 4 for GB18030's four-byte shape (lead, digit,
// lead, digit), 2 for a lead byte with any byte after it, as code page 936 pairs them, else 1.
// Every walk over text takes these steps, so a match never starts inside a character.
constexpr size_t GbCharSize(std::string_view text, size_t i) {
  const auto at = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
  if (!IsGbkLeadByte(at(0)) || i + 1 >= text.size()) return 1;
  if (at(1) >= '0' && at(1) <= '9' && i + 3 < text.size() && IsGbkLeadByte(at(2)) && at(3) >= '0' &&
      at(3) <= '9')
    return 4;
  return 2;
}

// Whether a value holds CR or LF, which a one-line field cannot store: it would move every
// later field of its file onto the wrong line. (Neither byte occurs inside a character.)
constexpr bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

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
