// The bar: where it starts, one copy per folder, its menus, hotkey and panels, About, and the
// settings sheet with the log-on entry it writes.
#include <oleacc.h>

#include <set>

#include "driver.h"

namespace e2e {
namespace {

// Opens a popup menu by a message to the bar, keeps a picture of it and closes it again.
RECT PopupMenu(HWND bar, UINT message, WPARAM wp, LPARAM lp, const std::string& shot) {
  Post(bar, message, wp, lp);
  const HWND menu = WaitMenu();
  EXPECT_TRUE(menu) << shot;
  Screenshot(shot);
  const RECT where = Rect(menu);
  EXPECT_TRUE(CloseMenu(menu));
  return where;
}
// Whether the panel's top-left corner is at the bar's bottom-left corner.
bool Below(HWND panel, HWND bar) {
  return Rect(panel).left == Rect(bar).left && Rect(panel).top == Rect(bar).bottom;
}

// A marker left by a crash does not stop a start; only a running copy does, even one that
// reaches the folder by another name.
TEST(Bar, OneCopyPerFolderItsMenusHotkeyPanelsAndAbout) {
  const std::wstring folder = FreshFolder(L"Bar"), marker = folder + L"\\set\\run.ing.m";
  WriteBytes(marker, "runing after a crash");
  const std::string unix = UnixPath(folder);
  ASSERT_EQ(RunUnix("ln -sfn '" + unix + "' '" + unix + "_alias'"), 0);
  Program program(folder);
  const HWND bar = program.Bar();
  ASSERT_EQ(program.Panels().size(), 5u);  // the start-up timer has run
  EXPECT_EQ(Rect(bar), (RECT{5, 5, 335, 31}));
  // Shown, topmost, without a task-bar button, no panel yet.
  EXPECT_TRUE(Visible(bar) && program.VisiblePanels().empty() &&
              (GetWindowLongPtrW(bar, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW)) ==
                  (WS_EX_TOPMOST | WS_EX_TOOLWINDOW));
  Screenshot("bar");
  {
    Program second(folder + L"_alias");
    const auto box = AnswerMessageBox(second.pid(), L"Pimbrel");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text,
              std::wstring(16, L' ') +
                  L"Pimbrel 已经在运行中,请用 Ctrl+G 激活界面。\n\n 如果是你上次没有正常退出"
                  L"程序,请删除 set 目录下的 run.ing.m 文件。");
    EXPECT_TRUE(!box->owner && second.WaitEnd() && ReadBytes(marker) == "runing after a crash");
  }

  const RECT menu = PopupMenu(bar, WM_COMMAND, IDC_BTN_MENU, 0, "main_menu");
  EXPECT_EQ(std::pair(menu.left, menu.top), std::pair(Rect(bar).right - 20, Rect(bar).top + 10));
  PopupMenu(bar, kTrayMessage, IDR_TRAYMENU, WM_LBUTTONDOWN, "tray_menu");  // a click on its icon
  // Hidden and shown by double clicks on the tray icon (its menu's default), then by Ctrl+G.
  for (int step = 0; step < 4; ++step) {
    if (step < 2) Send(bar, kTrayMessage, IDR_TRAYMENU, WM_LBUTTONDBLCLK);
    ASSERT_TRUE(step < 2 || PressKeys("ctrl+g"));
    EXPECT_TRUE(WaitUntil([&] { return Visible(bar) == (step % 2 == 1); })) << step;
  }
  EXPECT_TRUE(program.VisiblePanels().empty());

