// Prints the syllables in id order, then every code point that has readings as "XXXX syllable
// ...", for tests/pinyin_check.py to compare with its own reading of the Unihan file.
#include <cstdio>

#include "search/pinyin.h"

static void PrintSyllable(uint16_t id) {
  const std::string_view s = pim::pinyin::Syllable(id);
  std::printf(" %.*s", static_cast<int>(s.size()), s.data());
}

int main() {
  std::printf("ids");
  for (size_t id = 0; id < pim::pinyin::SyllableCount(); ++id)
    PrintSyllable(static_cast<uint16_t>(id));
  for (char32_t code = 0; code <= 0x10FFFF; ++code) {
    const auto ids = pim::pinyin::Readings(code);
    if (!ids.empty()) std::printf("\n%04X", static_cast<unsigned>(code));
    for (uint16_t id : ids) PrintSyllable(id);
  }
  std::printf("\n");
  return 0;
}
