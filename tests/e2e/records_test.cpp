// The notes and contacts panels: notes in three categories saved, paged with and without a
// filter, deleted and found again after a restart; a full contact saved to the byte and read back.
#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

#include "driver.h"

namespace e2e {
namespace {

// Both panels' controls.
constexpr int kCategory = 1026, kLabel = 1048, kText = 1002, kPrevious = 1001, kNext = 1003;
constexpr int kNew = 1010, kSave = 1013, kDelete = 1011, kFold = 1012;

class Records : public ::testing::Test {
 protected:
  void Open(int button) {  // starts the program in the test's folder and opens a panel
    program.emplace(folder);
    ASSERT_EQ(program->Panels().size(), 5u);
    ASSERT_TRUE(panel = program->ShowPanel(button));
  }
  std::wstring Shown() { return Text(Control(panel, kLabel)) + Text(Control(panel, kText)); }
  // Presses `button` on the panel's own message box with this caption; its text.
  std::wstring Answer(const std::wstring& caption, int button = IDOK) {
    const auto box = AnswerMessageBox(program->pid(), caption, button);
    return box && box->owner == panel ? box->text : L"<no message box of the panel>";
  }
  std::wstring Save(const std::wstring& text) {  // the note's text, or the contact's name
    SetText(Control(panel, kText), text);
    PostCommand(panel, kSave);
    return Answer(L"notice");
  }
  // Presses < and >, or chooses a digit's category (a new note); the labels shown after each.
  std::wstring Walk(const std::string& steps) {
    std::wstring labels;
    const HWND box = Control(panel, kCategory);
    for (char step : steps) {
      if (step == '<' || step == '>') SendCommand(panel, step == '<' ? kPrevious : kNext);
      if (step != '<' && step != '>' && Send(box, CB_SETCURSEL, step - '0') != CB_ERR)
        Send(panel, WM_COMMAND, CBN_SELCHANGE << 16 | kCategory, reinterpret_cast<LPARAM>(box));
      labels += Text(Control(panel, kLabel));
    }
    return labels;
  }

  std::wstring Field(int id) { return Text(Control(panel, id)); }

