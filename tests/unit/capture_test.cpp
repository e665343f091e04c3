// The capture key's cards: title, source and the clipboard's HTML header, and the card stored
// beside what the panel and the trimming dialog hold.
#include "datum/card_capture.h"
#include "exchange/charsets.h"
#include "test_support.h"

namespace pim {
namespace {

const std::string kUnsorted = Gb("未分类");

// A clipboard "HTML Format" block as browsers write it, offsets computed.
std::string HtmlClip(const std::string& url, const std::string& fragment = "<b>x</b>") {
  const std::string body =
      "<html><body>\r\n<!--StartFragment-->" + fragment + "<!--EndFragment-->\r\n</body></html>";
  const auto header = [&](int startHtml, int endHtml, int startFragment, int endFragment) {
    return Format(
               "Version:0.9\r\nStartHTML:%010d\r\nEndHTML:%010d\r\n"
               "StartFragment:%010d\r\nEndFragment:%010d\r\n",
               startHtml, endHtml, startFragment, endFragment) +
           (url.empty() ? "" : "SourceURL:" + url + "\r\n");
  };
  const int start = static_cast<int>(header(0, 0, 0, 0).size());
  const int fragmentAt = start + static_cast<int>(body.find(fragment));
  return header(start, start + static_cast<int>(body.size()), fragmentAt,
                fragmentAt + static_cast<int>(fragment.size())) +
         body;
}

TEST(CardCapture, TheTitleIsTheFirstLineThatHoldsTextAsAFileNameTakesIt) {
  const std::string forty = std::string(39, 'a') + Gb("汉");
  for (const auto& [text, title] : std::vector<std::pair<std::string, std::string>>{
           {"\r\n \t\r\n  What: a/b?  \r\nmore", "What_ a_b_"},
           {Gb("　全角空格　") + "\r\n", Gb("全角空格")},
           {"con.txt\r\n", "con_.txt"},  // a device name with an extension is still one
           {forty + "xyz", forty},
           {Gb("𠀀") + std::string(50, 'b'), Gb("𠀀") + std::string(39, 'b')},  // 4-byte form
           {"...\r\n", ""},
           {"Wait... what..?", Gb("Wait… what…_")},
           {" \r\n\t", ""}})
    EXPECT_EQ(CapturedTitle(text), title) << text;
}

TEST(CardCapture, TheWindowSourceKeepsTheProgramAndIsCutOnAWholeCharacter) {
  EXPECT_EQ(WindowSource(Gb("报告.docx - Word"), "WINWORD.EXE"),
            Gb("报告.docx - Word (WINWORD.EXE)"));
  EXPECT_EQ(WindowSource("", "notepad.exe"), "(notepad.exe)");
  std::string title;
  for (int i = 0; i < 600; ++i) title += Gb("长") + "x";
  const std::string source = WindowSource(title, "NOTEPAD.EXE");
  EXPECT_TRUE(source.ends_with("x (NOTEPAD.EXE)") || source.ends_with(Gb("长") + " (NOTEPAD.EXE)"));
  EXPECT_EQ(CountChars(source), kSourceLimit);
  EXPECT_EQ(CutChars(Gb("一二三"), 2), Gb("一二"));
  EXPECT_EQ(CrLfLines("a\nb\rc\r\n\r\nd\n"), "a\r\nb\r\nc\r\n\r\nd\r\n");
}

TEST(CardCapture, TheHtmlHeaderGivesTheAddressOnlyWhenItsOffsetsHoldTogether) {
  const std::string url = "https://example.org/" + GbToUtf8(Gb("页面")) + "?q=1";
  EXPECT_EQ(HtmlSourceUrl(HtmlClip(url)), "https://example.org/" + Gb("页面") + "?q=1");
  // Offsets -1 (no context) are allowed when both are.
  std::string noContext = HtmlClip("http://a/");
  noContext.replace(noContext.find("StartHTML:") + 10, 10, "-000000001");
  noContext.replace(noContext.find("EndHTML:") + 8, 10, "-000000001");
  EXPECT_EQ(HtmlSourceUrl(noContext), "http://a/");
  const std::string good = HtmlClip("http://a/");
  const auto damaged = [&](const std::string& field, const std::string& value) {
    std::string clip = good;
    const size_t at = clip.find(field + ":") + field.size() + 1;
    clip.replace(at, clip.find('\r', at) - at, value);
    return clip;
  };
  for (const std::string& clip :
       {HtmlClip(""),                             // a fragment without an address
        HtmlClip("", "SourceURL:http://x/\r\n"),  // an address inside the page is not the header's
        damaged("StartFragment", "12x"), damaged("EndFragment", "99999"),
        damaged("StartFragment", "9999999999999999999999"), damaged("StartHTML", "-1"),
        damaged("EndFragment", "5"), damaged("Version", "0.9\r\nbroken line"),
        damaged("SourceURL", "http://a/\x01"), damaged("SourceURL", "\xC3("),
        good.substr(0, good.find("SourceURL")), good.substr(0, 60), std::string("\0\0<", 3)})
    EXPECT_EQ(HtmlSourceUrl(clip), std::nullopt) << clip;
  // Every cut of a block reads without harm and gives no address: its offsets want more bytes.
  for (size_t n = 0; n <= good.size(); ++n)
    EXPECT_EQ(HtmlSourceUrl(good.substr(0, n)).has_value(), n == good.size()) << n;
}

using CaptureTest = test::CardTest;

TEST_F(CaptureTest, ACapturedCardTakesTheNextNumberBesideThePanelWhichStaysWhereItIs) {
  capture_.ShowPanel({});
  capture_.MarkModified();
  const CardText typed{kUnsorted, Gb("资料卡0"), "typed", ""};  // not stored yet
  const auto first = capture_.Capture(Gb("第一行: 标题\n第二行\r"), "https://a/");
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(*first, (IndexEntry{Gb("第一行_ 标题"),
                                "datum\\" + kUnsorted + "\\" + Gb("第一行_ 标题") + ".datum.0.xml",
                                "", kUnsorted, "", "https://a/"}));
  const std::string bytes = ReadBytes(first->url);
  for (const std::string& part :
       {Gb("<part>第二行</part>\r\n\t\t<part></part>"), std::string("<source>https://a/</source>"),
        std::string("<founddate>2026-12-6 9:5</founddate>")})
    EXPECT_NE(bytes.find(part), std::string::npos) << part;
  EXPECT_EQ(std::tuple(capture_.AtNewCard(), capture_.count(), capture_.cardNumber()),
            std::tuple(true, 1, 1));
  // The typed card is stored after it, under its own number; nothing was asked.
  ASSERT_TRUE(capture_.StoreCard(typed));
  EXPECT_EQ(std::tuple(capture_.count(), capture_.entries()[1].url, prompter_.messages.size()),
            std::tuple(2, "datum\\" + kUnsorted + "\\" + Gb("资料卡0") + ".datum.1.xml", 0u));
  // At a stored card the panel stays on it; a text without a usable line is named by number.
  ASSERT_TRUE(capture_.Previous({}));
  const auto second = capture_.Capture("***\r\nx", "");
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(std::tuple(second->name, capture_.position(), capture_.count()),
            std::tuple(std::string("___"), 2, 3));
  EXPECT_EQ(capture_.Capture("...", "")->name, Gb("资料卡3"));
  // No text: no card, no number taken.
  EXPECT_EQ(capture_.Capture("", "s"), std::nullopt);
  EXPECT_EQ(capture_.cardNumber(), 4);
  EXPECT_EQ(test::LinkNames(ReadBytes(std::string(kUntrimmedIndexPath))).size(), 4u);
}

TEST_F(CaptureTest, ARewriteKeepsTheSourceFoundDateAndKeywordsAndTheIndexFollowsTheSource) {
  const auto card = capture_.Capture("text", "http://s/");
  ASSERT_TRUE(card.has_value());
  WriteBytes(card->url,
             ReplaceAll(ReadBytes(card->url), "<keyword></keyword>", "<keyword>k</keyword>"));
  clock_.Set({2027, 1, 2, 3, 4, 0});
  capture_.ReloadLists();
  ASSERT_TRUE(capture_.Previous({}));
  EXPECT_EQ(capture_.shown().source, "http://s/");
  capture_.MarkModified();
  ASSERT_TRUE(capture_.Next({kUnsorted, "text", "edited", "http://t/"}));
  const std::string bytes = ReadBytes(card->url);
  for (const std::string_view part :
       {"<founddate>2026-12-6 9:5</founddate>", "<modifieddate>2027-1-2 3:4</modifieddate>",
        "<source>http://t/</source>", "<keyword>k</keyword>"})
    EXPECT_NE(bytes.find(part), std::string::npos) << part;
  EXPECT_EQ(capture_.entries()[0].source, "http://t/");
  // A source holding a line break is refused like such a title.
  ASSERT_TRUE(capture_.Previous({}));
  capture_.MarkModified();
  EXPECT_FALSE(capture_.Next({kUnsorted, "text", "again", "a\r\nb"}));
  EXPECT_EQ(prompter_.messages.size(), 1u);
}

TEST_F(CaptureTest, ACardCapturedWhileTrimmingJoinsTheListAndItsAddressStaysOffTheSourceList) {
  ASSERT_TRUE(capture_.Capture("one", "").has_value());
  ASSERT_EQ(trim_.Open(), DatumTrimming::Start::Ready);
  const auto two = capture_.Capture("two", "http://two/");
  EXPECT_FALSE(trim_.AddEntry(*two));
  EXPECT_EQ(std::tuple(trim_.status(), trim_.nextEnabled()),
            std::tuple(Gb("◆当前共有 2 条未整理的资料, 这是第 1 条◆"), true));
  trim_.Next(trim_.form());
  EXPECT_EQ(trim_.form().source, "http://two/");
  trim_.Next(trim_.form());  // past the end: the next capture is shown at once
  EXPECT_TRUE(trim_.AddEntry(*capture_.Capture("three", "http://three/")));
  TrimForm form = trim_.form();
  EXPECT_EQ(std::pair(form.text, form.source),
            std::pair(std::string("three"), std::string("http://three/")));
  form.source = "typed";
  ASSERT_TRUE(trim_.End(form));
  SourceTable sources;
  // The unchanged address stays off the list; the empty source and the typed one join it.
  EXPECT_EQ(LoadSourceList(sources), (std::vector<std::string>{"", "typed"}));
  EXPECT_NE(ReadBytes(two->url).find("<source>http://two/</source>"), std::string::npos);
  EXPECT_EQ(test::LinkNames(ReadBytes(std::string(kTrimmedIndexPath))).size(), 3u);
}

}  // namespace
}  // namespace pim
