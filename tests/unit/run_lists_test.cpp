#include "quicklaunch/run_lists.h"

#include <map>

#include "quicklaunch/key_name.h"
#include "test_support.h"

namespace pim {
namespace {

constexpr int32_t kCtrlAltA = 0x0641;  // stored as 1601
constexpr int32_t kCtrlAltB = 0x0642;

// Refuses a key combination that another identifier holds, as the system does.
class FakeHotkeys final : public HotkeyRegistrar {
 public:
  bool Register(int id, uint32_t modifiers, uint32_t key) override {
    for (const auto& [other, combo] : held)
      if (other != id && combo == std::make_pair(modifiers, key)) return false;
    held[id] = {modifiers, key};
    return true;
  }
  void Unregister(int id) override { held.erase(id); }
  std::map<int, std::pair<uint32_t, uint32_t>> held;
};

class FakeShell final : public Shell {
 public:
  bool Open(const std::string& file, const std::string&, const std::string& folder) override {
    opened.push_back(file + "|" + folder);
    return true;
  }
  std::vector<std::string> opened;
};

// Each list's images as "file#index"; "placeholder" is image 0.
class FakeImages final : public IconImages {
 public:
  void Reset(int list) override { images[list] = {"placeholder"}; }
  void Append(int list, const std::string& file, int index) override {
    images[list].push_back(file + "#" + std::to_string(index));
  }
  void Replace(int list, int image, const std::string& file, int index) override {
    images[list].at(image) = file + "#" + std::to_string(index);
  }
  void Remove(int list, int image) override { images[list].erase(images[list].begin() + image); }
  std::map<int, std::vector<std::string>> images;
};

struct Rec {
  Rec(std::string n = "", int32_t h = 0, std::string i = "")
      : name(std::move(n)), hotkey(h), info(std::move(i)) {}
  std::string name;
  int32_t hotkey;
  std::string info;
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
  FakeHotkeys hotkeys_;
  FakeShell shell_;
  FakeImages images_;
  LaunchLists lists_{prompter_, hotkeys_, shell_, images_};
};

TEST_F(RunListsTest, CountIsClampedAndInfoKeepsItsLineBreaks) {
  const std::vector<Rec> recs{{"a", 0, "one`@`two"}, {"b", 0, "typed ``@`` here"}};
  WriteBytes(LaunchLists::kFiles[0], ListFile("60", 60, recs));
  WriteBytes(LaunchLists::kFiles[1], ListFile("x7", 3, {{"c"}}));
  lists_.LoadAll();
  EXPECT_EQ(lists_.count(0), 50);
  EXPECT_EQ(lists_.count(1), 0);
  EXPECT_EQ(lists_.item(0, 0).info, "one\r\ntwo");
  EXPECT_EQ(lists_.item(0, 1).info, "typed `\r\n` here");
  EXPECT_EQ(images_.images[0].size(), 51u);

  // Everything comes back as it was, but the count; sections past 50 are left alone.
  ASSERT_TRUE(lists_.SaveList(0));
  EXPECT_EQ(ReadBytes(LaunchLists::kFiles[0]), ListFile("50", 60, recs));
  EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(RunListsTest, HotkeyIdentifiersFollowLoadOrderAndDispatchLaunches) {
  WriteBytes(LaunchLists::kFiles[0], ListFile("3", 50, {{"a", 0x0241}, {"b"}, {"c", 0x0242}}));
  WriteBytes(LaunchLists::kFiles[2], ListFile("2", 50, {{"d", 0x0243}, {"twin", 0x0241}}));
  lists_.LoadAll();
  EXPECT_EQ(lists_.item(0, 0).hotkeyId, 20480);
  EXPECT_EQ(lists_.item(0, 1).hotkeyId, 0);
  EXPECT_EQ(lists_.item(0, 2).hotkeyId, 20481);
  EXPECT_EQ(lists_.item(2, 0).hotkeyId, 20482);
  // The twin's key is taken: one message, and the key still launches the first.
  EXPECT_EQ(lists_.item(2, 1).hotkeyId, 20483);
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].caption, "\xCA\xA7\xB0\xDC" /* 失败 */);
  EXPECT_EQ(hotkeys_.held.count(20483), 0u);
  EXPECT_EQ(LaunchLists::HotkeyText(lists_.item(0, 1)), "\xCE\xDE" /* 无 */);

