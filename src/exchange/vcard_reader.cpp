// Reading vCards: physical lines are joined into content lines (folding, quoted-printable
// soft breaks, version 2.1's unfolded base64), content lines are grouped into cards, and each
// card's properties become a draft that the shared mapping turns into a record.
#include <algorithm>
#include <map>
#include <unordered_set>
#include <utility>

#include "base/gb18030.h"
#include "base/gbk.h"
#include "exchange/charsets.h"
#include "exchange/contact_draft.h"
#include "exchange/vcard.h"

namespace pim {

namespace {

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return u;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
    const char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

// Names and parameters are ASCII; a byte beyond it there would break the remark's text.
std::string Printable(std::string_view s) {
  std::string out;
  for (char c : s) out.push_back(c > 0x20 && c < 0x7F ? c : '?');
  return out;
}

// One content line: "group.NAME;param=value,...;bare:value".
struct Property {
  std::string group, name;         // name in upper case
  std::vector<std::string> types;  // TYPE values and version 2.1's bare words, upper case
  std::string charset, encoding, omitYear, serviceType, valueType;
  bool hasOmitYear = false;
  int pref = 101;
  std::string value;  // as in the file, unfolded
};

bool IsMedia(std::string_view name) {
  return name == "PHOTO" || name == "LOGO" || name == "SOUND" || name == "X-MS-CARDPICTURE" ||
         name == "KEY";
}

// Where the header ends: the first ":" outside double quotes, or npos.
size_t HeaderEnd(std::string_view line) {
  // Most lines of a picture have no colon at all.
  if (line.find(':') == std::string_view::npos) return std::string_view::npos;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ':' && !quoted) return i;
  }
  return std::string_view::npos;
}

// Splits at `by` outside double quotes.
std::vector<std::string_view> SplitOutsideQuotes(std::string_view s, char by) {
  std::vector<std::string_view> parts;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') quoted = !quoted;
    if (s[i] == by && !quoted) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(s.substr(start));
  return parts;
}

std::string_view Unquote(std::string_view v) {
  while (!v.empty() && (v.front() == ' ' || v.front() == '"')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '"')) v.remove_suffix(1);
  return v;
}

Property ParseHeader(std::string_view header) {
  Property p;
  const std::vector<std::string_view> pieces = SplitOutsideQuotes(header, ';');
  std::string_view name = pieces[0];
  if (const size_t dot = name.rfind('.'); dot != std::string_view::npos) {
    p.group = Upper(name.substr(0, dot));
    name.remove_prefix(dot + 1);
  }
  p.name = Upper(Unquote(name));
  for (size_t i = 1; i < pieces.size(); ++i) {
    const size_t eq = pieces[i].find('=');
    const std::string key = Upper(Unquote(pieces[i].substr(0, eq)));
    if (eq == std::string_view::npos) {
      // Version 2.1 names types and encodings bare.
      if (key == "QUOTED-PRINTABLE" || key == "BASE64" || key == "B")
        p.encoding = key;
      else if (key == "PREF")
        p.pref = 1;
      else
        p.types.push_back(key);
      continue;
    }
    const std::string_view value = pieces[i].substr(eq + 1);
    if (key == "CHARSET") {
      p.charset = Unquote(value);
    } else if (key == "ENCODING") {
      p.encoding = Upper(Unquote(value));
    } else if (key == "VALUE") {
      p.valueType = Upper(Unquote(value));
    } else if (key == "X-APPLE-OMIT-YEAR") {
      p.omitYear = Unquote(value);
      p.hasOmitYear = true;
    } else if (key == "X-SERVICE-TYPE" || key == "SERVICE-TYPE") {
      p.serviceType = Printable(Upper(Unquote(value)));
    } else if (key == "PREF") {
      int pref = 0;
      for (char c : Unquote(value))
        if (c >= '0' && c <= '9' && pref < 1000) pref = pref * 10 + (c - '0');
      p.pref = pref > 0 ? pref : 1;
    } else if (key == "TYPE") {
      for (std::string_view t : SplitOutsideQuotes(Unquote(value), ',')) {
        const std::string type = Upper(Unquote(t));
        if (type == "PREF")
          p.pref = std::min(p.pref, 1);
        else if (!type.empty())
          p.types.push_back(type);
      }
    }
  }
  return p;
}

