// The address book through its window: a full contact is saved as its document and read back.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "driver.h"

namespace e2e {
namespace {

constexpr int kName = 1002, kMale = 1033, kFemale = 1034, kMonth = 1035, kDay = 1027, kClass = 1026,
              kLabel = 1047, kPrevious = 1001, kNext = 1003, kNew = 1010, kSave = 1013;
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

TEST(Contacts, AFullContactIsSavedAsItsDocumentAndReadBackBothWays) {
  const std::wstring folder = FreshFolder(L"contacts");
  Program program(folder);
  ASSERT_EQ(program.Panels().size(), 5u);  // made by the bar's start-up timer
  SendCommand(program.Bar(), 1005);
  const HWND panel = program.VisiblePanels().at(0);
  const auto text = [&](int id) { return Text(Control(panel, id)); };
  const auto setText = [&](int id, const std::wstring& value) {
    Send(Control(panel, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
  };
  const auto press = [&](int button) { return SendCommand(panel, button), text(kLabel); };
  const auto save = [&] {  // answers the message box Save shows, and gives its text
    PostCommand(panel, kSave);
    return AnswerMessageBox(program.pid(), L"notice").value_or(MessageBoxSeen{}).text;
  };
  using Choices = std::vector<LRESULT>;
  const auto choices = [&] {  // the class, month and day chosen; male and female checked
    Choices states;
    for (int id : {kClass, kMonth, kDay}) states.push_back(Send(Control(panel, id), CB_GETCURSEL));
    for (int id : {kMale, kFemale}) states.push_back(Send(Control(panel, id), BM_GETCHECK));
    return states;
  };
  // A first contact with a name alone: nothing chosen, neither sex.
  setText(kName, L"甲");
  EXPECT_EQ(save(), L"Message send to communication\\com.0.xml Sucesful!");
  EXPECT_EQ(text(kLabel), L"0:");
  EXPECT_EQ(press(kNew), L"1:");
  for (const auto& [id, value] : kTexts) setText(id, value);
  Send(Control(panel, kClass), CB_SETCURSEL, 4);
  Send(Control(panel, kMale), BM_CLICK);
  Send(Control(panel, kMonth), CB_SETCURSEL, 2);
  Send(Control(panel, kDay), CB_SETCURSEL, 14);
  EXPECT_EQ(save(), L"Message send to communication\\com.1.xml Sucesful!");
  EXPECT_EQ(ReadBytes(folder + L"\\communication\\com.1.xml"), kFullDocument);
  EXPECT_NE(ReadBytes(folder + L"\\set\\sets.conf").find("[COMU]\r\nmaxid=2\r\n"),
            std::string::npos);  // kept as soon as it is taken
  // Each step replaces every field; "--1--1" reads back as month 0, day 1.
  EXPECT_EQ(press(kPrevious), L"0:");
  for (const auto& [id, value] : kTexts) EXPECT_EQ(text(id), id == kName ? L"甲" : L"") << id;
  EXPECT_EQ(choices(), (Choices{-1, 0, 1, BST_UNCHECKED, BST_CHECKED}));  // neither is female
  EXPECT_EQ(press(kNext), L"1:");
  for (const auto& [id, value] : kTexts) EXPECT_EQ(text(id), value) << id;
  EXPECT_EQ(choices(), (Choices{4, 2, 14, BST_CHECKED, BST_UNCHECKED}));
  Screenshot("contacts_panel");
  EXPECT_EQ(press(kNext), L"2:");  // past the last one: a new entry, nothing chosen
  EXPECT_EQ(text(kName), L"");
  EXPECT_EQ(choices(), (Choices{-1, -1, -1, BST_UNCHECKED, BST_UNCHECKED}));
  EXPECT_TRUE(program.Exit());
}

}  // namespace
}  // namespace e2e
