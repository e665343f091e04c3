#include "exchange/contact_draft.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "base/gb18030.h"
#include "base/gbk.h"

namespace pim {

namespace {

const std::string kSemicolon = Gb("；"), kColon = Gb("："), kComma = Gb("，");
const std::string kIdeographicSpace = Gb("　");
const std::string kWideLess = Gb("＜"), kWideGreater = Gb("＞");

bool IsCjk(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF);
}

bool HasCjk(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const GbChar ch = DecodeGbChar(text, i);
    if (ch.valid && IsCjk(ch.code)) return true;
    i += ch.size;
  }
  return false;
}

// Drops control characters but TAB, CR and LF: a NUL would end the text in a window.
std::string WithoutControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\r' || c == '\n')
      out.push_back(c);
  return out;
}

// Each run of line breaks, with the blanks around it, as `with`.
std::string JoinLines(std::string_view text, std::string_view with) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') {
      out.push_back(text[i]);
      continue;
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
    while (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n' ||
                                   text[i + 1] == ' ' || text[i + 1] == '\t'))
      ++i;
    out += with;
  }
  return out;
}

// A value the document could not read back whole keeps its markup out of its line.
bool GuardClosingTag(std::string& value, std::string_view closeTag) {
  if (FindText(value, closeTag) == std::string::npos) return false;
  value = ReplaceAll(ReplaceAll(value, "<", kWideLess), ">", kWideGreater);
  return true;
}

// A value of a one-line field: trimmed, line breaks as "；", its closing tag guarded.
std::string OneLine(std::string_view raw, std::string_view closeTag, ContactImport& report) {
  std::string value(TrimText(WithoutControls(raw)));
  if (HasLineBreak(value)) {
    value = JoinLines(value, kSemicolon);
    ++report.lineBreaks;
  }
  if (GuardClosingTag(value, closeTag)) ++report.closingTags;
  return value;
}

// Line breaks of any kind as CR LF.
std::string CrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string Join(const std::vector<std::string>& parts, std::string_view with) {
  std::string out;
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    if (!out.empty()) out += with;
    out += part;
  }
  return out;
}

// The parts of an ADR as one address: largest unit first and unseparated for Chinese text,
// street first with commas otherwise. The postal code goes to a field of its own.
std::string Address(const std::vector<std::string>& p) {
  const auto at = [&](size_t i) { return i < p.size() ? std::string(TrimText(p[i])) : ""; };
  if (HasCjk(Join(p, ""))) return Join({at(6), at(4), at(3), at(2), at(1), at(0)}, "");
  return Join({at(2), at(1), at(0), at(3), at(4), at(6)}, ", ");
}

std::string KindLabel(const DraftItem& item) {
  const unsigned t = item.types;
  std::string base;
  switch (item.kind) {
    case DraftItem::Tel:
      base = (t & kTypeFax)     ? (t & kTypeWork)   ? "传真(公)"
                                  : (t & kTypeHome) ? "传真(宅)"
                                                    : "传真"
             : (t & kTypeCell)  ? "手机"
             : (t & kTypePager) ? "传呼"
             : (t & kTypeWork)  ? "电话(公)"
             : (t & kTypeHome)  ? "电话(宅)"
                                : "电话";
      break;
    case DraftItem::Email:
      base = "E-mail";
      break;
    case DraftItem::Url:
      base = (t & kTypeWork) ? "公司主页" : (t & kTypeHome) ? "个人主页" : "网址";
      break;
    case DraftItem::Adr:
    case DraftItem::Label:
      base = (t & kTypeWork) ? "地址(公)" : (t & kTypeHome) ? "地址(宅)" : "地址";
      break;
    case DraftItem::Qq:
      base = "QQ";
      break;
    case DraftItem::Icq:
      base = "ICQ";
      break;
    case DraftItem::Birthday:
      base = "生日";
      break;
    case DraftItem::Gender:
      base = "性别";
      break;
    case DraftItem::Category:
      base = "类别";
      break;
    case DraftItem::Note:
    case DraftItem::Extra:
      return item.label;
  }
  std::string label = Gb(base);
  if (!item.label.empty()) label += "(" + item.label + ")";
  return label;
}

std::optional<int> GenderOf(std::string_view raw) {
  std::string v(TrimText(raw));
  for (char& c : v)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  if (v == "M" || v == "MALE" || v == Gb("男")) return 1;
  if (v == "F" || v == "FEMALE" || v == Gb("女")) return 0;
  return std::nullopt;
}

bool IsSilentGender(std::string_view raw) {
  std::string v(TrimText(raw));
  for (char& c : v)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return v.empty() || v == "U" || v == "N" || v == "UNSPECIFIED" || v == "UNKNOWN" ||
         v == Gb("未指定") || v == Gb("未知");
}

// Google's own groups, which every contact there has.
bool IsSystemGroup(std::string_view name) {
  std::string v(name);
  for (char& c : v)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return v == "mycontacts" || v == "my contacts" || v == "starred" || v == "other contacts";
}