  std::wstring folder = FreshFolder(L"records");
  std::optional<Program> program;
  HWND panel = nullptr;
};

TEST_F(Records, NotesInThreeCategoriesPagedDeletedAndFoundAgainAfterARestart) {
  ASSERT_NO_FATAL_FAILURE(Open(1004));
  SendCommand(panel, kNew);
  EXPECT_EQ(Shown(), L"0: ");
  EXPECT_EQ(Save(L"first\r\nline two"), L"Message send to note\\n.0.xml Sucesful!");
  EXPECT_EQ(Walk("2"), L"1:");  // a diary begins with the date line
  const std::wstring diary = Text(Control(panel, kText)) + L"日记内容";
  EXPECT_NE(diary.find(L" 月 "), std::wstring::npos);
  Screenshot("notes_panel");
  EXPECT_EQ(Save(diary), L"Message send to note\\n.1.xml Sucesful!");
  EXPECT_EQ(Walk("3"), L"2:");
  EXPECT_EQ(Save(L"jotting"), L"Message send to note\\n.2.xml Sucesful!");
  const std::string conf = ReadBytes(folder + L"\\set\\sets.conf");
  EXPECT_NE(conf.find("[NOTE]\r\nmaxid=3\r\n"), std::string::npos);  // written as each was taken
  // Every note, then only the diaries; the diary goes, and the panel keeps showing it.
  EXPECT_EQ(Walk("0<<<<>>>2<<>"), L"3:2:1:0:0:1:2:3:3:1:1:1:");
  PostCommand(panel, kDelete);
  EXPECT_EQ(Answer(L"确认", IDYES), L"你确实要删除 note\\n.1.xml 文件吗?");
  EXPECT_EQ(Answer(L"信息"), L"成功删除 note\\n.1.xml!");
  EXPECT_EQ(Shown(), L"1:" + diary);
  SendCommand(panel, kFold);
  EXPECT_FALSE(Visible(panel));
  ASSERT_TRUE(program->Exit());

  // A new start: the same notes, the gap skipped, new notes after the last number.
  ASSERT_NO_FATAL_FAILURE(Open(1004));
  Walk("<");  // to the only ordinary note
  EXPECT_EQ(Shown(), L"0:first\r\nline two");
  EXPECT_EQ(Walk("0<<>>"), L"3:2:0:2:3:");
}

constexpr int kName = 1002, kMale = 1033, kFemale = 1034, kMonth = 1035, kDay = 1027,
              kComuLabel = 1047;
// The edit boxes of a full contact and what is typed into them.
// clang-format off
const std::pair<int, const wchar_t*> kTexts[] = {
    {kName, L"王小明"}, {1016, L"1980"}, {1019, L"010-62345678"}, {1020, L"010-87654321"},
    {1030, L"13900001111"}, {1037, L"191-2345"}, {1038, L"wang@example.com"},
    {1039, L"xm@example.org"}, {1042, L"http://example.com"}, {1043, L"http://wang.example.net"},
    {1040, L"123456"}, {1041, L"7654321"}, {1044, L"北京市海淀区中关村大街1号"}, {1045, L"100080"},
    {1046, L"第一行\r\n第二行：备注"}};
// clang-format on
const char kFullDocument[] =  // what they are saved as, with 亲属, male and 1980-03-15 chosen
    "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n\r\n<comu>\r\n"
    "\t<name>\xCD\xF5\xD0\xA1\xC3\xF7</name>\r\n\t<class>4</class>\r\n\t<sex>male</sex>\r\n"
    "\t<birthday>1980- 2-14</birthday>\r\n\t<Tel class=\"Office\">010-62345678</Tel>\r\n"
    "\t<Tel class=\"home\">010-87654321</Tel>\r\n\t<Tel class=\"handset\">13900001111</Tel>\r\n"
    "\t<Tel class=\"BP\">191-2345</Tel>\r\n\t<email>wang@example.com</email>\r\n"
    "\t<email>xm@example.org</email>\r\n\t<companyweb>http://example.com</companyweb>\r\n"
    "\t<homepage>http://wang.example.net</homepage>\r\n\t<oicq>123456</oicq>\r\n"
    "\t<icq>7654321</icq>\r\n"
    // 北京市海淀区中关村大街1号
    "\t<address>\xB1\xB1\xBE\xA9\xCA\xD0\xBA\xA3\xB5\xED\xC7\xF8\xD6\xD0\xB9\xD8\xB4\xE5"
    "\xB4\xF3\xBD\xD6\x31\xBA\xC5</address>\r\n\t<postnumber>100080</postnumber>\r\n"
    // 第一行, 第二行：备注
    "\t<note>\xB5\xDA\xD2\xBB\xD0\xD0\r\n\xB5\xDA\xB6\xFE\xD0\xD0\xA3\xBA\xB1\xB8\xD7\xA2"
    "</note>\r\n</comu>";

TEST_F(Records, AFullContactIsSavedAsItsDocumentAndReadBackBothWays) {
  ASSERT_NO_FATAL_FAILURE(Open(1005));
  const auto press = [&](int button) { return SendCommand(panel, button), Field(kComuLabel); };
  using Choices = std::vector<LRESULT>;
  const auto choices = [&] {  // the class, month and day chosen; male and female checked
    Choices states;
    for (int id : {kCategory, kMonth, kDay})
      states.push_back(Send(Control(panel, id), CB_GETCURSEL));
    for (int id : {kMale, kFemale}) states.push_back(Send(Control(panel, id), BM_GETCHECK));
    return states;
  };
  // A first contact with a name alone: nothing chosen, neither sex.
  EXPECT_EQ(Save(L"甲"), L"Message send to communication\\com.0.xml Sucesful!");
  EXPECT_EQ(Field(kComuLabel), L"0:");
  EXPECT_EQ(press(kNew), L"1:");
  for (const auto& [id, value] : kTexts) SetText(Control(panel, id), value);
  Send(Control(panel, kCategory), CB_SETCURSEL, 4);
  Send(Control(panel, kMale), BM_CLICK);
  Send(Control(panel, kMonth), CB_SETCURSEL, 2);
  Send(Control(panel, kDay), CB_SETCURSEL, 14);
  EXPECT_EQ(Save(L"王小明"), L"Message send to communication\\com.1.xml Sucesful!");
  EXPECT_EQ(ReadBytes(folder + L"\\communication\\com.1.xml"), kFullDocument);
  EXPECT_NE(ReadBytes(folder + L"\\set\\sets.conf").find("[COMU]\r\nmaxid=2\r\n"),
            std::string::npos);  // kept as soon as it is taken
  // Each step replaces every field; "--1--1" reads back as month 0, day 1.
  EXPECT_EQ(press(kPrevious), L"0:");
  for (const auto& [id, value] : kTexts) EXPECT_EQ(Field(id), id == kName ? L"甲" : L"") << id;
  EXPECT_EQ(choices(), (Choices{-1, 0, 1, BST_UNCHECKED, BST_CHECKED}));  // neither is female
  EXPECT_EQ(press(kNext), L"1:");
  for (const auto& [id, value] : kTexts) EXPECT_EQ(Field(id), value) << id;
  EXPECT_EQ(choices(), (Choices{4, 2, 14, BST_CHECKED, BST_UNCHECKED}));
  Screenshot("contacts_panel");
  EXPECT_EQ(press(kNext), L"2:");  // past the last one: a new entry, nothing chosen
  EXPECT_EQ(Field(kName), L"");
  EXPECT_EQ(choices(), (Choices{-1, -1, -1, BST_UNCHECKED, BST_UNCHECKED}));
  EXPECT_TRUE(program->Exit());
}

}  // namespace
}  // namespace e2e
