// Conflict copies of every sync service's naming, laid by hand; lists merged alike on both
// computers; each decision done once, by the file operation itself.
#include <algorithm>

#include "records/record_events.h"
#include "records/record_names.h"
#include "sync/conflict_text.h"
#include "sync/conflicts.h"
#include "sync/list_merge.h"
#include "sync/record_watch.h"
#include "test_support.h"

namespace pim {
namespace {

using Strings = std::vector<std::string>;

TEST(RecordNames, EveryServicesCopyIsKnownByItsOriginalAndNothingElseIsTakenForOne) {
  const std::pair<RecordFolder, const char*> records[] = {
      {RecordFolder::Notes, "n.2.xml"},
      {RecordFolder::Notes, "N.12.XML"},
      {RecordFolder::Contacts, "com.0.xml"},
      {RecordFolder::Category, "资料卡5.datum.5.xml"},
      {RecordFolder::Category, "a (1) b.datum.10.xml"}};
  for (const auto& [folder, name] : records)
    EXPECT_EQ(ClassifyName(folder, Gb(name)).kind, NameKind::Record) << name;
  EXPECT_EQ(ClassifyName(RecordFolder::DatumLists, "Class.List").kind, NameKind::List);

  const std::tuple<RecordFolder, const char*, const char*> copies[] = {
      {RecordFolder::Notes, "n.2.sync-conflict-20261207-145046-QRQ24IX.xml", "n.2.xml"},
      {RecordFolder::Notes, "n.2 (Li's conflicted copy 2026-12-07).xml", "n.2.xml"},
      {RecordFolder::Notes, "n.2 (李的冲突副本 2026-12-07).xml", "n.2.xml"},
      {RecordFolder::Contacts, "com.7-DESKTOP-4ABC.xml", "com.7.xml"},
      {RecordFolder::Contacts, "com.7 (1).xml", "com.7.xml"},
      {RecordFolder::Category, "读书.datum.5.sync-conflict-20261207-145046-QRQ24IX.xml",
       "读书.datum.5.xml"},
      {RecordFolder::Category, "读书 (2).datum.5 (1).xml", "读书 (2).datum.5.xml"},
      {RecordFolder::DatumLists, "class.sync-conflict-20261207-145046-QRQ24IX.list", "class.list"},
      {RecordFolder::DatumLists, "lineindex.untrim-LAPTOP.list", "lineindex.untrim.list"},
      {RecordFolder::DatumLists, "datum (1).conf", "datum.conf"}};
  for (const auto& [folder, name, original] : copies) {
    const NameInfo info = ClassifyName(folder, Gb(name));
    EXPECT_EQ(std::pair(info.kind, GbToUtf8(info.original)),
              std::pair(NameKind::Copy, std::string(original)))
        << name;
  }
  // Being written, by us or a service; or nothing of ours at all.
  for (const char* name : {"n.3.xml~pimtmp", ".syncthing.n.3.xml.tmp", "~syncthing~n.3.xml.tmp",
                           ".dropbox.cache", "~$n.3.xml"})
    EXPECT_EQ(ClassifyName(RecordFolder::Notes, name).kind, NameKind::Temporary) << name;
  for (const char* name : {"n.007.xml", "n.x.xml", "notes.txt", "n.2x.xml", "desktop.ini"})
    EXPECT_EQ(ClassifyName(RecordFolder::Notes, name).kind, NameKind::Other) << name;
}

using SyncFolderTest = test::ModelTest;

TEST_F(SyncFolderTest, ACopyLikeItsRecordGoesAndEachOtherWaitsForTheUserUntilDecidedOnce) {
  WriteBytes("note\\n.0.xml", Note("same"));
  WriteBytes("note\\n.0 (1).xml", Note("same"));
  WriteBytes("note\\n.1.xml", Note("here"));
  WriteBytes("note\\n.1.sync-conflict-20261207-145046-QRQ24IX.xml", Note("there"));
  WriteBytes("note\\dropped.xml", Note("a stray"));
  WriteBytes("note\\readme.txt", "not a note");
  // A contact whose record was removed meanwhile.
  WriteBytes("communication\\com.4-DESKTOP.xml", Contact("x"));
  const ConflictScan scan = FindConflicts(&events_);
  EXPECT_EQ(scan.removed, 1);
  EXPECT_EQ(ReadBytes("note\\n.0 (1).xml"), "<missing>");
  ASSERT_EQ(scan.open.size(), 3u);  // by folder, then by name
  EXPECT_EQ(scan.open[0], (Conflict{RecordFolder::Notes, "", "note\\dropped.xml", false}));
  EXPECT_EQ(scan.open[1], (Conflict{RecordFolder::Notes, "note\\n.1.xml",
                                    "note\\n.1.sync-conflict-20261207-145046-QRQ24IX.xml", false}));
  EXPECT_EQ(scan.open[2],
            (Conflict{RecordFolder::Contacts, "", "communication\\com.4-DESKTOP.xml", false}));
  // What the user compares: each version as labelled lines, the pair by kind, name and title.
  EXPECT_EQ(GbToUtf8(ConflictLine(scan.open[1])), "记事  n.1.xml  here");
  EXPECT_EQ(GbToUtf8(VersionText(scan.open[1], true)),
            "修改时间: 2026-12-7 9:0\r\n类型: 普通\r\n\r\nthere");
  EXPECT_EQ(GbToUtf8(ConflictLine(scan.open[2])), "通讯录  com.4-DESKTOP.xml  x");
  EXPECT_EQ(GbToUtf8(VersionText(scan.open[2], true)),
            "姓名: x\r\n类别: 朋友\r\n性别: 男\r\n生日: 1月1日\r\n");
  EXPECT_EQ(VersionText(scan.open[2], false), "");

  // Both kept: the copy becomes the next note, above every file there.
  EXPECT_EQ(Decide(scan.open[1], ConflictChoice::KeepBoth, prompter_, &events_), Decided::Done);
  EXPECT_EQ(ReadBytes("note\\n.2.xml"), Note("there"));
  // Decided again (on the other computer, before the files met): nothing left to do.
  EXPECT_EQ(Decide(scan.open[1], ConflictChoice::KeepCopy, prompter_, &events_), Decided::Gone);
  EXPECT_EQ(ReadBytes("note\\n.1.xml"), Note("here"));
  // A stray kept becomes a record too; one let go is removed.
  EXPECT_EQ(Decide(scan.open[0], ConflictChoice::KeepCopy, prompter_, &events_), Decided::Done);
  EXPECT_EQ(ReadBytes("note\\n.3.xml"), Note("a stray"));
  EXPECT_EQ(Decide(scan.open[2], ConflictChoice::KeepOriginal, prompter_, &events_), Decided::Done);
  EXPECT_EQ(heard_.log, (Strings{"written note 2", "written note 3"}));
  EXPECT_TRUE(FindConflicts(&events_).open.empty());

  // The other version takes the record's place.
  WriteBytes("note\\n.1-LAPTOP.xml", Note("theirs"));
  const ConflictScan again = FindConflicts(&events_);
  ASSERT_EQ(again.open.size(), 1u);
  EXPECT_EQ(Decide(again.open[0], ConflictChoice::KeepCopy, prompter_, &events_), Decided::Done);
  EXPECT_EQ(std::pair(ReadBytes("note\\n.1.xml"), ReadBytes("note\\n.1-LAPTOP.xml")),
            std::pair(Note("theirs"), std::string("<missing>")));
}

// Each computer added a category, one took card numbers further, and one trimmed card c1
// while the other captured c3: the lists join without a question, alike on both computers,
// and the trimmed card never comes back to the untrimmed index.
TEST_F(SyncFolderTest, ListsAreJoinedAlikeOnBothComputersAndATrimIsNeverUndone) {
  const std::string installed = ReadBytes(std::string(kClassListPath));
  const auto classes = [&](const Strings& names) {
    WriteBytes(std::string(kClassListPath), installed);
    ClassTable table;
    for (const std::string& name : names) FindClassPath(Gb(name), table);
    return ReadBytes(std::string(kClassListPath));
  };
  const auto untrimmed = [](const Strings& names) {
    std::vector<IndexEntry> links;
    for (const std::string& n : names)
      links.push_back({n, "datum\\a\\" + n + ".xml", "", "a", "", ""});
    EXPECT_TRUE(WriteUntrimmedIndex(links));
    return ReadBytes(std::string(kUntrimmedIndexPath));
  };
  const std::string theirClasses = classes({"a", "他的"}), theirIndex = untrimmed({"c1", "c2"});
  classes({"a", "我的"});
  untrimmed({"c2", "c3"});
  WriteBytes("datum\\class-LAPTOP.list", theirClasses);
  WriteBytes("datum\\lineindex.untrim.sync-conflict-20261207-145046-QRQ24IX.list", theirIndex);
  const IndexEntry trimmed{"c1", "datum\\a\\c1.xml", "", "a", "", ""};
  ASSERT_TRUE(AppendToIndex(kTrimmedIndexPath, std::span(&trimmed, 1)));
  WriteBytes("datum\\datum.conf", "[DATUM]\r\nid=4\r\n");
  WriteBytes("datum\\datum (1).conf", "[DATUM]\r\nid=9\r\n");

  const ConflictScan scan = FindConflicts(&events_);
  EXPECT_EQ(std::pair(scan.merged, scan.open.size()), std::pair(3, size_t{0}));
  EXPECT_EQ(heard_.log, Strings{"lists"});
  EXPECT_NE(ReadBytes("datum\\datum.conf").find("id=9"), std::string::npos);
  ClassTable joined;
  EXPECT_EQ(LoadClassList(joined), (Strings{"a", Gb("我的"), Gb("他的")}));
  Strings links;
  for (const IndexEntry& e : LoadUntrimmedIndex(prompter_)) links.push_back(e.name);
  EXPECT_EQ(links, (Strings{"c2", "c3"}));
  // The copies are gone; a second look finds nothing.
  const ConflictScan again = FindConflicts(&events_);
  EXPECT_EQ(std::tuple(again.merged, again.removed, again.open.size()),
            std::tuple(0, 0, size_t{0}));
}

// What another computer changed is told once, as a change of the record; our own writes, told
// already, are not told again; copies and new category folders are found.
TEST_F(SyncFolderTest, ChangesOnDiskAreToldOnceAndOurOwnWritesNotAgain) {
  WriteBytes("note\\n.0.xml", Note("a"));
  RecordWatch watch(events_);
  watch.Reset();
  WriteBytes("note\\n.0.xml", Note("changed elsewhere"));
  WriteBytes("note\\n.5.xml", Note("new elsewhere"));
  EXPECT_FALSE(watch.Rescan("note").copies);
  EXPECT_EQ(heard_.log, (Strings{"written note 0", "written note 5"}));
  EXPECT_TRUE(watch.Rescan("note").copies == false && heard_.log.size() == 2);

  WriteBytes("note\\n.6.xml", Note("ours"));
  events_.Written(RecordKind::Note, 6);
  heard_.log.clear();
  ASSERT_TRUE(RemoveFile("note\\n.0.xml"));
  WriteBytes("note\\n.5 (1).xml", Note("a copy"));
  EXPECT_TRUE(watch.Rescan("note").copies);
  EXPECT_EQ(heard_.log, (Strings{"written note -1", "removed note 0"}));

  ASSERT_TRUE(CreateFolder(Gb("datum\\新类")));
  const RecordWatch::Found found = watch.Rescan("datum");
  EXPECT_TRUE(found.folders && !found.copies);
  EXPECT_NE(std::ranges::find(watch.folders(), Gb("datum\\新类")), watch.folders().end());
}

}  // namespace
}  // namespace pim