bool IsQuotedPrintable(const Property& p) { return p.encoding == "QUOTED-PRINTABLE"; }
bool IsBase64(const Property& p) { return p.encoding == "BASE64" || p.encoding == "B"; }

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string DecodeQuotedPrintable(std::string_view s) {
  std::string out(s.size(), '\0');
  char* p = out.data();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '=' && i + 2 < s.size() && Hex(s[i + 1]) >= 0 && Hex(s[i + 2]) >= 0) {
      *p++ = static_cast<char>(Hex(s[i + 1]) * 16 + Hex(s[i + 2]));
      i += 2;
    } else if (s[i] == '=' && i + 1 == s.size()) {
      break;  // a soft break that ended the value
    } else {
      *p++ = s[i];
    }
  }
  out.resize(static_cast<size_t>(p - out.data()));
  return out;
}

std::string DecodeBase64(std::string_view s) {
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (char c : s) {
    int v = c >= 'A' && c <= 'Z'   ? c - 'A'
            : c >= 'a' && c <= 'z' ? c - 'a' + 26
            : c >= '0' && c <= '9' ? c - '0' + 52
            : c == '+'             ? 62
            : c == '/'             ? 63
                                   : -1;
    if (c == '=') break;
    if (v < 0) continue;
    bits = (bits << 6) | static_cast<unsigned>(v);
    if ((count += 6) >= 8) {
      count -= 8;
      out.push_back(static_cast<char>((bits >> count) & 0xFF));
    }
  }
  return out;
}

// Splits decoded text at unescaped `by`, stepping over two-byte characters (a trailing byte
// may be 0x5C, which is "\" only when it stands alone).
std::vector<std::string> SplitEscaped(std::string_view text, char by) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < text.size();) {
    const size_t size = GbCharSize(text, i);
    if (size == 1 && text[i] == '\\' && i + 1 < text.size()) {
      const size_t next = GbCharSize(text, i + 1);
      parts.back().append(text.substr(i, 1 + next));
      i += 1 + next;
      continue;
    }
    if (size == 1 && text[i] == by)
      parts.emplace_back();
    else
      parts.back().append(text.substr(i, size));
    i += size;
  }
  return parts;
}

// Backslash escapes: vCard 3.0 and 4.0 have \n \\ \, \; (and in practice \: and \"); 2.1
// escapes only the separators, so its other backslashes are text.
std::string Unescape(std::string_view text, bool v21) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t size = GbCharSize(text, i);
    if (size == 1 && text[i] == '\\' && i + 1 < text.size() && GbCharSize(text, i + 1) == 1) {
      const char c = text[i + 1];
      const bool separator = c == ';' || c == ',' || c == '\\';
      if (!v21 && (c == 'n' || c == 'N')) {
        out += "\r\n";
        i += 2;
        continue;
      }
      if (separator || (!v21 && (c == ':' || c == '"'))) {
        out.push_back(c);
        i += 2;
        continue;
      }
    }
    out.append(text.substr(i, size));
    i += size;
  }
  return out;
}

// Apple's labels name a kind in "_$!<Mobile>!$_"; other labels are the user's own.
std::string AppleLabel(std::string_view label) {
  if (label.starts_with("_$!<") && label.ends_with(">!$_") && label.size() >= 8)
    return std::string(label.substr(4, label.size() - 8));
  return std::string(label);
}

unsigned TypesOf(const std::vector<std::string>& types, std::string_view label) {
  unsigned t = 0;
  for (const std::string& type : types) {
    if (type == "WORK") t |= kTypeWork;
    if (type == "HOME") t |= kTypeHome;
    if (type == "CELL" || type == "MOBILE" || type == "IPHONE") t |= kTypeCell;
    if (type == "PAGER") t |= kTypePager;
    if (type == "FAX") t |= kTypeFax;
  }
  const std::string l = Upper(label);
  if (l == "MOBILE" || l == "IPHONE") t |= kTypeCell;
  if (l == "HOMEPAGE") t |= kTypeHome;
  if (l == "PAGER") t |= kTypePager;
  if (l == "HOMEFAX") t |= kTypeHome | kTypeFax;
  if (l == "WORKFAX") t |= kTypeWork | kTypeFax;
  return t;
}

