// The four small XML document kinds of the data folder: written from fixed templates,
// read back line by line by cutting each value out between its literal tags.
//
// Writers append the document's exact bytes to a string; the caller puts them into the
// file (atomically for a whole document, in place for an append to a line index).
// Readers pull lines from a LineReader and overwrite only the fields they reach.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/gb18030.h"
#include "base/line_reader.h"
#include "base/prompter.h"

namespace pim {

// Where the documents say their type definitions live; nothing ever fetches them.
inline constexpr std::string_view kDtdWebHost = "http://pimbrel.invalid";
inline constexpr std::string_view kDatumDtdWebPath =
    "/subject/doc/kwix_xml_1.0/02_2003_datum01.dtd";
inline constexpr std::string_view kLineIndexDtdWebPath =
    "/subject/doc/kwix_xml_1.0/03_2003_lineindex01.dtd";
// Appended to the working folder to name a card's local DTD.
inline constexpr std::string_view kDatumDtdLocalPath =
    "\\xmlstyle\\kwix_xml_1.0\\02_2003_datum01.dtd";
// The last bytes of every complete line index; appending writes over them.
inline constexpr std::string_view kLineIndexEnd =
    "</lineindex>\r\n\t\t\t\t<!-- KWIX.LINEINDEX.WRITE -->";
static_assert(kLineIndexEnd.size() == 47);

// The line indexes of the datum store.
inline constexpr std::string_view kUntrimmedIndexPath = "datum\\lineindex.untrim.list";
inline constexpr std::string_view kTrimmedIndexPath = "datum\\lineindex.list";
inline constexpr std::string_view kBookmarkListPath = "datum\\bookmark.list";
inline constexpr std::string_view kIndexListPath = "datum\\index.list";

// Card content keeps markup out of its lines by these replacements of "<", ">" and "&".
inline const std::string kLessThanSign = Gb("≮");
inline const std::string kGreaterThanSign = Gb("≯");
inline const std::string kAmpersandSign = Gb("￡");

struct LineIndexRecord {
  std::string title;
  std::string keyword;
  // The link read last.
  std::string name;
  std::string url;
  std::string class_;
  std::string date;
  std::string linkKeyword;
  std::string source;
};

struct DatumRecord {
  std::string title;
  std::string class_;
  std::string founddate;
  std::string modifieddate;
  std::string source;
  std::string keyword;
  std::string content;  // lines joined by CR LF
  bool whole = false;   // the parts ran up to "</content>": nothing was left unread
};

struct DatumLink {
  std::string name;
  std::string type;
  std::string url;
};

// What a contact's category index and a note's type number stand for.
extern const std::array<std::string, 9> kContactCategories;
extern const std::array<std::string, 6> kNoteTypes;

struct ComuRecord {
  std::string name;
  int class_ = 0;  // category index, -1 when none was chosen
  int sex = 1;     // non-zero for male
  std::string birthYear;
  int birthMonth = 0;  // list indexes: 0 for January and for the 1st; -1 for none
  int birthDay = 0;
  std::string telOffice;
  std::string telHome;
  std::string telHandset;
  std::string telBP;
  std::string email;
  std::string email2;
  std::string companyweb;
  std::string homepage;
  std::string oicq;
  std::string icq;
  std::string address;
  std::string postnumber;
  std::string note;  // may hold CR LF

  // Appends the record as one contact document.
  bool WriteComu(std::string& out) const;

  bool operator==(const ComuRecord&) const = default;
};

struct NoteRecord {
  std::string content;  // may hold CR LF
  std::string buildtime;
};

class XML {
 public:
  // Messages of the readers go to `prompter`; writers take the now stamp from `clock`.
  XML(Prompter& prompter, const Clock& clock) : prompter_(prompter), clock_(clock) {}

  LineIndexRecord lineIndex;
  DatumRecord datum;
  ComuRecord comu;
  NoteRecord note;
  // The text between the birthday tags as ReadComu last found it, before the numbers are
  // taken from it; none until it reached a whole birthday line.
  std::optional<std::string> comuBirthday;

  // Note documents.
  void WriteNote(std::string& out, int type, std::string_view content,
                 std::string_view buildtime) const;
  int ReadNoteType(LineReader& reader);  // -1 when there is no readable type
  bool ReadNote(LineReader& reader);

  // Contact documents.
  bool WriteComu(std::string& out) const { return comu.WriteComu(out); }
  bool ReadComu(LineReader& reader);

  // Datum card documents.
  void WriteDatum(std::string& out, std::string_view title, std::string_view class_,
                  std::string_view content, std::string_view dtdPath, std::string_view founddate,
                  std::string_view source, std::string_view keyword,
                  std::span<const DatumLink> links) const;
  bool ReadDatumHead(LineReader& reader);
  bool ReadDatumPart(LineReader& reader);
  bool ReadDatum(LineReader& reader);

  // Line index documents.
  static void WriteLineIndexHead(std::string& out, std::string_view title,
                                 std::string_view keyword);
  static void WriteLineIndexLink(std::string& out, std::string_view name, std::string_view url,
                                 std::string_view class_, std::string_view date,
                                 std::string_view keyword, std::string_view source);
  static void WriteLineIndexEnd(std::string& out);
  bool ReadLineIndexHead(LineReader& reader);
  bool ReadLineIndexLink(LineReader& reader);

 private:
  void ReportMissing(const char* text);

  Prompter& prompter_;
  const Clock& clock_;
  std::string line_;  // the line readers' buffer, reused so a long list allocates once
};

// Helpers shared by the readers.
namespace xmlfield {

// The text between the first opening tag and the first closing tag of `line`; false when
// either tag is missing. A closing tag that stands before the opening one gives "".
// FindText(text, needle), faster: found by raw search, then checked for a character boundary.
size_t FindAtBoundary(std::string_view text, std::string_view needle);

bool Extract(std::string_view line, std::string_view open, std::string_view close,
             std::string& value);

// Reads lines until one contains `tag`; false (and an empty line) at the end of the file.
bool SkipTo(LineReader& reader, std::string_view tag, std::string& line);
bool SkipTo(LineReader& reader, std::string_view tag, std::string_view& line);

// A value that may span lines, starting on `line`, which holds the opening tag. Stops at
// the end of the file and keeps what it gathered.
std::string ReadMultiLine(LineReader& reader, const std::string& line, std::string_view open,
                          std::string_view close);

}  // namespace xmlfield

}  // namespace pim
