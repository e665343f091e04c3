#include "search/search_view.h"

#include <algorithm>
#include <cstdint>

#include "base/atomic_file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "config/config_file.h"

namespace pim {

namespace {
// Farther than any screen: a figure beyond it is a damaged file, not a place.
constexpr int32_t kFarthest = 1000000;

// Tabs and line breaks would show as boxes in a list row (neither byte occurs inside a
// character).
std::string OneLine(std::string_view text) {
  std::string line(text);
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
  return line;
}
}  // namespace

const std::array<std::string, 6> kScopeNames = {Gb("全部"),   Gb("资料"), Gb("记事"),
                                                Gb("通讯录"), Gb("书签"), Gb("索引")};

ResultRow RowOf(const Record& record, const SearchLine& line) {
  ResultRow row;
  switch (record.kind) {
    case RecordKind::Note:
      row.kind = Gb("记事");
      break;
    case RecordKind::Contact:
      row.kind = Gb("通讯录");
      break;
    case RecordKind::Card:
      row.kind = Gb("资料");
      break;
  }
  row.title = OneLine(record.Title());
  row.category = OneLine(record.Category());
  const std::string_view text = line.text;
  if (line.len > 0 && line.pos <= text.size() && line.len <= text.size() - line.pos)
    row.line = OneLine(text.substr(0, line.pos)) + Gb("【") +
               OneLine(text.substr(line.pos, line.len)) + Gb("】") +
               OneLine(text.substr(line.pos + line.len));
  else
    row.line = OneLine(text);
  row.date = record.date.substr(0, record.date.find(' '));
  return row;
}

std::string StatusText(const SearchFigures& f) {
  std::string text;
  if (f.scanning)
    text = Gb("正在读取 ") + Format("%d/%d", f.done, f.total) + Gb(" …");
  else if (f.estimated)
    text = Gb("找到 ") + std::to_string(f.listed) + Gb(" 条以上, 列出前 ") +
           std::to_string(f.listed) + Gb(" 条");
  else if (f.listed < f.found)
    text = Gb("找到 ") + std::to_string(f.found) + Gb(" 条, 列出前 ") + std::to_string(f.listed) +
           Gb(" 条");
  else
    text = Gb("找到 ") + std::to_string(f.found) + Gb(" 条");
  if (f.unreadable > 0) text += Gb("; ") + Format("%d", f.unreadable) + Gb(" 个文件无法读取");
  return text;
}

std::optional<ScreenPoint> LoadSearchPlace() {
  CConfigFile conf;
  if (conf.Load(kSearchPlacePath) != 1) return std::nullopt;
  int32_t x = 0, y = 0;
  if (!ScanInt(conf.GetValue("SEARCH", "left"), x) || !ScanInt(conf.GetValue("SEARCH", "top"), y) ||
      x < -kFarthest || x > kFarthest || y < -kFarthest || y > kFarthest)
    return std::nullopt;
  return ScreenPoint{x, y};
}

bool SaveSearchPlace(ScreenPoint place) {
  return WriteFileAtomic(kSearchPlacePath,
                         Format("[SEARCH]\r\nleft=%d\r\ntop=%d\r\n", place.x, place.y));
}

PixelBox KeepOnScreen(const PixelBox& window, const PixelBox& screen) {
  const auto fit = [](int start, int size, int low, int high) {
    return std::max(low, std::min(start, high - size));
  };
  const int left = fit(window.left, window.width(), screen.left, screen.right);
  const int top = fit(window.top, window.height(), screen.top, screen.bottom);
  return {left, top, left + window.width(), top + window.height()};
}

}  // namespace pim
