// Search over the records in memory: matches, order, following changes; the window's text and
// place.
#include "search/search.h"

#include <filesystem>
#include <random>

#include "base/atomic_file.h"
#include "search/search_cache.h"
#include "search/search_view.h"
#include "test_support.h"

namespace pim {
namespace {

using Strings = std::vector<std::string>;

// The titles found, best first.
Strings Titles(const RecordStore& store, Searcher& searcher, const std::string& query,
               SearchScope scope = SearchScope::All) {
  Strings titles;
  for (const SearchHit& hit : searcher.Find(Gb(query), scope, 50))
    titles.push_back(GbToUtf8(store.records()[hit.slot].Title()));
  return titles;
}

// Every hit of the queries in each scope, with the record's path and the line shown; the totals.
Strings Answers(const RecordStore& store, Searcher& searcher, const Strings& queries,
                std::initializer_list<SearchScope> scopes) {
  Strings all;
  for (const std::string& query : queries)
    for (const SearchScope scope : scopes) {
      size_t total = 0;
      bool estimated = false;
      for (const SearchHit& h : searcher.Find(Gb(query), scope, 40, &total, &estimated))
        all.push_back(Format("%u %d %d %zu %zu ", h.slot, h.tier, h.field, h.pos, h.len) +
                      store.records()[h.slot].path + " " + searcher.MatchLine(h, 30).text);
      all.push_back(Format("%zu %d", total, estimated));
    }
  return all;
}

class SearchTest : public test::ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    clock_.Set({2021, 3, 4, 10, 0, 0});
    events_.Subscribe(store_);
    events_.SetNoteTypes(&store_);
    ASSERT_TRUE(CreateFolder("datum\\a"));
  }

  void AddNote(int type, const std::string& text) {
    book_.New(type);
    ASSERT_TRUE(book_.Save(Gb(text), type));
    book_.New(type);
  }
  void AddContact(const std::string& name, int category, const std::string& email = "",
                  const std::string& note = "") {
    contacts_.New();
    ComuRecord c;
    std::tie(c.name, c.class_, c.email, c.note) = std::tuple{Gb(name), category, email, Gb(note)};
    ASSERT_TRUE(contacts_.Save(c));
  }
  // A card in datum\a, trimmed (and then maybe a bookmark) or not; its modified date orders it.
  void AddCard(int n, const std::string& title, const std::string& content, bool trimmed,
               bool bookmark = false, const std::string& keyword = "") {
    const std::string url = Format("datum\\a\\c%d.xml", n);
    std::string card;
    XML(prompter_, FixedClock({2020, 1, n, 8, 0, 0}))
        .WriteDatum(card, Gb(title), Gb("历史"), Gb(content), "dtd", "2020-1-1 8:0", Gb("史记"),
                    Gb(keyword), {});
    ASSERT_TRUE(WriteFileAtomic(url, card));
    const IndexEntry entry{Gb(title), url, "", Gb("历史"), "", ""};
    if (trimmed) {
      ASSERT_TRUE(AppendToIndex(kTrimmedIndexPath, std::span(&entry, 1)));
      if (bookmark) {
        ASSERT_TRUE(AppendToIndex(kBookmarkListPath, std::span(&entry, 1)));
      }
    } else {
      untrimmed_.push_back(entry);
      ASSERT_TRUE(WriteUntrimmedIndex(untrimmed_));
    }
  }

