// Names Windows takes for files and folders, made from titles and category names.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace pim {

// Names of a file, extension included, stay below this many characters.
inline constexpr size_t kMaxNameChars = 99;

// `text` as a name: the characters Windows refuses (< > : " / \ | ? * and controls) as "_",
// blanks at the ends and dots at the end dropped, at most `maxChars` characters, a reserved
// device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension) given a
// "_". Empty when nothing is left.
std::string SafeName(std::string_view text, size_t maxChars);

// Hands out names that differ as Windows compares them (letter case aside): the second
// "标题.md" of a folder becomes "标题 (2).md", and every name stays below kMaxNameChars.
class NameBook {
 public:
  // The name (without its folder) of a new file `stem` + `extension` in `folder`.
  std::string Claim(std::string_view folder, std::string_view stem, std::string_view extension);

 private:
  std::unordered_set<std::string> taken_;
  std::unordered_map<std::string, int> next_;  // by folder and title: the number to try next
};

// A name as Windows compares it: letters of Latin, Greek, Cyrillic and full width in one case.
std::string FoldedName(std::string_view name);

}  // namespace pim
