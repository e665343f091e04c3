// The check before a restore: names as Windows sees them, archives read a piece at a time.
#include "backup/archive_check.h"

#include <zlib.h>

#include "backup/messages.h"
#include "backup/windows_name.h"
#include "test_support.h"

namespace pim {
namespace {

using test::RawEntry;

const RawEntry kConf{"set/sets.conf", "[SYS]\r\n"};

// Names in UTF-8 with the archive's UTF-8 flag, one refused entry or pair each.
const std::vector<std::vector<std::string>> kRefused = {
    {"note/NUL.xml"},
    {"note/nul"},
    {"note/Com1.txt.xml"},
    {"note/con .xml"},
    {"note/CONOUT$.xml"},
    {"note/LPT\xC2\xB9.xml"},  // superscript one
    {"datum/AUX/n.xml"},
    {"note/n.1.xml."},
    {"note/n.1.xml "},
    {"datum/a. /n.xml"},
    {"note/n\x01.xml"},
    {"note/n?.xml"},
    {"note/\xD0\xAF.xml", "note/\xD1\x8F.xml"},          // Я, я
    {"note/\xEF\xBC\xA1.xml", "note/\xEF\xBD\x81.xml"},  // Ａ, ａ
    {"datum/\xC3\x84/x.xml", "datum/\xC3\xA4/x.xml"},    // Ä, ä folders, one file in both
    {"note/N.1.XML", "note/n.1.xml"},
};
// Names Windows keeps apart and as they are.
const std::vector<std::string> kKept = {
    "note/COM10.xml", "note/CONSOLE.xml",        "note/nul-not.xml", "note/.n.xml",
    "note/k.xml",     "note/\xE2\x84\xAA.xml",  // K, Kelvin sign: no simple mapping joins them
    "note/ n.xml",    "datum/\xE6\x9C\xAA/n.xml"};

class ArchiveCheckTest : public test::TempFolderTest {
 protected:
  // The archive let go first: Windows removes no folder with an open file in it.
  void TearDown() override {
    reader_.Close();
    TempFolderTest::TearDown();
  }
  ArchiveCheck Check(const std::vector<RawEntry>& entries) {
    WriteBytes("a.zip", test::RawZip(entries));
    return CheckArchive("a.zip", reader_, plan_, detail_);
  }
  std::vector<std::string> Planned() const {
    std::vector<std::string> paths;
    for (const RestorePlan::Item& item : plan_.items)
      paths.push_back(PlannedPath(reader_, plan_, item) + (item.folder ? "\\" : ""));
    return paths;
  }

