// Every writer of the program, failed at each of its write, flush and replace steps in turn:
// each file it touches must afterwards hold its whole old or its whole new content, and a
// write that did not happen must have been told.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>

#include "app/startup.h"
#include "base/atomic_file.h"
#include "base/file.h"
#include "base/line_reader.h"
#include "config/config_file.h"
#include "config/record_counter.h"
#include "config/sys_settings.h"
#include "contacts/address_book.h"
#include "datafolder.h"
#include "datum/datum_capture.h"
#include "datum/trimming.h"
#include "notes/notebook.h"
#include "quicklaunch/run_lists.h"
#include "test_support.h"

namespace pim {
namespace {

struct NoHotkeys final : HotkeyRegistrar {
  bool Register(int, uint32_t, uint32_t) override { return true; }
  void Unregister(int) override {}
};
struct NoShell final : Shell {
  bool Open(const std::string&, const std::string&, const std::string&) override { return true; }
};
struct NoImages final : IconImages {
  void Reset(int) override {}
  void Append(int, const std::string&, int) override {}
  void Replace(int, int, const std::string&, int) override {}
  void Remove(int, int) override {}
};

const FixedClock kClock({2026, 12, 6, 10, 30, 0});
const std::string kUnsorted = "\xCE\xB4\xB7\xD6\xC0\xE0";  // 未分类

// Cards c1 and c2 in datum\a, waiting in the untrimmed index.
void CaptureTwoCards(Prompter& prompter) {
  ASSERT_TRUE(CreateFolder("datum\\a"));
  std::vector<IndexEntry> entries;
  for (const char* name : {"c1", "c2"}) {
    const std::string url = "datum\\a\\" + std::string(name) + ".xml";
    std::string card;
    XML(prompter, kClock).WriteDatum(card, name, "a", "text\r\nmore", "dtd", "", "", "", {});
    ASSERT_TRUE(WriteFileAtomic(url, card));
    entries.push_back({name, url, "", "a", "", ""});
  }
  ASSERT_TRUE(WriteUntrimmedIndex(entries));
}

struct Writer {
  const char* name;
  std::vector<std::string> files;  // what it may change; the first is what the user saved
  // Lays out what is there before; the installed data folder is already there.
  std::function<void(test::RecordingPrompter&)> setup;
  // Runs the writer through its model; true when the model reports the save done.
  std::function<bool(test::RecordingPrompter&)> run;
  // A failure comes back to a caller that tells the user, rather than as a message here.
  bool callerTells = false;
  // For a writer of several files that may stop between them: a file holding neither its
  // old nor its new content must still be whole, and nothing may be lost across them.
  std::function<bool(const std::map<std::string, std::string>&)> consistent = nullptr;
};

void PrintTo(const Writer& writer, std::ostream* out) { *out << writer.name; }

// A line index that ends with its marker and whose links all read.
bool WholeIndex(const std::string& bytes, std::vector<std::string>& names) {
  if (!bytes.ends_with(kLineIndexEnd)) return false;
  test::RecordingPrompter prompter;
  XML xml(prompter, kClock);
  MemorySource source(bytes);
  LineReader reader(source);
  xml.ReadLineIndexHead(reader);
  while (xml.ReadLineIndexLink(reader)) names.push_back(xml.lineIndex.name);
  return prompter.messages.empty();
}

const std::vector<Writer>& Writers() {
  static const std::vector<Writer> writers = {
      {"settings",
       {kSettingsPath},
       [](auto&) {},
       [](auto&) {
         CConfigFile conf;
         return conf.Load(kSettingsPath) == 1 && conf.SetValue("SYS", "hotkey", "1601") == 1 &&
                conf.Save() == 1;
       },
       true},
      {"counter",
       {kSettingsPath},
       [](auto&) {},
       [](auto&) {
         RecordCounter counter("NOTE", "note", "n.");
         counter.Load();
         return counter.Take();
       },
       true},
      {"note",
       {"note\\n.0.xml", kSettingsPath},
       [](auto&) {},
       [](auto& prompter) {
         NoteBook book(prompter, kClock);
         book.Open();
         book.New(NoteBook::kOrdinary);
         return book.Save("a note\r\nof two lines", NoteBook::kOrdinary);
       }},
      {"contact",
       {"communication\\com.0.xml", kSettingsPath},
       [](auto&) {},
       [](auto& prompter) {
         AddressBook book(prompter);
         book.Initialise();
         book.New();
         ComuRecord entry;
         entry.name = "Li";
         entry.telHandset = "13800000000";
         return book.Save(entry);
       }},
      {"card",
       {"datum\\fault\\t.datum.0.xml", std::string(kClassListPath), std::string(kDatumConfPath)},
       [](auto&) {},
       [](auto& prompter) {
         DatumCapture capture(prompter, kClock, "C:\\P");
         capture.Open();
         capture.MarkModified();
         return capture.StoreCard({"fault", "t", "card text"});
       }},
      {"trimmed card",
       {"datum\\a\\c1.xml", std::string(kClassListPath), std::string(kSourceListPath)},
       [](auto& prompter) { CaptureTwoCards(prompter); },
       [](auto& prompter) {
         DatumTrimming trim(prompter, kClock, "C:\\P");
         if (trim.Open() != DatumTrimming::Start::Ready) return false;
         TrimForm form = trim.form();
         form.category = "b";
         form.source = "web";
         form.text = "new text";
         return trim.SaveItem(form);
       }},
      {"untrimmed index",
       {std::string(kUntrimmedIndexPath)},
       [](auto& prompter) { CaptureTwoCards(prompter); },
       [](auto&) {
         const IndexEntry left[] = {{"c2", "datum\\a\\c2.xml", "", "a", "", ""}};
         return WriteUntrimmedIndex(left);
       },
       true},
      {"index appends",
       {std::string(kTrimmedIndexPath), std::string(kBookmarkListPath), std::string(kIndexListPath),
        std::string(kUntrimmedIndexPath)},
       [](auto& prompter) { CaptureTwoCards(prompter); },
       [](auto& prompter) {
         // Both cards trimmed, the first into all three indexes, then the dialog's end.
         DatumTrimming trim(prompter, kClock, "C:\\P");
         if (trim.Open() != DatumTrimming::Start::Ready) return false;
         TrimForm form = trim.form();
         form.bookmark = form.index = true;
         if (!trim.SaveItem(form)) return false;
         trim.Next(trim.form());
         return trim.SaveItem(trim.form()) && trim.WriteIndexes();
       },
       false,
       [](const auto& files) {
         // Each card is still waiting to be trimmed or has reached the trimmed index.
         std::vector<std::string> names, other;
         for (const auto& [file, bytes] : files) {
           const bool kept = file == kUntrimmedIndexPath || file == kTrimmedIndexPath;
           if (!WholeIndex(bytes, kept ? names : other)) return false;
         }
         return std::count(names.begin(), names.end(), "c1") >= 1 &&
                std::count(names.begin(), names.end(), "c2") >= 1;
       }},
      {"quick-launch list",
       {LaunchLists::kFiles[0]},
       [](auto&) {},
       [](auto& prompter) {
         NoHotkeys hotkeys;
         NoShell shell;
         NoImages images;
         LaunchLists lists(prompter, hotkeys, shell, images);
         // The timer's save: a list it could not write stays changed for the next one.
         if (!lists.LoadList(0) || !lists.Add(0, "C:\\Tools\\a.exe")) return false;
         lists.SaveOnTimer();
         return !lists.changed(0);
       }},
      {"run marker",
       {std::string(kRunMarkerPath)},
       [](auto&) { ASSERT_TRUE(WriteFileAtomic(kRunMarkerPath, "      tail")); },
       [](auto&) { return ClaimRunMarker(false) == MarkerResult::Started; },
       true},
  };
  return writers;
}

int totalCases = 0;

class FaultInjectionTest : public test::TempFolderTest,
                           public ::testing::WithParamInterface<Writer> {
 protected:
  static void TearDownTestSuite() {
    std::printf("[  FAULTS  ] %d (writer, k) cases ran\n", totalCases);
  }
  void TearDown() override {
    ArmWriteFault(0);
    TempFolderTest::TearDown();
  }
  // A fresh installed data folder with the writer's starting state.
  void Lay(test::RecordingPrompter& prompter) {
    for (const auto& entry : std::filesystem::directory_iterator(folder_))
      std::filesystem::remove_all(entry.path());
    ASSERT_TRUE(WriteDataFolder());
    GetParam().setup(prompter);
  }
  std::map<std::string, std::string> Contents() {
    std::map<std::string, std::string> contents;
    for (const std::string& file : GetParam().files) contents[file] = ReadBytes(file);
    return contents;
  }
  // Any temporary file left behind, anywhere below the folder.
  bool LeftoverTemp() {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_))
      if (entry.path().filename().string().ends_with("~pimtmp")) return true;
    return false;
  }
};

