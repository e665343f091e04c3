// Text files in as notes: .txt and .md files become the text of new notes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pim {

// A note's text is read into an editor whole; larger files are refused.
inline constexpr size_t kMaxTextNoteBytes = size_t{8} << 20;

enum class TextError {
  None,
  TooLarge,  // beyond kMaxTextNoteBytes
  NotText,   // NUL bytes, a UTF-32 mark, or bytes that are no GBK either
};

struct TextNote {
  TextError error = TextError::None;
  std::string content;      // the note's text in byte text, lines joined by CR LF
  bool titleAdded = false;  // the file name became its first line
  int replacedChars = 0;    // bytes that were no character of the file's encoding, now "?"
  int closingTags = 0;      // lines holding "</content>": their "<" and ">" now "＜" and "＞"
};

// Whether a file name is one the import takes: ".txt" or ".md", any letter case.
bool IsTextNoteFile(std::string_view fileName);

// The note of a file: GBK, UTF-8 with or without its mark, or UTF-16 with its mark. The
// file's name (without folder and extension) becomes the first line unless the text has a
// title line of its own: a first line of at most 40 characters followed by a blank line, or a
// Markdown heading. A Markdown file's front matter gives way to the title it names.
TextNote ReadTextNote(std::string_view fileName, std::string_view bytes);

}  // namespace pim