  // Notes of a few words, a contact every tenth and an untrimmed card c000... every `cardEvery`-th.
  void WriteMany(int notes, int cardEvery) {
    Strings some;
    for (const char* word : {"长城", "会议", "Hello", "ＡＢＣ", "王小明", "北京", "乐山", "World",
                             "植物", "𠀀", "行军"})
      some.push_back(Gb(word) + " ");
    std::mt19937 random(11);
    const auto words = [&](int n) {
      std::string text;
      for (int i = 0; i < n; ++i) text += some[random() % some.size()];
      return text;
    };
    std::vector<IndexEntry> cards;
    for (int i = 0; i < notes; ++i) {
      std::string doc;
      XML(prompter_, FixedClock({2020, 1 + i % 12, 1 + i % 28, 8, i % 60, 0}))
          .WriteNote(doc, i % 3, words(2) + "\r\n" + words(6), "2020-1-1 8:0");
      WriteBytes(Format("note\\n.%d.xml", i), doc);
      if (i % 10 == 0) {
        doc.clear();
        ComuRecord contact;
        std::tie(contact.name, contact.class_, contact.note) =
            std::tuple{words(1), i % 4, words(3)};
        ASSERT_TRUE(contact.WriteComu(doc));
        WriteBytes(Format("communication\\com.%d.xml", i / 10), doc);
      }
      if (i % cardEvery == 0) {
        const std::string url = Format("datum\\a\\c%03d.xml", i / cardEvery);
        doc.clear();
        XML(prompter_, FixedClock({2020, 2, 1 + i % 28, 8, 0, 0}))
            .WriteDatum(doc, words(2), Gb("历史"), words(5), "dtd", "2020-1-1 8:0", words(1),
                        words(1), {});
        WriteBytes(url, doc);
        cards.push_back({"c", url, "", Gb("历史"), "", ""});
      }
    }
    ASSERT_TRUE(WriteUntrimmedIndex(cards));
  }

  Strings Titles(const std::string& query, SearchScope scope = SearchScope::All) {
    return pim::Titles(store_, searcher_, query, scope);
  }

  RecordStore store_;
  Searcher searcher_{store_};
  NoteBook book_{prompter_, clock_, &events_};
  AddressBook contacts_{prompter_, &events_};
  std::vector<IndexEntry> untrimmed_;
};

TEST_F(SearchTest, MatchesTextAndPinyinAsTypedAndAKeptCacheAnswersAsTheFilesDid) {
  book_.Open();
  contacts_.Initialise();
  AddContact("王小明", 0, "XiaoMing@Example.com");
  AddContact("张三", 1, "", "会议在乐山");
  AddNote(2, "今天去长城\r\n天气很好 Hello World");
  AddNote(1, "购物清单\r\n牛奶 面包 𠀀字");
  AddCard(1, "行军记录", "ＡＢＣ全角字母 and ΑΒΓ希腊字母", true, true, "关键");
  AddCard(3, "吕梁植物", "植物与阳光", false);
  std::string english;  // more letters than an entry keeps apart: read from the text itself
  for (int i = 0; i < 300; ++i) english += "word ";
  AddCard(4, "英文", english + "Zebra 42", false);
  store_.ScanAll();
  // Kept and read back before any file is read: every query below answers the same from it.
  ASSERT_TRUE(WriteSearchCache("search.cache", "d:\\data", 77, store_, searcher_));
  const std::string bytes = ReadBytes("search.cache");
  RecordStore cached;
  Searcher fromCache(cached);
  int64_t readAt = 0;
  ASSERT_TRUE(ReadSearchCache("search.cache", "d:\\data", readAt, cached, fromCache));
  EXPECT_TRUE(readAt == 77 && cached.known());

  // The titles found, and the queries that find them.
  const std::pair<Strings, Strings> cases[] = {
      // Pinyin: initials, syllables, a mix, several words, letter case and width; e-mail as text.
      {{"王小明"},
       {"wxm", "wangxiaoming", "wang xiao", "wangxm", "WXM", "ｗｘｍ", "xiaom", "xiaoming@EXAMPLE",
        "EXAMPLE", "xiaoming"}},
      {{"英文"}, {"zebra", "42", "word zebra"}},
      // Every reading, "ü" as "v" or "u", categories, sources, every field, GBK non-Chinese.
      {{"行军记录"}, {"xingjun", "hangjun", "abc", "αβγ"}},
      {{"吕梁植物"}, {"lvliang", "luliang"}},
      {{"今天去长城"}, {"rj", "日记", "hello", "长城 天气"}},
      {{"英文", "吕梁植物", "行军记录"}, {"shiji"}},
      {{"张三"}, {"乐山"}},
      {{"购物清单"}, {"𠀀"}},
      // All words must match, in one record; pinyin is for titles and labels, not for content.
      {{}, {"长城 乐山", "wxm 乐山", "yangguang", "mingexample", "zebra42"}},
  };
  Strings queries = {"", "zs", "关键"};
  for (const auto& [titles, typed] : cases)
    for (const std::string& query : typed) {
      EXPECT_EQ(Titles(query), titles) << query;
      queries.push_back(query);
    }
  const auto scopes = {SearchScope::All, SearchScope::Bookmarks, SearchScope::Contacts};
  EXPECT_EQ(Answers(cached, fromCache, queries, scopes),
            Answers(store_, searcher_, queries, scopes));
  // Changed behind it: the listing finds what differs, what is gone goes.
  ASSERT_TRUE(WriteFileAtomic("note\\n.0.xml", Note(Gb("改过的笔记"), "2021-1-1 1:1")));
  ASSERT_TRUE(RemoveFile("communication\\com.1.xml"));
  cached.ScanAll();
  Strings titles = pim::Titles(cached, fromCache, "");
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles, (Strings{"吕梁植物", "改过的笔记", "王小明", "英文", "行军记录", "购物清单"}));

  // Unusable: another data folder, another version, every cut, a byte too many.
  const auto refused = [&](const std::string& file, const char* key = "d:\\data") {
    WriteBytes("search.cache", file);
    RecordStore store;
    Searcher searcher(store);
    int64_t at = 0;
    return !ReadSearchCache("search.cache", key, at, store, searcher) && store.records().empty();
  };
  EXPECT_TRUE(refused(bytes, "e:\\data"));
  std::string version = bytes;
  ++version[16];
  EXPECT_TRUE(refused(version));
  for (size_t cut = 0; cut < bytes.size(); cut += 1 + cut / 8)
    EXPECT_TRUE(refused(bytes.substr(0, cut))) << cut;
  EXPECT_TRUE(refused(bytes + "x"));
}

