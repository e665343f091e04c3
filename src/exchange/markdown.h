// Notes and cards out as a folder of Markdown files, for other programs and other computers.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace pim {

// A note as the notes panel stores it.
struct NoteExport {
  int number = 0;
  int type = -1;          // index of the notes panel's category list; -1 for none
  std::string buildtime;  // a now stamp, "2003-5-7 9:5"
  std::string content;    // lines joined by CR LF
};

// A card as the datum store keeps it, with its marks when it is trimmed.
struct CardExport {
  std::string title;
  std::string category;   // "\" nests a category in another
  std::string founddate;  // a now stamp
  std::string source;
  std::string keyword;
  std::string content;  // lines joined by CR LF
  bool trimmed = false;
  bool bookmark = false;  // on the bookmark list (trimmed cards)
  bool index = false;     // on the index list (trimmed cards)
};

enum class ExportResult {
  Done,
  TargetExists,  // the folder to make is there already: nothing was touched
  CannotWrite,   // a file or folder could not be made; nothing is left behind
  Cancelled,     // the progress callback said stop; nothing is left behind
};

struct MarkdownOutcome {
  ExportResult result = ExportResult::Done;
  std::string failedPath;  // CannotWrite: the data path that failed
  size_t files = 0;        // Done: the .md files written, index.md included
};

// Called now and then with the files written and the files to write; false cancels.
using ExportProgress = std::function<bool(size_t done, size_t total)>;

// Makes `folder` (a data path that must not exist yet) holding "记事\<type>\<title>.md" per
// note and "资料卡\<category>\<title>.md" per card, each a front matter block (title, type or
// category, date, keywords, source, and for a trimmed card its bookmark and index marks)
// followed by the text, in UTF-8; and an "index.md" linking them all. Names are safe on
// Windows and unique in their folder. The files are written into a folder of their own
// beside `folder`, without a flush each, and that folder takes the name `folder` at the end:
// `folder` either appears whole or not at all.
MarkdownOutcome ExportMarkdown(std::string_view folder, std::span<const NoteExport> notes,
                               std::span<const CardExport> cards,
                               const ExportProgress& progress = {});

// A note's title: its first line with text, blanks run together.
std::string NoteTitle(const NoteExport& note);

}  // namespace pim