// Labels of the extra lines, by property name.
const std::map<std::string, const char*, std::less<>>& ExtraLabels() {
  static const std::map<std::string, const char*, std::less<>> labels = {
      {"ORG", "单位"},
      {"TITLE", "职务"},
      {"ROLE", "角色"},
      {"NICKNAME", "昵称"},
      {"ANNIVERSARY", "纪念日"},
      {"X-ANNIVERSARY", "纪念日"},
      {"X-MS-ANNIVERSARY", "纪念日"},
      {"X-EVOLUTION-ANNIVERSARY", "纪念日"},
      {"X-SPOUSE", "配偶"},
      {"X-EVOLUTION-SPOUSE", "配偶"},
      {"X-MS-SPOUSE", "配偶"},
      {"X-ASSISTANT", "助理"},
      {"X-EVOLUTION-ASSISTANT", "助理"},
      {"X-MANAGER", "经理"},
      {"X-EVOLUTION-MANAGER", "经理"},
      {"RELATED", "相关人"},
      {"X-ABRELATEDNAMES", "相关人"},
      {"X-ABDATE", "日期"},
      {"X-PHONETIC-FIRST-NAME", "读音"},
      {"X-PHONETIC-MIDDLE-NAME", "读音"},
      {"X-PHONETIC-LAST-NAME", "读音"},
      {"X-MS-IMADDRESS", "即时通讯"},
  };
  return labels;
}

// Bookkeeping of the writing programs: no one typed these.
bool IsBookkeeping(std::string_view name) {
  static const std::unordered_set<std::string_view> kNames = {
      "VERSION",
      "PRODID",
      "REV",
      "UID",
      "SORT-STRING",
      "CLIENTPIDMAP",
      "KIND",
      "PROFILE",
      "NAME",
      "SOURCE",
      "MAILER",
      "AGENT",
      "CLASS",
      "TZ",
      "GEO",
      "LANG",
      "XML",
      "X-ABUID",
      "X-ABLABEL",
      "X-ABADR",
      "X-ABSHOWAS",
      "X-MS-OL-DEFAULT-POSTAL-ADDRESS",
      "X-MS-OL-DESIGN",
      "X-EVOLUTION-FILE-AS",
      "X-IRMC-LUID",
      "BEGIN",
      "END",
  };
  return kNames.count(name) || name.starts_with("X-COUCHDB-") ||
         name.starts_with("X-EVOLUTION-LIST") || name.starts_with("X-MOZILLA-");
}

// Messenger properties other than QQ and ICQ; the label is their service.
std::string MessengerOf(std::string_view name) {
  static const char* const kNames[] = {
      "X-AIM",     "X-MSN",         "X-YAHOO",          "X-JABBER",   "X-SKYPE",
      "X-GTALK",   "X-GOOGLE-TALK", "X-SKYPE-USERNAME", "X-GADUGADU", "X-GROUPWISE",
      "X-TWITTER", "X-WECHAT",      "X-WEIXIN"};
  for (const char* known : kNames)
    if (name == known) return std::string(name.substr(2));
  return {};
}

class CardReader {
 public:
  CardReader(bool fileUtf8, bool fileIsText, ContactImport& report)
      : fileUtf8_(fileUtf8), fileIsText_(fileIsText), report_(report) {}

  // A whole content line.
  void Take(std::string_view line) {
    const size_t colon = HeaderEnd(line);
    if (colon == std::string_view::npos) return;
    Property p = ParseHeader(line.substr(0, colon));
    p.value = line.substr(colon + 1);
    const bool boundary = p.name == "BEGIN" || p.name == "END";
    const bool vcard = boundary && EqualsNoCase(TrimText(p.value), "VCARD");
    if (p.name == "BEGIN" && vcard) {
      if (depth_ > 0 && lastName_ == "AGENT") {
        ++depth_;  // version 2.1's card inside a card: not a contact of its own
      } else {
        if (depth_ > 0) Finish();  // the previous card lost its END line
        depth_ = 1;
        ++position_;
        lines_.clear();
        lastName_.clear();
      }
    } else if (p.name == "END" && vcard) {
      if (depth_ == 1) Finish();
      if (depth_ > 0) --depth_;
    } else if (depth_ == 1) {
      lastName_ = p.name;
      lines_.push_back(std::move(p));
    }
  }

