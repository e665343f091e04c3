#include "search/search_dlg.h"

// The common controls need the types of windows.h first.
#include <commctrl.h>

#include <chrono>
#include <ctime>
#include <optional>

#include "resource.h"
#include "win/display_scale.h"
#include "win/text.h"

namespace pim {

namespace {

constexpr UINT_PTR kReadTimer = 1;
constexpr UINT kReadPeriodMs = 15;
constexpr std::chrono::milliseconds kReadBudget{25};
constexpr uint64_t kRelistMs = 300;  // the list follows the reading this often
constexpr size_t kListed = 200;
constexpr size_t kLineBytes = 60;

// The columns, their widths at 100%.
constexpr struct {
  const wchar_t* title;
  int width;
} kColumns[] = {{L"类型", 46}, {L"标题/姓名", 96}, {L"类别", 56}, {L"内容", 184}, {L"日期", 66}};

// Up and Down (and the page keys) in the query box move in the list, so the hands stay on
// the keys while choosing.
LRESULT CALLBACK QueryKeys(HWND edit, UINT message, WPARAM wp, LPARAM lp, UINT_PTR,
                           DWORD_PTR list) {
  if (message == WM_KEYDOWN && (wp == VK_UP || wp == VK_DOWN || wp == VK_PRIOR || wp == VK_NEXT)) {
    SendMessageW(reinterpret_cast<HWND>(list), message, wp, lp);
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, QueryKeys, 0);
  return DefSubclassProc(edit, message, wp, lp);
}

void SetCell(HWND list, int row, int column, const std::string& text) {
  std::wstring wide = win::Widen(text);
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = wide.data();
  SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

CSearchDlg::CSearchDlg(PanelHost& host, RecordStore& store, SearchCache& cache)
    : Dialog(IDD_SEARCH), host_(host), store_(store), cache_(cache), searcher_(store) {
  host_.Records().Subscribe(*this);
}

CSearchDlg::~CSearchDlg() { host_.Records().Unsubscribe(*this); }

bool CSearchDlg::OnInitDialog() {
  brush_.reset(CreateSolidBrush(kPanelColour));
  const HWND scope = Item(IDC_SEARCH_SCOPE).hwnd();
  for (const std::string& name : kScopeNames)
    SendMessageW(scope, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::Widen(name).c_str()));
  const HWND list = Item(IDC_SEARCH_LIST).hwnd();
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  SendMessageW(list, LVM_SETBKCOLOR, 0, kTextBackground);
  SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, kTextBackground);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(kColumns[i].title);
    column.cx = scale_.Length(kColumns[i].width);
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(&column));
  }
  SetWindowSubclass(Item(IDC_SEARCH_QUERY).hwnd(), QueryKeys, 0, reinterpret_cast<DWORD_PTR>(list));
  PlaceWindow();
  return false;  // Open gives the query box the focus
}

void CSearchDlg::PlaceWindow() {
  // Below the bar, beside where its panels hang, so an opened record leaves it in view.
  const RECT bar = host_.BarRect();
  const ScreenPoint place = LoadSearchPlace().value_or(ScreenPoint{bar.right, bar.bottom});
  const RECT now = window().ScreenRect();
  const PixelBox wanted{place.x, place.y, place.x + now.right - now.left,
                        place.y + now.bottom - now.top};
  // A place remembered from a screen that is gone comes onto the nearest one.
  const RECT wantedRect{wanted.left, wanted.top, wanted.right, wanted.bottom};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromRect(&wantedRect, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT work = monitor.rcWork;
  const PixelBox at = KeepOnScreen(wanted, {work.left, work.top, work.right, work.bottom});
  SetWindowPos(hwnd(), nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  placed_ = {at.left, at.top};
}

void CSearchDlg::PlaceColumns() {
  const HWND list = Item(IDC_SEARCH_LIST).hwnd();
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i)
    SendMessageW(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i),
                 scale_.Length(kColumns[i].width));
}

void CSearchDlg::Open(SearchScope scope) {
  open_ = true;
  SendMessageW(Item(IDC_SEARCH_SCOPE).hwnd(), CB_SETCURSEL, static_cast<WPARAM>(scope), 0);
  const win::Window query = Item(IDC_SEARCH_QUERY);
  if (scope == SearchScope::Bookmarks || scope == SearchScope::IndexList) query.SetText("");
  // The records of the last run answer at once; then files changed on disk since the last
  // reading are read again. A reading stopped by a close goes on.
  if (!store_.known() && !store_.scanning()) cache_.Load(store_, searcher_);
  BeginScan();
  window().Show(SW_SHOW);
  SetForegroundWindow(hwnd());
  SetFocus(query.hwnd());
  SendMessageW(query.hwnd(), EM_SETSEL, 0, -1);
  Search();
}

void CSearchDlg::OnRecordChange(const RecordChange& change) {
  if (change.what != RecordChange::What::Replaced || !open_ || !hwnd()) return;
  BeginScan();
  Search();
}

void CSearchDlg::BeginScan() {
  if (!store_.scanning()) {
    fullRead_ = cache_.FullReadDue(std::time(nullptr));
    store_.BeginScan(fullRead_);
  }
  SetTimer(hwnd(), kReadTimer, kReadPeriodMs, nullptr);
}

