// Open dialogs and the program's life: Exit while dialogs are open, pickers owned by the
// window they fill, stored text shown and kept whole, one copy per folder however named.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver.h"

namespace e2e {
namespace {

// Exit from the tray menu while trimming: the card already left is filed, the one on
// screen waits untrimmed, and the program ends once the dialog has returned.
TEST(Dialogs, ExitWhileTrimmingEndsAfterTheDialogKeepingWhatWasDone) {
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
                    waiting = ReadBytes(folder + L"\\datum\\lineindex.untrim.list");
  EXPECT_EQ(Count(trimmed, Gbk(L"<name>资料卡0</name>")), 1u);
  EXPECT_EQ(Count(waiting, Gbk(L"<name>资料卡0</name>")), 0u);
  EXPECT_EQ(Count(waiting, Gbk(L"<name>资料卡1</name>")), 1u);
  EXPECT_EQ(Count(ReadBytes(folder + L"\\datum\\未分类\\资料卡1.datum.1.xml"), "never saved"), 0u);
}

// The settings page's folder picker keeps the sheet waiting; Exit closes both, then ends.
TEST(Dialogs, TheFolderPickerIsOwnedByThePageAndExitClosesBoth) {
  const std::wstring folder = FreshFolder(L"exit_sheet");
  Program program(folder);
  const HWND bar = program.Bar();
  ASSERT_EQ(program.Panels().size(), 5u);
  PostCommand(bar, ID_SETTINGS);
  const HWND sheet = WaitWindow(program.pid(), L"Pimbrel 设置");
  ASSERT_TRUE(sheet);
  PostCommand(GetParent(Control(sheet, IDC_BROWSE)), IDC_BROWSE);
  ASSERT_TRUE(WaitUntil([&] { return TopWindows(program.pid()).size() == 8; }));  // bar, panels
  EXPECT_FALSE(IsWindowEnabled(sheet));
  Screenshot("folder_picker");
  PostCommand(bar, ID_EXIT);
  ASSERT_TRUE(program.WaitEnd());
  EXPECT_EQ(ReadBytes(folder + L"\\set\\run.ing.m"), "      ");
}

// Stored text longer than typing allows is shown whole and saved unchanged by "修  改".
TEST(Dialogs, ProgramPropertiesKeepStoredTextWhole) {
  const std::wstring folder = FreshFolder(L"long_fields");
  const std::string name(30, 'n'), path = "C:\\" + std::string(230, 'p') + ".exe";
  const std::string list = "[MAIN]\r\ncount=1\r\n[run1]\r\niconint=0\r\nhotkey=0\r\nname=" + name +
                           "\r\npath=" + path + "\r\nicon=" + path + "\r\nworkdir=C:\\" +
                           std::string(220, 'w') + "\r\ninfo=\r\nkeydes=\r\n";
  WriteBytes(folder + L"\\set\\fastrun_coll.lst", list);
  Program program(folder);
  const HWND panel = program.ShowPanel(IDC_BTN_RUN);
  ASSERT_TRUE(panel);
  ASSERT_TRUE(ItemMenu(Control(panel, IDC_RUN_LIST), 0));
  PostCommand(panel, ID_RUN_PROPERTIES);
  const HWND info = WaitWindow(program.pid(), L"快速启动程序属性");
  ASSERT_TRUE(info);
  EXPECT_EQ(Text(Control(info, IDC_RUNINFO_NAME)), std::wstring(30, L'n'));
  PostCommand(info, IDC_RUNINFO_APPLY);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(info); }));
  ASSERT_TRUE(program.Exit());
  EXPECT_EQ(ReadBytes(folder + L"\\set\\fastrun_coll.lst"), list);
}

// A second copy reaching the same folder by another name is refused like any second copy.
TEST(Dialogs, ASecondCopyThroughAnotherNameOfTheFolderIsRefused) {
  const std::wstring folder = FreshFolder(L"one_copy"), alias = folder + L"_alias";
  std::string unix(folder.begin() + 2, folder.end());  // drive Z: is the Unix root
  std::replace(unix.begin(), unix.end(), '\\', '/');
  ASSERT_EQ(RunUnix("ln -sfn '" + unix + "' '" + unix + "_alias'"), 0);
  Program program(folder);
  ASSERT_TRUE(program.Bar());
  Program second(alias);
  EXPECT_TRUE(AnswerMessageBox(second.pid(), L"Pimbrel"));
  EXPECT_TRUE(second.WaitEnd());
  EXPECT_TRUE(program.Alive());
  ASSERT_TRUE(program.Exit());
}

}  // namespace
}  // namespace e2e
