#include "app/command_gate.h"

namespace pim {

void CommandGate::Request(Command command) {
  if (exited_ || asking_ || pending_ == Command::Exit) return;
  if (pending_ != Command::None && command != Command::Exit) return;
  pending_ = command;
  lastClosed_ = 0;
  bar_.Poll(true);
  Continue();
}

void CommandGate::RequestOpen(const RecordRef& record) {
  record_ = record;
  if (pending_ != Command::Open) Request(Command::Open);
}

void CommandGate::Continue() {
  if (pending_ == Command::None) return;
  if (const std::vector<Modal> modals = bar_.OpenModals(); !modals.empty()) {
    if (pending_ != Command::Exit) return;
    // One close at a time: a dialog may take a while to go, or ask something first.
    if (modals.front() != lastClosed_ && bar_.IsEnabled(modals.front()))
      bar_.CloseForExit(modals.front());
    lastClosed_ = modals.front();
    return;
  }
  if (modals_ > 0) return;  // a dialog has gone, and the code that opened it still runs
  bar_.Poll(false);
  const Command command = pending_;
  pending_ = Command::None;
  if (command != Command::Exit) {
    bar_.Run(command);
    return;
  }
  asking_ = true;
  const bool go = bar_.ConfirmExit();
  asking_ = false;
  // The end of the session may have come meanwhile; it has done the exit's work.
  if (!go || exited_) return;
  exited_ = true;
  bar_.Run(Command::Exit);
}

bool CommandGate::EndSession() {
  if (exited_) return false;
  exited_ = true;
  pending_ = Command::None;
  bar_.Poll(false);
  for (const Modal modal : bar_.OpenModals()) bar_.CloseForExit(modal);
  return true;
}

}  // namespace pim
