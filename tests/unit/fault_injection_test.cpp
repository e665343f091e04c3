// Every writer failed at each of its write and read steps in turn: each file whole old or new.
#include <algorithm>
#include <cstdio>

#include "records/record_counter.h"
#include "test_support.h"

namespace pim {
namespace {

using test::RecordingPrompter;
using Files = std::map<std::string, std::string>;
const FixedClock kClock({2026, 12, 6, 10, 30, 0});

// Each writer's run: true when the model reports the save done.
bool SaveSettings(RecordingPrompter&) {
  CConfigFile conf;
  return conf.Load(kSettingsPath) == 1 && conf.SetValue("SYS", "hotkey", "1601") == 1 &&
         conf.Save() == 1;
}

bool TakeNumber(RecordingPrompter&) {
  RecordCounter counter("NOTE", "note", "n.");
  counter.Load();
  return counter.Take();
}

bool SaveNote(RecordingPrompter& prompter) {
  NoteBook book(prompter, kClock);
  book.Open();
  book.New(NoteBook::kOrdinary);
  return book.Save("a note\r\nof two lines", NoteBook::kOrdinary);
}

bool SaveContact(RecordingPrompter& prompter) {
  AddressBook book(prompter);
  book.Initialise();
  book.New();
  ComuRecord entry;
  entry.name = "Li";
  return book.Save(entry);
}

bool StoreCard(RecordingPrompter& prompter) {
  DatumCapture capture(prompter, kClock, "C:\\P");
  capture.Open();
  capture.MarkModified();
  return capture.StoreCard({"fault", "t", "card text"});
}

// Trims the first waiting card: into all three indexes, or changed and into none.
bool TrimFirst(DatumTrimming& trim, bool marks) {
  if (trim.Open() != DatumTrimming::Start::Ready) return false;
  TrimForm form = trim.form();
  form.category = marks ? form.category : "b";
  form.source = marks ? form.source : "web";
  form.text = marks ? form.text : "new text";
  form.bookmark = form.index = marks;
  return trim.SaveItem(form);
}

bool TrimCard(RecordingPrompter& prompter) {
  DatumTrimming trim(prompter, kClock, "C:\\P");
  return TrimFirst(trim, false);
}

bool WriteIndex(RecordingPrompter&) {
  const IndexEntry left[] = {{"c2", "datum\\a\\c2.xml", "", "a", "", ""}};
  return WriteUntrimmedIndex(left);
}

bool AppendToIndexes(RecordingPrompter& prompter) {  // the first card marked, the second plain
  DatumTrimming trim(prompter, kClock, "C:\\P");
  if (!TrimFirst(trim, true)) return false;
  trim.Next(trim.form());
  return trim.SaveItem(trim.form()) && trim.WriteIndexes();
}

// Each index whole, and each card still waiting or in the trimmed index.
bool NoCardLost(const Files& files) {
  std::set<std::string> names;
  for (const auto& [file, bytes] : files) {
    bool whole = false;
    const auto links = test::LinkNames(bytes, &whole);
    if (!whole) return false;
    if (file == kUntrimmedIndexPath || file == kTrimmedIndexPath)
      names.insert(links.begin(), links.end());
  }
  return names.contains("c1") && names.contains("c2");
}

bool SaveListOnTimer(RecordingPrompter& prompter) {  // a list it could not write stays changed
  test::FakeHotkeys hotkeys;
  test::FakeShell shell;
  test::FakeImages images;
  LaunchLists lists(prompter, hotkeys, shell, images);
  if (!lists.LoadList(0) || !lists.Add(0, "C:\\Tools\\a.exe")) return false;
  lists.SaveOnTimer();
  return !lists.changed(0);
}

bool ClaimMarker(RecordingPrompter&) { return RunMarker().Claim() == MarkerResult::Started; }

struct Writer {
  const char* name;
  std::vector<std::string_view> files;  // what it may change; the first is what the user saved
  bool (*run)(RecordingPrompter&);
  int reads = 0;             // its read steps, each failed in turn
  bool callerTells = false;  // a failure goes back to a caller that shows it
  int cards = 0;             // cards waiting in the untrimmed index beforehand
  // For a writer of several files: what is neither old nor new is whole and loses nothing.
  bool (*consistent)(const Files&) = nullptr;
};

const std::vector<std::string_view> kIndexFiles = {kTrimmedIndexPath, kBookmarkListPath,
                                                   kIndexListPath, kUntrimmedIndexPath};
const Writer kWriters[] = {
    {"settings", {kSettingsPath}, SaveSettings, 2, true},
    {"counter", {kSettingsPath}, TakeNumber, 4, true},
    {"note", {"note\\n.0.xml", kSettingsPath}, SaveNote, 4},
    {"contact", {"communication\\com.0.xml", kSettingsPath}, SaveContact, 4},
    {"card", {"datum\\fault\\t.datum.0.xml", kClassListPath, kDatumConfPath}, StoreCard, 14},
    {"trimmed_card", {"datum\\a\\c1.xml", kClassListPath, kSourceListPath}, TrimCard, 16, false, 2},
    {"untrimmed_index", {kUntrimmedIndexPath}, WriteIndex, 0, true, 2},
    {"index_appends", kIndexFiles, AppendToIndexes, 26, false, 2, NoCardLost},
    {"quick_launch_list", {LaunchLists::kFiles[0]}, SaveListOnTimer, 4},
    {"run_marker", {kRunMarkerPath}, ClaimMarker, 0, true},
};

class FaultInjectionTest : public test::TempFolderTest,
                           public ::testing::WithParamInterface<Writer> {
 protected:
  void TearDown() override {
    ArmWriteFault(0);
    ArmReadFault(0);
    TempFolderTest::TearDown();
  }
  // A fresh installed data folder with the writer's starting state.
  void Lay() {
    for (const auto& entry : std::filesystem::directory_iterator(folder_))
      std::filesystem::remove_all(entry.path());
    ASSERT_TRUE(WriteDataFolder());
    if (GetParam().cards) test::CaptureCards(GetParam().cards);
    WriteBytes(std::string(kRunMarkerPath), "      tail");
  }
  Files Contents() {
    Files contents;
    for (const std::string_view file : GetParam().files)
      contents[std::string(file)] = ReadBytes(std::string(file));
    return contents;
  }
  // Runs the writer with the k-th step of `arm` failing on a fresh folder: each file whole old
  // or whole new, and no temporary file left.
  void RunArmed(void (*arm)(int), int k) {
    SCOPED_TRACE(Format("%s, failing step %d", GetParam().name, k));
    EXPECT_NO_FATAL_FAILURE(Lay());
    RecordingPrompter prompter;
    arm(k);
    const bool done = GetParam().run(prompter);
    arm(0);
    const Files now = Contents();
    const bool each = std::ranges::all_of(now, [&](const auto& file) {
      return file.second == before_.at(file.first) || file.second == after_.at(file.first);
    });
    EXPECT_TRUE(each || (GetParam().consistent && GetParam().consistent(now)));
    EXPECT_FALSE(std::ranges::any_of(test::Tree(),
                                     [](const auto& f) { return f.first.ends_with("~pimtmp"); }));
    // A save reported done is all there; a failed write is told (a failed read may leave a list
    // empty, untold).
    const std::string saved(GetParam().files[0]);
    EXPECT_TRUE(done
                    ? now.at(saved) == after_.at(saved)
                    : arm != ArmWriteFault || GetParam().callerTells || !prompter.messages.empty());
  }
  Files before_, after_;
};

// A failed write is told; a failed read may leave a list empty, but nothing read in part is
// written back. The read count is checked: a read never reached must not pass unarmed.
TEST_P(FaultInjectionTest, EachFailedWriteOrReadLeavesEveryFileWholeOldOrWholeNew) {
  RecordingPrompter clean;
  ASSERT_NO_FATAL_FAILURE(Lay());
  before_ = Contents();
  ArmWriteFault(0);
  ArmReadFault(0);
  ASSERT_TRUE(GetParam().run(clean));
  const int writes = WriteStepsTaken(), reads = ReadStepsTaken();
  after_ = Contents();
  const std::string saved(GetParam().files[0]);
  EXPECT_NE(before_.at(saved), after_.at(saved));
  EXPECT_GT(writes, 0);
  std::printf("[  FAULTS  ] %s: %d steps\n", GetParam().name, writes);
  for (int k = 1; k <= writes; ++k) RunArmed(ArmWriteFault, k);
  ASSERT_EQ(reads, GetParam().reads);
  for (int k = 1; k <= reads; ++k) RunArmed(ArmReadFault, k);
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, FaultInjectionTest, ::testing::ValuesIn(kWriters),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace pim
