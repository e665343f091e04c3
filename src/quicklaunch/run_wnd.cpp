#include "quicklaunch/run_wnd.h"

#include <shellapi.h>

#include "quicklaunch/run_info.h"
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
constexpr const char* kFilter =
    "\xBF\xC9\xD6\xB4\xD0\xD0\xCE\xC4\xBC\xFE(*.exe)|*.exe|\xCB\xF9\xD3\xD0\xCE\xC4\xBC\xFE"
    "(*.*)|*.*|" /* 可执行文件(*.exe)|*.exe|所有文件(*.*)|*.*| */;

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

CRunWnd::~CRunWnd() {
  for (HIMAGELIST list : images_)
    if (list) ImageList_Destroy(list);
  for (auto& pair : tabs_)
    for (HBITMAP bitmap : pair)
      if (bitmap) DeleteObject(bitmap);
}

bool CRunWnd::OnInitDialog() {
  CPanel::OnInitDialog();
  const HWND list = ListView();
  SendMessageW(list, LVM_SETBKCOLOR, 0, kListColour);
  SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, kListColour);
  static const struct {
    const char* header;
    int width;
  } kColumns[] = {{"\xB3\xCC\xD0\xF2\xC3\xFB" /* 程序名 */, 80},
                  {"\xBF\xEC\xBD\xDD\xBC\xFC" /* 快捷键 */, 80},
                  {"\xC3\xFC\xC1\xEE" /* 命令 */, 180},
                  {"\xB9\xA4\xD7\xF7\xC4\xBF\xC2\xBC" /* 工作目录 */, 80},
                  {"\xCB\xB5\xC3\xF7" /* 说明 */, 150}};
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
  for (int tab = 0; tab < LaunchLists::kListCount; ++tab)
    for (int state = 0; state < 2; ++state)
      tabs_[tab][state] = static_cast<HBITMAP>(
          LoadImageW(Instance(), MAKEINTRESOURCEW(kTabBitmaps[tab][state]), IMAGE_BITMAP, 0, 0, 0));

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
  if (images_[list]) ImageList_Destroy(images_[list]);
  images_[list] = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 1, 4);
  // White is the placeholder's transparent colour.
  const auto placeholder = static_cast<HBITMAP>(
      LoadImageW(Instance(), MAKEINTRESOURCEW(IDB_PLACEHOLDER), IMAGE_BITMAP, 32, 32, 0));
  ImageList_AddMasked(images_[list], placeholder, RGB(255, 255, 255));
  if (placeholder) DeleteObject(placeholder);
}

HICON CRunWnd::IconOrPlaceholder(int list, const std::string& file, int index) {
  // Index -1 asks ExtractIcon for the number of icons, not for an icon.
  HICON icon = index == -1
                   ? nullptr
                   : ExtractIconW(Instance(), win::Widen(file).c_str(), static_cast<UINT>(index));
  // ExtractIcon answers 1 for a file that is no program, icon or library.
  if (icon == reinterpret_cast<HICON>(1)) icon = nullptr;
  return icon ? icon : ImageList_GetIcon(images_[list], 0, ILD_NORMAL);
}

void CRunWnd::Append(int list, const std::string& file, int index) {
  if (!images_[list]) Reset(list);  // a list whose file could not be read
  HICON icon = IconOrPlaceholder(list, file, index);
  if (ImageList_ReplaceIcon(images_[list], -1, icon) < 0) {
    HICON placeholder = ImageList_GetIcon(images_[list], 0, ILD_NORMAL);
    ImageList_ReplaceIcon(images_[list], -1, placeholder);
    DestroyIcon(placeholder);
  }
  if (icon) DestroyIcon(icon);
}

void CRunWnd::Replace(int list, int image, const std::string& file, int index) {
  if (!images_[list]) return;
  HICON icon = IconOrPlaceholder(list, file, index);
  ImageList_ReplaceIcon(images_[list], image, icon);
  if (icon) DestroyIcon(icon);
}

void CRunWnd::Remove(int list, int image) {
  if (images_[list]) ImageList_Remove(images_[list], image);
}

void CRunWnd::FillList() {
  const HWND list = ListView();
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images_[current_]));
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
    SendDlgItemMessageW(hwnd(), kTabs[i], STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(tabs_[i][i == tab ? 1 : 0]));
  current_ = tab;
  FillList();
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
  HMENU menu = LoadMenuW(Instance(), MAKEINTRESOURCEW(IDR_RUNMENU));
  if (!menu) return;
  POINT at{};
  GetCursorPos(&at);
  TrackPopupMenu(GetSubMenu(menu, selected_ >= 0 ? 1 : 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x,
                 at.y, 0, hwnd(), nullptr);
  DestroyMenu(menu);
}

void CRunWnd::AddProgram() {
  // The file dialog may change the working folder, which the data paths rely on.
  std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
  GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
  const std::string file = prompter_.PickFile(true, "", kFilter);
  SetCurrentDirectoryW(folder.c_str());
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
      if (x < 0 || x > 200 || y < 0 || y > 24) return false;
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
