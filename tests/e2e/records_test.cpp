// The notes and contacts panels: records saved, stepped over and deleted; a note's category
// and every field of a contact, characters beyond GBK too. Numbers, gaps and document bytes
// are the unit tests' (records_test, xml_documents_test, text_test).
#include "driver.h"

namespace e2e {
namespace {

class Records : public ProgramTest {
 protected:
  // Presses < and >, or chooses a digit's category; the labels shown after each.
  std::wstring Walk(const std::string& steps, int label = IDC_NOTE_ID) {
    std::wstring labels;
    const HWND box = Control(panel, IDC_NOTE_CATEGORY);
    for (char step : steps) {
      if (step == '<' || step == '>')
        SendCommand(panel, step == '<' ? IDC_NOTE_PREV : IDC_NOTE_NEXT);
      else if (Send(box, CB_SETCURSEL, step - '0') != CB_ERR)
        Send(panel, WM_COMMAND, CBN_SELCHANGE << 16 | IDC_NOTE_CATEGORY,
             reinterpret_cast<LPARAM>(box));
      labels += Text(Control(panel, label));
    }
    return labels;
  }
  // Deletes the record shown, whose file the question and the notice name; folds the panel.
  void DeleteAndFold(const std::wstring& file) {
    PostCommand(panel, IDC_NOTE_DELETE);
    EXPECT_NE(Answer(L"确认", IDYES).find(file), std::wstring::npos);
    EXPECT_NE(Answer(L"信息").find(file), std::wstring::npos);
    SendCommand(panel, IDC_NOTE_FOLD);
    EXPECT_FALSE(Visible(panel));
    EXPECT_TRUE(program->Exit());
  }
};

TEST_F(Records, AChosenCategoryStartsANoteWhichOnlyItsFilterStepsTo) {
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_NOTE));
  EXPECT_EQ(program->SaveRecord(panel, L"first", true), 0);
  EXPECT_EQ(Walk("2"), L"1:");  // a diary, begun with the date line
  const std::wstring diary = Text(Control(panel, IDC_NOTE_TEXT)) + L"日记内容";
  Screenshot("notes_panel");
  EXPECT_EQ(program->SaveRecord(panel, diary), 1);
  EXPECT_EQ(Walk("3"), L"2:");
  EXPECT_EQ(program->SaveRecord(panel, L"jotting"), 2);
  EXPECT_EQ(Walk("0<>2<"), L"3:2:3:3:1:");  // only the diary filter steps past the jotting
  EXPECT_EQ(Text(Control(panel, IDC_NOTE_TEXT)), diary);
  DeleteAndFold(L"note\\n.1.xml");
}

// Another computer writes the note shown through the synced folder, as a sync service does
// (a temporary file put in its place): the panel shows the note as it is now, without a restart;
// removed there, it gives way to a new note without taking the keyboard.
TEST_F(Records, ANoteWrittenOnAnotherComputerShowsAsItIsNow) {
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_NOTE));
  ASSERT_EQ(program->SaveRecord(panel, L"mine", true), 0);
  std::string note = File(L"note\\n.0.xml");
  const size_t at = note.find("mine");
  ASSERT_NE(at, std::string::npos);
  note.replace(at, 4, "theirs");
  const std::wstring temporary = folder + L"\\note\\.syncthing.n.0.xml.tmp";
  WriteBytes(temporary, note);
  ASSERT_TRUE(MoveFileExW(temporary.c_str(), (folder + L"\\note\\n.0.xml").c_str(),
                          MOVEFILE_REPLACE_EXISTING));
  EXPECT_TRUE(WaitUntil([&] { return Text(Control(panel, IDC_NOTE_TEXT)) == L"theirs"; }));
  EXPECT_EQ(Text(Control(panel, IDC_NOTE_ID)), L"0:");
  // Removed there while another panel is in use: the hidden notes panel begins a new note,
  // and the keyboard stays where the user is.
  ASSERT_TRUE(program->ShowPanel(IDC_BTN_COMU));
  ASSERT_TRUE(DeleteFileW((folder + L"\\note\\n.0.xml").c_str()));
  EXPECT_TRUE(WaitUntil([&] { return Text(Control(panel, IDC_NOTE_ID)) == L"1:"; }));
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  GetGUIThreadInfo(GetWindowThreadProcessId(panel, nullptr), &gui);
  EXPECT_FALSE(Visible(panel));
  EXPECT_NE(GetAncestor(gui.hwndFocus, GA_ROOT), panel);
  EXPECT_NE(gui.hwndActive, panel);
  EXPECT_TRUE(program->Exit());
}

