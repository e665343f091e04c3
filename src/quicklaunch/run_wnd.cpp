#include "quicklaunch/run_wnd.h"

#include <shellapi.h>

#include "base/gb18030.h"
#include "quicklaunch/run_info.h"
#include "win/display_scale.h"
#include "win/text.h"

namespace pim {

namespace {

constexpr UINT_PTR kSaveTimer = 1;
constexpr UINT kSavePeriodMs = 600000;
constexpr COLORREF kListColour = RGB(194, 245, 66);
constexpr int kTabs[LaunchLists::kListCount] = {IDC_RUN_TAB0, IDC_RUN_TAB1, IDC_RUN_TAB2,
                                                IDC_RUN_TAB3};
constexpr int kTabBitmaps[LaunchLists::kListCount][2] = {{IDB_TAB_COLL, IDB_TAB_COLL_SEL},
                                                         {IDB_TAB_STUDY, IDB_TAB_STUDY_SEL},
                                                         {IDB_TAB_FUN, IDB_TAB_FUN_SEL},
                                                         {IDB_TAB_NET, IDB_TAB_NET_SEL}};
// The tab strip at 100%, in client pixels; each picture fits its own place.
constexpr PixelBox kTabBoxes[LaunchLists::kListCount] = {
    {0, 0, 50, 25}, {50, 0, 100, 25}, {99, 0, 149, 25}, {149, 0, 199, 25}};
constexpr struct {
  int control;
  int bitmap;
  PixelBox box;
} kStrip[] = {{IDC_RUN_FILLER1, IDB_RUN_FILLER, {198, 0, 238, 25}},
              {IDC_RUN_FILLER2, IDB_RUN_FILLER, {237, 0, 277, 25}},
              {IDC_RUN_CLOSE, IDB_RUN_CLOSE, {276, 0, 326, 25}}};
// The panel and its list below the strip, at 100%: the strip's pictures fix the list's top.
constexpr int kPanelWidth = 329, kPanelHeight = 270;
constexpr PixelBox kListBox{0, 24, 327, 268};
// The pointer is a hand over this much of the panel's top-left corner, at 100%.
constexpr int kHandWidth = 200, kHandHeight = 24;

const std::string kFilter = Gb("可执行文件(*.exe)|*.exe|所有文件(*.*)|*.*|");

// The text of one cell, however long.
std::wstring CellText(HWND list, int item, int column) {
  std::wstring text(256, L'\0');
  for (;;) {
    LVITEMW cell{};
    cell.iSubItem = column;
    cell.pszText = text.data();
    cell.cchTextMax = static_cast<int>(text.size());
    const auto length = static_cast<size_t>(
        SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&cell)));
    if (length + 1 < text.size()) return text.substr(0, length);
    text.resize(text.size() * 2);
  }
}

}  // namespace

CRunWnd::CRunWnd(PanelHost& host) : CPanel(IDD_RUNWND, host) {}

bool CRunWnd::OnInitDialog() {
  CPanel::OnInitDialog();
  const HWND list = ListView();
  SendMessageW(list, LVM_SETBKCOLOR, 0, kListColour);
  SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, kListColour);
  static const struct {
    std::string header;
    int width;
  } kColumns[] = {{Gb("程序名"), 80},
                  {Gb("快捷键"), 80},
                  {Gb("命令"), 180},
                  {Gb("工作目录"), 80},
                  {Gb("说明"), 150}};
  for (int i = 0; i < 5; ++i) {
    std::wstring header = win::Widen(kColumns[i].header);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = kColumns[i].width;
    column.pszText = header.data();
    column.iSubItem = i;
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
  hand_ = LoadCursorW(nullptr, IDC_HAND);
  PlaceFixedFigures();

  hotkeys_ = std::make_unique<win::Win32Hotkeys>(hwnd());
  lists_ =
      std::make_unique<LaunchLists>(prompter_, *hotkeys_, shell_, static_cast<IconImages&>(*this));
  lists_->LoadAll();
  FillList();
  SetTimer(hwnd(), kSaveTimer, kSavePeriodMs, nullptr);
  return true;
}

void CRunWnd::OnExit() {
  if (closed_ || !lists_) return;
  closed_ = true;
  lists_->Close();
  KillTimer(hwnd(), kSaveTimer);
}

void CRunWnd::ReloadData() {
  OnExit();  // frees the hotkeys; a no-op when the bar's close handling ran it already
  lists_ =
      std::make_unique<LaunchLists>(prompter_, *hotkeys_, shell_, static_cast<IconImages&>(*this));
  lists_->LoadAll();
  closed_ = false;
  selected_ = -1;
  FillList();
  SetTimer(hwnd(), kSaveTimer, kSavePeriodMs, nullptr);
}

