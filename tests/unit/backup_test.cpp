// The backup archive, the checks before a restore, and a restore that fails or dies midway.
#include "backup/backup.h"

#include <zlib.h>

#include <random>

#include "backup/folder_ops.h"
#include "backup/messages.h"
#include "backup/restore.h"
#include "backup/zip_packer.h"
#include "base/path.h"
#include "base/threads.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace pim {
namespace {

using Files = std::map<std::string, std::string>;
using test::Le;
using test::RawEntry;
using test::RawZip;
const std::string kCategory = Gb("未分类"), kCard = Gb("资料卡1.datum.1.xml");
const LocalTime kNow{2026, 12, 7, 9, 30, 1};

std::string Noise(size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(random());
  return s;
}

class BackupTest : public test::TempFolderTest {
 protected:
  // The archive let go first: Windows removes no folder with an open file in it.
  void TearDown() override {
    reader_.Close();
    TempFolderTest::TearDown();
  }
  // A data folder; "old" and "new" differ in every kind of place a restore touches.
  void MakeData(const std::string& tag) {
    for (const std::string& f :
         std::vector<std::string>{"set", "note", "communication", "datum", "xmlstyle",
                                  "datum\\" + kCategory, "datum\\" + tag + "-empty"})
      ASSERT_TRUE(CreateFolder(f));
    WriteBytes("set\\sets.conf", "[SYS]\r\nhotkey=583\r\n[COMU]\r\nmaxid=1\r\n#" + tag + "\r\n");
    WriteBytes("set\\run.ing.m", "runing");
    WriteBytes("set\\only-" + tag + ".lst", tag);
    WriteBytes("note\\n.0.xml", "<note>" + tag + "</note>");
    WriteBytes("note\\n." + std::string(tag == "old" ? "5" : "6") + ".xml", tag);
    WriteBytes("communication\\com.0.xml", Gb("张三 ") + tag);
    WriteBytes("datum\\" + kCategory + "\\" + kCard, std::string(3000, 'x') + tag);
    WriteBytes("xmlstyle\\style.dtd", Noise(5000, tag == "old" ? 1 : 2));
  }
  // The data: every file and folder but the backups and the archives beside it.
  static Files Snapshot() {
    Files all = test::Tree();
    if (!DataFolder().empty())  // and one on another volume
      for (const auto& [name, bytes] : test::Tree(DataFolder())) all[name] = bytes;
    std::erase_if(all, [](const auto& f) {
      return f.first.starts_with("backup") ||
             (f.first.ends_with(".zip") && f.first.find('/') == std::string::npos);
    });
    return all;
  }
  // The archive of what MakeData(tag) writes, made in a folder of its own.
  std::string ArchiveOf(const std::string& tag) {
    std::filesystem::create_directory(tag);
    std::filesystem::current_path(tag);
    MakeData(tag);
    image_[tag] = Snapshot();
    EXPECT_TRUE(WriteBackup("..\\" + tag + ".zip", "test", kNow).ok);
    std::filesystem::current_path(folder_);
    std::filesystem::remove_all(tag);
    return tag + ".zip";
  }
  ArchiveCheck Check(const std::string& zip) { return CheckArchive(zip, reader_, plan_, detail_); }
  // A restore and then, as the bar does next, the packing of its safety copy.
  RestoreResult Restore() {
    const RestoreResult result = RunRestore(reader_, plan_, "test", kNow, detail_);
    return result != RestoreResult::Ok || PackSafetyCopy(detail_) ? result
                                                                  : RestoreResult::SafetyCopyFailed;
  }
  // The safety copy holds exactly `old`: restored, it gives it back; the backups go with it.
  void BackFromSafetyCopy(const Files& old) {
    ASSERT_EQ(Check(kSafetyCopy), ArchiveCheck::Ok);
    ASSERT_EQ(Restore(), RestoreResult::Ok) << detail_;
    ASSERT_EQ(Snapshot(), old);
    std::filesystem::remove_all("backup");
  }
#ifndef _WIN32
  // A restore of `zip` killed at each step of `arm` in turn: the next start finishes or undoes
  // it, and the safety copy its packing makes gives `old` back. `steps` gets their number.
  void KillAtEachStep(const std::string& zip, void (*arm)(int), const Files& old,
                      int* steps = nullptr) {
    for (int k = 1;; ++k) {
      ASSERT_LT(k, 500);
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        Check(zip);
        arm(k);
        _exit(Restore() == RestoreResult::Ok ? 0 : 1);
      }
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFEXITED(status));
      if (WEXITSTATUS(status) == 0) {  // no step left to die in
        if (steps) *steps = k - 1;
        ASSERT_EQ(Snapshot(), image_["new"]);
        return BackFromSafetyCopy(old);
      }
      ASSERT_EQ(WEXITSTATUS(status), 9) << k;
      ASSERT_NE(RecoverRestore(), Recovery::Failed) << k;
      ASSERT_TRUE(PackSafetyCopy(detail_)) << k << ": " << detail_;
      const Files now = Snapshot();
      ASSERT_TRUE(now == old || now == image_["new"]) << "killed at step " << k;
      if (now != old) {
        ASSERT_NO_FATAL_FAILURE(BackFromSafetyCopy(old)) << k;
      }
      std::filesystem::remove_all("backup");
    }
  }
