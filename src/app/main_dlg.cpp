#include "app/main_dlg.h"

#include "app/about.h"
#include "app/startup.h"
#include "app/tool_box.h"
#include "config/sys_set_dlg.h"
#include "config/sys_settings.h"
#include "contacts/comu_dlg.h"
#include "datum/datum_dlg.h"
#include "notes/note_dlg.h"
#include "platform/sys_tool.h"
#include "quicklaunch/run_wnd.h"
#include "resource.h"
#include "win/gui_count.h"

namespace pim {

namespace {

constexpr UINT kTrayMessage = WM_USER + 2;
constexpr UINT_PTR kStartTimer = 2;
constexpr UINT_PTR kPendingTimer = 3;

// Sets what a dialog procedure answers for messages whose result is not its return value.
bool Answer(HWND dialog, LRESULT value) {
  SetWindowLongPtrW(dialog, DWLP_MSGRESULT, value);
  return true;
}

}  // namespace

CMainDlg::CMainDlg(bool startVisible, RunMarker& marker)
    : Dialog(IDD_MAINBAR), visible_(startVisible), marker_(marker) {}

CMainDlg::~CMainDlg() {
  for (HBITMAP picture : pictures_)
    if (picture) DeleteObject(picture);
  if (brush_) DeleteObject(brush_);
  if (background_) DeleteObject(background_);
  if (menu_) DestroyMenu(menu_);
}

bool CMainDlg::OnInitDialog() {
  icon_ = LoadIconW(Instance(), MAKEINTRESOURCEW(IDI_PIMBREL));
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  menu_ = LoadMenuW(Instance(), MAKEINTRESOURCEW(IDR_MAINMENU));
  for (int id = IDB_BAR; id <= IDB_TOOLBOX; ++id)
    if (id == IDB_BAR || id >= IDB_MENU)
      pictures_[id - IDB_BAR] = static_cast<HBITMAP>(
          LoadImageW(Instance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  background_ = pictures_[0];
  pictures_[0] = nullptr;
  if (background_) brush_ = CreatePatternBrush(background_);

  SetWindowPos(hwnd(), HWND_TOPMOST, 5, 5, 0, 0, SWP_NOSIZE);
  hotkeys_ = std::make_unique<win::Win32Hotkeys>(hwnd());
  AddTrayIconAndHotkey();
  // A tool window has no task-bar button.
  const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
  SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, (style & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
  SetTimer(hwnd(), kStartTimer, 10, nullptr);
  return true;
}

void CMainDlg::AddTrayIconAndHotkey() {
  tray_.Create(hwnd(), kTrayMessage, L"Pimbrel个人电脑管家", icon_, IDR_TRAYMENU);
  CSysTool(prompter_).RegHotKey(*hotkeys_, LoadBarHotkey(), kBarHotkeyId);
}

void CMainDlg::CreatePanels() {
  KillTimer(hwnd(), kStartTimer);
  PanelHost& host = *this;
  for (int i = 0; i < kPanelCount; ++i) {
    if (panels_[i]) continue;
    switch (i) {
      case kRun:
        panels_[i] = std::make_unique<CRunWnd>(host);
        break;
      case kDatum:
        panels_[i] = std::make_unique<CDatumDlg>(host);
        break;
      case kComu:
        panels_[i] = std::make_unique<CComuDlg>(host);
        break;
      case kNote:
        panels_[i] = std::make_unique<CNoteDlg>(host);
        break;
      default:
        panels_[i] = std::make_unique<CToolBox>(host);
        break;
    }
    if (!panels_[i]->CreateModeless(hwnd())) {
      ModalScope modal(*this);
      win::OwnedMessage(hwnd(), "Faild!", "Pimbrel", MsgButtons::Ok, MsgIcon::None);
      panels_[i].reset();
      continue;
    }
    if (i == kRun)
      panels_[i]->ShowBelowParent(SW_HIDE);
    else
      panels_[i]->window().Show(SW_HIDE);
  }
  SetWindowPos(hwnd(), HWND_TOPMOST, 5, 5, 0, 0, SWP_NOSIZE);
  if (!visible_) window().Show(SW_HIDE);
}

void CMainDlg::SetButtonImage(int control, int bitmap) {
  HBITMAP picture = pictures_[bitmap - IDB_BAR];
  if (picture)
    SendDlgItemMessageW(hwnd(), control, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(picture));
}

void CMainDlg::SwitchTo(PanelIndex index, const Button& button) {
  SetButtonImage(button.control, button.pressed);
  UpdateWindow(hwnd());
  Sleep(100);
  if (current_) current_->window().Show(SW_HIDE);
  CPanel* panel = panels_[index].get();
  if (!panel) return;
  if (index == kDatum) {
    // The datum panel places itself, and may put its browser in its place.
    current_ = panel;
    panel->ShowPanel();
  } else {
    panel->ShowBelowParent(SW_SHOW);
    current_ = panel;
  }
  SetButtonImage(button.control, button.normal);
}

void CMainDlg::OpenMainMenu() {
  SetButtonImage(IDC_BTN_MENU, IDB_MENU_DOWN);
  const RECT bar = window().ScreenRect();
  TrackPopupMenu(GetSubMenu(menu_, 0), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON,
                 bar.right - 20, bar.top + 10, 0, hwnd(), nullptr);
  SetButtonImage(IDC_BTN_MENU, IDB_MENU);
}

void CMainDlg::ToggleVisibility() {
  visible_ = !visible_;
  window().Show(visible_ ? SW_SHOW : SW_HIDE);
  if (current_) current_->window().Show(visible_ ? SW_SHOW : SW_HIDE);
}

void CMainDlg::OpenSettings() {
  ModalScope modal(*this);
  win::Win32Prompter prompter(hwnd());
  win::Win32Registry registry;
  CSet sheet(prompter, *hotkeys_, registry);
  sheet.DoModal(hwnd());
}

void CMainDlg::ShowAbout() {
  ModalScope modal(*this);
  ToggleVisibility();
  CAbout about;
  about.DoModal(hwnd());
  ToggleVisibility();
}

void CMainDlg::RequestCommand(Pending command) {
  // Exit goes before anything waiting; anything else waits its turn or is dropped.
  if (exited_ || pending_ == Pending::Exit) return;
  if (pending_ != Pending::None && command != Pending::Exit) return;
  pending_ = command;
  lastClosed_ = nullptr;
  // Panels are deleted or reloaded only once no dialog runs on them; the timer waits for that.
  SetTimer(hwnd(), kPendingTimer, 50, nullptr);
  ContinuePending();
}

void CMainDlg::ContinuePending() {
  if (const std::vector<HWND> modals = win::OpenModals(hwnd()); !modals.empty()) {
    if (pending_ != Pending::Exit) return;
    if (modals.front() != lastClosed_ && IsWindowEnabled(modals.front()))
      win::CloseModalForExit(modals.front());
    lastClosed_ = modals.front();
    return;
  }
  if (openModals_ > 0) return;  // a dialog has gone, and the code that opened it still runs
  KillTimer(hwnd(), kPendingTimer);
  const Pending command = pending_;
  pending_ = Pending::None;
  switch (command) {
    case Pending::Exit:
      ExitProcedure();
      break;
    case Pending::Backup:
      BackupData();
      break;
    case Pending::Restore:
      RestoreData();
      break;
    case Pending::None:
      break;
  }
}

void CMainDlg::SaveForSessionEnd() {
  if (exited_) return;
  exited_ = true;
  // Every open dialog closes now, the innermost first; each of ours does its closing work
  // here, inside the query.
  for (HWND modal : win::OpenModals(hwnd())) win::CloseModalForExit(modal);
  hotkeys_->Unregister(kBarHotkeyId);
  for (int i : {kRun, kDatum, kComu, kTool, kNote})
    if (panels_[i]) panels_[i]->OnExit();
  tray_.Remove();
  marker_.Release();
}

void CMainDlg::ExitProcedure() {
  if (exited_) return;
  exited_ = true;
  hotkeys_->Unregister(kBarHotkeyId);
  for (int i : {kRun, kDatum, kComu, kTool, kNote}) {
    if (!panels_[i]) continue;
    panels_[i]->OnExit();
    panels_[i]->Destroy();
    panels_[i].reset();
  }
  current_ = nullptr;
  MakeDailyCopyAtExit();  // never at the end of a session, which has no time to spare
  tray_.Remove();
  marker_.Release();
  EndDialog(IDOK);
}

void CMainDlg::FollowBar() {
  if (!current_) return;
  const RECT bar = window().ScreenRect();
  current_->window().MoveTo(bar.left, bar.bottom);
}

bool CMainDlg::OnCommand(int id, int code) {
  static const Button kNoteButton{IDC_BTN_NOTE, IDB_NOTE, IDB_NOTE_DOWN};
  static const Button kDatumButton{IDC_BTN_DATUM, IDB_DATUM, IDB_DATUM_DOWN};
  static const Button kComuButton{IDC_BTN_COMU, IDB_COMU, IDB_COMU_DOWN};
  static const Button kRunButton{IDC_BTN_RUN, IDB_RUN, IDB_RUN_DOWN};
  static const Button kToolButton{IDC_BTN_TOOLBOX, IDB_TOOLBOX, IDB_TOOLBOX_DOWN};
  // Picture buttons report a click, or a double click when clicked fast; both are a click.
  if (code != 0 && code != 1) return false;
  switch (id) {
    case IDC_BTN_NOTE:
    case ID_NOTES:
      SwitchTo(kNote, kNoteButton);
      return true;
    case IDC_BTN_DATUM:
    case ID_DATUM:
      SwitchTo(kDatum, kDatumButton);
      return true;
    case IDC_BTN_COMU:
    case ID_CONTACTS:
      SwitchTo(kComu, kComuButton);
      return true;
    case IDC_BTN_RUN:
    case ID_QUICKLAUNCH:
      SwitchTo(kRun, kRunButton);
      return true;
    case IDC_BTN_TOOLBOX:
    case ID_TOOLBOX:
      SwitchTo(kTool, kToolButton);
      return true;
    case IDC_BTN_MENU:
      OpenMainMenu();
      return true;
    case IDC_BTN_TOGGLE:
    case ID_SHOWHIDE:
      ToggleVisibility();
      return true;
    case IDC_BTN_MORE: {
      ModalScope modal(*this);
      win::OwnedMessage(hwnd(), "Sorry,this function not support in this version!", "info",
                        MsgButtons::Ok, MsgIcon::Information);
      return true;
    }
    case ID_SETTINGS:
      OpenSettings();
      return true;
    case ID_ABOUT:
      ShowAbout();
      return true;
    case ID_HELP:
      win::Win32Shell().Open("pimbrel.chm", "", "");
      return true;
    case ID_EXIT:
      RequestCommand(Pending::Exit);
      return true;
    case ID_BACKUP:
      RequestCommand(Pending::Backup);
      return true;
    case ID_RESTORE:
      RequestCommand(Pending::Restore);
      return true;
    // Enter and Escape would end the bar behind the exit procedure's back.
    case IDOK:
    case IDCANCEL:
      return true;
    default:
      return false;
  }
}

bool CMainDlg::OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) {
  switch (message) {
    case WM_TIMER:
      if (wp == kStartTimer) CreatePanels();
      if (wp == kPendingTimer) ContinuePending();
      return true;
    case WM_MOVE:
      FollowBar();
      return false;
    case WM_NCHITTEST: {
      // The bar's uncovered background drags it like a caption.
      POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      RECT client;
      GetClientRect(hwnd(), &client);
      ScreenToClient(hwnd(), &at);
      if (!PtInRect(&client, at)) return false;
      result = Answer(hwnd(), HTCAPTION);
      return true;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      result = reinterpret_cast<INT_PTR>(brush_);
      return brush_ != nullptr;
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<INT_PTR>(icon_);
      return true;
    case kTrayMessage:
      tray_.OnNotify(wp, lp);
      return true;
    case WM_HOTKEY:
      if (wp == kBarHotkeyId) ToggleVisibility();
      return true;
    case WM_QUERYENDSESSION:
      SaveForSessionEnd();
      result = Answer(hwnd(), TRUE);
      return true;
    case WM_ENDSESSION:
      // Another program kept the session going: run on as before, marker claimed again.
      if (!wp && exited_ && marker_.Claim() == MarkerResult::Started) {
        exited_ = false;
        AddTrayIconAndHotkey();
      }
      return true;
    case WM_CLOSE:
      // Alt+F4 would end the bar behind the exit procedure's back.
      return true;
    default:
      if (message != win::GuiCountMessage()) return false;
      result = Answer(hwnd(), win::CountGuiObjects(wp));  // for the leak test
      return true;
  }
}

}  // namespace pim
