// The birthdays other programs write, in every form they come in, as the contact's fields.
#include <algorithm>
#include <string>
#include <vector>

#include "base/gb18030.h"
#include "base/gbk.h"
#include "exchange/contact_draft.h"

namespace pim {

bool ParseBirthday(std::string_view text, bool omitYear, std::string& year, int& month, int& day) {
  std::string t(TrimText(text));
  if (const size_t time = t.find('T'); time != std::string::npos && time > 0) t.resize(time);
  const auto digits = [](std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  const auto number = [](std::string_view s) {
    // A long run of digits stays out of every range instead of overflowing.
    int v = 0;
    for (char c : s) v = std::min(v * 10 + (c - '0'), 1000000);
    return v;
  };
  std::string y;
  int m = 0, d = 0;  // 1-based; 0 for none
  std::vector<std::string> parts;
  const auto split = [&](std::string_view s, std::string_view by) {
    parts.clear();
    size_t start = 0;
    for (size_t at; (at = s.find(by, start)) != std::string_view::npos; start = at + by.size())
      parts.emplace_back(s.substr(start, at - start));
    parts.emplace_back(s.substr(start));
  };
  const std::string nian = Gb("年"), yue = Gb("月"), ri = Gb("日");
  if (t.size() == 5 && t.starts_with("---") && digits(t.substr(3))) {
    d = number(t.substr(3));
  } else if (t.starts_with("--")) {
    std::string rest = t.substr(2);
    rest.erase(std::remove(rest.begin(), rest.end(), '-'), rest.end());
    if (!digits(rest) || (rest.size() != 4 && rest.size() != 2)) return false;
    m = number(rest.substr(0, 2));
    if (rest.size() == 4) d = number(rest.substr(2));
  } else if (t.find('/') != std::string::npos) {
    split(t, "/");
    if (parts.size() != 3 || !digits(parts[0]) || !digits(parts[1]) || !digits(parts[2]))
      return false;
    if (number(parts[0]) == 0 && number(parts[1]) == 0 && number(parts[2]) == 0) {
      // Outlook's "0/0/00": no birthday at all.
      year.clear();
      month = day = -1;
      return true;
    }
    if (parts[0].size() != 4 && parts[2].size() != 4) return false;  // a century not written
    if (parts[0].size() == 4) {
      y = parts[0], m = number(parts[1]), d = number(parts[2]);
    } else if (number(parts[0]) > 12) {
      d = number(parts[0]), m = number(parts[1]), y = parts[2];
    } else {
      m = number(parts[0]), d = number(parts[1]), y = parts[2];
    }
  } else if (FindText(t, yue) != std::string::npos) {
    const size_t a = FindText(t, nian), b = FindText(t, yue), c = FindText(t, ri);
    const size_t monthStart = a == std::string::npos ? 0 : a + nian.size();
    if (a != std::string::npos) y = t.substr(0, a);
    if (b < monthStart || !digits(t.substr(monthStart, b - monthStart))) return false;
    m = number(t.substr(monthStart, b - monthStart));
    if (c != std::string::npos) {
      if (c < b || !digits(t.substr(b + yue.size(), c - b - yue.size()))) return false;
      d = number(t.substr(b + yue.size(), c - b - yue.size()));
    }
    if (!y.empty() && !digits(y)) return false;
  } else if (digits(t) && t.size() == 8) {
    y = t.substr(0, 4), m = number(t.substr(4, 2)), d = number(t.substr(6, 2));
  } else if (digits(t) && t.size() == 4) {
    y = t;
  } else {
    split(t, "-");
    if (parts.size() < 2 || parts.size() > 3 || !digits(parts[0]) || parts[0].size() > 4)
      return false;
    for (size_t i = 1; i < parts.size(); ++i)
      if (!digits(parts[i]) || parts[i].size() > 2) return false;
    if (parts.size() == 2 && parts[0].size() != 4) return false;
    y = parts[0], m = number(parts[1]);
    if (parts.size() == 3) d = number(parts[2]);
  }
  if (m > 12 || d > 31 || (y.size() > 4) || (m == 0 && d == 0 && y.empty())) return false;
  if (y.find_first_not_of('0') == std::string::npos || omitYear) y.clear();
  year = y;
  month = m - 1;
  day = d - 1;
  return true;
}

}  // namespace pim