#endif
  const std::string kSafetyCopy = Gb("backup\\恢复前 2026-12-07 0930.zip");

  std::map<std::string, Files> image_;
  ZipReader reader_;
  RestorePlan plan_;
  std::string detail_;
};

// Text, stored noise, empty files, folders and one file past the 1 MB drain pack alike.
using ZipPackingTest = test::TempFolderTest;
TEST_F(ZipPackingTest, ArchiveIsTheSameWithAnyNumberOfPackingThreads) {
  const auto archive = [](unsigned threads) {
    ZipWriter zip;
    zip.packThreads = threads;
    const std::string path = Format("%u.zip", threads);
    bool ok = zip.Open(path);
    for (int i = 0; i < 400 && ok; ++i) {
      const LocalTime time{2020 + i % 7, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0};
      std::string text;
      for (int line = 0; line < i % 97 * 5; ++line) text += Format("%d %d\r\n", line, i * line);
      ok = i % 40 == 0   ? zip.AddFolder(Format("note/f%d/", i), time)
           : i % 9 == 0  ? zip.AddFile(Format("note/%d.bin", i), Noise(i * 13, i), time)
           : i % 25 == 0 ? zip.AddFile(Format("note/%d.xml", i), "", time)
                         : zip.AddFile(Format("note/%d.xml", i), text, time);
    }
    ok = ok && zip.AddFile("big", Noise(3 << 20, 9) + std::string(1 << 20, 'a'), kNow);
    std::string bytes;
    EXPECT_TRUE(zip.Finish() && ok && ReadWholeFile(path, bytes)) << threads;
    return bytes;
  };
  const std::string alone = archive(0);
  EXPECT_GT(alone.size(), 3u << 20);
  for (unsigned threads : {1u, 3u, Cores()}) EXPECT_TRUE(archive(threads) == alone) << threads;
}

