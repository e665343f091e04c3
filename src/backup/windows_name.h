// File names as Windows sees them: the names it refuses or takes for something else, and the
// letter-case folding under which two names are one file.
#pragma once

#include <string>
#include <string_view>

namespace pim {

// Why one part of a path is no plain file or folder name on Windows.
enum class NameFault {
  None,
  Empty,       // "a//b", a leading separator
  Dots,        // "." or ".."
  Character,   // a control character, ":" (drive, stream) or one of <>"|?*
  Device,      // CON, PRN, AUX, NUL, COM0-9, LPT0-9 and their kin, with any extension
  TrailingDot  // ends in "." or " ", which Windows drops
};
NameFault CheckNamePart(std::u16string_view part);

// Windows upper-cases each UTF-16 unit on its own, by the simple mappings of the BMP.
char16_t FoldNameUnit(char16_t unit);
std::u16string FoldName(std::u16string_view name);

}  // namespace pim
