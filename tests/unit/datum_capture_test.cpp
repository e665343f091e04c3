#include "datum/datum_capture.h"

#include "base/clock.h"
#include "base/file.h"
#include "base/gbk.h"
#include "datafolder.h"
#include "test_support.h"
#include "xmldoc/xml.h"

namespace pim {
namespace {

const std::string kUnsorted = "\xCE\xB4\xB7\xD6\xC0\xE0";  // 未分类
const std::string kCard = "\xD7\xCA\xC1\xCF\xBF\xA8";      // 资料卡
const std::string kBadPath =  // 存储文件 ... 时出错,请选择...
    "\xB4\xE6\xB4\xA2\xCE\xC4\xBC\xFE datum\\" + kUnsorted +
    "\\a?b.datum.0.xml \xCA\xB1\xB3\xF6\xB4\xED,\xC7\xEB\xD1\xA1\xD4\xF1\xCE\xC4\xBC\xFE\xB5\xC4"
    "\xB4\xE6\xB4\xA2\xCE\xBB\xD6\xC3\xBA\xCD\xC3\xFB\xB3\xC6!";

class DatumCaptureTest : public test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(WriteDataFolder());
    capture_.Open();
  }
  // The user types `content` into the panel.
  CardText Typed(const std::string& content, const std::string& title = "t",
                 const std::string& category = kUnsorted) {
    capture_.MarkModified();
    return {category, title, content};
  }
  std::string CardFile(int number, const std::string& title = "t") {
    return "datum\\" + kUnsorted + "\\" + title + Format(".datum.%d.xml", number);
  }

  test::RecordingPrompter prompter_;
  FixedClock clock_{{2024, 3, 5, 9, 7}};
  DatumCapture capture_{prompter_, clock_, "C:\\P"};
};

