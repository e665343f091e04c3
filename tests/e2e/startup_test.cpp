// Start-up: where the bar shows, the folder argument, one copy per folder, the run marker.
#include <gtest/gtest.h>

#include "driver.h"

namespace e2e {
namespace {

std::wstring Marker(const std::wstring& folder) { return folder + L"\\set\\run.ing.m"; }

// A marker left by a crash does not stop a start; only a running copy does.
TEST(Startup, AStaleMarkerStartsTheBarAtTopLeftASecondCopyIsRefusedExitFreesAll) {
  const std::wstring folder = FreshFolder(L"bar");
  WriteBytes(Marker(folder), "runing after a crash");
  Program program(folder);
  const HWND bar = program.Bar();
  ASSERT_EQ(program.Panels().size(), 5u);  // the start-up timer has run
  Pause(1000);
  EXPECT_TRUE(Visible(bar));
  EXPECT_EQ(Rect(bar), (RECT{5, 5, 335, 31}));
  EXPECT_TRUE(GetWindowLongPtrW(bar, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLongPtrW(bar, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);  // no task-bar button
  EXPECT_TRUE(program.VisiblePanels().empty());
  EXPECT_FALSE(HotkeyFree(MOD_CONTROL, 'G'));
  Screenshot("bar");

  Program second(folder);
  ASSERT_TRUE(WaitWindow(second.pid(), L"Pimbrel"));
  EXPECT_EQ(TopWindows(second.pid()).size(), 1u);  // the message box, and no bar
  Screenshot("second_copy");
  const auto box = AnswerMessageBox(second.pid(), L"Pimbrel");
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text,
            std::wstring(16, L' ') +
                L"Pimbrel 已经在运行中,请用 Ctrl+G 激活界面。\n\n 如果是你上次没有正常退出"
                L"程序,请删除 set 目录下的 run.ing.m 文件。");
  EXPECT_EQ(box->owner, nullptr);
  EXPECT_TRUE(second.WaitEnd());
  EXPECT_EQ(ReadBytes(Marker(folder)), "runing after a crash");
  EXPECT_TRUE(Visible(bar));

  ASSERT_TRUE(program.Exit());
  EXPECT_EQ(ReadBytes(Marker(folder)), "       after a crash");  // overwritten in place
  EXPECT_TRUE(HotkeyFree(MOD_CONTROL, 'G'));
}

TEST(Startup, AFolderArgumentBecomesTheWorkingFolderAndHidesTheBar) {
  // Quoted, as the log-on entry writes a folder with a blank; started from a folder without
  // data, the program can only find its files through the argument.
  const std::wstring folder = FreshFolder(L"with blank"), elsewhere = Setting(L"PIMBREL_E2E_WORK");
  Program program(elsewhere, L"\"" + folder + L"\\Pimbrel.exe\" \"" + folder + L"\"");
  const HWND bar = program.Bar();
  ASSERT_EQ(program.Panels().size(), 5u);
  EXPECT_TRUE(WaitUntil([&] { return !Visible(bar); }));
  Pause(500);
  EXPECT_FALSE(Visible(bar));
  EXPECT_TRUE(program.VisiblePanels().empty());
  EXPECT_EQ(ReadBytes(Marker(folder)), "runing");
  EXPECT_EQ(GetFileAttributesW((elsewhere + L"\\set").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(program.Exit());
  EXPECT_EQ(ReadBytes(Marker(folder)), "      ");
}

}  // namespace
}  // namespace e2e
