#include "datum/datum_store.h"

#include "base/file.h"
#include "base/gbk.h"
#include "datafolder.h"
#include "test_support.h"
#include "xmldoc/xml.h"

namespace pim {
namespace {

class DatumStoreTest : public test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(WriteDataFolder());
  }
  static size_t Count(const std::string& text, std::string_view needle) {
    size_t n = 0;
    for (size_t at = FindText(text, needle); at != std::string::npos;
         at = FindText(text, needle, at + 1))
      ++n;
    return n;
  }
  const std::vector<IndexEntry> entries_ = {{"n1", "u1", "d1", "c1", "k1", "s1"},
                                            {"n2", "u2", "", "c2", "", ""},
                                            {"n3", "u3", "d3", "c3", "k3", "s3"}};
};

const std::string kReading = "\xB6\xC1\xCA\xE9\xB1\xCA\xBC\xC7";  // 读书笔记

TEST_F(DatumStoreTest, NewNamesTakeTheNextSlotMatchedExactly) {
  ClassTable classes;
  EXPECT_TRUE(LoadClassList(classes).empty());
  EXPECT_EQ(FindClassPath(kReading, classes), "datum\\" + kReading + "\\");
  EXPECT_TRUE(FolderExists("datum\\" + kReading));
  // Byte-exact names: a case change is another category, a known one is not added again.
  for (const char* name : {"Notes", "notes", "Notes"}) FindClassPath(name, classes);
  ClassTable reloaded;
  EXPECT_EQ(LoadClassList(reloaded), (std::vector<std::string>{kReading, "Notes", "notes"}));
  EXPECT_EQ(reloaded.count, 3);
  EXPECT_EQ(reloaded.entries[0].path, "datum\\" + kReading + "\\");
  EXPECT_EQ(reloaded.entries[2].path, "datum\\notes\\");
  EXPECT_EQ(CardPath(reloaded.entries[2].path, "t", 12), "datum\\notes\\t.datum.12.xml");

  SourceTable sources;
  for (const char* name : {"Web", "web", "", "Web", ""}) EXPECT_TRUE(FindSource(name, sources));
  SourceTable reread;
  EXPECT_EQ(LoadSourceList(reread), (std::vector<std::string>{"Web", "web", ""}));
  EXPECT_EQ(reread.count, 3);
}

TEST_F(DatumStoreTest, CountsAreClampedAndAFullTableRefusesANewName) {
  // Per count text: the count read, and whether one more name is taken.
  const struct {
    const char* count;
    int read;
    bool added;
  } cases[] = {{"150", 100, false}, {"100", 100, false}, {"-3", 0, true}, {"x", 0, true}};
  for (const auto& c : cases) {
    std::string classList = Format("[CLASS]\r\ncount=%s\r\n", c.count), sourceList = classList;
    for (int i = 0; i < 100; ++i) {
      classList += Format("name%d=c%d\r\npath%d=datum\\c%d\\\r\n", i, i, i, i);
      sourceList += Format("name%d=s%d\r\n", i, i);
    }
    WriteBytes("datum\\class.list", classList);
    WriteBytes("datum\\source.list", sourceList);
    ClassTable classes;
    SourceTable sources;
    EXPECT_EQ(LoadClassList(classes).size(), static_cast<size_t>(c.read)) << c.count;
    EXPECT_EQ(LoadSourceList(sources).size(), static_cast<size_t>(c.read)) << c.count;
    EXPECT_EQ(FindClassPath("new", classes).empty(), !c.added) << c.count;
    EXPECT_EQ(FindSource("new", sources), c.added) << c.count;
    EXPECT_EQ(ReadBytes("datum\\class.list") == classList, !c.added) << c.count;
    EXPECT_EQ(ReadBytes("datum\\source.list") == sourceList, !c.added) << c.count;
    EXPECT_EQ(classes.count, c.read + c.added);
  }
  // A list without the slot keys gets them, so the new name survives a reload.
  WriteBytes("datum\\class.list", "[CLASS]\r\ncount=0\r\n");
  ClassTable classes;
  EXPECT_EQ(FindClassPath("a", classes), "datum\\a\\");
  EXPECT_EQ(LoadClassList(classes), std::vector<std::string>{"a"});
  EXPECT_EQ(classes.entries[0].path, "datum\\a\\");
}

