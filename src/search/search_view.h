// What the search window shows, as text, and the place it keeps between runs.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/scale.h"
#include "records/record_store.h"
#include "search/search.h"

namespace pim {

// The scope box, in the order of SearchScope.
extern const std::array<std::string, 6> kScopeNames;

// One row of the result list, a text per column.
struct ResultRow {
  std::string kind;
  std::string title;
  std::string category;
  std::string line;  // the match between 【 and 】
  std::string date;  // the day alone
};
ResultRow RowOf(const Record& record, const SearchLine& line);

struct SearchFigures {
  bool scanning = false;
  int done = 0, total = 0;  // files read of the scan
  size_t found = 0;         // hits in all
  size_t listed = 0;        // hits in the list
  int unreadable = 0;
  bool estimated = false;  // the list was full before every record was read: `found` is at most
};
// The status line: the reading's progress while it runs, else how many were found and how
// many of them are listed; then the files that could not be read.
std::string StatusText(const SearchFigures& figures);

// The window's top-left corner, kept in its own file; nothing when the file is missing or
// damaged.
inline constexpr std::string_view kSearchPlacePath = "set\\search.conf";
struct ScreenPoint {
  int x = 0, y = 0;
  bool operator==(const ScreenPoint&) const = default;
};
std::optional<ScreenPoint> LoadSearchPlace();
bool SaveSearchPlace(ScreenPoint place);
// `window` moved as little as needed to lie on `screen`; its top-left corner stays on it
// when it is the larger.
PixelBox KeepOnScreen(const PixelBox& window, const PixelBox& screen);

}  // namespace pim
