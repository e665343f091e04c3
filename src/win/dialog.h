// The base of every window of the program: a dialog made from a template, modal or
// modeless. One static procedure keeps `this` in the window's user data from WM_INITDIALOG
// on and hands each message to the virtual handlers; no exception ever leaves it.
#pragma once

#include <windows.h>

#include <vector>

#include "base/scale.h"
#include "win/window.h"

namespace pim::win {

class Dialog {
 public:
  explicit Dialog(int templateId) : templateId_(templateId) {}
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // A modal dialog in the system's own modal loop; the value given to EndDialog.
  INT_PTR DoModal(HWND owner);
  // A modal dialog in a loop of ours that also serves the keyboard of modeless dialogs.
  INT_PTR RunModalLoop(HWND owner);
  // A modeless dialog; false when the window cannot be made.
  bool CreateModeless(HWND owner);
  // Ends a modal dialog with `result`; a modeless one is destroyed.
  void EndDialog(INT_PTR result);
  void Destroy();

  HWND hwnd() const { return hwnd_; }
  bool modeless() const { return kind_ == Kind::Modeless; }
  Window window() const { return hwnd_; }
  Window Item(int id) const { return GetDlgItem(hwnd_, id); }

  static HINSTANCE Instance();

  // Another screen's scale, told by the owner: what is laid out in pixels follows it.
  void ScaleTo(int dpi);

 protected:
  virtual bool OnInitDialog() { return true; }
  // A WM_COMMAND; true when handled.
  virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }
  // Any message; true when handled, with `result` as the dialog procedure's answer.
  virtual bool OnMessage(UINT /*message*/, WPARAM /*wp*/, LPARAM /*lp*/, INT_PTR& /*result*/) {
    return false;
  }
  // After the window is gone.
  virtual void OnDestroyed() {}
  // The program exits while this modal dialog is open: end it, keeping what the user did.
  virtual void OnCloseForExit() { EndDialog(IDCANCEL); }
  // The scale has changed (scale_ holds the new one): place what is laid out in pixels. On a
  // screen of another scale this comes after the dialog manager has rescaled the template.
  virtual void OnScaleChanged() {}

  Scale scale_;  // of the screen the dialog is on, from initialisation on

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
  INT_PTR Handle(UINT message, WPARAM wp, LPARAM lp);

  int templateId_;
  HWND hwnd_ = nullptr;
  enum class Kind { None, SystemModal, OwnLoop, Modeless } kind_ = Kind::None;
  bool ended_ = false;
  INT_PTR result_ = 0;
};

// The program's modal windows, as the exit finds them: our modal dialogs, message boxes,
// pickers and sheets, but not the bar or any modeless dialog of ours.
// Those of this thread other than `except`, the innermost first: a modal window that is
// enabled has no other modal window over it.
std::vector<HWND> OpenModals(HWND except);
// Ends `modal` the way the exit wants it: our own dialogs through OnCloseForExit, a message
// box without Cancel by No (or its only button), any other window by Cancel.
void CloseModalForExit(HWND modal);

}  // namespace pim::win