void CRunWnd::Reset(int list) {
  // Large icons at the system's size for the panel's scale.
  const int size = win::MetricForDpi(SM_CXICON, scale_.dpi());
  images_[list].reset(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 4));
  // White is the placeholder's transparent colour.
  const win::HeldBitmap placeholder(win::LoadPicture(
      IDB_PLACEHOLDER, Scale(size * Scale::kStandardDpi / 32), PixelBox{0, 0, 32, 32}));
  ImageList_AddMasked(images_[list].get(), placeholder.get(), RGB(255, 255, 255));
}

win::HeldIcon CRunWnd::IconOrPlaceholder(int list, const std::string& file, int index) {
  // Index -1 asks ExtractIcon for the number of icons, not for an icon.
  HICON icon = index == -1
                   ? nullptr
                   : ExtractIconW(Instance(), win::Widen(file).c_str(), static_cast<UINT>(index));
  // ExtractIcon answers 1 for a file that is no program, icon or library.
  if (icon == reinterpret_cast<HICON>(1)) icon = nullptr;
  return win::HeldIcon(icon ? icon : ImageList_GetIcon(images_[list].get(), 0, ILD_NORMAL));
}

void CRunWnd::Append(int list, const std::string& file, int index) {
  if (!images_[list]) Reset(list);  // a list whose file could not be read
  const win::HeldIcon icon = IconOrPlaceholder(list, file, index);
  if (ImageList_ReplaceIcon(images_[list].get(), -1, icon.get()) < 0) {
    const win::HeldIcon placeholder(ImageList_GetIcon(images_[list].get(), 0, ILD_NORMAL));
    ImageList_ReplaceIcon(images_[list].get(), -1, placeholder.get());
  }
}

void CRunWnd::Replace(int list, int image, const std::string& file, int index) {
  if (!images_[list]) return;
  ImageList_ReplaceIcon(images_[list].get(), image, IconOrPlaceholder(list, file, index).get());
}

void CRunWnd::Remove(int list, int image) {
  if (images_[list]) ImageList_Remove(images_[list].get(), image);
}

void CRunWnd::FillList() {
  const HWND list = ListView();
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL,
               reinterpret_cast<LPARAM>(images_[current_].get()));
  for (int i = 0; i < lists_->count(current_); ++i) {
    const RunItem& record = lists_->item(current_, i);
    std::wstring name = win::Widen(record.name);
    LVITEMW row{};
    row.mask = LVIF_TEXT | LVIF_IMAGE;
    row.iItem = i;
    row.pszText = name.data();
    row.iImage = i + 1;
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row));
    const std::string* cells[] = {nullptr, nullptr, &record.path, &record.workdir, &record.info};
    const std::string hotkey = LaunchLists::HotkeyText(record);
    cells[1] = &hotkey;
    for (int column = 1; column < 5; ++column) {
      std::wstring text = win::Widen(*cells[column]);
      LVITEMW cell{};
      cell.iSubItem = column;
      cell.pszText = text.data();
      SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&cell));
    }
  }
}

void CRunWnd::SelectTab(int tab) {
  for (int i = 0; i < LaunchLists::kListCount; ++i)
    win::SetPicture(hwnd(), kTabs[i], tabs_[i][i == tab ? 1 : 0].get(), false);
  current_ = tab;
  FillList();
}

