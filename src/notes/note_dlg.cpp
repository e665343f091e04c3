#include "notes/note_dlg.h"

#include "win/text.h"
#include "win/win_system.h"

namespace pim {

CNoteDlg::CNoteDlg(PanelHost& host)
    : CPanel(IDD_NOTE, host), book_(prompter_, clock_, &host.Records()) {}

bool CNoteDlg::OnInitDialog() {
  CPanel::OnInitDialog();
  const HWND list = Item(IDC_NOTE_CATEGORY).hwnd();
  for (std::string_view name : NoteBook::kCategories)
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::Widen(name).c_str()));
  SendMessageW(list, CB_SETCURSEL, NoteBook::kOrdinary, 0);
  book_.Open();
  return true;
}

int CNoteDlg::Category() const {
  return static_cast<int>(SendMessageW(Item(IDC_NOTE_CATEGORY).hwnd(), CB_GETCURSEL, 0, 0));
}

std::string CNoteDlg::EditorText() const { return Item(IDC_NOTE_TEXT).Text(); }

void CNoteDlg::ShowBook(NoteBook::Step step) {
  if (step == NoteBook::Step::Unchanged) return;
  const win::Window editor = Item(IDC_NOTE_TEXT);
  editor.SetText(book_.text());
  Item(IDC_NOTE_ID).SetText(book_.label());
  // A hidden panel (a change from another computer) never takes the focus: that would
  // activate a window no one sees and take the keyboard from the user.
  if (step != NoteBook::Step::Started || !window().IsVisible()) return;
  // Typing replaces the last character: the blank of a plain note, the indent of a diary.
  SetFocus(editor.hwnd());
  const LRESULT length = GetWindowTextLengthW(editor.hwnd());
  SendMessageW(editor.hwnd(), EM_SETSEL, length > 0 ? length - 1 : 0, length);
  SendMessageW(editor.hwnd(), EM_SCROLLCARET, 0, 0);
}

bool CNoteDlg::OnCommand(int id, int code) {
  switch (id) {
    case IDC_NOTE_PREV:
      ShowBook(book_.Previous(Category()));
      return true;
    case IDC_NOTE_NEXT:
      ShowBook(book_.Next(Category()));
      return true;
    case IDC_NOTE_CATEGORY:
      if (code != CBN_SELCHANGE) return false;
      [[fallthrough]];
    case IDC_NOTE_NEW:
      book_.New(Category());
      ShowBook(NoteBook::Step::Started);
      return true;
    case IDC_NOTE_SAVE:
      if (book_.Save(EditorText(), Category()))
        Item(IDC_NOTE_ID).SetText(book_.label());
      else if (book_.TookDiskVersion())
        ShowWhole(NoteBook::Step::Shown);
      return true;
    case IDC_NOTE_DELETE:
      book_.Delete();
      return true;
    case IDC_NOTE_FOLD:
      CollapsePanel();
      return true;
    default:
      return CPanel::OnCommand(id, code);
  }
}

void CNoteDlg::OnExit() { book_.Close(); }

bool CNoteDlg::ShowRecord(const RecordRef& record) {
  if (record.kind != RecordKind::Note) return false;
  host_.MakeCurrent(*this);
  ShowBelowParent(SW_SHOW);
  if (!book_.Leave(EditorText(), Category()) || !book_.Show(record.number)) return false;
  ShowWhole(NoteBook::Step::Shown);
  return true;
}

void CNoteDlg::ShowWhole(NoteBook::Step step) {
  // Its own category, so a save keeps its type; set this way it starts no new note.
  if (step == NoteBook::Step::Shown)
    SendMessageW(Item(IDC_NOTE_CATEGORY).hwnd(), CB_SETCURSEL,
                 static_cast<WPARAM>(book_.category()), 0);
  ShowBook(step);
}

void CNoteDlg::OnRecordChange(const RecordChange& change) {
  CPanel::OnRecordChange(change);
  if (hwnd() && change.kind == RecordKind::Note && change.what == RecordChange::What::Written &&
      book_.Arrived(change.number))
    Item(IDC_NOTE_ID).SetText(book_.label());
  // Written or removed elsewhere (another computer): the note shown follows, unless edited.
  if (!hwnd() || change.kind != RecordKind::Note || change.number != book_.current() ||
      (change.what != RecordChange::What::Written && change.what != RecordChange::What::Removed))
    return;
  ShowWhole(book_.Refresh(EditorText(), Category()));
}

void CNoteDlg::ReloadData() {
  if (book_.Reopen()) {
    ShowWhole(NoteBook::Step::Shown);
    return;
  }
  SendMessageW(Item(IDC_NOTE_CATEGORY).hwnd(), CB_SETCURSEL, NoteBook::kOrdinary, 0);
  Item(IDC_NOTE_TEXT).SetText("");
  Item(IDC_NOTE_ID).SetText(book_.label());
}

}  // namespace pim
