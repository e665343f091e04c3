// The columns of the CSV files other programs write (Outlook in English and Chinese, Google,
// Thunderbird, ours): what each header holds, known once per file.
#pragma once

#include <string>

#include "exchange/contact_draft.h"

namespace pim {

struct CsvColumn {
  enum Kind {
    Unknown,  // kept in the remark under its header
    Ignore,
    FullName,
    NamePart,  // part: 0 family, 1 given, 2 middle, 3 prefix, 4 suffix
    Tel,
    Email,
    Url,
    AdrPart,  // group: one address; part: its ADR part
    Birthday,
    DateExtra,  // a date in the remark, unless it is Outlook's "0/0/00"
    Gender,
    Categories,  // Outlook's, separated by ";" or ","
    Labels,      // Google's, separated by " ::: ", "* " marking its own
    Note,
    Qq,
    Icq,
    Extra,  // in the remark under `label`
    Photo,
    Google,  // "<kind> <n> - <sub>": gathered per group
  };
  Kind kind = Unknown;
  unsigned types = 0;
  int part = 0;
  int group = 0;
  std::string label;       // Extra: the remark's label; Unknown: the header
  std::string googleKind;  // Google: "Phone", "E-mail", ...
  std::string sub;         // Google: "Value", "Label", "Street", ...
};

// The role of a column by its header; Unknown keeps it in the remark under its header.
CsvColumn ResolveCsvColumn(const std::string& header);

}  // namespace pim
