#include <algorithm>

#include "base/gbk.h"
#include "exchange/charsets.h"
#include "exchange/contact_draft.h"
#include "exchange/vcard.h"

namespace pim {

namespace {

constexpr size_t kFoldAt = 75;  // octets of a line, CR LF not counted

// Text escaped as vCard 3.0 wants it, in UTF-8. ASCII bytes never stand inside a UTF-8
// sequence, so escaping after the conversion is safe.
std::string Escaped(std::string_view text) {
  const std::string utf8 = Utf8FromText(text);
  std::string out;
  out.reserve(utf8.size() + 8);
  for (size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == '\\' || c == ',' || c == ';') {
      out.push_back('\\');
      out.push_back(c);
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
      out += "\\n";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Appends one content line folded at 75 octets: a continuation line starts with a blank,
// and no line ends inside a character.
void Put(std::string& out, std::string_view line) {
  size_t room = kFoldAt;
  while (line.size() > room) {
    size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    out.append(line.substr(0, cut));
    out += "\r\n ";
    line.remove_prefix(cut);
    room = kFoldAt - 1;
  }
  out.append(line);
  out += "\r\n";
}

void PutValue(std::string& out, std::string_view property, std::string_view value) {
  if (value.empty()) return;
  Put(out, std::string(property) + ":" + Escaped(value));
}

bool IsDigits(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string TwoDigits(int n) { return std::string(1, char('0' + n / 10)) + char('0' + n % 10); }

// The structured name: for a name in Latin letters the last word is the family name; any
// other name stays whole as the family name, since only the user knows where it splits.
std::string StructuredName(std::string_view name) {
  const size_t space = name.rfind(' ');
  bool latin = true;
  for (char c : name) latin = latin && static_cast<unsigned char>(c) < 0x80;
  if (!latin || space == std::string_view::npos) return Escaped(name) + ";;;;";
  return Escaped(name.substr(space + 1)) + ";" + Escaped(TrimText(name.substr(0, space))) + ";;;";
}

void PutBirthday(std::string& out, const ComuRecord& c) {
  const std::string year(TrimText(c.birthYear));
  // Year 0000 is read as none: it too goes on a property of its own.
  const bool fullYear = year.size() == 4 && IsDigits(year) && year != "0000";
  const bool month = c.birthMonth >= 0 && c.birthMonth < 12;
  const bool day = c.birthDay >= 0 && c.birthDay < 31;
  const std::string mm = month ? TwoDigits(c.birthMonth + 1) : "";
  const std::string dd = day ? TwoDigits(c.birthDay + 1) : "";
  std::string date;
  bool yearInDate = fullYear;
  if (month && day)
    date = fullYear ? year + "-" + mm + "-" + dd : "--" + mm + dd;
  else if (month)
    date = fullYear ? year + "-" + mm : "--" + mm;
  else if (day)
    date = "---" + dd, yearInDate = false;
  else if (fullYear)
    date = year;
  if (!date.empty()) Put(out, "BDAY:" + date);
  // A year the date cannot carry (not four digits, or beside a day without its month).
  if (!year.empty() && !yearInDate) PutValue(out, "X-PIMBREL-BIRTH-YEAR", year);
}

}  // namespace

std::string WriteVCards(std::span<const ComuRecord> contacts) {
  std::string out;
  out.reserve(contacts.size() * 400);
  for (const ComuRecord& c : contacts) {
    out += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    Put(out, "FN:" + Escaped(c.name));
    Put(out, "N:" + StructuredName(c.name));
    out += c.sex ? "X-GENDER:Male\r\n" : "X-GENDER:Female\r\n";
    PutBirthday(out, c);
    PutValue(out, "TEL;TYPE=WORK,VOICE", c.telOffice);
    PutValue(out, "TEL;TYPE=HOME,VOICE", c.telHome);
    PutValue(out, "TEL;TYPE=CELL", c.telHandset);
    PutValue(out, "TEL;TYPE=PAGER", c.telBP);
    PutValue(out, "EMAIL;TYPE=INTERNET,PREF", c.email);
    PutValue(out, "EMAIL;TYPE=INTERNET", c.email2);
    PutValue(out, "URL;TYPE=WORK", c.companyweb);
    PutValue(out, "URL;TYPE=HOME", c.homepage);
    PutValue(out, "X-QQ", c.oicq);
    PutValue(out, "X-ICQ", c.icq);
    if (!c.address.empty() || !c.postnumber.empty())
      Put(out, "ADR;TYPE=HOME:;;" + Escaped(c.address) + ";;;" + Escaped(c.postnumber) + ";");
    if (c.class_ >= 0 && c.class_ < static_cast<int>(kContactCategories.size()))
      PutValue(out, "CATEGORIES", kContactCategories[c.class_]);
    PutValue(out, "NOTE", c.note);
    out += "END:VCARD\r\n";
  }
  return out;
}

}  // namespace pim
