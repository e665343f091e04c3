// Reminders in the real program: a birthday switched on in the contacts panel comes up from
// the tray icon and opens its contact; exit asks about the cards not yet trimmed, and ends
// after a trimming dialog left open.
#include "driver.h"

namespace e2e {
namespace {

class Reminders : public ProgramTest {
 protected:
  // One setting of sets.conf changed before a start; a setting not there throws.
  void Set(const std::string& from, const std::string& to) {
    std::string bytes = File(L"set\\sets.conf");
    WriteBytes(folder + L"\\set\\sets.conf", bytes.replace(bytes.find(from), from.size(), to));
  }
};

TEST_F(Reminders, ABirthdayTodayComesUpOnceAndItsBalloonOpensTheContact) {
  SYSTEMTIME today;
  GetLocalTime(&today);
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_COMU));
  const HWND bar = program->Bar(), button = Control(panel, IDC_COMU_AWOKE);
  Send(Control(panel, IDC_COMU_MONTH), CB_SETCURSEL, today.wMonth - 1);
  Send(Control(panel, IDC_COMU_DAY), CB_SETCURSEL, today.wDay - 1);
  ASSERT_EQ(program->SaveRecord(panel, L"王小明"), 0);

  const HWND focused = GetForegroundWindow();
  SendCommand(panel, IDC_COMU_AWOKE);
  EXPECT_EQ(Text(button), L"√提醒");
  EXPECT_TRUE(WaitUntil([&] { return LastTip(bar, 0) == L"今天是 王小明 的生日"; }))
      << Gbk(LastTip(bar, 0));
  EXPECT_EQ(GetForegroundWindow(), focused);  // the balloon took no focus

  // A click on the balloon, with another panel shown and the bar hidden, brings it back.
  SendCommand(panel, IDC_COMU_NEW);
  EXPECT_EQ(Text(button), L"提  醒");
  ASSERT_TRUE(program->ShowPanel(IDC_BTN_NOTE));
  SendCommand(bar, ID_SHOWHIDE);
  ClickBalloon(bar);
  EXPECT_TRUE(WaitUntil(
      [&] { return Visible(panel) && Text(Control(panel, IDC_COMU_NAME)) == L"王小明"; }));
  EXPECT_TRUE(Visible(bar) && Text(button) == L"√提醒");
  ASSERT_TRUE(program->Exit());

  // With tips off, the tray's tip lists what is coming, once the start has made the panels
  // (one a tick; the panel opened here comes first).
  Set("showtip=true", "showtip=false");
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_NOTE));
  const std::wstring tip = L"Pimbrel个人电脑管家\n今天是 王小明 的生日";
  EXPECT_TRUE(WaitUntil([&] { return LastTip(program->Bar(), 1) == tip; }))
      << Gbk(LastTip(program->Bar(), 1));
  ASSERT_TRUE(program->Exit());
}

// Exit asks about the cards waiting to be trimmed (the question's words and buttons: the exit
// notice's unit test), and each answer does its own; an exit while trimming first ends the
// dialog, keeping what was done there.
TEST_F(Reminders, ExitAsksAboutWaitingCardsAndEachAnswerDoesItsOwnAfterAnOpenTrimming) {
  Set("notice=false", "notice=true");
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_DATUM));
  program->StoreCard(panel, L"first card");  // waiting to be trimmed
  const HWND bar = program->Bar();
  PostCommand(bar, ID_EXIT);
  ASSERT_TRUE(AnswerMessageBox(program->pid(), L"Pimbrel", IDCANCEL));
  Pause(500);
  EXPECT_TRUE(program->Alive() && Visible(bar));

  // The end of the session never waits for an answer.
  EXPECT_EQ(Send(bar, WM_QUERYENDSESSION), TRUE);
  EXPECT_FALSE(WaitWindow(program->pid(), L"Pimbrel", 1000));
  Send(bar, WM_ENDSESSION, FALSE);  // another program kept the session going

  PostCommand(bar, ID_EXIT);
  ASSERT_TRUE(AnswerMessageBox(program->pid(), L"Pimbrel", IDNO));
  ASSERT_TRUE(program->WaitEnd());

  // The card still waits. A second joins it; the first is left in the trimming dialog and the
  // second changed there when the exit comes from the bar.
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_DATUM));
  // Told once the start has made every panel, after the one opened here.
  EXPECT_TRUE(WaitUntil([&] { return LastTip(program->Bar(), 0) == L"还有 1 条资料等待整理。"; }))
      << Gbk(LastTip(program->Bar(), 0));
  program->StoreCard(panel, L"second card");
  HWND trim = PostFor(panel, IDC_DATUMDLG_TRIM, L"Pimbrel 资料整理");
  ASSERT_TRUE(trim);
  SendCommand(trim, IDC_TRIM_NEXT);
  SetText(Control(trim, IDC_TRIM_TEXT), L"changed, never saved");
  PostCommand(program->Bar(), ID_EXIT);
  // The dialog has ended; only the second card waits, unchanged, and Yes trims it first.
  ASSERT_TRUE(AnswerMessageBox(program->pid(), L"Pimbrel", IDYES));
  ASSERT_TRUE(trim = WaitWindow(program->pid(), L"Pimbrel 资料整理"));
  EXPECT_EQ(Text(Control(trim, IDC_TRIM_TEXT)), L"second card");
  PostCommand(trim, IDOK);  // "完  成" on the only card
  ASSERT_TRUE(program->WaitEnd());
  const std::string trimmed = File(L"datum\\lineindex.list");
  EXPECT_EQ(std::tuple(Count(File(L"datum\\lineindex.untrim.list"), "<link>"),
                       Count(trimmed, Gbk(L"<name>资料卡0</name>")),
                       Count(trimmed, Gbk(L"<name>资料卡1</name>"))),
            std::tuple(0u, 1u, 1u));
}

}  // namespace
}  // namespace e2e
