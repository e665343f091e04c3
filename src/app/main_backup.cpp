// The bar's backup and restore commands, the daily copy at exit, and what every panel does
// around them.
#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include <vector>

#include "app/main_dlg.h"
#include "backup/backup.h"
#include "backup/messages.h"
#include "backup/restore.h"
#include "base/path.h"
#include "pimbrel_version.h"
#include "platform/sys_tool.h"
#include "settings/sys_settings.h"
#include "win/text.h"

namespace pim {

namespace {

std::string DocumentsFolder() {
  std::vector<wchar_t> path(MAX_PATH + 1, L'\0');
  if (SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path.data()) != S_OK)
    return {};
  return win::Narrow(path.data());
}

LocalTime Today() { return SystemClock().Now(); }

// A wait cursor for as long as the work takes.
class BusyCursor {
 public:
  BusyCursor() : old_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~BusyCursor() { SetCursor(old_); }

 private:
  HCURSOR old_;
};

// The common file dialog in `folder`, proposing `name`; the chosen path or "".
std::string PickArchive(HWND owner, bool save, const std::string& folder, const std::string& name) {
  return win::Win32Prompter(owner).PickFile({!save, "zip", kArchiveFilter, folder, name});
}

}  // namespace

void CMainDlg::SavePanels() {
  // The datum panel's close handling also closes its browser, which may be the current one.
  if (current_) current_->window().Show(SW_HIDE);
  current_ = nullptr;
  panels_.CloseAll(false);
}

void CMainDlg::BackupData() {
  ModalScope modal(*this);
  std::string folder = LastBackupFolder();
  if (folder.empty()) folder = DocumentsFolder();
  const std::string target = PickArchive(hwnd(), true, folder, BackupFileName(Today()));
  if (target.empty()) return;
  RememberBackupFolder(DataPathFolder(target));
  BackupOutcome outcome;
  {
    BusyCursor busy;
    // The archive holds what the user sees: every panel's pending work first, as at exit.
    SavePanels();
    outcome = WriteBackup(target, PIMBREL_VERSION_TEXT, Today());
    panels_.ReloadAll();
  }
  if (outcome.ok)
    win::OwnedMessage(hwnd(), BackupDoneText(target, outcome.counts), kBackupCaption,
                      MsgButtons::Ok, MsgIcon::Information);
  else
    win::OwnedMessage(hwnd(), BackupFailedText(outcome.failure), kBackupCaption, MsgButtons::Ok,
                      MsgIcon::Error);
}

void CMainDlg::RestoreData() {
  ModalScope modal(*this);
  std::string folder = LastBackupFolder();
  if (folder.empty()) folder = DocumentsFolder();
  const std::string source = PickArchive(hwnd(), false, folder, "");
  if (source.empty()) return;
  ZipReader reader;
  RestorePlan plan;
  std::string detail;
  ArchiveCheck check;
  {
    BusyCursor busy;
    check = CheckArchive(source, reader, plan, detail);
  }
  if (check != ArchiveCheck::Ok) {
    win::OwnedMessage(hwnd(), RefusalText(source, check, detail), kRestoreCaption, MsgButtons::Ok,
                      MsgIcon::Warning);
    return;
  }
  if (win::OwnedMessage(hwnd(), RestoreQuestion(source, plan), kRestoreCaption, MsgButtons::YesNo,
                        MsgIcon::Question) != MsgResult::Yes)
    return;
  const int32_t hotkey = LoadBarHotkey();
  RestoreResult result;
  {
    BusyCursor busy;
    SavePanels();
    // Nothing of ours holds the folders the restore moves; they are watched again after.
    if (sync_) sync_->Stop();
    result = RunRestore(reader, plan, PIMBREL_VERSION_TEXT, Today(), detail);
    // Every record may have changed: the panels, the records in memory, the search window and
    // the reminders read everything again (even after a failure, whose data is the old one).
    events_.Replaced();
    if (sync_) sync_->Start();
  }
  if (LoadBarHotkey() != hotkey) {
    hotkeys_->Unregister(kBarHotkeyId);
    CSysTool(prompter_).RegHotKey(*hotkeys_, LoadBarHotkey(), kBarHotkeyId);
  }
  win::OwnedMessage(hwnd(), RestoreOutcomeText(result, detail), kRestoreCaption, MsgButtons::Ok,
                    result == RestoreResult::Ok ? MsgIcon::Information : MsgIcon::Error);
}

void CMainDlg::MakeDailyCopyAtExit() {
  std::string failure;
  if (MakeDailyCopy(PIMBREL_VERSION_TEXT, Today(), failure) == DailyCopy::Failed)
    prompter_.ShowMessage(DailyCopyFailedText(failure), kBackupCaption, MsgButtons::Ok,
                          MsgIcon::Warning);
}

}  // namespace pim
