#include "quicklaunch/run_lists.h"

#include "quicklaunch/key_name.h"
#include "test_support.h"

namespace pim {
namespace {

constexpr int32_t kCtrlAltA = 0x0641;  // stored as 1601
constexpr int32_t kCtrlAltB = 0x0642;

struct Rec {
  std::string name;
  int32_t hotkey = 0;
  std::string info{};
};

// A list file with `sections` record sections, the first records filled from `recs`.
std::string ListFile(const std::string& count, int sections, const std::vector<Rec>& recs = {}) {
  std::string out = "[MAIN]\r\ncount=" + count + "\r\n";
  for (int i = 0; i < sections; ++i) {
    const Rec r = i < static_cast<int>(recs.size()) ? recs[i] : Rec{};
    const std::string path = r.name.empty() ? "" : "C:\\T\\" + r.name + ".exe";
    out += "[run" + std::to_string(i + 1) + "]\r\niconint=" + std::to_string(i % 3) +
           "\r\nhotkey=" + std::to_string(r.hotkey) + "\r\nname=" + r.name + "\r\npath=" + path +
           "\r\nicon=" + path + "\r\nworkdir=\r\ninfo=" + r.info +
           "\r\nkeydes=" + KeyName(r.hotkey) + "\r\n";
  }
  return out;
}

class RunListsTest : public test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    std::filesystem::create_directory("set");
    for (const char* file : LaunchLists::kFiles) WriteBytes(file, ListFile("0", 50));
  }
  test::RecordingPrompter prompter_;
  test::FakeHotkeys hotkeys_;
  test::FakeShell shell_;
  test::FakeImages images_;
  LaunchLists lists_{prompter_, hotkeys_, shell_, images_};
};

TEST_F(RunListsTest, CountIsClampedAndInfoKeepsItsLineBreaks) {
  const std::vector<Rec> recs{{"a", 0, "one`@`two"}, {"b", 0, "typed ``@`` here"}};
  WriteBytes(LaunchLists::kFiles[0], ListFile("60", 60, recs));
  WriteBytes(LaunchLists::kFiles[1], ListFile("x7", 3, {{"c"}}));
  lists_.LoadAll();
  EXPECT_EQ(std::tuple(lists_.count(0), lists_.count(1), images_.images[0].size()),
            std::tuple(50, 0, 51u));
  EXPECT_EQ(lists_.item(0, 0).info + "|" + lists_.item(0, 1).info, "one\r\ntwo|typed `\r\n` here");
  // Everything comes back as it was, but the count; sections past 50 are left alone.
  ASSERT_TRUE(lists_.SaveList(0));
  EXPECT_EQ(std::pair(ReadBytes(LaunchLists::kFiles[0]), prompter_.messages.size()),
            std::pair(ListFile("50", 60, recs), size_t{0}));
  // A line break typed into a one-line field becomes a blank, and the user is told once.
  RunItem typed = lists_.item(0, 0);
  typed.name = "x\r\ny";
  typed.path = "C:\\T\\x\n.exe";
  typed.info = "one\r\ntwo";
  lists_.ApplyFields(0, 0, typed, false);
  lists_.ApplyFields(0, 1, lists_.item(0, 1), false);
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(lists_.item(0, 0).name + "|" + lists_.item(0, 0).path + "|" + lists_.item(0, 0).info,
            "x  y|C:\\T\\x .exe|one\r\ntwo");
}

