// The bar's backup and restore commands, the daily copy at exit, and what every panel does
// around them.
#include <windows.h>
// After windows.h, which they need.
#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "app/main_dlg.h"
#include "backup/backup.h"
#include "backup/messages.h"
#include "backup/restore.h"
#include "base/path.h"
#include "config/sys_settings.h"
#include "pimbrel_version.h"
#include "platform/sys_tool.h"
#include "win/text.h"

namespace pim {

namespace {

// The common file dialog in `folder`, proposing `name`; the chosen path or "". It keeps
// the working folder, which the data paths are relative to.
std::string PickArchive(HWND owner, bool save, const std::string& folder, const std::string& name) {
  std::wstring filter = win::Widen(kArchiveFilter);
  for (wchar_t& c : filter)
    if (c == L'|') c = L'\0';
  filter.push_back(L'\0');
  const std::wstring start = win::Widen(folder);
  std::vector<wchar_t> file(32768, L'\0');
  const std::wstring proposed = win::Widen(name);
  proposed.copy(file.data(), file.size() - 1);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
  ofn.lpstrDefExt = L"zip";
  ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY |
              (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST);
  // comdlg32 is loaded when a picker first opens (start-up stays small).
  using Picker = BOOL(WINAPI*)(OPENFILENAMEW*);
  HMODULE library = LoadLibraryExW(L"comdlg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  const auto picker = library ? reinterpret_cast<Picker>(reinterpret_cast<void*>(GetProcAddress(
                                    library, save ? "GetSaveFileNameW" : "GetOpenFileNameW")))
                              : nullptr;
  std::vector<wchar_t> working(32768, L'\0');
  GetCurrentDirectoryW(static_cast<DWORD>(working.size()), working.data());
  const bool chosen = picker && picker(&ofn);
  SetCurrentDirectoryW(working.data());
  return chosen ? win::Narrow(file.data()) : std::string();
}

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

}  // namespace

void CMainDlg::SavePanels() {
  // The datum panel's close handling also closes its browser, which may be the current one.
  if (current_) current_->window().Show(SW_HIDE);
  current_ = nullptr;
  for (int i : {kRun, kDatum, kComu, kTool, kNote})
    if (panels_[i]) panels_[i]->OnExit();
}

void CMainDlg::ReloadPanels() {
  for (auto& panel : panels_)
    if (panel) panel->ReloadData();
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
    ReloadPanels();
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
    result = RunRestore(reader, plan, PIMBREL_VERSION_TEXT, Today(), detail);
    ReloadPanels();
    // Every record may have changed: all are read again, the search window's list too.
    records_.Forget();
    if (search_) search_->ReadAgain();
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
