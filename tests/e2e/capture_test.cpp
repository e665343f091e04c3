// The capture key from other programs: Wine's notepad with a line selected, and a small window
// of the test's own that copies as a browser does, with the page's address. Titles, sources,
// the HTML header and the card beside the panel and the trimming: unit tests (capture).
#include "driver.h"

namespace e2e {
namespace {

constexpr wchar_t kLine[] = L"第一行 \U00020BB7 Ω, beyond GBK: 𠀀";
// kLine in GB18030, which the program writes and code page 936 cannot say.
const std::string kLineBytes =
    "\xB5\xDA\xD2\xBB\xD0\xD0 \x95"
    "4\xB2"
    "5 \xA6\xB8, beyond GBK: \x95"
    "2\x82"
    "6";
constexpr wchar_t kUrl[] = L"https://example.org/页面?q=1";
constexpr char kUrlUtf8[] = "https://example.org/页面?q=1";  // UTF-8, as this file is

// Ctrl+C as a browser answers it: the text, and "HTML Format" naming the page.
void CopyAsABrowser(HWND window) {
  const std::string body =
      "<html><body><!--StartFragment-->page text<!--EndFragment--></body></html>";
  const int fragment = static_cast<int>(body.find("page"));
  const auto header = [&](int start) {  // as long whatever the offsets
    char line[256];
    std::snprintf(line, sizeof line,
                  "Version:0.9\r\nStartHTML:%010d\r\nEndHTML:%010d\r\nStartFragment:%010d\r\n"
                  "EndFragment:%010d\r\nSourceURL:%s\r\n",
                  start, start + static_cast<int>(body.size()), start + fragment,
                  start + fragment + 9, kUrlUtf8);
    return std::string(line);
  };
  Paste(L"page text", header(static_cast<int>(header(0).size())) + body, window);
}

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_KEYDOWN && wp == 'C' && (GetKeyState(VK_CONTROL) & 0x8000) &&
      !(GetKeyState(VK_MENU) & 0x8000))
    CopyAsABrowser(window);
  return DefWindowProcW(window, message, wp, lp);
}

HWND PageWindow() {
  WNDCLASSW type{};
  type.lpfnWndProc = PageProc;
  type.lpszClassName = L"e2e page";
  RegisterClassW(&type);
  const HWND window = CreateWindowExW(0, L"e2e page", L"e2e page", WS_POPUP | WS_BORDER, 600, 500,
                                      200, 100, nullptr, nullptr, nullptr, nullptr);
  ShowWindow(window, SW_SHOW);
  return window;
}

