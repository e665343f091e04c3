// Writes generated contacts as a vCard file and, beside it, their fields as JSON, so an
// independent reader can be set against our writer (tests/vcard_check.py).
//   pimbrel_vcard_tool OUT.vcf OUT.json COUNT
#include <fstream>

#include "base/gbk.h"
#include "exchange/charsets.h"
#include "exchange/vcard.h"
#include "exchange_samples.h"

namespace {

using pim::ComuRecord;

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : pim::Utf8FromText(text))
    out += c == '"' || c == '\\' ? std::string{'\\', static_cast<char>(c)}
           : c < 0x20            ? pim::Format("\\u%04x", c)
                                 : std::string(1, static_cast<char>(c));
  return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const std::vector<ComuRecord> contacts = pim::test::GeneratedContacts(std::atoi(argv[3]), 42);
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
