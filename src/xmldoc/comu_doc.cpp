#include "base/gbk.h"
#include "xmldoc/xml.h"

namespace pim {

// Unsorted, so that an index is the position in the panel's list.
const std::array<std::string, 9> kContactCategories = {
    Gb("朋友"), Gb("同事"), Gb("同学"), Gb("老师"), Gb("亲属"),
    Gb("领导"), Gb("下属"), Gb("伙伴"), Gb("其它"),
};

bool ComuRecord::WriteComu(std::string& out) const {
  out += "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n\r\n<comu>\r\n\t<name>";
  out += name;
  out += Format("</name>\r\n\t<class>%d</class>\r\n\t<sex>", class_);
  out += sex ? "male" : "female";
  out += "</sex>\r\n\t<birthday>";
  out += birthYear;
  out += Format("-%2d-%2d</birthday>", birthMonth, birthDay);
  const struct {
    const char* open;
    const char* close;
    const std::string& value;
  } fields[] = {
      {"\r\n\t<Tel class=\"Office\">", "</Tel>", telOffice},
      {"\r\n\t<Tel class=\"home\">", "</Tel>", telHome},
      {"\r\n\t<Tel class=\"handset\">", "</Tel>", telHandset},
      {"\r\n\t<Tel class=\"BP\">", "</Tel>", telBP},
      {"\r\n\t<email>", "</email>", email},
      {"\r\n\t<email>", "</email>", email2},
      {"\r\n\t<companyweb>", "</companyweb>", companyweb},
      {"\r\n\t<homepage>", "</homepage>", homepage},
      {"\r\n\t<oicq>", "</oicq>", oicq},
      {"\r\n\t<icq>", "</icq>", icq},
      {"\r\n\t<address>", "</address>", address},
      {"\r\n\t<postnumber>", "</postnumber>", postnumber},
      {"\r\n\t<note>", "</note>", note},
  };
  for (const auto& f : fields) {
    out += f.open;
    out += f.value;
    out += f.close;
  }
  out += "\r\n</comu>";
  return true;
}

namespace {

// The birthday line: year up to the first "-", month up to the next, day up to the tag; the
// whole text between the tags goes to `text`.
bool ReadBirthday(const std::string& line, ComuRecord& comu, std::optional<std::string>& text) {
  const size_t open = FindText(line, "<birthday>");
  const size_t dash = FindText(line, "-");
  if (open == std::string::npos || dash == std::string::npos) return false;
  const size_t yearStart = open + std::string_view("<birthday>").size();
  comu.birthYear = dash > yearStart ? line.substr(yearStart, dash - yearStart) : std::string();
  const std::string_view rest = std::string_view(line).substr(dash + 1);
  const size_t dash2 = FindText(rest, "-");
  if (dash2 == std::string::npos) return false;
  const std::string_view month = rest.substr(0, dash2);
  const std::string_view rest2 = rest.substr(dash2 + 1);
  const size_t close = FindText(rest2, "</birthday>");
  if (close == std::string::npos) return false;
  ScanInt(month, comu.birthMonth);
  ScanInt(rest2.substr(0, close), comu.birthDay);
  const size_t end = dash + 1 + dash2 + 1 + close;
  text = end > yearStart ? line.substr(yearStart, end - yearStart) : std::string();
  return true;
}

}  // namespace

bool XML::ReadComu(LineReader& reader) {
  comuBirthday.reset();
  std::string line;
  if (!xmlfield::SkipTo(reader, "<name>", line)) return false;
  if (!xmlfield::Extract(line, "<name>", "</name>", comu.name)) return false;

  std::string text;
  reader.ReadLine(line);
  if (!xmlfield::Extract(line, "<class>", "</class>", text)) return false;
  ScanInt(text, comu.class_);

  reader.ReadLine(line);
  comu.sex = line == "\t<sex>male</sex>" ? 1 : 0;

  reader.ReadLine(line);
  if (!ReadBirthday(line, comu, comuBirthday)) return false;

  const struct {
    const char* open;
    const char* close;
    std::string& value;
  } fields[] = {
      {"<Tel class=\"Office\">", "</Tel>", comu.telOffice},
      {"<Tel class=\"home\">", "</Tel>", comu.telHome},
      {"<Tel class=\"handset\">", "</Tel>", comu.telHandset},
      {"<Tel class=\"BP\">", "</Tel>", comu.telBP},
      {"<email>", "</email>", comu.email},
      {"<email>", "</email>", comu.email2},
      {"<companyweb>", "</companyweb>", comu.companyweb},
      {"<homepage>", "</homepage>", comu.homepage},
      {"<oicq>", "</oicq>", comu.oicq},
      {"<icq>", "</icq>", comu.icq},
      {"<address>", "</address>", comu.address},
      {"<postnumber>", "</postnumber>", comu.postnumber},
  };
  for (const auto& f : fields) {
    reader.ReadLine(line);
    if (!xmlfield::Extract(line, f.open, f.close, f.value)) return false;
  }

  if (!reader.ReadLine(line)) return false;  // running out of lines is no missing field
  if (FindText(line, "<note>") == std::string::npos) {
    ReportMissing("not note find!");
    return false;
  }
  comu.note = xmlfield::ReadMultiLine(reader, line, "<note>", "</note>");
  return true;
}

}  // namespace pim
