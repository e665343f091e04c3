// The quick-launch board: a program added through the file dialog shows with its icon, gets
// Ctrl+Alt+A in its properties, starts on that key, frees it when deleted, and the lists
// come back as left after a restart.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "driver.h"

// commctrl.h and dlgs.h want windows.h, which driver.h brings, first.
#include <commctrl.h>
#include <dlgs.h>

namespace e2e {
namespace {

constexpr int kRunButton = 1007, kList = 1015, kApply = 1018, kChangeIcon = 1000;
constexpr int kAdd = 169, kReport = 176, kLarge = 172, kProperties = 178, kDelete = 179;
constexpr UINT kCtrlAlt = MOD_CONTROL | MOD_ALT;

// A list-view message whose lParam points into the program's memory, for a cell's text or
// an item's place; `data` goes there and comes back, `text` follows it.
template <class T>
LRESULT SendRemote(DWORD pid, HWND list, UINT message, WPARAM wp, T& data,
                   std::wstring* text = nullptr) {
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return -1;
  constexpr size_t kTextChars = 1024;
  auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(T) + kTextChars * 2,
                                                   MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if constexpr (std::is_same_v<T, LVITEMW>) {
    data.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(T));
    data.cchTextMax = kTextChars;
  }
  WriteProcessMemory(process, remote, &data, sizeof(T), nullptr);
  const LRESULT result = Send(list, message, wp, reinterpret_cast<LPARAM>(remote));
  ReadProcessMemory(process, remote, &data, sizeof(T), nullptr);
  if (text) {
    std::wstring buffer(kTextChars, L'\0');
    ReadProcessMemory(process, remote + sizeof(T), buffer.data(), kTextChars * 2, nullptr);
    *text = buffer.c_str();
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return result;
}

class QuickLaunch : public ::testing::Test {
 protected:
  void Open() {
    program.emplace(folder);
    ASSERT_EQ(program->Panels().size(), 5u);
    SendCommand(program->Bar(), kRunButton);
    ASSERT_EQ(program->VisiblePanels().size(), 1u);
    panel = program->VisiblePanels()[0];
    list = Control(panel, kList);
    ASSERT_TRUE(list);
  }
  int Count() { return static_cast<int>(Send(list, LVM_GETITEMCOUNT)); }
  std::wstring Cell(int item, int column) {
    LVITEMW cell{};
    cell.iSubItem = column;
    std::wstring text;
    SendRemote(program->pid(), list, LVM_GETITEMTEXTW, item, cell, &text);
    return text;
  }
  // Adds a program through the file dialog, typing its full name there.
  void AddThroughFileDialog(const std::wstring& file) {
    const int before = Count();
    PostCommand(panel, kAdd);
    HWND dialog = nullptr, name = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
      for (HWND w : TopWindows(program->pid()))
        if (Visible(w) && w != panel &&
            (name = Control(w, cmb13) ? Control(w, cmb13) : Control(w, edt1)))
          return (dialog = w) != nullptr;
      return false;
    }));
    Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
    PostCommand(dialog, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return Count() == before + 1; }));
  }
  // A real right click on an item, which marks it for the menu's commands; the menu is then
  // dismissed and its command sent as the menu would.
  void ItemCommand(int item, int command) {
    RECT place{LVIR_LABEL, 0, 0, 0};
    ASSERT_TRUE(SendRemote(program->pid(), list, LVM_GETITEMRECT, item, place));
    POINT at{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
    ClientToScreen(list, &at);
    ASSERT_EQ(RunUnix("/usr/bin/xdotool mousemove " + std::to_string(at.x) + " " +
                      std::to_string(at.y) + " click 3"),
              0);
    HWND menu = nullptr;
    ASSERT_TRUE(
        WaitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) && Visible(menu); }));
    Post(menu, WM_KEYDOWN, VK_ESCAPE);
    Post(menu, WM_KEYDOWN, VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !Visible(menu); }));
    PostCommand(panel, command);
  }

  std::wstring folder = FreshFolder(L"quicklaunch");
  std::wstring touched = folder + L"\\touched.txt";
  std::optional<Program> program;
  HWND panel = nullptr, list = nullptr;
};

