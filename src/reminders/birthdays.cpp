#include "reminders/birthdays.h"

#include <algorithm>

#include "base/atomic_file.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/gbk.h"
#include "config/config_file.h"

namespace pim {

namespace {

constexpr const char* kSection = "AWOKE";

// A small number as a whole text: blanks, an optional "-", one to three digits.
std::optional<int> SmallNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 3) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

// A contact number as a list key: digits only.
std::optional<int> ContactKey(std::string_view key) {
  if (key.empty() || key.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : key) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

Date NextDay(Date date) {
  if (++date.day > DaysInMonth(date.year, date.month)) {
    date.day = 1;
    if (++date.month > 12) {
      date.month = 1;
      ++date.year;
    }
  }
  return date;
}

}  // namespace

std::optional<Birthday> ParseBirthday(std::string_view text) {
  std::optional<int> month, day;
  const size_t n = text.size();
  if (n >= 6 && text[n - 3] == '-' && text[n - 6] == '-') {
    // As the program writes it: month and day index in two columns each, "-1" for none.
    month = SmallNumber(text.substr(n - 5, 2));
    day = SmallNumber(text.substr(n - 2, 2));
  } else {
    // Typed by hand: year, month and day apart at the first two "-".
    const size_t first = text.find('-');
    if (first == std::string_view::npos) return std::nullopt;
    const std::string_view rest = text.substr(first + 1);
    const size_t second = rest.find('-');
    if (second == std::string_view::npos) return std::nullopt;
    month = SmallNumber(rest.substr(0, second));
    day = SmallNumber(rest.substr(second + 1));
  }
  if (!month || !day || *month < 0 || *month > 11 || *day < 0 || *day > 30) return std::nullopt;
  return Birthday{*month + 1, *day + 1};
}

int DaysUntilBirthday(const Birthday& birthday, const Date& today, int window) {
  Date date = today;
  for (int days = 0; days <= window; ++days, date = NextDay(date)) {
    if (date.month != birthday.month) continue;
    if (date.day == std::min(birthday.day, DaysInMonth(date.year, date.month))) return days;
  }
  return -1;
}

std::string DateText(const Date& date) {
  return Format("%d-%d-%d", date.year, date.month, date.day);
}

void BirthdayReminders::Load() {
  marks_.clear();
  CConfigFile list;
  if (list.Load(kAwokePath) != 1) {
    if (!FileExists(kAwokePath)) Write({});
    return;
  }
  for (const auto& [key, value] : list.Options(kSection))
    if (const auto contact = ContactKey(key)) marks_.emplace(*contact, value);
}

bool BirthdayReminders::Write(const std::map<int, std::string>& marks) {
  std::string bytes = std::string("[") + kSection + "]\r\n";
  for (const auto& [contact, announced] : marks)
    bytes += Format("%d=", contact) + announced + "\r\n";
  if (!WriteFileAtomic(kAwokePath, bytes)) return false;
  marks_ = marks;
  return true;
}

bool BirthdayReminders::Renumber(const std::map<int, int>& numbers) {
  std::map<int, std::string> marks;
  for (const auto& [contact, announced] : marks_)
    if (const auto to = numbers.find(contact); to != numbers.end())
      marks.emplace(to->second, announced);
  return marks == marks_ || Write(marks);
}

bool BirthdayReminders::Toggle(int contact, Prompter& prompter) {
  // "提醒"
  const std::string caption = Gb("提醒");
  std::map<int, std::string> marks = marks_;
  if (!marks.erase(contact)) {
    ContactDates dates;
    if (!ReadContactDates(contact, dates)) {
      // "请先保存这个联系人，再设置生日提醒。"
      prompter.ShowMessage(Gb("请先保存这个联系人，再设置生日提醒。"), caption, MsgButtons::Ok,
                           MsgIcon::Information);
      return false;
    }
    if (!ParseBirthday(dates.birthday)) {
      // "这个联系人没有生日（月和日都要选），不能设置生日提醒。"
      prompter.ShowMessage(Gb("这个联系人没有生日（月和日都要选），不能设置生日提醒。"), caption,
                           MsgButtons::Ok, MsgIcon::Information);
      return false;
    }
    marks.emplace(contact, "");
  }
  if (!Write(marks)) {
    // "不能写入 set\awoke.list，提醒没有改变。"
    prompter.ShowMessage(Gb("不能写入 set\\awoke.list，提醒没有改变。"), caption, MsgButtons::Ok,
                         MsgIcon::Warning);
    return false;
  }
  if (changed_) changed_();
  return true;
}

void BirthdayReminders::OnRecordChange(const RecordChange& change) {
  if (change.what == RecordChange::What::Replaced) {
    Load();
    return;
  }
  if (change.what != RecordChange::What::Removed || change.kind != RecordKind::Contact) return;
  std::map<int, std::string> marks = marks_;
  // Numbers are never reused, so a mark left behind by a failed write stays harmless.
  if (marks.erase(change.number)) Write(marks);
}

std::vector<Announcement> BirthdayReminders::Due(const Date& today) const {
  std::vector<Announcement> due;
  for (const auto& mark : marks_) {
    ContactDates dates;
    if (!ReadContactDates(mark.first, dates)) continue;
    const std::optional<Birthday> birthday = ParseBirthday(dates.birthday);
    if (!birthday) continue;
    const int days = DaysUntilBirthday(*birthday, today);
    if (days < 0) continue;
    // "联系人 " for a contact saved without a name
    const std::string name =
        dates.name.empty() ? Gb("联系人 ") + Format("%d", mark.first) : dates.name;
    Date kept = today;
    for (int i = 0; i < days; ++i) kept = NextDay(kept);
    // "今天是 " / " 天后(" " 月 " " 日)是 ", then " 的生日"
    std::string text = days == 0 ? Gb("今天是 ")
                                 : Format("%d", days) + Gb(" 天后(") + Format("%d", kept.month) +
                                       Gb(" 月 ") + Format("%d", kept.day) + Gb(" 日)是 ");
    text += name + Gb(" 的生日");
    due.push_back({mark.first, days, std::move(text)});
  }
  std::stable_sort(due.begin(), due.end(),
                   [](const Announcement& a, const Announcement& b) { return a.days < b.days; });
  return due;
}

std::vector<Announcement> BirthdayReminders::Unannounced(const std::vector<Announcement>& due,
                                                         const Date& today) const {
  std::vector<Announcement> fresh;
  const std::string stamp = DateText(today);
  for (const Announcement& a : due) {
    const auto mark = marks_.find(a.contact);
    if (mark != marks_.end() && mark->second != stamp) fresh.push_back(a);
  }
  return fresh;
}

bool BirthdayReminders::MarkAnnounced(const std::vector<Announcement>& shown, const Date& today) {
  std::map<int, std::string> marks = marks_;
  for (const Announcement& a : shown)
    if (const auto mark = marks.find(a.contact); mark != marks.end())
      mark->second = DateText(today);
  return Write(marks);
}

}  // namespace pim
