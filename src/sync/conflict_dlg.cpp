#include "sync/conflict_dlg.h"

#include <algorithm>
#include <utility>

#include "base/gb18030.h"
#include "base/gbk.h"
#include "base/path.h"
#include "resource.h"
#include "sync/conflict_text.h"
#include "win/text.h"
#include "win/win_system.h"

namespace pim {

namespace {

std::string NameOf(const std::string& path) { return path.substr(DataPathFolder(path).size()); }

}  // namespace

CConflictDlg::CConflictDlg(std::vector<Conflict> conflicts, RecordEvents& events)
    : Dialog(IDD_CONFLICTS), conflicts_(std::move(conflicts)), events_(events) {}

bool CConflictDlg::OnInitDialog() {
  const win::Window list = Item(IDC_CONFLICT_LIST);
  for (const Conflict& c : conflicts_)
    SendMessageW(list.hwnd(), LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(win::Widen(ConflictLine(c)).c_str()));
  SendMessageW(list.hwnd(), LB_SETCURSEL, 0, 0);
  ShowPair();
  // Opened from a balloon, while another program has the focus.
  SetForegroundWindow(hwnd());
  SetFocus(Item(IDC_CONFLICT_LIST).hwnd());
  return false;
}

int CConflictDlg::Selected() const {
  const auto at =
      static_cast<int>(SendMessageW(Item(IDC_CONFLICT_LIST).hwnd(), LB_GETCURSEL, 0, 0));
  return at >= 0 && at < static_cast<int>(conflicts_.size()) ? at : -1;
}

void CConflictDlg::ShowPair() {
  Item(IDC_CONFLICT_TEXT)
      .SetText(Gb("有 ") + Format("%d", static_cast<int>(conflicts_.size())) +
               Gb(" 条记录在两台电脑上都修改过。请比较两个版本，决定保留哪个。"));
  const int at = Selected();
  const Conflict* c = at >= 0 ? &conflicts_[static_cast<size_t>(at)] : nullptr;
  const bool hasMine = c && !c->original.empty();
  // A copy whose record was removed here: keeping "this version" keeps the removal. A document
  // dropped into the folder has no such version.
  const bool removed =
      c && !hasMine && ClassifyName(c->folder, NameOf(c->copy)).kind == NameKind::Copy;
  Item(IDC_CONFLICT_MINE_LABEL)
      .SetText(Gb("这个版本") + (hasMine ? " (" + NameOf(c->original) + "):" : std::string(":")));
  Item(IDC_CONFLICT_OTHER_LABEL)
      .SetText(Gb("另一个版本") + (c ? " (" + NameOf(c->copy) + "):" : std::string(":")));
  const std::string unread = Gb("（无法读取）");
  const std::string mine = hasMine   ? VersionText(*c, false)
                           : removed ? Gb("（这条记录已被删除）")
                                     : Gb("（没有对应的记录）");
  const std::string other = c ? VersionText(*c, true) : std::string();
  Item(IDC_CONFLICT_MINE).SetText(hasMine && mine.empty() ? unread : mine);
  Item(IDC_CONFLICT_OTHER).SetText(c && other.empty() ? unread : other);
  // A list has one place only.
  EnableWindow(Item(IDC_CONFLICT_BOTH).hwnd(), c && !c->list);
  EnableWindow(Item(IDC_CONFLICT_USE_MINE).hwnd(), hasMine || removed);
  EnableWindow(Item(IDC_CONFLICT_USE_OTHER).hwnd(), c != nullptr);
}

void CConflictDlg::Decide(ConflictChoice choice) {
  const int at = Selected();
  if (at < 0) return;
  const Conflict& c = conflicts_[static_cast<size_t>(at)];
  win::DialogPrompter prompter(*this);
  if (pim::Decide(c, choice, prompter, &events_) == Decided::Failed) {
    prompter.ShowMessage(Gb("无法完成：") + ConflictLine(c) +
                             Gb("\r\n文件可能正被其他程序使用，请稍后再试。两个版本都还在。"),
                         "Pimbrel", MsgButtons::Ok, MsgIcon::Warning);
    return;
  }
  // Done here, or already decided on the other computer: either way the pair is settled.
  conflicts_.erase(conflicts_.begin() + at);
  if (conflicts_.empty()) {
    EndDialog(IDOK);
    return;
  }
  const HWND list = Item(IDC_CONFLICT_LIST).hwnd();
  SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(at), 0);
  const int next = std::min(at, static_cast<int>(conflicts_.size()) - 1);
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(next), 0);
  ShowPair();
}

bool CConflictDlg::OnCommand(int id, int code) {
  switch (id) {
    case IDC_CONFLICT_LIST:
      if (code == LBN_SELCHANGE) ShowPair();
      return true;
    case IDOK:  // Enter: the default button
    case IDC_CONFLICT_BOTH:
      if (IsWindowEnabled(Item(IDC_CONFLICT_BOTH).hwnd())) Decide(ConflictChoice::KeepBoth);
      return true;
    case IDC_CONFLICT_USE_MINE:
      Decide(ConflictChoice::KeepOriginal);
      return true;
    case IDC_CONFLICT_USE_OTHER:
      Decide(ConflictChoice::KeepCopy);
      return true;
    case IDCANCEL:
      EndDialog(IDCANCEL);
      return true;
    default:
      return false;
  }
}

}  // namespace pim
