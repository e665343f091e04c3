// Panels switched 1,000 times, 200 cards stored and every dialog opened 100 times: the
// program's GDI and USER objects and its private memory stay flat.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <optional>

#include "driver.h"

// commctrl.h, dlgs.h and psapi.h want windows.h, which driver.h brings, first.
#include <commctrl.h>
#include <dlgs.h>
#include <psapi.h>

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kButtons[] = {1004, 1005, 1006, 1007, 1008};  // notes ... tool box
constexpr int kDatumButton = 1006, kRunButton = 1007, kCardText = 1016, kTrim = 1011;
constexpr int kBrowser = 1008, kRunList = 1015, kRunAdd = 169, kProperties = 178;
constexpr int kChangeIcon = 1000, kSettings = 183, kAbout = 191;
constexpr int kQuarters = 4, kSwitches = 250, kCards = 50, kOpens = 25;  // per quarter
// Flat: after a first quarter that fills caches, the rest adds at most this much.
constexpr long kMaxObjectGrowth = 10;
constexpr double kMaxMemoryGrowth = 0.05;

struct Sample {
  long gdi, user;
  double privateMb;
};

class Leak : public ::testing::Test {
 protected:
  // Private bytes: PrivateUsage where the system gives it; Wine gives 0 for another
  // process, so there the private pages of the Unix process are summed.
  double PrivateMb() {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, program->pid());
    K32GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                            sizeof memory);
    CloseHandle(process);
    if (memory.PrivateUsage) return static_cast<double>(memory.PrivateUsage) / (1 << 20);
    const std::wstring out = folder + L"\\private.txt";
    const std::string work = Unix(fs::path(Setting(L"PIMBREL_E2E_WORK")).filename().wstring());
    // The pattern does not match the searching shell's own command line.
    RunUnix("for p in /proc/[0-9]*; do grep -qa '" + work +
            "[^a-z]leak[^a-z]Pimbrel[.]exe' $p/cmdline 2>/dev/null && awk '/^Private/ "
            "{ kb += $2 } END { print kb }' $p/smaps_rollup; done >'" +
            Unix(out.substr(2)) + "'");
    double kb = 0;
    return std::sscanf(ReadBytes(out).c_str(), "%lf", &kb) == 1 ? kb / 1024 : 0;
  }
  static std::string Unix(const std::wstring& path) {  // Z:\work\... is /work/...
    std::string unix;
    for (wchar_t c : path) unix += c == L'\\' ? '/' : static_cast<char>(c);
    return unix;
  }
  Sample Measure() {
    const UINT message = RegisterWindowMessageW(L"Pimbrel.GuiObjects");
    return {static_cast<long>(Send(program->Bar(), message, 0)),
            static_cast<long>(Send(program->Bar(), message, 1)), PrivateMb()};
  }
  HWND ShowPanel(int button) {
    SendCommand(program->Bar(), button);
    const auto shown = program->VisiblePanels();
    return shown.size() == 1 ? shown[0] : nullptr;
  }
  // The one visible window of the program that is neither the bar nor in `others`.
  HWND NewWindow(std::initializer_list<HWND> others) {
    HWND found = nullptr;
    WaitUntil([&] {
      for (HWND w : TopWindows(program->pid()))
        if (Visible(w) && w != program->Bar() && std::count(others.begin(), others.end(), w) == 0)
          found = w;
      return found != nullptr;
    });
    return found;
  }
  // Opens a modal window by a posted command and closes it with `close`.
  bool OpenAndClose(HWND owner, int command, const std::wstring& caption, int close) {
    PostCommand(owner, command);
    const HWND dialog = WaitWindow(program->pid(), caption);
    if (!dialog) return false;
    PostCommand(dialog, close);
    return WaitUntil([&] { return !IsWindow(dialog); });
  }
  // The properties through a real right click on the first program, then the icon picker.
  bool Properties(HWND runPanel) {
    const HWND list = Control(runPanel, kRunList);
    RECT item = Rect(list);  // the first icon sits at the list's top left
    // A right click as the mouse sends it; Wine hands it to the window under the cursor.
    SetCursorPos(item.left + 30, item.top + 20);
    INPUT click[2]{};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    if (SendInput(2, click, sizeof(INPUT)) != 2) return false;
    HWND menu = nullptr;
    if (!WaitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) && Visible(menu); }))
      return false;
    Post(menu, WM_KEYDOWN, VK_ESCAPE);
    Post(menu, WM_KEYDOWN, VK_ESCAPE);
    WaitUntil([&] { return !Visible(menu); });
    PostCommand(runPanel, kProperties);
    const HWND info = WaitWindow(program->pid(), L"快速启动程序属性");
    if (!info || !OpenAndClose(info, kChangeIcon, L"更改图标", IDCANCEL)) return false;
    PostCommand(info, IDCANCEL);
    return WaitUntil([&] { return !IsWindow(info); });
  }

  std::wstring folder = FreshFolder(L"leak");
  std::optional<Program> program;
};

