// The icon picker: a file and one of the icons inside it.
#pragma once

#include <windows.h>
// commctrl.h wants windows.h first.
#include <commctrl.h>

#include <string>

#include "resource.h"
#include "win/dialog.h"
#include "win/gdi.h"

namespace pim {

class CIconSel final : public win::Dialog {
 public:
  CIconSel(std::string file, int index)
      : Dialog(IDD_ICONSEL), file_(std::move(file)), index_(index) {}

  // After OK: the file name as the field holds it, and the icon chosen.
  const std::string& file() const { return file_; }
  int index() const { return index_; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;

 private:
  void FillIcons(const std::string& file);

  std::string file_;
  int index_;
  win::HeldImageList images_;
};

}  // namespace pim
