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

std::wstring LogonEntry() {  // the machine's, or the user's where the machine refused it
  const auto machine = RegString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
  return machine ? *machine : RegString(HKEY_CURRENT_USER, kRunKey, kRunValue).value_or(L"-");
}

// Opens the sheet, checks what it shows, clicks boxes, sets a hotkey and presses a button.
void UseSheet(Program& program, const char* boxes, std::initializer_list<int> clicks, WORD hotkey,
              int button, bool screenshot = false) {
  PostCommand(program.Bar(), 183);
  const HWND sheet = WaitWindow(program.pid(), L"Pimbrel 设置");
  ASSERT_TRUE(sheet);
  EXPECT_EQ(Send(Control(sheet, 1017), HKM_GETHOTKEY), 583);  // Ctrl+G
  EXPECT_EQ(Text(Control(sheet, 1002)), L"C:\\tmp\\");
  for (int i = 0; i < 3; ++i)  // 1023 (autorun), 1024 and 1025, "1" where checked
    EXPECT_EQ(Send(Control(sheet, 1023 + i), BM_GETCHECK), boxes[i] - '0') << 1023 + i;
  const HWND page = GetParent(Control(sheet, 1017));  // a child dialog of the sheet
  for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT inside{}, control = Rect(c), whole = Rect(page);
    IntersectRect(&inside, &control, &whole);
    EXPECT_EQ(inside, control) << "control " << GetDlgCtrlID(c) << " is cut off";
  }
  for (int id : clicks) Send(Control(sheet, id), BM_CLICK);
  if (hotkey) Send(Control(sheet, 1017), HKM_SETHOTKEY, hotkey);
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

TEST_F(Settings, TheSheetShowsTheFileOkWritesItAndTheLogonEntryCancelWritesNothing) {
  // The entry quotes a folder with a blank; the start-up tests run this very command line.
  const std::wstring folder = FreshFolder(L"with blank"), conf = folder + L"\\set\\sets.conf",
                     entry = L"\"" + folder + L"\\Pimbrel.exe\" \"" + folder + L"\"";
  WriteBytes(conf, Conf("583", "false"));
  Program program(folder);
  ASSERT_EQ(program.Panels().size(), 5u);
  UseSheet(program, "010", {1023}, 0, IDOK, true);
  EXPECT_EQ(ReadBytes(conf), Conf("583", "true"));
  EXPECT_EQ(LogonEntry(), entry);
  UseSheet(program, "110", {1023, 1024, 1025}, 0x647, IDCANCEL);  // Ctrl+Alt+G
  EXPECT_EQ(ReadBytes(conf), Conf("583", "true"));
  EXPECT_EQ(LogonEntry(), entry);
  EXPECT_FALSE(HotkeyFree(MOD_CONTROL, 'G'));

  // A new hotkey is taken at once; without autorun the entry is emptied.
  UseSheet(program, "110", {1023}, 0x647, IDOK);
  EXPECT_EQ(ReadBytes(conf), Conf("1607", "false"));
  EXPECT_EQ(LogonEntry(), L"");
  EXPECT_TRUE(HotkeyFree(MOD_CONTROL, 'G'));
  EXPECT_FALSE(HotkeyFree(MOD_CONTROL | MOD_ALT, 'G'));
  EXPECT_TRUE(program.Exit());
}

}  // namespace
}  // namespace e2e
