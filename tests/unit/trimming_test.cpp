#include "datum/trimming.h"

#include "base/file.h"
#include "base/gbk.h"
#include "datafolder.h"
#include "test_support.h"
#include "xmldoc/xml.h"

namespace pim {
namespace {

const std::string kComputer = "\xBC\xC6\xCB\xE3\xBB\xFA";  // 计算机

class TrimmingTest : public test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(WriteDataFolder());
    ASSERT_TRUE(CreateFolder("datum\\a"));
  }
  // n captured cards c1..cn in datum\a, with their untrimmed entries (no date yet).
  void Capture(int n) {
    std::vector<IndexEntry> entries;
    for (int i = 1; i <= n; ++i) {
      const std::string name = Format("c%d", i), url = "datum\\a\\" + name + ".xml";
      std::string card;
      xml_.WriteDatum(card, name, "a", "text " + name + "\r\nline 2", "dtd", "", "", "", {});
      WriteBytes(url, card);
      entries.push_back({name, url, "", "a", "", ""});
    }
    ASSERT_TRUE(WriteUntrimmedIndex(entries));
  }
  std::vector<std::string> Links(std::string_view path) {
    std::vector<std::string> names;
    File file;
    if (!file.Open(path, File::Mode::Read)) return names;
    LineReader reader(file);
    while (xml_.ReadLineIndexLink(reader)) names.push_back(xml_.lineIndex.name);
    return names;
  }
  std::vector<std::string> Untrimmed() { return Links(kUntrimmedIndexPath); }

  test::RecordingPrompter prompter_;
  FixedClock clock_{{2026, 12, 6, 9, 5, 0}};
  XML xml_{prompter_, clock_};
  DatumTrimming trim_{prompter_, clock_, "C:\\pim"};
};

using List = std::vector<std::string>;

TEST_F(TrimmingTest, StatusButtonsAndTheCardShownFollowTheItem) {
  Capture(3);
  ASSERT_EQ(trim_.Open(), DatumTrimming::Start::Ready);
  EXPECT_FALSE(trim_.previousEnabled());
  EXPECT_EQ(trim_.okText(), "\xBD\xE1  \xCA\xF8");  // 结  束
  // The editor left the date empty; the card's found date fills it and is kept.
  EXPECT_EQ(trim_.form().date, "2026-12-6 9:5");
  EXPECT_EQ(trim_.form().text, "text c1\r\nline 2");
  TrimForm form = trim_.form();
  form.title = "renamed";
  form.category = kComputer;
  trim_.Next(form);
  EXPECT_EQ(trim_.status(),
            "\xA1\xF4\xB5\xB1\xC7\xB0\xB9\xB2\xD3\xD0 3 \xCC\xF5\xCE\xB4\xD5\xFB\xC0\xED\xB5\xC4"
            "\xD7\xCA\xC1\xCF, \xD5\xE2\xCA\xC7\xB5\xDA 2 \xCC\xF5\xA1\xF4");
  // ◆当前共有 3 条未整理的资料, 这是第 2 条◆
  EXPECT_TRUE(trim_.previousEnabled() && trim_.nextEnabled());
  trim_.Next(trim_.form());
  EXPECT_FALSE(trim_.nextEnabled());
  EXPECT_EQ(trim_.okText(), "\xCD\xEA  \xB3\xC9");  // 完  成
  // The first card was rewritten in place with its new class; the category got its folder.
  clock_.Set({2027, 1, 2, 3, 4, 0});
  trim_.Previous(trim_.form());
  trim_.Previous(trim_.form());
  EXPECT_EQ(trim_.form().title, "renamed");
  std::string bytes = ReadBytes("datum\\a\\c1.xml");
  EXPECT_NE(bytes.find("<class>" + kComputer + "</class>"), std::string::npos);
  EXPECT_NE(bytes.find("<founddate>2026-12-6 9:5</founddate>"), std::string::npos);
  EXPECT_NE(bytes.find("<part>line 2</part>"), std::string::npos);
  EXPECT_TRUE(FolderExists("datum\\" + kComputer));
  EXPECT_EQ(trim_.classNames(), (List{kComputer, "a"}));  // for the category box
  // Escape: the untrimmed index still holds every entry, the trimmed index none.
  EXPECT_EQ(Untrimmed(), (List{"c1", "c2", "c3"}));
  EXPECT_TRUE(Links(kTrimmedIndexPath).empty());
  EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(TrimmingTest, OneEntryEndsWithoutAQuestionAndAMissingOrEmptyIndexEndsAtOnce) {
  EXPECT_EQ(trim_.Open(), DatumTrimming::Start::NoIndex);
  EXPECT_TRUE(prompter_.messages.empty());
  Capture(0);
  EXPECT_EQ(DatumTrimming(prompter_, clock_, "").Open(), DatumTrimming::Start::Empty);
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text,
            "\xC3\xBB\xD3\xD0\xCE\xB4\xD5\xFB\xC0\xED\xB5\xC4\xD7\xCA\xC1\xCF!");
  EXPECT_EQ(prompter_.messages[0].icon, MsgIcon::Information);

  Capture(1);
  DatumTrimming one(prompter_, clock_, "");
  ASSERT_EQ(one.Open(), DatumTrimming::Start::Ready);
  EXPECT_FALSE(one.previousEnabled() || one.nextEnabled());
  EXPECT_EQ(one.okText(), "\xCD\xEA  \xB3\xC9");  // 完  成
  EXPECT_TRUE(one.End(one.form()));
  EXPECT_EQ(prompter_.messages.size(), 1u);
  EXPECT_TRUE(Untrimmed().empty());
  EXPECT_EQ(Links(kTrimmedIndexPath), List{"c1"});
  // The link carries the card's date and the source, which joined the source list.
  EXPECT_NE(ReadBytes(std::string(kTrimmedIndexPath)).find("<date>2026-12-6 9:5</date>"),
            std::string::npos);
  SourceTable sources;
  EXPECT_EQ(LoadSourceList(sources), List{""});
}

