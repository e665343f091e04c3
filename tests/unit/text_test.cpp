// Text beyond GBK: the converter against Wine and iconv, and four-byte characters everywhere.
#include <fstream>
#include <iterator>

#include "quicklaunch/key_name.h"  // ClipGbk
#include "test_support.h"

#ifndef _WIN32
#include <iconv.h>
#endif

namespace pim {
namespace {

// "😀 • 한 䶮 𠮷" in GB18030: four bytes each but 䶮, private use in code page 936.
const std::string kEmoji = "\x94\x39\xFC\x36", kBullet = "\x81\x36\xA6\x31";
const std::string kHangul = "\x83\x36\x84\x33", kYan = "\xFE\x9F", kJi = "\x95\x34\xB2\x35";
const std::string kMixed = kEmoji + " " + kBullet + " " + kHangul + " " + kYan + " " + kJi;

bool IsScalar(char32_t c) { return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF); }

std::string Bytes(char32_t c) {
  std::string out;
  EXPECT_TRUE(AppendGbChar(out, c)) << std::hex << uint32_t(c);
  return out;
}

TEST(TextTest, EveryScalarValueRoundTripsAndIsSteppedWhole) {
  std::u16string all;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (!IsScalar(c)) {
      std::string none;
      EXPECT_FALSE(AppendGbChar(none, c));
      continue;
    }
    const std::string b = Bytes(c);
    const GbChar back = DecodeGbChar(b, 0);
    if (back.code != c || back.size != b.size() || !back.valid || GbCharSize(b, 0) != b.size())
      ADD_FAILURE() << std::hex << uint32_t(c);
    if (c >= 0x10000) all.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
    all.push_back(static_cast<char16_t>(c < 0x10000 ? c : 0xDC00 + ((c - 0x10000) & 0x3FF)));
  }
  const std::string bytes = Utf16ToGb(all);  // whole strings: Windows' UTF-16
  EXPECT_EQ(GbToUtf16(bytes), all);
  EXPECT_EQ(Utf8ToGb(GbToUtf8(bytes)), bytes);                   // and UTF-8 names on Linux
  EXPECT_EQ(Utf16ToGb(u"a\xD800z"), "a" + Bytes(0xFFFD) + "z");  // a lone surrogate: U+FFFD
}

TEST(TextTest, BrokenBytesPassThroughNamesAndShowAsReplacementInWindows) {
  const std::pair<std::string, std::u16string> cases[] = {
      {"a\x81", u"a\uFFFD"},                          // cut two-byte
      {"\x81\x30\x81", u"\uFFFD0\uFFFD"},             // cut four-byte
      {"\x84\x31\xA5\x30", u"\uFFFD1\uFFFD0"},        // beyond the BMP ranges
      {"\xE3\x32\x9A\x36x", u"\uFFFD2\uFFFD6x"},      // beyond U+10FFFF
      {"\xC4\x7F\xC4\xE3", u"\uFFFD\x7F\u4F60"},      // no trail byte 0x7F
      {std::string("\xFE\xFF", 2), u"\uFFFD\uF8F5"},  // 0xFF stands alone
  };
  for (const auto& [bytes, shown] : cases) {
    EXPECT_EQ(GbToUtf16(bytes), shown) << bytes;
    EXPECT_EQ(Utf8ToGb(GbToUtf8(bytes)), bytes) << bytes;
  }
}

TEST(TextTest, NativeNamesThatAreNoUtf8ComeBackAsTheyWere) {
  for (const std::string name :
       {"\xC4\xE3\xBA\xC3.xml", "\xC4\x61", "caf\xE9", "\xFF\xFE", "a\x80", "\xE4\xBD",
        "\xE4\xBD\xA0\xC4", "\xFE\x39\x81\x30", "\xC0\x80\x30"})
    EXPECT_EQ(GbToUtf8(Utf8ToGb(name)), name) << testing::PrintToString(name);
  EXPECT_EQ(Utf8ToGb("\xE4\xBD\xA0\xE5\xA5\xBD\x61"), "\xC4\xE3\xBA\xC3\x61");
#ifndef _WIN32
  const std::string folder = testing::TempDir() + "pimbrel-gbk-name";
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/\xC4\xE3\xBA\xC3.xml") << "bytes";
  const std::vector<std::string> names = ListFolder(FromNativeName(folder));
  std::string bytes;
  EXPECT_TRUE(names.size() == 1 && ReadWholeFile(FromNativeName(folder) + "\\" + names[0], bytes) &&
              bytes == "bytes");
  std::filesystem::remove_all(folder);
#endif
}

#ifndef _WIN32