// Its bytes, names, folders and ZIP64 fields are checked by zip_check.py's own readers.
TEST_F(BackupTest, ArchiveHasItsManifestFirstAndBadArchivesAreRefusedBeforeAnythingChanges) {
  std::string good, first;
  ASSERT_EQ(Check(ArchiveOf("new")), ArchiveCheck::Ok);
  const ManifestInfo manifest = ReadManifest(plan_.manifest);
  ASSERT_TRUE(reader_.Name(reader_.entries().at(0), first));
  EXPECT_EQ(std::tuple(first, manifest.date, manifest.counts.notes, manifest.counts.contacts,
                       manifest.counts.cards, Listing()),
            std::tuple("pimbrel-backup.txt", "2026-12-07 09:30", 2, 1, 1,
                       std::vector<std::string>{"new.zip"}));
  ASSERT_TRUE(ReadWholeFile("new.zip", good));
  MakeData("old");
  const Files before = Snapshot();
  const RawEntry conf{"set/sets.conf", "[SYS]\r\n"};
  const RawEntry badCrc{.name = "note/n.0.xml", .data = "abc", .badCrc = true};
  // A deflated entry (one stored block) that claims almost 4 GB; two of them pass the limit.
  const RawEntry bomb{.name = "note/n.1.xml",
                      .data = std::string("\x01\x05\x00\xFA\xFFhello", 10),
                      .method = 8,
                      .claimedSize = 0xFFFFFFFE};
  ZipWriter zip;
  zip.maxEntries16 = 0;  // ZIP64 records, whose count goes beyond 16 bits
  ASSERT_TRUE(zip.Open("many.zip") && zip.AddFile("set/sets.conf", "[SYS]", kNow) && zip.Finish());
  std::string tooMany;
  ASSERT_TRUE(ReadWholeFile("many.zip", tooMany) && RemoveFile("many.zip"));
  std::string count;  // the ZIP64 end record claims 200,001 entries
  Le(count, {{200001, 8}});
  tooMany.replace(tooMany.size() - 22 - 20 - 56 + 32, 8, count);
  std::vector<std::tuple<std::string, std::string, ArchiveCheck>> cases = {
      {"not a zip", "PK this is plain text, not an archive at all", ArchiveCheck::NotZip},
      {"wrong CRC", RawZip({conf, badCrc}), ArchiveCheck::BadData},
      {"dot-dot", RawZip({conf, {"note/../../evil.txt", "x"}}), ArchiveCheck::BadName},
      {"dot-dot backslash", RawZip({conf, {"..\\evil.txt", "x"}}), ArchiveCheck::BadName},
      {"drive", RawZip({conf, {"C:\\evil.txt", "x"}}), ArchiveCheck::BadName},
      {"absolute", RawZip({conf, {"/etc/evil", "x"}}), ArchiveCheck::BadName},
      {"bomb", RawZip({conf, bomb, bomb}), ArchiveCheck::TooBig},
      {"too many", tooMany, ArchiveCheck::TooBig},
      {"file as folder", RawZip({conf, {"datum/a", "x"}, {"datum/a/b.xml", "y"}}),
       ArchiveCheck::FileAsFolder},
      {"file as known folder", RawZip({conf, {"note", "x"}}), ArchiveCheck::FileAsFolder},
      {"no settings", RawZip({{"note/n.0.xml", "x"}}), ArchiveCheck::NoSettings},
  };
  for (int k = 1; k < 8; ++k)
    cases.push_back(
        {Format("cut at %d/8", k), good.substr(0, good.size() * k / 8), ArchiveCheck::Damaged});
  for (const auto& [what, bytes, want] : cases) {
    WriteBytes("bad.zip", bytes);
    // A cut archive may look like no archive at all; either way it is refused.
    const ArchiveCheck got = Check("bad.zip");
    EXPECT_TRUE(got == want || (want == ArchiveCheck::Damaged && got == ArchiveCheck::NotZip))
        << what << ": " << static_cast<int>(got);
  }
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(BackupTest, ArchiveOfAnotherToolRestores) {
  // Zipped by hand: all in one folder, code page 936 names or a Unicode path field, a stray.
  std::string unicode("\x01", 1), field;
  Le(unicode, {{crc32(0, reinterpret_cast<const Bytef*>("Mine/note/n?.xml"), 16), 4}});
  unicode += "Mine/note/n.\xE4\xB8\x83.xml";  // UTF-8 of "七"
  Le(field, {{0x7075, 2}, {unicode.size(), 2}});
  WriteBytes("foreign.zip", RawZip({{"Mine/", "", 0},
                                    {"Mine/set/sets.conf", "[SYS]\r\nhotkey=583\r\n", 0},
                                    {"Mine/datum/" + kCategory + "/" + kCard, "card", 0},
                                    {"Mine/note/n?.xml", "seven", 0, field + unicode},
                                    {"Mine/readme.txt", "hi", 0}}));
  MakeData("old");
  ASSERT_EQ(Check("foreign.zip"), ArchiveCheck::Ok);
  EXPECT_EQ(std::pair(plan_.ignored, plan_.counts.cards),
            std::pair(std::vector<std::string>{"readme.txt"}, 1));
  ASSERT_EQ(Restore(), RestoreResult::Ok) << detail_;
  EXPECT_EQ(ReadBytes("datum\\" + kCategory + "\\" + kCard) + ReadBytes(Gb("note\\n.七.xml")) +
                ReadBytes("set\\run.ing.m") + ReadBytes("set\\only-old.lst"),
            "cardsevenruning<missing>");
}

// Failed before the swap: the old data; while packing the safety copy: the new, the old kept.
TEST_F(BackupTest, RestoreFailingAtAnyStepLeavesTheOldData) {
  const std::string archive = ArchiveOf("new");
  MakeData("old");
  const Files old = Snapshot();
  int k = 1, packFailures = 0;
  for (;; ++k) {
    ASSERT_LT(k, 500) << "the restore never got through";
    ASSERT_EQ(Check(archive), ArchiveCheck::Ok);
    ArmWriteFault(k);
    const RestoreResult result = RunRestore(reader_, plan_, "test", kNow, detail_);
    const bool packed = result == RestoreResult::Ok && PackSafetyCopy(detail_);
    ArmWriteFault(0);
    if (packed) break;
    ASSERT_NE(result, RestoreResult::Stuck) << k;
    EXPECT_FALSE(detail_.empty());
    if (result != RestoreResult::Ok) {
      ASSERT_EQ(Snapshot(), old) << "fault at step " << k;
      continue;
    }
    ++packFailures;
    ASSERT_TRUE(SafetyCopyPending()) << k;
    ASSERT_EQ(RecoverRestore(), Recovery::Nothing);
    ASSERT_TRUE(PackSafetyCopy(detail_)) << k << ": " << detail_;
    ASSERT_EQ(Snapshot(), image_["new"]) << k;
    ASSERT_NO_FATAL_FAILURE(BackFromSafetyCopy(old)) << k;
  }
  EXPECT_GT(k, 20);            // the unpacking, the journal, every move and the packing
  EXPECT_GE(packFailures, 4);  // its writing, flushing, placing, and the journal going
  EXPECT_EQ(Snapshot(), image_["new"]);
  ASSERT_NO_FATAL_FAILURE(BackFromSafetyCopy(old));
}

#ifndef _WIN32
// Killed at any move or write step; the next start's packing makes the old data's safety copy.
TEST_F(BackupTest, RestoreKilledAtAnyStepIsFinishedOrUndoneAtTheNextStart) {
  const std::string archive = ArchiveOf("new");
  MakeData("old");
  for (const auto arm : {ArmMoveKill, ArmWriteKill})
    ASSERT_NO_FATAL_FAILURE(KillAtEachStep(archive, arm, Snapshot()));
}

// No rename reaches a data folder on another volume: the restore copies across instead.
TEST_F(BackupTest, ARestoreIntoADataFolderOnAnotherVolumeIsWholeOrNotAtAllWhereverAKillStops) {
  const std::string shm = "/dev/shm/pimbrel-restore-" + std::to_string(::getpid());
  struct stat here {
  }, there{};
  if (::stat(".", &here) != 0 || ::stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev)
    GTEST_SKIP() << "no second volume at /dev/shm";
  const std::string archive = ArchiveOf("new");
  SetDataFolder(shm);
  std::filesystem::create_directory(shm);
  MakeData("old");
  int steps = 0;
  ASSERT_NO_FATAL_FAILURE(KillAtEachStep(archive, ArmWriteKill, Snapshot(), &steps));
  EXPECT_GE(steps, 30);  // the safety copy, the unpacking, and each file copied across
  std::printf("a restore across volumes, killed at each of its %d write steps\n", steps);
  SetDataFolder("");
  std::filesystem::remove_all(shm);
}
#endif

// The wrong archive and at once the right one: the first safety copy holds the data as it was.
TEST_F(BackupTest, ASecondRestoreInTheSameMinuteKeepsTheFirstSafetyCopy) {
  const std::string archive = ArchiveOf("new");
  MakeData("old");
  const Files old = Snapshot();
  ASSERT_EQ(Check(archive), ArchiveCheck::Ok);
  ASSERT_EQ(RunRestore(reader_, plan_, "test", kNow, detail_), RestoreResult::Ok) << detail_;
  // Not yet packed: a start and the daily copy keep the old data aside for the next restore.
  std::string failure;
  EXPECT_EQ(std::pair(RecoverRestore(), MakeDailyCopy("test", kNow, failure, 0)),
            std::pair(Recovery::Nothing, DailyCopy::Made));
  ASSERT_EQ(Check(archive), ArchiveCheck::Ok);
  ASSERT_EQ(Restore(), RestoreResult::Ok) << detail_;
  EXPECT_TRUE(FileExists(Gb("backup\\恢复前 2026-12-07 0930 (2).zip")));
  ASSERT_EQ(Check(kSafetyCopy), ArchiveCheck::Ok);
  ASSERT_EQ(Restore(), RestoreResult::Ok) << detail_;
  EXPECT_EQ(Snapshot(), old);
}

// An unremovable leftover: on Windows a file held open, natively a path too long to name.
class Leftover {
 public:
  Leftover() {
    EXPECT_TRUE(CreateFolder("restore.old") && CreateFolder("restore.old\\note"));
#ifdef _WIN32
    held_ = CreateFileW(ToNativePath("restore.old\\note\\n.1.xml").c_str(), GENERIC_WRITE,
                        FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(held_, INVALID_HANDLE_VALUE);
#else
    const std::filesystem::path start = std::filesystem::current_path();
    std::filesystem::current_path("restore.old/note");
    for (int depth = 0; depth < 20; ++depth) {
      EXPECT_EQ(::mkdir(std::string(250, 'd').c_str(), 0755), 0);
      std::filesystem::current_path(std::string(250, 'd'));
    }
    std::filesystem::current_path(start);
#endif
  }
  ~Leftover() {
#ifdef _WIN32
    CloseHandle(held_);
#else
    std::filesystem::remove_all("restore.old/note");
#endif
  }

 private:
#ifdef _WIN32
  HANDLE held_;
#endif
};

// An unremovable leftover is named and stops the restore; a removable one is removed.
TEST_F(BackupTest, ALeftoverIsRemovedOrStopsTheRestoreBeforeAnythingMoves) {
  const std::string archive = ArchiveOf("new");
  MakeData("old");
  const Files old = Snapshot();
  auto data = [] {
    Files files = Snapshot();
    std::erase_if(files, [](const auto& f) { return f.first.starts_with("restore."); });
    return files;
  };
  {
    const Leftover leftover;
    ASSERT_EQ(Check(archive), ArchiveCheck::Ok);
    EXPECT_EQ(Restore(), RestoreResult::Blocked);
    const std::string told = RestoreOutcomeText(RestoreResult::Blocked, detail_);
    EXPECT_NE(told.find("restore.old\\note\\"), std::string::npos) << told;
    EXPECT_NE(told.find(Gb("现在的数据没有改动")), std::string::npos);
    EXPECT_EQ(data(), old);
    EXPECT_FALSE(FolderExists("backup"));
  }
  ASSERT_TRUE(CreateFolder("restore.old\\note"));
  WriteBytes("restore.old\\note\\n.1.xml", "left");
  ASSERT_EQ(Check(archive), ArchiveCheck::Ok);
  ASSERT_EQ(Restore(), RestoreResult::Ok) << detail_;
  EXPECT_EQ(Snapshot(), image_["new"]);
  // A journal not yet finished holds the only old data: the next start's, never ours.
  WriteBytes("restore.journal", "pimbrel restore\r\nphase=undo\r\nend\r\n");
  EXPECT_EQ(Restore(), RestoreResult::Blocked);
  EXPECT_EQ(data(), image_["new"]);
}

// So no sync service takes it for changed; without hard links the copy gets its time.
TEST_F(BackupTest, AFileTheRestoreWouldNotChangeKeepsItsTime) {
  const std::string archive = ArchiveOf("new");
  MakeData("new");
  for (bool links : {true, false}) {
    WriteBytes("note\\n.0.xml", "changed");
    std::map<std::string, FileStamp> before;
    for (const auto& [name, bytes] : test::Tree()) {
      if (bytes == "<folder>" || name.ends_with(".zip") || name.starts_with("backup")) continue;
      const std::filesystem::path path(std::u8string(name.begin(), name.end()));
      std::filesystem::last_write_time(
          path, std::filesystem::last_write_time(path) - std::chrono::hours(24 * 3000));
      before[name] = StampOf(Utf8ToGb(name));
    }
    ArmLinkRefusal(!links);
    ASSERT_EQ(Check(archive), ArchiveCheck::Ok);
    const RestoreResult result = Restore();
    ArmLinkRefusal(false);
    ASSERT_EQ(result, RestoreResult::Ok) << detail_;
    EXPECT_EQ(Snapshot(), image_["new"]);
    for (const auto& [name, stamp] : before)
      EXPECT_EQ(StampOf(Utf8ToGb(name)) == stamp, name != "note/n.0.xml")
          << name << (links ? "" : " (copied)");
  }
}

TEST_F(BackupTest, DailyCopiesKeepTheNewestSevenAndNothingElse) {
  MakeData("old");
  CreateFolder("backup");
  const std::string prefix = Gb("backup\\Pimbrel备份 ");
  for (int day = 1; day <= 8; ++day) WriteBytes(prefix + Format("2026-11-%02d.zip", day), "old");
  WriteBytes(prefix + "notes.zip", "mine");
  WriteBytes("backup\\other.zip", "mine");
  std::string failure;
  EXPECT_EQ(MakeDailyCopy("test", kNow, failure), DailyCopy::Made) << failure;
  EXPECT_EQ(MakeDailyCopy("test", kNow, failure), DailyCopy::Exists);
  // Today, six of November, and the two of the user's.
  EXPECT_EQ(
      std::tuple(Listing("backup").size(), FileExists(prefix + "2026-12-07.zip"),
                 FileExists(prefix + "2026-11-03.zip"), FileExists(prefix + "2026-11-02.zip")),
      std::tuple(9u, true, true, false));
  // The switch is a key that older settings files lack; it is added below "[SYS]".
  WriteBytes("set\\sets.conf", "[COMU]\r\nmaxid=1\r\n[SYS]\r\nhotkey=583\r\n");
  ASSERT_TRUE(AddSysKey("autobackup", "false"));
  EXPECT_EQ(ReadBytes("set\\sets.conf"),
            "[COMU]\r\nmaxid=1\r\n[SYS]\r\nautobackup=false\r\nhotkey=583\r\n");
  EXPECT_EQ(MakeDailyCopy("test", {2026, 12, 8, 9, 0, 2}, failure), DailyCopy::Off);
}

}  // namespace
}  // namespace pim
