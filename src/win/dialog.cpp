#include "win/dialog.h"

namespace pim::win {

Dialog::~Dialog() { Destroy(); }

HINSTANCE Dialog::Instance() { return GetModuleHandleW(nullptr); }

INT_PTR Dialog::DoModal(HWND owner) {
  kind_ = Kind::SystemModal;
  ended_ = false;
  return DialogBoxParamW(Instance(), MAKEINTRESOURCEW(templateId_), owner, &Procedure,
                         reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::RunModalLoop(HWND owner) {
  kind_ = Kind::OwnLoop;
  ended_ = false;
  if (!CreateDialogParamW(Instance(), MAKEINTRESOURCEW(templateId_), owner, &Procedure,
                          reinterpret_cast<LPARAM>(this)))
    return -1;
  kind_ = Kind::OwnLoop;
  MSG msg;
  while (!ended_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // Keyboard navigation for whichever of our top-level dialogs the message is for.
    HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (top && IsDialogMessageW(top, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  Destroy();
  return result_;
}

bool Dialog::CreateModeless(HWND owner) {
  kind_ = Kind::Modeless;
  return CreateDialogParamW(Instance(), MAKEINTRESOURCEW(templateId_), owner, &Procedure,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::EndDialog(INT_PTR result) {
  result_ = result;
  ended_ = true;
  if (kind_ == Kind::SystemModal)
    ::EndDialog(hwnd_, result);
  else if (kind_ == Kind::Modeless)
    Destroy();
  else if (kind_ == Kind::OwnLoop)
    PostMessageW(hwnd_, WM_NULL, 0, 0);  // wake the loop
}

void Dialog::Destroy() {
  if (hwnd_ && kind_ != Kind::SystemModal) DestroyWindow(hwnd_);
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lp);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, lp);
  } else {
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;
  INT_PTR answer = FALSE;
  try {
    answer = self->Handle(message, wp, lp);
  } catch (...) {
    // Nothing may unwind through the system's code; the message counts as unhandled.
    answer = FALSE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
    self->OnDestroyed();
  }
  return answer;
}

INT_PTR Dialog::Handle(UINT message, WPARAM wp, LPARAM lp) {
  INT_PTR result = FALSE;
  if (OnMessage(message, wp, lp, result)) return result;
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
      if (OnCommand(LOWORD(wp), HIWORD(wp))) return TRUE;
      // Enter and Escape end a modal dialog, as users expect; a modeless one stays.
      if ((LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) && kind_ != Kind::Modeless) {
        EndDialog(LOWORD(wp));
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      if (kind_ != Kind::Modeless) EndDialog(IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace pim::win
