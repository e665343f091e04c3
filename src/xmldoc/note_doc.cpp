#include "base/gbk.h"
#include "xmldoc/xml.h"

namespace pim {

const std::array<std::string, 6> kNoteTypes = {
    Gb("全部"), Gb("普通"), Gb("日记"), Gb("随感"), Gb("笔记"), Gb("其它"),
};

void XML::WriteNote(std::string& out, int type, std::string_view content,
                    std::string_view buildtime) const {
  const std::string now = NowStamp(clock_);
  out += "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n\r\n<note>\r\n\t<type>";
  out += Format("%d", type);
  out += "</type>\r\n\t<buildtime>";
  out += buildtime.empty() ? std::string_view(now) : buildtime;
  out += "</buildtime>\r\n\t<modifytime>";
  out += now;
  out += "</modifytime>\r\n\t<content>";
  out += content;
  out += "</content>\r\n</note>";
}

int XML::ReadNoteType(LineReader& reader) {
  std::string line;
  if (!xmlfield::SkipTo(reader, "<type>", line)) return -1;
  std::string text;
  if (!xmlfield::Extract(line, "<type>", "</type>", text)) return -1;
  int32_t type = -1;  // a type that is not a number reads as none
  ScanInt(text, type);
  return type;
}

bool XML::ReadNote(LineReader& reader) {
  std::string line;
  if (!xmlfield::SkipTo(reader, "<buildtime>", line)) return false;
  if (!xmlfield::Extract(line, "<buildtime>", "</buildtime>", note.buildtime)) return false;
  reader.ReadLine(line);                     // modifytime is never read back
  if (!reader.ReadLine(line)) return false;  // running out of lines is no missing field
  if (FindText(line, "<content>") == std::string::npos) {
    ReportMissing("not content find!");
    return false;
  }
  note.content = xmlfield::ReadMultiLine(reader, line, "<content>", "</content>");
  return true;
}

}  // namespace pim