TEST_P(FaultInjectionTest, EachFileIsWholeOldOrWholeNewAndAFailureIsTold) {
  const Writer& writer = GetParam();
  test::RecordingPrompter clean;
  ASSERT_NO_FATAL_FAILURE(Lay(clean));
  const auto before = Contents();
  ArmWriteFault(0);
  ASSERT_TRUE(writer.run(clean)) << writer.name;
  const int steps = WriteStepsTaken();
  const auto after = Contents();
  ASSERT_NE(before.at(writer.files[0]), after.at(writer.files[0]));
  ASSERT_GT(steps, 0);
  std::printf("[  FAULTS  ] %s: %d steps\n", writer.name, steps);

  for (int k = 1; k <= steps; ++k) {
    SCOPED_TRACE(std::string(writer.name) + ", failing step " + std::to_string(k));
    test::RecordingPrompter prompter;
    ASSERT_NO_FATAL_FAILURE(Lay(prompter));
    ArmWriteFault(k);
    const bool done = writer.run(prompter);
    ArmWriteFault(0);
    const auto now = Contents();
    bool oldOrNew = true;
    for (const std::string& file : writer.files)
      oldOrNew = oldOrNew && (now.at(file) == before.at(file) || now.at(file) == after.at(file));
    EXPECT_TRUE(oldOrNew || (writer.consistent && writer.consistent(now)));
    EXPECT_FALSE(LeftoverTemp());
    // What was reported done is all there; what is not there was told.
    if (done) {
      EXPECT_EQ(now.at(writer.files[0]), after.at(writer.files[0]));
    } else {
      EXPECT_TRUE(writer.callerTells || prompter.messages.size() > 0);
    }
    ++totalCases;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, FaultInjectionTest, ::testing::ValuesIn(Writers()),
                         [](const auto& param) {
                           std::string name = param.param.name;
                           for (char& c : name)
                             if (c == ' ' || c == '-') c = '_';
                           return name;
                         });

}  // namespace
}  // namespace pim
