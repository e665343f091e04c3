// The bar's side of the command gate: the open dialogs, the exit and the end of the session.
#include "app/data_folder.h"
#include "app/main_dlg.h"
#include "reminders/exit_notice.h"
#include "settings/sys_settings.h"

namespace pim {

std::vector<CommandGate::Modal> CMainDlg::OpenModals() {
  std::vector<CommandGate::Modal> modals;
  for (HWND modal : win::OpenModals(hwnd())) modals.push_back(reinterpret_cast<uintptr_t>(modal));
  return modals;
}

bool CMainDlg::IsEnabled(CommandGate::Modal modal) {
  return IsWindowEnabled(reinterpret_cast<HWND>(modal)) != FALSE;
}

void CMainDlg::CloseForExit(CommandGate::Modal modal) {
  win::CloseModalForExit(reinterpret_cast<HWND>(modal));
}

void CMainDlg::Poll(bool on) {
  // Panels are deleted or reloaded only once no dialog runs on them; the timer waits for that.
  if (on)
    SetTimer(hwnd(), kPollTimer, 50, nullptr);
  else
    KillTimer(hwnd(), kPollTimer);
}

bool CMainDlg::ConfirmExit() {
  // An exit right after the start: the panels not made yet are made, so the waiting cards count.
  while (panels_.CreateNext(hwnd(), {*this, reminders_.reminders()}, [this] { PanelFailed(); })) {
  }
  CPanel* waiting = panels_.WithPendingWork();
  ExitAnswer answer;
  {
    ModalScope modal(*this);
    win::Win32Prompter prompter(hwnd());
    answer =
        AskBeforeExit(prompter, LoadSysSettings().notice, waiting ? waiting->PendingCount() : 0);
  }
  // The end of the session may have come meanwhile; it has done the exit's work.
  if (answer == ExitAnswer::TrimFirst && !gate_.exited()) waiting->ProcessPending();
  return answer != ExitAnswer::Stay;
}

void CMainDlg::Run(Command command) {
  switch (command) {
    case Command::Exit:
      ExitProcedure();
      break;
    case Command::Backup:
      BackupData();
      break;
    case Command::Restore:
      RestoreData();
      break;
    case Command::Open:
      ShowRecordNow(gate_.record());
      break;
    case Command::None:
      break;
  }
}

void CMainDlg::ExitProcedure() {
  KillTimer(hwnd(), kDateTimer);
  KillTimer(hwnd(), kStartTimer);  // no panel is made on the way out
  if (sync_) sync_->Stop();
  hotkeys_->Unregister(kBarHotkeyId);
  captureKeys_->Unregister();
  if (search_) search_->Close();
  panels_.CloseAll(true);
  // After the panels, whose last saves it then holds; never at a session end.
  if (search_) search_->KeepCache();
  search_.reset();
  current_ = nullptr;
  packer_.Wait();         // one that fails is packed at the next start
  MakeDailyCopyAtExit();  // never at the end of a session, which has no time to spare
  tray_.Remove();
  UnlockDataFolder();
  marker_.Release();
  EndDialog(IDOK);
}

void CMainDlg::SaveForSessionEnd() {
  // Every open dialog closes now, the innermost first; each of ours does its closing work
  // here, inside the query.
  if (!gate_.EndSession()) return;
  if (sync_) sync_->Stop();
  // Its window only: the object may be running the call that led here.
  if (search_) search_->Close();
  hotkeys_->Unregister(kBarHotkeyId);
  captureKeys_->Unregister();
  panels_.CloseAll(false);
  tray_.Remove();
  UnlockDataFolder();
  marker_.Release();
}

}  // namespace pim
