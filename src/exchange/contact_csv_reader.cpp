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

namespace pim {

namespace {

struct Column {
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

struct Named {
  const char* english;
  const char* chinese;  // or nullptr
  Column::Kind kind;
  unsigned types;
  int part;
  const char* label;  // Extra's label, UTF-8
};

// Outlook's columns by their English and Chinese names, Google's fixed ones, Thunderbird's
// and the few our own files add.
constexpr Named kNamed[] = {
    {"Name", "姓名", Column::FullName, 0, 0, nullptr},
    {"Display Name", "显示名称", Column::FullName, 0, 0, nullptr},
    {"First Name", "名", Column::NamePart, 0, 1, nullptr},
    {"Given Name", nullptr, Column::NamePart, 0, 1, nullptr},
    {"Middle Name", "中间名", Column::NamePart, 0, 2, nullptr},
    {"Additional Name", nullptr, Column::NamePart, 0, 2, nullptr},
    {"Last Name", "姓", Column::NamePart, 0, 0, nullptr},
    {"Family Name", nullptr, Column::NamePart, 0, 0, nullptr},
    {"Title", "称谓", Column::NamePart, 0, 3, nullptr},
    {"Name Prefix", "英文称谓", Column::NamePart, 0, 3, nullptr},
    {"Suffix", "后缀", Column::NamePart, 0, 4, nullptr},
    {"Name Suffix", "中文称谓", Column::NamePart, 0, 4, nullptr},
    {"Business Phone", "商务电话", Column::Tel, kTypeWork, 0, nullptr},
    {"Business Phone 2", "商务电话 2", Column::Tel, kTypeWork, 0, nullptr},
    {"Work Phone", "工作电话", Column::Tel, kTypeWork, 0, nullptr},
    {"Home Phone", "住宅电话", Column::Tel, kTypeHome, 0, nullptr},
    {"Home Phone 2", "住宅电话 2", Column::Tel, kTypeHome, 0, nullptr},
    {"Mobile Phone", "移动电话", Column::Tel, kTypeCell, 0, nullptr},
    {"Mobile Number", "手机", Column::Tel, kTypeCell, 0, nullptr},
    {"Pager", "寻呼机", Column::Tel, kTypePager, 0, nullptr},
    {"Pager Number", "传呼", Column::Tel, kTypePager, 0, nullptr},
    {"Business Fax", "商务传真", Column::Tel, kTypeWork | kTypeFax, 0, nullptr},
    {"Home Fax", "住宅传真", Column::Tel, kTypeHome | kTypeFax, 0, nullptr},
    {"Other Fax", "其他传真", Column::Tel, kTypeFax, 0, nullptr},
    {"Fax Number", "传真", Column::Tel, kTypeFax, 0, nullptr},
    {"Primary Phone", "主要电话", Column::Tel, 0, 0, nullptr},
    {"Other Phone", "其他电话", Column::Tel, 0, 0, nullptr},
    {"E-mail Address", "电子邮件地址", Column::Email, 0, 1, nullptr},
    {"Primary Email", nullptr, Column::Email, 0, 1, nullptr},
    {"E-mail 2 Address", "电子邮件 2 地址", Column::Email, 0, 2, nullptr},
    {"Secondary Email", nullptr, Column::Email, 0, 2, nullptr},
    {"E-mail 3 Address", "电子邮件 3 地址", Column::Email, 0, 0, nullptr},
    {"Web Page", "网页", Column::Url, kTypeWork, 0, nullptr},
    {"Web Page 1", nullptr, Column::Url, kTypeWork, 0, nullptr},
    {"Personal Web Page", "个人网页", Column::Url, kTypeHome, 0, nullptr},
    {"Web Page 2", nullptr, Column::Url, kTypeHome, 0, nullptr},
    {"Birthday", "生日", Column::Birthday, 0, 0, nullptr},
    {"Anniversary", "纪念日", Column::DateExtra, 0, 0, "纪念日"},
    {"Gender", "性别", Column::Gender, 0, 0, nullptr},
    {"Categories", "类别", Column::Categories, 0, 0, nullptr},
    {"Labels", "标签", Column::Labels, 0, 0, nullptr},
    {"Group Membership", nullptr, Column::Labels, 0, 0, nullptr},
    {"Notes", "附注", Column::Note, 0, 0, nullptr},
    {"Note", "备注", Column::Note, 0, 0, nullptr},
    {"QQ", "OICQ", Column::Qq, 0, 0, nullptr},
    {"ICQ", nullptr, Column::Icq, 0, 0, nullptr},
    {"Company", "单位", Column::Extra, 0, 0, "单位"},
    {"Organization", "公司", Column::Extra, 0, 0, "单位"},
    {"Organization Name", nullptr, Column::Extra, 0, 0, "单位"},
    {"Department", "部门", Column::Extra, 0, 0, "部门"},
    {"Organization Department", nullptr, Column::Extra, 0, 0, "部门"},
    {"Job Title", "职务", Column::Extra, 0, 0, "职务"},
    {"Organization Title", nullptr, Column::Extra, 0, 0, "职务"},
    {"Nickname", "昵称", Column::Extra, 0, 0, "昵称"},
    {"Spouse", "配偶", Column::Extra, 0, 0, "配偶"},
    {"IMAddress", nullptr, Column::Extra, 0, 0, "即时通讯"},
    {"Photo", "照片", Column::Photo, 0, 0, nullptr},
    {"Priority", "优先级", Column::Ignore, 0, 0, nullptr},
    {"Sensitivity", "敏感度", Column::Ignore, 0, 0, nullptr},
    {"Private", "私有", Column::Ignore, 0, 0, nullptr},
    {"Initials", "缩写", Column::Ignore, 0, 0, nullptr},
    {"File As", nullptr, Column::Ignore, 0, 0, nullptr},
    {"Internet Free Busy", "Internet 忙闲", Column::Ignore, 0, 0, nullptr},
    {"E-mail Type", "电子邮件类型", Column::Ignore, 0, 0, nullptr},
    {"E-mail Display Name", "电子邮件显示名称", Column::Ignore, 0, 0, nullptr},
    {"E-mail 2 Type", "电子邮件 2 类型", Column::Ignore, 0, 0, nullptr},
    {"E-mail 2 Display Name", "电子邮件 2 显示名称", Column::Ignore, 0, 0, nullptr},
    {"E-mail 3 Type", "电子邮件 3 类型", Column::Ignore, 0, 0, nullptr},
    {"E-mail 3 Display Name", "电子邮件 3 显示名称", Column::Ignore, 0, 0, nullptr},
    {nullptr, "电子邮件 2 显示名", Column::Ignore, 0, 0, nullptr},
    {nullptr, "电子邮件 3 显示名", Column::Ignore, 0, 0, nullptr},
};

// Outlook's three addresses and Thunderbird's two, part by part.
struct AddressColumns {
  const char* english;
  const char* chinese;
  unsigned types;
  int group;
};
constexpr AddressColumns kAddresses[] = {
    {"Business", "商务地址", kTypeWork, 1},
    {"Home", "住宅地址", kTypeHome, 2},
    {"Other", "其他地址", 0, 3},
    {"Work", nullptr, kTypeWork, 1},
};
constexpr struct {
  const char* english;
  const char* chinese;
  int part;
} kAddressParts[] = {
    {" Street", " 街道", 2},        {" Street 2", " 街道 2", 2},
    {" Street 3", " 街道 3", 2},    {" Address", nullptr, 2},
    {" Address 2", nullptr, 2},     {" City", " 市/县", 3},
    {" State", " 省/市/自治区", 4}, {" Postal Code", " 邮政编码", 5},
    {" ZipCode", nullptr, 5},       {" Country/Region", " 国家/地区", 6},
    {" Country", nullptr, 6},       {" Address PO Box", " - 邮箱", 0},
};

const std::map<std::string, Column>& FixedColumns() {
  static const std::map<std::string, Column> columns = [] {
    std::map<std::string, Column> m;
    const auto add = [&](const char* name, const Column& c) {
      if (name) m.emplace(Gb(name), c);
    };
    for (const Named& n : kNamed) {
      Column c;
      c.kind = n.kind;
      c.types = n.types;
      c.part = n.part;
      if (n.label) c.label = Gb(n.label);
      add(n.english, c);
      add(n.chinese, c);
    }
    for (const AddressColumns& a : kAddresses) {
      for (const auto& p : kAddressParts) {
        Column c;
        c.kind = Column::AdrPart;
        c.types = a.types;
        c.group = a.group;
        c.part = p.part;
        m.emplace(std::string(a.english) + p.english, c);
        if (a.chinese && p.chinese) m.emplace(Gb(a.chinese) + Gb(p.chinese), c);
      }
    }
    return m;
  }();
  return columns;
}

// "Phone 1 - Value" and the like: Google's numbered columns.
bool GoogleColumn(std::string_view header, Column& column) {
  const size_t dash = header.find(" - ");
  if (dash == std::string_view::npos) return false;
  const std::string_view head = header.substr(0, dash);
  const size_t space = head.rfind(' ');
  if (space == std::string_view::npos) return false;
  int n = 0;
  for (char c : head.substr(space + 1)) {
    if (c < '0' || c > '9' || n > 1000) return false;
    n = n * 10 + (c - '0');
  }
  column.kind = Column::Google;
  column.googleKind = head.substr(0, space);
  column.group = n;
  column.sub = header.substr(dash + 3);
  if (column.sub == "Type") column.sub = "Label";
  return true;
}

Column Resolve(const std::string& header) {
  const auto& fixed = FixedColumns();
  if (const auto found = fixed.find(header); found != fixed.end()) return found->second;
  Column column;
  if (GoogleColumn(header, column)) return column;
  if (header.starts_with("Phonetic") || header.find("Yomi") != std::string::npos) {
    column.kind = Column::Extra;
    column.label = Gb("读音");
    return column;
  }
  column.label = header;
  return column;
}

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
      columns.push_back(Resolve(headers.back()));
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