TEST_F(Leak, ObjectsAndMemoryStayFlatOverSwitchesStoresAndDialogs) {
  program.emplace(folder);
  ASSERT_EQ(program->Panels().size(), 5u);
  // One program in the first list, for the properties dialog and the icon picker.
  HWND run = ShowPanel(kRunButton);
  PostCommand(run, kRunAdd);
  HWND picker = nullptr, name = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND w : TopWindows(program->pid()))
      if (Visible(w) && w != run &&
          (name = Control(w, cmb13) ? Control(w, cmb13) : Control(w, edt1)))
        return (picker = w) != nullptr;
    return false;
  }));
  const std::wstring exe = folder + L"\\Pimbrel.exe";
  Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(exe.c_str()));
  PostCommand(picker, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return Send(Control(run, kRunList), LVM_GETITEMCOUNT) == 1; }));

  std::vector<Sample> samples{Measure()};
  int switches = 0, cards = 0, opens = 0;
  ULONGLONG spent[3] = {};  // switching, storing, dialogs
  for (int quarter = 0; quarter < kQuarters; ++quarter) {
    ULONGLONG start = GetTickCount64();
    for (int i = 0; i < kSwitches; ++i, ++switches) ASSERT_TRUE(ShowPanel(kButtons[i % 5]));
    spent[0] += GetTickCount64() - start;
    start = GetTickCount64();
    const HWND editor = ShowPanel(kDatumButton);
    for (int i = 0; i < kCards; ++i, ++cards) {
      const std::wstring text = L"card " + std::to_wstring(cards);
      Send(Control(editor, kCardText), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
      SendCommand(program->Bar(), kDatumButton);
    }
    spent[1] += GetTickCount64() - start;
    start = GetTickCount64();
    for (int i = 0; i < kOpens; ++i, ++opens) {
      ASSERT_TRUE(OpenAndClose(program->Bar(), kSettings, L"Pimbrel 设置", IDCANCEL)) << opens;
      ASSERT_EQ(ShowPanel(kDatumButton), editor);
      ASSERT_TRUE(OpenAndClose(editor, kTrim, L"Pimbrel 资料整理", IDCANCEL)) << opens;
      ASSERT_TRUE(WaitUntil([&] { return Visible(editor); }));
      SendCommand(editor, kBrowser);
      const HWND browser = NewWindow({editor});
      ASSERT_TRUE(browser) << opens;
      SendCommand(browser, IDOK);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(browser) || !Visible(browser); })) << opens;
      ASSERT_TRUE(Properties(run = ShowPanel(kRunButton))) << opens;
      // About hides the bar; Escape ends it, and every tenth time the curtain does.
      PostCommand(program->Bar(), kAbout);
      const HWND about = NewWindow({run});
      ASSERT_TRUE(about) << opens;
      if (i % 10 == 0) {
        Post(about, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
      } else {
        PostCommand(about, IDCANCEL);
      }
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about) && Visible(program->Bar()); }));
    }
    spent[2] += GetTickCount64() - start;
    samples.push_back(Measure());
  }
  Screenshot("leak_end");
  for (const Sample& s : samples)
    std::printf("leak test: GDI %ld, USER %ld, private %.1f MB\n", s.gdi, s.user, s.privateMb);
  std::printf(
      "leak test: %d panel switches (%llu s), %d card stores (%llu s), %d opens of each "
      "dialog (%llu s)\n",
      switches, spent[0] / 1000, cards, spent[1] / 1000, opens, spent[2] / 1000);
  const Sample &warm = samples[1], &end = samples.back(), &lastButOne = samples[kQuarters - 1];
  EXPECT_GT(warm.gdi, 0);
  EXPECT_GT(warm.user, 0);
  EXPECT_LE(end.gdi - warm.gdi, kMaxObjectGrowth);
  EXPECT_LE(end.user - warm.user, kMaxObjectGrowth);
  EXPECT_LE(end.privateMb, lastButOne.privateMb * (1 + kMaxMemoryGrowth));
  EXPECT_TRUE(program->Exit());
}

}  // namespace
}  // namespace e2e
