// The data folder moved: copied, merged or taken as it is; a kill at any step loses nothing.
#include "app/data_folder.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "backup/folder_ops.h"
#include "base/held_file.h"
#include "reminders/birthdays.h"
#include "test_support.h"

namespace pim {
namespace {

using Files = std::map<std::string, std::string>;

class DataFolderTest : public test::ModelTest {
 protected:
  static constexpr const char* kTarget = "sync\\pim";

  void TearDown() override {
    SetDataFolder("");
    ModelTest::TearDown();
  }

  // The record folders below `root`, by "/"-separated names.
  static Files Records(std::string root) {
    std::replace(root.begin(), root.end(), '\\', '/');
    Files records;
    if (!std::filesystem::exists(root)) return records;
    for (const auto& [name, bytes] : test::Tree(root))
      for (const char* top : {"note", "communication", "datum", "xmlstyle"})
        if (name == top || name.starts_with(std::string(top) + "/")) records[name] = bytes;
    return records;
  }
  // The texts of the notes below `root`, sorted, so a lost or doubled one shows.
  std::vector<std::string> NoteTexts(const std::string& root) {
    std::vector<std::string> texts;
    for (const auto& [name, bytes] : Records(root))
      if (name.starts_with("note/")) texts.push_back(bytes);
    std::sort(texts.begin(), texts.end());
    return texts;
  }

  // Runs `step` in a child killed at its k-th write step; true when it got through unkilled.
  template <typename Step>
  bool KilledAt(int k, Step step) {
    const pid_t child = fork();
    if (child == 0) {
      ArmWriteKill(k);
      _exit(step() ? 0 : 1);
    }
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_TRUE(WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 9) << k;
    return WEXITSTATUS(status) == 0;
  }

