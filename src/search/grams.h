// What the search entries are made of and the queries test against them: the grams of the
// signatures, and the letters kept apart. Shared by the two halves of the searcher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pim::grams {

inline uint32_t Mix(uint64_t x) { return static_cast<uint32_t>((x * 0x9E3779B97F4A7C15ull) >> 32); }
inline uint32_t CharGram(uint32_t c) { return Mix(c); }
inline uint32_t PairGram(uint32_t a, uint32_t b) { return Mix(uint64_t{a} << 32 | b); }

// Signatures of any size: a gram's bit is its hash scaled to the size, no power of two needed.
inline size_t BitOf(uint32_t gram, uint32_t bits) { return (uint64_t{gram} * bits) >> 32; }

// The bytes of the character at `i` packed as fold::CharAt packs a folded one.
inline uint32_t RawAt(std::string_view text, size_t i, size_t size) {
  uint32_t code = 0;
  for (size_t k = 0; k < size; ++k) code = code << 8 | static_cast<unsigned char>(text[i + k]);
  return code;
}

// A folded letter or digit as a bit; 0 for anything else.
inline uint64_t AsciiBit(uint32_t c) {
  if (c >= 'a' && c <= 'z') return uint64_t{1} << (c - 'a');
  if (c >= '0' && c <= '9') return uint64_t{1} << (26 + c - '0');
  return 0;
}

}  // namespace pim::grams