TEST_F(TrimmingTest, EndingEarlyAsksAndKeepsTheEntriesNeverLeft) {
  Capture(8);
  ASSERT_EQ(trim_.Open(), DatumTrimming::Start::Ready);
  for (int i = 0; i < 4; ++i) trim_.Next(trim_.form());
  trim_.Previous(trim_.form());
  trim_.Previous(trim_.form());
  EXPECT_EQ(trim_.item(), 3);
  prompter_.answers = {MsgResult::No, MsgResult::Yes};
  EXPECT_FALSE(trim_.End(trim_.form()));
  EXPECT_EQ(Untrimmed().size(), 8u);
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].caption, "\xCE\xB4\xCD\xEA");  // 未完
  EXPECT_EQ(prompter_.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_TRUE(trim_.End(trim_.form()));
  EXPECT_EQ(Untrimmed(), (List{"c6", "c7", "c8"}));
  EXPECT_EQ(Links(kTrimmedIndexPath), (List{"c1", "c2", "c3", "c4", "c5"}));
}

TEST_F(TrimmingTest, MarksGoToTheirListsAndADamagedListLosesNothing) {
  Capture(3);
  ASSERT_EQ(trim_.Open(), DatumTrimming::Start::Ready);
  const bool marks[][2] = {{true, true}, {false, false}, {true, false}};
  for (const auto& [bookmark, index] : marks) {
    TrimForm form = trim_.form();
    form.bookmark = bookmark;
    form.index = index;
    if (trim_.item() < 3)
      trim_.Next(form);
    else
      EXPECT_TRUE(trim_.End(form));
  }
  EXPECT_EQ(Links(kTrimmedIndexPath), (List{"c1", "c2", "c3"}));
  EXPECT_EQ(Links(kBookmarkListPath), (List{"c1", "c3"}));
  EXPECT_EQ(Links(kIndexListPath), List{"c1"});
  EXPECT_TRUE(prompter_.messages.empty());

  // A bookmark list without its end marker: the bookmarked entry stays untrimmed and is
  // appended nowhere; the plain one moves on.
  std::string damaged = ReadBytes(std::string(kBookmarkListPath));
  damaged.pop_back();
  WriteBytes(std::string(kBookmarkListPath), damaged);
  Capture(2);
  DatumTrimming again(prompter_, clock_, "");
  ASSERT_EQ(again.Open(), DatumTrimming::Start::Ready);
  TrimForm form = again.form();
  form.bookmark = true;
  again.Next(form);
  EXPECT_TRUE(again.End(again.form()));
  EXPECT_EQ(Untrimmed(), List{"c1"});
  EXPECT_EQ(Links(kTrimmedIndexPath), (List{"c1", "c2", "c3", "c2"}));
  EXPECT_EQ(ReadBytes(std::string(kBookmarkListPath)), damaged);
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text.rfind("datum\\bookmark.list ", 0), 0u);

  // Without the trimmed index nothing moves at all.
  ASSERT_TRUE(RemoveFile(kTrimmedIndexPath));
  DatumTrimming third(prompter_, clock_, "");
  ASSERT_EQ(third.Open(), DatumTrimming::Start::Ready);
  EXPECT_TRUE(third.End(third.form()));
  EXPECT_EQ(Untrimmed(), List{"c1"});
  EXPECT_EQ(prompter_.messages.back().text.rfind("datum\\lineindex.list ", 0), 0u);
}

TEST_F(TrimmingTest, ACardThatCannotBeWrittenStaysUntrimmed) {
  ASSERT_TRUE(WriteUntrimmedIndex(
      std::vector<IndexEntry>{{"lost", "datum\\gone\\lost.xml", "", "a", "", ""}}));
  ASSERT_EQ(trim_.Open(), DatumTrimming::Start::Ready);
  EXPECT_TRUE(trim_.End(trim_.form()));
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text, "Can`t Open datum\\gone\\lost.xml to write!");
  EXPECT_EQ(Untrimmed(), List{"lost"});
  EXPECT_TRUE(Links(kTrimmedIndexPath).empty());
}

TEST_F(TrimmingTest, ACardReadOnlyInPartIsNeverRewritten) {
  Capture(2);
  // A line the reader does not know hides the rest of the first card.
  std::string bytes = ReadBytes("datum\\a\\c1.xml");
  const size_t at = bytes.find("<part>");
  bytes.insert(at, "stray\r\n");
  WriteBytes("datum\\a\\c1.xml", bytes);
  ASSERT_EQ(trim_.Open(), DatumTrimming::Start::Ready);
  TrimForm form = trim_.form();
  form.text = "edited";
  trim_.Next(form);
  EXPECT_TRUE(trim_.End(trim_.form()));
  EXPECT_EQ(ReadBytes("datum\\a\\c1.xml"), bytes);
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_NE(FindText(prompter_.messages[0].text, "datum\\a\\c1.xml"), std::string::npos);
  EXPECT_EQ(Untrimmed(), List{"c1"});
  EXPECT_EQ(Links(kTrimmedIndexPath), List{"c2"});
}

}  // namespace
}  // namespace pim
