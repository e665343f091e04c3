// What reading contacts from another program gives: the contacts as the address book stores
// them, and a report of everything that did not fit. Readers take the file's bytes
// (exchange/vcard.h, exchange/contact_csv.h); the dialog shows the report and writes the
// contacts through the address book.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "xmldoc/xml.h"

namespace pim {

// Larger files are refused before any reading: 256 MiB, far beyond any address book with
// its pictures.
inline constexpr size_t kMaxContactFileBytes = size_t{256} << 20;

enum class ImportError {
  None,
  TooLarge,     // beyond kMaxContactFileBytes
  NotContacts,  // no card in the file, or no header naming a contact's name
  NotText,      // bytes of no encoding we read (binary data, UTF-32)
};

// Why a card or a row was left out.
enum class SkipReason {
  NoName,        // neither a formatted name nor name parts with text
  Unterminated,  // the file ends inside the card or inside a quoted field
};

struct SkippedContact {
  int position;  // 1-based: the card in the file, or the data row below the header
  SkipReason reason;
};

struct ContactImport {
  ImportError error = ImportError::None;
  std::vector<ComuRecord> contacts;
  std::vector<SkippedContact> skipped;
  int photos = 0;           // pictures and sounds left out
  int keys = 0;             // keys left out
  int lineBreaks = 0;       // one-line values whose line breaks became "；"
  int closingTags = 0;      // values holding their closing tag: "<" ">" became "＜" "＞"
  int replacedChars = 0;    // bytes that were no character of their encoding, now "?"
  int unknownCharsets = 0;  // values in a character set we do not know, read as UTF-8
};

// Whether `b` looks like `a`, one already in the book: the same name (blanks and ASCII
// letter case aside) and a phone (digits alone, one may end with the other, 7 digits at
// least) or an e-mail address (letter case aside) in common.
bool LooksAlike(const ComuRecord& a, const ComuRecord& b);
// The indexes of `incoming` that look like a contact of `book`.
std::vector<size_t> LikelyDuplicates(std::span<const ComuRecord> book,
                                     std::span<const ComuRecord> incoming);

// The dialog's texts, in the program's byte text.
std::string ImportErrorText(ImportError error);
std::string SkipReasonText(SkipReason reason);
// "导入 N 个联系人，跳过 M 个" with a line for each reason and each count of the report;
// `duplicates` are the contacts the user chose to skip as already in the book.
std::string ImportSummary(const ContactImport& report, int imported, int duplicates);

}  // namespace pim
