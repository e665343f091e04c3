// Writes generated contacts as a vCard file and, beside it, their fields as JSON, so an
// independent reader can be set against our writer (tests/vcard_check.py).
//   pimbrel_vcard_tool OUT.vcf OUT.json COUNT
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "base/gb18030.h"
#include "exchange/charsets.h"
#include "exchange/vcard.h"

namespace {

using pim::ComuRecord;

std::string Json(const std::string& text) {
  const std::string utf8 = pim::Utf8FromText(text);
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::vector<ComuRecord> Generate(int n) {
  std::mt19937 random(42);
  const std::vector<std::string> pieces = {pim::Gb("张"),
                                           pim::Gb("诸葛"),
                                           "\x95\x34\xB2\x35",
                                           "\x94\x39\xFC\x36",
                                           "\x83\x36\x84\x33",
                                           "Zoe",
                                           ",",
                                           ";",
                                           "\\",
                                           "&<>",
                                           pim::Gb("、"),
                                           "x",
                                           pim::Gb("长长长长长长长长长长")};
  const auto text = [&](int words) {
    std::string t;
    for (int i = 0; i < words; ++i) t += pieces[random() % pieces.size()];
    return t;
  };
  const auto maybe = [&](const std::string& value) { return random() % 3 ? value : ""; };
  std::vector<ComuRecord> contacts;
  for (int i = 0; i < n; ++i) {
    ComuRecord c;
    c.name = text(2) + std::to_string(i);
    c.class_ = static_cast<int>(random() % 10) - 1;
    c.sex = static_cast<int>(random() % 2);
    c.birthYear = random() % 2 ? std::to_string(1950 + random() % 60) : "";
    c.birthMonth = static_cast<int>(random() % 13) - 1;
    c.birthDay = static_cast<int>(random() % 32) - 1;
    c.telOffice = maybe("010-" + std::to_string(random() % 100000000));
    c.telHome = maybe("0" + std::to_string(random()));
    c.telHandset = maybe("+86 13" + std::to_string(random() % 1000000000));
    c.telBP = maybe(std::to_string(random() % 1000000));
    c.email = maybe("a" + std::to_string(i) + "@example.cn");
    c.email2 = c.email.empty() ? "" : maybe("b" + std::to_string(i) + "@example.org");
    c.companyweb = maybe("http://c.example/" + text(1));
    c.homepage = maybe("https://h.example/?q=a,b;c");
    c.oicq = maybe(std::to_string(10000 + random() % 1000000000));
    c.icq = maybe(std::to_string(random() % 1000000000));
    c.address = maybe(text(6));
    c.postnumber = maybe(std::to_string(100000 + random() % 900000));
    c.note = maybe(text(8) + "\r\n" + text(3) + "\r\n\r\n" + text(20));
    contacts.push_back(c);
  }
  return contacts;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const std::vector<ComuRecord> contacts = Generate(std::atoi(argv[3]));
  std::ofstream(argv[1], std::ios::binary) << pim::WriteVCards(contacts);
  std::ofstream json(argv[2], std::ios::binary);
  json << "[\n";
  for (size_t i = 0; i < contacts.size(); ++i) {
    const ComuRecord& c = contacts[i];
    const std::string category =
        c.class_ >= 0 && c.class_ < 9 ? pim::kContactCategories[c.class_] : "";
    json << "{\"name\":" << Json(c.name) << ",\"category\":" << Json(category)
         << ",\"sex\":" << c.sex << ",\"year\":" << Json(c.birthYear)
         << ",\"month\":" << c.birthMonth << ",\"day\":" << c.birthDay
         << ",\"office\":" << Json(c.telOffice) << ",\"home\":" << Json(c.telHome)
         << ",\"handset\":" << Json(c.telHandset) << ",\"pager\":" << Json(c.telBP)
         << ",\"email\":" << Json(c.email) << ",\"email2\":" << Json(c.email2)
         << ",\"companyweb\":" << Json(c.companyweb) << ",\"homepage\":" << Json(c.homepage)
         << ",\"qq\":" << Json(c.oicq) << ",\"icq\":" << Json(c.icq)
         << ",\"address\":" << Json(c.address) << ",\"postnumber\":" << Json(c.postnumber)
         << ",\"note\":" << Json(c.note) << "}" << (i + 1 < contacts.size() ? ",\n" : "\n");
  }
  json << "]\n";
  return json.good() ? 0 : 1;
}