TEST_F(DatumCaptureTest, NewCardsTakeTheNumberAndPagingStoresFirst) {
  ASSERT_TRUE(capture_.ShowPanel({}));
  EXPECT_EQ(capture_.shown().title, kCard + "0");
  EXPECT_EQ(capture_.shown().category, kUnsorted);
  EXPECT_FALSE(capture_.CanGoBack());
  EXPECT_FALSE(capture_.CanGoForward());
  // The datum button pressed again stores the card and starts the next one.
  ASSERT_TRUE(capture_.ShowPanel(Typed("first", "f")));
  EXPECT_EQ(capture_.shown().title, kCard + "1");
  EXPECT_FALSE(capture_.modified());
  EXPECT_TRUE(capture_.CanGoBack());

  // Typed at the new-card position, "←" stores it first and then shows it.
  ASSERT_TRUE(capture_.Previous(Typed("a<b\r\nc>&d", "t")));
  EXPECT_EQ(capture_.count(), 2);
  EXPECT_EQ(capture_.position(), 2);
  EXPECT_EQ(capture_.cardNumber(), 2);
  EXPECT_EQ(ReadBytes("datum\\datum.conf"), "[DATUM]\r\nid=2\r\n");  // at once, not at close
  const std::string bytes = ReadBytes(CardFile(1));
  EXPECT_NE(FindText(bytes,
                     "\t\t<part>a\xA1\xDA"
                     "b</part>\r\n\t\t<part>c\xA1\xDB\xA1\xEA"
                     "d</part>\r\n\t</content>"),
            std::string::npos);
  EXPECT_NE(FindText(bytes, "<!DOCTYPE datum SYSTEM \"C:\\P\\xmlstyle\\"), std::string::npos);
  EXPECT_EQ(capture_.shown().content,
            "a\xA1\xDA"
            "b\r\nc\xA1\xDB\xA1\xEA"
            "d");
  EXPECT_EQ(capture_.shown().title, "t");
  EXPECT_EQ(capture_.entries()[1], (IndexEntry{"t", CardFile(1), "", kUnsorted, "", ""}));
  EXPECT_TRUE(capture_.CanGoBack());
  EXPECT_TRUE(capture_.CanGoForward());

  // The flag stays set, so paging on rewrites the stored card in its own file even after
  // its title changed; "→" then reaches a fresh card and the flag is cleared.
  ASSERT_TRUE(capture_.Next({"x", "renamed", "new text"}));
  EXPECT_TRUE(capture_.AtNewCard());
  EXPECT_FALSE(capture_.modified());
  EXPECT_EQ(capture_.shown().title, kCard + "2");
  EXPECT_EQ(capture_.entries()[1].url, CardFile(1));
  EXPECT_EQ(capture_.entries()[1].name, "renamed");
  EXPECT_EQ(capture_.LoadContent(CardFile(1)), "new text");
  EXPECT_TRUE(FolderExists("datum\\x"));
  EXPECT_FALSE(FileExists("datum\\x\\renamed.datum.1.xml"));

  // Unchanged content, or none, is never stored.
  ASSERT_TRUE(capture_.Previous({"y", "other", "new text"}));
  EXPECT_EQ(capture_.entries()[1].name, "renamed");
  EXPECT_FALSE(FolderExists("datum\\y"));
  ASSERT_TRUE(capture_.Next(Typed("")));
  EXPECT_EQ(capture_.count(), 2);
  EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(DatumCaptureTest, CloseStoresTheCardBeingTypedOnce) {
  capture_.ShowPanel({});
  ASSERT_TRUE(capture_.StoreCard(Typed("first")));
  const CardText last = Typed("typed just before exit", "last");
  capture_.Close(last);
  capture_.Close(last);  // WM_CLOSE, then the exit procedure
  EXPECT_EQ(ReadBytes("datum\\datum.conf"), "[DATUM]\r\nid=2\r\n");

  DatumCapture again(prompter_, clock_, "C:\\P");
  again.Open();
  ASSERT_EQ(again.count(), 2);
  EXPECT_EQ(again.entries()[1].url, CardFile(1, "last"));
  EXPECT_EQ(again.LoadContent(again.entries()[1].url), "typed just before exit");
  EXPECT_EQ(again.cardNumber(), 2);
  EXPECT_TRUE(again.CanGoBack());
  EXPECT_TRUE(ListFolder("datum\\" + kUnsorted).size() == 2);
}

TEST_F(DatumCaptureTest, ACrashAndACounterSetBackLoseNoCard) {
  capture_.ShowPanel({});
  ASSERT_TRUE(capture_.StoreCard(Typed("first")));
  const std::string first = ReadBytes(CardFile(0));
  // The program dies without its close handling, and the number is set back by hand.
  WriteBytes("datum\\datum.conf", "[DATUM]\r\nid=0\r\n");
  DatumCapture again(prompter_, clock_, "C:\\P");
  again.Open();
  ASSERT_EQ(again.count(), 1);
  again.MarkModified();
  ASSERT_TRUE(again.StoreCard({kUnsorted, "t", "second"}));
  EXPECT_EQ(ReadBytes(CardFile(0)), first);
  EXPECT_EQ(again.entries()[1].url, CardFile(1));
  EXPECT_EQ(again.cardNumber(), 2);
}

TEST_F(DatumCaptureTest, AStoredCardReadOnlyInPartIsNotRewritten) {
  capture_.ShowPanel({});
  ASSERT_TRUE(capture_.StoreCard(Typed("one\r\ntwo")));
  std::string bytes = ReadBytes(CardFile(0));
  bytes.insert(bytes.rfind("<part>"), "stray\r\n");
  WriteBytes(CardFile(0), bytes);
  ASSERT_TRUE(capture_.Previous(Typed("")));  // the flag stays set from here on
  EXPECT_EQ(capture_.shown().content, "one");
  ASSERT_TRUE(capture_.Next(Typed("one")));
  EXPECT_EQ(ReadBytes(CardFile(0)), bytes);
  EXPECT_NE(FindText(prompter_.messages.back().text, CardFile(0)), std::string::npos);
}

TEST_F(DatumCaptureTest, AFailedWriteAsksForAPathAndCancelAbandonsStoring) {
  capture_.ShowPanel({});
  // A title with a character file names do not allow: the message and the save dialog;
  // cancelling keeps everything as it was and asks only once.
  EXPECT_FALSE(capture_.StoreCard(Typed("text", "a?b")));
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text, kBadPath);
  EXPECT_EQ(prompter_.messages[0].caption, "");
  EXPECT_EQ(prompter_.messages[0].icon, MsgIcon::Information);
  EXPECT_EQ(capture_.count(), 0);
  EXPECT_EQ(capture_.cardNumber(), 0);
  EXPECT_FALSE(capture_.ShowPanel(Typed("text", "a?b")));  // the panel keeps the text
  EXPECT_TRUE(capture_.modified());

  // A path chosen in the dialog is the one the entry keeps.
  prompter_.picked = "datum\\picked.xml";
  EXPECT_TRUE(capture_.ShowPanel(Typed("text", "a?b")));
  ASSERT_EQ(capture_.count(), 1);
  EXPECT_EQ(capture_.entries()[0].url, "datum\\picked.xml");
  EXPECT_EQ(capture_.LoadContent("datum\\picked.xml"), "text");
  EXPECT_EQ(capture_.cardNumber(), 1);
}