  // The end of the file: a card still open was cut.
  void End() {
    if (depth_ > 0) report_.skipped.push_back({position_, SkipReason::Unterminated});
    depth_ = 0;
  }

  int cards() const { return position_; }

 private:
  void Finish() {
    depth_ = 0;
    ContactDraft draft;
    std::string yearText;
    bool v21 = false;
    for (const Property& p : lines_)
      if (p.name == "VERSION") v21 = TrimText(p.value) == "2.1";
    std::map<std::string, std::string> groupLabels;
    for (const Property& p : lines_)
      if (p.name == "X-ABLABEL" && !p.group.empty())
        groupLabels[p.group] = AppleLabel(Decode(p, draft));
    for (const Property& p : lines_) {
      const auto label = groupLabels.find(p.group);
      Add(p, p.group.empty() || label == groupLabels.end() ? std::string() : label->second, v21,
          draft, yearText);
    }
    ComuRecord record;
    if (!MapDraft(draft, record, report_)) {
      report_.skipped.push_back({position_, SkipReason::NoName});
      return;
    }
    if (record.birthYear.empty() && !yearText.empty()) {
      // A year other programs cannot read, kept for ourselves; its line must stay readable.
      for (char c : TrimText(yearText))
        if (c != '-' && c != '\r' && c != '\n' && c != '<') record.birthYear.push_back(c);
    }
    report_.contacts.push_back(std::move(record));
  }

  // The value's bytes, decoded from its transfer encoding and character set.
  std::string Decode(const Property& p, ContactDraft& draft) {
    const bool transferred = IsQuotedPrintable(p) || IsBase64(p);
    std::string bytes = IsQuotedPrintable(p) ? DecodeQuotedPrintable(p.value)
                        : IsBase64(p)        ? DecodeBase64(p.value)
                                             : p.value;
    if (fileIsText_ && !transferred) return bytes;  // a UTF-16 file, already byte text
    Charset charset = Charset::Gbk;
    if (!p.charset.empty()) {
      charset = CharsetByName(p.charset);
      if (charset == Charset::Unknown) ++draft.unknownCharsets;
    } else if (fileUtf8_ && IsUtf8(bytes)) {
      charset = Charset::Utf8;
    }
    std::string text;
    draft.replacedChars += static_cast<int>(AppendDecoded(text, bytes, charset));
    return text;
  }

