// The character sets files of other programs arrive in, turned into the program's byte text,
// and the way back to UTF-8 and to plain GBK. Every decoder survives any bytes: what is no
// character of its set becomes "?" and is counted.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pim {

enum class Charset { Utf8, Gbk, Big5, Latin1, Windows1252, Utf16Le, Utf16Be, Unknown };

// A CHARSET parameter's name, any letter case: UTF-8, GBK, GB2312, GB18030, Big5,
// ISO-8859-1, Windows-1252 and their common aliases; Unknown for the rest.
Charset CharsetByName(std::string_view name);

// Appends `bytes` in `charset` as byte text; returns how many sequences became "?".
// GBK and GB18030 share one decoder, so four-byte forms are kept. Unknown reads as UTF-8.
size_t AppendDecoded(std::string& out, std::string_view bytes, Charset charset);

// Whether the bytes are well-formed UTF-8 (shortest forms, no surrogates).
bool IsUtf8(std::string_view bytes);

// Byte text as UTF-8; bytes that start no character become U+FFFD, so the result is
// always well-formed.
std::string Utf8FromText(std::string_view text);
void AppendUtf8FromText(std::string& out, std::string_view text);

// Whether the text holds a character GBK cannot hold (a four-byte form) or broken bytes.
bool BeyondGbk(std::string_view text);
// The text with every such character as "?".
std::string GbkOnly(std::string_view text);

// Characters in byte text (a broken byte counts as one).
size_t CountChars(std::string_view text);

// A whole text file's bytes as byte text: a byte order mark (UTF-8, UTF-16 LE or BE) decides,
// then UTF-8 where the bytes are valid UTF-8, else GBK. `replaced` counts the "?"; false
// when the bytes are no text in any of these: NUL bytes outside UTF-16, a UTF-32 mark, or
// more than 3 broken sequences making more than one character in 20.
bool DecodeTextFile(std::string_view bytes, std::string& text, size_t& replaced);

}  // namespace pim
