// The bar's backup and restore commands, the daily copy at exit, and what every panel does
// around them.
#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include <vector>

#include "app/data_folder.h"
#include "app/main_dlg.h"
#include "backup/backup.h"
#include "backup/messages.h"
#include "backup/restore.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/held_file.h"
#include "base/path.h"
#include "pimbrel_version.h"
#include "platform/sys_tool.h"
#include "settings/sys_settings.h"
#include "win/text.h"
#include "win/win_system.h"

namespace pim {

namespace {

std::string DocumentsFolder() {
  std::vector<wchar_t> path(MAX_PATH + 1, L'\0');
  if (SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path.data()) != S_OK)
    return {};
  return win::Narrow(path.data());
}

LocalTime Today() { return SystemClock().Now(); }

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
    win::BusyCursor busy;
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
    win::BusyCursor busy;
    check = CheckArchive(source, reader, plan, detail);
  }
  if (check != ArchiveCheck::Ok) {
    win::OwnedMessage(hwnd(), RefusalText(source, check, detail), kRestoreCaption, MsgButtons::Ok,
                      MsgIcon::Warning);
    return;
  }
  std::string question = RestoreQuestion(source, plan);
  if (!DataFolder().empty())
    question += Gb("\r\n\r\n数据文件夹 ") + DataFolder() +
                Gb(" 如果由同步服务与其他电脑保持一致，恢复会改变每一台电脑上的数据。");
  if (win::OwnedMessage(hwnd(), question, kRestoreCaption, MsgButtons::YesNo, MsgIcon::Question) !=
      MsgResult::Yes)
    return;
  const int32_t hotkey = LoadBarHotkey();
  RestoreResult result;
  {
    win::BusyCursor busy;
    LetGoOfData();  // an earlier restore's copy, too: RunRestore tries again one that failed
    result = RunRestore(reader, plan, PIMBREL_VERSION_TEXT, Today(), detail);
    // Every record may have changed: the panels, the records in memory, the search window and
    // the reminders read everything again (even after a failure, whose data is the old one).
    events_.Replaced();
    if (sync_) sync_->Start();
  }
  if (result == RestoreResult::Ok) StartPacking();
  if (LoadBarHotkey() != hotkey) {
    hotkeys_->Unregister(kBarHotkeyId);
    CSysTool(prompter_).RegHotKey(*hotkeys_, LoadBarHotkey(), kBarHotkeyId);
  }
  win::OwnedMessage(hwnd(), RestoreOutcomeText(result, detail), kRestoreCaption, MsgButtons::Ok,
                    result == RestoreResult::Ok ? MsgIcon::Information : MsgIcon::Error);
}

namespace {

const char* const kDataFolderCaption = "数据文件夹";

// Whether another running copy holds `folder`'s lock; a lock file made for the probe goes.
bool HeldElsewhere(const std::string& folder) {
  const std::string lock = folder + "\\" + std::string(kDataLockName);
  const bool existed = FileExists(lock);
  HeldFile probe;
  const HeldFile::Result held = probe.Hold(lock);
  probe.Close();
  if (held == HeldFile::Result::Held && !existed) RemoveFile(lock);
  return held == HeldFile::Result::InUse;
}

std::string CountsText(const BackupCounts& c) {
  return std::to_string(c.notes) + Gb(" 条记事、") + std::to_string(c.contacts) +
         Gb(" 个联系人、") + std::to_string(c.cards) + Gb(" 张资料卡");
}

}  // namespace

void CMainDlg::ChangeDataFolder(HWND owner) {
  ModalScope modal(*this);
  win::Win32Prompter prompter(owner);
  const std::string caption = Gb(kDataFolderCaption);
  std::string target = prompter.PickFolder(Gb("请选择数据文件夹"));
  while (target.size() > 3 && target.back() == '\\') target.pop_back();  // "D:\" stays
  if (target.empty()) return;
  const FolderChange change{target, win::WorkingFolder(), win::ComputerName()};
  std::string problem = DataFolderProblem(target, change.programFolder);
  if (problem.empty() && HeldElsewhere(target))
    problem = Gb("另一个 Pimbrel 正在使用这个文件夹中的数据。");
  if (!problem.empty()) {
    prompter.ShowMessage(problem, caption, MsgButtons::Ok, MsgIcon::Warning);
    return;
  }
  enum { kMerge, kUse, kCopy } how = kCopy;
  if (HoldsRecordFolders(target)) {
    const int choice = prompter.Choose(
        target + Gb(" 里已经有 Pimbrel 的数据：") + CountsText(CountRecords(target)) +
            Gb("。\r\n\r\n合并：把这台电脑上的记事、联系人和资料卡作为新记录加进去。\r\n"
               "直接使用：使用其中的数据；这台电脑上的数据先备份到 backup 文件夹。"),
        caption, {Gb("合并"), Gb("直接使用"), Gb("取消")});
    if (choice != 0 && choice != 1) return;
    how = choice == 0 ? kMerge : kUse;
  } else if (prompter.ShowMessage(
                 Gb("把数据复制到 ") + target + Gb(" 并在那里使用吗？原来的文件留在原处。"),
                 caption, MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes) {
    return;
  }
  std::string failure;
  bool changed = false;
  {
    win::BusyCursor busy;
    LetGoOfData();
    UnlockDataFolder();
    switch (how) {
      case kCopy:
        changed = CopyDataTo(change, failure);
        break;
      case kMerge:
        changed = MergeDataInto(change, prompter, failure);
        break;
      case kUse:
        changed = UseDataFolder(change, PIMBREL_VERSION_TEXT, Today(), failure);
        break;
    }
    LockDataFolder();
    // The panels, the records in memory, the search and the reminders read the new folder.
    events_.Replaced();
    if (sync_) sync_->Start();
  }
  if (changed)
    prompter.ShowMessage(Gb("现在的数据文件夹是 ") + win::RecordsFolder() + Gb("。") +
                             (failure.empty() ? "" : "\r\n" + failure),
                         caption, MsgButtons::Ok, MsgIcon::Information);
  else
    prompter.ShowMessage(failure + Gb("\r\n数据文件夹没有更换。"), caption, MsgButtons::Ok,
                         MsgIcon::Error);
}

void CMainDlg::LetGoOfData() {
  packer_.Wait();  // its paths are mapped through the data folder
  SavePanels();
  if (sync_) sync_->Stop();  // watched again after
  records_.Forget();         // a search's scan stops: its threads read the data folder's name
}

void CMainDlg::StartPacking() {
  const HWND bar = hwnd();
  packer_.Start([bar] { PostMessageW(bar, kPacked, 0, 0); });
}

void CMainDlg::OnPacked() {
  std::string failure;
  if (packer_.Wait(&failure) || gate_.exited()) return;
  ModalScope modal(*this);
  win::OwnedMessage(hwnd(), SafetyCopyFailedText(failure), kRestoreCaption, MsgButtons::Ok,
                    MsgIcon::Warning);
}

void CMainDlg::MakeDailyCopyAtExit() {
  std::string failure;
  if (MakeDailyCopy(PIMBREL_VERSION_TEXT, Today(), failure) == DailyCopy::Failed)
    prompter_.ShowMessage(DailyCopyFailedText(failure), kBackupCaption, MsgButtons::Ok,
                          MsgIcon::Warning);
}

}  // namespace pim
