#include "app/main_dlg.h"

#include "app/about.h"
#include "app/exchange_dlg.h"
#include "platform/sys_tool.h"
#include "resource.h"
#include "settings/sys_set_dlg.h"
#include "settings/sys_settings.h"
#include "sync/conflict_dlg.h"
#include "win/display_scale.h"
#include "win/gui_count.h"
#include "win/tip_query.h"

namespace pim {

namespace {

constexpr UINT kTrayMessage = WM_USER + 2;

// The balloon's words for records changed on two computers; none when there are none.
std::wstring ConflictNotice(int open) {
  return open > 0 ? L"有 " + std::to_wstring(open) + L" 条记录在两台电脑上都修改过" : L"";
}

// Sets what a dialog procedure answers for messages whose result is not its return value.
bool Answer(HWND dialog, LRESULT value) {
  SetWindowLongPtrW(dialog, DWLP_MSGRESULT, value);
  return true;
}

}  // namespace

CMainDlg::CMainDlg(bool startVisible, RunMarker& marker)
    : Dialog(IDD_MAINBAR), visible_(startVisible), marker_(marker) {
  events_.Subscribe(records_);
  events_.Subscribe(searchCache_);
  events_.SetNoteTypes(&records_);
}

CMainDlg::~CMainDlg() {
  events_.SetNoteTypes(nullptr);
  events_.Unsubscribe(searchCache_);
  events_.Unsubscribe(records_);
}

bool CMainDlg::OnInitDialog() {
  // The bar places its pictures itself, at every scale.
  win::KeepOwnLayout(hwnd());
  menu_.reset(LoadMenuW(Instance(), MAKEINTRESOURCEW(IDR_MAINMENU)));
  pictures_.Apply(hwnd(), scale_);

  SetWindowPos(hwnd(), HWND_TOPMOST, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
  hotkeys_ = std::make_unique<win::Win32Hotkeys>(hwnd());
  captureKeys_ = std::make_unique<CaptureKeys>(*hotkeys_);
  CSysTool(prompter_).RegHotKey(*hotkeys_, LoadBarHotkey(), kBarHotkeyId);
  reminders_.reminders().OnChange([this] {
    if (!gate_.exited()) reminders_.Check();
  });
  // A tool window has no task-bar button.
  const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
  SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, (style & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
  SetTimer(hwnd(), kStartTimer, 10, nullptr);
  SetTimer(hwnd(), kDateTimer, 60 * 1000, nullptr);
  // Shown now, made active on the first tick with the tray icon: under Wine the first
  // activation took 12 ms, and asking the shell for the icon 5 ms, before the bar showed.
  ShowWindow(hwnd(), SW_SHOWNA);
  return false;  // the dialog manager would activate it to give a button the focus
}

void CMainDlg::AddTrayIconAndHotkey() {
  tray_.Create(hwnd(), kTrayMessage, kTrayTip, pictures_.smallIcon(), IDR_TRAYMENU);
  CSysTool(prompter_).RegHotKey(*hotkeys_, LoadBarHotkey(), kBarHotkeyId);
}

CPanel* CMainDlg::Panel(const PanelLine* line) {
  if (!line) return nullptr;
  return panels_.Ensure(*line, hwnd(), {*this, reminders_.reminders()}, [this] { PanelFailed(); });
}

void CMainDlg::PanelFailed() {
  ModalScope modal(*this);
  win::OwnedMessage(hwnd(), "Faild!", "Pimbrel", MsgButtons::Ok, MsgIcon::None);
}

void CMainDlg::CreatePanels() {
  if (!trayAsked_) {
    trayAsked_ = true;
    if (visible_) SetForegroundWindow(hwnd());
    pictures_.ApplyRest(hwnd());
    tray_.Create(hwnd(), kTrayMessage, kTrayTip, pictures_.smallIcon(), IDR_TRAYMENU);
    return;
  }
  // One panel a tick: the bar answers in between, and a panel asked for first is made at once.
  if (panels_.CreateNext(hwnd(), {*this, reminders_.reminders()}, [this] { PanelFailed(); }))
    return;
  KillTimer(hwnd(), kStartTimer);
  // After the quick-launch keys, which keep theirs; the settings page tells of a clash.
  captureKeys_->Register(LoadSysSettings().captureHotkey);
  SetWindowPos(hwnd(), HWND_TOPMOST, 5, 5, 0, 0, SWP_NOSIZE);
  if (!visible_) window().Show(SW_HIDE);
  sync_ = std::make_unique<SyncWatch>(hwnd(), events_, [this](int open) {
    if (!gate_.exited()) reminders_.Notify(ConflictNotice(open));
  });
  sync_->Start();
  StartPacking();  // a restore's safety copy that a kill or a failure left to pack
  const CPanel* waiting = panels_.WithPendingWork();
  if (!gate_.exited())
    reminders_.Check(waiting ? waiting->PendingCount() : 0, ConflictNotice(sync_->open()));
}

void CMainDlg::OnBalloonClick() {
  // Not while a dialog waits for the user, nor once the program is on its way out.
  if (!gate_.Idle()) return;
  if (reminders_.noticeShown() && sync_ && sync_->open() > 0)
    OpenConflicts();
  else if (reminders_.balloonContact() >= 0)
    ShowRecordNow({RecordKind::Contact, reminders_.balloonContact(), "", false});
}

void CMainDlg::OpenConflicts() {
  std::vector<Conflict> open = FindConflicts(&events_).open;
  if (!open.empty()) {
    ModalScope modal(*this);
    CConflictDlg(std::move(open), events_).DoModal(hwnd());
  }
  if (sync_) sync_->Recount();
}

void CMainDlg::OpenSearch(SearchScope scope) {
  if (gate_.exited()) return;
  if (search_ && !search_->hwnd()) search_.reset();  // closed by a session end that never came
  if (!search_) {
    PanelHost& host = *this;
    search_ = std::make_unique<CSearchDlg>(host, records_, searchCache_);
    if (!search_->CreateModeless(hwnd())) {
      search_.reset();
      return;
    }
  }
  if (!visible_) ToggleVisibility();
  search_->Open(scope);
}

void CMainDlg::ShowRecordNow(const RecordRef& record) {
  CPanel* panel = Panel(PanelRoster::LineEditing(record.kind));
  if (!panel) return;
  if (!visible_) ToggleVisibility();
  if (current_ && current_ != panel) current_->window().Show(SW_HIDE);
  current_ = nullptr;
  panel->ShowRecord(record);  // the panel places itself and becomes current
}

void CMainDlg::SwitchTo(const PanelLine& line) {
  pictures_.ShowButton(hwnd(), line.button, true);
  UpdateWindow(hwnd());
  Sleep(100);
  if (current_) current_->window().Show(SW_HIDE);
  CPanel* panel = Panel(&line);
  if (!panel) return;
  // Current first: the datum panel may put its browser in its place.
  current_ = panel;
  panel->ShowPanel();
  pictures_.ShowButton(hwnd(), line.button, false);
}

void CMainDlg::OpenMainMenu() {
  pictures_.ShowButton(hwnd(), IDC_BTN_MENU, true);
  const RECT bar = window().ScreenRect();
  TrackPopupMenu(GetSubMenu(menu_.get(), 0), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON,
                 bar.right - 20, bar.top + 10, 0, hwnd(), nullptr);
  pictures_.ShowButton(hwnd(), IDC_BTN_MENU, false);
}

void CMainDlg::ToggleVisibility() {
  visible_ = !visible_;
  window().Show(visible_ ? SW_SHOW : SW_HIDE);
  if (current_) current_->window().Show(visible_ ? SW_SHOW : SW_HIDE);
  if (search_) search_->FollowBar(visible_);
}

void CMainDlg::OpenSettings() {
  ModalScope modal(*this);
  win::Win32Prompter prompter(hwnd());
  win::Win32Registry registry;
  CSet sheet(prompter, *hotkeys_, *captureKeys_, registry,
             [this](HWND owner) { ChangeDataFolder(owner); });
  sheet.DoModal(hwnd());
}

void CMainDlg::ShowAbout() {
  ModalScope modal(*this);
  ToggleVisibility();
  CAbout about;
  about.DoModal(hwnd());
  ToggleVisibility();
}

void CMainDlg::FollowBar() {
  if (!current_) return;
  const RECT bar = window().ScreenRect();
  current_->window().MoveTo(bar.left, bar.bottom);
}

bool CMainDlg::OnCommand(int id, int code) {
  // The buttons report a click, or a double click when clicked fast; both are a click. Menus
  // and accelerators report 0 and 1.
  if (code == BN_DOUBLECLICKED && GetDlgItem(hwnd(), id)) code = BN_CLICKED;
  if (code != 0 && code != 1) return false;
  if (const PanelLine* line = PanelRoster::LineOf(id)) {
    SwitchTo(*line);
    return true;
  }
  switch (id) {
    case IDC_BTN_MENU:
      OpenMainMenu();
      return true;
    case IDC_BTN_TOGGLE:
    case ID_SHOWHIDE:
      ToggleVisibility();
      return true;
    case IDC_BTN_MORE:
      OpenSearch(SearchScope::All);
      return true;
    case ID_SEARCH_DATUM:
      OpenSearch(SearchScope::Cards);
      return true;
    case ID_SEARCH_TEXT:
      OpenSearch(SearchScope::Notes);
      return true;
    case ID_SEARCH_PEOPLE:
      OpenSearch(SearchScope::Contacts);
      return true;
    case ID_SETTINGS:
      OpenSettings();
      return true;
    case ID_IMPORT:
    case ID_EXPORT:
      if (gate_.Idle()) {
        ModalScope modal(*this);
        CExchangeDlg(id == ID_IMPORT, events_).DoModal(hwnd());
      }
      return true;
    case ID_ABOUT:
      ShowAbout();
      return true;
    case ID_HELP:
      win::Win32Shell().Open("pimbrel.chm", "", "");
      return true;
    case ID_EXIT:
      gate_.Request(Command::Exit);
      return true;
    case ID_BACKUP:
      gate_.Request(Command::Backup);
      return true;
    case ID_RESTORE:
      gate_.Request(Command::Restore);
      return true;
    // Enter presses the button with the focus; Escape hides the bar, and neither ends it.
    case IDOK:
      if (const HWND focus = GetFocus(); focus && GetParent(focus) == hwnd() && focus != hwnd())
        if (const int button = GetDlgCtrlID(focus); button != IDOK) OnCommand(button, BN_CLICKED);
      return true;
    case IDCANCEL:
      if (visible_) ToggleVisibility();
      return true;
    default:
      return false;
  }
}

bool CMainDlg::OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) {
  if (sync_ && sync_->OnMessage(message, wp, lp, gate_.Idle())) return true;
  switch (message) {
    case WM_TIMER:
      if (wp == kStartTimer) CreatePanels();
      if (wp == kPollTimer) gate_.Continue();
      if (wp == kDateTimer && reminders_.DayChanged() && !gate_.exited()) reminders_.Check();
      return true;
    case WM_TIMECHANGE:
      if (reminders_.DayChanged() && !gate_.exited()) reminders_.Check();
      return true;
    case WM_MOVE:
      FollowBar();
      return false;
    case WM_DPICHANGED: {
      // The bar has moved to a screen of another scale; the panels take its scale, and the
      // current one stays below it.
      const RECT& suggested = *reinterpret_cast<const RECT*>(lp);
      SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      ScaleTo(LOWORD(wp));  // the bar's own pictures
      panels_.ScaleAll(LOWORD(wp));
      FollowBar();
      return true;
    }
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
    case WM_DRAWITEM:
      result = pictures_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      return true;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
      result = reinterpret_cast<INT_PTR>(pictures_.brush());
      return pictures_.brush() != nullptr;
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<INT_PTR>(pictures_.icon());
      return true;
    case kTrayMessage:
      if (LOWORD(lp) == NIN_BALLOONUSERCLICK)
        OnBalloonClick();
      else
        tray_.OnNotify(wp, lp);
      return true;
    case WM_HOTKEY:
      if (wp == kBarHotkeyId)
        ToggleVisibility();
      else if (wp == kCaptureHotkeyId || wp == kCaptureEditHotkeyId)
        Capture(wp == kCaptureEditHotkeyId);
      return true;
    case WM_QUERYENDSESSION:
      SaveForSessionEnd();
      result = Answer(hwnd(), TRUE);
      return true;
    case WM_ENDSESSION:
      // Another program kept the session going: run on as before, marker claimed again.
      if (!wp && gate_.exited() && marker_.Claim() == MarkerResult::Started) {
        gate_.SessionGoesOn();
        AddTrayIconAndHotkey();
        captureKeys_->Register(captureKeys_->value());
        if (sync_) sync_->Start();
      }
      return true;
    case kPacked:
      OnPacked();
      return true;
    case WM_CLOSE:
      // Alt+F4 would end the bar behind the exit procedure's back.
      return true;
    default:
      if (message == win::TipQueryMessage()) {  // for the reminder test
        const std::wstring& tip = wp == 0 ? reminders_.lastBalloon() : tray_.tip();
        result = Answer(hwnd(), win::AnswerTipQuery(tip));
        return true;
      }
      if (message != win::GuiCountMessage()) return false;
      result = Answer(hwnd(), win::CountGuiObjects(wp));  // for the leak test
      return true;
  }
}

}  // namespace pim
