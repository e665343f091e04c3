// Text as search compares it: letter case and full-width forms folded, character by
// character over the program's byte text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/gbk.h"

namespace pim::fold {

// The character at `i`, folded, as its bytes packed into 32 bits: ASCII letters in lower
// case, full-width ASCII forms as ASCII, the ideographic space as a space, Greek and
// Cyrillic capitals as small letters. `size` gets the character's byte count.
inline uint32_t CharAt(std::string_view text, size_t i, size_t& size);

// A folded character back to bytes.
void AppendChar(std::string& out, uint32_t code);

// The kinds of characters that folding changes, as a mask: what a text holds, and what a
// word's characters may stand for.
enum Forms : uint8_t {
  kCapitals = 1,     // ASCII, Greek and Cyrillic capitals
  kWideLetters = 2,  // full-width letters and digits
  kWideSigns = 4,    // full-width signs and the ideographic space
};
// The forms the character `folded` may have been before folding.
uint8_t FormsOf(uint32_t folded);
// The form of a character as found, 0 when folding leaves it as it is.
uint8_t FormOf(uint32_t raw, uint32_t folded);

// The first place at or after `from` where `text`, folded, holds `word` (folded characters);
// npos when none. `forms` are the forms the text holds that the word's characters may stand
// for: with none, the word's bytes (`bytes`) are searched as they are.
size_t Find(std::string_view text, const std::vector<uint32_t>& word, std::string_view bytes,
            uint8_t forms, size_t from = 0);

inline constexpr unsigned char kFullWidthRow = 0xA3;  // full-width ASCII, 0xA3A1 - 0xA3FE
inline constexpr unsigned char kGreekRow = 0xA6;      // capitals 0xA6A1 - 0xA6B8, small + 0x20
inline constexpr unsigned char kCyrillicRow = 0xA7;   // capitals 0xA7A1 - 0xA7C1, small + 0x30

inline constexpr uint32_t Lower(uint32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

// Inline: it runs for every character of every record when search builds what it needs.
[[gnu::always_inline]] inline uint32_t CharAt(std::string_view text, size_t i, size_t& size) {
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

}  // namespace pim::fold