void CRunWnd::PlaceFixedFigures() {
  const bool first = !strip_[0];
  // The pictures shown until now go once the new ones are in place.
  win::HeldBitmap oldTabs[LaunchLists::kListCount][2], oldStrip[std::size(kStrip)];
  for (int tab = 0; tab < LaunchLists::kListCount; ++tab) {
    for (int state = 0; state < 2; ++state) {
      oldTabs[tab][state] = std::move(tabs_[tab][state]);
      tabs_[tab][state].reset(win::LoadPicture(kTabBitmaps[tab][state], scale_, kTabBoxes[tab]));
    }
    win::SetPicture(hwnd(), kTabs[tab], tabs_[tab][tab == current_ ? 1 : 0].get(), first);
    win::PlaceAt(Item(kTabs[tab]).hwnd(), scale_, kTabBoxes[tab]);
  }
  for (size_t i = 0; i < std::size(kStrip); ++i) {
    oldStrip[i] = std::move(strip_[i]);
    strip_[i].reset(win::LoadPicture(kStrip[i].bitmap, scale_, kStrip[i].box));
    win::SetPicture(hwnd(), kStrip[i].control, strip_[i].get(), first);
    win::PlaceAt(Item(kStrip[i].control).hwnd(), scale_, kStrip[i].box);
  }
  SetWindowPos(hwnd(), nullptr, 0, 0, scale_.Length(kPanelWidth), scale_.Length(kPanelHeight),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  win::PlaceAt(ListView(), scale_, kListBox);
  RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CRunWnd::LaunchMarked() {
  const HWND list = ListView();
  const int mark = static_cast<int>(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0));
  if (mark < 0) return;
  lists_->Launch(win::Narrow(CellText(list, mark, 2)), win::Narrow(CellText(list, mark, 3)));
  SendMessageW(list, LVM_SETSELECTIONMARK, 0, -1);
}

void CRunWnd::ShowContextMenu(int clicked) {
  const HWND list = ListView();
  const int mark = static_cast<int>(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0));
  selected_ = clicked >= 0 ? clicked : mark;
  SendMessageW(list, LVM_SETSELECTIONMARK, 0, -1);
  const win::HeldMenu menu(LoadMenuW(Instance(), MAKEINTRESOURCEW(IDR_RUNMENU)));
  if (!menu) return;
  POINT at{};
  GetCursorPos(&at);
  TrackPopupMenu(GetSubMenu(menu.get(), selected_ >= 0 ? 1 : 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON,
                 at.x, at.y, 0, hwnd(), nullptr);
}

void CRunWnd::AddProgram() {
  const std::string file = prompter_.PickFile({true, "", kFilter, "", ""});
  if (file.empty()) return;
  if (lists_->Add(current_, file)) FillList();
}

void CRunWnd::ShowProperties() {
  if (selected_ >= 0 && selected_ < lists_->count(current_)) {
    CRunInfo info(current_, selected_, *this);
    if (RunModal(info, hwnd()) == IDOK) FillList();
  }
  selected_ = -1;
}

void CRunWnd::SetView(DWORD view) {
  const HWND list = ListView();
  const LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
  SetWindowLongPtrW(list, GWL_STYLE, (style & ~LVS_TYPEMASK) | view);
  // Wine lays the items out again but leaves the old picture until repainted.
  SetWindowPos(list, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  InvalidateRect(list, nullptr, TRUE);
}

bool CRunWnd::OnCommand(int id, int code) {
  for (int tab = 0; tab < LaunchLists::kListCount; ++tab)
    if (id == kTabs[tab] && (code == STN_CLICKED || code == STN_DBLCLK)) {
      SelectTab(tab);
      return true;
    }
  switch (id) {
    case IDC_RUN_CLOSE:
      if (code != STN_CLICKED && code != STN_DBLCLK) return false;
      ShowBelowParent(SW_HIDE);
      CollapsePanel();
      return true;
    case ID_RUN_ADD:
      AddProgram();
      return true;
    case ID_RUN_VIEW_LIST:
      SetView(LVS_LIST);
      return true;
    case ID_RUN_VIEW_REPORT:
      SetView(LVS_REPORT);
      return true;
    case ID_RUN_VIEW_LARGE:
      SetView(LVS_ICON);
      return true;
    case ID_RUN_VIEW_SMALL:
      SetView(LVS_SMALLICON);
      return true;
    case ID_RUN_PROPERTIES:
      ShowProperties();
      return true;
    case ID_RUN_DELETE:
      if (selected_ >= 0 && lists_->Delete(current_, selected_)) FillList();
      selected_ = -1;
      return true;
    default:
      return CPanel::OnCommand(id, code);
  }
}

bool CRunWnd::OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) {
  switch (message) {
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lp);
      if (header->idFrom != IDC_RUN_LIST) return false;
      if (header->code == NM_CLICK) LaunchMarked();
      if (header->code == NM_RCLICK)
        ShowContextMenu(reinterpret_cast<const NMITEMACTIVATE*>(lp)->iItem);
      return false;
    }
    case WM_SETCURSOR: {
      POINT at{};
      GetCursorPos(&at);
      const RECT panel = window().ScreenRect();
      const LONG x = at.x - panel.left, y = at.y - panel.top;
      if (x < 0 || x > scale_.Length(kHandWidth) || y < 0 || y > scale_.Length(kHandHeight))
        return false;
      SetCursor(hand_);
      SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, TRUE);
      result = TRUE;
      return true;
    }
    case WM_TIMER:
      if (wp == kSaveTimer && lists_ && !closed_) lists_->SaveOnTimer();
      return true;
    case WM_HOTKEY:
      if (lists_) lists_->Dispatch(static_cast<int>(wp));
      return false;
    case WM_CLOSE:
      // Closing the panel hides it; its lists and hotkeys live until the program ends.
      CollapsePanel();
      return true;
    case WM_DESTROY:
      OnExit();
      return false;
    default:
      return CPanel::OnMessage(message, wp, lp, result);
  }
}

}  // namespace pim
