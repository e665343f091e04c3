// The search window: opened from every entry point on its scope, found as the user types,
// the chosen record opened where it is edited, and its place kept across runs. What matches
// what is the search engine's unit tests'.
#include "driver.h"

namespace e2e {
namespace {

const wchar_t kCaption[] = L"Pimbrel 搜索";

class Search : public ProgramTest {
 protected:
  // Sends `command` to `to` (the bar or a panel); the window then shows on scope `scope`. Sent,
  // not posted: the window may be open already, so its showing cannot tell that the command
  // was taken.
  void OpenBy(HWND to, int command, int scope) {
    SendCommand(to, command);
    ASSERT_TRUE(window = WaitWindow(program->pid(), kCaption)) << command;
    query = Control(window, IDC_SEARCH_QUERY);
    list = Control(window, IDC_SEARCH_LIST);
    EXPECT_EQ(Send(Control(window, IDC_SEARCH_SCOPE), CB_GETCURSEL), scope) << command;
  }
  // The titles listed, once the reading is done.
  std::vector<std::wstring> Column() {
    WaitUntil([&] { return Text(Control(window, IDC_SEARCH_STATUS)).starts_with(L"找到"); });
    std::vector<std::wstring> cells(static_cast<size_t>(Send(list, LVM_GETITEMCOUNT)));
    for (size_t row = 0; row < cells.size(); ++row) cells[row] = ItemText(list, row, 1);
    return cells;
  }
  // Types `text` and waits until `count` records are listed.
  std::vector<std::wstring> Find(const std::wstring& text, size_t count) {
    SetText(query, L"");
    SetText(query, text);
    WaitUntil([&] { return Column().size() == count; });
    return Column();
  }
  // A real key for the query box, through the program's own message loop.
  void Key(WPARAM key) { Post(query, WM_KEYDOWN, key); }

