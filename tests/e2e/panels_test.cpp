// The panels below the bar: one at a time, attached to the bar, hidden and shown with it.
#include <gtest/gtest.h>

#include <set>

#include "driver.h"

namespace e2e {
namespace {

// Whether the panel's top-left corner is at the bar's bottom-left corner.
bool Below(HWND panel, HWND bar) {
  return Rect(panel).left == Rect(bar).left && Rect(panel).top == Rect(bar).bottom;
}

TEST(Panels, EachChoiceShowsItsOwnPanelAloneBelowTheBar) {
  Program program(FreshFolder(L"panels"));
  const HWND bar = program.Bar();
  ASSERT_EQ(program.Panels().size(), 5u);
  // Button and menu command of the notes, contacts, datum, quick launch and tool box.
  std::set<HWND> seen;
  for (const auto& [button, command] :
       {std::pair{1004, 133}, {1005, 186}, {1006, 134}, {1007, 187}, {1008, 189}}) {
    SendCommand(bar, button);
    const std::vector<HWND> shown = program.VisiblePanels();
    ASSERT_EQ(shown.size(), 1u) << "button " << button;
    EXPECT_TRUE(Below(shown[0], bar)) << "button " << button;
    SendCommand(bar, command);
    EXPECT_EQ(program.VisiblePanels(), shown) << "command " << command;
    seen.insert(shown[0]);
  }
  EXPECT_EQ(seen.size(), 5u);
  // The tool box, an empty panel in its own green.
  const RECT box = Rect(program.VisiblePanels().at(0));
  EXPECT_EQ(ScreenPixel((box.left + box.right) / 2, (box.top + box.bottom) / 2), RGB(194, 245, 66));
  Screenshot("tool_box");
  EXPECT_TRUE(program.Exit());
}

TEST(Panels, TheCurrentPanelFollowsTheBarAndHidesWithIt) {
  Program program(FreshFolder(L"follow"));
  const HWND bar = program.Bar();
  ASSERT_EQ(program.Panels().size(), 5u);
  SendCommand(bar, 1004);
  ASSERT_EQ(program.VisiblePanels().size(), 1u);
  const HWND panel = program.VisiblePanels()[0];
  // A real drag, on the gap between two buttons, which counts as the bar's caption.
  ASSERT_EQ(RunUnix("/usr/bin/xdotool mousemove 164 18 mousedown 1 mousemove 200 60 "
                    "mousemove 264 118 mouseup 1"),
            0);
  EXPECT_TRUE(WaitUntil([&] { return Rect(bar).left == 105 && Rect(bar).top == 105; }));
  EXPECT_TRUE(WaitUntil([&] { return Below(panel, bar); }));
  Screenshot("dragged");
  SetWindowPos(bar, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(WaitUntil([&] { return Rect(panel).left == 300 && Rect(panel).top == 226; }));

  const RECT barAt = Rect(bar), panelAt = Rect(panel);
  SendCommand(bar, 1009);
  EXPECT_FALSE(Visible(bar));
  EXPECT_FALSE(Visible(panel));
  SendCommand(bar, 138);
  EXPECT_TRUE(Visible(bar));
  EXPECT_EQ(program.VisiblePanels(), std::vector<HWND>{panel});
  EXPECT_EQ(Rect(bar), barAt);
  EXPECT_EQ(Rect(panel), panelAt);
  EXPECT_TRUE(program.Exit());
}

}  // namespace
}  // namespace e2e
