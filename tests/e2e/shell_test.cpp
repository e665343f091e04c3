// The bar's commands: the hotkey, its two menus, the functions it lacks, and About.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "driver.h"

namespace e2e {
namespace {

// A menu of the program's resources as "text id [grayed];" per item, submenus in brackets.
std::wstring Items(HMENU menu) {
  std::wstring items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = L"";
    GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
    const HMENU sub = GetSubMenu(menu, i);
    items += text +
             (sub ? L"[" + Items(sub) + L"]" : L" " + std::to_wstring(GetMenuItemID(menu, i))) +
             (GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED ? L" grayed;" : L";");
  }
  return items;
}

std::wstring MenuResource(int id) {
  const auto exe = Setting(L"PIMBREL_E2E_EXE");
  return Items(LoadMenuW(LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE),
                         MAKEINTRESOURCEW(id)));
}

// Opens a popup menu by a message to the bar, keeps a picture of it and closes it again.
RECT PopupMenu(HWND bar, UINT message, WPARAM wp, LPARAM lp, const std::string& shot) {
  Post(bar, message, wp, lp);
  HWND menu = nullptr;
  EXPECT_TRUE(WaitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) && Visible(menu); }))
      << shot;
  if (!menu) return {};
  const RECT where = Rect(menu);
  Screenshot(shot);
  Post(menu, WM_KEYDOWN, VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return !Visible(menu); }));
  return where;
}

TEST(Shell, MenusHotkeyMissingFunctionsAndAbout) {
  const std::wstring items =
      L"关于(&A) 191;帮助(&H) 192;设置(&S) 183;记事(&N) 133;资料(&D) 134;通讯(&C) 186;启动(&R) 187;"
      L"工具(&T)[打开(&O) 189;空 190 grayed;];搜索(&S)[资料(&D) 196 grayed;文字(&W) 197 grayed;"
      L"人员(&P) 198 grayed;];备份(&B) 193 grayed;恢复(&R) 194 grayed;退出(&X) 135;];";
  EXPECT_EQ(MenuResource(132), L"_MAINMENU_[" + items);
  EXPECT_EQ(MenuResource(136), L"_TRAYMENU_[显示/隐藏(&S) 138;" + items);
  Program program(FreshFolder(L"shell"));
  const HWND bar = program.Bar();
  ASSERT_EQ(program.Panels().size(), 5u);
  const RECT menu = PopupMenu(bar, WM_COMMAND, 1003, 0, "main_menu");
  EXPECT_EQ(menu.left, Rect(bar).right - 20);  // the bar's right end less 20, 10 pixels down
  EXPECT_EQ(menu.top, Rect(bar).top + 10);
  PopupMenu(bar, WM_USER + 2, 136, WM_LBUTTONDOWN, "tray_menu");  // a click on the tray icon
  // Show/hide by a double click on the tray icon (its menu's default), then by real key presses.
  for (bool shown : {false, true}) {
    Send(bar, WM_USER + 2, 136, WM_LBUTTONDBLCLK);
    EXPECT_EQ(Visible(bar), shown);
  }
  for (bool shown : {false, true}) {
    ASSERT_TRUE(PressKeys("ctrl+g"));
    EXPECT_TRUE(WaitUntil([&] { return Visible(bar) == shown; }));
  }
  for (int grayed : {190, 193, 194, 196, 197, 198}) SendCommand(bar, grayed);
  Pause(300);
  const std::vector<HWND> windows = TopWindows(program.pid());
  EXPECT_EQ(windows.size(), 6u) << "the bar and its panels, nothing else";
  EXPECT_TRUE(program.VisiblePanels().empty());
  PostCommand(bar, 1010);
  ASSERT_TRUE(WaitWindow(program.pid(), L"info"));
  Screenshot("not_supported");
  const auto box = AnswerMessageBox(program.pid(), L"info");
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, L"Sorry,this function not support in this version!");
  EXPECT_EQ(box->owner, bar);

  // About hides the bar; a click starts the curtain, which closes About and shows the bar.
  PostCommand(bar, 191);
  HWND about = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND w : TopWindows(program.pid()))
      if (Visible(w) && std::count(windows.begin(), windows.end(), w) == 0) about = w;
    return about != nullptr;
  }));
  EXPECT_FALSE(Visible(bar));
  const RECT r = Rect(about);  // the curtain's steps are counted in the picture's pixels
  EXPECT_EQ(std::pair(r.right - r.left, r.bottom - r.top), std::pair(260L, 184L));
  Screenshot("about");
  const ULONGLONG clicked = GetTickCount64();
  Post(about, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
  Screenshot("about_curtain");
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
  EXPECT_GE(GetTickCount64() - clicked, 600u) << "130 steps of 5 ms";
  EXPECT_TRUE(WaitUntil([&] { return Visible(bar); }));
  EXPECT_TRUE(program.Exit());
}

}  // namespace
}  // namespace e2e
