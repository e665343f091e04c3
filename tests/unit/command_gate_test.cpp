// The bar's command gate: commands wait for the dialogs, the exit closes them innermost first,
// and a session end answers inside the query.
#include "app/command_gate.h"

#include <gtest/gtest.h>

namespace pim {
namespace {

// What the bar's log shows for a command run.
std::string Ran(Command c) { return "run " + std::to_string(static_cast<int>(c)) + ";"; }

// The bar as the gate sees it: open dialogs (innermost first), and a log of what it was told.
struct FakeBar final : CommandGate::Bar {
  struct Dialog {
    CommandGate::Modal id;
    bool enabled;
  };
  std::vector<CommandGate::Modal> OpenModals() override {
    std::vector<CommandGate::Modal> ids;
    for (const Dialog& d : dialogs) ids.push_back(d.id);
    return ids;
  }
  bool IsEnabled(CommandGate::Modal modal) override {
    for (const Dialog& d : dialogs)
      if (d.id == modal) return d.enabled;
    return false;
  }
  void CloseForExit(CommandGate::Modal m) override { log += "close " + std::to_string(m) + ";"; }
  void Poll(bool on) override { polling = on; }
  bool ConfirmExit() override {
    log += "ask;";
    if (duringQuestion) duringQuestion();
    return !stay;
  }
  void Run(Command command) override { log += Ran(command); }

  std::vector<Dialog> dialogs;
  std::string log;
  bool polling = false;
  bool stay = false;
  std::function<void()> duringQuestion;
};

TEST(CommandGate, TheExitClosesTheInnermostDialogFirstOnceEachAndRunsWhenAllAreGone) {
  FakeBar bar;
  CommandGate gate(bar);
  bar.dialogs = {{2, true}, {1, false}};  // a message box over a dialog
  gate.ModalStarted();
  gate.ModalStarted();
  gate.Request(Command::Exit);
  gate.Continue();  // the box takes a while to go: asked once
  EXPECT_EQ(bar.log, "close 2;");
  bar.dialogs = {{1, true}};
  gate.ModalEnded();
  gate.Continue();
  EXPECT_EQ(bar.log, "close 2;close 1;");
  bar.dialogs.clear();
  gate.Continue();  // its window went, but the code that opened it still runs
  EXPECT_TRUE(bar.polling);
  gate.ModalEnded();
  gate.Continue();
  EXPECT_EQ(bar.log, "close 2;close 1;ask;" + Ran(Command::Exit));
  EXPECT_TRUE(gate.exited() && !bar.polling && !gate.Idle());
  gate.Request(Command::Backup);  // nothing once on the way out
  gate.Continue();
  EXPECT_EQ(bar.log.find(Ran(Command::Backup)), std::string::npos);
}

TEST(CommandGate, CommandsWaitForTheDialogsOneAtATimeAndTheExitGoesFirst) {
  FakeBar bar;
  CommandGate gate(bar);
  bar.dialogs = {{7, true}};
  gate.Request(Command::Backup);
  gate.Request(Command::Restore);  // one waits at a time: dropped
  gate.RequestOpen({RecordKind::Note, 3, "", false});
  gate.Continue();
  EXPECT_EQ(bar.log, "");  // nothing closed for a backup
  bar.dialogs.clear();
  gate.Continue();
  EXPECT_EQ(bar.log, Ran(Command::Backup));
  EXPECT_TRUE(gate.Idle());

  // Records to open: the latest choice wins over one still waiting.
  bar.log.clear();
  bar.dialogs = {{7, true}};
  gate.RequestOpen({RecordKind::Note, 3, "", false});
  gate.RequestOpen({RecordKind::Contact, 4, "", false});
  bar.dialogs.clear();
  gate.Continue();
  EXPECT_EQ(std::tuple(bar.log, gate.record().kind, gate.record().number),
            std::tuple(Ran(Command::Open), RecordKind::Contact, 4));

  // The exit takes the place of a command waiting; a "stay" leaves the program as it was.
  bar.log.clear();
  bar.dialogs = {{7, true}};
  bar.stay = true;
  gate.Request(Command::Restore);
  gate.Request(Command::Exit);
  bar.dialogs.clear();
  gate.Continue();
  EXPECT_EQ(bar.log, "close 7;ask;");
  EXPECT_TRUE(gate.Idle());
}

TEST(CommandGate, ASessionEndClosesEveryDialogAtOnceAndIsDoneOnce) {
  FakeBar bar;
  CommandGate gate(bar);
  bar.dialogs = {{2, true}, {1, false}};
  gate.Request(Command::Backup);  // waiting behind the dialogs: never runs after the end
  ASSERT_TRUE(gate.EndSession());
  EXPECT_EQ(bar.log, "close 2;close 1;");
  EXPECT_FALSE(gate.EndSession());
  bar.dialogs.clear();
  gate.Continue();
  EXPECT_EQ(bar.log, "close 2;close 1;");
  EXPECT_FALSE(bar.polling);
  // Another program kept the session going: commands work again.
  gate.SessionGoesOn();
  gate.Request(Command::Backup);
  EXPECT_EQ(bar.log, "close 2;close 1;" + Ran(Command::Backup));

  // The session ends while the exit's question is open: the exit's work is not done twice.
  bar.log.clear();
  bar.duringQuestion = [&] {
    gate.Request(Command::Restore);  // dropped while asking
    EXPECT_TRUE(gate.EndSession());
  };
  gate.Request(Command::Exit);
  EXPECT_EQ(bar.log, "ask;");
  EXPECT_TRUE(gate.exited());
}

}  // namespace
}  // namespace pim
