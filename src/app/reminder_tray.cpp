#include "app/reminder_tray.h"

#include "reminders/exit_notice.h"
#include "settings/sys_settings.h"
#include "win/text.h"

namespace pim {

namespace {

Date Today(const Clock& clock) {
  const LocalTime now = clock.Now();
  return {now.year, now.month, now.day};
}

// The announcements' texts, one a line.
std::wstring Lines(const std::vector<Announcement>& announcements) {
  std::wstring text;
  for (const Announcement& a : announcements)
    text += (text.empty() ? L"" : L"\n") + win::Widen(a.text);
  return text;
}

}  // namespace

ReminderTray::ReminderTray(CTrayIcon& tray, RecordEvents& events) : tray_(tray), events_(events) {
  reminders_.Load();
  events_.Subscribe(reminders_);
}

ReminderTray::~ReminderTray() { events_.Unsubscribe(reminders_); }

bool ReminderTray::DayChanged() const { return !(Today(clock_) == checked_); }

void ReminderTray::Check(int waitingCards, const std::wstring& notice) {
  checked_ = Today(clock_);
  const std::vector<Announcement> due = reminders_.Due(checked_);
  if (!LoadSysSettings().showtip) {
    // Nothing pops up; the tip lists what is coming.
    const std::wstring coming = Lines(due);
    tray_.SetTip(coming.empty() ? std::wstring(kTrayTip) : std::wstring(kTrayTip) + L"\n" + coming);
    if (!notice.empty()) Notify(notice);
    return;
  }
  tray_.SetTip(kTrayTip);
  const std::vector<Announcement> fresh = reminders_.Unannounced(due, checked_);
  std::wstring text = Lines(fresh);
  if (const std::string waiting = UntrimmedTip(waitingCards); !waiting.empty())
    text += (text.empty() ? L"" : L"\n") + win::Widen(waiting);
  if (!notice.empty()) text += (text.empty() ? L"" : L"\n") + notice;
  if (text.empty() || !tray_.ShowBalloon(kTrayTip, text)) return;
  lastBalloon_ = text;
  noticeShown_ = !notice.empty();
  if (fresh.empty()) return;
  balloonContact_ = fresh.front().contact;
  reminders_.MarkAnnounced(fresh, checked_);
}

void ReminderTray::Say(const std::wstring& text, bool always) {
  if (!always && !LoadSysSettings().showtip) return;
  if (!tray_.ShowBalloon(kTrayTip, text)) return;
  lastBalloon_ = text;
  noticeShown_ = false;
  balloonContact_ = -1;
}

void ReminderTray::Notify(const std::wstring& notice) {
  if (!tray_.ShowBalloon(kTrayTip, notice)) return;
  lastBalloon_ = notice;
  noticeShown_ = true;
  balloonContact_ = -1;
}

}  // namespace pim
