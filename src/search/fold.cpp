#include "search/fold.h"

#include "base/gbk.h"

namespace pim::fold {

void AppendChar(std::string& out, uint32_t code) {
  for (int shift = 24; shift >= 0; shift -= 8)
    if (code >> shift || shift == 0) out += static_cast<char>((code >> shift) & 0xFF);
}

uint8_t FormsOf(uint32_t folded) {
  if ((folded >= 'a' && folded <= 'z')) return kCapitals | kWideLetters;
  if (folded >= '0' && folded <= '9') return kWideLetters;
  if (folded >= 0x20 && folded < 0x7F) return kWideSigns;
  if (folded >> 8 == kGreekRow || folded >> 8 == kCyrillicRow) return kCapitals;
  return 0;
}

uint8_t FormOf(uint32_t raw, uint32_t folded) {
  if (raw == folded) return 0;
  if (raw >> 8 != kFullWidthRow && raw != 0xA1A1) return kCapitals;
  return FormsOf(folded) & kWideLetters ? kWideLetters : kWideSigns;
}

size_t Find(std::string_view text, const std::vector<uint32_t>& word, std::string_view bytes,
            uint8_t forms, size_t from) {
  if (word.empty()) return from <= text.size() ? from : std::string_view::npos;
  if (forms == 0) {
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
  // Jumps between the bytes that can open the word's first character in the forms the text
  // holds.
  std::string opening;
  const uint32_t first = word[0];
  opening += static_cast<char>(first > 0xFFFFFF ? first >> 24 : first > 0xFF ? first >> 8 : first);
  if ((forms & kCapitals) && first >= 'a' && first <= 'z') opening += static_cast<char>(first - 32);
  if (FormsOf(first) & forms & (kWideLetters | kWideSigns))
    opening += static_cast<char>(kFullWidthRow);
  if ((forms & kWideSigns) && first == ' ') opening += static_cast<char>(0xA1);
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
