#include "datum/datum_tree.h"

#include "base/gb18030.h"
#include "datum/datum_dlg.h"
#include "win/display_scale.h"
#include "win/text.h"

namespace pim {
namespace {

constexpr COLORREF kTreeBackground = RGB(180, 230, 50);

struct Box {
  int x, y, width, height;  // client pixels at 100%
  PixelBox edges() const { return {x, y, x + width, y + height}; }
};
struct Layout {
  Box tree;
  Box header;
  Box contentBelowHeader;
  Box contentFull;
  POINT headerButton;
};
// The window the layouts are made for, at 100%; the template's font alone would size it
// differently at other scales.
constexpr int kWindowWidth = 329, kWindowHeight = 260;
constexpr Layout kWide{
    {2, 19, 135, 237}, {138, 19, 188, 59}, {138, 79, 188, 177}, {138, 19, 188, 237}, {139, 2}};
constexpr Layout kNarrow{
    {2, 19, 20, 237}, {23, 19, 303, 59}, {23, 79, 303, 177}, {23, 19, 303, 237}, {24, 2}};

void Place(HWND control, const Scale& scale, const Box& box, bool show = true) {
  const PixelBox r = scale.Scaled(box.edges());
  SetWindowPos(control, nullptr, r.left, r.top, r.width(), r.height(),
               SWP_NOZORDER | SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : 0));
}

}  // namespace

bool CDatumTree::OnInitDialog() {
  CPanel::OnInitDialog();
  const RECT bar = host_.BarRect();
  window().MoveTo(bar.left, bar.bottom);
  treeWide_ = headerShown_ = true;
  Item(IDC_TREE_WIDEN).Show(SW_HIDE);
  SendMessageW(Item(IDC_TREE_TREE).hwnd(), TVM_SETBKCOLOR, 0, kTreeBackground);
  BuildTree();
  // At 100% the template's places are the wide layout's; at other scales its font's are not.
  if (!scale_.standard()) PlaceFixedFigures();
  return true;
}

void CDatumTree::ReloadData() {
  SendMessageW(Item(IDC_TREE_TREE).hwnd(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  const int shown = browser_.Rebuild(prompter_);
  FillTree();
  Item(IDC_TREE_HEADER).SetText("");
  Item(IDC_TREE_CONTENT).SetText("");
  Select(shown);
}

void CDatumTree::BuildTree() {
  browser_.Build(prompter_);
  FillTree();
}

void CDatumTree::FillTree() {
  const HWND tree = Item(IDC_TREE_TREE).hwnd();
  treeItems_.clear();
  treeItems_.reserve(browser_.items().size());
  SendMessageW(tree, WM_SETREDRAW, FALSE, 0);  // one repaint for thousands of items
  for (const DatumBrowser::TreeItem& item : browser_.items()) {
    const std::wstring text = win::Widen(item.text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = item.parent < 0 ? TVI_ROOT : treeItems_[static_cast<size_t>(item.parent)];
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.lParam = static_cast<LPARAM>(treeItems_.size());
    treeItems_.push_back(reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert))));
  }
  SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
}

