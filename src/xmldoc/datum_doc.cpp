#include "base/gbk.h"
#include "xmldoc/xml.h"

namespace pim {

void XML::WriteDatum(std::string& out, std::string_view title, std::string_view class_,
                     std::string_view content, std::string_view dtdPath, std::string_view founddate,
                     std::string_view source, std::string_view keyword,
                     std::span<const DatumLink> links) const {
  const std::string now = NowStamp(clock_);
  out += "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<!DOCTYPE datum SYSTEM \"";
  out += dtdPath;
  out += "\">\r\n\t\t\t\t\t\t\t<!-- copy from ";
  out += kDtdWebHost;
  out += kDatumDtdWebPath;
  out += " -->\r\n\r\n<datum>\r\n\t<title>";
  out += title;
  out += "</title>\r\n\t<class>";
  out += class_;
  out += "</class>\r\n\t<founddate>";
  out += founddate.empty() ? std::string_view(now) : founddate;
  out += "</founddate>\r\n\t<modifieddate>";
  out += now;
  out += "</modifieddate>\r\n\t<source>";
  out += source;
  out += "</source>\r\n\t<keyword>";
  out += keyword;
  out += "</keyword>\r\n\t<content>\r\n\t\t<part>";
  // Markup characters first, so that no content line can hold a part tag; then one part
  // per CR LF line. A lone CR or LF stays and breaks the file line inside its part.
  std::string text = ReplaceAll(content, "<", kLessThanSign);
  text = ReplaceAll(text, ">", kGreaterThanSign);
  text = ReplaceAll(text, "&", kAmpersandSign);
  out += ReplaceAll(text, "\r\n", "</part>\r\n\t\t<part>");
  out += "</part>\r\n\t</content>\r\n\t<correlativelink>\r\n";
  for (const DatumLink& link : links) {
    out += "\t\t<link type=\"";
    out += link.type;
    out += "\">\r\n\t\t\t<name>";
    out += link.name;
    out += "</name>\r\n\t\t\t<url>";
    out += link.url;
    out += "</url>\r\n\t\t</link>\r\n";
  }
  out += "\t</correlativelink>\r\n</datum>";
}

bool XML::ReadDatumHead(LineReader& reader) {
  std::string line;
  for (int i = 0; i < 6; ++i)
    if (!reader.ReadLine(line)) return false;
  if (!xmlfield::Extract(line, "<title>", "</title>", datum.title)) return false;
  const struct {
    const char* open;
    const char* close;
    std::string& value;
  } fields[] = {
      {"<class>", "</class>", datum.class_},
      {"<founddate>", "</founddate>", datum.founddate},
      {"<modifieddate>", "</modifieddate>", datum.modifieddate},
      {"<source>", "</source>", datum.source},
      {"<keyword>", "</keyword>", datum.keyword},
  };
  for (const auto& f : fields) {
    if (!reader.ReadLine(line)) return false;
    if (!xmlfield::Extract(line, f.open, f.close, f.value)) return false;
  }
  return true;
}

bool XML::ReadDatumPart(LineReader& reader) {
  std::string_view line;  // in place: the part is copied once, into the content
  reader.ReadLine(line);
  if (xmlfield::Extract(line, "<part>", "</part>", datum.content)) return true;
  // Rewriting a card read only in part would drop the rest; callers check this.
  datum.whole = FindText(line, "</content>") != std::string::npos && !reader.failed();
  return false;
}

bool XML::ReadDatum(LineReader& reader) {
  datum.whole = false;
  if (!ReadDatumHead(reader)) return false;
  std::string line;
  reader.ReadLine(line);
  if (FindText(line, "<content>") == std::string::npos) return false;
  std::string text;
  while (ReadDatumPart(reader)) {
    text += datum.content;
    text += "\r\n";
  }
  if (text.size() >= 2) text.resize(text.size() - 2);
  datum.content = std::move(text);
  return true;
}

}  // namespace pim
