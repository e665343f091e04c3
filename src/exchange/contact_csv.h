// Contacts in and out as CSV, in the two layouts people move contacts with: Google's and
// Outlook's.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/contact_import.h"

namespace pim {

enum class CsvLayout { Google, Outlook };
enum class CsvEncoding {
  Utf8,  // with a byte order mark, so spreadsheets take it for UTF-8
  Gbk,   // as a Chinese Windows spreadsheet writes it
};

// The contacts of a CSV file of either layout: Google's (old and new column names),
// Outlook's with English or Chinese column names, in UTF-8 (with or without its mark),
// UTF-16 with its mark, or GBK; separated by commas, semicolons or TABs. A column without a
// field of its own goes into the remark as a labelled line; a row without a name is skipped.
ContactImport ReadContactsCsv(std::string_view bytes);

// The indexes of the contacts holding text GBK cannot hold; written in GBK, each such
// character becomes "?". The dialog asks before it writes.
std::vector<size_t> ContactsBeyondGbk(std::span<const ComuRecord> contacts);

// The contacts as one CSV file, CR LF between rows, Outlook's columns by their English names.
std::string WriteContactsCsv(std::span<const ComuRecord> contacts, CsvLayout layout,
                             CsvEncoding encoding);

}  // namespace pim
