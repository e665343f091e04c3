#include "exchange/safe_names.h"

#include <algorithm>

#include "base/gb18030.h"
#include "base/gbk.h"
#include "exchange/charsets.h"

namespace pim {

namespace {

bool Refused(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7F || c == '<' || c == '>' || c == ':' || c == '"' || c == '/' ||
         c == '\\' || c == '|' || c == '?' || c == '*';
}

// Cuts `name` to at most `maxChars` characters, then drops what Windows would drop at its end.
void Fit(std::string& name, size_t maxChars) {
  size_t i = 0, chars = 0;
  while (i < name.size() && chars < maxChars) {
    i += GbCharSize(name, i);
    ++chars;
  }
  name.resize(i);
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
}

bool Reserved(std::string_view name) {
  std::string stem(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
         stem[3] >= '0' && stem[3] <= '9';
}

char32_t Fold(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c < 0x80) return c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
      (c >= 0x410 && c <= 0x42F))
    return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
      c != 0x17F) {
    // Latin Extended-A pairs its letters: even upper and odd lower, or the other way round
    // in 0139-0148 and 0179-017E.
    const bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    return shifted ? (c % 2 ? c + 1 : c) : (c % 2 ? c : c + 1);
  }
  return c;
}

}  // namespace

std::string SafeName(std::string_view text, size_t maxChars) {
  std::string name;
  name.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t size = GbCharSize(text, i);
    if (size == 1 && Refused(text[i]))
      name.push_back('_');
    else if (DecodeGbChar(text, i).valid || size == 1)
      name.append(text.substr(i, size));
    else
      name.push_back('_');  // a broken byte names nothing on Windows
    i += size;
  }
  size_t start = 0;
  while (start < name.size() && name[start] == ' ') ++start;
  name.erase(0, start);
  Fit(name, maxChars);
  if (!name.empty() && Reserved(name)) {
    size_t stem = std::min(name.find('.'), name.size());
    while (stem > 0 && name[stem - 1] == ' ') --stem;
    name = name.substr(0, stem) + "_" + name.substr(stem);  // insert() trips GCC 12 -Wrestrict
    Fit(name, maxChars);
  }
  return name;
}

std::string FoldedName(std::string_view name) {
  std::string key;
  key.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    const GbChar ch = DecodeGbChar(name, i);
    if (ch.valid)
      AppendGbChar(key, Fold(ch.code));
    else
      key.append(name.substr(i, ch.size));
    i += ch.size;
  }
  return key;
}

std::string NameBook::Claim(std::string_view folder, std::string_view stem,
                            std::string_view extension) {
  const std::string folderKey = FoldedName(folder) + "\\";
  const size_t extensionChars = CountChars(extension);
  // Numbering starts where it stopped for this title, so a thousand equal titles stay cheap.
  int& next = next_[folderKey + FoldedName(stem) + std::string(extension)];
  for (int n = std::max(next, 1);; ++n) {
    const std::string suffix = n == 1 ? "" : " (" + std::to_string(n) + ")";
    std::string base(stem);
    Fit(base, kMaxNameChars - extensionChars - suffix.size());
    const std::string name = base + suffix + std::string(extension);
    if (taken_.insert(folderKey + FoldedName(name)).second) {
      next = n + 1;
      return name;
    }
  }
}

}  // namespace pim