  // About hides the bar; a click starts the curtain, which closes About and shows the bar.
  PostCommand(bar, ID_ABOUT);
  const HWND about = program.Owned(bar);
  ASSERT_TRUE(about);
  EXPECT_FALSE(Visible(bar));  // its size is the display-scale scenario's
  Screenshot("about");
  const ULONGLONG clicked = GetTickCount64();
  Post(about, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about) && Visible(bar); }));
  EXPECT_GE(GetTickCount64() - clicked, 600u) << "130 steps of 5 ms";

  // Button and menu command of the notes, contacts, datum, quick launch and tool box: each
  // shows its own panel alone, below the bar.
  std::set<HWND> seen;
  for (const auto& [button, command] : {std::pair{IDC_BTN_NOTE, ID_NOTES},
                                        {IDC_BTN_COMU, ID_CONTACTS},
                                        {IDC_BTN_DATUM, ID_DATUM},
                                        {IDC_BTN_RUN, ID_QUICKLAUNCH},
                                        {IDC_BTN_TOOLBOX, ID_TOOLBOX}}) {
    const HWND shown = program.ShowPanel(button);
    EXPECT_TRUE(shown && Below(shown, bar)) << "button " << button;
    SendCommand(bar, command);
    EXPECT_EQ(program.VisiblePanels(), std::vector<HWND>{shown}) << "command " << command;
    seen.insert(shown);
  }
  EXPECT_EQ(seen.size(), 5u);
  Screenshot("tool_box");  // an empty panel in its own green

  // The panel follows a real drag, on the gap between two buttons (the bar's caption).
  const HWND panel = program.ShowPanel(IDC_BTN_NOTE);
  ASSERT_EQ(RunUnix("/usr/bin/xdotool mousemove 164 18 mousedown 1 mousemove 200 60 "
                    "mousemove 264 118 mouseup 1"),
            0);
  EXPECT_TRUE(WaitUntil([&] { return Rect(bar).left == 105 && Rect(bar).top == 105; }));
  EXPECT_TRUE(WaitUntil([&] { return Below(panel, bar); }));
  Screenshot("dragged");
  SetWindowPos(bar, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(WaitUntil([&] { return Rect(panel).left == 300 && Rect(panel).top == 226; }));
  // It hides with the bar (paw print) and comes back where it was (menu 显示/隐藏).
  const RECT barAt = Rect(bar), panelAt = Rect(panel);
  SendCommand(bar, IDC_BTN_TOGGLE);
  EXPECT_FALSE(Visible(bar) || Visible(panel));
  SendCommand(bar, ID_SHOWHIDE);
  EXPECT_EQ(program.VisiblePanels(), std::vector<HWND>{panel});
  EXPECT_TRUE(Rect(bar) == barAt && Rect(panel) == panelAt);

  ASSERT_TRUE(program.Exit());
}

// What a screen reader hears for a window, through the accessibility interface another
// process reads. (Wine's own answer gives every button the client role, so only the name.)
std::wstring AccessibleName(HWND window) {
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                        __uuidof(IAccessible), reinterpret_cast<void**>(&object))))
    return L"<no object>";
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  std::wstring text = SUCCEEDED(object->get_accName(self, &name)) && name ? name : L"<no name>";
  SysFreeString(name);
  object->Release();
  return text;
}
// The control of the bar that has the keyboard focus, or 0.
int FocusedButton(HWND bar) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(bar, nullptr), &info);
  return info.hwndFocus && GetParent(info.hwndFocus) == bar ? GetDlgCtrlID(info.hwndFocus) : 0;
}
// A real click activates the bar, and the focus goes back to `button`. The bar is made inactive
// first, so that its activation shows the click was taken before any key is posted (posted
// messages come before input). A right click on a button: a left one on the background would
// start the move loop, where arrows move the window and Escape ends the move. The message
// first waits until the program is done with what it was doing (a panel it shows activates).
bool ClickBar(HWND bar, int button) {
  Send(bar, WM_NULL);
  static const HWND elsewhere =
      CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", L"e2e elsewhere", WS_POPUP, 1000,
                      740, 8, 8, nullptr, nullptr, nullptr, nullptr);
  ShowWindow(elsewhere, SW_SHOW);
  SetForegroundWindow(elsewhere);
  const HWND picture = Control(bar, IDC_BTN_NOTE);
  const RECT r = Rect(picture);
  return WaitUntil([] { return GetForegroundWindow() == elsewhere; }) &&
         ClickAt(picture, RECT{0, 0, r.right - r.left, r.bottom - r.top}, "click 3") &&
         WaitUntil([&] { return GetForegroundWindow() == bar && FocusedButton(bar) == button; });
}
// A key as the program's message loop gets it from the keyboard, at the focused button; with
// `then`, whether the focus moved to that button.
bool Key(HWND bar, UINT key, int then = 0) {
  const HWND focus = Control(bar, FocusedButton(bar));
  Post(focus, WM_KEYDOWN, key, 1);
  Post(focus, WM_KEYUP, key, 0xC0000001);
  return !then || WaitUntil([&] { return FocusedButton(bar) == then; });
}

