#include "datum/datum_dlg.h"

#include <string>
#include <vector>

#include "datum/card_capture.h"
#include "win/clipboard.h"
#include "win/text.h"
#include "win/win_system.h"

namespace pim {

namespace {

// Posted to itself: the closed browser is deleted once its own call has returned.
constexpr UINT kDeleteBrowser = WM_APP + 1;

}  // namespace

CDatumDlg::CDatumDlg(PanelHost& host)
    : CPanel(IDD_DATUM, host), capture_(prompter_, clock_, win::RecordsFolder(), &host.Records()) {}

CDatumDlg::~CDatumDlg() = default;

bool CDatumDlg::OnInitDialog() {
  CPanel::OnInitDialog();
  // The edit's default limit would cut a long pasted text.
  SendDlgItemMessageW(hwnd(), IDC_DATUMDLG_TEXT, EM_LIMITTEXT, 0, 0);
  SendDlgItemMessageW(hwnd(), IDC_DATUMDLG_SOURCE, EM_LIMITTEXT, kSourceLimit, 0);
  for (const std::string& name : capture_.Open())
    SendDlgItemMessageW(hwnd(), IDC_DATUMDLG_CLASS, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(win::Widen(name).c_str()));
  listedClasses_ = capture_.classes().count;
  UpdateButtons();
  return true;
}

CardText CDatumDlg::Fields() const {
  return {Item(IDC_DATUMDLG_CLASS).Text(), Item(IDC_DATUMDLG_TITLE).Text(),
          Item(IDC_DATUMDLG_TEXT).Text(), Item(IDC_DATUMDLG_SOURCE).Text()};
}

void CDatumDlg::ShowCard(bool focus) {
  const CardText& card = capture_.shown();
  filling_ = true;
  // The exact name: a case-blind match in the box could hand the card another category.
  Item(IDC_DATUMDLG_CLASS).SetText(card.category);
  Item(IDC_DATUMDLG_TITLE).SetText(card.title);
  Item(IDC_DATUMDLG_TEXT).SetText(card.content);
  Item(IDC_DATUMDLG_SOURCE).SetText(card.source);
  filling_ = false;
  // Not while hidden (the lists changed elsewhere): the focus stays where the user is.
  if (focus && capture_.AtNewCard() && window().IsVisible())
    SetFocus(Item(IDC_DATUMDLG_TEXT).hwnd());
}

void CDatumDlg::UpdateButtons() {
  ListNewClasses();
  EnableWindow(Item(IDC_DATUMDLG_PREV).hwnd(), capture_.CanGoBack());
  EnableWindow(Item(IDC_DATUMDLG_NEXT).hwnd(), capture_.CanGoForward());
}

void CDatumDlg::ListNewClasses() {
  const ClassTable& classes = capture_.classes();
  for (; listedClasses_ < classes.count; ++listedClasses_)
    SendDlgItemMessageW(
        hwnd(), IDC_DATUMDLG_CLASS, CB_ADDSTRING, 0,
        reinterpret_cast<LPARAM>(win::Widen(classes.entries[listedClasses_].name).c_str()));
}

void CDatumDlg::ShowPanel() {
  if (browser_) {
    host_.MakeCurrent(*browser_);
    browser_->ShowBelowParent(SW_SHOW);
    return;
  }
  if (ShowFresh()) ShowCard();
}

bool CDatumDlg::ShowFresh() {
  const RECT bar = host_.BarRect();
  window().MoveTo(bar.left, bar.bottom);
  // A card that could not be stored stays in the controls.
  const bool fresh = capture_.ShowPanel(Fields());
  UpdateButtons();
  window().Show(SW_SHOW);
  return fresh;
}

void CDatumDlg::OpenBrowser() {
  if (browser_) return;
  browser_ = std::make_unique<CDatumTree>(host_, *this, "datum");
  window().Show(SW_HIDE);
  browser_->CreateModeless(hwnd());
  browser_->window().Show(SW_SHOW);
  UpdateWindow(browser_->hwnd());
  host_.MakeCurrent(*browser_);
}

void CDatumDlg::BrowserClosed() {
  closedBrowser_ = std::move(browser_);
  PostMessageW(hwnd(), kDeleteBrowser, 0, 0);
  if (exiting_) return;
  host_.MakeCurrent(*this);
  ShowBelowParent(SW_SHOW);
}

void CDatumDlg::Trim() {
  // The dialog works on the file; with a stale file it would file away the wrong cards.
  if (!capture_.WriteIndex()) return;
  host_.ToggleBar();
  {
    CDatumTrim trim("datum", host_.Records());
    trim_ = &trim;
    RunModal(trim, nullptr);
    trim_ = nullptr;
  }
  // The box keeps its text through the refill, which empties its edit too.
  const std::string category = Item(IDC_DATUMDLG_CLASS).Text();
  SendDlgItemMessageW(hwnd(), IDC_DATUMDLG_CLASS, CB_RESETCONTENT, 0, 0);
  listedClasses_ = 0;
  capture_.ReloadLists();
  UpdateButtons();
  Item(IDC_DATUMDLG_CLASS).SetText(category);
  host_.ToggleBar();
}

bool CDatumDlg::ShowRecord(const RecordRef& record) {
  if (record.kind != RecordKind::Card) return false;
  if (record.trimmed) {
    if (browser_) {
      host_.MakeCurrent(*browser_);
      browser_->ShowBelowParent(SW_SHOW);
    } else {
      OpenBrowser();
    }
    return browser_ && browser_->ShowCard(record.path);
  }
  if (browser_) browser_->OnExit();  // the browser gives the panel its place back
  host_.MakeCurrent(*this);
  ShowBelowParent(SW_SHOW);
  const bool moved = capture_.GoToCard(record.path, Fields());
  UpdateButtons();
  if (moved) ShowCard();
  return moved;
}

bool CDatumDlg::OnCommand(int id, int code) {
  const HWND text = Item(IDC_DATUMDLG_TEXT).hwnd();
  if (id == IDC_DATUMDLG_TEXT || id == IDC_DATUMDLG_SOURCE) {
    if (code == EN_CHANGE && !filling_) capture_.MarkModified();
    return true;
  }
  if (id == IDC_DATUMDLG_TITLE) {
    if (code == EN_SETFOCUS) SendMessageW(Item(id).hwnd(), EM_SETSEL, 0, -1);
    return true;
  }
  if (code != BN_CLICKED) return CPanel::OnCommand(id, code);
  switch (id) {
    case IDC_DATUMDLG_FOLD:
      CollapsePanel();
      return true;
    case IDC_DATUMDLG_PASTE:
      SendMessageW(text, WM_PASTE, 0, 0);  // its change marks the card modified
      // A page copied from a browser names its address.
      if (Item(IDC_DATUMDLG_SOURCE).Text().empty())
        if (const auto address = HtmlSourceUrl(win::ClipboardHtml(hwnd())))
          Item(IDC_DATUMDLG_SOURCE).SetText(*address);
      return true;
    case IDC_DATUMDLG_CLEAR:
      filling_ = true;
      SetWindowTextW(text, L"");
      filling_ = false;
      return true;
    case IDC_DATUMDLG_COPY:
      SendMessageW(text, EM_SETSEL, 0, -1);
      SendMessageW(text, WM_COPY, 0, 0);
      SendMessageW(text, EM_SETSEL, 0, 0);
      return true;
    case IDC_DATUMDLG_PREV:
      if (capture_.Previous(Fields())) ShowCard();
      UpdateButtons();
      return true;
    case IDC_DATUMDLG_NEXT:
      if (capture_.Next(Fields())) ShowCard();
      UpdateButtons();
      return true;
    case IDC_DATUMDLG_BOOKMARK:
      host_.OpenSearch(SearchScope::Bookmarks);
      return true;
    case IDC_DATUMDLG_INDEX:
      host_.OpenSearch(SearchScope::IndexList);
      return true;
    case IDC_DATUMDLG_SEARCH:
      host_.OpenSearch(SearchScope::Cards);
      return true;
    case IDC_DATUMDLG_BROWSER:
      OpenBrowser();
      return true;
    case IDC_DATUMDLG_TRIM:
      Trim();
      return true;
    default:
      return CPanel::OnCommand(id, code);
  }
}

bool CDatumDlg::OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) {
  if (message == kDeleteBrowser) {
    closedBrowser_.reset();
    return true;
  }
  return CPanel::OnMessage(message, wp, lp, result);
}

