// Long work under a progress bar with a Cancel button: a small window over its owner, which
// the work updates between steps; the messages that came meanwhile are handled then, so the
// window answers and Cancel is seen.
#pragma once

#include <string>

#include "win/dialog.h"

namespace pim::win {

class ProgressDlg final : public Dialog {
 public:
  // Shown over `owner` (disabled meanwhile) with `text` above the bar, for work of `total` steps
  // of which fewer than `shownFrom` need no window at all.
  ProgressDlg(HWND owner, const std::string& text, size_t total, size_t shownFrom = 200);
  ~ProgressDlg() override;
  ProgressDlg(const ProgressDlg&) = delete;
  ProgressDlg& operator=(const ProgressDlg&) = delete;

  // `done` steps of the work are done; false once the user pressed Cancel.
  bool Step(size_t done);
  bool cancelled() const { return cancelled_; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;

 private:
  HWND owner_;
  std::string text_;
  size_t total_;
  bool cancelled_ = false;
  unsigned long long shownAt_ = 0;
};

}  // namespace pim::win