// For screen readers each button carries its name; for the keyboard the bar is
// a row: a click on it gives it the focus, ←/→ move along, Enter and Space press, Escape hides.
TEST(Bar, ButtonsHaveNamesAndTheKeyboardMovesAlongThem) {
  Program program(FreshFolder(L"BarKeys"));
  const HWND bar = program.Bar();
  ASSERT_EQ(program.Panels().size(), 5u);
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  const std::pair<int, const wchar_t*> names[] = {
      {IDC_BTN_NOTE, L"记事"},    {IDC_BTN_DATUM, L"资料"},     {IDC_BTN_COMU, L"通讯录"},
      {IDC_BTN_RUN, L"快速启动"}, {IDC_BTN_TOOLBOX, L"工具箱"}, {IDC_BTN_MENU, L"主菜单"},
      {IDC_BTN_TOGGLE, L"收起"},  {IDC_BTN_MORE, L"搜索"}};
  for (const auto& [id, name] : names) EXPECT_EQ(AccessibleName(Control(bar, id)), name) << id;
  CoUninitialize();

  ASSERT_TRUE(ClickBar(bar, IDC_BTN_NOTE));
  EXPECT_TRUE(Key(bar, VK_LEFT, IDC_BTN_MORE));  // round the ends
  EXPECT_TRUE(Key(bar, VK_RIGHT, IDC_BTN_NOTE));
  for (const int next : {IDC_BTN_DATUM, IDC_BTN_COMU, IDC_BTN_RUN})
    ASSERT_TRUE(Key(bar, VK_RIGHT, next));
  Screenshot("bar_focus");
  // Whether the one panel shown is the one with `control`.
  const auto shows = [&](int control) {
    const std::vector<HWND> shown = program.VisiblePanels();
    return shown.size() == 1 && GetDlgItem(shown[0], control);
  };
  Key(bar, VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return shows(IDC_RUN_TAB0); }));
  ASSERT_TRUE(ClickBar(bar, IDC_BTN_RUN));
  ASSERT_TRUE(Key(bar, VK_LEFT, IDC_BTN_COMU));
  Key(bar, VK_SPACE);
  EXPECT_TRUE(WaitUntil([&] { return shows(IDC_COMU_SAVE); }));
  // Escape hides the bar and its panel; the program runs on.
  ASSERT_TRUE(ClickBar(bar, IDC_BTN_COMU));
  Key(bar, VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return !Visible(bar) && program.VisiblePanels().empty(); }));
  SendCommand(bar, ID_SHOWHIDE);
  EXPECT_TRUE(shows(IDC_COMU_SAVE));
  ASSERT_TRUE(program.Exit());
}

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValue[] = L"KWIX.Pimbrel.Run";

std::string Conf(const char* hotkey, const char* autorun) {
  return std::string("[SYS]\r\nhotkey=") + hotkey + "\r\ntmpdir=C:\\tmp\\\r\nautorun=" + autorun +
         "\r\nshowtip=false\r\nnotice=true\r\n[COMU]\r\nmaxid=3\r\n[NOTE]\r\nmaxid=7\r\n";
}
std::wstring LogonEntry() {  // the machine's, or the user's where the machine refused it
  const auto machine = RegString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
  return machine ? *machine : RegString(HKEY_CURRENT_USER, kRunKey, kRunValue).value_or(L"-");
}