  HWND window = nullptr, query = nullptr, list = nullptr;
};

TEST_F(Search, EachEntryPointFindsAsTheUserTypesOpensWhereTheRecordIsEditedAndKeepsItsPlace) {
  // A contact, a note of 随感 and two cards share nothing but the contact's pinyin and a word.
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_COMU));
  const HWND bar = program->Bar(), contacts = panel;
  EXPECT_EQ(program->SaveRecord(contacts, L"王小明", true), 0);
  SendCommand(contacts, IDC_COMU_NEW);
  const HWND notes = program->ShowPanel(IDC_BTN_NOTE);
  const HWND category = Control(notes, IDC_NOTE_CATEGORY);
  const auto choose = [&](int index) {  // as a user picks a category: a new note begins
    Send(category, CB_SETCURSEL, index);
    Send(notes, WM_COMMAND, CBN_SELCHANGE << 16 | IDC_NOTE_CATEGORY,
         reinterpret_cast<LPARAM>(category));
  };
  choose(3);
  EXPECT_EQ(program->SaveRecord(notes, L"会议纪要 橄榄树"), 0);
  const HWND datum = program->ShowPanel(IDC_BTN_DATUM);
  const auto capture = [&](const wchar_t* title, const wchar_t* text) {
    SetText(Control(datum, IDC_DATUMDLG_TITLE), title);
    Send(Control(datum, IDC_DATUMDLG_TEXT), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    SendCommand(bar, IDC_BTN_DATUM);  // stores it
  };
  capture(L"橄榄油", L"橄榄 trimmed");
  const HWND trim = PostFor(datum, IDC_DATUMDLG_TRIM, L"Pimbrel 资料整理");
  ASSERT_TRUE(trim);
  for (int mark : {IDC_TRIM_BOOKMARK, IDC_TRIM_INDEX}) Send(Control(trim, mark), BM_SETCHECK, 1);
  PostCommand(trim, IDOK);  // into the bookmark and index lists
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(trim) && Visible(datum); }));
  capture(L"橄榄枝", L"橄榄 untrimmed");

  // The small triangle: everything. Open to results over the collection, timed.
  const ULONGLONG start = GetTickCount64();
  ASSERT_NO_FATAL_FAILURE(OpenBy(bar, IDC_BTN_MORE, 0));
  std::vector<std::wstring> found = Find(L"橄榄", 3);
  EXPECT_LT(GetTickCount64() - start, 1000u) << "ms from the command to the results";
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::wstring>{L"会议纪要 橄榄树", L"橄榄枝", L"橄榄油"}));
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &gui);
  EXPECT_EQ(gui.hwndFocus, query);
  EXPECT_EQ(std::pair(Rect(window).left, Rect(window).top),  // below the bar, beside its panels
            std::pair(Rect(bar).right, Rect(bar).bottom));
  Screenshot("search");

  // 人员: the contact by the initials of its name, opened in the contacts panel.
  ASSERT_NO_FATAL_FAILURE(OpenBy(bar, ID_SEARCH_PEOPLE, 3));
  EXPECT_EQ(Find(L"wxm", 1), std::vector<std::wstring>{L"王小明"});
  Key(VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return Visible(contacts); }));
  EXPECT_EQ(Text(Control(contacts, IDC_COMU_NAME)), L"王小明");
  EXPECT_EQ(Text(Control(contacts, IDC_COMU_ID)), L"0:");

  // 文字: the note, under its own category; the text typed over a new one is not kept.
  ASSERT_NO_FATAL_FAILURE(OpenBy(bar, ID_SEARCH_TEXT, 2));
  EXPECT_EQ(Find(L"橄榄", 1), std::vector<std::wstring>{L"会议纪要 橄榄树"});
  choose(0);
  SetText(Control(notes, IDC_NOTE_TEXT), L"未保存");
  Key(VK_RETURN);
  ASSERT_TRUE(AnswerMessageBox(program->pid(), L"Pimbrel", IDNO));  // not saved
  EXPECT_TRUE(WaitUntil([&] { return Text(Control(notes, IDC_NOTE_TEXT)) == L"会议纪要 橄榄树"; }));
  EXPECT_EQ(Send(category, CB_GETCURSEL), 3);
  EXPECT_EQ(program->VisiblePanels(), std::vector<HWND>{notes});

  // 资料, from the datum panel's "§": the untrimmed card at its place among the untrimmed,
  // the trimmed one selected in the browser.
  ASSERT_NO_FATAL_FAILURE(OpenBy(datum, IDC_DATUMDLG_SEARCH, 1));
  const std::vector<std::wstring> cards = Find(L"橄榄", 2);
  ASSERT_EQ(cards.size(), 2u);
  const bool untrimmedFirst = cards[0] == L"橄榄枝";  // Up and Down move in the list
  Key(untrimmedFirst ? VK_UP : VK_DOWN);
  Key(VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return Visible(datum); }));
  EXPECT_EQ(Text(Control(datum, IDC_DATUMDLG_TITLE)), L"橄榄枝");
  EXPECT_EQ(Text(Control(datum, IDC_DATUMDLG_TEXT)), L"橄榄 untrimmed");
  EXPECT_FALSE(IsWindowEnabled(Control(datum, IDC_DATUMDLG_PREV)));  // the one untrimmed
  Key(untrimmedFirst ? VK_DOWN : VK_UP);
  Key(VK_RETURN);
  const HWND browser = program->Owned(datum);
  ASSERT_TRUE(browser);
  EXPECT_TRUE(WaitUntil(
      [&] { return Text(Control(browser, IDC_TREE_HEADER)).starts_with(L"标题:橄榄油\r\n"); }));

  // "β" and "‖": the cards of the bookmark and the index list, all of them.
  for (const auto& [button, scope] :
       {std::pair{IDC_DATUMDLG_BOOKMARK, 4}, std::pair{IDC_DATUMDLG_INDEX, 5}}) {
    ASSERT_NO_FATAL_FAILURE(OpenBy(datum, button, scope));
    EXPECT_EQ(Text(query), L"");
    EXPECT_EQ(Column(), std::vector<std::wstring>{L"橄榄油"});
  }
  Key(VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return !Visible(window); }));

  // From the contacts panel's "§": a contact saved while the window is open is found at the
  // next keystroke.
  ASSERT_NO_FATAL_FAILURE(OpenBy(contacts, IDC_COMU_SEARCH, 3));
  EXPECT_TRUE(Find(L"橄榄", 0).empty());
  EXPECT_EQ(program->SaveRecord(contacts, L"橄榄球迷", true), 1);
  EXPECT_EQ(Find(L"橄榄", 1), std::vector<std::wstring>{L"橄榄球迷"});

  // The end of the session closes it; a session that goes on opens it where it was left.
  SetWindowPos(window, nullptr, 400, 300, 0, 0, SWP_NOSIZE);
  EXPECT_EQ(Send(bar, WM_QUERYENDSESSION), TRUE);
  EXPECT_FALSE(IsWindow(window));
  Send(bar, WM_ENDSESSION, FALSE);
  ASSERT_NO_FATAL_FAILURE(OpenBy(bar, ID_SEARCH_TEXT, 2));
  EXPECT_EQ(std::pair(Rect(window).left, Rect(window).top), std::pair(400L, 300L));
  // Left off every screen, and open at exit (no dialog the exit waits for): the next run
  // brings it back at the edges it went past.
  SetWindowPos(window, nullptr, 5000, -900, 0, 0, SWP_NOSIZE);
  ASSERT_TRUE(program->Exit());
  // The records are kept at exit and the next run answers from them. A note rewritten behind
  // its back with its size and time kept shows that: the listing cannot tell, so the old
  // words still find it.
  const std::wstring note = folder + L"\\note\\n.0.xml";
  std::string bytes = ReadBytes(note);
  const size_t at = bytes.find("\xe9\xcf\xe9\xad");  // 橄榄 in GBK
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 4, "\xc6\xbb\xb9\xfb");  // 苹果
  // A handle for the times alone shares the file with the write.
  const HANDLE stamps =
      CreateFileW(note.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME written{};
  GetFileTime(stamps, nullptr, nullptr, &written);
  WriteBytes(note, bytes);
  const bool kept = SetFileTime(stamps, nullptr, nullptr, &written);
  CloseHandle(stamps);
  ASSERT_TRUE(kept);
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_NOTE));
  ASSERT_NO_FATAL_FAILURE(OpenBy(program->Bar(), ID_SEARCH_TEXT, 2));
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(std::pair(Rect(window).right, Rect(window).top), std::pair(work.right, work.top));
  EXPECT_EQ(Find(L"橄榄", 1), std::vector<std::wstring>{L"会议纪要 橄榄树"});
  ASSERT_TRUE(program->Exit());
}

}  // namespace
}  // namespace e2e
