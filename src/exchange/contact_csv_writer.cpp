#include <algorithm>

#include "base/gbk.h"
#include "exchange/charsets.h"
#include "exchange/contact_csv.h"
#include "exchange/contact_draft.h"
#include "exchange/csv.h"

namespace pim {

namespace {

std::string TwoDigits(int n) { return std::string(1, char('0' + n / 10)) + char('0' + n % 10); }

// The birthday as Google writes it (1980-03-15, --03-15 without a year), which our reader and
// spreadsheets both take. A year that is not digits has no place here. A year that form cannot
// carry (short, or beside a day without its month) goes in all three parts, "00" for the one
// missing, which our reader takes back as it was.
std::string CsvBirthday(const ComuRecord& c) {
  std::string year(TrimText(c.birthYear));
  if (year.size() > 4 ||
      !std::all_of(year.begin(), year.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
    year.clear();
  const bool month = c.birthMonth >= 0 && c.birthMonth < 12;
  const bool day = c.birthDay >= 0 && c.birthDay < 31;
  const std::string mm = month ? TwoDigits(c.birthMonth + 1) : "00";
  const std::string dd = day ? TwoDigits(c.birthDay + 1) : "00";
  if (year.empty()) {
    if (month) return "--" + mm + (day ? "-" + dd : "");
    return day ? "---" + dd : "";
  }
  if (year.size() == 4 && !day) return month ? year + "-" + mm : year;
  return year + "-" + mm + "-" + dd;
}

std::string Category(const ComuRecord& c) {
  return c.class_ >= 0 && c.class_ < static_cast<int>(kContactCategories.size())
             ? kContactCategories[c.class_]
             : "";
}

// A value with its label, or two empty cells.
void Labelled(std::vector<std::string>& row, const char* label, const std::string& value) {
  row.push_back(value.empty() ? "" : label);
  row.push_back(value);
}

constexpr const char* kGoogleHeader =
    "First Name,Middle Name,Last Name,Birthday,Gender,Notes,Labels,"
    "E-mail 1 - Label,E-mail 1 - Value,E-mail 2 - Label,E-mail 2 - Value,"
    "Phone 1 - Label,Phone 1 - Value,Phone 2 - Label,Phone 2 - Value,"
    "Phone 3 - Label,Phone 3 - Value,Phone 4 - Label,Phone 4 - Value,"
    "Address 1 - Label,Address 1 - Street,Address 1 - Postal Code,"
    "Website 1 - Label,Website 1 - Value,Website 2 - Label,Website 2 - Value,"
    "IM 1 - Label,IM 1 - Service,IM 1 - Value,IM 2 - Label,IM 2 - Service,IM 2 - Value";

std::vector<std::string> GoogleRow(const ComuRecord& c) {
  std::vector<std::string> row = {c.name, "",         "", CsvBirthday(c), c.sex ? "male" : "female",
                                  c.note, Category(c)};
  Labelled(row, "Other", c.email);
  Labelled(row, "Other", c.email2);
  Labelled(row, "Work", c.telOffice);
  Labelled(row, "Home", c.telHome);
  Labelled(row, "Mobile", c.telHandset);
  Labelled(row, "Pager", c.telBP);
  row.push_back(c.address.empty() && c.postnumber.empty() ? "" : "Home");
  row.push_back(c.address);
  row.push_back(c.postnumber);
  Labelled(row, "Work", c.companyweb);
  Labelled(row, "Home Page", c.homepage);
  for (const auto& [service, value] : {std::pair{"QQ", &c.oicq}, std::pair{"ICQ", &c.icq}}) {
    row.push_back(value->empty() ? "" : "Other");
    row.push_back(value->empty() ? "" : service);
    row.push_back(*value);
  }
  return row;
}

// Outlook's own columns, with two of ours at the end for what Outlook has no column for.
constexpr const char* kOutlookHeader =
    "First Name,Middle Name,Last Name,Business Phone,Home Phone,Mobile Phone,Pager,"
    "E-mail Address,E-mail 2 Address,Web Page,Personal Web Page,Home Street,"
    "Home Postal Code,Birthday,Gender,Categories,Notes,QQ,ICQ";

std::vector<std::string> OutlookRow(const ComuRecord& c) {
  return {c.name,       "",        "",           c.telOffice,    c.telHome,
          c.telHandset, c.telBP,   c.email,      c.email2,       c.companyweb,
          c.homepage,   c.address, c.postnumber, CsvBirthday(c), c.sex ? "Male" : "Female",
          Category(c),  c.note,    c.oicq,       c.icq};
}

}  // namespace

std::vector<size_t> ContactsBeyondGbk(std::span<const ComuRecord> contacts) {
  std::vector<size_t> found;
  for (size_t i = 0; i < contacts.size(); ++i) {
    const ComuRecord& c = contacts[i];
    for (const std::string* s : {&c.name, &c.birthYear, &c.telOffice, &c.telHome, &c.telHandset,
                                 &c.telBP, &c.email, &c.email2, &c.companyweb, &c.homepage, &c.oicq,
                                 &c.icq, &c.address, &c.postnumber, &c.note}) {
      if (BeyondGbk(*s)) {
        found.push_back(i);
        break;
      }
    }
  }
  return found;
}

std::string WriteContactsCsv(std::span<const ComuRecord> contacts, CsvLayout layout,
                             CsvEncoding encoding) {
  std::string text = layout == CsvLayout::Google ? kGoogleHeader : kOutlookHeader;
  text += "\r\n";
  for (const ComuRecord& c : contacts) {
    const std::vector<std::string> row = layout == CsvLayout::Google ? GoogleRow(c) : OutlookRow(c);
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0) text.push_back(',');
      AppendCsvField(text, row[i]);
    }
    text += "\r\n";
  }
  if (encoding == CsvEncoding::Gbk) return GbkOnly(text);
  std::string out = "\xEF\xBB\xBF";
  AppendUtf8FromText(out, text);
  return out;
}

}  // namespace pim