  void Add(const Property& p, const std::string& groupLabel, bool v21, ContactDraft& draft,
           std::string& yearText) {
    const std::string& n = p.name;
    if (IsMedia(n)) {
      ++(n == "KEY" ? draft.keys : draft.photos);
      return;
    }
    if (IsBookkeeping(n)) return;
    const std::string text = Decode(p, draft);
    const auto one = [&] { return Unescape(text, v21); };
    const auto parts = [&](char by) {
      std::vector<std::string> out;
      for (const std::string& part : SplitEscaped(text, by)) out.push_back(Unescape(part, v21));
      return out;
    };
    const unsigned types = TypesOf(p.types, groupLabel);
    const auto add = [&](DraftItem::Kind kind, std::string value) -> DraftItem& {
      DraftItem& item = draft.Add(kind, std::move(value), types, groupLabel);
      item.pref = p.pref;
      return item;
    };
    if (n == "FN") {
      if (TrimText(draft.fullName).empty()) draft.fullName = one();
    } else if (n == "N") {
      const std::vector<std::string> name = parts(';');
      if (JoinName(draft.name).empty())
        for (size_t i = 0; i < draft.name.size() && i < name.size(); ++i) draft.name[i] = name[i];
    } else if (n == "TEL") {
      // vCard 4.0 may give a number as a URI.
      std::string number = one();
      if (p.valueType == "URI" && std::string_view(number).substr(0, 4) == "tel:")
        number.erase(0, 4);
      add(DraftItem::Tel, number);
    } else if (n == "EMAIL") {
      add(DraftItem::Email, one());
    } else if (n == "URL" || n == "X-EVOLUTION-BLOG-URL") {
      add(DraftItem::Url, one());
    } else if (n == "ADR") {
      std::vector<std::string> adr = parts(';');
      adr.resize(std::max<size_t>(adr.size(), 7));
      add(DraftItem::Adr, {}).parts = std::move(adr);
    } else if (n == "LABEL") {
      add(DraftItem::Label, one());
    } else if (n == "X-QQ") {
      add(DraftItem::Qq, one());
    } else if (n == "X-ICQ") {
      add(DraftItem::Icq, one());
    } else if (n == "IMPP") {
      std::string handle = one();
      std::string scheme;
      if (const size_t colon = handle.find(':'); colon != std::string::npos && colon < 12) {
        scheme = Upper(handle.substr(0, colon));
        handle.erase(0, colon + 1);
      }
      const std::string service = p.serviceType.empty() ? scheme : p.serviceType;
      if (service == "QQ") {
        add(DraftItem::Qq, handle);
      } else if (service == "ICQ") {
        add(DraftItem::Icq, handle);
      } else {
        draft.Add(DraftItem::Extra, handle, 0,
                  Gb("即时通讯") + (service.empty() ? "" : "(" + service + ")"));
      }
    } else if (!MessengerOf(n).empty()) {
      draft.Add(DraftItem::Extra, one(), 0, Gb("即时通讯") + "(" + MessengerOf(n) + ")");
    } else if (n == "BDAY") {
      const std::string date(TrimText(one()));
      DraftItem& item = add(DraftItem::Birthday, date);
      item.omitYear = p.hasOmitYear && (TrimText(p.omitYear).empty() ||
                                        date.starts_with(std::string(TrimText(p.omitYear))));
    } else if (n == "X-PIMBREL-BIRTH-YEAR") {
      yearText = one();
    } else if (n == "GENDER" || n == "X-GENDER") {
      add(DraftItem::Gender, parts(';')[0]);
    } else if (n == "X-WAB-GENDER") {
      const std::string_view v = TrimText(text);
      add(DraftItem::Gender, v == "1" ? "F" : v == "2" ? "M" : "");
    } else if (n == "CATEGORIES") {
      for (std::string& c : parts(',')) add(DraftItem::Category, std::move(c));
    } else if (n == "NOTE") {
      add(DraftItem::Note, one());
    } else if (n == "NICKNAME") {
      for (std::string& nick : parts(','))
        draft.Add(DraftItem::Extra, std::move(nick), 0, Gb("昵称"));
    } else if (n == "X-ANDROID-CUSTOM") {
      std::vector<std::string> v = parts(';');
      v.resize(std::max<size_t>(v.size(), 4));
      const std::string_view kind = v[0];
      if (kind.ends_with("/nickname"))
        draft.Add(DraftItem::Extra, v[1], 0, Gb("昵称"));
      else if (kind.ends_with("/contact_event"))
        draft.Add(DraftItem::Extra, v[1], 0, v[3].empty() ? Gb("纪念日") : v[3]);
      else if (kind.ends_with("/relation"))
        draft.Add(DraftItem::Extra, v[1], 0, Gb("相关人"));
      else
        draft.Add(DraftItem::Extra, Join(v), 0, Printable(n));
    } else if (const auto known = ExtraLabels().find(n); known != ExtraLabels().end()) {
      std::string label = Gb(known->second);
      if (!groupLabel.empty()) label += "(" + groupLabel + ")";
      draft.Add(DraftItem::Extra, n == "ORG" ? Join(parts(';')) : one(), 0, label);
    } else {
      draft.Add(DraftItem::Extra, one(), 0, Printable(n));
    }
  }

  static std::string Join(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& part : parts) {
      if (TrimText(part).empty()) continue;
      if (!out.empty()) out += ' ';
      out += TrimText(part);
    }
    return out;
  }

  bool fileUtf8_, fileIsText_;
  ContactImport& report_;
  std::vector<Property> lines_;
  std::string lastName_;
  int depth_ = 0;
  int position_ = 0;
};

