// The contacts panel below the bar: one contact's fields, read into and filled from the
// address book model.
#pragma once

#include "contacts/address_book.h"
#include "resource.h"
#include "win/panel.h"

namespace pim {

class CComuDlg final : public CPanel {
 public:
  explicit CComuDlg(PanelHost& host) : CPanel(IDD_COMU, host), book_(prompter_) {}

  void OnExit() override { book_.Close(); }
  // After a restore: maxid read again, an empty entry shown.
  void ReloadData() override {
    book_.Initialise();
    EmptyControls();
    ShowLabel();
  }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;

 private:
  ComuRecord ReadControls() const;
  void FillControls(const ComuRecord& entry);
  void EmptyControls();
  void ShowStep(AddressBook::Step step, const ComuRecord& entry);
  void ShowLabel();

  AddressBook book_;
};

}  // namespace pim
