#include "datum/browser.h"

#include "base/file.h"
#include "test_support.h"

namespace pim {
namespace {

const std::string kComputer = "\xBC\xC6\xCB\xE3\xBB\xFA";  // 计算机
const std::string kCoding = "\xB1\xE0\xB3\xCC";            // 编程
const std::string kLife = "\xC9\xFA\xBB\xEE";              // 生活

class BrowserTest : public test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(CreateFolder("datum"));
  }
  void Classes(const std::vector<std::string>& names) {
    std::string list = "[CLASS]\r\ncount=" + std::to_string(names.size()) + "\r\n";
    for (size_t i = 0; i < names.size(); ++i)
      list += "name" + std::to_string(i) + "=" + names[i] + "\r\n";
    WriteBytes("datum\\class.list", list);
  }
  // Links of (name, class); each card is datum\<name>.xml.
  void Cards(const std::vector<std::pair<std::string, std::string>>& cards) {
    std::string index;
    XML::WriteLineIndexHead(index, "t", "k");
    for (const auto& [name, class_] : cards)
      XML::WriteLineIndexLink(index, name, name.empty() ? "" : "datum\\" + name + ".xml", class_,
                              "", "", "");
    XML::WriteLineIndexEnd(index);
    WriteBytes("datum\\lineindex.list", index);
  }
  // The tree as "parent text>text" per item.
  std::vector<std::string> Tree() {
    browser_.Build(prompter_);
    std::vector<std::string> tree;
    for (const auto& item : browser_.items())
      tree.push_back((item.parent < 0 ? "" : browser_.items()[item.parent].text) + ">" + item.text);
    return tree;
  }

  test::RecordingPrompter prompter_;
  DatumBrowser browser_{"datum"};
};

using Items = std::vector<std::string>;

TEST_F(BrowserTest, CategoriesNestUnderEarlierParentsAndCardsUnderTheirClass) {
  EXPECT_TRUE(Tree().empty());  // neither file: an empty tree, no message
  Classes({kComputer, kComputer + "\\" + kCoding, kLife});
  Cards({{"a", kComputer + "\\" + kCoding}, {"b", "unknown"}, {"c", kLife}});
  EXPECT_EQ(Tree(), (Items{">" + kComputer, kComputer + ">" + kCoding, ">" + kLife, kCoding + ">a",
                           ">b", kLife + ">c"}));
  Classes({kComputer + "\\" + kCoding, kComputer});
  Cards({});
  EXPECT_EQ(Tree(), (Items{">" + kCoding, ">" + kComputer}));
  EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(BrowserTest, ShowingAndPagingGoInIndexOrder) {
  Classes({"x", "y"});
  Cards({{"one", "y"}, {"two", "x"}, {"", "x"}, {"four", "x"}});
  std::string card;
  const FixedClock clock({2026, 1, 2, 3, 4, 0});
  XML(prompter_, clock)
      .WriteDatum(card, "T", "y", "line1\r\nline2", "d", "2025-5-6 7:8", "S", "K", {});
  WriteBytes("datum\\one.xml", card);
  browser_.Build(prompter_);
  EXPECT_EQ(browser_.NextItem(), DatumBrowser::kRoot);  // nothing shown yet
  EXPECT_FALSE(browser_.Show(0, prompter_));            // a category
  const auto page = browser_.Show(2, prompter_);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->header,
            "\xB1\xEA\xCC\xE2:T\r\n\xC0\xE0\xB1\xF0:y\t\xC0\xB4\xD4\xB4:S\r\n"
            "\xBD\xA8\xC1\xA2\xC8\xD5\xC6\xDA:2025-5-6 7:8\t\xD0\xDE\xB8\xC4\xC8\xD5\xC6\xDA:"
            "2026-1-2 3:4\r\n\xB9\xD8\xBC\xFC\xD7\xD6:K");
  // 标题:T / 类别:y 来源:S / 建立日期:… 修改日期:… / 关键字:K
  EXPECT_EQ(page->content, "line1\r\nline2");
  EXPECT_EQ(browser_.PreviousItem(), DatumBrowser::kRoot);
  EXPECT_EQ(browser_.NextItem(), 3);
  // A missing file says so; a link without a file shows nothing but becomes current.
  const auto missing = browser_.Show(3, prompter_);
  ASSERT_TRUE(missing);
  EXPECT_NE(missing->header.find("datum\\two.xml"), std::string::npos);
  EXPECT_TRUE(missing->content.empty());
  EXPECT_FALSE(browser_.Show(4, prompter_));
  EXPECT_EQ(browser_.NextItem(), 5);
  browser_.Show(5, prompter_);
  EXPECT_EQ(browser_.NextItem(), DatumBrowser::kRoot);
  EXPECT_EQ(browser_.PreviousItem(), 4);
}

}  // namespace
}  // namespace pim
