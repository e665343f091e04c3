// Matching letters typed against Chinese text by pinyin: every character takes a non-empty
// start of one of its readings, so initials ("wxm"), whole syllables ("wangxiaoming") and
// any mix ("wangxm") all match 王小明; "v" and "u" both stand for "ü".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pim {

class PinyinMatcher {
 public:

  // What matching sees of one character: a letter or digit as itself (folded), a character
  // with readings as kSet plus the table's number of its set of readings, anything else
  // kOther. The same text gives the same units in every run of the same table.
  using Unit = uint16_t;
  static constexpr Unit kSet = 0x100;
  static constexpr Unit kOther = 0xFFFF;

  // The units of a text, and where each character starts when `starts` is given.
  // Safe on several threads at once.
  void UnitsOf(std::string_view text, std::vector<Unit>& units,
               std::vector<size_t>* starts = nullptr) const;
  // The letters a match may begin with in these units, one bit per letter "a" to "z".
  uint32_t Initials(std::span<const Unit> units) const;
  // The pairs of letters that neighbouring characters of these units may start with, as
  // bits of a hash: a filter before Match.
  uint64_t Pairs(std::span<const Unit> units) const;
  // The pairs, one of which a text must hold for `word` to match across characters; 0 when
  // the word may match within one character, so no pair is needed.
  uint64_t PairsNeeded(std::string_view word) const;
  // Whether `word` (small letters and digits) matches consecutive characters of `units`;
  // `first` and `last` get the characters matched, `last` one past the end.
  bool Match(std::span<const Unit> units, std::string_view word, size_t* first = nullptr,
             size_t* last = nullptr) const;

 private:
  struct Readings {
    std::vector<std::string_view> syllables;
    uint32_t initials = 0;
  };
  bool MatchFrom(std::span<const Unit> units, size_t i, std::string_view word, size_t j,
                 size_t& last, int& budget) const;

  struct Tables {
    std::vector<Readings> sets;  // by the table's number
    // The letters each unit may start a match with: one look per character in the hot loop.
    std::vector<uint32_t> initials;
  };
  // Made once for every matcher.
  static const Tables& Shared();
  const Tables& tables_ = Shared();
};

}  // namespace pim
