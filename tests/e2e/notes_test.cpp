// The notebook: notes in three categories are saved, paged through with and without a
// filter, one is deleted, and a new start finds everything as it was left.
#include <gtest/gtest.h>

#include <optional>

#include "driver.h"

namespace e2e {
namespace {

constexpr int kCategory = 1026, kLabel = 1048, kText = 1002;
constexpr int kPrevious = 1001, kNext = 1003, kNew = 1010, kSave = 1013, kDelete = 1011,
              kFold = 1012;
constexpr int kAll = 0, kOrdinary = 1, kDiary = 2, kJotting = 3;

class Notes : public ::testing::Test {
 protected:
  // Starts the program in the test's folder and opens the notes panel below the bar.
  void Open() {
    program.emplace(folder);
    bar = program->Bar();
    ASSERT_TRUE(bar);
    ASSERT_EQ(program->Panels().size(), 5u);
    SendCommand(bar, 1004);
    ASSERT_EQ(program->VisiblePanels().size(), 1u);
    panel = program->VisiblePanels()[0];
    ASSERT_EQ(Rect(panel).left, Rect(bar).left);
    ASSERT_EQ(Rect(panel).top, Rect(bar).bottom);
  }
  std::wstring TextOf(int id) { return Text(Control(panel, id)); }
  void SetText(const std::wstring& text) {
    Send(Control(panel, kText), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void Choose(int category) {
    const HWND box = Control(panel, kCategory);
    Send(box, CB_SETCURSEL, category);
    Send(panel, WM_COMMAND, MAKEWPARAM(kCategory, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
  }
  // Saves and answers the panel's own message box; its text.
  std::wstring Save() {
    PostCommand(panel, kSave);
    const auto box = AnswerMessageBox(program->pid(), L"notice");
    if (!box) return L"<no message>";
    EXPECT_EQ(box->owner, panel);
    return box->text;
  }
  // Steps with `button` and answers the label and the text it leaves.
  std::pair<std::wstring, std::wstring> Step(int button) {
    SendCommand(panel, button);
    return {TextOf(kLabel), TextOf(kText)};
  }
  std::string File(int number) {
    return ReadBytes(folder + L"\\note\\n." + std::to_wstring(number) + L".xml");
  }
  std::string Maxid() {
    const std::string conf = ReadBytes(folder + L"\\set\\sets.conf");
    const size_t at = conf.find("[NOTE]\r\nmaxid=");
    return at == std::string::npos ? "<none>"
                                   : conf.substr(at + 14, conf.find('\r', at + 14) - at - 14);
  }

  std::wstring folder = FreshFolder(L"notes");
  std::optional<Program> program;
  HWND bar = nullptr, panel = nullptr;
};

TEST_F(Notes, ThreeCategoriesPagedDeletedAndFoundAgainAfterARestart) {
  ASSERT_NO_FATAL_FAILURE(Open());
  const HWND box = Control(panel, kCategory);
  ASSERT_EQ(Send(box, CB_GETCOUNT), 6);
  wchar_t name[16] = L"";
  Send(box, CB_GETLBTEXT, 5, reinterpret_cast<LPARAM>(name));
  EXPECT_STREQ(name, L"其它");
  EXPECT_EQ(Send(box, CB_GETCURSEL), kOrdinary);
  EXPECT_EQ(TextOf(kLabel), L"id:");
  EXPECT_EQ(TextOf(kText), L"");

  SendCommand(panel, kNew);
  EXPECT_EQ(TextOf(kText), L" ");
  EXPECT_EQ(TextOf(kLabel), L"0:");
  SetText(L"first note\r\nline two");
  EXPECT_EQ(Save(), L"Message send to note\\n.0.xml Sucesful!");
  Choose(kDiary);
  const std::wstring dateLine = TextOf(kText);
  EXPECT_EQ(dateLine.substr(0, 5), L"    \t");
  EXPECT_NE(dateLine.find(L" 月 "), std::wstring::npos);
  EXPECT_EQ(dateLine.substr(dateLine.size() - 4), L"\r\n  ");
  SetText(dateLine + L"日记内容");
  // The panel in its green below the bar, with a diary note being written.
  const RECT at = Rect(panel);
  EXPECT_EQ(ScreenPixel((at.left + at.right) / 2, at.bottom - 20), RGB(194, 245, 66));
  Screenshot("notes_panel");
  EXPECT_EQ(Save(), L"Message send to note\\n.1.xml Sucesful!");
  Choose(kJotting);
  SetText(L"jotting");
  EXPECT_EQ(Save(), L"Message send to note\\n.2.xml Sucesful!");
  EXPECT_EQ(Maxid(), "3");  // written as each number was taken

  // Every note, then only the diaries.
  Choose(kAll);
  EXPECT_EQ(Step(kPrevious).second, L"jotting");
  EXPECT_EQ(Step(kPrevious), std::pair(std::wstring(L"1:"), dateLine + L"日记内容"));
  EXPECT_EQ(Step(kPrevious),
            std::pair(std::wstring(L"0:"), std::wstring(L"first note\r\nline two")));
  EXPECT_EQ(Step(kPrevious).first, L"0:");
  EXPECT_EQ(Step(kNext).first, L"1:");
  EXPECT_EQ(Step(kNext).first, L"2:");
  EXPECT_EQ(Step(kNext), std::pair(std::wstring(L"3:"), std::wstring(L" ")));
  Choose(kDiary);
  EXPECT_EQ(Step(kPrevious).first, L"1:");
  EXPECT_EQ(Step(kPrevious).first, L"1:");
  EXPECT_EQ(Step(kNext).first, L"1:");

  // The diary goes; the panel keeps showing it.
  PostCommand(panel, kDelete);
  const auto ask = AnswerMessageBox(program->pid(), L"确认", IDYES);
  ASSERT_TRUE(ask);
  EXPECT_EQ(ask->text, L"你确实要删除 note\\n.1.xml 文件吗?");
  const auto done = AnswerMessageBox(program->pid(), L"信息");
  ASSERT_TRUE(done);
  EXPECT_EQ(done->text, L"成功删除 note\\n.1.xml!");
  EXPECT_EQ(File(1), "");
  EXPECT_EQ(TextOf(kLabel), L"1:");

  SendCommand(panel, kFold);
  EXPECT_FALSE(Visible(panel));
  EXPECT_TRUE(program->VisiblePanels().empty());
  const std::string first = File(0), jotting = File(2);
  EXPECT_NE(first.find("<type>1</type>"), std::string::npos);
  EXPECT_NE(first.find("<content>first note\r\nline two</content>\r\n</note>"), std::string::npos);
  EXPECT_NE(jotting.find("<type>3</type>"), std::string::npos);
  ASSERT_TRUE(program->Exit());
  EXPECT_EQ(Maxid(), "3");

  // A new start: the same notes, the gap skipped, new notes after the last number.
  ASSERT_NO_FATAL_FAILURE(Open());
  EXPECT_EQ(TextOf(kLabel), L"id:");
  EXPECT_EQ(Step(kPrevious),
            std::pair(std::wstring(L"0:"), std::wstring(L"first note\r\nline two")));
  Choose(kAll);
  EXPECT_EQ(TextOf(kLabel), L"3:");
  EXPECT_EQ(Step(kPrevious), std::pair(std::wstring(L"2:"), std::wstring(L"jotting")));
  EXPECT_EQ(Step(kPrevious).first, L"0:");
  EXPECT_EQ(Step(kNext).first, L"2:");
  EXPECT_EQ(Step(kNext).first, L"3:");
  ASSERT_TRUE(program->Exit());
  EXPECT_EQ(File(0), first);
  EXPECT_EQ(File(1), "");
  EXPECT_EQ(File(2), jotting);
  EXPECT_EQ(File(3), "");
  EXPECT_EQ(Maxid(), "3");
}

}  // namespace
}  // namespace e2e
