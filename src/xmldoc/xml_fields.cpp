#include "base/gbk.h"
#include "xmldoc/xml.h"

namespace pim {

namespace xmlfield {

bool Extract(std::string_view line, std::string_view open, std::string_view close,
             std::string& value) {
  const size_t start = FindText(line, open);
  if (start == std::string_view::npos) return false;
  const size_t end = FindText(line, close);
  if (end == std::string_view::npos) return false;
  const size_t from = start + open.size();
  value = end > from ? std::string(line.substr(from, end - from)) : std::string();
  return true;
}

bool SkipTo(LineReader& reader, std::string_view tag, std::string& line) {
  while (reader.ReadLine(line))
    if (FindText(line, tag) != std::string_view::npos) return true;
  return false;
}

std::string ReadMultiLine(LineReader& reader, const std::string& line, std::string_view open,
                          std::string_view close) {
  std::string value;
  if (Extract(line, open, close, value)) return value;
  const size_t start = FindText(line, open);
  value.assign(line, start == std::string::npos ? line.size() : start + open.size());
  value += "\r\n";
  std::string next;
  while (reader.ReadLine(next)) {
    const size_t end = FindText(next, close);
    if (end != std::string_view::npos) {
      value.append(next, 0, end);
      return value;
    }
    value += next;
    value += "\r\n";
  }
  return value;  // the file ended before the closing tag: keep what was there
}

}  // namespace xmlfield

void XML::ReportMissing(const char* text) { prompter_.ShowMessage(text, "XML ERROR"); }

}  // namespace pim
