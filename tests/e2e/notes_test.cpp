// The notebook: notes in three categories are saved, paged through with and without a
// filter, one is deleted, and a new start finds everything as it was left.
#include <gtest/gtest.h>

#include <optional>

#include "driver.h"

namespace e2e {
namespace {

constexpr int kCategory = 1026, kLabel = 1048, kText = 1002, kPrevious = 1001, kNext = 1003;
constexpr int kNew = 1010, kSave = 1013, kDelete = 1011, kFold = 1012;

class Notes : public ::testing::Test {
 protected:
  void Open() {  // starts the program in the test's folder and opens the notes panel
    program.emplace(folder);
    ASSERT_EQ(program->Panels().size(), 5u);
    SendCommand(program->Bar(), 1004);
    ASSERT_EQ(program->VisiblePanels().size(), 1u);
    panel = program->VisiblePanels()[0];
  }
  std::wstring Shown() { return Text(Control(panel, kLabel)) + Text(Control(panel, kText)); }
  // Presses `button` on the panel's own message box with this caption; its text.
  std::wstring Answer(const std::wstring& caption, int button = IDOK) {
    const auto box = AnswerMessageBox(program->pid(), caption, button);
    return box && box->owner == panel ? box->text : L"<no message box of the panel>";
  }
  std::wstring Save(const std::wstring& text) {
    Send(Control(panel, kText), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
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

  std::wstring folder = FreshFolder(L"notes");
  std::optional<Program> program;
  HWND panel = nullptr;
};

TEST_F(Notes, ThreeCategoriesPagedDeletedAndFoundAgainAfterARestart) {
  ASSERT_NO_FATAL_FAILURE(Open());
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
  ASSERT_NO_FATAL_FAILURE(Open());
  Walk("<");  // to the only ordinary note
  EXPECT_EQ(Shown(), L"0:first\r\nline two");
  EXPECT_EQ(Walk("0<<>>"), L"3:2:0:2:3:");
}

}  // namespace
}  // namespace e2e
