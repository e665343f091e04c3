// The bar: a borderless, always-on-top strip of picture buttons that owns every panel and
// shows at most one of them, the current panel, directly below itself.
#pragma once

#include <memory>

#include "app/startup.h"
#include "app/tray_icon.h"
#include "base/clock.h"
#include "base/scale.h"
#include "records/record_store.h"
#include "reminders/birthdays.h"
#include "search/search_dlg.h"
#include "win/dialog.h"
#include "win/panel.h"
#include "win/win_system.h"

namespace pim {

class CMainDlg final : public win::Dialog, private PanelHost {
 public:
  CMainDlg(bool startVisible, RunMarker& marker);
  ~CMainDlg() override;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) override;

 private:
  enum PanelIndex { kRun, kDatum, kComu, kNote, kTool, kPanelCount };
  struct Button {
    int control;
    int normal;
    int pressed;
  };

  // What the panels may ask of the bar.
  RECT BarRect() const override { return window().ScreenRect(); }
  void MakeCurrent(CPanel& panel) override { current_ = &panel; }
  void Collapsed(const CPanel& panel) override {
    if (current_ == &panel) current_ = nullptr;
  }
  void ToggleBar() override { ToggleVisibility(); }
  void ModalStarted() override { ++openModals_; }
  void ModalEnded() override { --openModals_; }
  RecordEvents& Records() override { return records_; }
  void OpenSearch(SearchScope scope) override;
  void OpenRecord(const RecordRef& record) override;

  void AddTrayIconAndHotkey();
  // Hides or shows the bar together with the current panel.
  void ToggleVisibility();
  void CreatePanels();
  void SwitchTo(PanelIndex index, const Button& button);
  void OpenMainMenu();
  void OpenSettings();
  void ShowAbout();
  // Commands that replace or delete what the panels show run once no dialog is open:
  // exit closes the open dialogs first, backup and restore wait for them.
  enum class Pending { None, Exit, Backup, Restore, Open };
  void RequestCommand(Pending command);
  void ContinuePending();
  // The trimming question before exit; false when the program is to stay.
  bool ConfirmExit();
  void ExitProcedure();
  // Birthdays due from today, as a balloon or, with tips off, in the tray icon's tip; at
  // start also the cards waiting to be trimmed.
  void CheckReminders(bool atStart);
  // A click on the balloon: the contact it spoke of, in the contacts panel.
  void OpenBalloonContact();
  // The record in the panel that edits it, below the bar, in place of the current panel.
  void ShowRecordNow(const RecordRef& record);
  // Backup and restore (main_backup.cpp).
  void BackupData();
  void RestoreData();
  // Every panel's close handling, as at exit; then every panel reads its files again.
  void SavePanels();
  void ReloadPanels();
  // The day's first exit leaves a copy in "backup\".
  void MakeDailyCopyAtExit();
  // The end of the Windows session: open dialogs closed, every panel's work saved and the
  // marker released, all inside the query; no window is deleted.
  void SaveForSessionEnd();
  void SetButtonImage(int control, int bitmap);
  void FollowBar();
  // The pictures, icons and places for the scale of the screen the bar is on.
  void ApplyScale(int dpi);
  void ChangeScale(int dpi, const RECT& suggested);

  bool visible_;
  RunMarker& marker_;
  Scale scale_;
  HICON icon_ = nullptr;
  HICON smallIcon_ = nullptr;
  HMENU menu_ = nullptr;
  HBITMAP background_ = nullptr;
  HBRUSH brush_ = nullptr;
  HBITMAP pictures_[16] = {};  // the button images at the bar's scale, by resource id - 139
  CTrayIcon tray_;
  SystemClock clock_;
  BirthdayReminders reminders_;
  RecordStore records_;       // every record in memory, read when search first needs it
  Date checked_;              // the day the reminders were last checked
  int balloonContact_ = -1;   // the contact of the last birthday balloon
  std::wstring lastBalloon_;  // for the tests' query
  bool asking_ = false;       // the trimming question, or the trimming it leads to, is open
  win::Win32Prompter prompter_;
  std::unique_ptr<win::Win32Hotkeys> hotkeys_;
  std::unique_ptr<CPanel> panels_[kPanelCount];
  std::unique_ptr<CSearchDlg> search_;
  CPanel* current_ = nullptr;
  int openModals_ = 0;
  Pending pending_ = Pending::None;
  RecordRef pendingRecord_;    // of Pending::Open
  HWND lastClosed_ = nullptr;  // the dialog the pending exit closed last
  bool exited_ = false;
};

}  // namespace pim
