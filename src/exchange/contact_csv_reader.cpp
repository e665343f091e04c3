// Reading contacts from CSV: each column of the header is given a role once, then every row
// becomes a draft for the mapping that vCards share.
#include <map>
#include <utility>

#include "base/gb18030.h"
#include "base/gbk.h"
#include "exchange/charsets.h"
#include "exchange/contact_csv.h"
#include "exchange/contact_draft.h"
#include "exchange/csv.h"
#include "exchange/csv_columns.h"

namespace pim {

namespace {

using Column = CsvColumn;

// Google's label of a value: "* " marks the preferred one.
unsigned LabelTypes(std::string& label, int& pref) {
  if (label.starts_with("* ") || label == "*") {
    pref = 1;
    label.erase(0, std::min<size_t>(2, label.size()));
  }
  std::string l;
  for (char c : label) l.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
  unsigned t = 0;
  if (l == "mobile" || l == Gb("手机")) t = kTypeCell;
  if (l == "work" || l == Gb("工作") || l == Gb("单位")) t = kTypeWork;
  if (l == "home" || l == "home page" || l == "homepage" || l == Gb("住宅") || l == Gb("家庭"))
    t = kTypeHome;
  if (l == "pager" || l == Gb("寻呼机")) t = kTypePager;
  if (l == "work fax") t = kTypeWork | kTypeFax;
  if (l == "home fax") t = kTypeHome | kTypeFax;
  if (l == "other fax" || l == "fax") t = kTypeFax;
  // A label that only repeats a type, or says nothing, is no label of its own.
  if (t != 0 || l == "other" || l == "main" || l.empty()) label.clear();
  return t;
}

std::vector<std::string> SplitOn(std::string_view text, std::string_view by) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = FindText(text, by, start)) != std::string_view::npos;
       start = at + by.size())
    parts.emplace_back(text.substr(start, at - start));
  parts.emplace_back(text.substr(start));
  return parts;
}

struct GoogleGroup {
  std::map<std::string, std::string> subs;  // "Label", "Value", "Street", ...
};

void AddGoogleGroup(const std::string& kind, int n, GoogleGroup& g, ContactDraft& draft) {
  std::string label = g.subs["Label"];
  int pref = 101;
  const unsigned types = LabelTypes(label, pref);
  const auto each = [&](DraftItem::Kind itemKind) {
    const std::vector<std::string> values = SplitOn(g.subs["Value"], " ::: ");
    for (const std::string& v : values) {
      DraftItem& item = draft.Add(itemKind, v, types, label);
      item.pref = pref;
      if (itemKind == DraftItem::Email && values.size() == 1 && n <= 2) item.slot = n;
    }
  };
  if (kind == "Phone") {
    each(DraftItem::Tel);
  } else if (kind == "E-mail") {
    each(DraftItem::Email);
  } else if (kind == "Website") {
    each(DraftItem::Url);
  } else if (kind == "IM") {
    std::string service = g.subs["Service"];
    for (char& c : service)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    for (const std::string& v : SplitOn(g.subs["Value"], " ::: ")) {
      if (service == "QQ")
        draft.Add(DraftItem::Qq, v);
      else if (service == "ICQ")
        draft.Add(DraftItem::Icq, v);
      else
        draft.Add(
            DraftItem::Extra, v, 0,
            Gb("即时通讯") + (g.subs["Service"].empty() ? "" : "(" + g.subs["Service"] + ")"));
    }
  } else if (kind == "Address") {
    std::vector<std::string> parts = {
        g.subs["PO Box"], g.subs["Extended Address"], g.subs["Street"], g.subs["City"],
        g.subs["Region"], g.subs["Postal Code"],      g.subs["Country"]};
    bool any = false;
    for (const std::string& p : parts) any = any || !TrimText(p).empty();
    if (!any) parts[2] = g.subs["Formatted"];
    DraftItem& item = draft.Add(DraftItem::Adr, {}, types, label);
    item.pref = pref;
    item.parts = std::move(parts);
  } else {
    // Organizations, relations, events, custom fields: lines of the remark.
    const std::string base = kind == "Organization" ? Gb("单位")
                             : kind == "Relation"   ? Gb("相关人")
                             : kind == "Event"      ? Gb("纪念日")
                                                    : kind;
    for (const auto& [sub, value] : g.subs) {
      if (sub == "Label" || TrimText(value).empty()) continue;
      std::string line = base;
      if (kind == "Custom Field" && !label.empty())
        line = label;
      else if (!label.empty())
        line += "(" + label + ")";
      if (sub != "Value" && sub != "Name") line += " " + sub;
      draft.Add(DraftItem::Extra, value, 0, line);
    }
  }
}

