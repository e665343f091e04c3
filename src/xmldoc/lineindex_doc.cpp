#include "xmldoc/xml.h"

namespace pim {

void XML::WriteLineIndexHead(std::string& out, std::string_view title, std::string_view keyword) {
  out += "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<!DOCTYPE lineindex SYSTEM \"";
  out += kDtdWebHost;
  out += kLineIndexDtdWebPath;
  out += "\">\r\n\r\n\r\n<lineindex>\r\n\t<title>";
  out += title;
  out += "</title>\r\n\t<keyword>";
  out += keyword;
  out += "</keyword>\r\n";
}

void XML::WriteLineIndexLink(std::string& out, std::string_view name, std::string_view url,
                             std::string_view class_, std::string_view date,
                             std::string_view keyword, std::string_view source) {
  out += "\t<link>\r\n\t\t<name>";
  out += name;
  out += "</name>\r\n\t\t<url>";
  out += url;
  out += "</url>\r\n\t\t<class>";
  out += class_;
  out += "</class>\r\n\t\t<date>";
  out += date;
  out += "</date>\r\n\t\t<keyword>";
  out += keyword;
  out += "</keyword>\r\n\t\t<source>";
  out += source;
  out += "</source>\r\n\t</link>\r\n";
}

void XML::WriteLineIndexEnd(std::string& out) { out += kLineIndexEnd; }

bool XML::ReadLineIndexHead(LineReader& reader) {
  std::string_view line;
  for (int i = 0; i < 6; ++i)
    if (!reader.ReadLine(line)) return false;
  if (!xmlfield::Extract(line, "<title>", "</title>", lineIndex.title)) return false;
  if (!reader.ReadLine(line)) return false;
  return xmlfield::Extract(line, "<keyword>", "</keyword>", lineIndex.keyword);
}

bool XML::ReadLineIndexLink(LineReader& reader) {
  std::string_view line;
  if (!xmlfield::SkipTo(reader, "<link>", line)) return false;  // the normal end of a list
  const struct {
    std::string_view open;
    std::string_view close;
    std::string& value;
    const char* missing;
  } fields[] = {
      {"<name>", "</name>", lineIndex.name, "No name Find!"},
      {"<url>", "</url>", lineIndex.url, "No url Find"},
      {"<class>", "</class>", lineIndex.class_, "No class Find"},
      {"<date>", "</date>", lineIndex.date, "no date find"},
      {"<keyword>", "</keyword>", lineIndex.linkKeyword, "no keyword find"},
      {"<source>", "</source>", lineIndex.source, "no source find"},
  };
  for (const auto& f : fields) {
    if (!reader.ReadLine(line)) return false;  // a list cut short ends silently
    if (!xmlfield::Extract(line, f.open, f.close, f.value)) {
      ReportMissing(f.missing);
      return false;
    }
  }
  reader.ReadLine(line);  // the link's closing line
  return true;
}

}  // namespace pim