TEST_F(QuickLaunch, AddedProgramStartsOnItsHotkeyWhichDeleteFrees) {
  // The program to start sits in the program folder, copied from next to this driver.
  std::wstring self(MAX_PATH, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
  const std::wstring helper = folder + L"\\touch_file.exe";
  ASSERT_TRUE(CopyFileW((std::filesystem::path(self).parent_path() / L"touch_file.exe").c_str(),
                        helper.c_str(), FALSE));
  ASSERT_NO_FATAL_FAILURE(Open());
  ASSERT_TRUE(HotkeyFree(kCtrlAlt, 'A'));
  ASSERT_NO_FATAL_FAILURE(AddThroughFileDialog(helper));
  ASSERT_NO_FATAL_FAILURE(AddThroughFileDialog(helper));
  EXPECT_EQ(Cell(0, 0), L"touch_file");
  EXPECT_EQ(Cell(0, 1), L"无");
  EXPECT_EQ(Cell(1, 2), helper);
  SendCommand(panel, 1013);  // the 娱乐类 tab is empty, and back
  EXPECT_EQ(Count(), 0);
  SendCommand(panel, 1011);
  EXPECT_EQ(Count(), 2);
  Screenshot("run_icons");
  SendCommand(panel, kReport);
  Screenshot("run_report");

  ASSERT_NO_FATAL_FAILURE(ItemCommand(0, kProperties));
  const HWND info = WaitWindow(program->pid(), L"快速启动程序属性");
  ASSERT_TRUE(info);
  EXPECT_EQ(Text(Control(info, 1002)), L"touch_file");
  // The name holds 20 bytes of GBK: ten Chinese characters, not eleven.
  const std::wstring eleven = L"一二三四五六七八九十百";
  Send(Control(info, 1002), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(eleven.c_str()));
  EXPECT_EQ(Text(Control(info, 1002)), eleven.substr(0, 10));
  Send(Control(info, 1017), HKM_SETHOTKEY, 0x0641);
  Screenshot("run_info");
  PostCommand(info, kChangeIcon);
  const HWND picker = WaitWindow(program->pid(), L"更改图标");
  ASSERT_TRUE(picker);
  EXPECT_EQ(Text(Control(picker, 1002)), helper);
  const HWND icons = Control(picker, 1015);
  EXPECT_EQ(Send(icons, LVM_GETITEMCOUNT), 2);  // the helper's two icons
  Screenshot("icon_sel");
  Send(icons, LVM_SETSELECTIONMARK, 0, 1);
  PostCommand(picker, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(picker); }));
  PostCommand(info, kApply);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(info); }));
  EXPECT_EQ(Cell(0, 0), eleven.substr(0, 10));
  EXPECT_EQ(Cell(0, 1), L"Ctrl + Alt + A");
  EXPECT_FALSE(HotkeyFree(kCtrlAlt, 'A'));

  ASSERT_TRUE(PressKeys("ctrl+alt+a"));
  EXPECT_TRUE(WaitUntil([&] { return ReadBytes(touched) == "touched\r\n"; }));

  ASSERT_NO_FATAL_FAILURE(ItemCommand(0, kDelete));
  const auto asked = AnswerMessageBox(program->pid(), L"确认删除", IDYES);
  ASSERT_TRUE(asked);
  EXPECT_EQ(asked->text, L"你确实要删除该项吗?");
  EXPECT_EQ(Count(), 1);
  EXPECT_TRUE(HotkeyFree(kCtrlAlt, 'A'));
  SendCommand(panel, kLarge);
  ASSERT_TRUE(program->Exit());
  EXPECT_NE(ReadBytes(folder + L"\\set\\fastrun_coll.lst").find("[MAIN]\r\ncount=1\r\n"),
            std::string::npos);

  // A new start: the list as it was left, in the large-icon view again.
  ASSERT_NO_FATAL_FAILURE(Open());
  ASSERT_EQ(Count(), 1);
  EXPECT_EQ(Cell(0, 0), L"touch_file");
  EXPECT_EQ(Cell(0, 2), helper);
  EXPECT_EQ(GetWindowLongW(list, GWL_STYLE) & LVS_TYPEMASK, LVS_ICON);
  SendCommand(panel, 1018);  // the paw print hides the panel
  EXPECT_FALSE(Visible(panel));
  ASSERT_TRUE(program->Exit());
}

}  // namespace
}  // namespace e2e
