#include "backup/windows_name.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace pim {

namespace {

struct UpcaseRun {
  char16_t first, last;
  uint8_t stride;
  int32_t delta;
};

#include "upcase_table.inc"

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; }

// The name before its first dot, without the blanks Windows drops there: "nul .txt" is NUL.
std::u16string DeviceStem(std::u16string_view part) {
  std::u16string stem(part.substr(0, std::min(part.find(u'.'), part.size())));
  while (!stem.empty() && stem.back() == u' ') stem.pop_back();
  for (char16_t& c : stem) c = AsciiUpper(c);
  return stem;
}

bool IsDevice(std::u16string_view part) {
  const std::u16string stem = DeviceStem(part);
  for (std::u16string_view name :
       {u"CON", u"PRN", u"AUX", u"NUL", u"CLOCK$", u"CONIN$", u"CONOUT$"})
    if (stem == name) return true;
  // Superscript digits count as digits here.
  const bool port = stem.size() == 4 && (stem.starts_with(u"COM") || stem.starts_with(u"LPT"));
  const char16_t n = port ? stem[3] : 0;
  return port && ((n >= u'0' && n <= u'9') || n == u'\u00B9' || n == u'\u00B2' || n == u'\u00B3');
}

}  // namespace

NameFault CheckNamePart(std::u16string_view part) {
  if (part.empty()) return NameFault::Empty;
  if (part == u"." || part == u"..") return NameFault::Dots;
  for (const char16_t c : part)
    if (c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|' || c == u'?' ||
        c == u'*' || c == u'/' || c == u'\\')
      return NameFault::Character;
  if (part.back() == u'.' || part.back() == u' ') return NameFault::TrailingDot;
  if (IsDevice(part)) return NameFault::Device;
  return NameFault::None;
}

char16_t FoldNameUnit(char16_t unit) {
  if (unit < 0x80) return AsciiUpper(unit);
  const auto* end = std::end(kUpcaseRuns);
  const auto* run = std::upper_bound(std::begin(kUpcaseRuns), end, unit,
                                     [](char16_t c, const UpcaseRun& r) { return c < r.first; });
  if (run == std::begin(kUpcaseRuns)) return unit;
  --run;
  if (unit > run->last || (unit - run->first) % run->stride != 0) return unit;
  return static_cast<char16_t>(unit + run->delta);
}

std::u16string FoldName(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) c = FoldNameUnit(c);
  return folded;
}

}  // namespace pim
