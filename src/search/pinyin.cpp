#include "search/pinyin.h"

#include <algorithm>
#include <bit>
#include <iterator>

namespace pim::pinyin {

namespace {

struct Span {
  char32_t first;
  char32_t last;
  uint32_t word;  // the first word of its bitmap in kPresent
};

// Generated at build time by tools/gen_pinyin_table.py.
#include "pinyin_table.inc"

constexpr size_t kSyllables = std::size(kSyllableStart) - 1;

}  // namespace

size_t SyllableCount() { return kSyllables; }

std::string_view Syllable(uint16_t id) {
  if (id >= kSyllables) return {};
  return {kSyllableText + kSyllableStart[id], size_t{kSyllableStart[id + 1]} - kSyllableStart[id]};
}

size_t SetCount() { return std::size(kSetStart) - 1; }

std::span<const uint16_t> SetReadings(size_t set) {
  if (set >= SetCount()) return {};
  return {kSetSyllables + kSetStart[set], size_t{kSetStart[set + 1]} - kSetStart[set]};
}

int SetOf(char32_t code) {
  const Span* span = std::upper_bound(std::begin(kSpans), std::end(kSpans), code,
                                      [](char32_t c, const Span& s) { return c < s.first; });
  if (span == std::begin(kSpans) || code > (--span)->last) return -1;
  const uint32_t cell = code - span->first;
  const uint32_t word = span->word + cell / 64;
  const uint64_t bits = kPresent[word];
  const uint64_t bit = uint64_t{1} << (cell % 64);
  if (!(bits & bit)) return -1;
  return kSetOf[kRank[word] + std::popcount(bits & (bit - 1))];
}

std::span<const uint16_t> Readings(char32_t code) {
  const int set = SetOf(code);
  return set < 0 ? std::span<const uint16_t>() : SetReadings(static_cast<size_t>(set));
}

}  // namespace pim::pinyin