// One row as a draft; false when it holds nothing at all.
bool DraftOfRow(const std::vector<Column>& columns, const std::vector<std::string>& headers,
                const CsvRow& row, ContactDraft& draft) {
  bool any = false;
  std::map<int, std::pair<unsigned, std::vector<std::string>>> addresses;
  std::map<std::pair<std::string, int>, GoogleGroup> groups;
  for (size_t i = 0; i < columns.size() && i < row.size(); ++i) {
    const Column& c = columns[i];
    const std::string& v = row[i];
    if (TrimText(v).empty()) continue;
    any = true;
    switch (c.kind) {
      case Column::Ignore:
        break;
      case Column::Unknown:
        draft.Add(DraftItem::Extra, v, 0, headers[i]);
        break;
      case Column::FullName:
        if (TrimText(draft.fullName).empty()) draft.fullName = v;
        break;
      case Column::NamePart:
        draft.name[c.part] += draft.name[c.part].empty() ? v : " " + v;
        break;
      case Column::Tel:
        draft.Add(DraftItem::Tel, v, c.types);
        break;
      case Column::Email:
        draft.Add(DraftItem::Email, v).slot = c.part;
        break;
      case Column::Url:
        draft.Add(DraftItem::Url, v, c.types);
        break;
      case Column::AdrPart: {
        auto& [types, parts] = addresses[c.group];
        types = c.types;
        parts.resize(7);
        std::string& part = parts[c.part];
        part += part.empty() ? v : " " + v;
        break;
      }
      case Column::Birthday:
        draft.Add(DraftItem::Birthday, v);
        break;
      case Column::DateExtra: {
        std::string year;
        int month = -1, day = -1;
        if (!ParseBirthday(v, false, year, month, day) || month >= 0 || day >= 0 || !year.empty())
          draft.Add(DraftItem::Extra, v, 0, c.label);
        break;
      }
      case Column::Gender:
        draft.Add(DraftItem::Gender, v);
        break;
      case Column::Categories:
        for (const std::string& part : SplitOn(ReplaceAll(v, ",", ";"), ";"))
          draft.Add(DraftItem::Category, part);
        break;
      case Column::Labels:
        for (std::string part : SplitOn(v, ":::")) {
          part = std::string(TrimText(part));
          if (part.starts_with("* ")) part.erase(0, 2);
          draft.Add(DraftItem::Category, part);
        }
        break;
      case Column::Note:
        draft.Add(DraftItem::Note, v);
        break;
      case Column::Qq:
        draft.Add(DraftItem::Qq, v);
        break;
      case Column::Icq:
        draft.Add(DraftItem::Icq, v);
        break;
      case Column::Extra:
        draft.Add(DraftItem::Extra, v, 0, c.label);
        break;
      case Column::Photo:
        ++draft.photos;
        break;
      case Column::Google:
        groups[{c.googleKind, c.group}].subs[c.sub] = v;
        break;
    }
  }
  for (auto& [group, address] : addresses) {
    DraftItem& item = draft.Add(DraftItem::Adr, {}, address.first);
    item.parts = std::move(address.second);
  }
  for (auto& [key, group] : groups) AddGoogleGroup(key.first, key.second, group, draft);
  return any;
}

}  // namespace

ContactImport ReadContactsCsv(std::string_view bytes) {
  ContactImport report;
  if (bytes.size() > kMaxContactFileBytes) {
    report.error = ImportError::TooLarge;
    return report;
  }
  std::string text;
  size_t replaced = 0;
  if (!DecodeTextFile(bytes, text, replaced)) {
    report.error = ImportError::NotText;
    return report;
  }
  report.replacedChars = static_cast<int>(replaced);
  const CsvTable table = ParseCsv(text, GuessSeparator(text));
  std::vector<std::string> headers;
  std::vector<Column> columns;
  bool named = false;
  if (!table.rows.empty()) {
    for (const std::string& h : table.rows[0]) {
      headers.emplace_back(TrimText(h));
      columns.push_back(ResolveCsvColumn(headers.back()));
      named = named || columns.back().kind == Column::FullName ||
              columns.back().kind == Column::NamePart;
    }
  }
  if (!named) {
    report.error = ImportError::NotContacts;
    return report;
  }
  for (size_t r = 1; r < table.rows.size(); ++r) {
    const int position = static_cast<int>(r);
    if (table.cut && r + 1 == table.rows.size()) {
      report.skipped.push_back({position, SkipReason::Unterminated});
      break;
    }
    ContactDraft draft;
    if (!DraftOfRow(columns, headers, table.rows[r], draft)) continue;  // an empty row
    ComuRecord record;
    if (MapDraft(draft, record, report))
      report.contacts.push_back(std::move(record));
    else
      report.skipped.push_back({position, SkipReason::NoName});
  }
  return report;
}

}  // namespace pim
