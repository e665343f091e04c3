// The four document kinds: exact bytes against hand-written layouts, and the reader quirks.
#include <random>
#include <tuple>

#include "test_support.h"

namespace pim::test {
namespace {

using Strings = std::vector<std::string>;

// `doc` with the last `from` replaced by `to`, to break a written document (throws if absent).
std::string Edited(std::string doc, std::string_view from, std::string_view to) {
  return doc.replace(doc.rfind(from), from.size(), to);
}

Strings LinkOf(const LineIndexRecord& r) {
  return {r.name, r.url, r.class_, r.date, r.linkKeyword, r.source};
}

class XmlDocTest : public ::testing::Test {
 protected:
  // "caption: text" of each box shown since the last call, all with just OK.
  Strings Shown() {
    Strings texts;
    for (const auto& m : prompter_.messages)
      texts.push_back(m.buttons == MsgButtons::Ok ? m.caption + ": " + m.text : "not OK");
    prompter_.messages.clear();
    return texts;
  }
  FixedClock clock_{LocalTime{2003, 5, 7, 9, 5, 3}};  // padding would show
  RecordingPrompter prompter_;
  XML xml_{prompter_, clock_};
};

TEST_F(XmlDocTest, NoteBytesAndReaderQuirks) {
  const std::string content = "\xB1\xB8\xCD\xFC\r\n\xB5\xDA\xB6\xFE\xD0\xD0";  // 备忘 CR LF 第二行
  std::string doc;
  xml_.WriteNote(doc, 3, content, "");
  EXPECT_EQ(doc,
            "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n\r\n<note>\r\n\t<type>3</type>\r\n"
            "\t<buildtime>2003-5-7 9:5</buildtime>\r\n\t<modifytime>2003-5-7 9:5</modifytime>\r\n"
            "\t<content>\xB1\xB8\xCD\xFC\r\n"         // 备忘
            "\xB5\xDA\xB6\xFE\xD0\xD0</content>\r\n"  // 第二行
            "</note>");
  // Read back by the notes panel in its own tests. Reader quirks, from a note that held "old".
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n\r\n<note>\r\n\t<type>x</type>\r\n"
      "\t<buildtime>b</buildtime>\r\n\t<modifytime>m</modifytime>\r\n";
  EXPECT_EQ(xml_.ReadNoteType(Doc(head).lines()), -1);  // not a number
  const std::tuple<const char*, bool, const char*, Strings> cases[] = {
      {"\t<content>a</content>b</content>", true, "a", {}},  // cut at its own closing tag
      {"\t<content>a\r\nb", true, "a\r\nb\r\n", {}},         // never closed: what was there
      {"", false, "old", {}},                                // out of lines: silent
      {"\ta</content>", false, "old", {"XML ERROR: not content find!"}},
  };
  for (const auto& [tail, ok, read, shown] : cases) {
    xml_.note = {"old", "old"};
    EXPECT_EQ(xml_.ReadNote(Doc(head + tail).lines()), ok) << tail;
    // The build time is read before the content line, so it is kept.
    EXPECT_EQ(xml_.note.content + "|" + xml_.note.buildtime, read + std::string("|b")) << tail;
    EXPECT_EQ(Shown(), shown) << tail;
  }
}

TEST_F(XmlDocTest, ComuBytesReadBackAndBrokenLines) {
  // Distinct values everywhere, so that swapped fields show: name 张三, address 北京.
  // clang-format off
  const ComuRecord sample{"\xD5\xC5\xC8\xFD", 3, 0, "1980", 2, 14, "010-1234", "020-5", "139", "9",
      "a@b.invalid", "d@e.invalid", "http://c.invalid", "http://h.invalid", "12345", "678",
      "\xB1\xB1\xBE\xA9", "100000", "l1\r\nl2"};
  // clang-format on
  std::string doc;
  EXPECT_TRUE(sample.WriteComu(doc));
  EXPECT_EQ(doc,
            "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n\r\n<comu>\r\n"
            "\t<name>\xD5\xC5\xC8\xFD</name>\r\n"  // 张三
            "\t<class>3</class>\r\n\t<sex>female</sex>\r\n\t<birthday>1980- 2-14</birthday>\r\n"
            "\t<Tel class=\"Office\">010-1234</Tel>\r\n\t<Tel class=\"home\">020-5</Tel>\r\n"
            "\t<Tel class=\"handset\">139</Tel>\r\n\t<Tel class=\"BP\">9</Tel>\r\n"
            "\t<email>a@b.invalid</email>\r\n\t<email>d@e.invalid</email>\r\n"
            "\t<companyweb>http://c.invalid</companyweb>\r\n"
            "\t<homepage>http://h.invalid</homepage>\r\n\t<oicq>12345</oicq>\r\n"
            "\t<icq>678</icq>\r\n\t<address>\xB1\xB1\xBE\xA9</address>\r\n"  // 北京
            "\t<postnumber>100000</postnumber>\r\n\t<note>l1\r\nl2</note>\r\n</comu>");
  // Read into a fresh record (male, all empty) and written again: every field is back.
  ASSERT_TRUE(xml_.ReadComu(Doc(doc).lines()));
  std::string again;
  xml_.WriteComu(again);
  EXPECT_EQ(again, doc);
  ComuRecord old;
  old.name = old.email2 = old.companyweb = old.note = "old";
  const auto read = [&](std::string bytes) {
    xml_.comu = old;
    return xml_.ReadComu(Doc(std::move(bytes)).lines());
  };
  // A broken line stops the read: the fields above it are new, the rest keep old values.
  EXPECT_FALSE(read(Edited(doc, "</companyweb>", "")));
  EXPECT_EQ(xml_.comu.email2 + xml_.comu.companyweb + xml_.comu.note, "d@e.invalidoldold");
  EXPECT_TRUE(Shown().empty());
  // A missing note tag is reported; a file that ends before the note line is not.
  EXPECT_FALSE(read(Edited(doc, "\t<note>", "\t")));
  EXPECT_EQ(Shown(), Strings{"XML ERROR: not note find!"});
  EXPECT_FALSE(read(doc.substr(0, doc.find("\t<note>"))));
  EXPECT_TRUE(Shown().empty());
}

TEST_F(XmlDocTest, DatumBytesReadBackAndLoneLf) {
  const DatumLink link{"\xD7\xCA\xC1\xCF" /* 资料 */, "file", "a.xml"};
  std::string doc;
  xml_.WriteDatum(doc, "T", "\xCE\xB4\xB7\xD6\xC0\xE0" /* 未分类 */,
                  "a<b & c>d\r\n\xB5\xDA\xB6\xFE\xD0\xD0" /* 第二行 */, "C:\\P\\d.dtd",
                  "2001-2-3 4:5", "S", "K", {&link, 1});
  EXPECT_EQ(doc,
            "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n"
            "<!DOCTYPE datum SYSTEM \"C:\\P\\d.dtd\">\r\n\t\t\t\t\t\t\t<!-- copy from "
            "http://pimbrel.invalid/subject/doc/kwix_xml_1.0/02_2003_datum01.dtd -->\r\n"
            "\r\n<datum>\r\n\t<title>T</title>\r\n"
            "\t<class>\xCE\xB4\xB7\xD6\xC0\xE0</class>\r\n"  // 未分类
            "\t<founddate>2001-2-3 4:5</founddate>\r\n"
            "\t<modifieddate>2003-5-7 9:5</modifieddate>\r\n"
            "\t<source>S</source>\r\n\t<keyword>K</keyword>\r\n\t<content>\r\n"
            "\t\t<part>a\xA1\xDA"
            "b \xA1\xEA c\xA1\xDB"
            "d</part>\r\n"                                                   // a≮b ￡ c≯d
            "\t\t<part>\xB5\xDA\xB6\xFE\xD0\xD0</part>\r\n\t</content>\r\n"  // 第二行
            "\t<correlativelink>\r\n\t\t<link type=\"file\">\r\n"
            "\t\t\t<name>\xD7\xCA\xC1\xCF</name>\r\n"  // 资料
            "\t\t\t<url>a.xml</url>\r\n\t\t</link>\r\n\t</correlativelink>\r\n</datum>");
  // Read back, the replacements stay; the other fields: the browser's page of a card.
  ASSERT_TRUE(xml_.ReadDatum(Doc(doc).lines()));
  EXPECT_EQ(xml_.datum.content, Gb("a≮b ￡ c≯d\r\n第二行"));
  // A lone LF is no part break, but it ends the file line, so that part has no closing tag.
  doc.clear();
  xml_.WriteDatum(doc, "t", "c", "one\r\ntwo\nthree\r\nfour", "d", "", "", "", {});
  ASSERT_TRUE(xml_.ReadDatum(Doc(doc).lines()));
  EXPECT_EQ(xml_.datum.content, "one");
}

TEST_F(XmlDocTest, LineIndexBytesReadBackAndMissingFields) {
  std::string doc;
  XML::WriteLineIndexHead(doc, "\xCB\xF7\xD2\xFD" /* 索引 */, "K");
  XML::WriteLineIndexLink(doc, "\xD7\xCA\xC1\xCF" /* 资料 */, "u1", "c1", "d1", "k1", "s1");
  XML::WriteLineIndexLink(doc, "", "", "", "", "", "");
  XML::WriteLineIndexEnd(doc);
  EXPECT_EQ(doc,
            "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<!DOCTYPE lineindex SYSTEM "
            "\"http://pimbrel.invalid/subject/doc/kwix_xml_1.0/03_2003_lineindex01.dtd\">\r\n"
            "\r\n\r\n<lineindex>\r\n\t<title>\xCB\xF7\xD2\xFD</title>\r\n"  // 索引
            "\t<keyword>K</keyword>\r\n\t<link>\r\n"
            "\t\t<name>\xD7\xCA\xC1\xCF</name>\r\n"  // 资料
            "\t\t<url>u1</url>\r\n\t\t<class>c1</class>\r\n\t\t<date>d1</date>\r\n"
            "\t\t<keyword>k1</keyword>\r\n\t\t<source>s1</source>\r\n\t</link>\r\n"
            "\t<link>\r\n\t\t<name></name>\r\n\t\t<url></url>\r\n\t\t<class></class>\r\n"
            "\t\t<date></date>\r\n\t\t<keyword></keyword>\r\n\t\t<source></source>\r\n"
            "\t</link>\r\n</lineindex>\r\n\t\t\t\t<!-- KWIX.LINEINDEX.WRITE -->");
  Doc in(doc);  // the first link read back: the first case below
  ASSERT_TRUE(xml_.ReadLineIndexLink(in.lines()) && xml_.ReadLineIndexLink(in.lines()));
  EXPECT_EQ(LinkOf(xml_.lineIndex), Strings(6));
  EXPECT_FALSE(xml_.ReadLineIndexLink(in.lines()));  // the list simply ends
  EXPECT_TRUE(Shown().empty());
  const std::pair<const char*, const char*> cases[] = {
      {"</name>", "No name Find!"},      {"</url>", "No url Find"},
      {"</class>", "No class Find"},     {"</date>", "no date find"},
      {"</keyword>", "no keyword find"}, {"</source>", "no source find"}};
  const Strings first = {"\xD7\xCA\xC1\xCF", "u1", "c1", "d1", "k1", "s1"};
  for (int k = 0; k < 6; ++k) {
    Doc broken(Edited(doc, cases[k].first, ""));  // the second link loses one closing tag
    ASSERT_TRUE(xml_.ReadLineIndexLink(broken.lines()));
    EXPECT_FALSE(xml_.ReadLineIndexLink(broken.lines())) << cases[k].first;
    EXPECT_EQ(Shown(), Strings{std::string("XML ERROR: ") + cases[k].second});
    // Fields before the missing one are the second link's (empty), the others the first's.
    for (int f = 0; f < 6; ++f) EXPECT_EQ(LinkOf(xml_.lineIndex)[f], f < k ? "" : first[f]) << k;
  }
  // A file that ends inside a link is silent.
  EXPECT_FALSE(xml_.ReadLineIndexLink(Doc(doc.substr(0, doc.find("\t\t<class>"))).lines()));
  EXPECT_TRUE(Shown().empty());
  // Tag search steps over two-byte characters: after a lone lead byte (D7) "<" is a trail byte.
  EXPECT_FALSE(xml_.ReadLineIndexLink(Doc(Edited(doc, "\xD7\xCA\xC1\xCF", "\xD7")).lines()));
  EXPECT_EQ(Shown(), Strings{"XML ERROR: No name Find!"});
}

TEST(XmlFieldsTest, FastSearchAgreesWithTheWalkOnRandomBytes) {
  std::mt19937 random(7);
  const std::string alphabet = "<</>ab\x81\xB0\xFE\\";
  for (int round = 0; round < 20000; ++round) {
    std::string text(random() % 24, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    for (const std::string needle : {"<a>", "</a>", "<", "a", "\xB0<"})
      ASSERT_EQ(xmlfield::FindAtBoundary(text, needle), FindText(text, needle)) << text;
    // Extract as the walk (FindText) defines it: both tags searched from the start.
    const size_t open = FindText(text, "<a>"), close = FindText(text, "</a>");
    std::string value = "old";
    const bool found = xmlfield::Extract(text, "<a>", "</a>", value);
    ASSERT_EQ(found, open != std::string::npos && close != std::string::npos) << text;
    if (found) {
      ASSERT_EQ(value, close > open + 3 ? text.substr(open + 3, close - open - 3) : "");
    }
  }
}

}  // namespace
}  // namespace pim::test