std::optional<IndexEntry> CDatumDlg::Capture(const std::string& text, const std::string& source) {
  // An untouched new card shown now would keep the number the captured card takes.
  const CardText fields = Fields();
  const bool untouched = capture_.AtNewCard() && !capture_.modified() &&
                         fields.title == capture_.shown().title && fields.content.empty() &&
                         fields.source.empty();
  std::optional<IndexEntry> card = capture_.Capture(text, source);
  if (!card) return card;
  if (trim_) trim_->AddCard(*card);
  if (untouched && capture_.ShowPanel(fields)) ShowCard(false);
  UpdateButtons();
  return card;
}

bool CDatumDlg::OpenCaptured(const std::string& text, const std::string& source) {
  if (browser_) browser_->OnExit();  // the browser gives the panel its place back
  host_.MakeCurrent(*this);
  if (!ShowFresh()) return false;  // the card being typed could not be stored: it stays
  const std::string content = CrLfLines(text);
  const std::string title = CapturedTitle(content);
  filling_ = true;
  if (!title.empty()) Item(IDC_DATUMDLG_TITLE).SetText(title);
  Item(IDC_DATUMDLG_TEXT).SetText(content);
  Item(IDC_DATUMDLG_SOURCE).SetText(CutChars(source, kSourceLimit));
  filling_ = false;
  capture_.MarkModified();
  SetFocus(Item(IDC_DATUMDLG_TEXT).hwnd());
  return true;
}

void CDatumDlg::ReloadData() {
  capture_.SetDataFolder(win::RecordsFolder());  // the data may now live elsewhere
  SendDlgItemMessageW(hwnd(), IDC_DATUMDLG_CLASS, CB_RESETCONTENT, 0, 0);
  for (const std::string& name : capture_.Open())
    SendDlgItemMessageW(hwnd(), IDC_DATUMDLG_CLASS, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(win::Widen(name).c_str()));
  listedClasses_ = capture_.classes().count;
  filling_ = true;
  for (int id : {IDC_DATUMDLG_CLASS, IDC_DATUMDLG_TITLE, IDC_DATUMDLG_TEXT, IDC_DATUMDLG_SOURCE})
    Item(id).SetText("");
  filling_ = false;
  UpdateButtons();
}

void CDatumDlg::OnRecordChange(const RecordChange& change) {
  CPanel::OnRecordChange(change);
  if (change.what != RecordChange::What::ListsChanged || !hwnd()) return;
  const bool fresh = capture_.FollowLists();
  UpdateButtons();
  if (fresh) ShowCard();
}

void CDatumDlg::OnExit() {
  exiting_ = true;
  capture_.Close(Fields());
  if (browser_) browser_->OnExit();  // closes the browser, which then calls BrowserClosed
  browser_.reset();
  closedBrowser_.reset();
  exiting_ = false;
}

}  // namespace pim
