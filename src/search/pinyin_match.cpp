#include "search/pinyin_match.h"

#include <algorithm>
#include <bit>

#include "base/gb18030.h"
#include "search/fold.h"
#include "search/pinyin.h"

namespace pim {

namespace {

constexpr uint32_t LetterBit(char c) { return c >= 'a' && c <= 'z' ? 1u << (c - 'a') : 0; }

// How far `word` from `j` agrees with the start of `syllable`; "u" may stand for "v" (ü).
size_t Agreement(std::string_view syllable, std::string_view word, size_t j) {
  size_t k = 0;
  while (k < syllable.size() && j + k < word.size() &&
         (syllable[k] == word[j + k] || (syllable[k] == 'v' && word[j + k] == 'u')))
    ++k;
  return k;
}

// Letters and digits as 0 to 35, for the pairs.
int Symbol(char c) { return c >= 'a' && c <= 'z' ? c - 'a' : c >= '0' && c <= '9' ? 26 + c - '0' : -1; }
uint64_t PairBit(int a, int b) {
  return uint64_t{1} << ((static_cast<uint64_t>(a * 36 + b) * 0x9E3779B97F4A7C15ull) >> 58);
}

// Bounds the work one match may take, whatever the text and the letters.
constexpr int kStepBudget = 20000;

}  // namespace

const PinyinMatcher::Tables& PinyinMatcher::Shared() {
  static const Tables tables = [] {
    Tables t;
    t.initials.resize(size_t{kOther} + 1);
    for (char c = 'a'; c <= 'z'; ++c) t.initials[static_cast<Unit>(c)] = LetterBit(c);
    // A table of more sets than units can number leaves the rest unmatched, never wrong.
    const size_t count = std::min<size_t>(pinyin::SetCount(), kOther - kSet);
    t.sets.resize(count);
    for (size_t s = 0; s < count; ++s) {
      Readings& set = t.sets[s];
      for (uint16_t id : pinyin::SetReadings(s)) {
        const std::string_view syllable = pinyin::Syllable(id);
        set.syllables.push_back(syllable);
        if (!syllable.empty()) set.initials |= LetterBit(syllable[0]);
      }
      t.initials[kSet + s] = set.initials;
    }
    return t;
  }();
  return tables;
}

void PinyinMatcher::UnitsOf(std::string_view text, std::vector<Unit>& units,
                            std::vector<size_t>* starts) const {
  for (size_t i = 0, size = 1; i < text.size(); i += size) {
    if (starts) starts->push_back(i);
    const uint32_t folded = fold::CharAt(text, i, size);
    if (folded < 0x80) {
      const bool alnum = (folded >= 'a' && folded <= 'z') || (folded >= '0' && folded <= '9');
      units.push_back(alnum ? static_cast<Unit>(folded) : kOther);
      continue;
    }
    const GbChar c = DecodeGbChar(text, i);
    const int set = c.valid ? pinyin::SetOf(c.code) : -1;
    units.push_back(set >= 0 && static_cast<size_t>(set) < tables_.sets.size()
                        ? static_cast<Unit>(kSet + set)
                        : kOther);
  }
  if (starts) starts->push_back(text.size());
}

uint32_t PinyinMatcher::Initials(std::span<const Unit> units) const {
  uint32_t mask = 0;
  for (Unit u : units) mask |= tables_.initials[u];
  return mask;
}

uint64_t PinyinMatcher::Pairs(std::span<const Unit> units) const {
  // The symbols each unit may start with: a letter or digit itself, a character's initials.
  const auto symbols = [&](Unit u) -> uint64_t {
    if (u < 0x80) {
      const int s = Symbol(static_cast<char>(u));
      return s < 0 ? 0 : uint64_t{1} << s;
    }
    return tables_.initials[u];
  };
  uint64_t pairs = 0;
  for (size_t i = 1; i < units.size(); ++i) {
    const uint64_t a = symbols(units[i - 1]);
    const uint64_t b = a ? symbols(units[i]) : 0;
    for (uint64_t x = a; x; x &= x - 1)
      for (uint64_t y = b; y; y &= y - 1)
        pairs |= PairBit(std::countr_zero(x), std::countr_zero(y));
  }
  return pairs;
}

uint64_t PinyinMatcher::PairsNeeded(std::string_view word) const {
  if (word.size() < 2 || Symbol(word[0]) < 0) return 0;
  // The first character takes k letters: one, or the start of one of its syllables.
  size_t longest = 1;
  for (size_t id = 0; id < pinyin::SyllableCount(); ++id)
    longest = std::max(longest, Agreement(pinyin::Syllable(static_cast<uint16_t>(id)), word, 0));
  if (longest >= word.size()) return 0;
  uint64_t needed = 0;
  for (size_t k = 1; k <= longest; ++k)
    if (Symbol(word[k]) >= 0) needed |= PairBit(Symbol(word[0]), Symbol(word[k]));
  return needed;
}

bool PinyinMatcher::MatchFrom(std::span<const Unit> units, size_t i, std::string_view word,
                              size_t j, size_t& last, int& budget) const {
  if (j == word.size()) {
    last = i;
    return true;
  }
  if (i == units.size() || --budget < 0) return false;
  const Unit u = units[i];
  if (u < 0x80)
    return u == static_cast<unsigned char>(word[j]) &&
           MatchFrom(units, i + 1, word, j + 1, last, budget);
  if (u == kOther) return false;
  for (std::string_view syllable : tables_.sets[u - kSet].syllables)
    // The longest agreement first: "xian" is rather 先 than 西安.
    for (size_t k = Agreement(syllable, word, j); k > 0; --k)
      if (MatchFrom(units, i + 1, word, j + k, last, budget)) return true;
  return false;
}

bool PinyinMatcher::Match(std::span<const Unit> units, std::string_view word, size_t* first,
                          size_t* last) const {
  if (word.empty()) return false;
  const uint32_t letter = LetterBit(word[0]);
  int budget = kStepBudget;
  for (size_t i = 0; i < units.size() && budget > 0; ++i) {
    const Unit u = units[i];
    const bool starts = u < 0x80 ? u == static_cast<unsigned char>(word[0]) : tables_.initials[u] & letter;
    size_t end = 0;
    if (!starts || !MatchFrom(units, i, word, 0, end, budget)) continue;
    if (first) *first = i;
    if (last) *last = end;
    return true;
  }
  return false;
}

}  // namespace pim
