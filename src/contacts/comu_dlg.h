// The contacts panel below the bar: one contact's fields, read into and filled from the
// address book model.
#pragma once

#include "contacts/address_book.h"
#include "contacts/reminder_switch.h"
#include "resource.h"
#include "win/panel.h"

namespace pim {

class CComuDlg final : public CPanel {
 public:
  CComuDlg(PanelHost& host, ReminderSwitch& reminders)
      : CPanel(IDD_COMU, host), reminders_(reminders), book_(prompter_, &host.Records()) {}

  void OnExit() override { book_.Close(); }
  bool ShowRecord(const RecordRef& record) override;
  void OnRecordChange(const RecordChange& change) override;
  // After a restore: maxid read again; the contact shown before, or else an empty entry.
  void ReloadData() override;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;

 private:
  ComuRecord ReadControls() const;
  void FillControls(const ComuRecord& entry);
  void EmptyControls();
  void ShowStep(AddressBook::Step step, const ComuRecord& entry);
  // The number label, and the reminder button's state for the contact shown.
  void ShowLabel();

  ReminderSwitch& reminders_;
  AddressBook book_;
};

}  // namespace pim