TEST_F(SearchTest, TitlesFirstThenNewerFirstWithinEachScope) {
  AddCard(1, "植物图鉴", "旧的", true, true);
  AddCard(2, "花园", "说到植物", true);
  AddCard(3, "公园", "也有植物", false);
  AddCard(4, "植物园", "新的", false);
  book_.Open();
  AddNote(1, "笔记\r\n写植物的");
  store_.ScanAll();
  // Titles before content; among each, newer first (the note was written last of all).
  EXPECT_EQ(Titles("植物"), (Strings{"植物园", "植物图鉴", "笔记", "公园", "花园"}));
  EXPECT_EQ(Titles("植物", SearchScope::Cards), (Strings{"植物园", "植物图鉴", "公园", "花园"}));
  EXPECT_EQ(Titles("", SearchScope::Bookmarks), Strings{"植物图鉴"});
  EXPECT_EQ(Titles("", SearchScope::Notes), Strings{"笔记"});

  // The line shown holds the match, cut around it at characters.
  size_t total = 0;
  std::vector<SearchHit> hits = searcher_.Find(Gb("说到"), SearchScope::All, 10, &total);
  ASSERT_EQ(total, 1u);
  SearchLine line = searcher_.MatchLine(hits[0], 40);
  EXPECT_EQ(line.text.substr(line.pos, line.len), Gb("说到"));
  AddCard(5, "长文", std::string(200, 'x') + "中间的词" + std::string(200, 'y'), true);
  events_.CardWritten("datum\\a\\c5.xml");
  hits = searcher_.Find(Gb("中间"), SearchScope::All, 10);
  line = searcher_.MatchLine(hits.at(0), 30);
  EXPECT_LE(line.text.size(), 40u);
  EXPECT_EQ(line.text.substr(line.pos, line.len), Gb("中间"));
  EXPECT_TRUE(line.text.starts_with(Gb("…")) && line.text.ends_with(Gb("…")));
  // A record of blanks alone, listed without a query, shows an empty line.
  AddCard(6, "空白", std::string(60, ' ') + "\r\n\t", true);
  events_.CardWritten("datum\\a\\c6.xml");
  Strings blank;
  for (const SearchHit& hit : searcher_.Find("", SearchScope::All, 10))
    if (store_.records()[hit.slot].Title() == Gb("空白"))
      blank.push_back(searcher_.MatchLine(hit, 30).text);
  EXPECT_EQ(blank, Strings{""});
}

