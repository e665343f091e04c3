#include "sync/conflict_text.h"

#include <array>
#include <string_view>

#include "base/file.h"
#include "base/gb18030.h"
#include "base/path.h"
#include "records/record_store.h"

namespace pim {

namespace {

// A list is shown as it is, up to this much.
constexpr size_t kListBytes = 64 * 1024;

RecordKind KindOf(RecordFolder folder) {
  return folder == RecordFolder::Notes      ? RecordKind::Note
         : folder == RecordFolder::Contacts ? RecordKind::Contact
                                            : RecordKind::Card;
}

// Line ends as an edit box shows them.
std::string CrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) out += '\n';
  }
  return out;
}

std::string Labelled(std::string_view label, std::string_view value) {
  return Gb(label) + ": " + std::string(value) + "\r\n";
}

std::string RecordText(const Record& r) {
  std::string text;
  switch (r.kind) {
    case RecordKind::Note:
      text = Labelled("类型", r.fields[kNoteType]) + "\r\n" + r.fields[kNoteText];
      break;
    case RecordKind::Contact: {
      // As the contacts panel labels them.
      static constexpr std::array<std::string_view, kContactFields> kLabels = {
          "姓名",     "类别",     "性别",     "生日",     "电话(公)", "电话(宅)",
          "手机",     "传呼",     "E-mail",   "E-mail2",  "OICQ",     "ICQ",
          "公司主页", "个人主页", "通讯地址", "邮政编码", "备注"};
      for (size_t i = 0; i < kContactFields; ++i) {
        std::string value = r.fields[i];
        if (value.empty()) continue;
        // "-3-15" is a birthday without a year.
        if (i == kContactBirthday && value[0] == '-')
          value = value.substr(1, value.find('-', 1) - 1) + Gb("月") +
                  value.substr(value.find('-', 1) + 1) + Gb("日");
        text += i == kContactNote ? "\r\n" + Gb(kLabels[i]) + ":\r\n" + value
                                  : Labelled(kLabels[i], value);
      }
      break;
    }
    case RecordKind::Card:
      text = Labelled("标题", r.fields[kCardTitle]) + Labelled("类别", r.fields[kCardClass]) +
             Labelled("来源", r.fields[kCardSource]) + Labelled("关键字", r.fields[kCardKeyword]) +
             "\r\n" + r.fields[kCardContent];
      break;
  }
  if (!r.date.empty()) text = Labelled("修改时间", r.date) + text;
  return CrLf(text);
}

std::string_view KindName(const Conflict& c) {
  if (c.list) return "资料列表";
  switch (c.folder) {
    case RecordFolder::Notes:
      return "记事";
    case RecordFolder::Contacts:
      return "通讯录";
    default:
      return "资料";
  }
}

}  // namespace

std::string VersionText(const Conflict& c, bool copy) {
  const std::string& path = copy ? c.copy : c.original;
  if (path.empty()) return {};
  if (c.list) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return {};
    if (bytes.size() > kListBytes) bytes.resize(kListBytes);
    return CrLf(bytes);
  }
  Record record;
  return ReadRecordFile(KindOf(c.folder), path, record) ? RecordText(record) : std::string();
}

std::string ConflictLine(const Conflict& c) {
  const std::string& path = c.original.empty() ? c.copy : c.original;
  std::string line = Gb(KindName(c)) + "  " + path.substr(DataPathFolder(path).size());
  Record record;
  if (!c.list && (ReadRecordFile(KindOf(c.folder), c.original, record) ||
                  ReadRecordFile(KindOf(c.folder), c.copy, record))) {
    std::string_view title = record.Title();
    title = title.substr(0, title.find_first_of("\r\n"));
    if (!title.empty()) line += "  " + std::string(title);
  }
  return line;
}

}  // namespace pim
