#include "app/main_dlg.h"

#include <algorithm>

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
#include "reminders/exit_notice.h"
#include "resource.h"
#include "win/display_scale.h"
#include "win/gui_count.h"
#include "win/text.h"
#include "win/tip_query.h"

namespace pim {

namespace {

constexpr UINT kTrayMessage = WM_USER + 2;
constexpr UINT_PTR kStartTimer = 2;
constexpr UINT_PTR kPendingTimer = 3;
constexpr UINT_PTR kDateTimer = 4;  // notices the date changing while the program runs
constexpr const wchar_t* kTrayTip = L"Pimbrel个人电脑管家";

Date Today(const Clock& clock) {
  const LocalTime now = clock.Now();
  return {now.year, now.month, now.day};
}

// The bar's pictures at 100%, in client pixels: the background covers the whole bar, the
// buttons sit side by side, the triangles one above the other.
constexpr PixelBox kBarBox{0, 0, 330, 26};
constexpr struct {
  int control;
  int bitmaps[2];  // normal, pressed
  PixelBox box;
} kPictures[] = {
    {IDC_BTN_NOTE, {IDB_NOTE, IDB_NOTE_DOWN}, {2, 2, 53, 24}},
    {IDC_BTN_DATUM, {IDB_DATUM, IDB_DATUM_DOWN}, {53, 2, 104, 24}},
    {IDC_BTN_COMU, {IDB_COMU, IDB_COMU_DOWN}, {104, 2, 155, 24}},
    {IDC_BTN_RUN, {IDB_RUN, IDB_RUN_DOWN}, {162, 2, 213, 24}},
    {IDC_BTN_TOOLBOX, {IDB_TOOLBOX, IDB_TOOLBOX_DOWN}, {213, 2, 264, 24}},
    {IDC_BTN_MENU, {IDB_MENU, IDB_MENU_DOWN}, {264, 2, 315, 24}},
    {IDC_BTN_TOGGLE, {IDB_TRI_DOWN, 0}, {317, 2, 328, 11}},
    {IDC_BTN_MORE, {IDB_TRI_LEFT, 0}, {317, 13, 328, 22}},
};

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
  if (icon_) DestroyIcon(icon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
}

bool CMainDlg::OnInitDialog() {
  // The bar places its pictures itself, at every scale.
  win::KeepOwnLayout(hwnd());
  menu_ = LoadMenuW(Instance(), MAKEINTRESOURCEW(IDR_MAINMENU));
  ApplyScale(win::WindowDpi(hwnd()));

  SetWindowPos(hwnd(), HWND_TOPMOST, 5, 5, 0, 0, SWP_NOSIZE);
  hotkeys_ = std::make_unique<win::Win32Hotkeys>(hwnd());
  AddTrayIconAndHotkey();
  reminders_.Load();
  reminders_.OnChange([this] { CheckReminders(false); });
  // A tool window has no task-bar button.
  const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
  SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, (style & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
  SetTimer(hwnd(), kStartTimer, 10, nullptr);
  SetTimer(hwnd(), kDateTimer, 60 * 1000, nullptr);
  return true;
}

void CMainDlg::ApplyScale(int dpi) {
  scale_ = Scale(dpi);
  const HICON oldIcon = icon_, oldSmallIcon = smallIcon_;
  icon_ = win::LoadScaledIcon(IDI_PIMBREL, dpi, false);
  smallIcon_ = win::LoadScaledIcon(IDI_PIMBREL, dpi, true);
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  if (oldIcon) DestroyIcon(oldIcon);
  if (oldSmallIcon) DestroyIcon(oldSmallIcon);

  // The bar is exactly its background picture, whatever size its font gives the dialog.
  const PixelBox bar = scale_.Scaled(kBarBox);
  SetWindowPos(hwnd(), nullptr, 0, 0, bar.width(), bar.height(),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  decltype(pictures_) old;
  std::copy(std::begin(pictures_), std::end(pictures_), old);
  const HBITMAP oldBackground = background_;
  const HBRUSH oldBrush = brush_;
  background_ = win::LoadPicture(IDB_BAR, scale_, kBarBox);
  brush_ = background_ ? CreatePatternBrush(background_) : nullptr;
  // Each button's pictures fit its own place, so neighbours meet without a gap.
  for (const auto& picture : kPictures) {
    for (int bitmap : picture.bitmaps)
      if (bitmap) pictures_[bitmap - IDB_BAR] = win::LoadPicture(bitmap, scale_, picture.box);
    const auto previous = reinterpret_cast<HBITMAP>(
        SendDlgItemMessageW(hwnd(), picture.control, STM_SETIMAGE, IMAGE_BITMAP,
                            reinterpret_cast<LPARAM>(pictures_[picture.bitmaps[0] - IDB_BAR])));
    // The picture the template loaded is ours to delete once replaced.
    if (previous && std::find(std::begin(old), std::end(old), previous) == std::end(old))
      DeleteObject(previous);
    win::PlaceAt(GetDlgItem(hwnd(), picture.control), scale_, picture.box);
  }
  for (HBITMAP picture : old)
    if (picture) DeleteObject(picture);
  if (oldBrush) DeleteObject(oldBrush);
  if (oldBackground) DeleteObject(oldBackground);
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void CMainDlg::ChangeScale(int dpi, const RECT& suggested) {
  SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyScale(dpi);
  // The panels take the bar's scale; the current one stays below it.
  for (auto& panel : panels_)
    if (panel) panel->ScaleTo(dpi);
  FollowBar();
}

void CMainDlg::AddTrayIconAndHotkey() {
  tray_.Create(hwnd(), kTrayMessage, kTrayTip, smallIcon_, IDR_TRAYMENU);
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
        panels_[i] = std::make_unique<CComuDlg>(host, reminders_);
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
  CheckReminders(true);
}

void CMainDlg::CheckReminders(bool atStart) {
  if (exited_) return;
  checked_ = Today(clock_);
  const SysSettings settings = LoadSysSettings();
  const std::vector<Announcement> due = reminders_.Due(checked_);
  if (!settings.showtip) {
    // Nothing pops up; the tip lists what is coming.
    std::wstring tip = kTrayTip;
    for (const Announcement& a : due) tip += L"\n" + win::Widen(a.text);
    tray_.SetTip(tip);
    return;
  }
  tray_.SetTip(kTrayTip);
  const std::vector<Announcement> fresh = reminders_.Unannounced(due, checked_);
  std::wstring text;
  for (const Announcement& a : fresh) text += (text.empty() ? L"" : L"\n") + win::Widen(a.text);
  if (atStart && panels_[kDatum]) {
    const std::string waiting = UntrimmedTip(panels_[kDatum]->PendingCount());
    if (!waiting.empty()) text += (text.empty() ? L"" : L"\n") + win::Widen(waiting);
  }
  if (text.empty() || !tray_.ShowBalloon(kTrayTip, text)) return;
  lastBalloon_ = text;
  if (fresh.empty()) return;
  balloonContact_ = fresh.front().contact;
  reminders_.MarkAnnounced(fresh, checked_);
}

void CMainDlg::OpenBalloonContact() {
  // Not while a dialog waits for the user, nor once the program is on its way out.
  if (balloonContact_ < 0 || exited_ || pending_ != Pending::None || openModals_ > 0) return;
  ShowRecordNow({RecordKind::Contact, balloonContact_, "", false});
}

void CMainDlg::OpenSearch(SearchScope scope) {
  if (exited_) return;
  if (search_ && !search_->hwnd()) search_.reset();  // closed by a session end that never came
  if (!search_) {
    PanelHost& host = *this;
    search_ = std::make_unique<CSearchDlg>(host, records_);
    if (!search_->CreateModeless(hwnd())) {
      search_.reset();
      return;
    }
  }
  if (!visible_) ToggleVisibility();
  search_->Open(scope);
}

void CMainDlg::OpenRecord(const RecordRef& record) {
  // The latest choice wins over one still waiting for a dialog to close.
  pendingRecord_ = record;
  if (pending_ != Pending::Open) RequestCommand(Pending::Open);
}

void CMainDlg::ShowRecordNow(const RecordRef& record) {
  const PanelIndex index = record.kind == RecordKind::Note      ? kNote
                           : record.kind == RecordKind::Contact ? kComu
                                                                : kDatum;
  CPanel* panel = panels_[index].get();
  if (!panel) return;
  if (!visible_) ToggleVisibility();
  if (current_ && current_ != panel) current_->window().Show(SW_HIDE);
  current_ = nullptr;
  panel->ShowRecord(record);  // the panel places itself and becomes current
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
  if (search_) search_->FollowBar(visible_);
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
  if (exited_ || asking_ || pending_ == Pending::Exit) return;
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
      if (ConfirmExit()) ExitProcedure();
      break;
    case Pending::Backup:
      BackupData();
      break;
    case Pending::Restore:
      RestoreData();
      break;
    case Pending::Open:
      ShowRecordNow(pendingRecord_);
      break;
    case Pending::None:
      break;
  }
}

bool CMainDlg::ConfirmExit() {
  CPanel* datum = panels_[kDatum].get();
  if (!datum) return true;
  asking_ = true;
  ExitAnswer answer;
  {
    ModalScope modal(*this);
    win::Win32Prompter prompter(hwnd());
    answer = AskBeforeExit(prompter, LoadSysSettings().notice, datum->PendingCount());
  }
  // The end of the session may have come meanwhile; it has done the exit's work.
  if (answer == ExitAnswer::TrimFirst && !exited_) datum->ProcessPending();
  asking_ = false;
  return answer != ExitAnswer::Stay && !exited_;
}

void CMainDlg::SaveForSessionEnd() {
  if (exited_) return;
  exited_ = true;
  // Every open dialog closes now, the innermost first; each of ours does its closing work
  // here, inside the query.
  for (HWND modal : win::OpenModals(hwnd())) win::CloseModalForExit(modal);
  // Its window only: the object may be running the call that led here.
  if (search_) search_->Close();
  hotkeys_->Unregister(kBarHotkeyId);
  for (int i : {kRun, kDatum, kComu, kTool, kNote})
    if (panels_[i]) panels_[i]->OnExit();
  tray_.Remove();
  marker_.Release();
}

void CMainDlg::ExitProcedure() {
  if (exited_) return;
  exited_ = true;
  KillTimer(hwnd(), kDateTimer);
  hotkeys_->Unregister(kBarHotkeyId);
  if (search_) search_->Close();
  search_.reset();
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
      if (wp == kDateTimer && !(Today(clock_) == checked_)) CheckReminders(false);
      return true;
    case WM_TIMECHANGE:
      if (!(Today(clock_) == checked_)) CheckReminders(false);
      return true;
    case WM_MOVE:
      FollowBar();
      return false;
    case WM_DPICHANGED:
      // The bar has moved to a screen of another scale.
      ChangeScale(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return true;
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
      if (LOWORD(lp) == NIN_BALLOONUSERCLICK)
        OpenBalloonContact();
      else
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
      if (message == win::TipQueryMessage()) {  // for the reminder test
        result = Answer(hwnd(), win::AnswerTipQuery(wp == 0 ? lastBalloon_ : tray_.tip()));
        return true;
      }
      if (message != win::GuiCountMessage()) return false;
      result = Answer(hwnd(), win::CountGuiObjects(wp));  // for the leak test
      return true;
  }
}

}  // namespace pim