  ZipReader reader_;
  RestorePlan plan_;
  std::string detail_;
};

// A byte 0x81-0xFE before "/" starts no character: the "/" stays a separator, as on Windows.
TEST_F(ArchiveCheckTest, ALeadByteBeforeASeparatorEndsItsPart) {
  // Explorer's archive of a folder "Café" (code page 850: é is 0x82), names without the flag.
  EXPECT_EQ(Check({{"Caf\x82/", "", 0},
                   {"Caf\x82/set/sets.conf", "[SYS]\r\n", 0},
                   {"Caf\x82/note/n.1.xml", "x", 0}}),
            ArchiveCheck::Ok)
      << detail_;
  EXPECT_EQ(Planned(), (std::vector<std::string>{"set\\sets.conf", "note\\n.1.xml"}));
  const std::string replacement = Utf16ToGb(u"\uFFFD");
  ASSERT_EQ(Check({kConf, {"\x81/", "", 0}, {"note/\x81/", "", 0}}), ArchiveCheck::Ok) << detail_;
  EXPECT_EQ(std::pair(Planned(), plan_.ignored),
            std::pair(std::vector<std::string>{"set\\sets.conf", "note\\" + replacement + "\\"},
                      std::vector<std::string>{replacement + "\\"}));
}

TEST_F(ArchiveCheckTest, NamesAreCheckedAsWindowsWillSeeThem) {
  // No character hides behind a lead byte: "/", ":", "*" and control characters count.
  for (const std::string name :
       {"note/\x81/../n.1.xml", "note/n.2.xml\x81:x", "note/\x81*.xml", "note/\x81\x01.xml"}) {
    EXPECT_EQ(Check({kConf, {name, "evil", 0}}), ArchiveCheck::BadName) << name;
    EXPECT_EQ(detail_, name);
  }
  EXPECT_EQ(Check({kConf, {"note/\x81\x40.xml", "x", 0}}), ArchiveCheck::Ok) << detail_;
  // A name that claims UTF-8 and is not.
  EXPECT_EQ(Check({kConf, {"note/\xC4\xE3.xml", "x"}}), ArchiveCheck::BadName);
}

TEST_F(ArchiveCheckTest, WindowsNameRulesRefuseWithTheName) {
  for (const std::vector<std::string>& names : kRefused) {
    std::vector<RawEntry> entries = {kConf};
    for (const std::string& name : names) entries.push_back({name, "x"});
    const ArchiveCheck check = Check(entries);
    EXPECT_EQ(check, ArchiveCheck::BadName) << names[0];
    const std::string shown = RefusalText("a.zip", check, detail_);
    EXPECT_NE(shown.find(Utf8ToGb(names.back())), std::string::npos) << names.back();
  }
  // A file where a name Windows takes for the same is a folder.
  EXPECT_EQ(Check({kConf, {"datum/\xD0\xAF", "x"}, {"datum/\xD1\x8F/n.xml", "y"}}),
            ArchiveCheck::FileAsFolder);
  EXPECT_EQ(detail_, Utf8ToGb("datum/\xD0\xAF"));
  std::vector<RawEntry> kept = {kConf, {"NOTE/", ""}, {"note/", ""}};
  for (const std::string& name : kKept) kept.push_back({name, "x"});
  ASSERT_EQ(Check(kept), ArchiveCheck::Ok) << detail_;
  EXPECT_EQ(Planned().size(), kKept.size() + 2);  // the two "note/" are one folder
}

#ifdef _WIN32
// Every name the file system does not keep as it is, or takes for another, is refused above.
TEST_F(ArchiveCheckTest, WindowsAgreesWithTheRules) {
  auto kept = [](const std::vector<std::string>& names) {
    if (!CreateFolder("p")) return false;
    bool all = true;
    std::vector<std::string> made;
    for (const std::string& name : names) {
      const std::string path = Utf8ToGb("p/" + name.substr(name.rfind('/') + 1));
      File file;
      all = file.Open(path, File::Mode::CreateNew) && file.Close() && all;
      made.push_back(path.substr(2));
    }
    std::vector<std::string> listed = ListFolder("p");
    std::sort(listed.begin(), listed.end());
    std::sort(made.begin(), made.end());
    for (const std::string& name : listed) RemoveFile("p\\" + name);
    return all && listed == made;
  };
  for (const std::vector<std::string>& names : kRefused) {
    if (names[0].starts_with("datum/")) continue;  // folders: their file part is plain
    // Windows' documentation names the superscript ports devices; Wine's files do not.
    if (names[0].find("\xC2\xB9") != std::string::npos) continue;
    EXPECT_FALSE(kept(names)) << names[0];
  }
  for (const std::string& name : kKept) EXPECT_TRUE(kept({name})) << name;
}
#endif

TEST_F(ArchiveCheckTest, EachPartIsCheckedAndFoldedUnitByUnit) {
  const std::pair<std::u16string, NameFault> parts[] = {
      {u"", NameFault::Empty},           {u"..", NameFault::Dots},
      {u"a:b", NameFault::Character},    {u"a\x1F", NameFault::Character},
      {u"a<b", NameFault::Character},    {u"nul.tar.gz", NameFault::Device},
      {u"Lpt\u00B3", NameFault::Device}, {u"clock$", NameFault::Device},
      {u"a ", NameFault::TrailingDot},   {u"...a", NameFault::None},
      {u"com0x", NameFault::None},       {u"\uFFFD", NameFault::None},
  };
  for (const auto& [part, fault] : parts) EXPECT_EQ(CheckNamePart(part), fault) << Utf16ToGb(part);
  // The simple mappings of the BMP, one unit at a time; the planes beyond stay as they are.
  EXPECT_EQ(FoldName(u"a\u00E9\u00FF\u0101\u044F\uFF41\u01C6\u212A\U00010428\u00DF"),
            u"A\u00C9\u0178\u0100\u042F\uFF21\u01C4\u212A\U00010428\u00DF");
}

TEST_F(ArchiveCheckTest, EntriesAreReadFromTheFileAndMaySayNoMoreThanTheyHold) {
  // Two entries that share their bytes: no tool writes that, a bomb does.
  EXPECT_EQ(Check({kConf,
                   {"note/n.1.xml", "x"},
                   {.name = "note/n.2.xml", .data = "x", .sharesPrevious = true}}),
            ArchiveCheck::Damaged);
  // A stream far longer than the size it claims is cut off at that size.
  std::string zeros(1 << 24, '\0'), packed(compressBound(zeros.size()), '\0');
  uLongf packedSize = packed.size();
  ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                      reinterpret_cast<const Bytef*>(zeros.data()), zeros.size(), 9),
            Z_OK);
  packed = packed.substr(2, packedSize - 6);  // the raw deflate inside the zlib wrapper
  ASSERT_EQ(
      Check({kConf, {.name = "note/n.1.xml", .data = packed, .method = 8, .claimedSize = 100}}),
      ArchiveCheck::BadData);
  uint64_t handed = 0;
  EXPECT_EQ(reader_.Extract(reader_.entries()[1],
                            [&](std::string_view piece) { return (handed += piece.size()) > 0; }),
            ZipStatus::BadData);
  EXPECT_LE(handed, 100u);
  // The file read afresh at each piece: an archive cut after the check fails its restore.
  ASSERT_EQ(Check({kConf, {"note/n.1.xml", std::string(3 << 20, 'n')}}), ArchiveCheck::Ok);
  std::filesystem::resize_file("a.zip", 2 << 20);
  EXPECT_EQ(reader_.Extract(reader_.entries()[1], [](std::string_view) { return true; }),
            ZipStatus::BadData);
}

}  // namespace
}  // namespace pim