TEST_F(RunListsTest, HotkeysDispatchAndKeepAWorkingKeyAndDeleteMovesLaterRecordsUp) {
  // Names as the hotkey control gives them; modifiers without a key are no key.
  EXPECT_EQ(KeyName(0x0641) + "|" + KeyName(583) + "|" + KeyName(0x0770) + "|" + KeyName(0) + "|" +
                KeyName(0x0600),
            "Ctrl + Alt + A|Ctrl + G|Ctrl + Shift + Alt + F1||");
  WriteBytes(LaunchLists::kFiles[0],
             ListFile("3", 50, {{"a", kCtrlAltA}, {"b"}, {"c", kCtrlAltB}}));
  WriteBytes(LaunchLists::kFiles[2], ListFile("2", 50, {{"d", 0x0243}, {"twin", kCtrlAltA}}));
  WriteBytes(LaunchLists::kFiles[1],  // "keydes" disagrees with "hotkey"
             ReplaceAll(ListFile("1", 1, {{"e", kCtrlAltB + 2}}), "Alt + D", "Alt + E"));
  lists_.LoadAll();
  EXPECT_TRUE(lists_.ApplyHotkey(1, 0, kCtrlAltB + 3, prompter_));  // Ctrl + Alt + E
  EXPECT_EQ(lists_.item(1, 0).hotkey, kCtrlAltB + 3);
  // The twin's key is taken: one message, and the key still launches the first.
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(
      std::pair(prompter_.messages[0].caption, hotkeys_.held.count(lists_.item(2, 1).hotkeyId)),
      std::pair(Gb("失败"), size_t{0}));
  // Taking c's key fails and a keeps its own; clearing frees a key at once.
  EXPECT_EQ((std::tuple{lists_.ApplyHotkey(0, 0, kCtrlAltB, prompter_), prompter_.messages.size(),
                        lists_.item(0, 0).keydes, hotkeys_.held.at(20480)}),
            std::tuple(false, 2u, "Ctrl + Alt + A", std::pair(3u, uint32_t{'A'})));
  EXPECT_EQ((std::tuple{lists_.ApplyHotkey(0, 2, 0, prompter_), hotkeys_.held.count(20481),
                        lists_.ApplyHotkey(0, 0, kCtrlAltB, prompter_), hotkeys_.held[20480]}),
            std::tuple(true, 0u, true, std::pair(3u, uint32_t{'B'})));
  EXPECT_TRUE(lists_.ApplyHotkey(0, 1, kCtrlAltA, prompter_));
  EXPECT_EQ((std::tuple{lists_.Dispatch(lists_.item(0, 1).hotkeyId), lists_.Dispatch(20480),
                        lists_.Dispatch(20490)}),
            std::tuple(true, true, false));
  EXPECT_EQ(shell_.opened, (std::vector<std::string>{"C:\\T\\b.exe|", "C:\\T\\a.exe|"}));
  // Delete asks; the later records move up with their keys and icons.
  prompter_.answers = {MsgResult::No, MsgResult::Yes};
  EXPECT_EQ((std::tuple{lists_.Delete(0, 0), lists_.changed(0), lists_.Delete(0, 0)}),
            std::tuple(false, false, true));
  EXPECT_EQ(std::pair(prompter_.messages.back().text, prompter_.messages.back().buttons),
            std::pair(Gb("你确实要删除该项吗?"), MsgButtons::YesNo));
  ASSERT_EQ(lists_.count(0), 2);
  EXPECT_EQ(lists_.item(0, 0).keydes + "|" + lists_.item(0, 1).name, "Ctrl + Alt + A|c");
  EXPECT_EQ(images_.images[0],
            (std::vector<std::string>{"placeholder", "C:\\T\\b.exe#1", "C:\\T\\c.exe#2"}));
  lists_.Close();
  EXPECT_TRUE(hotkeys_.held.empty());
  const std::string saved = ReadBytes(LaunchLists::kFiles[0]);  // past the count: left alone
  for (const char* part : {"count=2\r\n", "[run1]\r\niconint=1\r\nhotkey=1601\r\nname=b\r\n",
                           "[run2]\r\niconint=2\r\nhotkey=0\r\nname=c\r\n",
                           "[run3]\r\niconint=2\r\nhotkey=1602\r\nname=c\r\n"})
    EXPECT_NE(saved.find(part), std::string::npos) << part;
}

TEST_F(RunListsTest, AFullListRefusesMoreAndTheTimerSavesOneListPerTickAddingLackingSections) {
  WriteBytes(LaunchLists::kFiles[1], ListFile("50", 50));
  WriteBytes(LaunchLists::kFiles[2],
             "[MAIN]\r\ncount=2\r\n[run1]\r\nname=a\r\n[run2]\r\niconint=0\r\nhotkey=0\r\n"
             "name=b\r\npath=p\r\nicon=p\r\nworkdir=\r\ninfo=\r\nkeydes=\r\n#end\r\n");
  std::remove("set/fastrun_net.lst");
  lists_.LoadAll();
  EXPECT_FALSE(lists_.Add(1, "x.exe"));
  EXPECT_EQ(std::pair(prompter_.messages.size(), lists_.count(1)), std::pair(size_t{1}, 50));
  // A missing file gives an empty list, which still takes programs but saves nowhere.
  EXPECT_TRUE(lists_.Add(3, "y.exe"));
  ASSERT_TRUE(lists_.Add(2, "C:\\Tools\\my.app.exe"));
  EXPECT_EQ(lists_.item(2, 2).name + "|" + images_.images[2].back(),
            "my.app|C:\\Tools\\my.app.exe#0");
  lists_.SaveOnTimer();
  EXPECT_EQ(ReadBytes(LaunchLists::kFiles[2]),
            "[MAIN]\r\ncount=3\r\n[run1]\r\nname=a\r\niconint=0\r\nhotkey=0\r\n"
            "path=\x02\r\nicon=\x02\r\nworkdir=\x02\r\ninfo=\x02\r\nkeydes=\x02\r\n"
            "[run2]\r\niconint=0\r\nhotkey=0\r\nname=b\r\npath=p\r\nicon=p\r\nworkdir=\r\n"
            "info=\r\nkeydes=\r\n#end\r\n[run3]\r\niconint=0\r\nhotkey=0\r\nname=my.app\r\n"
            "path=C:\\Tools\\my.app.exe\r\nicon=C:\\Tools\\my.app.exe\r\nworkdir=\r\ninfo=\r\n"
            "keydes=\r\n");
  EXPECT_TRUE(lists_.changed(3));
  lists_.SaveOnTimer();
  // Nothing for the missing list, no temporary file.
  EXPECT_EQ(std::pair(lists_.changed(3), Listing("set").size()), std::pair(false, size_t{3}));
}

TEST_F(RunListsTest, AListThatCannotBeSavedIsToldOnceAndHoldsUpNoOtherList) {
  lists_.LoadAll();
  ASSERT_TRUE(lists_.Add(0, "a.exe") && lists_.Add(1, "b.exe"));
  std::filesystem::create_directory("set/fastrun_coll.lst~pimtmp");  // list 0 cannot be written
  for (int tick = 0; tick < 5; ++tick) lists_.SaveOnTimer();
  EXPECT_EQ(std::tuple(lists_.changed(0), lists_.changed(1), prompter_.messages.size()),
            std::tuple(true, false, size_t{1}));
  std::filesystem::remove("set/fastrun_coll.lst~pimtmp");
  lists_.SaveOnTimer();
  EXPECT_FALSE(lists_.changed(0));
}

}  // namespace
}  // namespace pim
