// Shared pieces of the fuzz targets.
#pragma once

#include <cstdlib>
#include <string_view>

#include "base/line_reader.h"
#include "test_support.h"  // the unit tests' fakes

namespace pim::fuzz {

using test::RecordingPrompter;

inline const Clock& FuzzClock() {
  static const FixedClock clock({2003, 5, 7, 9, 5, 3});
  return clock;
}

// True when no line of `text` (lines split at CR LF) ends inside a character. A cut
// character at the end of a value takes the "<" of the closing tag written after it, which
// the tag search then no longer finds: a documented property of the format.
inline bool EndsOnCharBoundaries(std::string_view text) {
  for (size_t i = 0; i < text.size(); i += GbCharSize(text, i)) {
    const size_t size = GbCharSize(text, i);
    if (size == 1 && IsGbkLeadByte(static_cast<unsigned char>(text[i]))) return false;
    if (size > 1 && text.substr(i + 1, size - 1).find('\r') != std::string_view::npos) return false;
  }
  return true;
}

// Stops the run with a crash that libFuzzer reports, when a property does not hold.
inline void Check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace pim::fuzz