  const std::string program_ = "/home/user/Pimbrel";
  const FolderChange change_{kTarget, program_, "HOME-PC"};
  std::string failure_;
};

TEST_F(DataFolderTest, AFolderInsideTheRecordsOrTheOneInUseIsRefused) {
  EXPECT_EQ(DataFolderProblem(kTarget, program_), "");
  EXPECT_EQ(DataFolderProblem(program_ + "\\", program_), Gb("这就是现在的数据文件夹。"));
  EXPECT_NE(DataFolderProblem("/HOME/user/Pimbrel/Note/x", program_), "");
  EXPECT_NE(DataFolderProblem(program_ + "\\backup", program_), "");
  SetDataFolder(kTarget);
  EXPECT_NE(DataFolderProblem("sync\\PIM\\datum", program_), "");
  EXPECT_EQ(DataFolderProblem(program_, program_), "");  // back home is a join
}

TEST_F(DataFolderTest, AnEmptyFolderIsCopiedCheckedAndUsedAndAKillAtAnyStepLosesNothing) {
  WriteBytes("note\\n.0.xml", Note("first"));
  WriteBytes("communication\\com.0.xml", Contact("Li"));
  test::CaptureCards(2);
  const Files ours = Records(".");
  const auto settle = [&] {
    SetDataFolder("");
    const FolderRecovery r = RecoverDataFolderChange("HOME-PC", program_, prompter_);
    EXPECT_NE(r, FolderRecovery::Failed);
    EXPECT_TRUE(Records(".") == ours);  // the old records stay as they were, whatever happened
    const std::string now = LoadDataFolderSetting();
    EXPECT_TRUE(now == kTarget ? Records(kTarget) == ours : Records(kTarget).empty());
    EXPECT_FALSE(FileExists(kDataFolderJournal));
    EXPECT_FALSE(FolderExists("sync\\pim\\pimbrel.copying"));
    return now == kTarget;
  };
  int k = 1;
  for (; !KilledAt(k, [&] { return CopyDataTo(change_, failure_); }); ++k) {
    ASSERT_LT(k, 100);
    if (settle()) break;  // the journal finished what the kill left
  }
  EXPECT_GT(k, 15);  // the journal, every file and its check, the rename, the setting
  std::printf("a copy into an empty folder, killed at each of its %d write steps\n", k - 1);
  RemoveTree("sync");
  CConfigFile conf;
  conf.Load(kSettingsPath);
  conf.SetValue("SYS", "datadir", "");
  conf.Save();

  ASSERT_TRUE(CopyDataTo(change_, failure_)) << failure_;
  EXPECT_EQ(DataFolder(), kTarget);
  EXPECT_EQ(LoadDataFolderSetting(), kTarget);
  EXPECT_TRUE(Records(kTarget) == ours);
  EXPECT_EQ(CountRecords("").notes, 1);
  // A journal another computer wrote (a program folder kept in step) is never acted on.
  WriteBytes(std::string(kDataFolderJournal),
             "pimbrel data folder\r\ncomputer=LAPTOP\r\nmode=copy\r\nphase=copy\r\nfrom=\r\n"
             "to=sync\\pim\r\nend\r\n");
  EXPECT_EQ(RecoverDataFolderChange("HOME-PC", program_, prompter_), FolderRecovery::Nothing);
  EXPECT_TRUE(FolderExists("sync\\pim\\note"));
}

// Notes, contacts and cards join under new numbers, and a reminder follows its contact.
TEST_F(DataFolderTest, JoiningAFolderMergesEachRecordOnceUnderANewNumberWhereverAKillStopsIt) {
  std::filesystem::create_directories("sync/pim");
  SetDataFolder(kTarget);
  ASSERT_TRUE(WriteDataFolder());
  WriteBytes("note\\n.0.xml", Note("theirs 0"));
  WriteBytes("note\\n.1.xml", Note("theirs 1"));
  WriteBytes("communication\\com.0.xml", Contact("Wang"));
  const Files theirs = Records(kTarget);
  SetDataFolder("");
  ASSERT_TRUE(WriteDataFolder());
  WriteBytes("note\\n.0.xml", Note("ours 0"));
  WriteBytes("communication\\com.0.xml", Contact("Li"));
  WriteBytes("communication\\com.3.xml", Contact("Zhao"));
  WriteBytes(kAwokePath, "[AWOKE]\r\n3=2026-12-6\r\n");
  test::CaptureCards(1);
  const Files ours = Records(".");
  const std::string settings = ReadBytes("set\\sets.conf");  // the counters' floors too
  std::vector<std::string> merged = {Note("ours 0"), Note("theirs 0"), Note("theirs 1")};
  std::sort(merged.begin(), merged.end());
  const auto reset = [&] {
    SetDataFolder("");
    WriteBytes("set\\sets.conf", settings);
    WriteBytes(kAwokePath, "[AWOKE]\r\n3=2026-12-6\r\n");
    RemoveTree("sync");
    std::filesystem::create_directories("sync/pim");
    for (const auto& [name, bytes] : theirs) {
      std::string path = std::string(kTarget) + "\\" + name;
      std::replace(path.begin(), path.end(), '/', '\\');
      if (bytes == "<folder>")
        ASSERT_TRUE(CreateFolder(path) || FolderExists(path));
      else
        WriteBytes(path, bytes);
    }
  };
  ASSERT_EQ(CountRecords(kTarget).notes, 2);
  ASSERT_TRUE(HoldsRecordFolders(kTarget));

  int k = 1;
  for (;; ++k) {
    ASSERT_LT(k, 200);
    if (KilledAt(k, [&] { return MergeDataInto(change_, prompter_, failure_); })) break;
    SetDataFolder("");
    ASSERT_NE(RecoverDataFolderChange("HOME-PC", program_, prompter_), FolderRecovery::Failed);
    ASSERT_TRUE(Records(".") == ours) << k;
    if (LoadDataFolderSetting() == kTarget) {
      ASSERT_EQ(NoteTexts(kTarget), merged) << k;
      ASSERT_EQ(CountRecords(kTarget).contacts, 3) << k;
    } else {
      ASSERT_TRUE(Records(kTarget) == theirs) << k;  // undone: their folder as it was
    }
    reset();
  }
  EXPECT_GT(k, 30);  // the journal, the strays, each record adopted, the marks, the setting
  std::printf("a merge, killed at each of its %d write steps\n", k - 1);
  reset();
  ASSERT_TRUE(MergeDataInto(change_, prompter_, failure_)) << failure_;
  EXPECT_EQ(failure_, "");
  EXPECT_EQ(DataFolder(), kTarget);
  EXPECT_EQ(NoteTexts(kTarget), merged);
  EXPECT_EQ(ReadBytes("sync\\pim\\note\\n.2.xml"), Note("ours 0"));
  EXPECT_EQ(ReadBytes("sync\\pim\\communication\\com.1.xml"), Contact("Li"));
  EXPECT_EQ(ReadBytes("sync\\pim\\communication\\com.2.xml"), Contact("Zhao"));
  EXPECT_EQ(ReadBytes(kAwokePath), "[AWOKE]\r\n2=2026-12-6\r\n");  // Zhao's mark followed him
  EXPECT_EQ(CountRecords(kTarget).cards, 1);
  EXPECT_NE(ReadBytes("sync\\pim\\datum\\lineindex.untrim.list").find("c1"), std::string::npos);
  EXPECT_TRUE(Records(".") == ours);  // this computer's own folder is left as it was
}

TEST_F(DataFolderTest, UsingAFolderAsItIsKeepsThisComputersDataInABackupFirst) {
  WriteBytes("note\\n.0.xml", Note("ours"));
  WriteBytes(kAwokePath, "[AWOKE]\r\n0=\r\n");
  std::filesystem::create_directories("sync/pim/note");
  WriteBytes("sync\\pim\\note\\n.0.xml", Note("theirs"));
  ASSERT_TRUE(UseDataFolder(change_, "1.0", clock_.Now(), failure_)) << failure_;
  EXPECT_TRUE(FileExists(Gb("backup\\更换数据文件夹前 2026-12-07 0900.zip")));
  EXPECT_EQ(ReadBytes(kAwokePath), "[AWOKE]\r\n");  // its numbers name others' contacts there
  EXPECT_EQ(ReadBytes("note\\n.0.xml"), Note("theirs"));
  EXPECT_EQ(LoadDataFolderSetting(), kTarget);
}

TEST_F(DataFolderTest, TheLockRefusesASecondHolderAndGoesWithTheRun) {
  std::filesystem::create_directories("sync/pim");
  SetDataFolder(kTarget);
  ASSERT_EQ(LockDataFolder(), LockResult::Held);
  const pid_t child = fork();
  if (child == 0) _exit(HeldFile().Hold("sync\\pim\\pimbrel.lock") == HeldFile::Result::InUse);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  UnlockDataFolder();
  EXPECT_FALSE(FileExists("sync\\pim\\pimbrel.lock"));
  SetDataFolder("");
  EXPECT_EQ(LockDataFolder(), LockResult::Held);  // the run marker guards the program folder
  EXPECT_FALSE(FileExists("pimbrel.lock"));
}

}  // namespace
}  // namespace pim
