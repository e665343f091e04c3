// Every file the program reads, replaced by each case of tests/corpus and the cases made here;
// every panel's model opens it: no crash, sane numbers, few messages, no other file changed.
#include <algorithm>
#include <cstdio>

#include "datum/browser.h"
#include "test_support.h"

namespace pim {
namespace {

namespace fs = std::filesystem;

struct Kind {
  const char* name;                // its corpus folder
  std::vector<std::string> paths;  // where the program reads it
  std::string folder;              // made a file in one case
  bool rewritten;                  // opening may repair it (counters, the run marker)
};

const std::vector<Kind> kKinds = {
    {"settings", {kSettingsPath}, "set", true},
    {"quicklist", {LaunchLists::kFiles[0]}, "set", false},
    {"marker", {std::string(kRunMarkerPath)}, "set", true},
    {"note", {"note\\n.0.xml"}, "note", false},
    {"contact", {"communication\\com.0.xml"}, "communication", false},
    {"card", {"datum\\a\\t.datum.0.xml"}, "datum\\a", false},
    {"classlist", {std::string(kClassListPath)}, "datum", false},
    {"sourcelist", {std::string(kSourceListPath)}, "datum", false},
    {"datumconf", {std::string(kDatumConfPath)}, "datum", true},
    {"lineindex", {"datum\\lineindex.list", "datum\\lineindex.untrim.list"}, "datum", false},
};

void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.name; }
fs::path Corpus(const Kind& kind) { return fs::path(PIMBREL_CORPUS) / kind.name; }

std::string Slashed(std::string dataPath) {
  std::replace(dataPath.begin(), dataPath.end(), '\\', '/');
  return dataPath;
}

// An untrimmed index read whole may be rewritten at the panel's close, from its first link on
// byte for byte the same: a rewrite from part of the old file would lose the rest.
bool SameLinks(const std::string& file, const std::string& before, const std::string& after) {
  bool wasWhole = false;
  test::LinkNames(before, &wasWhole);
  const auto links = [](auto& b) { return b.substr(std::min(b.find("\t<link>"), b.size())); };
  return file == "datum/lineindex.untrim.list" && wasWhole && links(before) == links(after);
}

class BadInputTest : public test::TempFolderTest, public ::testing::WithParamInterface<Kind> {
 protected:
  // The installed data folder with one good record of every kind.
  void Lay() {
    Unlock();
    for (const auto& entry : fs::directory_iterator(folder_)) fs::remove_all(entry.path());
    ASSERT_TRUE(WriteDataFolder() && CreateFolder("datum\\a"));
    for (const Kind& kind : kKinds)
      for (const std::string& path : kind.paths) WriteBytes(path, valid_.at(kind.name));
    WriteBytes("note\\n.1.xml", valid_.at("note"));
    WriteBytes("communication\\com.1.xml", valid_.at("contact"));
    WriteBytes("datum\\a\\u.datum.1.xml", valid_.at("card"));
  }
  // Windows removes no read-only file.
  void Unlock() {
    for (const auto& entry : fs::recursive_directory_iterator(folder_))
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
  }
  void TearDown() override {
    Unlock();
    TempFolderTest::TearDown();
  }
  // Each panel opens the data folder as the user does and pages through what it finds.
  void Check(const std::string& name, const std::function<void()>& place) {
    SCOPED_TRACE(std::string(GetParam().name) + " / " + name);
    ASSERT_NO_FATAL_FAILURE(Lay());
    place();
    const auto before = test::Tree();
    test::RecordingPrompter prompter;
    const FixedClock clock({2026, 12, 6, 11, 0, 0});
    // The marker is claimed wherever it can be written, never half of it.
    RunMarker run;
    const MarkerResult marker = run.Claim();
    run.Release();
    EXPECT_TRUE(marker != MarkerResult::Started ||
                ReadBytes(std::string(kRunMarkerPath)).starts_with("      "));
    LoadSysSettings();
    LoadBarHotkey();
    // Numbers of the records there stay taken, and counts stay within their tables.
    NoteBook notes(prompter, clock);
    notes.Open();
    for (int step : {0, 0, 1}) step ? notes.Next(NoteBook::kDiary) : notes.Previous(NoteBook::kAll);
    EXPECT_TRUE(notes.maxid() >= 2 || !FolderExists("note"));
    notes.Close();
    AddressBook contacts(prompter);
    contacts.Initialise();
    ComuRecord shown;
    for (int step : {0, 0, 1}) step ? contacts.Next(shown) : contacts.Previous(shown);
    EXPECT_TRUE(contacts.maxid() >= 2 || !FolderExists("communication"));
    contacts.Close();
    test::FakeHotkeys hotkeys;
    test::FakeShell shell;
    test::FakeImages images;
    LaunchLists lists(prompter, hotkeys, shell, images);
    lists.LoadAll();
    EXPECT_TRUE(lists.count(0) >= 0 && lists.count(0) <= LaunchLists::kMaxItems);
    lists.Close();
    DatumCapture capture(prompter, clock, "C:\\P");
    capture.Open();
    for (int i = 0; i < 3 && capture.CanGoBack(); ++i) capture.Previous(capture.shown());
    EXPECT_TRUE(capture.classes().count >= 0 && capture.classes().count <= kDatumTableSize);
    capture.Close(capture.shown());
    DatumTrimming trim(prompter, clock, "C:\\P");
    if (trim.Open() == DatumTrimming::Start::Ready)
      for (int n = 1; n <= static_cast<int>(trim.entries().size()); ++n) trim.ShowItem(n);
    DatumBrowser browser("datum");
    browser.Build(prompter);
    for (int item = 0; item < static_cast<int>(browser.items().size()); ++item)
      browser.Show(item, prompter);
    EXPECT_LE(prompter.messages.size(), 12u);
    ++cases_;
    const auto after = test::Tree();
    for (const auto& [file, bytes] : before) {
      const bool own = std::any_of(GetParam().paths.begin(), GetParam().paths.end(),
                                   [&](const std::string& p) { return Slashed(p) == file; });
      // An empty file may be written anew: there was nothing in it to lose.
      const bool mayChange =
          file == "set/run.ing.m" || (own && (GetParam().rewritten || bytes.empty()));
      const bool same =
          after.count(file) && (after.at(file) == bytes || SameLinks(file, bytes, after.at(file)));
      EXPECT_TRUE(mayChange || same) << file;
    }
  }
  std::map<std::string, std::string> valid_;
  int cases_ = 0;
};

TEST_P(BadInputTest, EveryPanelOpensEveryBadFileAndLosesNothingElse) {
  const Kind& kind = GetParam();
  for (const Kind& k : kKinds) valid_[k.name] = test::Tree(Corpus(k)).at("valid");
  auto placeAll = [&](const std::string& bytes) {
    return [&kind, bytes] {
      for (const std::string& path : kind.paths) WriteBytes(path, bytes);
    };
  };
  for (const auto& [name, bytes] : test::Tree(Corpus(kind))) Check(name, placeAll(bytes));
  const std::string valid = valid_.at(kind.name);
  Check("empty", placeAll(""));
  // Cut at the start and in the middle of every line.
  for (size_t at = 0, line = 0; at < valid.size(); ++line) {
    const size_t end = std::min(valid.find('\n', at), valid.size() - 1) + 1;
    Check("cut before line " + std::to_string(line), placeAll(valid.substr(0, at)));
    Check("cut inside line " + std::to_string(line), placeAll(valid.substr(0, (at + end) / 2)));
    at = end;
  }
  // A 10 MB line inside the second line's value.
  const size_t second = valid.find('\n') + 1;
  const size_t inside = std::min(valid.size(), second + (valid.find('\n', second) - second) / 2);
  Check("10 MB line",
        placeAll(valid.substr(0, inside) + std::string(10 << 20, 'x') + valid.substr(inside)));
  Check("a folder in its place", [&] {
    for (const std::string& path : kind.paths) ASSERT_TRUE(RemoveFile(path) && CreateFolder(path));
  });
  Check("read-only", [&] {
    for (const std::string& path : kind.paths)
      fs::permissions(Slashed(path), fs::perms::owner_read | fs::perms::group_read);
  });
  Check("its folder a file", [&] {
    fs::remove_all(Slashed(kind.folder));
    WriteBytes(kind.folder, valid);
  });
  std::printf("[ BADINPUT ] %s: %d cases\n", kind.name, cases_);
}

INSTANTIATE_TEST_SUITE_P(EveryFile, BadInputTest, ::testing::ValuesIn(kKinds),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace pim
