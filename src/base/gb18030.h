// The program's byte text and Unicode: code page 936 exactly as the program always wrote it,
// with GB18030's forms for every character that code page lacks. Our own tables, so every
// system converts alike (code page 54936 is missing under Wine).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace pim {

// One character read from byte text. `size` is never 0; `valid` is false for bytes that
// start no character (a cut sequence, an unassigned code), which then stand for themselves.
struct GbChar {
  char32_t code;
  size_t size;
  bool valid;
};

GbChar DecodeGbChar(std::string_view text, size_t i);
// One UTF-8 sequence at `i`: its value and size, or size 0 when the bytes are not a
// well-formed, shortest encoding of a scalar value.
std::pair<char32_t, size_t> DecodeUtf8(std::string_view s, size_t i);

// Appends the bytes of a Unicode scalar value; false (nothing appended) for a surrogate or a
// value beyond U+10FFFF.
bool AppendGbChar(std::string& out, char32_t code);

// Byte text to UTF-16 for windows: bytes that start no character become U+FFFD.
std::u16string GbToUtf16(std::string_view text);
// UTF-16 to byte text: nothing is replaced but a lone surrogate, which becomes U+FFFD.
std::string Utf16ToGb(std::u16string_view text);

// Byte text to UTF-8 and back for names passed through to the file system. A byte valid on
// neither side is carried over as it is, or, where it would join the bytes after it into a
// character, as a four-byte code GB18030 leaves unassigned. So a native name comes back as it
// was, also one in GBK that is no UTF-8, and so does byte text without such codes.
std::string GbToUtf8(std::string_view text);
std::string Utf8ToGb(std::string_view text);

// Strict conversions for names that cross to other systems (zip archives): false when the
// text holds a byte sequence that is not valid in its encoding.
bool GbToUtf8Strict(std::string_view text, std::string& utf8);
bool Utf8ToGbStrict(std::string_view utf8, std::string& text);

// The program's own texts are written in the source as UTF-8 and converted where used.
inline std::string Gb(std::string_view utf8) { return Utf8ToGb(utf8); }

}  // namespace pim
