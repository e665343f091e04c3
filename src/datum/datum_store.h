// The datum store: the category and source lists, the untrimmed index and the appends to
// the trimmed indexes, shared by the capture panel and the trimming dialog.
#pragma once

#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/record_events.h"
#include "xmldoc/xml.h"

namespace pim {

class Prompter;

inline constexpr int kDatumTableSize = 100;
inline constexpr std::string_view kClassListPath = "datum\\class.list";
inline constexpr std::string_view kSourceListPath = "datum\\source.list";
inline constexpr std::string_view kDatumConfPath = "datum\\datum.conf";

struct ClassEntry {
  std::string name;
  std::string path;  // "datum\" + name + "\"
};

struct ClassTable {
  std::array<ClassEntry, kDatumTableSize> entries;
  int count = 0;
};

struct SourceTable {
  std::array<std::string, kDatumTableSize> names;
  int count = 0;
};

// One <link> of a line index.
struct IndexEntry {
  std::string name;
  std::string url;
  std::string date;
  std::string class_;
  std::string keyword;
  std::string source;

  bool operator==(const IndexEntry&) const = default;
};

// Fill the table from its list file and return the names in file order, for the combo box.
// A missing file gives an empty table.
std::vector<std::string> LoadClassList(ClassTable& table);
std::vector<std::string> LoadSourceList(SourceTable& table);

// Whether a name can become a file or folder name below "datum\" without leaving it: no
// "..", no drive, none of <>:"/|?* or control characters. A category may hold "\" between
// two levels; a title may not hold it at all. A trailing byte of a two-byte character is
// never taken for "\".
bool IsSafeCategoryName(std::string_view name);
bool IsSafeTitle(std::string_view title);

// The category's folder path; a new category is first added to the table and the list
// file, after the count on disk (the table is read again from the file first, so names added
// meanwhile elsewhere are kept), and its folder is created with any missing parent. "" when
// the name is not safe, the table is full or the list file cannot be updated.
std::string FindClassPath(std::string_view name, ClassTable& table);
// True when the source is known or was added; false as FindClassPath refuses.
bool FindSource(std::string_view name, SourceTable& table);

// Hands every link of the line index at `path` to `each`, in file order, reading the file
// once through the line reader. False when the file cannot be opened. A damaged link ends
// the list with the reader's message; `whole`, when given, says whether every link was read
// and the end marker closes the file (an empty file counts as whole).
bool ForEachIndexLink(std::string_view path, Prompter& prompter,
                      const std::function<void(const LineIndexRecord&)>& each,
                      bool* whole = nullptr);

// The untrimmed index in file order; empty when there is none. A damaged link ends the
// list with the reader's message. `whole`, when given, says whether every link was read:
// rewritten from a list read only in part, the index would lose the rest.
std::vector<IndexEntry> LoadUntrimmedIndex(Prompter& prompter, bool* whole = nullptr);
// Said instead of rewriting an untrimmed index that was read only in part.
extern const std::string kIndexPartialText;
// Rewrites the untrimmed index whole; false when it could not (the old file then stays).
bool WriteUntrimmedIndex(std::span<const IndexEntry> entries);

// Writes the entries over the end marker of an existing line index and ends it again.
// False, with the file unchanged, when it is missing or does not end with the marker.
bool AppendToIndex(std::string_view path, std::span<const IndexEntry* const> entries);
bool AppendToIndex(std::string_view path, std::span<const IndexEntry> entries);

// Where a new card is stored: classPath + title + ".datum.%d.xml".
std::string CardPath(std::string_view classPath, std::string_view title, int number);

// A card document kept as a new card of its own: stored in `folder` (a category folder's
// data path, ending in "\\") under `title` and a number above the card counter and every card
// there, which the counter then passes, and joined to the untrimmed index to wait for
// trimming. Told to `events`. Its data path, or "" when it could not be stored.
std::string StoreCardCopy(const std::string& folder, std::string_view title,
                          const std::string& bytes, RecordEvents* events);
// The card at `url` as it is on disk kept that way (same folder and title), before an edit
// replaces it. True when kept, or when there is no file to keep.
bool KeepCardAsItIs(const std::string& url, RecordEvents* events);

}  // namespace pim
