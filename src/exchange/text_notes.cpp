#include "exchange/text_notes.h"

#include <vector>

#include "base/gb18030.h"
#include "base/gbk.h"
#include "exchange/charsets.h"
#include "exchange/contact_draft.h"

namespace pim {

namespace {

constexpr size_t kMaxTitleChars = 40;

std::string Lower(std::string_view s) {
  std::string l(s);
  for (char& c : l)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return l;
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back().push_back(text[i]);
    }
  }
  return lines;
}

bool IsHeading(std::string_view line) {
  size_t hashes = 0;
  while (hashes < line.size() && line[hashes] == '#') ++hashes;
  return hashes >= 1 && hashes <= 6 &&
         (hashes == line.size() || line[hashes] == ' ' || line[hashes] == '\t');
}

// The value of a front matter line "title: ...", quotes taken off.
std::string FrontMatterValue(std::string_view value) {
  value = TrimText(value);
  if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
    return ReplaceAll(value.substr(1, value.size() - 2), "''", "'");
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::string(value);
  std::string out;
  for (size_t i = 1; i + 1 < value.size(); i += GbCharSize(value, i)) {
    if (value[i] == '\\' && i + 2 < value.size()) {
      const char c = value[++i];
      out.push_back(c == 'n' || c == 'r' || c == 't' ? ' ' : c);
      continue;
    }
    out.append(value.substr(i, GbCharSize(value, i)));
  }
  return out;
}

}  // namespace

bool IsTextNoteFile(std::string_view fileName) {
  const std::string name = Lower(fileName);
  return name.ends_with(".txt") || name.ends_with(".md");
}

TextNote ReadTextNote(std::string_view fileName, std::string_view bytes) {
  TextNote note;
  if (bytes.size() > kMaxTextNoteBytes) {
    note.error = TextError::TooLarge;
    return note;
  }
  std::string text;
  size_t replaced = 0;
  if (!DecodeTextFile(bytes, text, replaced)) {
    note.error = TextError::NotText;
    return note;
  }
  note.replacedChars = static_cast<int>(replaced);
  std::vector<std::string> lines = Lines(text);

  // The name without its folder and extension.
  size_t cut = 0;
  for (size_t i = 0; i < fileName.size(); i += GbCharSize(fileName, i))
    if (fileName[i] == '\\' || fileName[i] == '/') cut = i + 1;
  std::string_view stem = fileName.substr(cut);
  const bool markdown = Lower(stem).ends_with(".md");
  if (const size_t dot = stem.rfind('.'); dot != std::string_view::npos && dot > 0)
    stem = stem.substr(0, dot);

  bool titled = false;
  if (markdown && lines.size() > 1 && TrimText(lines[0]) == "---") {
    // A front matter block: its title, if it names one, becomes the title line.
    for (size_t end = 1; end < lines.size(); ++end) {
      if (TrimText(lines[end]) != "---") continue;
      std::string title;
      for (size_t i = 1; i < end; ++i)
        if (lines[i].starts_with("title:")) title = FrontMatterValue(lines[i].substr(6));
      lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(end) + 1);
      if (lines.empty()) lines.emplace_back();
      if (!TrimText(title).empty()) {
        lines.insert(lines.begin(), {std::string(TrimText(title)), std::string()});
        titled = true;
      }
      break;
    }
  }
  const std::string_view first = TrimText(lines[0]);
  titled = titled || IsHeading(lines[0]) ||
           (!first.empty() && CountChars(first) <= kMaxTitleChars && lines.size() > 1 &&
            TrimText(lines[1]).empty());
  if (!titled) {
    lines.insert(lines.begin(), std::string(stem));
    note.titleAdded = true;
  }

  for (std::string& line : lines) {
    if (FindText(line, "</content>") == std::string::npos) continue;
    line = ReplaceAll(ReplaceAll(line, "<", Gb("＜")), ">", Gb("＞"));
    ++note.closingTags;
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) note.content += "\r\n";
    note.content += lines[i];
  }
  return note;
}

}  // namespace pim
