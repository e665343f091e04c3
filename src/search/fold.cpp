#include "search/fold.h"

#include "base/gbk.h"

namespace pim::fold {

namespace {

constexpr unsigned char kFullWidthRow = 0xA3;  // full-width ASCII, 0xA3A1 - 0xA3FE
constexpr unsigned char kGreekRow = 0xA6;      // capitals 0xA6A1 - 0xA6B8, small + 0x20
constexpr unsigned char kCyrillicRow = 0xA7;   // capitals 0xA7A1 - 0xA7C1, small + 0x30

constexpr uint32_t Lower(uint32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

}  // namespace

uint32_t CharAt(std::string_view text, size_t i, size_t& size) {
  const auto at = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
  size = GbCharSize(text, i);
  if (size == 1) return Lower(at(0));
  if (size == 4)
    return uint32_t{at(0)} << 24 | uint32_t{at(1)} << 16 | uint32_t{at(2)} << 8 | at(3);
  const unsigned char lead = at(0), trail = at(1);
  // The yuan and overline signs of the full-width row stand for no ASCII character.
  if (lead == kFullWidthRow && trail >= 0xA1 && trail <= 0xFE && trail != 0xA4 && trail != 0xFE)
    return Lower(trail - 0x80u);
  if (lead == 0xA1 && trail == 0xA1) return ' ';
  if (lead == kGreekRow && trail >= 0xA1 && trail <= 0xB8)
    return uint32_t{lead} << 8 | (trail + 0x20);
  if (lead == kCyrillicRow && trail >= 0xA1 && trail <= 0xC1)
    return uint32_t{lead} << 8 | (trail + 0x30);
  return uint32_t{lead} << 8 | trail;
}

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
  size_t start = 0;
  while (start < from) start += GbCharSize(text, start);
  for (size_t size = 1; start < text.size(); start += size) {
    if (CharAt(text, start, size) != word[0]) continue;
    size_t at = start + size, k = 1;
    for (size_t step = 1; k < word.size() && at < text.size(); ++k, at += step)
      if (CharAt(text, at, step) != word[k]) break;
    if (k == word.size()) return start;
  }
  return std::string_view::npos;
}

}  // namespace pim::fold
