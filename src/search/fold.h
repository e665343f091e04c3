// Text as search compares it: letter case and full-width forms folded, character by
// character over the program's byte text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pim::fold {

// The character at `i`, folded, as its bytes packed into 32 bits: ASCII letters in lower
// case, full-width ASCII forms as ASCII, the ideographic space as a space, Greek and
// Cyrillic capitals as small letters. `size` gets the character's byte count.
uint32_t CharAt(std::string_view text, size_t i, size_t& size);

// A folded character back to bytes.
void AppendChar(std::string& out, uint32_t code);

// Whether a text holds nothing that folding changes.
bool IsFolded(std::string_view text);

// The first place at or after `from` where `text`, folded, holds `word` (folded characters);
// npos when none. `folded` says the text holds nothing folding changes, so its bytes can be
// searched as they are (`bytes` is the word's byte form).
size_t Find(std::string_view text, const std::vector<uint32_t>& word, std::string_view bytes,
            bool folded, size_t from = 0);

}  // namespace pim::fold
