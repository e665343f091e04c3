// Reminders in the real program: a birthday switched on in the contacts panel comes up from
// the tray icon and opens its contact; exit asks about the cards not yet trimmed, and ends
// after a trimming dialog left open.
#include "driver.h"
// After windows.h, which it needs.
#include <shellapi.h>

namespace e2e {
namespace {

// The bar's last balloon (0) or tray tip (1), asked as the program answers the tests.
std::wstring LastTip(HWND bar, WPARAM which) {
  static const UINT message = RegisterWindowMessageW(L"Pimbrel.LastTip");
  const ATOM atom = static_cast<ATOM>(Send(bar, message, which));
  if (!atom) return L"";
  wchar_t text[256] = {};
  const UINT n = GlobalGetAtomNameW(atom, text, 256);
  GlobalDeleteAtom(atom);
  return std::wstring(text, n);
}

void Replace(const std::wstring& path, const std::string& from, const std::string& to) {
  std::string bytes = ReadBytes(path);
  const size_t at = bytes.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  WriteBytes(path, bytes.replace(at, from.size(), to));
}

TEST(Reminders, ABirthdayTodayComesUpOnceAndItsBalloonOpensTheContact) {
  const std::wstring folder = FreshFolder(L"birthday");
  SYSTEMTIME today;
  GetLocalTime(&today);
  const std::wstring name = L"王小明";
  {
    Program program(folder);
    const HWND bar = program.Bar();
    const HWND panel = program.ShowPanel(IDC_BTN_COMU);
    ASSERT_TRUE(panel);
    const HWND button = Control(panel, IDC_COMU_AWOKE);
    SetText(Control(panel, IDC_COMU_NAME), name);
    Send(Control(panel, IDC_COMU_MONTH), CB_SETCURSEL, today.wMonth - 1);
    Send(Control(panel, IDC_COMU_DAY), CB_SETCURSEL, today.wDay - 1);
    PostCommand(panel, IDC_COMU_SAVE);
    ASSERT_TRUE(AnswerMessageBox(program.pid(), L"notice"));

    const HWND focused = GetForegroundWindow();
    SendCommand(panel, IDC_COMU_AWOKE);
    EXPECT_EQ(Text(button), L"√提醒");
    EXPECT_TRUE(WaitUntil([&] { return LastTip(bar, 0) == L"今天是 王小明 的生日"; }))
        << Gbk(LastTip(bar, 0));
    EXPECT_EQ(GetForegroundWindow(), focused);  // the balloon took no focus

    // A click on the balloon, with another panel shown and the bar hidden, brings it back.
    SendCommand(panel, IDC_COMU_NEW);
    EXPECT_EQ(Text(button), L"提  醒");
    ASSERT_TRUE(program.ShowPanel(IDC_BTN_NOTE));
    SendCommand(bar, ID_SHOWHIDE);
    Post(bar, WM_USER + 2, 136, NIN_BALLOONUSERCLICK);
    EXPECT_TRUE(
        WaitUntil([&] { return Visible(panel) && Text(Control(panel, IDC_COMU_NAME)) == name; }));
    EXPECT_EQ(program.VisiblePanels(), std::vector<HWND>{panel});
    EXPECT_TRUE(Visible(bar) && Text(button) == L"√提醒");
    ASSERT_TRUE(program.Exit());
  }
  // Announced today already, and with tips off: nothing pops up, the tip lists it.
  Replace(folder + L"\\set\\sets.conf", "showtip=true", "showtip=false");
  Program program(folder);
  ASSERT_EQ(program.Panels().size(), 5u);
  EXPECT_EQ(LastTip(program.Bar(), 1), L"Pimbrel个人电脑管家\n今天是 王小明 的生日");
  EXPECT_EQ(LastTip(program.Bar(), 0), L"");
  ASSERT_TRUE(program.Exit());
}

TEST(Reminders, ExitAsksAboutTheUntrimmedCardAndEachAnswerDoesItsOwn) {
  const std::wstring folder = FreshFolder(L"exit_notice");
  Replace(folder + L"\\set\\sets.conf", "notice=false", "notice=true");
  {
    Program program(folder);
    const HWND bar = program.Bar();
    const HWND panel = program.ShowPanel(IDC_BTN_DATUM);
    ASSERT_TRUE(panel);
    Send(Control(panel, IDC_DATUMDLG_TEXT), EM_REPLACESEL, TRUE,
         reinterpret_cast<LPARAM>(L"waiting card"));
    SendCommand(bar, IDC_BTN_DATUM);  // stored, waiting to be trimmed

    PostCommand(bar, ID_EXIT);  // the count of waiting cards is the program's
    const auto box = AnswerMessageBox(program.pid(), L"Pimbrel", IDCANCEL);
    EXPECT_EQ(box ? box->text : L"", L"还有 1 条资料没有整理，现在整理吗？");
    Pause(500);
    EXPECT_TRUE(program.Alive() && Visible(bar));

    // The end of the session never waits for an answer.
    EXPECT_EQ(Send(bar, WM_QUERYENDSESSION), TRUE);
    EXPECT_FALSE(WaitWindow(program.pid(), L"Pimbrel", 1000));
    Send(bar, WM_ENDSESSION, FALSE);  // another program kept the session going

    PostCommand(bar, ID_EXIT);
    ASSERT_TRUE(AnswerMessageBox(program.pid(), L"Pimbrel", IDNO));
    ASSERT_TRUE(program.WaitEnd());
  }
  const std::wstring untrimmed = folder + L"\\datum\\lineindex.untrim.list";
  EXPECT_EQ(Count(ReadBytes(untrimmed), "<link>"), 1u);

  Program program(folder);
  ASSERT_EQ(program.Panels().size(), 5u);
  EXPECT_EQ(LastTip(program.Bar(), 0), L"还有 1 条资料等待整理。");
  PostCommand(program.Bar(), ID_EXIT);
  ASSERT_TRUE(AnswerMessageBox(program.pid(), L"Pimbrel", IDYES));
  const HWND trim = WaitWindow(program.pid(), L"Pimbrel 资料整理");
  ASSERT_TRUE(trim);
  EXPECT_TRUE(program.Alive());
  PostCommand(trim, IDOK);  // "完  成" on the only card
  ASSERT_TRUE(program.WaitEnd());
  EXPECT_EQ(std::pair(Count(ReadBytes(untrimmed), "<link>"),
                      Count(ReadBytes(folder + L"\\datum\\lineindex.list"),
                            Gbk(L"<name>资料卡0</name>"))),
            std::pair(size_t{0}, size_t{1}));
}

// Exit from the tray menu while trimming: the card already left is filed, the one on
// screen waits untrimmed, and the program ends once the dialog has returned.
TEST(Reminders, ExitWhileTrimmingEndsAfterTheDialogKeepingWhatWasDone) {
  const std::wstring folder = FreshFolder(L"exit_trim");
  Program program(folder);
  const HWND bar = program.Bar();
  const HWND panel = program.ShowPanel(IDC_BTN_DATUM);
  ASSERT_TRUE(panel);
  for (const wchar_t* text : {L"first card", L"second card"}) {
    Send(Control(panel, IDC_DATUMDLG_TEXT), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    SendCommand(bar, IDC_BTN_DATUM);  // stores it and starts the next
  }
  PostCommand(panel, IDC_DATUMDLG_TRIM);
  const HWND trim = WaitWindow(program.pid(), L"Pimbrel 资料整理");
  ASSERT_TRUE(trim);
  SendCommand(trim, IDC_TRIM_NEXT);
  SetText(Control(trim, IDC_TRIM_TEXT), L"changed, never saved");
  PostCommand(bar, ID_EXIT);
  ASSERT_TRUE(program.WaitEnd());
  EXPECT_EQ(ReadBytes(folder + L"\\set\\run.ing.m"), "      ");
  const std::string trimmed = ReadBytes(folder + L"\\datum\\lineindex.list"),
                    waiting = ReadBytes(folder + L"\\datum\\lineindex.untrim.list"),
                    card0 = Gbk(L"<name>资料卡0</name>"), card1 = Gbk(L"<name>资料卡1</name>");
  EXPECT_EQ(
      std::tuple(Count(trimmed, card0), Count(waiting, card0), Count(waiting, card1),
                 Count(ReadBytes(folder + L"\\datum\\未分类\\资料卡1.datum.1.xml"), "never saved")),
      std::tuple(1u, 0u, 1u, 0u));
}

}  // namespace
}  // namespace e2e
