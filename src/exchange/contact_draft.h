// A contact as another program describes it, between its file and the record: the name,
// then every phone, address, date and the rest in file order, already decoded to byte
// text. vCard and CSV readers fill drafts; one mapping turns a draft into a record, so both
// put each value in the same field and write the rest into the remark the same way.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/contact_import.h"

namespace pim {

// Kinds of phone, address, e-mail and page a value may carry.
enum DraftType : unsigned {
  kTypeWork = 1,
  kTypeHome = 2,
  kTypeCell = 4,
  kTypePager = 8,
  kTypeFax = 16,
};

struct DraftItem {
  enum Kind {
    Tel,
    Email,
    Url,
    Adr,    // parts: PO box, extended, street, city, region, postal code, country
    Label,  // a formatted address: used only when the contact has no ADR
    Qq,
    Icq,
    Note,
    Birthday,  // parts[0]: the date as written
    Gender,
    Category,  // one category name
    Extra,     // a labelled line of the remark
  };
  Kind kind = Extra;
  unsigned types = 0;
  int pref = 101;         // 1 is the most preferred; 101 for none
  int slot = 0;           // e-mail 1 or 2 where the file says so, else 0
  bool omitYear = false;  // Birthday: the year is a placeholder
  std::string label;      // Extra: the line's label; else a label of the value's own, or ""
  std::vector<std::string> parts;
};

struct ContactDraft {
  std::string fullName;
  std::array<std::string, 5> name;  // family, given, middle, prefix, suffix
  std::vector<DraftItem> items;
  int photos = 0;
  int keys = 0;
  int replacedChars = 0;
  int unknownCharsets = 0;

  DraftItem& Add(DraftItem::Kind kind, std::string value, unsigned types = 0,
                 std::string label = {});
};

// The record a draft gives; false (and nothing counted) when it has no name.
bool MapDraft(const ContactDraft& draft, ComuRecord& record, ContactImport& report);

// A name from its parts: family name first and joined without blanks when a part holds
// Chinese, Japanese or Korean text, else given names first with blanks.
std::string JoinName(const std::array<std::string, 5>& name);

// A birthday as other programs write it: 1980-03-15, 19800315, --0315, --03-15, 1980-03,
// 1980, 3/15/1980, 1980/3/15, 1980年3月15日, with a time after a "T" ignored. The year is
// its digits as written (empty for 0000 or when `omitYear`), month and day are list
// indexes (-1 for none). False when the text is no date.
bool ParseBirthday(std::string_view text, bool omitYear, std::string& year, int& month, int& day);

// Blanks (ASCII and the ideographic space) trimmed from both ends.
std::string_view TrimText(std::string_view text);

}  // namespace pim