// Takes a value for the first free field in `fields`; false when all are taken.
bool Place(std::initializer_list<std::string*> fields, const std::string& value) {
  for (std::string* field : fields) {
    if (field->empty()) {
      *field = value;
      return true;
    }
  }
  return false;
}

}  // namespace

DraftItem& ContactDraft::Add(DraftItem::Kind kind, std::string value, unsigned types,
                             std::string label) {
  DraftItem& item = items.emplace_back();
  item.kind = kind;
  item.types = types;
  item.label = std::move(label);
  item.parts.push_back(std::move(value));
  return item;
}

std::string_view TrimText(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  for (;;) {
    if (!text.empty() && blank(text.front()))
      text.remove_prefix(1);
    else if (text.starts_with(kIdeographicSpace))
      text.remove_prefix(kIdeographicSpace.size());
    else
      break;
  }
  // No byte of a character is below 0x30 but its first, so blanks at the end are blanks.
  for (;;) {
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (!text.ends_with(kIdeographicSpace)) break;
    // Those two bytes may end another character instead: only a walk from the start tells.
    size_t i = 0;
    while (i + kIdeographicSpace.size() < text.size()) i += GbCharSize(text, i);
    if (i != text.size() - kIdeographicSpace.size()) break;
    text.remove_suffix(kIdeographicSpace.size());
  }
  return text;
}

std::string JoinName(const std::array<std::string, 5>& name) {
  std::vector<std::string> p;
  for (const std::string& part : name) p.emplace_back(TrimText(part));
  const std::string& family = p[0];
  const std::string& given = p[1];
  const std::string& middle = p[2];
  if (HasCjk(family + given + middle)) return Join({p[3], family, middle, given, p[4]}, "");
  return Join({p[3], given, middle, family, p[4]}, " ");
}

