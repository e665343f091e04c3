// The contacts panel's "提  醒" button: whatever keeps birthday reminders implements it, so the
// address book knows nothing of reminders.
#pragma once

namespace pim {

class Prompter;

class ReminderSwitch {
 public:
  virtual bool IsOn(int contact) const = 0;
  // Switches the reminder of a saved contact on or off, or says why it cannot; true when it
  // switched.
  virtual bool Toggle(int contact, Prompter& prompter) = 0;

 protected:
  ~ReminderSwitch() = default;
};

}  // namespace pim