TEST_F(DatumStoreTest, NamesStayInsideTheDatumFolder) {
  const std::string computing = "\xBC\xC6\xCB\xE3\xBB\xFA";     // 计算机
  const std::string nested = computing + "\\\xB1\xE0\xB3\xCC";  // 计算机\编程
  const std::string trailing5C = "\x81\x5C";                    // 乗: its trailing byte is 0x5C
  for (const std::string& name : {nested, trailing5C, std::string("a b.c")})
    EXPECT_TRUE(IsSafeCategoryName(name)) << name;
  for (const std::string& name :
       {std::string(), std::string("..\\x"), std::string("a..b"), std::string("\\x"),
        std::string("C:x"), std::string("a\\"), std::string("a\\\\b"), std::string("a/b"),
        std::string("a?"), std::string("a\tb"), std::string("\"q\"")})
    EXPECT_FALSE(IsSafeCategoryName(name)) << name;
  EXPECT_TRUE(IsSafeTitle(trailing5C + "x"));
  EXPECT_TRUE(IsSafeTitle(""));
  EXPECT_FALSE(IsSafeTitle("a\\b"));
  EXPECT_FALSE(IsSafeTitle("a*"));

  // A subcategory works before its parent was used; a refused name changes nothing.
  ClassTable classes;
  const std::string before = ReadBytes("datum\\class.list");
  EXPECT_EQ(FindClassPath("..\\..\\evil", classes), "");
  EXPECT_EQ(ReadBytes("datum\\class.list"), before);
  EXPECT_EQ(FindClassPath(nested, classes), "datum\\" + nested + "\\");
  EXPECT_TRUE(FolderExists("datum\\" + nested));
  EXPECT_EQ(FindClassPath(trailing5C, classes), "datum\\" + trailing5C + "\\");
  EXPECT_TRUE(FolderExists("datum\\" + trailing5C));
  EXPECT_EQ(classes.count, 2);
}

TEST_F(DatumStoreTest, UntrimmedIndexIsWrittenWholeAndReadBackInOrder) {
  test::RecordingPrompter prompter;
  EXPECT_TRUE(LoadUntrimmedIndex(prompter).empty());  // none yet
  ASSERT_TRUE(WriteUntrimmedIndex(entries_));
  const std::string bytes = ReadBytes("datum\\lineindex.untrim.list");
  EXPECT_NE(FindText(bytes,
                     "<title>\xD7\xCA\xC1\xCF\xBF\xA8\xCB\xF7\xD2\xFD--\xCE\xB4\xD5\xFB"
                     "\xC0\xED</title>"),  // 资料卡索引--未整理
            std::string::npos);
  EXPECT_NE(FindText(bytes, "<keyword>\xD7\xCA\xC1\xCF,\xCE\xB4\xD5\xFB\xC0\xED</keyword>"),
            std::string::npos);  // 资料,未整理
  EXPECT_NE(FindText(bytes, "<class>c1</class>\r\n\t\t<date>d1</date>"), std::string::npos);
  EXPECT_EQ(Count(bytes, "<link>"), 3u);
  EXPECT_TRUE(bytes.ends_with(kLineIndexEnd));
  EXPECT_EQ(LoadUntrimmedIndex(prompter), entries_);
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(DatumStoreTest, AppendWritesOverTheEndMarkerOnly) {
  const std::string installed = ReadBytes("datum\\lineindex.list");
  WriteBytes("datum\\whole.list", installed);
  const std::span<const IndexEntry> all(entries_);
  ASSERT_TRUE(AppendToIndex("datum\\lineindex.list", all.first(1)));
  ASSERT_TRUE(AppendToIndex("datum\\lineindex.list", all.subspan(1)));
  ASSERT_TRUE(AppendToIndex("datum\\whole.list", all));
  const std::string bytes = ReadBytes("datum\\lineindex.list");
  EXPECT_EQ(Count(bytes, "<link>"), 3u);
  EXPECT_EQ(Count(bytes, kLineIndexEnd), 1u);
  EXPECT_TRUE(bytes.ends_with(kLineIndexEnd));
  EXPECT_EQ(bytes, ReadBytes("datum\\whole.list"));
  EXPECT_TRUE(bytes.starts_with(installed.substr(0, installed.size() - kLineIndexEnd.size())));

  // Anything but the marker at the very end is refused and left as it was.
  for (const std::string& damaged :
       {installed.substr(0, installed.size() - 1), installed + "\r\n", std::string("x")}) {
    WriteBytes("datum\\index.list", damaged);
    EXPECT_FALSE(AppendToIndex("datum\\index.list", all));
    EXPECT_EQ(ReadBytes("datum\\index.list"), damaged);
  }
  EXPECT_FALSE(AppendToIndex("datum\\missing.list", all));
  EXPECT_FALSE(FileExists("datum\\missing.list"));
}

}  // namespace
}  // namespace pim