TEST_F(SearchTest, FollowsThePanelsWritesAndTheFilesChangedBehindThem) {
  book_.Open();
  contacts_.Initialise();
  AddNote(1, "第一条");
  store_.ScanAll();
  // Written through the models while search knows the records: found at once.
  AddNote(1, "第二条");
  AddContact("李四", 0);
  EXPECT_EQ(Titles("第二"), Strings{"第二条"});
  EXPECT_EQ(Titles("ls"), Strings{"李四"});
  prompter_.answers = {MsgResult::Yes};
  contacts_.Delete();
  EXPECT_EQ(Titles("ls").size(), 0u);
  // Trimming moves a card into the bookmark list.
  AddCard(1, "卡片", "内容", false);
  events_.CardWritten("datum\\a\\c1.xml");
  EXPECT_EQ(Titles("", SearchScope::Bookmarks).size(), 0u);
  const IndexEntry entry{"c", "datum\\a\\c1.xml", "", "a", "", ""};
  ASSERT_TRUE(AppendToIndex(kTrimmedIndexPath, std::span(&entry, 1)));
  ASSERT_TRUE(AppendToIndex(kBookmarkListPath, std::span(&entry, 1)));
  ASSERT_TRUE(WriteUntrimmedIndex({}));
  events_.ListsChanged();
  EXPECT_EQ(Titles("", SearchScope::Bookmarks), Strings{"卡片"});

  // Behind the program's back: seen at the next scan only.
  ASSERT_TRUE(WriteFileAtomic("note\\n.40.xml", Note(Gb("外来的"), "2021-1-1 1:1")));
  ASSERT_TRUE(RemoveFile("note\\n.0.xml"));
  EXPECT_EQ(Titles("外来").size(), 0u);
  store_.ScanAll();
  EXPECT_EQ(Titles("外来"), Strings{"外来的"});
  EXPECT_EQ(Titles("第一").size(), 0u);
}

TEST_F(SearchTest, DamagedFilesAreSkippedAndCountedAndAnyQueryIsSafe) {
  book_.Open();
  AddNote(1, "好的笔记");
  WriteBytes("note\\n.5.xml", "<note><type>1</type>\x81");
  WriteBytes("communication\\com.2.xml", "<name>");
  AddCard(1, "好卡", "内容", true);
  const IndexEntry lost{"lost", "datum\\a\\gone.xml", "", "a", "", ""};
  ASSERT_TRUE(AppendToIndex(kTrimmedIndexPath, std::span(&lost, 1)));
  store_.BeginScan();
  while (store_.ScanStep(std::chrono::milliseconds(0))) {
    EXPECT_LE(store_.scanDone(), store_.scanTotal());
  }
  EXPECT_EQ(store_.unreadable(), 3);
  EXPECT_EQ(Titles("").size(), 2u);
  // Mended on disk, it is read at the next scan.
  ASSERT_TRUE(WriteFileAtomic("note\\n.5.xml", Note(Gb("修好了"), "2021-1-1 1:1")));
  store_.ScanAll();
  EXPECT_EQ(store_.unreadable(), 2);
  EXPECT_EQ(Titles("修好"), Strings{"修好了"});
  searcher_.Find(std::string(100000, 'a'), SearchScope::All, 5);
}