bool IsCardBoundary(std::string_view line) {
  line = TrimText(line);
  return EqualsNoCase(line, "BEGIN:VCARD") || EqualsNoCase(line, "END:VCARD");
}

// Joins physical lines into content lines and hands each to `take`.
template <typename Take>
void ForEachContentLine(std::string_view bytes, Take take) {
  std::string line;
  bool active = false, headerDone = false, qp = false, base64 = false, media = false;
  const auto append = [&](std::string_view piece) {
    if (media) return;
    line.append(piece);
    if (headerDone) return;
    const size_t colon = HeaderEnd(line);
    if (colon == std::string::npos) return;
    headerDone = true;
    const Property p = ParseHeader(std::string_view(line).substr(0, colon));
    qp = IsQuotedPrintable(p);
    base64 = IsBase64(p);
    if (IsMedia(p.name)) {
      // A picture is only counted: its megabytes are never gathered.
      line.resize(colon + 1);
      media = true;
    }
  };
  const auto finish = [&] {
    if (active) take(std::string_view(line));
    line.clear();
    active = headerDone = qp = base64 = media = false;
  };
  size_t nextLf = std::min(bytes.find('\n'), bytes.size());
  for (size_t start = 0; start < bytes.size();) {
    // The next LF is kept, and a CR looked for only before it, so each byte is searched once
    // even in a file of CRs alone.
    if (nextLf < start) {
      nextLf = bytes.find('\n', start);
      if (nextLf == std::string_view::npos) nextLf = bytes.size();
    }
    size_t end = bytes.substr(start, nextLf - start).find('\r');
    end = end == std::string_view::npos ? nextLf : start + end;
    const std::string_view physical = bytes.substr(start, end - start);
    start = end;
    if (start < bytes.size() && bytes[start] == '\r') ++start;
    if (start < bytes.size() && bytes[start] == '\n' && (start == end || bytes[end] == '\r'))
      ++start;

    if (active) {
      const bool blank = !physical.empty() && (physical[0] == ' ' || physical[0] == '\t');
      if (qp && !media && !line.empty() && line.back() == '=' && !IsCardBoundary(physical)) {
        line.pop_back();  // a soft break: the value goes on
        append(blank ? physical.substr(1) : physical);
        continue;
      }
      if (blank) {
        append(physical.substr(1));
        continue;
      }
      if ((base64 || media) && !physical.empty() && HeaderEnd(physical) == std::string::npos) {
        append(physical);  // version 2.1's base64 goes on until a blank line
        continue;
      }
      finish();
    }
    if (physical.empty()) continue;
    active = true;
    append(physical);
  }
  finish();
}

}  // namespace

ContactImport ReadVCards(std::string_view bytes) {
  ContactImport report;
  if (bytes.size() > kMaxContactFileBytes) {
    report.error = ImportError::TooLarge;
    return report;
  }
  // A UTF-16 file (with its mark, or without one but plainly "BEGIN" in it) is turned into
  // byte text first; values that name a character set there are taken as they are.
  std::string converted;
  bool fileIsText = false;
  const auto starts = [&](std::string_view s) { return bytes.substr(0, s.size()) == s; };
  if (starts("\xFF\xFE") || starts("\xFE\xFF") || starts(std::string_view("B\0E\0", 4)) ||
      starts(std::string_view("\0B\0E", 4))) {
    const bool little = starts("\xFF\xFE") || starts(std::string_view("B\0", 2));
    const size_t mark = starts("\xFF\xFE") || starts("\xFE\xFF") ? 2 : 0;
    report.replacedChars += static_cast<int>(
        AppendDecoded(converted, bytes.substr(mark), little ? Charset::Utf16Le : Charset::Utf16Be));
    bytes = converted;
    fileIsText = true;
  } else if (starts("\xEF\xBB\xBF")) {
    bytes.remove_prefix(3);
  }
  CardReader reader(fileIsText || IsUtf8(bytes), fileIsText, report);
  ForEachContentLine(bytes, [&](std::string_view line) { reader.Take(line); });
  reader.End();
  if (reader.cards() == 0) report.error = ImportError::NotContacts;
  return report;
}

}  // namespace pim
