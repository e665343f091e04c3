// Contacts for the import and export tests: one with every field set, and generated ones
// with text beyond GBK, markup, separators, escapes and long lines.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "base/gb18030.h"
#include "exchange/contact_draft.h"
#include "xmldoc/xml.h"

namespace pim::test {

inline const std::string kJi = "\x95\x34\xB2\x35";  // 𠮷, beyond GBK

// The fields in their order: name, class, sex, the birthday, the four telephones, two e-mails,
// two web pages, QQ, ICQ, address, post code and note.
inline ComuRecord SampleContact() {
  // clang-format off
  return {Gb("钱七") + kJi, 4, 0, "1990", 0, 30, "1", "2", "3", "4", "a@b.c", "d@e.f",
          "http://w/a,b", "http://h", "5", "6", Gb("路\"1\"号;\\"), "100080", Gb("两行\r\n备注")};
  // clang-format on
}

// A contact's fields as "field=value; ...": name, class_, sex and the birthday (year/month/day,
// the month and day as list indexes) always, the other fields when set.
inline std::string Fields(const ComuRecord& c) {
  std::string out = "name=" + c.name + "; class_=" + std::to_string(c.class_) +
                    "; sex=" + std::to_string(c.sex) + "; birthday=" + c.birthYear + "/" +
                    std::to_string(c.birthMonth) + "/" + std::to_string(c.birthDay);
  const std::pair<const char*, std::string ComuRecord::*> texts[] = {
      {"telOffice", &ComuRecord::telOffice},
      {"telHome", &ComuRecord::telHome},
      {"telHandset", &ComuRecord::telHandset},
      {"telBP", &ComuRecord::telBP},
      {"email", &ComuRecord::email},
      {"email2", &ComuRecord::email2},
      {"companyweb", &ComuRecord::companyweb},
      {"homepage", &ComuRecord::homepage},
      {"oicq", &ComuRecord::oicq},
      {"icq", &ComuRecord::icq},
      {"address", &ComuRecord::address},
      {"postnumber", &ComuRecord::postnumber},
      {"note", &ComuRecord::note}};
  for (const auto& [label, field] : texts)
    if (!(c.*field).empty()) out += std::string("; ") + label + "=" + c.*field;
  return out;
}

// Values as an import gives them: trimmed, one-line fields without line breaks, and the
// second e-mail only beside a first.
inline std::vector<ComuRecord> GeneratedContacts(int n, unsigned seed) {
  std::mt19937 random(seed);
  const std::vector<std::string> pieces = {Gb("张"),
                                           Gb("欧阳"),
                                           kJi,
                                           "\x94\x39\xFC\x36" /* 😀 */,
                                           "\x83\x36\x84\x33" /* 한 */,
                                           "Ann",
                                           ",",
                                           ";",
                                           "\\",
                                           "<b>&\"'",
                                           Gb("，"),
                                           " ",
                                           Gb("长长长长长长长长长长长长")};
  const auto text = [&](int words) {
    std::string t;
    for (int i = 0; i < words; ++i) t += pieces[random() % pieces.size()];
    return std::string(TrimText(t));
  };
  const auto maybe = [&](std::string value) { return random() % 4 ? value : std::string(); };
  std::vector<ComuRecord> out;
  for (int i = 0; i < n; ++i) {
    ComuRecord c;
    c.name = text(3) + std::to_string(i);
    c.class_ = static_cast<int>(random() % 10) - 1;
    c.sex = static_cast<int>(random() % 2);
    const unsigned year = random() % 3;
    c.birthYear = year == 0 ? "" : year == 1 ? std::to_string(1900 + random() % 120) : "80";
    c.birthMonth = static_cast<int>(random() % 13) - 1;
    c.birthDay = static_cast<int>(random() % 32) - 1;
    c.telOffice = maybe("010-" + std::to_string(random() % 10000000));
    c.telHome = maybe(std::to_string(random()));
    c.telHandset = maybe("+86 1" + std::to_string(random() % 1000000000));
    c.telBP = maybe(std::to_string(random() % 100000));
    c.email = maybe("u" + std::to_string(i) + "@example.cn");
    c.email2 = c.email.empty() ? "" : maybe("v" + std::to_string(i) + "@example.org");
    c.companyweb = maybe("http://c" + std::to_string(i) + ".example/a,b;c");
    c.homepage = maybe("https://h.example/" + text(1));
    c.oicq = maybe(std::to_string(random() % 1000000000));
    c.icq = maybe(std::to_string(random() % 1000000000));
    c.address = maybe(text(5));
    c.postnumber = maybe(std::to_string(100000 + random() % 900000));
    c.note = maybe(text(4) + "x\r\n" + text(2) + "\r\n\r\n" + text(8));
    out.push_back(c);
  }
  return out;
}

}  // namespace pim::test
