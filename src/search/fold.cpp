#include "search/fold.h"

#include "base/gbk.h"

namespace pim::fold {

void AppendChar(std::string& out, uint32_t code) {
  for (int shift = 24; shift >= 0; shift -= 8)
    if (code >> shift || shift == 0) out += static_cast<char>((code >> shift) & 0xFF);
}

bool IsFolded(std::string_view text) {
  for (size_t i = 0, size = 1; i < text.size(); i += size) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      size = 1;
      if (c >= 'A' && c <= 'Z') return false;
      continue;
    }
    const uint32_t folded = CharAt(text, i, size);
    if (size == 2 && folded != (uint32_t{c} << 8 | static_cast<unsigned char>(text[i + 1])))
      return false;
  }
  return true;
}

size_t Find(std::string_view text, const std::vector<uint32_t>& word, std::string_view bytes,
            bool folded, size_t from) {
  if (word.empty()) return from <= text.size() ? from : std::string_view::npos;
  if (folded) {
    // Raw search, then a walk from the last known character start to see that the match
    // starts a character.
    size_t boundary = 0;
    for (size_t pos = text.find(bytes, from); pos != std::string_view::npos;
         pos = text.find(bytes, pos + 1)) {
      while (boundary < pos) boundary += GbCharSize(text, boundary);
      if (boundary == pos) return pos;
    }
    return std::string_view::npos;
  }
  // Jumps between the bytes that can open the word's first character, in any of its forms.
  std::string opening;
  const uint32_t first = word[0];
  opening += static_cast<char>(first > 0xFFFFFF ? first >> 24 : first > 0xFF ? first >> 8 : first);
  if (first >= 'a' && first <= 'z') opening += static_cast<char>(first - 32);
  if (first > 0x20 && first < 0x7F) opening += static_cast<char>(kFullWidthRow);
  if (first == ' ') opening += static_cast<char>(0xA1);
  if (first >> 8 == kGreekRow || first >> 8 == kCyrillicRow)
    opening += static_cast<char>(first >> 8);
  size_t boundary = 0;
  for (size_t pos = text.find_first_of(opening, from); pos != std::string_view::npos;
       pos = text.find_first_of(opening, pos + 1)) {
    while (boundary < pos) boundary += GbCharSize(text, boundary);
    if (boundary != pos) continue;
    size_t at = pos, k = 0;
    for (size_t step = 1; k < word.size() && at < text.size(); ++k, at += step)
      if (CharAt(text, at, step) != word[k]) break;
    if (k == word.size()) return pos;
  }
  return std::string_view::npos;
}

}  // namespace pim::fold
