// The quick-launch board: a program added through the file dialog shows with its icon, gets
// Ctrl+Alt+A in its properties, starts on that key, frees it when deleted, and the lists
// come back as left after a restart; stored text longer than typing allows is kept whole.

#include "driver.h"

namespace e2e {
namespace {

constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;
const wchar_t kInfo[] = L"快速启动程序属性";

class QuickLaunch : public ProgramTest {
 protected:
  HWND List() { return Control(panel, IDC_RUN_LIST); }
  std::wstring Cell(int item, int column) { return ItemText(List(), item, column); }
  // The item's menu command, as a right click on it gives it; the dialog it opens.
  HWND ItemDialog(int item, int command, const std::wstring& caption) {
    return ItemMenu(List(), item) ? PostFor(panel, command, caption) : nullptr;
  }
};

TEST_F(QuickLaunch, AddedProgramStartsOnItsHotkeyWhichDeleteFrees) {
  // The program to start sits in the program folder, copied from next to this driver.
  wchar_t self[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring helper = folder + L"\\touch_file.exe";
  fs::copy_file(fs::path(self).parent_path() / L"touch_file.exe", helper);
  // In the second list, stored text longer than typing allows.
  const std::string path = "C:\\" + std::string(230, 'p') + ".exe",
                    study = "[MAIN]\r\ncount=1\r\n[run1]\r\niconint=0\r\nhotkey=0\r\nname=" +
                            std::string(30, 'n') + "\r\npath=" + path + "\r\nicon=" + path +
                            "\r\nworkdir=C:\\" + std::string(220, 'w') + "\r\ninfo=\r\nkeydes=\r\n";
  WriteBytes(folder + L"\\set\\fastrun_study.lst", study);
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_RUN));
  ASSERT_TRUE(HotkeyFree(kCtrlAlt, 'A'));
  ASSERT_TRUE(program->AddProgram(panel, helper));
  ASSERT_TRUE(program->AddProgram(panel, helper));
  EXPECT_EQ(Cell(0, 0) + L"|" + Cell(0, 1) + L"|" + Cell(1, 2), L"touch_file|无|" + helper);
  Screenshot("run_icons");
  SendCommand(panel, ID_RUN_VIEW_REPORT);
  Screenshot("run_report");

  const HWND info = ItemDialog(0, ID_RUN_PROPERTIES, kInfo);
  ASSERT_TRUE(info);
  // The name holds 20 bytes of GBK: ten Chinese characters, not eleven.
  const std::wstring eleven = L"一二三四五六七八九十百";
  SetText(Control(info, IDC_RUNINFO_NAME), eleven);
  EXPECT_EQ(Text(Control(info, IDC_RUNINFO_NAME)), eleven.substr(0, 10));
  Send(Control(info, IDC_HOTKEY), HKM_SETHOTKEY, 0x0641);
  Screenshot("run_info");
  const HWND picker = PostFor(info, IDC_RUNINFO_CHANGEICON, L"更改图标");
  ASSERT_TRUE(picker);
  EXPECT_EQ(Text(Control(picker, IDC_ICONSEL_FILE)), helper);
  const HWND icons = Control(picker, IDC_ICONSEL_LIST);
  EXPECT_EQ(Send(icons, LVM_GETITEMCOUNT), 2);  // the helper's two icons
  Screenshot("icon_sel");
  Send(icons, LVM_SETSELECTIONMARK, 0, 1);
  ASSERT_TRUE(CloseBy(picker, IDOK) && CloseBy(info, IDC_RUNINFO_APPLY));
  EXPECT_EQ(Cell(0, 0) + L"|" + Cell(0, 1), eleven.substr(0, 10) + L"|Ctrl + Alt + A");

  ASSERT_TRUE(PressKeys("ctrl+alt+a"));
  EXPECT_TRUE(WaitUntil([&] { return File(L"touched.txt") == "touched\r\n"; }));

  ASSERT_TRUE(CloseBy(ItemDialog(0, ID_RUN_DELETE, L"确认删除"), IDYES));  // its words: unit's
  EXPECT_EQ(Send(List(), LVM_GETITEMCOUNT), 1);
  EXPECT_TRUE(HotkeyFree(kCtrlAlt, 'A'));
  SendCommand(panel, ID_RUN_VIEW_LARGE);
  ASSERT_TRUE(program->Exit());

  // A new start: the list as it was left, in the large-icon view again.
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_RUN));
  ASSERT_EQ(Send(List(), LVM_GETITEMCOUNT), 1);
  EXPECT_EQ(Cell(0, 0) + L"|" + Cell(0, 2), L"touch_file|" + helper);
  EXPECT_EQ(GetWindowLongW(List(), GWL_STYLE) & LVS_TYPEMASK, LVS_ICON);
  // The long text is shown whole and saved unchanged by "修  改".
  SendCommand(panel, IDC_RUN_TAB1);
  const HWND whole = ItemDialog(0, ID_RUN_PROPERTIES, kInfo);
  ASSERT_TRUE(whole);
  EXPECT_EQ(Text(Control(whole, IDC_RUNINFO_NAME)), std::wstring(30, L'n'));
  ASSERT_TRUE(CloseBy(whole, IDC_RUNINFO_APPLY));
  SendCommand(panel, IDC_RUN_CLOSE);  // the paw print hides the panel
  EXPECT_FALSE(Visible(panel));
  ASSERT_TRUE(program->Exit());
  EXPECT_EQ(File(L"set\\fastrun_study.lst"), study);
}

}  // namespace
}  // namespace e2e