// A record another program holds open without delete sharing, as a Windows sync client does
// while it uploads: the save waits a few seconds for it, then says so, and the text stays in
// the panel. (The wait itself and saving after a failed write: the unit tests'.)
TEST_F(Records, ASaveOverAFileASyncClientHoldsSaysSoAndKeepsTheText) {
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_NOTE));
  ASSERT_EQ(program->SaveRecord(panel, L"first", true), 0);
  const std::wstring path = folder + L"\\note\\n.0.xml";
  const HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  SetText(Control(panel, IDC_NOTE_TEXT), L"second");
  PostCommand(panel, IDC_NOTE_SAVE);
  const auto told = AnswerMessageBox(program->pid(), L"note\\n.0.xml");
  CloseHandle(held);
  ASSERT_TRUE(told);
  EXPECT_EQ(told->text, L"Can`t Open note\\n.0.xml to write!");
  EXPECT_EQ(Text(Control(panel, IDC_NOTE_TEXT)), L"second");
  EXPECT_NE(File(L"note\\n.0.xml").find("first"), std::string::npos);
  EXPECT_TRUE(program->Exit());
}

// A note changed on two computers at once: the start's balloon tells it, a click on it shows
// both versions side by side, and keeping both makes the other version the next note, which
// the open panel steps back to. The decisions themselves are the unit tests' (sync_test).
TEST_F(Records, ANoteChangedOnTwoComputersIsShownSideBySideAndBothAreKept) {
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_NOTE));
  ASSERT_EQ(program->SaveRecord(panel, L"mine", true), 0);
  ASSERT_TRUE(program->Exit());
  std::string theirs = File(L"note\\n.0.xml");
  theirs.replace(theirs.find("mine"), 4, "theirs");
  const std::wstring copy = L"note\\n.0.sync-conflict-20261207-145046-QRQ24IX.xml";
  WriteBytes(folder + L"\\" + copy, theirs);

  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_NOTE));
  const HWND bar = program->Bar();
  EXPECT_TRUE(WaitUntil([&] { return LastTip(bar, 0) == L"有 1 条记录在两台电脑上都修改过"; }))
      << Gbk(LastTip(bar, 0));
  ClickBalloon(bar);
  const HWND window = WaitWindow(program->pid(), L"在两台电脑上都修改过的记录");
  ASSERT_TRUE(window);
  EXPECT_NE(Text(Control(window, IDC_CONFLICT_MINE)).find(L"\r\n\r\nmine"), std::wstring::npos);
  EXPECT_NE(Text(Control(window, IDC_CONFLICT_OTHER)).find(L"\r\n\r\ntheirs"), std::wstring::npos);
  Screenshot("conflicts");
  EXPECT_TRUE(CloseBy(window, IDC_CONFLICT_BOTH));  // the last pair decided
  EXPECT_EQ(Walk("<"), L"1:");
  EXPECT_EQ(Text(Control(panel, IDC_NOTE_TEXT)), L"theirs");
  EXPECT_TRUE(program->Exit());
}

