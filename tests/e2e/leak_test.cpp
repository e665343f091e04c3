// Panels switched 1,000 times, 200 cards stored and every dialog opened 100 times: the
// program's GDI and USER objects and its private memory stay flat.
#include <cstdlib>

#include "driver.h"

namespace e2e {
namespace {

// Per quarter; 100 switches in ./pimbrel.sh test, the 1,000 of tests/RELIABILITY.md under
// ./pimbrel.sh soak.
constexpr int kQuarters = 4;
const int kSwitches = Soak(25, 250), kCards = Soak(5, 50), kOpens = Soak(3, 25);

struct Sample {
  long gdi, user;
  double privateMb;
};

class Leak : public ProgramTest {
 protected:
  // GDI and USER objects by the bar's own count (GetGuiResources answers 0 under Wine), and
  // the pages Wine's Unix process has written (and any it swapped out). Clean pages of mapped
  // files, such as the CJK font, count as private only while no other process maps them:
  // they come and go by megabytes with what else runs.
  Sample Measure() {
    const UINT message = RegisterWindowMessageW(L"Pimbrel.GuiObjects");
    std::string kb;
    const std::string rollup = "/proc/" + program->UnixPid() + "/smaps_rollup";
    RunUnix("awk '/^(Private_Dirty|Swap):/ { kb += $2 } END { print kb }' " + rollup, kWaitMs, &kb);
    return {static_cast<long>(Send(program->Bar(), message, 0)),
            static_cast<long>(Send(program->Bar(), message, 1)), std::atof(kb.c_str()) / 1024};
  }
};

TEST_F(Leak, ObjectsAndMemoryStayFlatOverSwitchesStoresAndDialogs) {
  // One program in the first list, for the properties dialog and the icon picker.
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_RUN));
  HWND run = panel;
  ASSERT_TRUE(program->AddProgram(run, folder + L"\\Pimbrel.exe"));

  std::vector<Sample> samples{Measure()};
  ULONGLONG spent[3] = {};  // switching, storing, dialogs
  for (int quarter = 0; quarter < kQuarters; ++quarter) {
    ULONGLONG at[4] = {GetTickCount64()};  // when each part began, and the end
    for (int i = 0; i < kSwitches; ++i) ASSERT_TRUE(program->ShowPanel(IDC_BTN_NOTE + i % 5));
    at[1] = GetTickCount64();
    const HWND editor = program->ShowPanel(IDC_BTN_DATUM);
    for (int i = 0; i < kCards; ++i)
      program->StoreCard(editor, L"card " + std::to_wstring(quarter * kCards + i));
    at[2] = GetTickCount64();
    for (int opens = 0; opens < kOpens; ++opens) {
      ASSERT_TRUE(CloseBy(PostFor(program->Bar(), ID_SETTINGS, L"Pimbrel 设置"), IDCANCEL));
      ASSERT_EQ(program->ShowPanel(IDC_BTN_DATUM), editor);
      ASSERT_TRUE(CloseBy(PostFor(editor, IDC_DATUMDLG_TRIM, L"Pimbrel 资料整理"), IDCANCEL));
      ASSERT_TRUE(WaitUntil([&] { return Visible(editor); }));
      SendCommand(editor, IDC_DATUMDLG_BROWSER);
      const HWND browser = program->Owned(editor);
      ASSERT_TRUE(browser) << opens;
      SendCommand(browser, IDOK);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(browser) || !Visible(browser); })) << opens;
      // The properties through a real right click on the first program, then the icon picker.
      ASSERT_TRUE(ItemMenu(Control(run = program->ShowPanel(IDC_BTN_RUN), IDC_RUN_LIST), 0));
      const HWND info = PostFor(run, ID_RUN_PROPERTIES, L"快速启动程序属性");
      ASSERT_TRUE(CloseBy(PostFor(info, IDC_RUNINFO_CHANGEICON, L"更改图标"), IDCANCEL)) << opens;
      ASSERT_TRUE(CloseBy(info, IDCANCEL)) << opens;
      // About hides the bar; Escape ends it, and every tenth time the curtain does.
      PostCommand(program->Bar(), ID_ABOUT);
      const HWND about = program->Owned(program->Bar(), run);
      ASSERT_TRUE(about) << opens;
      if (opens % 10 == 0)
        Post(about, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
      else
        PostCommand(about, IDCANCEL);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about) && Visible(program->Bar()); }));
    }
    at[3] = GetTickCount64();
    for (int part = 0; part < 3; ++part) spent[part] += at[part + 1] - at[part];
    samples.push_back(Measure());
  }
  for (const Sample& s : samples)
    std::printf("leak test: GDI %ld, USER %ld, private %.1f MB\n", s.gdi, s.user, s.privateMb);
  std::printf(
      "leak test: %d panel switches (%llu s), %d card stores (%llu s), %d opens of each "
      "dialog (%llu s)\n",
      kQuarters * kSwitches, spent[0] / 1000, kQuarters * kCards, spent[1] / 1000,
      kQuarters * kOpens, spent[2] / 1000);
  // Flat: after a first quarter that fills caches, at most 10 more objects of each kind, and
  // the last quarter under 5 % more memory.
  const Sample &warm = samples[1], &end = samples.back(), &lastButOne = samples[kQuarters - 1];
  EXPECT_TRUE(warm.gdi > 0 && warm.user > 0);  // the bar counts
  EXPECT_TRUE(end.gdi - warm.gdi <= 10 && end.user - warm.user <= 10 &&
              end.privateMb <= lastButOne.privateMb * 1.05);
  EXPECT_TRUE(program->Exit());
}

}  // namespace
}  // namespace e2e