// Opens the sheet, checks what it shows, clicks boxes, sets a hotkey and presses a button.
void UseSheet(Program& program, const char* boxes, std::initializer_list<int> clicks, WORD hotkey,
              int button, bool screenshot = false) {
  const HWND sheet = PostFor(program.Bar(), ID_SETTINGS, L"Pimbrel 设置");
  ASSERT_TRUE(sheet);
  EXPECT_EQ(Send(Control(sheet, IDC_HOTKEY), HKM_GETHOTKEY), 583);  // Ctrl+G
  EXPECT_EQ(Text(Control(sheet, IDC_TMPDIR)), L"C:\\tmp\\");
  const int box[] = {IDC_AUTORUN, IDC_NOTICE, IDC_SHOWTIP};  // "1" where checked
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Send(Control(sheet, box[i]), BM_GETCHECK), boxes[i] - '0');
  const HWND page = GetParent(Control(sheet, IDC_HOTKEY));  // a child dialog of the sheet
  for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT inside{}, control = Rect(c), whole = Rect(page);
    IntersectRect(&inside, &control, &whole);
    EXPECT_EQ(inside, control) << "control " << GetDlgCtrlID(c) << " is cut off";
  }
  for (int id : clicks) Send(Control(sheet, id), BM_CLICK);
  if (hotkey) Send(Control(sheet, IDC_HOTKEY), HKM_SETHOTKEY, hotkey);
  if (screenshot) Screenshot("settings");
  Post(GetDlgItem(sheet, button), BM_CLICK);  // OK or Cancel, either closes the sheet
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }));
}

// Wine runs the log-on entries when its next session starts: none may stay behind.
class Settings : public ::testing::Test {
  void TearDown() override {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
      RegDeleteKeyValueW(root, kRunKey, kRunValue);
  }
};

TEST_F(Settings, TheSheetWritesTheFileAndALogonEntryThatStartsTheProgramHidden) {
  // The entry quotes a folder with a blank.
  const std::wstring folder = FreshFolder(L"with blank"), conf = folder + L"\\set\\sets.conf",
                     entry = L"\"" + folder + L"\\Pimbrel.exe\" \"" + folder + L"\"",
                     marker = folder + L"\\set\\run.ing.m";
  WriteBytes(conf, Conf("583", "false"));
  {
    Program program(folder);
    ASSERT_EQ(program.Panels().size(), 5u);
    UseSheet(program, "010", {IDC_AUTORUN}, 0, IDOK, true);
    EXPECT_EQ(ReadBytes(conf), Conf("583", "true"));
    EXPECT_EQ(LogonEntry(), entry);
    // Everything changed, Ctrl+Alt+G too, and cancelled: nothing of it is kept.
    UseSheet(program, "110", {IDC_AUTORUN, IDC_NOTICE, IDC_SHOWTIP}, 0x647, IDCANCEL);
    EXPECT_EQ(std::tuple(ReadBytes(conf), LogonEntry(), HotkeyFree(MOD_CONTROL, 'G')),
              std::tuple(Conf("583", "true"), entry, false));
    // A new hotkey is taken at once (autorun off empties the entry: the settings model's test).
    UseSheet(program, "110", {IDC_AUTORUN}, 0x647, IDOK);
    EXPECT_EQ(ReadBytes(conf), Conf("1607", "false"));
    EXPECT_TRUE(HotkeyFree(MOD_CONTROL, 'G') && !HotkeyFree(MOD_CONTROL | MOD_ALT, 'G'));
    // The page's folder picker keeps the sheet waiting; Exit closes both, then ends.
    const HWND sheet = PostFor(program.Bar(), ID_SETTINGS, L"Pimbrel 设置");
    ASSERT_TRUE(sheet);
    PostCommand(GetParent(Control(sheet, IDC_BROWSE)), IDC_BROWSE);
    ASSERT_TRUE(WaitUntil([&] { return TopWindows(program.pid()).size() == 8; }));  // bar, panels
    EXPECT_FALSE(IsWindowEnabled(sheet));
    PostCommand(program.Bar(), ID_EXIT);
    ASSERT_TRUE(program.WaitEnd());
    EXPECT_EQ(ReadBytes(marker), "      ");
  }
  // The entry's command line, run from a folder without data: the argument becomes the working
  // folder, and the bar hides.
  const std::wstring elsewhere = Setting(L"PIMBREL_E2E_WORK");
  Program program(elsewhere, entry);
  const HWND bar = program.Bar();
  ASSERT_EQ(program.Panels().size(), 5u);
  EXPECT_TRUE(WaitUntil([&] { return !Visible(bar); }));
  Pause(500);  // and it stays hidden
  EXPECT_TRUE(!Visible(bar) && program.VisiblePanels().empty());
  EXPECT_EQ(ReadBytes(marker), "runing");
  EXPECT_FALSE(fs::exists(elsewhere + L"\\set"));
  EXPECT_TRUE(program.Exit());
}

}  // namespace
}  // namespace e2e
