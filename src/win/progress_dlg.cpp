#include "win/progress_dlg.h"

#include <commctrl.h>

#include "resource.h"

namespace pim::win {

ProgressDlg::ProgressDlg(HWND owner, const std::string& text, size_t total, size_t shownFrom)
    : Dialog(IDD_PROGRESS), owner_(owner), text_(text), total_(total) {
  if (total_ < shownFrom || !CreateModeless(owner_)) return;
  EnableWindow(owner_, FALSE);
  window().Show(SW_SHOW);
  UpdateWindow(hwnd());
}

ProgressDlg::~ProgressDlg() {
  if (!hwnd()) return;
  EnableWindow(owner_, TRUE);
  Destroy();
}

bool ProgressDlg::OnInitDialog() {
  Item(IDC_PROGRESS_TEXT).SetText(text_);
  SendMessageW(Item(IDC_PROGRESS_BAR).hwnd(), PBM_SETRANGE32, 0, 1000);
  return true;
}

bool ProgressDlg::OnCommand(int id, int /*code*/) {
  if (id != IDCANCEL) return false;
  cancelled_ = true;
  EnableWindow(Item(IDCANCEL).hwnd(), FALSE);
  return true;
}

bool ProgressDlg::Step(size_t done) {
  if (!hwnd()) return !cancelled_;
  const auto permille = static_cast<WPARAM>(total_ ? done * 1000 / total_ : 1000);
  SendMessageW(Item(IDC_PROGRESS_BAR).hwnd(), PBM_SETPOS, permille, 0);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {  // the end of the program: passed on, and the work stops
      PostQuitMessage(static_cast<int>(message.wParam));
      cancelled_ = true;
      break;
    }
    if (!IsDialogMessageW(hwnd(), &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return !cancelled_;
}

}  // namespace pim::win
