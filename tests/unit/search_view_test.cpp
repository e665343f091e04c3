// What the search window shows as text, and the place it keeps in its own file.
#include "search/search_view.h"

#include "base/gb18030.h"
#include "base/gbk.h"
#include "test_support.h"

namespace pim {
namespace {

using SearchViewTest = test::TempFolderTest;

TEST_F(SearchViewTest, TheStatusCountsAndTheRowMarksTheMatch) {
  EXPECT_EQ(StatusText({true, 3, 10, 0, 0, 0}), Gb("正在读取 3/10 …"));
  EXPECT_EQ(StatusText({false, 10, 10, 5, 5, 0}), Gb("找到 5 条"));
  EXPECT_EQ(StatusText({false, 10, 10, 250, 200, 3}),
            Gb("找到 250 条, 列出前 200 条; 3 个文件无法读取"));
  EXPECT_EQ(StatusText({false, 10, 10, 900, 200, 0, true}), Gb("找到 200 条以上, 列出前 200 条"));
  Record card;
  card.kind = RecordKind::Card;
  card.date = "2003-1-5 9:7";
  // The match between 【 and 】, tabs and line ends as blanks; a place past the text marks
  // nothing.
  const ResultRow row = RowOf(card, {Gb("a\tb你好 c\r"), 3, 4});
  EXPECT_EQ(row.kind + "|" + row.line + "|" + row.date, Gb("资料|a b【你好】 c |2003-1-5"));
  EXPECT_EQ(RowOf(card, {"ab", 1, 9}).line, "ab");
}

// Where it comes back on screen is the end-to-end scenario's.
TEST_F(SearchViewTest, ThePlaceIsKeptAndADamagedFileGivesNone) {
  ASSERT_TRUE(CreateFolder("set"));
  EXPECT_FALSE(LoadSearchPlace());
  ASSERT_TRUE(SaveSearchPlace({-300, 40}));
  EXPECT_EQ(ReadBytes("set\\search.conf"), "[SEARCH]\r\nleft=-300\r\ntop=40\r\n");
  EXPECT_EQ(LoadSearchPlace(), (ScreenPoint{-300, 40}));
  using namespace std::string_literals;
  for (const std::string& damaged :
       {"[SEARCH]\r\nleft=x\r\ntop=1\r\n"s, "[SEARCH]\r\nleft=1\r\n"s,
        "[SEARCH]\r\nleft=99999999999\r\ntop=1\r\n"s, "\xFF\0\r\n["s}) {
    WriteBytes("set\\search.conf", damaged);
    EXPECT_FALSE(LoadSearchPlace()) << damaged;
  }
}

}  // namespace
}  // namespace pim