TEST_F(DatumCaptureTest, CategoriesThatWouldLeaveTheFolderAreRefused) {
  capture_.ShowPanel({});
  const std::string classList = ReadBytes("datum\\class.list");
  const std::vector<std::string> folders = Listing("datum");
  for (const char* category : {"..\\..\\x", "\\x", "C:x", "a\\\\b", ""}) {
    EXPECT_FALSE(capture_.StoreCard(Typed("text", "t", category))) << category;
    EXPECT_NE(FindText(prompter_.messages.back().text, category), std::string::npos);
  }
  EXPECT_EQ(prompter_.messages.size(), 5u);
  EXPECT_EQ(ReadBytes("datum\\class.list"), classList);
  EXPECT_EQ(capture_.count(), 0);
  EXPECT_EQ(Listing("datum"), folders);

  // A subcategory is stored although its parent was never used.
  const std::string nested = "\xBC\xC6\xCB\xE3\xBB\xFA\\\xB1\xE0\xB3\xCC";  // 计算机\编程
  ASSERT_TRUE(capture_.StoreCard(Typed("text", "t", nested)));
  EXPECT_TRUE(FileExists("datum\\" + nested + "\\t.datum.0.xml"));
  ClassTable reloaded;
  EXPECT_EQ(LoadClassList(reloaded), std::vector<std::string>{nested});
}

TEST_F(DatumCaptureTest, ReloadListsStandsAtTheNewCardPositionAndKeepsTheFlag) {
  capture_.ShowPanel({});
  ASSERT_TRUE(capture_.StoreCard(Typed("one")));
  ASSERT_TRUE(capture_.WriteIndex());
  // The trimming dialog files the card away meanwhile.
  ASSERT_TRUE(WriteUntrimmedIndex({}));
  capture_.ReloadLists();
  EXPECT_EQ(capture_.count(), 0);
  EXPECT_TRUE(capture_.AtNewCard());
  EXPECT_FALSE(capture_.CanGoBack());
  EXPECT_TRUE(capture_.modified());
  EXPECT_EQ(capture_.classes().count, 1);
  // The text still shown is stored as a new card at the next move.
  ASSERT_TRUE(capture_.ShowPanel({kUnsorted, "t", "one"}));
  EXPECT_EQ(capture_.count(), 1);
  EXPECT_EQ(capture_.entries()[0].url, CardFile(1));
}

}  // namespace
}  // namespace pim