TEST_F(SearchTest, TheCacheIsWrittenOnlyWhenItChangedAndGoesWithAReplacedFolder) {
  book_.Open();
  AddNote(1, "第一条");
  SearchCache cache("search.cache");
  {
    RecordStore store;
    Searcher searcher(store);
    ASSERT_TRUE(cache.Save(store, searcher));  // never read: nothing written
    EXPECT_EQ(ReadBytes("search.cache"), "<missing>");
    EXPECT_FALSE(cache.Load(store, searcher));
    EXPECT_TRUE(cache.FullReadDue(1000));
    store.ScanAll();
    cache.FullReadDone(1000);
    ASSERT_TRUE(cache.Save(store, searcher));
  }
  SearchCache next("search.cache");
  RecordStore store;
  Searcher searcher(store);
  ASSERT_TRUE(next.Load(store, searcher));
  EXPECT_FALSE(next.Load(store, searcher));  // once
  EXPECT_FALSE(next.FullReadDue(1000 + kFullReadSeconds - 1));
  EXPECT_TRUE(next.FullReadDue(1000 + kFullReadSeconds));
  EXPECT_TRUE(next.FullReadDue(999));  // a clock set back
  // Unchanged: not written again.
  WriteBytes("search.cache", "stale");
  ASSERT_TRUE(next.Save(store, searcher));
  EXPECT_EQ(ReadBytes("search.cache"), "stale");
  RecordEvents events;
  events.Subscribe(next);
  events.Replaced();
  EXPECT_EQ(ReadBytes("search.cache"), "<missing>");
}

TEST_F(SearchTest, FilteredSteppingTakesKnownTypesAndReadsOnlyTheNoteShown) {
  book_.Open();
  for (int i = 0; i < 60; ++i) AddNote(i % 20 == 0 ? 2 : 1, Format("note %d", i));
  store_.ScanAll();
  const int before = ReadStepsTaken();
  Strings labels;
  book_.Open();
  for (int i = 0; i < 4; ++i) {
    book_.Previous(2);
    labels.push_back(book_.label());
  }
  EXPECT_EQ(labels, (Strings{"40:", "20:", "0:", "0:"}));
  EXPECT_LT(ReadStepsTaken() - before, 16);
}

// A scan takes in what reading each file gives, in order of kind and number; entries made on
// several threads, and a cache read back in runs side by side, find what entries made a step
// at a time find.
TEST_F(SearchTest, ThreadsChangeNothingThatIsFound) {
  WriteMany(3800, 10);  // more records than one run of the cache holds
  const RecordKind kinds[] = {RecordKind::Note, RecordKind::Contact, RecordKind::Card};
  Strings paths;
  for (int i = 0; i < 3800; ++i) paths.push_back(Format("note\\n.%d.xml", i));
  for (int i = 0; i < 380; ++i) paths.push_back(Format("communication\\com.%d.xml", i));
  for (int i = 0; i < 380; ++i) paths.push_back(Format("datum\\a\\c%03d.xml", i));
  for (int run = 0; run < 2; ++run) {
    RecordStore store;
    if (run == 0) {
      store.ScanAll();
    } else {
      store.BeginScan();  // as the search window reads: a step at a time
      while (store.ScanStep(std::chrono::milliseconds(0)))
        ASSERT_LE(store.scanDone(), store.scanTotal());
    }
    ASSERT_EQ(store.records().size(), paths.size());
    for (size_t slot = 0; slot < paths.size(); ++slot) {
      const Record& held = store.records()[slot];
      Record read;
      ASSERT_TRUE(ReadRecordFile(kinds[(slot >= 3800) + (slot >= 4180)], paths[slot], read))
          << paths[slot];
      EXPECT_TRUE(held.live && held.path == paths[slot] && held.fields == read.fields &&
                  held.date == read.date && held.stamp == read.stamp)
          << run << " " << paths[slot];
    }
  }

  // One searcher follows the scan a few changes at a time; the other takes all at its first search.
  Searcher stepwise(store_);
  store_.BeginScan();
  for (size_t seen = 0; store_.ScanStep(std::chrono::milliseconds(0));) {
    if (store_.changes().size() == seen) continue;
    seen = store_.changes().size();
    stepwise.Find("", SearchScope::All, 1);
  }
  Searcher atOnce(store_);
  const Strings queries = {"",   "长城", "wxm",   "wangxiaoming", "hello", "abc", "北京 会议",
                           "𠀀", "bj",   "ls zw", "xingjun",      "wor",   "hjl"};
  const auto scopes = {SearchScope::All, SearchScope::Contacts, SearchScope::Cards};
  const Strings answers = Answers(store_, atOnce, queries, scopes);
  EXPECT_EQ(Answers(store_, stepwise, queries, scopes), answers);
  ASSERT_TRUE(WriteSearchCache("search.cache", "d:\\data", 0, store_, atOnce));
  RecordStore cached;
  Searcher fromCache(cached);
  int64_t readAt = 0;
  ASSERT_TRUE(ReadSearchCache("search.cache", "d:\\data", readAt, cached, fromCache));
  EXPECT_EQ(Answers(cached, fromCache, queries, scopes), answers);
}

