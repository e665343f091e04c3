// Comma-separated values as real spreadsheets write them: fields in double quotes may hold
// the separator, doubled quotes and line breaks; rows end at CR LF, LF or CR.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pim {

using CsvRow = std::vector<std::string>;

struct CsvTable {
  std::vector<CsvRow> rows;
  bool cut = false;  // the text ended inside a quoted field; the last row holds what was read
};

// The separator a header line uses: ",", ";" or TAB, whichever stands most often outside
// quotes (a comma on a tie).
char GuessSeparator(std::string_view text);

// Rows of byte text. The separator, quote, CR and LF never stand inside a character of the
// program's text, so the bytes are split as they come.
CsvTable ParseCsv(std::string_view text, char separator);

// Appends one field, quoted when it holds the separator, a quote, a line break or blanks at
// its ends.
void AppendCsvField(std::string& out, std::string_view field, char separator = ',');

}  // namespace pim
