// The reminders told through the tray icon: birthdays due, as a balloon once a day or, with
// tips off, in the icon's tip; at start also the cards waiting to be trimmed.
#pragma once

#include <string>

#include "app/tray_icon.h"
#include "base/clock.h"
#include "records/record_events.h"
#include "reminders/birthdays.h"

namespace pim {

inline constexpr const wchar_t* kTrayTip = L"Pimbrel个人电脑管家";

class ReminderTray {
 public:
  // The reminders hear of removed contacts and of a replaced data folder through `events`.
  ReminderTray(CTrayIcon& tray, RecordEvents& events);
  ~ReminderTray();
  ReminderTray(const ReminderTray&) = delete;
  ReminderTray& operator=(const ReminderTray&) = delete;

  // The contacts panel's "提  醒" button switches these.
  BirthdayReminders& reminders() { return reminders_; }
  // Tells what is due today; `waitingCards` of the start's tip, or -1 after it. A `notice`
  // (records changed on two computers) joins the balloon.
  void Check(int waitingCards = -1, const std::wstring& notice = {});
  // A balloon of its own for a notice, tips on or off: it needs the user.
  void Notify(const std::wstring& notice);
  // A balloon answering something the user just did: with tips on, or `always`.
  void Say(const std::wstring& text, bool always);
  // The last balloon told a notice: a click on it is about that.
  bool noticeShown() const { return noticeShown_; }
  // The date has moved on since the last check.
  bool DayChanged() const;
  // The contact of the last birthday balloon, or -1; the balloon's text, for the tests' query.
  int balloonContact() const { return balloonContact_; }
  const std::wstring& lastBalloon() const { return lastBalloon_; }

 private:
  CTrayIcon& tray_;
  RecordEvents& events_;
  SystemClock clock_;
  BirthdayReminders reminders_;
  Date checked_;  // the day last checked
  int balloonContact_ = -1;
  bool noticeShown_ = false;
  std::wstring lastBalloon_;
};

}  // namespace pim
