// The address book: a contact with every field is saved as its document, read back through
// Previous and Next, and the panel shows below the bar.
#include <gtest/gtest.h>

#include <map>

#include "driver.h"

namespace e2e {
namespace {

constexpr int kName = 1002, kMale = 1033, kFemale = 1034, kYear = 1016, kMonth = 1035, kDay = 1027,
              kClass = 1026, kNote = 1046, kLabel = 1047;
constexpr int kPrevious = 1001, kNext = 1003, kNew = 1010, kSave = 1013, kFold = 1012,
              kAwoke = 1000;

// The one-line edit boxes of a full contact, in the order of the document.
const std::map<int, std::wstring> kTexts = {{1019, L"010-62345678"},
                                            {1020, L"010-87654321"},
                                            {1030, L"13900001111"},
                                            {1037, L"191-2345"},
                                            {1038, L"wang@example.com"},
                                            {1039, L"xm@example.org"},
                                            {1042, L"http://example.com"},
                                            {1043, L"http://wang.example.net"},
                                            {1040, L"123456"},
                                            {1041, L"7654321"},
                                            {1044, L"北京市海淀区中关村大街1号"},
                                            {1045, L"100080"}};
const wchar_t kRemark[] = L"第一行\r\n第二行：备注";

class Contacts : public ::testing::Test {
 protected:
  void SetText(int id, const std::wstring& text) {
    Send(Control(panel, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  std::wstring TextOf(int id) { return Text(Control(panel, id)); }
  LRESULT Selection(int id) { return Send(Control(panel, id), CB_GETCURSEL); }
  bool Checked(int id) { return Send(Control(panel, id), BM_GETCHECK) == BST_CHECKED; }
  // Save shows its message box; its text is the answer.
  std::wstring Save(Program& program) {
    PostCommand(panel, kSave);
    const auto box = AnswerMessageBox(program.pid(), L"notice");
    return box ? box->text : L"<no message>";
  }
  void ExpectFull() {
    EXPECT_EQ(TextOf(kName), L"王小明");
    EXPECT_EQ(Selection(kClass), 4);  // 亲属
    EXPECT_TRUE(Checked(kMale));
    EXPECT_FALSE(Checked(kFemale));
    EXPECT_EQ(TextOf(kYear), L"1980");
    EXPECT_EQ(Selection(kMonth), 2);  // March
    EXPECT_EQ(TextOf(kMonth), L" 3");
    EXPECT_EQ(Selection(kDay), 14);
    EXPECT_EQ(TextOf(kDay), L"15");
    for (const auto& [id, text] : kTexts) EXPECT_EQ(TextOf(id), text) << id;
    EXPECT_EQ(TextOf(kNote), kRemark);
  }

  HWND panel = nullptr;
};

TEST_F(Contacts, AFullContactIsSavedAsItsDocumentAndReadBackBothWays) {
  const std::wstring folder = FreshFolder(L"contacts");
  Program program(folder);
  const HWND bar = program.Bar();
  ASSERT_EQ(program.Panels().size(), 5u);
  SendCommand(bar, 1005);
  ASSERT_EQ(program.VisiblePanels().size(), 1u);
  panel = program.VisiblePanels()[0];
  EXPECT_EQ(Rect(panel).left, Rect(bar).left);
  EXPECT_EQ(Rect(panel).top, Rect(bar).bottom);
  EXPECT_EQ(TextOf(kLabel), L"id:");

  // A first contact with a name alone: nothing chosen, neither sex.
  SetText(kName, L"甲");
  EXPECT_EQ(Save(program), L"Message send to communication\\com.0.xml Sucesful!");
  EXPECT_EQ(TextOf(kLabel), L"0:");
  const std::string first = ReadBytes(folder + L"\\communication\\com.0.xml");
  EXPECT_NE(first.find("\t<name>\xBC\xD7</name>\r\n\t<class>-1</class>\r\n\t<sex>female</sex>\r\n"
                       "\t<birthday>--1--1</birthday>\r\n"),
            std::string::npos)
      << first;

  SendCommand(panel, kNew);
  EXPECT_EQ(TextOf(kLabel), L"1:");
  EXPECT_EQ(TextOf(kName), L"");
  SetText(kName, L"王小明");
  Send(Control(panel, kClass), CB_SETCURSEL, 4);
  Send(Control(panel, kMale), BM_CLICK);
  SetText(kYear, L"1980");
  Send(Control(panel, kMonth), CB_SETCURSEL, 2);
  Send(Control(panel, kDay), CB_SETCURSEL, 14);
  for (const auto& [id, text] : kTexts) SetText(id, text);
  SetText(kNote, kRemark);
  EXPECT_EQ(Save(program), L"Message send to communication\\com.1.xml Sucesful!");
  EXPECT_EQ(ReadBytes(folder + L"\\communication\\com.1.xml"),
            "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n\r\n<comu>\r\n"
            "\t<name>\xCD\xF5\xD0\xA1\xC3\xF7</name>\r\n"  // 王小明
            "\t<class>4</class>\r\n\t<sex>male</sex>\r\n\t<birthday>1980- 2-14</birthday>\r\n"
            "\t<Tel class=\"Office\">010-62345678</Tel>\r\n"
            "\t<Tel class=\"home\">010-87654321</Tel>\r\n"
            "\t<Tel class=\"handset\">13900001111</Tel>\r\n\t<Tel class=\"BP\">191-2345</Tel>\r\n"
            "\t<email>wang@example.com</email>\r\n\t<email>xm@example.org</email>\r\n"
            "\t<companyweb>http://example.com</companyweb>\r\n"
            "\t<homepage>http://wang.example.net</homepage>\r\n"
            "\t<oicq>123456</oicq>\r\n\t<icq>7654321</icq>\r\n"
            // 北京市海淀区中关村大街1号
            "\t<address>\xB1\xB1\xBE\xA9\xCA\xD0\xBA\xA3\xB5\xED\xC7\xF8\xD6\xD0\xB9\xD8\xB4\xE5"
            "\xB4\xF3\xBD\xD6"
            "1\xBA\xC5</address>\r\n"
            "\t<postnumber>100080</postnumber>\r\n"
            // 第一行, 第二行：备注
            "\t<note>\xB5\xDA\xD2\xBB\xD0\xD0\r\n\xB5\xDA\xB6\xFE\xD0\xD0\xA3\xBA\xB1\xB8\xD7\xA2"
            "</note>\r\n</comu>");
  // The number is kept as soon as it is taken.
  EXPECT_NE(ReadBytes(folder + L"\\set\\sets.conf").find("[COMU]\r\nmaxid=2\r\n"),
            std::string::npos);

  // Previous brings the first contact back over the full one: every field is replaced.
  SendCommand(panel, kPrevious);
  EXPECT_EQ(TextOf(kLabel), L"0:");
  EXPECT_EQ(TextOf(kName), L"甲");
  EXPECT_TRUE(Checked(kFemale));  // stored as female
  EXPECT_FALSE(Checked(kMale));
  EXPECT_EQ(Selection(kClass), -1);
  // "--1--1": no month text, so the month keeps its start value; the day reads "1--1" as 1.
  EXPECT_EQ(Selection(kMonth), 0);
  EXPECT_EQ(Selection(kDay), 1);
  for (const auto& [id, text] : kTexts) EXPECT_EQ(TextOf(id), L"") << id;
  EXPECT_EQ(TextOf(kNote), L"");

  SendCommand(panel, kNext);
  EXPECT_EQ(TextOf(kLabel), L"1:");
  ExpectFull();
  Screenshot("contacts_panel");

  // Past the last one a new entry begins; Previous reads the full one back again.
  SendCommand(panel, kNext);
  EXPECT_EQ(TextOf(kLabel), L"2:");
  EXPECT_EQ(TextOf(kName), L"");
  EXPECT_FALSE(Checked(kMale) || Checked(kFemale));
  EXPECT_EQ(Selection(kMonth), -1);
  SendCommand(panel, kPrevious);
  EXPECT_EQ(TextOf(kLabel), L"1:");
  ExpectFull();

  PostCommand(panel, kAwoke);
  const auto awoke = AnswerMessageBox(program.pid(), L"info");
  ASSERT_TRUE(awoke);
  EXPECT_EQ(awoke->text, L"Sorry,The awoke not support in this version!");
  SendCommand(panel, kFold);
  EXPECT_TRUE(program.VisiblePanels().empty());
  EXPECT_TRUE(program.Exit());
  EXPECT_NE(ReadBytes(folder + L"\\set\\sets.conf").find("[COMU]\r\nmaxid=2\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace e2e
