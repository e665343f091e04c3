// The pictures and fixed pixel figures at the display's scale. Runs at 96 dpi, and again in a
// prefix whose display is set to PIMBREL_E2E_DPI dots per inch.
#include "driver.h"

namespace e2e {
namespace {

// A 100% pixel edge at `dpi`, rounded half up: neighbours share their scaled edge.
LONG At(int dpi, LONG x) { return (x * dpi + 48) / 96; }
// A control's rectangle in its parent's client area.
RECT Inside(HWND control) {
  RECT r = Rect(control);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// A control by its id, at 100% in its parent's client pixels.
using Picture = std::pair<int, RECT>;
// The bar's buttons side by side, and the two triangles.
constexpr Picture kBar[] = {
    {IDC_BTN_NOTE, {2, 2, 53, 24}},       {IDC_BTN_DATUM, {53, 2, 104, 24}},
    {IDC_BTN_COMU, {104, 2, 155, 24}},    {IDC_BTN_RUN, {162, 2, 213, 24}},
    {IDC_BTN_TOOLBOX, {213, 2, 264, 24}}, {IDC_BTN_MENU, {264, 2, 315, 24}},
    {IDC_BTN_TOGGLE, {317, 2, 328, 11}},  {IDC_BTN_MORE, {317, 13, 328, 22}}};
constexpr Picture kTabs[] = {
    {IDC_RUN_TAB0, {0, 0, 50, 25}},       {IDC_RUN_TAB1, {50, 0, 100, 25}},
    {IDC_RUN_TAB2, {99, 0, 149, 25}},     {IDC_RUN_TAB3, {149, 0, 199, 25}},
    {IDC_RUN_FILLER1, {198, 0, 238, 25}}, {IDC_RUN_FILLER2, {237, 0, 277, 25}},
    {IDC_RUN_CLOSE, {276, 0, 326, 25}}};
// The browser's layouts: narrow, then wide, with the header hidden, then shown. A hidden
// control is at {}.
constexpr Picture kNarrowNoHeader[] = {{IDC_TREE_TREE, {2, 19, 22, 256}},
                                       {IDC_TREE_CONTENT, {23, 19, 326, 256}},
                                       {IDC_TREE_HEADER, {}},
                                       {IDC_TREE_NARROW, {}}};
constexpr Picture kWideNoHeader[] = {{IDC_TREE_TREE, {2, 19, 137, 256}},
                                     {IDC_TREE_CONTENT, {138, 19, 326, 256}},
                                     {IDC_TREE_HEADER, {}},
                                     {IDC_TREE_WIDEN, {}}};
constexpr Picture kWide[] = {{IDC_TREE_TREE, {2, 19, 137, 256}},
                             {IDC_TREE_HEADER, {138, 19, 326, 78}},
                             {IDC_TREE_CONTENT, {138, 79, 326, 256}}};

template <size_t n>
void ExpectPlaced(HWND parent, const Picture (&pictures)[n], int dpi, const char* where) {
  for (const auto& [id, at] : pictures) {
    const HWND control = Control(parent, id);
    EXPECT_EQ(Visible(control) ? Inside(control) : RECT{},
              RECT(At(dpi, at.left), At(dpi, at.top), At(dpi, at.right), At(dpi, at.bottom)))
        << where << ", control " << id << " at " << dpi << " dpi";
  }
}
// Tells the bar it is now on a screen of `dpi`, as Windows does, with the size it suggests;
// the time the bar took to answer, for the log (the bar and every panel rescale meanwhile).
void MoveToScreenOf(HWND bar, int dpi) {
  const RECT now = Rect(bar);
  RECT suggested{now.left, now.top, now.left + At(dpi, 330), now.top + At(dpi, 26)};
  const ULONGLONG start = GetTickCount64();
  SendRemote(bar, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), suggested);
  std::printf("scale change to %d dpi answered in %llu ms\n", dpi, GetTickCount64() - start);
}

TEST(Scale, PicturesAndPixelFiguresFollowTheDisplayScale) {
  const std::wstring display = Setting(L"PIMBREL_E2E_DPI");
  const int dpi = display.empty() ? 96 : std::stoi(display);
  Program program(FreshFolder(L"scale"));
  const HWND bar = program.Bar(), run = program.ShowPanel(IDC_BTN_RUN);
  ASSERT_TRUE(run);
  Pause(500);
  // At the display's scale, then another screen's, and back: the bar (its size is its
  // background picture's), its pictures and the panel below it follow.
  int told = dpi;  // the scale the bar was last told of
  for (const int at : {dpi, 2 * dpi, dpi}) {
    if (at != told) MoveToScreenOf(bar, told = at);
    const RECT r = Rect(bar);
    EXPECT_EQ(std::pair(r.right - r.left, r.bottom - r.top), std::pair(At(at, 330), At(at, 26)));
    ExpectPlaced(bar, kBar, at, "bar");
    ExpectPlaced(run, kTabs, at, "tabs");
    EXPECT_EQ(std::pair(Rect(run).left, Rect(run).top), std::pair(r.left, r.bottom)) << at;
  }

  const HWND datum = program.ShowPanel(IDC_BTN_DATUM);
  ASSERT_TRUE(datum);
  SendCommand(datum, IDC_DATUMDLG_BROWSER);
  const HWND browser = program.Owned(datum);
  ASSERT_TRUE(browser);
  const HWND headerButton = Control(browser, IDC_TREE_HEADER_BUTTON);
  SendCommand(browser, IDC_TREE_HEADER_BUTTON);
  SendCommand(browser, IDC_TREE_NARROW);
  ExpectPlaced(browser, kNarrowNoHeader, dpi, "browser narrow");
  EXPECT_EQ(std::tuple(Inside(headerButton).left, Text(headerButton),
                       Visible(Control(browser, IDC_TREE_WIDEN))),
            std::tuple(At(dpi, 24), std::wstring(L"∨"), true));
  SendCommand(browser, IDC_TREE_WIDEN);
  ExpectPlaced(browser, kWideNoHeader, dpi, "browser wide");
  EXPECT_EQ(Inside(headerButton).left, At(dpi, 139));
  SendCommand(browser, IDC_TREE_HEADER_BUTTON);
  ExpectPlaced(browser, kWide, dpi, "browser wide");
  SendCommand(browser, IDOK);

  // The search window: its list's columns at the scale.
  const HWND search = PostFor(bar, IDC_BTN_MORE, L"Pimbrel 搜索");
  ASSERT_TRUE(search);
  int column = 0;
  for (LONG width : {46, 96, 56, 184, 66})
    EXPECT_EQ(Send(Control(search, IDC_SEARCH_LIST), LVM_GETCOLUMNWIDTH, column++), At(dpi, width));
  SendCommand(search, IDCANCEL);

  // About: the window is its picture, and the curtain's first step cuts nothing but its edges,
  // closing on the middle.
  PostCommand(bar, ID_ABOUT);
  const HWND about = program.Owned(bar, datum);
  ASSERT_TRUE(about);
  const RECT box = Rect(about);
  Post(about, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  const HRGN region = CreateRectRgn(0, 0, 0, 0);
  RECT first{};
  ASSERT_TRUE(WaitUntil(
      [&] { return GetWindowRgn(about, region) != ERROR && GetRgnBox(region, &first); }, 2000));
  DeleteObject(region);
  EXPECT_EQ(std::tuple(box.right - box.left, box.bottom - box.top, first.top, first.bottom,
                       first.left + first.right),
            std::tuple(At(dpi, 260), At(dpi, 184), 0L, At(dpi, 184), At(dpi, 260)));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
  ASSERT_TRUE(program.Exit());
}

}  // namespace
}  // namespace e2e