class Capture : public ProgramTest {
 protected:
  void TearDown() override {
    if (notepad) TerminateProcess(notepad, 0), CloseHandle(notepad);
  }
  // Wine's notepad with `kLine` and a second line, the first selected.
  HWND Notepad() {
    notepad = Launch(L"notepad.exe");
    HWND found = nullptr, edit = nullptr;
    WaitUntil([&] {
      found = FindWindowW(L"Notepad", nullptr);
      return found && Visible(found) && (edit = FindWindowExW(found, nullptr, L"Edit", nullptr));
    });
    if (!edit) return nullptr;
    SetText(edit, std::wstring(kLine) + L"\r\nsecond line");
    Send(edit, EM_SETSEL, 0, static_cast<LPARAM>(std::wcslen(kLine)));
    return found;
  }
  // The card files of 未分类, by name.
  std::vector<std::wstring> Cards() {
    std::vector<std::wstring> names;
    std::error_code none;  // made with the first card
    for (const auto& entry : fs::directory_iterator(folder + L"\\datum\\未分类", none))
      if (const std::wstring name = entry.path().filename().wstring();
          name.find(L".datum.") != std::wstring::npos && name.ends_with(L".xml"))
        names.push_back(name);  // not a card still being written under its temporary name
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Card(const std::wstring& name) { return File(L"datum\\未分类\\" + name); }
  // Waits for the card count to reach `n`; the newest card's bytes.
  std::string NewCard(size_t n) {
    std::wstring newest;
    WaitUntil([&] {
      std::vector<std::wstring> now = Cards();
      if (now.size() < n) return false;
      for (const std::wstring& name : now)
        if (newest.empty() ||
            name.substr(name.rfind(L".datum.")) > newest.substr(newest.rfind(L".datum.")))
          newest = name;
      return true;
    });
    return newest.empty() ? std::string() : Card(newest);
  }
  HANDLE notepad = nullptr;
};

TEST_F(Capture, TheSelectionOfAnyProgramBecomesACardAndTheProgramKeepsTheFocus) {
  // Held by another program at the start: not a word then, the settings page says so, and
  // OK there takes the key once it is free.
  ASSERT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'C'));
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_DATUM));
  const HWND bar = program->Bar();
  EXPECT_EQ(TopWindows(program->pid()).size(), 6u);  // the bar and its panels, no message
  const HWND sheet = PostFor(bar, ID_SETTINGS, L"Pimbrel 设置");
  ASSERT_TRUE(sheet);
  EXPECT_EQ(Text(Control(sheet, IDC_CAPTURE_STATE)), L"未注册：已被占用");
  UnregisterHotKey(nullptr, 1);
  Post(GetDlgItem(sheet, IDOK), BM_CLICK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }));
  EXPECT_FALSE(HotkeyFree(MOD_CONTROL | MOD_ALT, 'C'));
  SendCommand(panel, IDC_DATUMDLG_FOLD);
  const HWND pad = Notepad();
  ASSERT_TRUE(pad);
  ASSERT_TRUE(Paste(L"earlier \U0001F600"));
  ASSERT_TRUE(PressKeys("ctrl+alt+c", pad));
  const std::string card = NewCard(1);
  EXPECT_NE(card.find("<part>" + kLineBytes + "</part>\r\n\t</content>"), std::string::npos)
      << card;
  const size_t source = card.find("<source>");
  EXPECT_NE(card.substr(source, card.find("</source>") - source).find("notepad"), std::string::npos)
      << card;
  EXPECT_EQ(GetForegroundWindow(), pad);
  EXPECT_TRUE(WaitUntil([] { return ClipboardText() == L"earlier \U0001F600"; }))
      << ClipboardText();
  EXPECT_TRUE(WaitUntil([&] { return LastTip(bar, 0).starts_with(L"已收入资料卡：第一行"); }))
      << LastTip(bar, 0);
  EXPECT_FALSE(Visible(panel));

  // A page copied as a browser does: its address is the source (the time it takes: the bench).
  const HWND page = PageWindow();
  ASSERT_TRUE(PressKeys("ctrl+alt+c", page));
  const std::string pageCard = NewCard(2);
  EXPECT_NE(pageCard.find("<source>" + Gbk(kUrl) + "</source>"), std::string::npos) << pageCard;

  // The panel open with a card being typed: the captured card takes its own number, and the
  // typed one is stored when the panel moves on.
  SendCommand(bar, IDC_BTN_DATUM);
  Send(Control(panel, IDC_DATUMDLG_TEXT), EM_REPLACESEL, TRUE,
       reinterpret_cast<LPARAM>(L"typed in the panel"));
  ASSERT_TRUE(PressKeys("ctrl+alt+c", pad));
  NewCard(3);
  EXPECT_EQ(GetForegroundWindow(), pad);
  SendCommand(bar, IDC_BTN_DATUM);
  EXPECT_NE(NewCard(4).find("<part>typed in the panel</part>"), std::string::npos);

  // The trimming dialog open: the card joins its list, and leaving it by Escape loses nothing.
  const HWND trim = PostFor(panel, IDC_DATUMDLG_TRIM, L"Pimbrel 资料整理");
  ASSERT_TRUE(trim);
  ASSERT_TRUE(PressKeys("ctrl+alt+c", pad));
  EXPECT_TRUE(WaitUntil([&] {
    return Text(Control(trim, IDC_TRIM_STATUS)) == L"◆当前共有 5 条未整理的资料, 这是第 1 条◆";
  }));
  ASSERT_TRUE(CloseBy(trim, IDCANCEL));
  EXPECT_EQ(Cards().size(), 5u);

  // With Shift the panel opens with the text to edit; the datum button stores it.
  ASSERT_TRUE(PressKeys("ctrl+alt+shift+c", pad));
  EXPECT_TRUE(WaitUntil(
      [&] { return Visible(panel) && Text(Control(panel, IDC_DATUMDLG_TEXT)) == kLine; }));
  EXPECT_NE(Text(Control(panel, IDC_DATUMDLG_SOURCE)).find(L"notepad"), std::wstring::npos);
  Screenshot("datum_captured");
  SendCommand(bar, IDC_BTN_DATUM);
  EXPECT_EQ(Cards().size(), 6u);
  // The panel's paste names the page a browser copied.
  CopyAsABrowser(page);
  SendCommand(panel, IDC_DATUMDLG_PASTE);
  EXPECT_EQ(
      Text(Control(panel, IDC_DATUMDLG_TEXT)) + L"|" + Text(Control(panel, IDC_DATUMDLG_SOURCE)),
      std::wstring(L"page text|") + kUrl);
  ASSERT_TRUE(program->Exit());
}

}  // namespace
}  // namespace e2e
