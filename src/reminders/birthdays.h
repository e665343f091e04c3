// Birthday reminders: which contacts are marked, which birthdays are due on a date, and what
// was announced today. Kept in "set\awoke.list", outside the contact documents, so those keep
// their bytes.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "contacts/address_book.h"
#include "contacts/reminder_switch.h"
#include "records/record_events.h"

namespace pim {

inline constexpr const char* kAwokePath = "set\\awoke.list";

struct Date {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;
  bool operator==(const Date&) const = default;
};

struct Birthday {
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to 31
};

// The birthday the text between a contact's birthday tags gives; none when no month or no
// day was chosen (stored as -1, "1980--1--1"), whatever the document reader makes of it.
std::optional<Birthday> ParseBirthday(std::string_view text);

// Days from `today` to the day within `window` days on which the birthday is kept, or -1.
// A day past its month's end (February 29 in other years) is kept on the month's last day.
int DaysUntilBirthday(const Birthday& birthday, const Date& today, int window = 3);

struct Announcement {
  int contact = 0;
  int days = 0;  // 0 for today
  std::string text;  // "今天是 王小明 的生日", "3 天后(12 月 10 日)是 王小明 的生日"
};

// Marks of removed contacts go with them, and the list is read again when the data is replaced.
class BirthdayReminders final : public RecordListener, public ReminderSwitch {
 public:
  // Reads the list, and writes an empty one when there is none.
  void Load();
  bool IsOn(int contact) const override { return marks_.count(contact) != 0; }
  // The "提  醒" button for the contact shown: switches its reminder on or off, or says why
  // it cannot (no saved contact, no birthday, the list not written). True when it switched.
  bool Toggle(int contact, Prompter& prompter) override;
  void OnRecordChange(const RecordChange& change) override;

  // Every reminder due on `today`, nearest first, read from the contact documents.
  std::vector<Announcement> Due(const Date& today) const;
  // Those of `due` not yet announced on `today`.
  std::vector<Announcement> Unannounced(const std::vector<Announcement>& due,
                                        const Date& today) const;
  // Records `shown` as announced on `today`; false when the list could not be written.
  bool MarkAnnounced(const std::vector<Announcement>& shown, const Date& today);

  // The contacts' records took new numbers (old -> new): their marks follow them, and every
  // other mark goes, since its number now names someone else. False when not written.
  bool Renumber(const std::map<int, int>& numbers);

  // Told after a reminder was switched on or off.
  void OnChange(std::function<void()> changed) { changed_ = std::move(changed); }

 private:
  bool Write(const std::map<int, std::string>& marks);

  std::map<int, std::string> marks_;  // contact number -> the date last announced, or ""
  std::function<void()> changed_;
};

// The date as the list stores it: "2026-12-7".
std::string DateText(const Date& date);

}  // namespace pim
