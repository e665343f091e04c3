// The datum lists and indexes, and the capture panel, trimming dialog and browser over them.
#include "datum/browser.h"
#include "test_support.h"

namespace pim {
namespace {

using Strings = std::vector<std::string>;
const std::string kUnsorted = Gb("未分类"), kComputer = Gb("计算机"), kCoding = Gb("编程"),
                  kLife = Gb("生活"), kNested = kComputer + "\\" + kCoding;

class DatumTest : public test::CardTest {
 protected:
  // The user types `content` into the panel.
  CardText Typed(const std::string& content, const std::string& title = "t",
                 const std::string& category = kUnsorted) {
    capture_.MarkModified();
    return {category, title, content};
  }
  std::string CardFile(int number, const std::string& title = "t") {
    return "datum\\" + kUnsorted + "\\" + title + Format(".datum.%d.xml", number);
  }
  Strings Links(std::string_view path) { return test::LinkNames(ReadBytes(std::string(path))); }
  std::vector<Strings> Indexes() { return {Links(kUntrimmedIndexPath), Links(kTrimmedIndexPath)}; }
  // The category list of `names`, and a trimmed index of links (name, class) to datum\<name>.xml.
  void Lists(const Strings& names, const std::vector<std::pair<std::string, std::string>>& cards) {
    ASSERT_TRUE(WriteDataFolder());
    ClassTable classes;
    for (const std::string& name : names) FindClassPath(name, classes);
    std::vector<IndexEntry> links;
    for (const auto& [name, class_] : cards)
      links.push_back({name, name.empty() ? "" : "datum\\" + name + ".xml", "", class_, "", ""});
    ASSERT_TRUE(AppendToIndex(kTrimmedIndexPath, links));
  }
  // The browser's tree as "parent text>text" per item.
  Strings Tree() {
    browser_.Build(prompter_);
    Strings tree;
    for (const auto& item : browser_.items())
      tree.push_back((item.parent < 0 ? "" : browser_.items()[item.parent].text) + ">" + item.text);
    return tree;
  }
  DatumBrowser browser_{"datum"};
};

TEST_F(DatumTest, NewNamesTakeTheNextSlotMatchedExactlyAndAFullTableRefusesMore) {
  ClassTable classes, reloaded, fresh;
  SourceTable sources, reread;
  for (const std::string& name : Strings{"Notes", "notes", "Notes", kNested})
    FindClassPath(name, classes);
  for (const char* name : {"Web", "web", "", "Web", ""}) EXPECT_TRUE(FindSource(name, sources));
  // Byte-exact names: a case change is another. A subcategory's parent folder is made with it.
  EXPECT_TRUE(FolderExists("datum\\notes") && FolderExists("datum\\" + kNested));
  EXPECT_EQ((std::vector{LoadClassList(reloaded), LoadSourceList(reread)}),
            (std::vector<Strings>{{"Notes", "notes", kNested}, {"Web", "web", ""}}));
  // Per count text, the count read; a new name is taken only into an empty table.
  for (const auto& [count, read] : {std::pair{"150", 100}, {"100", 100}, {"-3", 0}, {"x", 0}}) {
    std::string classList = Format("[CLASS]\r\ncount=%s\r\n", count), sourceList = classList;
    for (int i = 0; i < 100; ++i) {
      classList += Format("name%d=c%d\r\npath%d=datum\\c%d\\\r\n", i, i, i, i);
      sourceList += Format("name%d=s%d\r\n", i, i);
    }
    WriteBytes("datum\\class.list", classList);
    WriteBytes("datum\\source.list", sourceList);
    ClassTable c;
    SourceTable s;
    const bool added = read == 0;
    EXPECT_EQ((std::tuple{LoadClassList(c).size(), LoadSourceList(s).size(),
                          !FindClassPath("new", c).empty(), FindSource("new", s),
                          ReadBytes("datum\\class.list") != classList,
                          ReadBytes("datum\\source.list") != sourceList}),
              std::tuple(size_t(read), size_t(read), added, added, added, added))
        << count;
  }
  // A list without the slot keys gets them, so the new name survives a reload.
  WriteBytes("datum\\class.list", "[CLASS]\r\ncount=0\r\n");
  EXPECT_EQ((std::tuple{FindClassPath("a", fresh), LoadClassList(fresh), fresh.entries[0].path}),
            std::tuple("datum\\a\\", Strings{"a"}, "datum\\a\\"));
}

TEST(DatumNames, NamesStayInsideTheDatumFolder) {
  const std::string trailing5C = "\x81\x5C";  // 乗: its trailing byte is 0x5C
  for (const std::string& name : {kNested, trailing5C, std::string("a b.c")})
    EXPECT_TRUE(IsSafeCategoryName(name)) << name;
  for (const std::string name :
       {"", "..\\x", "a..b", "\\x", "C:x", "a\\", "a\\\\b", "a/b", "a?", "a\tb", "\"q\""})
    EXPECT_FALSE(IsSafeCategoryName(name)) << name;
  EXPECT_TRUE(IsSafeTitle(trailing5C + "x") && IsSafeTitle(""));
  EXPECT_FALSE(IsSafeTitle("a\\b") || IsSafeTitle("a*"));
}

TEST_F(DatumTest, IndexesAreWrittenWholeAndAppendedOverTheEndMarkerOnly) {
  const std::vector<IndexEntry> entries = {{"n1", "u1", "d1", "c1", "k1", "s1"},
                                           {"n2", "u2", "", "c2", "", ""},
                                           {"n3", "u3", "d3", "c3", "k3", "s3"}};
  ASSERT_TRUE(WriteUntrimmedIndex(entries));  // read back: the next test
  const std::string bytes = ReadBytes("datum\\lineindex.untrim.list");
  for (const std::string& part :
       {Gb("<title>资料卡索引--未整理</title>"), Gb("<keyword>资料,未整理</keyword>"),
        std::string("<class>c1</class>\r\n\t\t<date>d1</date>")})
    EXPECT_NE(FindText(bytes, part), std::string::npos) << part;
  // In parts or at once, the same bytes; anything but the marker at the very end is refused.
  const std::string installed = ReadBytes("datum\\lineindex.list");
  WriteBytes("datum\\whole.list", installed);
  const std::span<const IndexEntry> all(entries);
  ASSERT_TRUE(AppendToIndex("datum\\lineindex.list", all.first(1)) &&
              AppendToIndex("datum\\lineindex.list", all.subspan(1)) &&
              AppendToIndex("datum\\whole.list", all));
  const std::string appended = ReadBytes("datum\\lineindex.list");
  EXPECT_EQ(appended, installed.substr(0, installed.size() - kLineIndexEnd.size()) +
                          bytes.substr(bytes.find("\t<link>")));
  EXPECT_EQ(appended, ReadBytes("datum\\whole.list"));
  for (const std::string& damaged :
       {installed.substr(0, installed.size() - 1), installed + "\r\n", std::string("x")}) {
    WriteBytes("datum\\index.list", damaged);
    EXPECT_FALSE(AppendToIndex("datum\\index.list", all));
    EXPECT_EQ(ReadBytes("datum\\index.list"), damaged);
  }
  EXPECT_FALSE(AppendToIndex("datum\\missing.list", all) || FileExists("datum\\missing.list"));
}

// Shifted by up to a link's length, "<link>" and the marker fall across the 4096-byte reads.
TEST_F(DatumTest, AnIndexIsKnownWholeOnlyWithEveryLinkAndTheMarker) {
  for (size_t shift = 0; shift < 180; ++shift) {
    std::vector<IndexEntry> entries(68, {"n", std::string(40, 'u'), "d", "c", "k", "s"});
    entries[0].name.append(shift, 'x');
    entries[1].keyword = entries[2].source = entries[3].name = "<link>";  // text, no link
    ASSERT_TRUE(WriteUntrimmedIndex(entries));
    const std::string bytes = ReadBytes("datum\\lineindex.untrim.list");
    bool whole = false;
    EXPECT_EQ(LoadUntrimmedIndex(prompter_, &whole), entries);
    EXPECT_TRUE(whole) << shift;
    const size_t last = bytes.rfind("<link>");
    for (const std::string& damaged :  // no marker; a last link cut short; a link not read
         {bytes.substr(0, bytes.size() - 1 - shift),
          bytes.substr(0, last + 20) + std::string(kLineIndexEnd),
          bytes.substr(0, last) + "\t<link>\r\n\t\t<nam>\r\n" + bytes.substr(last)}) {
      WriteBytes("datum\\lineindex.untrim.list", damaged);
      LoadUntrimmedIndex(prompter_, &whole);
      EXPECT_FALSE(whole) << shift;
    }
  }
}

TEST_F(DatumTest, NewCardsTakeTheNumberAndPagingStoresFirst) {
  ASSERT_TRUE(capture_.ShowPanel({}));
  EXPECT_EQ(capture_.shown().title + capture_.shown().category, Gb("资料卡0") + kUnsorted);
  // The datum button pressed again stores the card and starts the next one.
  ASSERT_TRUE(capture_.ShowPanel(Typed("first", "f")));
  EXPECT_EQ(std::pair(capture_.shown().title, capture_.modified()),
            std::pair(Gb("资料卡1"), false));
  // Typed at the new-card position, "←" stores it first and then shows it.
  ASSERT_TRUE(capture_.Previous(Typed("a<b\r\nc>&d", "t")));
  EXPECT_EQ(std::tuple(capture_.count(), capture_.position(), capture_.cardNumber(),
                       capture_.entries()[1], ReadBytes("datum\\datum.conf")),
            std::tuple(2, 2, 2, IndexEntry{"t", CardFile(1), "", kUnsorted, "", ""},
                       "[DATUM]\r\nid=2\r\n"));  // the number at once, not at close
  EXPECT_NE(FindText(ReadBytes(CardFile(1)), "<!DOCTYPE datum SYSTEM \"C:\\P\\xmlstyle\\"),
            std::string::npos);
  // Still flagged, "→" rewrites the card in its own file despite a new title, then clears the flag.
  ASSERT_TRUE(capture_.Next({"x", "renamed", "new text"}));
  EXPECT_EQ((std::tuple{capture_.AtNewCard(), capture_.modified(),
                        FileExists("datum\\x\\renamed.datum.1.xml"), capture_.entries()[1],
                        capture_.LoadContent(CardFile(1))}),
            std::tuple(true, false, false, IndexEntry{"renamed", CardFile(1), "", "x", "", ""},
                       "new text"));
  // Unchanged content, or none, is never stored.
  ASSERT_TRUE(capture_.Previous({"y", "other", "new text"}));
  EXPECT_EQ(capture_.entries()[1].name, "renamed");
  ASSERT_TRUE(capture_.Next(Typed("")));
  EXPECT_EQ(std::pair(capture_.count(), prompter_.messages.size()), std::pair(2, size_t{0}));
  // A search goes to a card at its place, storing the typed one first; a card gone: a fresh one.
  ASSERT_TRUE(capture_.GoToCard(CardFile(0, "f"), Typed("third", "g")));
  EXPECT_EQ(std::tuple(capture_.count(), capture_.position(), capture_.shown().content),
            std::tuple(3, 1, std::string("first")));
  EXPECT_TRUE(capture_.GoToCard("datum\\gone.xml", {}) && capture_.AtNewCard());
}

TEST_F(DatumTest, CloseStoresTheCardOnceAndACrashWithTheCounterSetBackLosesNoCard) {
  ASSERT_TRUE(capture_.StoreCard(Typed("first")));
  const std::string first = ReadBytes(CardFile(0));
  const CardText last = Typed("typed just before exit", "last");
  capture_.Close(last);
  capture_.Close(last);  // WM_CLOSE, then the exit procedure
  EXPECT_EQ(std::pair(ReadBytes("datum\\datum.conf"), ListFolder("datum\\" + kUnsorted).size()),
            std::pair(std::string("[DATUM]\r\nid=2\r\n"), size_t{2}));
  // The program dies without its close handling, the number is set back by hand, it starts again.
  WriteBytes("datum\\datum.conf", "[DATUM]\r\nid=0\r\n");
  capture_.Open();
  const std::string lastBytes = ReadBytes(CardFile(1, "last"));
  EXPECT_EQ(capture_.entries().at(1).url + "|" + capture_.LoadContent(CardFile(1, "last")),
            CardFile(1, "last") + "|typed just before exit");
  ASSERT_TRUE(capture_.StoreCard(Typed("second")));
  EXPECT_EQ(std::tuple(ReadBytes(CardFile(0)), ReadBytes(CardFile(1, "last")),
                       capture_.entries()[2].url, capture_.cardNumber()),
            std::tuple(first, lastBytes, CardFile(1), 2));
  // A damaged number at the top of the range: no new card under it, and no wrap.
  WriteBytes("datum\\datum.conf", "[DATUM]\r\nid=99999999999\r\n");
  capture_.Open();
  EXPECT_FALSE(capture_.StoreCard(Typed("third")));
  EXPECT_EQ(ListFolder("datum\\" + kUnsorted).size(), 3u);
  // One below the range starts again at 0, said once, and steps past the cards there.
  WriteBytes("datum\\datum.conf", "[DATUM]\r\nid=-5\r\n");
  prompter_.messages.clear();
  capture_.Open();
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_NE(FindText(prompter_.messages[0].text, "-5"), std::string::npos);
  ASSERT_TRUE(capture_.StoreCard(Typed("fourth")));
  EXPECT_EQ(std::pair(capture_.entries().back().url, capture_.cardNumber()),
            std::pair(CardFile(2), 3));
}

TEST_F(DatumTest, ACardReadInPartIsNotRewrittenAndAReloadStandsAtANewCard) {
  ASSERT_TRUE(capture_.StoreCard(Typed("one\r\ntwo")));
  std::string bytes = ReadBytes(CardFile(0));
  bytes.insert(bytes.rfind("<part>"), "stray\r\n");
  WriteBytes(CardFile(0), bytes);
  ASSERT_TRUE(capture_.Previous(Typed("")));  // the flag stays set from here on
  EXPECT_EQ(capture_.shown().content, "one");
  ASSERT_TRUE(capture_.Next(Typed("one")));
  EXPECT_EQ(ReadBytes(CardFile(0)), bytes);
  EXPECT_NE(FindText(prompter_.messages.back().text, CardFile(0)), std::string::npos);
  // Trimmed away meanwhile: at a new card, still flagged, so the text shown is stored anew.
  capture_.MarkModified();
  ASSERT_TRUE(capture_.WriteIndex() && WriteUntrimmedIndex({}));
  capture_.ReloadLists();  // a list not read again would leave count 2 below
  EXPECT_TRUE(capture_.AtNewCard() && capture_.modified() && !capture_.CanGoBack());
  ASSERT_TRUE(capture_.ShowPanel({kUnsorted, "t", "one"}));
  EXPECT_EQ(std::pair(capture_.count(), capture_.entries().at(0).url), std::pair(1, CardFile(1)));
}

TEST_F(DatumTest, UnsafeCategoriesAndFailedWritesAreToldAndStoreNothing) {
  const auto files = test::Tree();
  for (const char* category : {"..\\..\\x", ""}) {  // the names themselves: DatumNames above
    EXPECT_FALSE(capture_.StoreCard(Typed("text", "t", category))) << category;
    EXPECT_NE(FindText(prompter_.messages.back().text, Gb("类别 ") + category + Gb(" 不能")),
              std::string::npos);
  }
  EXPECT_EQ(test::Tree(), files);
  // A title no file name allows: told, then the save dialog; a cancel changes nothing.
  EXPECT_FALSE(capture_.StoreCard(Typed("text", "a?b")));
  ASSERT_EQ(prompter_.messages.size(), 3u);
  const auto& asked = prompter_.messages[2];
  EXPECT_EQ(
      std::tuple(asked.text, asked.caption, asked.icon),
      std::tuple(Gb("存储文件 ") + CardFile(0, "a?b") + Gb(" 时出错,请选择文件的存储位置和名称!"),
                 "", MsgIcon::Information));
  EXPECT_FALSE(capture_.ShowPanel(Typed("text", "a?b")) || !capture_.modified());  // kept
  // A path chosen in the dialog is the one the entry keeps; the cancel above took no number.
  prompter_.picked = "datum\\picked.xml";
  EXPECT_TRUE(capture_.ShowPanel(Typed("text", "a?b")));
  EXPECT_EQ(std::tuple(capture_.count(), capture_.entries().at(0).url,
                       capture_.LoadContent("datum\\picked.xml"), capture_.cardNumber()),
            std::tuple(1, "datum\\picked.xml", "text", 1));
}

TEST_F(DatumTest, TrimmingRewritesTheCardInPlaceAndTellsWhereItStands) {
  EXPECT_EQ(trim_.Open(), DatumTrimming::Start::NoIndex);  // silently
  test::CaptureCards(0);
  EXPECT_EQ(trim_.Open(), DatumTrimming::Start::Empty);
  EXPECT_EQ(prompter_.messages.at(0).text, Gb("没有未整理的资料!"));
  test::CaptureCards(3);
  ASSERT_EQ(trim_.Open(), DatumTrimming::Start::Ready);
  // The editor left the date empty; the card's found date fills it and is kept.
  EXPECT_EQ(trim_.status() + trim_.okText() + "|" + trim_.form().date + "|" + trim_.form().text,
            Gb("◆当前共有 3 条未整理的资料, 这是第 1 条◆结  束|2026-12-6 9:5|text c1\r\nline 2"));
  EXPECT_FALSE(trim_.previousEnabled());
  TrimForm form = trim_.form();
  form.title = "renamed";
  form.category = kComputer;
  trim_.Next(form);
  trim_.Next(trim_.form());
  EXPECT_EQ(std::tuple(trim_.nextEnabled(), trim_.okText()), std::tuple(false, Gb("完  成")));
  clock_.Set({2027, 1, 2, 3, 4, 0});
  trim_.Previous(trim_.form());
  trim_.Previous(trim_.form());
  EXPECT_EQ(trim_.form().title, "renamed");
  const std::string bytes = ReadBytes("datum\\a\\c1.xml");
  for (const std::string& part :
       {"<class>" + kComputer + "</class>", std::string("<founddate>2026-12-6 9:5</founddate>"),
        std::string("<part>line 2</part>")})
    EXPECT_NE(bytes.find(part), std::string::npos) << part;
  EXPECT_TRUE(FolderExists("datum\\" + kComputer));
}

// Cards waiting; moves ('>', '<', 'E' end, 'e' end refused, 'b' bookmark, 'i' index); the lists.
struct TrimCase {
  int cards;
  const char* moves;
  std::deque<MsgResult> answers;
  Strings untrimmed, trimmed, bookmarks, index;
  size_t questions;
};
// clang-format off
const TrimCase kTrimCases[] = {
    {8, ">>>><<eE", {MsgResult::No, MsgResult::Yes}, {"c6", "c7", "c8"},
     {"c1", "c2", "c3", "c4", "c5"}, {}, {}, 2},  // asked each time: some were never shown
    {3, "bi>>bE", {}, {}, {"c1", "c2", "c3"}, {"c1", "c3"}, {"c1"}, 0},  // the last: not asked
    {3, "><>", {}, {"c1", "c2", "c3"}, {}, {}, {}, 0}};  // no end, as Escape: every entry stays
// clang-format on

TEST_F(DatumTest, EndingMovesWhatWasShownAndMarksGoToTheirLists) {
  for (const TrimCase& t : kTrimCases) {
    SCOPED_TRACE(t.moves);
    test::CaptureCards(t.cards);
    DatumTrimming trim(prompter_, clock_, "");
    ASSERT_EQ(trim.Open(), DatumTrimming::Start::Ready);
    prompter_.messages.clear();
    prompter_.answers = t.answers;
    TrimForm form = trim.form();
    for (const char* m = t.moves; *m; ++m) {
      if (*m == 'b' || *m == 'i') (*m == 'b' ? form.bookmark : form.index) = true;
      if (*m == '>' || *m == '<') *m == '>' ? trim.Next(form) : trim.Previous(form);
      if (*m == 'e' || *m == 'E') {
        EXPECT_EQ(trim.End(form), *m == 'E');
      }
      if (*m != 'b' && *m != 'i') form = trim.form();
    }
    // The links carry the cards' date; the source joined the source list as the cards were left.
    const bool dated = FindText(ReadBytes(std::string(kTrimmedIndexPath)),
                                "<date>2026-12-6 9:5</date>") != std::string::npos;
    SourceTable sources;
    EXPECT_EQ((std::tuple{Indexes(), Links(kBookmarkListPath), Links(kIndexListPath),
                          prompter_.messages.size(), dated, LoadSourceList(sources)}),
              std::tuple(std::vector{t.untrimmed, t.trimmed}, t.bookmarks, t.index, t.questions,
                         !t.trimmed.empty(), Strings{""}));
    ASSERT_TRUE(WriteDataFolder());  // the installed, empty lists again
  }
}

// A bookmark list without its marker, a card with a stray line or not writable: all left alone.
TEST_F(DatumTest, ADamagedListOrCardLosesNothing) {
  std::string damaged = ReadBytes(std::string(kBookmarkListPath));
  damaged.pop_back();
  WriteBytes(std::string(kBookmarkListPath), damaged);
  test::CaptureCards(3);
  const IndexEntry lost{"lost", "datum\\gone\\lost.xml", "", "a", "", ""};
  ASSERT_TRUE(AppendToIndex(kUntrimmedIndexPath, std::span(&lost, 1)));
  std::string bytes = ReadBytes("datum\\a\\c1.xml");
  bytes.insert(bytes.find("<part>"), "stray\r\n");
  WriteBytes("datum\\a\\c1.xml", bytes);
  ASSERT_EQ(trim_.Open(), DatumTrimming::Start::Ready);
  TrimForm form = trim_.form();
  form.text = "edited";
  trim_.Next(form);
  form = trim_.form();
  form.bookmark = true;
  trim_.Next(form);
  trim_.Next(trim_.form());
  EXPECT_TRUE(trim_.End(trim_.form()));
  EXPECT_EQ(std::tuple(Indexes(), ReadBytes("datum\\a\\c1.xml"),
                       ReadBytes(std::string(kBookmarkListPath))),
            std::tuple(std::vector<Strings>{{"c1", "c2", "lost"}, {"c3"}}, bytes, damaged));
  ASSERT_EQ(prompter_.messages.size(), 3u);
  EXPECT_NE(FindText(prompter_.messages[0].text, "datum\\a\\c1.xml"), std::string::npos);
  EXPECT_EQ(prompter_.messages[1].text, "Can`t Open datum\\gone\\lost.xml to write!");
  EXPECT_TRUE(prompter_.messages[2].text.starts_with("datum\\bookmark.list "));
}

// Each list is read again just before it changes: nothing added elsewhere is lost or revived.
TEST_F(DatumTest, ListsChangedElsewhereMeanwhileAreJoinedNeverOverwritten) {
  ASSERT_TRUE(capture_.StoreCard(Typed("here 0")));
  ClassTable theirs;  // elsewhere
  LoadClassList(theirs);
  ASSERT_FALSE(FindClassPath(kLife, theirs).empty());
  std::vector<IndexEntry> index = LoadUntrimmedIndex(prompter_);
  index.push_back({"there", "datum\\" + kLife + "\\there.datum.7.xml", "", kLife, "", ""});
  ASSERT_TRUE(WriteUntrimmedIndex(index));
  WriteBytes(std::string(kDatumConfPath), "[DATUM]\r\nid=8\r\n");
  ASSERT_TRUE(capture_.StoreCard(Typed("here 8", "t", kComputer)));  // here

  capture_.Close({});
  EXPECT_EQ(Links(kUntrimmedIndexPath), (Strings{"t", "there", "t"}));
  EXPECT_NE(ReadBytes("datum\\" + kComputer + "\\t.datum.8.xml"), "<missing>");
  EXPECT_NE(ReadBytes(std::string(kDatumConfPath)).find("id=9"), std::string::npos);
  ClassTable now;
  EXPECT_EQ(LoadClassList(now), (Strings{kUnsorted, kLife, kComputer}));

  // The trimming dialog ends after a card was captured meanwhile: that card stays waiting.
  ASSERT_EQ(trim_.Open(), DatumTrimming::Start::Ready);
  ASSERT_TRUE(capture_.StoreCard(Typed("captured while trimming", "late")));
  ASSERT_TRUE(trim_.SaveItem(trim_.form()) && trim_.WriteIndexes());
  EXPECT_EQ(Links(kUntrimmedIndexPath), (Strings{"there", "t", "late"}));
  EXPECT_EQ(Links(kTrimmedIndexPath), (Strings{"t"}));
  // The panel, which still held the trimmed card, does not bring it back with its next store.
  ASSERT_TRUE(capture_.StoreCard(Typed("after")));
  EXPECT_EQ(Links(kUntrimmedIndexPath), (Strings{"there", "t", "late", "t"}));
}

// Rewritten elsewhere since shown: both kept (the default), written over, edit dropped, or none.
TEST_F(DatumTest, ACardChangedOnAnotherComputerIsNeverSavedOverUnasked) {
  const auto elsewhere = [&](int number, const std::string& text) {
    std::string card;
    XML(prompter_, clock_).WriteDatum(card, "t", kUnsorted, text, "d", "", "", "", {});
    WriteBytes(CardFile(number), card);
  };
  const auto content = [&](int number) { return capture_.LoadContent(CardFile(number)); };
  ASSERT_TRUE(capture_.StoreCard(Typed("mine")));
  ASSERT_TRUE(capture_.GoToCard(CardFile(0), {}));
  elsewhere(0, "theirs, longer");
  ASSERT_TRUE(capture_.Next(Typed("mine, edited")));
  EXPECT_EQ(std::tuple(prompter_.messages.at(0).text, content(0), content(1)),
            std::tuple(Gb("此记录已在另一台电脑上修改"), std::string("mine, edited"),
                       std::string("theirs, longer")));
  capture_.Close({});
  EXPECT_EQ(Links(kUntrimmedIndexPath), (Strings{"t", "t"}));
  ASSERT_TRUE(capture_.StoreCard(Typed("next number")));
  EXPECT_EQ(content(2), "next number");

  // Written over; the edit dropped for the card as it is now; the question closed.
  prompter_.choices = {1, 2, -1};
  for (const char* typed : {"over", "dropped", "stays typed"}) {
    ASSERT_TRUE(capture_.GoToCard(CardFile(0), {}));
    elsewhere(0, std::string("there before ") + typed);
    EXPECT_EQ(capture_.Next(Typed(typed)), typed != std::string("stays typed")) << typed;
  }
  EXPECT_EQ(std::tuple(content(0), capture_.position(), capture_.modified()),
            std::tuple(std::string("there before stays typed"), 1, true));
  EXPECT_EQ(std::pair(prompter_.messages.size(), FileExists(CardFile(3))),
            std::pair(size_t{4}, false));

  // Trimming: the card rewritten while shown keeps both; a closed question takes no step.
  ASSERT_EQ(trim_.Open(), DatumTrimming::Start::Ready);
  TrimForm form = trim_.form();
  form.text = "trimmed here";
  elsewhere(0, "rewritten there meanwhile");
  prompter_.choices = {-1};
  trim_.Next(form);
  EXPECT_EQ(std::pair(trim_.item(), content(0)),
            std::pair(1, std::string("rewritten there meanwhile")));
  trim_.Next(form);
  EXPECT_EQ(std::tuple(trim_.item(), content(0), content(3)),
            std::tuple(2, std::string("trimmed here"), std::string("rewritten there meanwhile")));
  ASSERT_TRUE(trim_.WriteIndexes());
  EXPECT_EQ(Indexes(), (std::vector<Strings>{{"t", "t", "t"}, {"t"}}));
}

TEST_F(DatumTest, CategoriesNestCardsSitUnderTheirClassAndPagingFollowsTheIndex) {
  EXPECT_TRUE(Tree().empty());  // the installed lists: an empty tree, no message
  // A subcategory listed before its parent stands at the root.
  Lists({kLife + "\\x", kComputer, kNested, kLife}, {{"a", kNested}, {"b", "gone"}, {"c", kLife}});
  EXPECT_EQ(Tree(), (Strings{">x", ">" + kComputer, kComputer + ">" + kCoding, ">" + kLife,
                             kCoding + ">a", ">b", kLife + ">c"}));
  // Showing and paging go in index order.
  Lists({"x", "y"}, {{"one", "y"}, {"two", "x"}, {"", "x"}, {"four", "x"}});
  std::string card;
  XML(prompter_, FixedClock({2026, 1, 2, 3, 4, 0}))
      .WriteDatum(card, "T", "y", "line1\r\nline2", "d", "2025-5-6 7:8", "S", "K", {});
  WriteBytes("datum\\one.xml", card);
  browser_.Build(prompter_);
  const auto page = [&](int item) {  // "header|content", "-" for none
    const auto shown = browser_.Show(item, prompter_);
    return shown ? shown->header + "|" + shown->content : "-";
  };
  EXPECT_EQ(page(0), "-");  // a category
  EXPECT_EQ(std::pair(browser_.ItemOf("datum\\four.xml"), browser_.ItemOf("datum\\x.xml")),
            std::pair(5, DatumBrowser::kRoot));
  EXPECT_EQ(page(2),
            Gb("标题:T\r\n类别:y\t来源:S\r\n建立日期:2025-5-6 7:8\t修改日期:2026-1-2 3:4\r\n"
               "关键字:K|line1\r\nline2"));
  EXPECT_EQ(browser_.PreviousItem(), DatumBrowser::kRoot);
  // A missing file says so; a link without a file shows nothing but becomes current.
  EXPECT_EQ(page(3), Gb("找不到资料卡文件: datum\\two.xml|"));
  EXPECT_EQ(page(4), "-");
  EXPECT_EQ(browser_.NextItem(), 5);
  browser_.Show(5, prompter_);
  EXPECT_EQ(browser_.NextItem(), DatumBrowser::kRoot);
  EXPECT_TRUE(prompter_.messages.empty());
  // Built again after a restore: on the card shown where the lists still hold it.
  ASSERT_TRUE(RemoveFile(std::string(kTrimmedIndexPath)));
  Lists({"x"}, {{"new", "x"}, {"four", "x"}});
  const int four = browser_.Rebuild(prompter_);
  EXPECT_TRUE(four != DatumBrowser::kRoot && four == browser_.ItemOf("datum\\four.xml"));
  browser_.Show(browser_.ItemOf("datum\\new.xml"), prompter_);
  ASSERT_TRUE(RemoveFile(std::string(kTrimmedIndexPath)));
  Lists({"x"}, {{"four", "x"}});
  EXPECT_EQ(browser_.Rebuild(prompter_), DatumBrowser::kRoot);
  EXPECT_EQ(browser_.Rebuild(prompter_), DatumBrowser::kRoot);  // nothing shown since
}

}  // namespace
}  // namespace pim