// Wine's code page table, in words: header, 256 one-byte entries, glyph count (and glyphs),
// the DBCS flag, 256 lead-byte offsets from the offset array, then the lead bytes' tables.
const std::vector<uint16_t>& WineTable() {
  static const std::vector<uint16_t> words = [] {
    std::ifstream in("/usr/share/wine/nls/c_936.nls", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    std::vector<uint16_t> w(bytes.size() / 2);
    for (size_t i = 0; i < w.size(); ++i)
      w[i] = static_cast<uint16_t>(uint8_t(bytes[2 * i]) | uint8_t(bytes[2 * i + 1]) << 8);
    return w;
  }();
  return words;
}

char16_t WineCode(unsigned lead, unsigned trail) {
  const std::vector<uint16_t>& w = WineTable();
  const size_t single = w[0] + 1u, glyphs = single + 256;
  const size_t offsets = glyphs + 1 + (w[glyphs] ? 256 : 0) + 1;
  if (!IsGbkLeadByte(lead)) return w[single + lead];
  return w[offsets + w[offsets + lead] + trail];
}

// Every code of code page 936 reads and writes as Windows has it, but private-use codes that
// GB18030 gives a standard character.
TEST(TextTest, AgreesWithWinesCodePage936Table) {
  if (WineTable().size() < 0x10000) GTEST_SKIP() << "Wine's c_936.nls is not installed";
  int swaps = 0;
  for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
    for (unsigned trail = 0x40; trail <= (IsGbkLeadByte(lead) ? 0xFEu : 0x40u); ++trail) {
      if (IsGbkLeadByte(lead) && trail == 0x7F) continue;
      const std::string code =
          IsGbkLeadByte(lead) ? std::string{char(lead), char(trail)} : std::string{char(lead)};
      const char16_t windows = WineCode(lead, trail);
      const GbChar ours = DecodeGbChar(code, 0);
      if (ours.valid && ours.size == code.size() && ours.code == windows && Bytes(windows) == code)
        continue;
      if (windows >= 0xE000 && windows <= 0xF8FF && ours.valid && ours.code < 0x10000 &&
          (ours.code < 0xE000 || ours.code > 0xF8FF) && Bytes(ours.code) == code &&
          Bytes(windows).size() == 4) {
        ++swaps;
        continue;
      }
      ADD_FAILURE() << std::hex << lead << " " << trail << ": " << +windows << " / "
                    << uint32_t(ours.code);
    }
  }
  EXPECT_EQ(swaps, 99);
}

TEST(TextTest, AgreesWithIconvGb18030WhereCodePage936HasNoCode) {
  iconv_t cd = iconv_open("GB18030", "UTF-32LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) GTEST_SKIP() << "iconv has no GB18030";
  int noCode = 0, twoByteSupplementary = 0;
  for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
    if (!IsScalar(c)) continue;
    const std::string ours = Bytes(c);
    char in[4] = {char(c & 0xFF), char(c >> 8 & 0xFF), char(c >> 16 & 0xFF), 0};
    char out[8];
    char *src = in, *dst = out;
    size_t inLeft = 4, outLeft = 8;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const bool coded = iconv(cd, &src, &inLeft, &dst, &outLeft) != static_cast<size_t>(-1);
    const std::string theirs(out, coded ? dst : out);
    if (coded && theirs == ours) continue;
    if (ours.size() <= 2 && WineCode(uint8_t(ours[0]), uint8_t(ours.back())) == c)
      continue;  // code page 936 writes it itself
    if (!coded && ours.size() == 4 && c >= 0xE000 && c <= 0xF8FF) {
      ++noCode;
    } else if (coded && c >= 0x10000 && theirs.size() == 2) {
      ++twoByteSupplementary;  // the planes beyond the BMP stay linear, as GB18030 has them
    } else {
      ADD_FAILURE() << std::hex << uint32_t(c);
    }
  }
  iconv_close(cd);
  // Private-use characters whose codes now read as standard ones, which iconv lacks; and six
  // characters iconv gives two-byte codes that code page 936 keeps for private use.
  EXPECT_EQ(noCode, 18);
  EXPECT_EQ(twoByteSupplementary, 6);
}

#endif

using TextFilesTest = test::ModelTest;  // an installed data folder

TEST_F(TextFilesTest, ExistingFilesKeepEveryByte) {
  for (const char* root : {".", PIMBREL_CORPUS})
    for (const auto& [name, bytes] : test::Tree(root)) {
      EXPECT_EQ(Utf8ToGb(GbToUtf8(bytes)), bytes) << name;
      const std::u16string shown = GbToUtf16(bytes);
      if (shown.find(u'\xFFFD') == std::u16string::npos) {
        EXPECT_EQ(Utf16ToGb(shown), bytes) << name;
      }
    }
}