bool MapDraft(const ContactDraft& draft, ComuRecord& record, ContactImport& report) {
  // A name of control characters alone is no name: they are dropped below.
  std::string name(TrimText(WithoutControls(draft.fullName)));
  if (name.empty()) name = TrimText(WithoutControls(JoinName(draft.name)));
  if (name.empty()) return false;

  ComuRecord r;
  r.class_ = -1;
  r.sex = 1;
  r.birthMonth = r.birthDay = -1;
  std::vector<std::pair<size_t, std::string>> lines;  // remark lines by item, in file order
  std::vector<std::string> notes, categories;
  const auto extra = [&](size_t index, const std::string& label, const std::string& value) {
    const std::string v(TrimText(value));
    if (!v.empty()) lines.emplace_back(index, label + kColon + JoinLines(v, kSemicolon));
  };
  const auto value = [&](const DraftItem& item) { return std::string(TrimText(item.parts[0])); };

  // Items of one kind by preference, the file's order among equals.
  const auto byPref = [&](DraftItem::Kind kind) {
    std::vector<size_t> order;
    for (size_t i = 0; i < draft.items.size(); ++i)
      if (draft.items[i].kind == kind && !TrimText(Join(draft.items[i].parts, "")).empty())
        order.push_back(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return draft.items[a].pref < draft.items[b].pref; });
    return order;
  };

  // Phones: a type of the four first, then the untyped ones into the fields left.
  std::vector<size_t> untyped;
  for (size_t i : byPref(DraftItem::Tel)) {
    const DraftItem& item = draft.items[i];
    const unsigned t = item.types;
    std::string* field = (t & kTypeFax)     ? nullptr
                         : (t & kTypeCell)  ? &r.telHandset
                         : (t & kTypePager) ? &r.telBP
                         : (t & kTypeWork)  ? &r.telOffice
                         : (t & kTypeHome)  ? &r.telHome
                                            : nullptr;
    if (!field && !(t & kTypeFax)) {
      untyped.push_back(i);
    } else if (!field || !Place({field}, value(item))) {
      extra(i, KindLabel(item), value(item));
    }
  }
  for (size_t i : untyped)
    if (!Place({&r.telHandset, &r.telOffice, &r.telHome}, value(draft.items[i])))
      extra(i, KindLabel(draft.items[i]), value(draft.items[i]));

  // E-mail: a numbered one to its field, the rest in order of preference.
  const std::vector<size_t> emails = byPref(DraftItem::Email);
  std::vector<size_t> looseEmails;
  for (size_t i : emails) {
    const DraftItem& item = draft.items[i];
    std::string* field = item.slot == 1 ? &r.email : item.slot == 2 ? &r.email2 : nullptr;
    if (!field || !Place({field}, value(item))) looseEmails.push_back(i);
  }
  for (size_t i : looseEmails)
    if (!Place({&r.email, &r.email2}, value(draft.items[i])))
      extra(i, KindLabel(draft.items[i]), value(draft.items[i]));

  // Pages: WORK is the company's; any other is the person's, as no other names a company.
  for (size_t i : byPref(DraftItem::Url)) {
    const DraftItem& item = draft.items[i];
    const bool placed = (item.types & kTypeWork) ? Place({&r.companyweb}, value(item))
                                                 : Place({&r.homepage}, value(item));
    if (!placed) extra(i, KindLabel(item), value(item));
  }
  for (size_t i : byPref(DraftItem::Qq))
    if (!Place({&r.oicq}, value(draft.items[i])))
      extra(i, KindLabel(draft.items[i]), value(draft.items[i]));
  for (size_t i : byPref(DraftItem::Icq))
    if (!Place({&r.icq}, value(draft.items[i])))
      extra(i, KindLabel(draft.items[i]), value(draft.items[i]));

  // Addresses: the preferred one to the fields; a formatted label only stands in for none.
  const std::vector<size_t> adrs = byPref(DraftItem::Adr);
  bool placedAddress = false;
  for (size_t i : adrs) {
    const DraftItem& item = draft.items[i];
    const std::string address = Address(item.parts);
    const std::string code = item.parts.size() > 5 ? std::string(TrimText(item.parts[5])) : "";
    if (!placedAddress) {
      r.address = address;
      r.postnumber = code;
      placedAddress = true;
    } else {
      extra(i, KindLabel(item), code.empty() ? address : address + " " + code);
    }
  }
  for (size_t i : byPref(DraftItem::Label)) {
    if (!adrs.empty()) break;
    if (!placedAddress) {
      r.address = value(draft.items[i]);
      placedAddress = true;
    } else {
      extra(i, KindLabel(draft.items[i]), value(draft.items[i]));
    }
  }

  bool haveBirthday = false, haveGender = false;
  for (size_t i = 0; i < draft.items.size(); ++i) {
    const DraftItem& item = draft.items[i];
    switch (item.kind) {
      case DraftItem::Note:
        if (!TrimText(item.parts[0]).empty()) notes.push_back(item.parts[0]);
        break;
      case DraftItem::Birthday: {
        std::string year;
        int month = -1, day = -1;
        const bool parsed = ParseBirthday(value(item), item.omitYear, year, month, day);
        if (parsed && month < 0 && day < 0 && year.empty()) break;  // a date of nothing
        if (parsed && !haveBirthday) {
          r.birthYear = year;
          r.birthMonth = month;
          r.birthDay = day;
          haveBirthday = true;
        } else {
          extra(i, KindLabel(item), value(item));
        }
        break;
      }
      case DraftItem::Gender:
        if (const auto sex = GenderOf(value(item)); sex && !haveGender) {
          r.sex = *sex;
          haveGender = true;
        } else if (!IsSilentGender(value(item))) {
          extra(i, KindLabel(item), value(item));
        }
        break;
      case DraftItem::Category: {
        const std::string c = value(item);
        if (c.empty() || IsSystemGroup(c)) break;
        const auto known = std::find(kContactCategories.begin(), kContactCategories.end(), c);
        if (r.class_ < 0 && known != kContactCategories.end()) {
          r.class_ = static_cast<int>(known - kContactCategories.begin());
        } else if (std::find(categories.begin(), categories.end(), c) == categories.end()) {
          if (categories.empty()) lines.emplace_back(i, std::string());  // its place, filled below
          categories.push_back(c);
        }
        break;
      }
      case DraftItem::Extra:
        extra(i, item.label, Join(item.parts, " "));
        break;
      default:
        break;
    }
  }
  for (auto& [index, line] : lines)
    if (line.empty()) line = Gb("类别") + kColon + Join(categories, kComma);

  std::stable_sort(lines.begin(), lines.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::string note = Join(notes, "\r\n");
  for (const auto& [index, line] : lines) {
    if (!note.empty()) note += "\r\n";
    note += line;
  }

  r.name = OneLine(name, "</name>", report);
  r.telOffice = OneLine(r.telOffice, "</Tel>", report);
  r.telHome = OneLine(r.telHome, "</Tel>", report);
  r.telHandset = OneLine(r.telHandset, "</Tel>", report);
  r.telBP = OneLine(r.telBP, "</Tel>", report);
  r.email = OneLine(r.email, "</email>", report);
  r.email2 = OneLine(r.email2, "</email>", report);
  r.companyweb = OneLine(r.companyweb, "</companyweb>", report);
  r.homepage = OneLine(r.homepage, "</homepage>", report);
  r.oicq = OneLine(r.oicq, "</oicq>", report);
  r.icq = OneLine(r.icq, "</icq>", report);
  r.address = OneLine(r.address, "</address>", report);
  r.postnumber = OneLine(r.postnumber, "</postnumber>", report);
  r.note = CrLf(WithoutControls(note));
  if (GuardClosingTag(r.note, "</note>")) ++report.closingTags;

  report.photos += draft.photos;
  report.keys += draft.keys;
  report.replacedChars += draft.replacedChars;
  report.unknownCharsets += draft.unknownCharsets;
  record = std::move(r);
  return true;
}

}  // namespace pim