bool CDatumTree::ShowCard(const std::string& url) {
  int item = browser_.ItemOf(url);
  if (item == DatumBrowser::kRoot) {
    SendMessageW(Item(IDC_TREE_TREE).hwnd(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    BuildTree();
    item = browser_.ItemOf(url);
  }
  if (item == DatumBrowser::kRoot) return false;
  Select(item);
  SendMessageW(Item(IDC_TREE_TREE).hwnd(), TVM_ENSUREVISIBLE, 0,
               reinterpret_cast<LPARAM>(treeItems_[static_cast<size_t>(item)]));
  return true;
}

void CDatumTree::ShowSelected() {
  const HWND tree = Item(IDC_TREE_TREE).hwnd();
  TVITEMW item{};
  item.mask = TVIF_PARAM;
  item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item.hItem || !SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return;
  const auto page = browser_.Show(static_cast<int>(item.lParam), prompter_);
  if (!page) return;
  Item(IDC_TREE_HEADER).SetText(page->header);
  Item(IDC_TREE_CONTENT).SetText(page->content);
}

void CDatumTree::Select(int item) {
  if (item < 0 || static_cast<size_t>(item) >= treeItems_.size()) return;
  SendMessageW(Item(IDC_TREE_TREE).hwnd(), TVM_SELECTITEM, TVGN_CARET,
               reinterpret_cast<LPARAM>(treeItems_[static_cast<size_t>(item)]));
  ShowSelected();
}

void CDatumTree::PlaceFixedFigures() {
  SetWindowPos(hwnd(), nullptr, 0, 0, scale_.Length(kWindowWidth), scale_.Length(kWindowHeight),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  PlaceControls();
}

void CDatumTree::PlaceControls() {
  const Layout& layout = treeWide_ ? kWide : kNarrow;
  Place(Item(IDC_TREE_TREE).hwnd(), scale_, layout.tree);
  Place(Item(IDC_TREE_HEADER).hwnd(), scale_, layout.header, headerShown_);
  Place(Item(IDC_TREE_CONTENT).hwnd(), scale_,
        headerShown_ ? layout.contentBelowHeader : layout.contentFull);
  SetWindowPos(Item(IDC_TREE_HEADER_BUTTON).hwnd(), nullptr, scale_.Edge(layout.headerButton.x),
               scale_.Edge(layout.headerButton.y), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void CDatumTree::ToggleHeader() {
  headerShown_ = !headerShown_;
  Item(IDC_TREE_HEADER_BUTTON).SetText(headerShown_ ? Gb("∧") : Gb("∨"));
  Item(IDC_TREE_HEADER).Show(headerShown_ ? SW_SHOW : SW_HIDE);
  const Layout& layout = treeWide_ ? kWide : kNarrow;
  Place(Item(IDC_TREE_CONTENT).hwnd(), scale_,
        headerShown_ ? layout.contentBelowHeader : layout.contentFull);
}

void CDatumTree::CopyText() {
  const HWND content = Item(IDC_TREE_CONTENT).hwnd();
  SendMessageW(content, EM_SETSEL, 0, -1);
  SendMessageW(content, WM_COPY, 0, 0);
  SendMessageW(content, EM_SETSEL, 0, 0);
}

void CDatumTree::OnExit() {
  if (closed_) return;
  closed_ = true;
  Destroy();
  // The editor forgets us (deleting us later, never inside this call) and, unless the
  // program is exiting, becomes the bar's current panel again below the bar.
  editor_.BrowserClosed();
}

bool CDatumTree::OnCommand(int id, int code) {
  switch (id) {
    case IDC_TREE_NARROW:
    case IDC_TREE_WIDEN:
      treeWide_ = id == IDC_TREE_WIDEN;
      PlaceControls();
      Item(IDC_TREE_WIDEN).Show(treeWide_ ? SW_HIDE : SW_SHOW);
      Item(IDC_TREE_NARROW).Show(treeWide_ ? SW_SHOW : SW_HIDE);
      return true;
    case IDC_TREE_HEADER_BUTTON:
      ToggleHeader();
      return true;
    case IDC_TREE_PREVIOUS:
      Select(browser_.PreviousItem());
      return true;
    case IDC_TREE_NEXT:
      Select(browser_.NextItem());
      return true;
    case IDC_TREE_COPY:
      CopyText();
      return true;
    case IDOK:
      OnExit();
      return true;
    default:
      return CPanel::OnCommand(id, code);
  }
}

bool CDatumTree::OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) {
  if (message == WM_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(lp);
    if (header->idFrom == IDC_TREE_TREE && header->code == NM_DBLCLK) {
      ShowSelected();
      result = 0;
      return true;
    }
    return false;
  }
  return CPanel::OnMessage(message, wp, lp, result);
}

}  // namespace pim
