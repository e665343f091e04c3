// The settings sheet: what it reads from set\sets.conf, and what OK and Cancel write.
#include <gtest/gtest.h>

#include "driver.h"
// After windows.h, which it needs.
#include <commctrl.h>

namespace e2e {
namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kRunValue[] = L"KWIX.Pimbrel.Run";

std::string Conf(const char* hotkey, const char* autorun) {
  return std::string("[SYS]\r\nhotkey=") + hotkey + "\r\ntmpdir=C:\\tmp\\\r\nautorun=" + autorun +
         "\r\nshowtip=false\r\nnotice=true\r\n[COMU]\r\nmaxid=3\r\n[NOTE]\r\nmaxid=7\r\n";
}

class Settings : public ::testing::Test {
 protected:
  // Wine runs the log-on entries when its next session starts: none may stay behind.
  void SetUp() override { TearDown(); }
  void TearDown() override {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue);
  }

  // The machine-wide entry, or the user's own where the machine refused it.
  static std::wstring LogonEntry() {
    const auto machine = RegString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
    return machine ? *machine : RegString(HKEY_CURRENT_USER, kRunKey, kRunValue).value_or(L"-");
  }
  // The sheet is a dialog of its own; its page is a child dialog of it.
  static HWND OpenSheet(Program& program) {
    PostCommand(program.Bar(), 183);
    return WaitWindow(program.pid(), L"Pimbrel 设置");
  }
  static bool Checked(HWND sheet, int id) {
    return Send(Control(sheet, id), BM_GETCHECK) == BST_CHECKED;
  }
  static void Click(HWND sheet, int id) { Send(Control(sheet, id), BM_CLICK); }
  // OK (IDOK) or Cancel (IDCANCEL), after which the sheet closes.
  static bool Close(HWND sheet, int button) {
    Post(GetDlgItem(sheet, button), BM_CLICK);
    return WaitUntil([&] { return !IsWindow(sheet); });
  }
};

TEST_F(Settings, TheSheetShowsTheFileOkWritesItAndTheLogonEntryCancelWritesNothing) {
  const std::wstring folder = FreshFolder(L"settings"), conf = folder + L"\\set\\sets.conf";
  WriteBytes(conf, Conf("583", "false"));
  Program program(folder);
  ASSERT_EQ(program.Panels().size(), 5u);
  HWND sheet = OpenSheet(program);
  ASSERT_TRUE(sheet);
  EXPECT_EQ(Send(Control(sheet, 1017), HKM_GETHOTKEY), 583);  // Ctrl+G
  EXPECT_EQ(Text(Control(sheet, 1002)), L"C:\\tmp\\");
  EXPECT_FALSE(Checked(sheet, 1023));
  EXPECT_TRUE(Checked(sheet, 1024));
  EXPECT_FALSE(Checked(sheet, 1025));
  const HWND page = GetParent(Control(sheet, 1017));
  for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT inside{}, control = Rect(c), whole = Rect(page);
    IntersectRect(&inside, &control, &whole);
    EXPECT_EQ(inside, control) << "control " << GetDlgCtrlID(c) << " is cut off";
  }
  Click(sheet, 1023);
  Screenshot("settings");
  ASSERT_TRUE(Close(sheet, IDOK));
  EXPECT_EQ(ReadBytes(conf), Conf("583", "true"));
  EXPECT_EQ(LogonEntry(), folder + L"\\Pimbrel.exe " + folder);

  ASSERT_TRUE(sheet = OpenSheet(program));
  EXPECT_TRUE(Checked(sheet, 1023));
  EXPECT_TRUE(Checked(sheet, 1024));
  EXPECT_FALSE(Checked(sheet, 1025));
  for (int box : {1023, 1024, 1025}) Click(sheet, box);
  Send(Control(sheet, 1017), HKM_SETHOTKEY, 0x647);  // Ctrl+Alt+G
  ASSERT_TRUE(Close(sheet, IDCANCEL));
  EXPECT_EQ(ReadBytes(conf), Conf("583", "true"));
  EXPECT_EQ(LogonEntry(), folder + L"\\Pimbrel.exe " + folder);
  EXPECT_FALSE(HotkeyFree(MOD_CONTROL, 'G'));

  // A new hotkey is taken at once; without autorun the entry is emptied.
  ASSERT_TRUE(sheet = OpenSheet(program));
  Click(sheet, 1023);
  Send(Control(sheet, 1017), HKM_SETHOTKEY, 0x647);
  ASSERT_TRUE(Close(sheet, IDOK));
  EXPECT_EQ(ReadBytes(conf), Conf("1607", "false"));
  EXPECT_EQ(LogonEntry(), L"");
  EXPECT_TRUE(HotkeyFree(MOD_CONTROL, 'G'));
  EXPECT_FALSE(HotkeyFree(MOD_CONTROL | MOD_ALT, 'G'));
  EXPECT_TRUE(program.Exit());
}

TEST_F(Settings, TheLogonEntryQuotesAFolderWithBlanks) {
  const std::wstring folder = FreshFolder(L"with blank");
  Program program(folder);
  ASSERT_EQ(program.Panels().size(), 5u);
  const HWND sheet = OpenSheet(program);
  ASSERT_TRUE(sheet);
  Click(sheet, 1023);
  ASSERT_TRUE(Close(sheet, IDOK));
  // The start-up tests run the program with this very command line.
  EXPECT_EQ(LogonEntry(), L"\"" + folder + L"\\Pimbrel.exe\" \"" + folder + L"\"");
  EXPECT_TRUE(program.Exit());
}

}  // namespace
}  // namespace e2e
