#include "win/dialog.h"

#include <algorithm>
#include <string_view>

#include "win/display_scale.h"

namespace pim::win {

namespace {

// Asked of a window: 0 from any window not ours, else 1 for a modal dialog of ours and 2
// for a modeless one. With wParam 1, a modal dialog of ours also closes for the exit.
UINT CloseForExitMessage() {
  static const UINT message = RegisterWindowMessageW(L"Pimbrel.CloseForExit");
  return message;
}

// Posted to itself once the dialog manager has rescaled the template for another screen.
constexpr UINT kScaleChanged = WM_APP + 22;

bool IsDialogWindow(HWND window) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  return std::wstring_view(name) == L"#32770";
}

}  // namespace

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

void Dialog::ScaleTo(int dpi) {
  if (dpi == scale_.dpi()) return;
  scale_ = Scale(dpi);
  OnScaleChanged();
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
  if (message == CloseForExitMessage()) {
    if (kind_ != Kind::Modeless && wp == 1) OnCloseForExit();
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, kind_ == Kind::Modeless ? 2 : 1);
    return TRUE;
  }
  INT_PTR result = FALSE;
  if (OnMessage(message, wp, lp, result)) return result;
  switch (message) {
    case WM_INITDIALOG:
      scale_ = Scale(WindowDpi(hwnd_));
      return OnInitDialog() ? TRUE : FALSE;
    case WM_DPICHANGED:
      // The default processing rescales the template first; the pixel figures follow it.
      PostMessageW(hwnd_, kScaleChanged, LOWORD(wp), 0);
      return FALSE;
    case kScaleChanged:
      scale_ = Scale(static_cast<int>(wp));
      OnScaleChanged();
      return TRUE;
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

std::vector<HWND> OpenModals(HWND except) {
  struct Search {
    HWND except;
    std::vector<HWND> found;
  } search{except, {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM lp) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(lp);
        if (window != s.except && IsWindowVisible(window) && IsDialogWindow(window) &&
            SendMessageW(window, CloseForExitMessage(), 0, 0) != 2)
          s.found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  std::stable_partition(search.found.begin(), search.found.end(), IsWindowEnabled);
  return search.found;
}

void CloseModalForExit(HWND modal) {
  if (SendMessageW(modal, CloseForExitMessage(), 1, 0) == 1) return;
  const bool cancel = GetDlgItem(modal, IDCANCEL) != nullptr;
  int button = IDCANCEL;
  if (!cancel) button = GetDlgItem(modal, IDNO) ? IDNO : IDOK;
  PostMessageW(modal, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(modal, button)));
}

}  // namespace pim::win
