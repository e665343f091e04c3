// Reading vCards: content lines (exchange/vcard_lines.h) are grouped into cards, and each
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
#include "exchange/vcard_lines.h"

namespace pim {

namespace {

// The content lines' own helpers.
using namespace vcard;

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
    const bool isCard = boundary && EqualsNoCase(TrimText(p.value), "VCARD");
    if (p.name == "BEGIN" && isCard) {
      if (depth_ > 0 && lastName_ == "AGENT") {
        ++depth_;  // version 2.1's card inside a card: not a contact of its own
      } else {
        if (depth_ > 0) Finish();  // the previous card lost its END line
        depth_ = 1;
        ++position_;
        lines_.clear();
        lastName_.clear();
      }
    } else if (p.name == "END" && isCard) {
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