TEST(TextTest, WalksStepOverFourByteCharactersAndLimitsNeverCutOne) {
  // "\x81\x30\x81\x30" is U+0080; a search for the trailing half of it must fail.
  EXPECT_EQ(FindText("\x81\x30\x81\x30", "\x81\x30", 1), std::string::npos);
  EXPECT_EQ(FindText(kEmoji + kJi, "\xFC\x36\x95\x34"), std::string::npos);
  EXPECT_EQ(FindText(kMixed, kYan), 15u);
  EXPECT_EQ(ReplaceAll(kMixed, " ", ""), kEmoji + kBullet + kHangul + kYan + kJi);
  const std::tuple<std::string, size_t, std::string> limits[] = {{"ab" + kEmoji, 5, "ab"},
                                                                 {"ab" + kEmoji, 6, "ab" + kEmoji},
                                                                 {kYan + kJi + "x", 5, kYan},
                                                                 {kJi + kJi, 7, kJi},
                                                                 {"\x81\x30", 1, ""}};
  for (const auto& [text, bytes, kept] : limits) EXPECT_EQ(ClipGbk(text, bytes), kept) << bytes;
  // Category levels split at "\" only, names take four-byte characters.
  EXPECT_TRUE(IsSafeCategoryName(kJi + "\\" + kYan + kEmoji));
  EXPECT_FALSE(IsSafeCategoryName(kJi + "\\"));
  EXPECT_TRUE(IsSafeTitle(kMixed));
  EXPECT_EQ(DataPathFolder("datum\\" + kJi + "\\" + kYan + ".xml"), "datum\\" + kJi + "\\");
}

TEST_F(TextFilesTest, DocumentsAndCardFilesHoldEveryCharacter) {
  XML xml(prompter_, clock_);
  std::string note, comu, card;
  xml.WriteNote(note, 1, kMixed + "\r\n" + kMixed, "");
  xml.comu.name = kJi + kYan;
  xml.comu.note = kEmoji;
  xml.WriteComu(comu);
  xml.WriteDatum(card, kYan, kJi, kMixed, "d", "", kBullet, kHangul, {});
  XML back(prompter_, clock_);
  test::Doc noteDoc(note);
  ASSERT_EQ(back.ReadNoteType(noteDoc.lines()), 1);
  ASSERT_TRUE(back.ReadNote(noteDoc.lines()) && back.ReadComu(test::Doc(comu).lines()) &&
              back.ReadDatum(test::Doc(card).lines()));
  EXPECT_EQ(back.note.content, kMixed + "\r\n" + kMixed);
  EXPECT_EQ(back.comu.name + "|" + back.comu.note, kJi + kYan + "|" + kEmoji);
  EXPECT_EQ(back.datum.title + back.datum.class_ + back.datum.content + back.datum.source +
                back.datum.keyword,
            kYan + kJi + kMixed + kBullet + kHangul);

  // A card titled 䶮 in category 𠮷: its folder and file bear them, and the index leads there.
  DatumCapture capture(prompter_, clock_, "C:\\P");
  capture.Open();
  capture.MarkModified();
  ASSERT_TRUE(capture.StoreCard({kJi, kYan, kMixed}));
  const std::string path = "datum\\" + kJi + "\\" + kYan + ".datum.0.xml";
  EXPECT_EQ(capture.entries().at(0).url + "|" + capture.LoadContent(path), path + "|" + kMixed);
  EXPECT_TRUE(
      std::filesystem::exists(std::filesystem::path(u8"datum/\U00020BB7/\u4DAE.datum.0.xml")));
  EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(TextFilesTest, LineBreaksInOneLineFieldsAreToldAndNotStored) {
  AddressBook book(prompter_);
  book.Initialise();
  ComuRecord contact;
  contact.address = "a\nb";
  EXPECT_FALSE(book.Save(contact) || FileExists("communication\\com.0.xml"));
  contact.address = kJi;
  contact.note = "a\r\nb";  // the note is several lines
  EXPECT_TRUE(book.Save(contact));
  DatumCapture capture(prompter_, clock_, "C:\\P");
  capture.Open();
  capture.MarkModified();
  EXPECT_FALSE(capture.StoreCard({"x", "t\r", "text"}) || capture.count() != 0);
  test::CaptureCards(1);
  DatumTrimming trim(prompter_, clock_, "C:\\P");
  ASSERT_EQ(trim.Open(), DatumTrimming::Start::Ready);
  const std::string before = ReadBytes("datum\\a\\c1.xml");
  TrimForm form = trim.form();
  form.source = "s\n";
  EXPECT_FALSE(trim.SaveItem(form));
  EXPECT_EQ(ReadBytes("datum\\a\\c1.xml"), before);
  ASSERT_EQ(prompter_.messages.size(), 4u);  // the second contact's save is confirmed
  for (size_t i : {0u, 2u, 3u})
    EXPECT_NE(prompter_.messages[i].text.find("\xBB\xBB\xD0\xD0"), std::string::npos);  // 换行
}

}  // namespace
}  // namespace pim