// An event during a scan wins over what it read; a replaced data folder stops it for good.
TEST_F(SearchTest, RecordEventsDuringAScanWinOverWhatItRead) {
  WriteMany(300, 1);  // cards c000 to c299, read last
  const std::string last = "datum\\a\\c299.xml", removed = "datum\\a\\c298.xml";
  const auto card = [&](const std::string& title) {
    std::string doc;
    XML(prompter_, clock_).WriteDatum(doc, Gb(title), "a", "", "dtd", "2020-1-1 8:0", "", "", {});
    return doc;
  };
  store_.BeginScan();
  // Listed, and the last cards not yet taken in (each step takes in a few dozen files).
  while (store_.scanTotal() == 0) ASSERT_TRUE(store_.ScanStep(std::chrono::milliseconds(0)));
  ASSERT_TRUE(WriteFileAtomic(last, card("新的")));
  events_.CardWritten(last);
  WriteBytes(last, card("之后没说的"));  // what a reader may meet after the event
  ASSERT_TRUE(RemoveFile(removed));
  events_.Tell({RecordChange::What::Removed, RecordKind::Card, -1, removed});
  store_.ScanAll();
  EXPECT_EQ(store_.records()[store_.FindCard(last)].Title(), Gb("新的"));
  const int gone = store_.FindCard(removed);
  EXPECT_TRUE(gone < 0 || !store_.records()[gone].live);
  EXPECT_EQ(store_.unreadable(), 0);

  // A note written while a later scan lists the folder is not dropped as missing from it.
  book_.Open();
  store_.BeginScan();
  AddNote(1, "扫描时写的");
  store_.ScanAll();
  EXPECT_EQ(Titles("扫描时"), Strings{"扫描时写的"});

  for (const int steps : {0, 1, 40}) {
    store_.BeginScan(true);
    for (int i = 0; i < steps; ++i) store_.ScanStep(std::chrono::milliseconds(0));
    events_.Replaced();
    const size_t changes = store_.changes().size();
    EXPECT_FALSE(store_.scanning() || store_.known() || store_.ScanStep({}));
    EXPECT_EQ(store_.changes().size(), changes);
    EXPECT_TRUE(std::none_of(store_.records().begin(), store_.records().end(),
                             [](const Record& r) { return r.live; }));
    store_.ScanAll();
    EXPECT_EQ(Titles("扫描时"), Strings{"扫描时写的"});
  }
}

// A file rewritten with the same size and time is read again only by a scan of everything.
TEST_F(SearchTest, AScanOfEverythingReadsWhatStampsHideAndReportsOnlyChanges) {
  for (int i = 0; i < 3; ++i) WriteBytes(Format("note\\n.%d.xml", i), Note(Gb("甲") + "x"));
  store_.ScanAll();
  const auto rewrite = [&](const char* text) {
    const std::filesystem::path file = "note/n.1.xml";
    const auto time = std::filesystem::last_write_time(file);
    WriteBytes("note\\n.1.xml", Note(Gb(text) + "x"));
    std::filesystem::last_write_time(file, time);
  };
  rewrite("乙");
  WriteBytes("note\\n.2.xml", Note(Gb("甲") + "x"));  // the same bytes, a new time
  store_.ScanAll();
  EXPECT_EQ(Titles("乙x").size(), 0u);
  const size_t changes = store_.changes().size();
  store_.BeginScan(true);
  store_.ScanAll();
  EXPECT_EQ(Titles("乙x"), Strings{"乙x"});
  EXPECT_EQ(std::vector<uint32_t>(store_.changes().begin() + changes, store_.changes().end()),
            std::vector<uint32_t>{static_cast<uint32_t>(store_.FindNote(1))});
}

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
  // The match between 【 and 】, tabs and line ends as blanks; a place past the text marks none.
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
