// When the bar's commands run. Those that replace or delete what the panels show (exit, backup,
// restore, opening a record elsewhere) wait until no dialog is open; the exit closes the open
// dialogs first, the innermost first; one command waits at a time, and nothing runs once the
// program is on its way out. It knows no window: the bar answers its questions and runs what
// it decides.
#pragma once

#include <cstdint>
#include <vector>

#include "records/record_ref.h"

namespace pim {

enum class Command { None, Exit, Backup, Restore, Open };

class CommandGate {
 public:
  using Modal = uintptr_t;  // a modal window, as the bar names it

  class Bar {
   public:
    // The program's open modal windows, the innermost (the enabled one) first.
    virtual std::vector<Modal> OpenModals() = 0;
    virtual bool IsEnabled(Modal modal) = 0;
    // Ends a modal window the way the exit wants it, keeping what the user did.
    virtual void CloseForExit(Modal modal) = 0;
    // While a command waits, Continue is called now and then.
    virtual void Poll(bool on) = 0;
    // The question before the exit and the trimming it may lead to; false when the program
    // is to stay.
    virtual bool ConfirmExit() = 0;
    // Runs a command whose turn has come; for Exit, the exit procedure.
    virtual void Run(Command command) = 0;

   protected:
    ~Bar() = default;
  };

  explicit CommandGate(Bar& bar) : bar_(bar) {}

  // Exit goes before anything waiting; anything else waits its turn or is dropped.
  void Request(Command command);
  // A record to show once no dialog is open; the latest choice wins over one still waiting.
  void RequestOpen(const RecordRef& record);
  const RecordRef& record() const { return record_; }
  void Continue();

  // A dialog of ours opens, and has returned: its code may still run after its window went.
  void ModalStarted() { ++modals_; }
  void ModalEnded() { --modals_; }

  // Nothing waits, no dialog is open and the program is not ending: something the user
  // clicked outside the dialogs (a balloon) may act at once.
  bool Idle() const { return IdleWith(0); }
  // The same with exactly `dialogs` dialogs of ours open.
  bool IdleWith(int dialogs) const {
    return !exited_ && pending_ == Command::None && modals_ == dialogs;
  }
  bool exited() const { return exited_; }
  // The end of the Windows session: every open dialog closes now, the innermost first, inside
  // the query. True when the bar is to save everything; false when it is ending anyway.
  bool EndSession();
  // Another program kept the session going: the program runs on.
  void SessionGoesOn() { exited_ = false; }

 private:
  Bar& bar_;
  Command pending_ = Command::None;
  RecordRef record_;      // of Command::Open
  Modal lastClosed_ = 0;  // the dialog the waiting exit closed last
  int modals_ = 0;
  bool asking_ = false;  // the question before the exit, or the trimming it led to, is open
  bool exited_ = false;
};

}  // namespace pim