void CSearchDlg::KeepCache() { cache_.Save(store_, searcher_); }

void CSearchDlg::FollowBar(bool shown) {
  if (open_ && hwnd()) window().Show(shown ? SW_SHOWNOACTIVATE : SW_HIDE);
}

void CSearchDlg::Close() {
  if (!hwnd()) return;
  KeepPlace();
  Destroy();
}

void CSearchDlg::Hide() {
  KeepPlace();
  KillTimer(hwnd(), kReadTimer);
  open_ = false;
  window().Show(SW_HIDE);
}

void CSearchDlg::KeepPlace() {
  // Only a place the user chose: the default follows the bar.
  const RECT now = window().ScreenRect();
  const ScreenPoint place{now.left, now.top};
  if (place != placed_ && SaveSearchPlace(place)) placed_ = place;
}

SearchScope CSearchDlg::Scope() const {
  const LRESULT at = SendMessageW(Item(IDC_SEARCH_SCOPE).hwnd(), CB_GETCURSEL, 0, 0);
  return at >= 0 && at < static_cast<LRESULT>(kScopeNames.size()) ? static_cast<SearchScope>(at)
                                                                  : SearchScope::All;
}

void CSearchDlg::Search() {
  const HWND list = Item(IDC_SEARCH_LIST).hwnd();
  std::optional<uint32_t> selected;
  const auto at =
      static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (at >= 0 && static_cast<size_t>(at) < hits_.size()) selected = hits_[at].slot;

  hits_ = searcher_.Find(Item(IDC_SEARCH_QUERY).Text(), Scope(), kListed, &found_, &estimated_);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  int select = 0;
  for (int row = 0; row < static_cast<int>(hits_.size()); ++row) {
    const SearchHit& hit = hits_[static_cast<size_t>(row)];
    const ResultRow shown = RowOf(store_.records()[hit.slot], searcher_.MatchLine(hit, kLineBytes));
    std::wstring kind = win::Widen(shown.kind);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = kind.data();
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    SetCell(list, row, 1, shown.title);
    SetCell(list, row, 2, shown.category);
    SetCell(list, row, 3, shown.line);
    SetCell(list, row, 4, shown.date);
    if (selected == hit.slot) select = row;
  }
  if (!hits_.empty()) {
    LVITEMW state{};
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(select),
                 reinterpret_cast<LPARAM>(&state));
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(select), FALSE);
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  listedAt_ = GetTickCount64();
  ShowStatus();
}

void CSearchDlg::ShowStatus() {
  SearchFigures figures;
  figures.scanning = store_.scanning() && !store_.known();  // the first reading
  figures.done = store_.scanDone();
  figures.total = store_.scanTotal();
  figures.found = found_;
  figures.listed = hits_.size();
  figures.unreadable = store_.unreadable();
  figures.estimated = estimated_;
  Item(IDC_SEARCH_STATUS).SetText(StatusText(figures));
}

void CSearchDlg::ReadOn() {
  if (!store_.scanning() || !store_.ScanStep(kReadBudget)) {
    KillTimer(hwnd(), kReadTimer);
    if (fullRead_ && store_.known()) cache_.FullReadDone(std::time(nullptr));
    fullRead_ = false;
    Search();
  } else if (GetTickCount64() - listedAt_ >= kRelistMs) {
    Search();
  } else {
    ShowStatus();
  }
}

void CSearchDlg::OpenSelected() {
  const auto at = static_cast<int>(SendMessageW(Item(IDC_SEARCH_LIST).hwnd(), LVM_GETNEXTITEM,
                                                static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (at < 0 || static_cast<size_t>(at) >= hits_.size()) return;
  const Record& record = store_.records()[hits_[static_cast<size_t>(at)].slot];
  if (!record.live) {  // gone since it was listed
    Search();
    return;
  }
  // The bar may close this window before the call returns: nothing of it is used after.
  host_.OpenRecord({record.kind, record.number, record.path, record.trimmed});
}

bool CSearchDlg::OnCommand(int id, int code) {
  switch (id) {
    case IDC_SEARCH_QUERY:
      if (code == EN_CHANGE) Search();
      return true;
    case IDC_SEARCH_SCOPE:
      if (code == CBN_SELCHANGE) Search();
      return true;
    case IDOK:  // Enter, in the query box or the list
      OpenSelected();
      return true;
    case IDCANCEL:  // Escape
      Hide();
      return true;
    default:
      return false;
  }
}

bool CSearchDlg::OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) {
  if (PaintPanelColours(message, wp, brush_.get(), result)) return true;
  switch (message) {
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lp);
      if (header->idFrom == IDC_SEARCH_LIST && header->code == NM_DBLCLK) OpenSelected();
      return false;
    }
    case WM_TIMER:
      if (wp == kReadTimer) ReadOn();
      return true;
    case WM_ACTIVATE:
      // Back from a panel: what was saved there meanwhile is in the list at once.
      if (LOWORD(wp) != WA_INACTIVE && open_) Search();
      return false;
    case WM_CLOSE:
      Hide();
      return true;
    case WM_NCDESTROY:
      KillTimer(hwnd(), kReadTimer);
      brush_.reset();
      return false;
    default:
      return false;
  }
}

}  // namespace pim