// The edit boxes of a full contact, what is typed into them and the tag it is saved under.
struct Field {
  int id;
  const wchar_t *value, *tag;
};
const Field kFields[] = {{IDC_COMU_NAME, L"王小明", L"<name>"},
                         {IDC_COMU_YEAR, L"1980", L"<birthday>"},
                         {IDC_COMU_TEL_OFFICE, L"010-62345678", L"<Tel class=\"Office\">"},
                         {IDC_COMU_TEL_HOME, L"010-87654321", L"<Tel class=\"home\">"},
                         {IDC_COMU_HANDSET, L"13900001111", L"<Tel class=\"handset\">"},
                         {IDC_COMU_BP, L"191-2345", L"<Tel class=\"BP\">"},
                         {IDC_COMU_EMAIL, L"wang@example.com", L"<email>"},
                         {IDC_COMU_EMAIL2, L"xm@example.org", L"</email>\r\n\t<email>"},
                         {IDC_COMU_COMPANYWEB, L"http://example.com", L"<companyweb>"},
                         {IDC_COMU_HOMEPAGE, L"http://wang.example.net", L"<homepage>"},
                         {IDC_COMU_OICQ, L"123456", L"<oicq>"},
                         {IDC_COMU_ICQ, L"7654321", L"<icq>"},
                         {IDC_COMU_ADDRESS, L"北京市海淀区中关村大街1号", L"<address>"},
                         {IDC_COMU_POSTNUMBER, L"100080", L"<postnumber>"},
                         {IDC_COMU_NOTE, L"第一行\r\n第二行：备注", L"<note>"}};

TEST_F(Records, EveryFieldOfAContactIsSavedUnderItsTagAndReadBackBothWays) {
  ASSERT_NO_FATAL_FAILURE(Open(IDC_BTN_COMU));
  using Choices = std::vector<LRESULT>;
  const auto choices = [&] {  // the class, month and day chosen; male and female checked
    const auto get = [&](int id, UINT message) { return Send(Control(panel, id), message); };
    return Choices{get(IDC_COMU_CLASS, CB_GETCURSEL), get(IDC_COMU_MONTH, CB_GETCURSEL),
                   get(IDC_COMU_DAY, CB_GETCURSEL), get(IDC_COMU_MALE, BM_GETCHECK),
                   get(IDC_COMU_FEMALE, BM_GETCHECK)};
  };
  const std::wstring beyondGbk = L"\U00020BB7\u4DAE";   // 𠮷䶮
  EXPECT_EQ(program->SaveRecord(panel, beyondGbk), 0);  // a name alone: nothing chosen
  SendCommand(panel, IDC_COMU_NEW);
  for (const Field& f : kFields) SetText(Control(panel, f.id), f.value);
  Send(Control(panel, IDC_COMU_CLASS), CB_SETCURSEL, 4);
  Send(Control(panel, IDC_COMU_MALE), BM_CLICK);
  Send(Control(panel, IDC_COMU_MONTH), CB_SETCURSEL, 2);
  Send(Control(panel, IDC_COMU_DAY), CB_SETCURSEL, 14);
  EXPECT_EQ(program->SaveRecord(panel, kFields[0].value), 1);
  const std::string saved = File(L"communication\\com.1.xml");
  for (const Field& f : kFields)
    EXPECT_EQ(Count(saved, Gbk(f.tag + std::wstring(f.value))), 1u) << f.id;
  EXPECT_EQ(Count(saved, "<class>4</class>\r\n\t<sex>male</sex>\r\n\t<birthday>1980- 2-14<"), 1u);
  // Each step replaces every field; "--1--1" reads back as month 0, day 1.
  EXPECT_EQ(Walk("<", IDC_COMU_ID), L"0:");
  for (const Field& f : kFields)
    EXPECT_EQ(Text(Control(panel, f.id)), f.id == IDC_COMU_NAME ? beyondGbk : L"");
  EXPECT_EQ(choices(), (Choices{-1, 0, 1, BST_UNCHECKED, BST_CHECKED}));
  EXPECT_EQ(Walk(">", IDC_COMU_ID), L"1:");
  for (const Field& f : kFields) EXPECT_EQ(Text(Control(panel, f.id)), f.value) << f.id;
  EXPECT_EQ(choices(), (Choices{4, 2, 14, BST_CHECKED, BST_UNCHECKED}));
  Screenshot("contacts_panel");
  DeleteAndFold(L"communication\\com.1.xml");
}

}  // namespace
}  // namespace e2e
