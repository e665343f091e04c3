// The Mandarin readings of Chinese characters, toneless, from a table generated at build
// time out of the Unicode Character Database's Han readings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace pim::pinyin {

// The toneless syllables in lower case and in sorted order, "ü" written "v" ("lv", "nve");
// an id is an index into them.
size_t SyllableCount();
std::string_view Syllable(uint16_t id);

// Every reading of a character as syllable ids, each once, in the order of the ids; empty
// for a code point without a reading.
std::span<const uint16_t> Readings(char32_t code);

// The distinct sets of readings, numbered by the table: a number means the same set in every
// run of the same table, so what is built of them may be kept on disk.
size_t SetCount();
// The set of a character's readings, or -1 for a code point without a reading.
int SetOf(char32_t code);
std::span<const uint16_t> SetReadings(size_t set);

}  // namespace pim::pinyin
