// The bar's commands: the hotkey, its two menus, the functions it lacks, and About.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver.h"

namespace e2e {
namespace {

// A menu of the program's resources, a line "text id [grayed]" per item, submenus indented.
void Flatten(HMENU menu, const std::wstring& indent, std::wstring& lines) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = L"";
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
    item.dwTypeData = text;
    item.cch = 128;
    GetMenuItemInfoW(menu, i, TRUE, &item);
    lines += indent + text + (item.hSubMenu ? L"" : L" " + std::to_wstring(item.wID)) +
             (item.fState & MFS_GRAYED ? L" grayed\n" : L"\n");
    if (item.hSubMenu) Flatten(item.hSubMenu, indent + L"  ", lines);
  }
}

std::wstring MenuResource(int id) {
  std::wstring lines;
  HMODULE exe =
      LoadLibraryExW(Setting(L"PIMBREL_E2E_EXE").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HMENU menu = LoadMenuW(exe, MAKEINTRESOURCEW(id));
  Flatten(menu, L"", lines);
  DestroyMenu(menu);
  FreeLibrary(exe);
  return lines;
}

HWND WaitPopupMenu() {
  HWND menu = nullptr;
  WaitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) && Visible(menu); });
  return menu;
}

TEST(Shell, CtrlGFromTheKeyboardHidesAndShowsTheBar) {
  Program program(FreshFolder(L"hotkey"));
  const HWND bar = program.Bar();
  ASSERT_EQ(program.Panels().size(), 5u);
  ASSERT_TRUE(PressKeys("ctrl+g"));
  EXPECT_TRUE(WaitUntil([&] { return !Visible(bar); }));
  ASSERT_TRUE(PressKeys("ctrl+g"));
  EXPECT_TRUE(WaitUntil([&] { return Visible(bar); }));
  EXPECT_TRUE(program.Exit());
}

TEST(Shell, MenusHoldEveryCommandAndWhatIsNotOfferedDoesNothing) {
  const std::wstring items =
      LR"menu(  关于(&A) 191
  帮助(&H) 192
  设置(&S) 183
  记事(&N) 133
  资料(&D) 134
  通讯(&C) 186
  启动(&R) 187
  工具(&T)
    打开(&O) 189
    空 190 grayed
  搜索(&S)
    资料(&D) 196 grayed
    文字(&W) 197 grayed
    人员(&P) 198 grayed
  备份(&B) 193 grayed
  恢复(&R) 194 grayed
  退出(&X) 135
)menu";
  EXPECT_EQ(MenuResource(132), L"_MAINMENU_\n" + items);
  EXPECT_EQ(MenuResource(136), L"_TRAYMENU_\n  显示/隐藏(&S) 138\n" + items);

  Program program(FreshFolder(L"menus"));
  const HWND bar = program.Bar();
  ASSERT_EQ(program.Panels().size(), 5u);
  PostCommand(bar, 1003);  // opens at the bar's right end less 20, 10 pixels down
  HWND menu = WaitPopupMenu();
  ASSERT_TRUE(menu);
  EXPECT_EQ(Rect(menu).left, Rect(bar).right - 20);
  EXPECT_EQ(Rect(menu).top, Rect(bar).top + 10);
  Screenshot("main_menu");
  Post(menu, WM_KEYDOWN, VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return !Visible(menu); }));
  // The tray icon: a click opens its menu, with the default item in bold; a double click
  // chooses that item, show/hide.
  Post(bar, WM_USER + 2, 136, WM_LBUTTONDOWN);
  ASSERT_TRUE(menu = WaitPopupMenu());
  Screenshot("tray_menu");
  Post(menu, WM_KEYDOWN, VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return !Visible(menu); }));
  Send(bar, WM_USER + 2, 136, WM_LBUTTONDBLCLK);
  EXPECT_FALSE(Visible(bar));
  Send(bar, WM_USER + 2, 136, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(Visible(bar));

  for (int grayed : {190, 193, 194, 196, 197, 198}) SendCommand(bar, grayed);
  Pause(300);
  EXPECT_EQ(TopWindows(program.pid()).size(), 6u) << "the bar and its panels, nothing else";
  EXPECT_TRUE(program.VisiblePanels().empty());
  PostCommand(bar, 1010);
  ASSERT_TRUE(WaitWindow(program.pid(), L"info"));
  Screenshot("not_supported");
  const auto box = AnswerMessageBox(program.pid(), L"info");
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, L"Sorry,this function not support in this version!");
  EXPECT_EQ(box->owner, bar);
  EXPECT_TRUE(program.Exit());
}

// Opens About, checks the bar while it is open, and closes it with a click.
void RunAbout(Program& program, bool barShownDuringAbout, const std::string& shot) {
  const HWND bar = program.Bar();
  const std::vector<HWND> panels = program.Panels();
  PostCommand(bar, 191);
  HWND about = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND w : TopWindows(program.pid()))
      if (w != bar && Visible(w) && std::count(panels.begin(), panels.end(), w) == 0) about = w;
    return about != nullptr;
  }));
  EXPECT_EQ(Visible(bar), barShownDuringAbout);
  // The curtain's steps are counted in the 260 x 184 pixels of the picture.
  EXPECT_EQ(Rect(about), (RECT{Rect(about).left, Rect(about).top, Rect(about).left + 260,
                               Rect(about).top + 184}));
  if (!shot.empty()) Screenshot(shot);
  const ULONGLONG clicked = GetTickCount64();
  Post(about, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
  if (!shot.empty()) Screenshot(shot + "_curtain");
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
  EXPECT_GE(GetTickCount64() - clicked, 600u) << "130 steps of 5 ms";
  EXPECT_TRUE(WaitUntil([&] { return Visible(bar) != barShownDuringAbout; }));
}

TEST(Shell, AboutHidesTheBarUntilAClickClosesIt) {
  Program program(FreshFolder(L"about"));
  const HWND bar = program.Bar();
  ASSERT_EQ(program.Panels().size(), 5u);
  RunAbout(program, false, "about");
  EXPECT_TRUE(Visible(bar));
  // Chosen from the tray while the bar is hidden, About shows the bar instead.
  SendCommand(bar, 138);
  RunAbout(program, true, "");
  EXPECT_FALSE(Visible(bar));
  EXPECT_TRUE(program.Exit());
}

}  // namespace
}  // namespace e2e
