// The bar: a borderless, always-on-top strip of picture buttons that owns every panel and
// shows at most one of them, the current panel, directly below itself. It is a view over small
// parts: the panel roster, the command gate, the record events and the reminders in the tray.
#pragma once

#include <memory>

#include "app/bar_pictures.h"
#include "app/command_gate.h"
#include "app/panel_roster.h"
#include "app/reminder_tray.h"
#include "app/startup.h"
#include "app/sync_watch.h"
#include "app/tray_icon.h"
#include "backup/restore.h"
#include "records/record_events.h"
#include "records/record_store.h"
#include "search/search_dlg.h"
#include "settings/sys_settings.h"
#include "win/dialog.h"
#include "win/gdi.h"
#include "win/panel.h"
#include "win/win_system.h"

namespace pim {

class CMainDlg final : public win::Dialog, private PanelHost, private CommandGate::Bar {
 public:
  CMainDlg(bool startVisible, RunMarker& marker);
  ~CMainDlg() override;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) override;

 private:
  // What the panels may ask of the bar.
  RECT BarRect() const override { return window().ScreenRect(); }
  void MakeCurrent(CPanel& panel) override { current_ = &panel; }
  void Collapsed(const CPanel& panel) override {
    if (current_ == &panel) current_ = nullptr;
  }
  void ToggleBar() override { ToggleVisibility(); }
  void ModalStarted() override { gate_.ModalStarted(); }
  void ModalEnded() override { gate_.ModalEnded(); }
  RecordEvents& Records() override { return events_; }
  void OpenSearch(SearchScope scope) override;
  void OpenRecord(const RecordRef& record) override { gate_.RequestOpen(record); }

  // What the command gate asks of the bar (main_exit.cpp).
  std::vector<CommandGate::Modal> OpenModals() override;
  bool IsEnabled(CommandGate::Modal modal) override;
  void CloseForExit(CommandGate::Modal modal) override;
  void Poll(bool on) override;
  bool ConfirmExit() override;
  void Run(Command command) override;

  void AddTrayIconAndHotkey();
  // The capture key: the selection in front stored as a card, or with Shift opened in the
  // datum panel to be edited first (main_capture.cpp).
  void Capture(bool edit);
  // Hides or shows the bar together with the current panel.
  void ToggleVisibility();
  // On the first ticks: the panels, hidden, one a tick; then the capture key, the folder
  // watches and the reminders due.
  void CreatePanels();
  // The panel of `line`, made now if its turn has not come; null when there is none.
  CPanel* Panel(const PanelLine* line);
  void PanelFailed();
  void SwitchTo(const PanelLine& line);
  void OpenMainMenu();
  void OpenSettings();
  void ShowAbout();
  // A click on the balloon: the records changed on two computers it spoke of, or else the
  // contact it spoke of, in the contacts panel.
  void OnBalloonClick();
  void OpenConflicts();
  // The record in the panel that edits it, below the bar, in place of the current panel.
  void ShowRecordNow(const RecordRef& record);
  // Backup and restore (main_backup.cpp).
  void BackupData();
  void RestoreData();
  // The settings page's "更改…": the data folder copied, joined or taken as it is.
  void ChangeDataFolder(HWND owner);
  // Every panel's close handling, as at exit, before the data folder is copied or replaced.
  void SavePanels();
  // The day's first exit leaves a copy in "backup\".
  void MakeDailyCopyAtExit();
  // Before a restore or a change of data folder: nothing of ours writes, watches or reads the
  // data folders any more (the sync watch is started again by the caller).
  void LetGoOfData();
  // A restore's safety copy packed on a thread of its own; its end is told to the bar by
  // kPacked, and a failure to the user.
  void StartPacking();
  void OnPacked();
  // The exit procedure, and the end of the Windows session: every panel's work saved and the
  // marker released, all inside the query; no window is deleted then (main_exit.cpp).
  void ExitProcedure();
  void SaveForSessionEnd();
  void FollowBar();
  void OnScaleChanged() override {
    pictures_.Apply(hwnd(), scale_);
    pictures_.ApplyRest(hwnd());
  }

  static constexpr UINT_PTR kStartTimer = 2;  // makes the panels after the bar shows
  static constexpr UINT_PTR kPollTimer = 3;   // the command gate's
  static constexpr UINT_PTR kDateTimer = 4;   // notices the date changing while the program runs
  static constexpr UINT kPacked = WM_APP + 8;

  bool visible_;
  bool trayAsked_ = false;  // on the first tick
  RunMarker& marker_;
  BarPictures pictures_;
  win::HeldMenu menu_;
  CTrayIcon tray_;
  RecordEvents events_;
  RecordStore records_;  // every record in memory, read when search first needs it
  SearchCache searchCache_{std::string(kSearchCachePath)};
  ReminderTray reminders_{tray_, events_};
  win::Win32Prompter prompter_;
  std::unique_ptr<win::Win32Hotkeys> hotkeys_;
  std::unique_ptr<CaptureKeys> captureKeys_;
  PanelRoster panels_;
  std::unique_ptr<CSearchDlg> search_;
  std::unique_ptr<SyncWatch> sync_;  // from the first tick on
  CPanel* current_ = nullptr;
  CommandGate gate_{*this};
  SafetyCopyPacker packer_;  // last: it waits for its thread before the rest goes
};

}  // namespace pim