  EXPECT_TRUE(lists_.ApplyHotkey(0, 1, kCtrlAltA, prompter_));
  EXPECT_EQ(lists_.item(0, 1).hotkeyId, 20484);
  EXPECT_EQ(lists_.item(0, 1).keydes, "Ctrl + Alt + A");
  EXPECT_TRUE(lists_.Dispatch(20484));
  EXPECT_TRUE(lists_.Dispatch(20481));
  EXPECT_FALSE(lists_.Dispatch(20490));
  EXPECT_EQ(shell_.opened, (std::vector<std::string>{"C:\\T\\b.exe|", "C:\\T\\c.exe|"}));

  lists_.Close();
  EXPECT_TRUE(hotkeys_.held.empty());
}

TEST_F(RunListsTest, HotkeyChangesKeepAWorkingKey) {
  WriteBytes(LaunchLists::kFiles[0], ListFile("2", 50, {{"a", kCtrlAltA}, {"b", kCtrlAltB}}));
  lists_.LoadAll();
  // Unchanged name: nothing is touched.
  EXPECT_TRUE(lists_.ApplyHotkey(0, 0, kCtrlAltA, prompter_));
  // Taking b's key fails; a keeps Ctrl+Alt+A registered under its identifier.
  EXPECT_FALSE(lists_.ApplyHotkey(0, 0, kCtrlAltB, prompter_));
  EXPECT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(lists_.item(0, 0).hotkey, kCtrlAltA);
  EXPECT_EQ(lists_.item(0, 0).keydes, "Ctrl + Alt + A");
  EXPECT_EQ(hotkeys_.held.at(20480), std::make_pair(3u, uint32_t{'A'}));
  // Clearing frees the key at once; the identifier stays with the record.
  EXPECT_TRUE(lists_.ApplyHotkey(0, 1, 0, prompter_));
  EXPECT_EQ(hotkeys_.held.count(20481), 0u);
  EXPECT_EQ(lists_.item(0, 1).hotkeyId, 20481);
  EXPECT_TRUE(lists_.ApplyHotkey(0, 0, kCtrlAltB, prompter_));
  EXPECT_EQ(hotkeys_.held.at(20480), std::make_pair(3u, uint32_t{'B'}));
  EXPECT_EQ(lists_.nextHotkeyId(), 20482);

  // The other fields; a new icon renews the record's own image only.
  RunItem fields;
  fields.name = "renamed";
  fields.icon = "C:\\lib.dll";
  fields.iconint = 4;
  lists_.ApplyFields(0, 1, fields, true);
  EXPECT_EQ(lists_.item(0, 1).name, "renamed");
  EXPECT_EQ(lists_.item(0, 1).hotkeyId, 20481);
  EXPECT_EQ(images_.images[0],
            (std::vector<std::string>{"placeholder", "C:\\T\\a.exe#0", "C:\\lib.dll#4"}));
  EXPECT_TRUE(lists_.changed(0));
}

TEST_F(RunListsTest, DeleteMovesLaterRecordsUpWithTheirKeysAndIcons) {
  WriteBytes(LaunchLists::kFiles[0],
             ListFile("5", 50, {{"a"}, {"b", kCtrlAltB}, {"c", kCtrlAltA}, {"d"}, {"e", 0x0643}}));
  lists_.LoadAll();
  prompter_.answers = {MsgResult::No};
  EXPECT_FALSE(lists_.Delete(0, 1));
  EXPECT_FALSE(lists_.changed(0));
  EXPECT_EQ(lists_.count(0), 5);

  prompter_.answers = {MsgResult::Yes};
  ASSERT_TRUE(lists_.Delete(0, 1));
  EXPECT_EQ(prompter_.messages.back().text,
            "\xC4\xE3\xC8\xB7\xCA\xB5\xD2\xAA\xC9\xBE\xB3\xFD\xB8\xC3\xCF\xEE\xC2\xF0?");
  EXPECT_EQ(prompter_.messages.back().buttons, MsgButtons::YesNo);
  ASSERT_EQ(lists_.count(0), 4);
  EXPECT_EQ(lists_.item(0, 1).name, "c");
  EXPECT_EQ(lists_.item(0, 1).hotkeyId, 20481);
  EXPECT_EQ(lists_.item(0, 3).name, "e");
  EXPECT_EQ(lists_.item(0, 3).keydes, "Ctrl + Alt + C");
  EXPECT_EQ(images_.images[0],
            (std::vector<std::string>{"placeholder", "C:\\T\\a.exe#0", "C:\\T\\c.exe#2",
                                      "C:\\T\\d.exe#0", "C:\\T\\e.exe#1"}));
  // b's key is free again for another program.
  EXPECT_EQ(hotkeys_.held.count(20480), 0u);
  EXPECT_TRUE(lists_.changed(0));

  lists_.Close();
  const std::string saved = ReadBytes(LaunchLists::kFiles[0]);
  EXPECT_NE(saved.find("count=4\r\n"), std::string::npos);
  EXPECT_NE(saved.find("[run4]\r\niconint=1\r\nhotkey=1603\r\nname=e\r\n"), std::string::npos);
  EXPECT_NE(saved.find("[run5]\r\niconint=1\r\nhotkey=1603\r\nname=e\r\n"), std::string::npos);
}

TEST_F(RunListsTest, SavingAddsTheSectionsAFileLacks) {
  WriteBytes(LaunchLists::kFiles[3],
             "[MAIN]\r\ncount=2\r\n[run1]\r\nname=a\r\n[run2]\r\niconint=0\r\nhotkey=0\r\n"
             "name=b\r\npath=p\r\nicon=p\r\nworkdir=\r\ninfo=\r\nkeydes=\r\n#end\r\n");
  lists_.LoadAll();
  ASSERT_TRUE(lists_.Add(3, "C:\\Tools\\my.app.exe"));
  EXPECT_EQ(lists_.item(3, 2).name, "my.app");
  EXPECT_EQ(images_.images[3].back(), "C:\\Tools\\my.app.exe#0");
  ASSERT_TRUE(lists_.SaveList(3));
  EXPECT_EQ(ReadBytes(LaunchLists::kFiles[3]),
            "[MAIN]\r\ncount=3\r\n[run1]\r\nname=a\r\niconint=0\r\nhotkey=0\r\n"
            "path=\x02\r\nicon=\x02\r\nworkdir=\x02\r\ninfo=\x02\r\nkeydes=\x02\r\n"
            "[run2]\r\niconint=0\r\nhotkey=0\r\nname=b\r\npath=p\r\nicon=p\r\nworkdir=\r\n"
            "info=\r\nkeydes=\r\n#end\r\n[run3]\r\niconint=0\r\nhotkey=0\r\nname=my.app\r\n"
            "path=C:\\Tools\\my.app.exe\r\nicon=C:\\Tools\\my.app.exe\r\nworkdir=\r\ninfo=\r\n"
            "keydes=\r\n");
  EXPECT_EQ(test::TempFolderTest::Listing("set").size(), 4u);

  LaunchLists again(prompter_, hotkeys_, shell_, images_);
  ASSERT_TRUE(again.LoadList(3));
  EXPECT_EQ(again.item(3, 2).path, "C:\\Tools\\my.app.exe");
}

TEST_F(RunListsTest, AFullListRefusesMoreAndTheTimerSavesOneListPerTick) {
  WriteBytes(LaunchLists::kFiles[1], ListFile("50", 50));
  std::remove("set/fastrun_net.lst");
  lists_.LoadAll();
  EXPECT_FALSE(lists_.Add(1, "x.exe"));
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(lists_.count(1), 50);
  // A missing file gives an empty list, which still takes programs but saves nowhere.
  EXPECT_TRUE(lists_.Add(3, "y.exe"));
  EXPECT_TRUE(lists_.Add(2, "z.exe"));
  lists_.SaveOnTimer();
  EXPECT_NE(ReadBytes(LaunchLists::kFiles[2]).find("name=z"), std::string::npos);
  EXPECT_TRUE(lists_.changed(3));
  lists_.SaveOnTimer();
  EXPECT_FALSE(lists_.changed(3));
  EXPECT_EQ(ReadBytes(LaunchLists::kFiles[3]), "<missing>");
}

TEST(KeyNameTest, NamesFollowTheHotkeyControl) {
  EXPECT_EQ(KeyName(0x0641), "Ctrl + Alt + A");
  EXPECT_EQ(KeyName(583), "Ctrl + G");
  EXPECT_EQ(KeyName(0x0770), "Ctrl + Shift + Alt + F1");
  EXPECT_EQ(KeyName(0), "");
  EXPECT_EQ(KeyName(0x0600), "");  // modifiers without a key are no key
  EXPECT_EQ(ClipGbk("ab\xC4\xE3\xC8\xB7", 5), "ab\xC4\xE3");
  EXPECT_EQ(ClipGbk(std::string(30, 'x'), 20).size(), 20u);
}

}  // namespace
}  // namespace pim
