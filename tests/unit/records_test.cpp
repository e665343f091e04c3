// The notes and contacts panels' models: stepping, numbering, deleting and failed writes.
#include <memory>
#include <tuple>

#include "test_support.h"

namespace pim {
namespace {

using Strings = std::vector<std::string>;
using Shown = std::pair<std::string, std::string>;  // a step's label, then what shows
const FixedClock kClock({2003, 1, 5, 9, 7, 0});     // a Sunday

std::string NoteDocument(int type, const std::string& text) {
  test::RecordingPrompter quiet;
  std::string doc;
  XML(quiet, kClock).WriteNote(doc, type, text, "b");
  return doc;
}

// One record book behind the calls both panels make.
struct Book {
  virtual ~Book() = default;
  virtual void Open() = 0;
  virtual bool Save(const std::string& text) = 0;  // the record shown, as text or name
  virtual Shown Step(char move) = 0;               // '<' or '>'
  virtual void Delete() = 0;
  virtual void Close() = 0;
  virtual std::string Document(const std::string& text) = 0;  // a record as found on disk
  virtual bool Show(int n) = 0;                               // as a search opens it
  virtual bool Leave(const std::string& text) = 0;           // before a search shows another record
  virtual std::string Refresh(const std::string& text) = 0;  // after a change on disk ("-": none)
  virtual std::string Took() = 0;  // shown after a save that took the file's version, or "-"
  virtual Shown Reopen() = 0;      // after a restore: the label, then what shows
  virtual std::string Arrived(int n) = 0;  // the label after `n` came from another computer
};
// What both panels' books do alike.
template <typename B>
struct Common : Book {
  template <typename... A>
  explicit Common(A&&... a) : book(std::forward<A>(a)...) {}
  void Delete() override { book.Delete(); }
  void Close() override { book.Close(); }
  std::string Arrived(int n) override {
    book.Arrived(n);
    return book.label();
  }
  B book;
};
struct Notes final : Common<NoteBook> {
  explicit Notes(Prompter& p) : Common(p, kClock) {}
  void Open() override { book.Open(); }
  bool Save(const std::string& text) override { return book.Save(text, NoteBook::kOrdinary); }
  Shown Step(char move) override {
    move == '<' ? book.Previous(NoteBook::kAll) : book.Next(NoteBook::kAll);
    return {book.label(), book.text()};
  }
  std::string Document(const std::string& text) override {
    return NoteDocument(text == "odd" ? 9 : NoteBook::kOrdinary, text);
  }
  bool Show(int n) override { return book.Show(n); }
  bool Leave(const std::string& text) override { return book.Leave(text, book.category()); }
  std::string Refresh(const std::string& text) override {
    return book.Refresh(text, book.category()) == NoteBook::Step::Unchanged ? "-" : book.text();
  }
  std::string Took() override { return book.TookDiskVersion() ? book.text() : "-"; }
  Shown Reopen() override {
    book.Reopen();
    return {book.label(), book.text()};
  }
};
struct Contacts final : Common<AddressBook> {
  explicit Contacts(Prompter& p) : Common(p) {
    fields.class_ = fields.birthMonth = fields.birthDay = -1;
    fields.sex = 0;  // as the panel opens: nothing chosen, no sex checked
  }
  void Open() override { book.Initialise(); }
  bool Save(const std::string& text) override { return book.Save(Holding(text)); }
  Shown Step(char move) override {
    ComuRecord shown;
    const auto step = move == '<' ? book.Previous(shown) : book.Next(shown);
    return {book.label(), step == AddressBook::Step::Unchanged ? "-" : shown.name};
  }
  std::string Document(const std::string& text) override {
    return "\t<name>" + text + "</name>\r\n";  // cut short: it shows what it holds
  }
  bool Show(int n) override {
    // As the panel shows it: a category its list lacks is none.
    const bool read = book.Open(n, fields);
    if (fields.class_ > 8) fields.class_ = -1;
    return read;
  }
  bool Leave(const std::string& text) override { return book.Leave(Holding(text)); }
  std::string Refresh(const std::string& text) override {
    ComuRecord now;
    const auto step = book.Refresh(Holding(text), now);
    if (step == AddressBook::Step::Loaded) fields = now;
    return step == AddressBook::Step::Loaded    ? now.name
           : step == AddressBook::Step::Emptied ? ""
                                                : "-";
  }
  std::string Took() override {
    const std::optional<ComuRecord> now = book.TookDiskVersion();
    if (now) fields = *now;
    return now ? now->name : "-";
  }
  Shown Reopen() override {
    const auto step = book.Reopen(fields);
    return {book.label(), step == AddressBook::Step::Loaded ? fields.name : ""};
  }
  ComuRecord Holding(const std::string& text) const {  // the fields shown, `text` as the name
    ComuRecord shown = fields;
    shown.name = text;
    return shown;
  }
  ComuRecord fields;
};

struct Kind {
  const char *name, *section, *prefix;  // the record files: prefix, number, ".xml"
  const char* upper9;                   // record 9's file name in capitals
  std::function<std::unique_ptr<Book>(Prompter&)> make;
};
void PrintTo(const Kind& kind, std::ostream* out) { *out << kind.name; }
const Kind kKinds[] = {{"notes", "NOTE", "note\\n.", "note\\N.9.XML",
                        [](Prompter& p) { return std::make_unique<Notes>(p); }},
                       {"contacts", "COMU", "communication\\com.", "communication\\COM.9.XML",
                        [](Prompter& p) { return std::make_unique<Contacts>(p); }}};

class RecordBookTest : public test::ModelTest, public ::testing::WithParamInterface<Kind> {
 protected:
  std::string Path(int n) { return GetParam().prefix + std::to_string(n) + ".xml"; }
  std::string Walk(Book& book, const std::string& moves) {  // the labels
    std::string labels;
    for (char move : moves) labels += book.Step(move).first;
    return labels;
  }
};

TEST_P(RecordBookTest, StepsOverGapsDeleteAsksAndNumbersOutliveFailedWritesAndCrashes) {
  // Both counters lack their key: the first number taken adds it, before any close handling.
  const std::string settings = "[SYS]\r\nhotkey=583\r\n[COMU]\r\n[NOTE]\r\n";
  WriteBytes(kSettingsPath, settings);
  const auto book = GetParam().make(prompter_);
  book->Open();
  Walk(*book, "<>");
  book->Close();  // a run that only reads leaves the settings as they are
  EXPECT_EQ(ReadBytes(kSettingsPath), settings);
  for (int n : {0, 2, 4, 5}) WriteBytes(Path(n), book->Document(Format("r%d", n)));
  book->Open();  // the counter moves past the records found; both ends stop
  EXPECT_EQ(book->Step('<'), (Shown{"5:", "r5"}));
  EXPECT_EQ(Walk(*book, "<<<<>>>>"), "4:2:0:0:2:4:5:6:");
  ASSERT_TRUE(book->Save("g"));
  const std::string saved = ReadBytes(Path(6));
  // Delete asks: kept on No, removed on Yes; a second delete finds nothing and says so.
  prompter_.messages.clear();
  prompter_.answers = {MsgResult::No, MsgResult::Yes, MsgResult::Ok, MsgResult::Yes};
  for (int i = 0; i < 3; ++i) book->Delete();
  Strings shown;  // asked twice, done, asked, failed
  for (const auto& m : prompter_.messages) shown.push_back(m.caption + ": " + m.text);
  const std::string asked = Gb("确认: 你确实要删除 ") + Path(6) + Gb(" 文件吗?");
  EXPECT_EQ(shown, (Strings{asked, asked, Gb("信息: 成功删除 ") + Path(6) + "!", asked,
                            Gb("信息: 删除文件 ") + Path(6) + Gb("时出错,请手动删除.")}));
  EXPECT_EQ(prompter_.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(ReadBytes(Path(6)), "<missing>");
  // The panel kept the record: saving brings it back under its number.
  ASSERT_TRUE(book->Save("g"));
  EXPECT_EQ(ReadBytes(Path(6)), saved);
  // A number is spent even when its first write fails: a run dying then does not reuse it.
  ASSERT_TRUE(CreateFolder(Path(7) + "~pimtmp"));
  EXPECT_EQ(Walk(*book, ">"), "7:");
  EXPECT_FALSE(book->Save("lost"));
  const std::string counted = std::string("[") + GetParam().section + "]\r\nmaxid=8\r\n";
  EXPECT_NE(ReadBytes(kSettingsPath).find(counted), std::string::npos);
  // Names are case-blind, as on Windows: a record copied back as "N.9.XML" is never overwritten.
  WriteBytes(GetParam().upper9, saved);
  const auto again = GetParam().make(prompter_);
  again->Open();
  ASSERT_TRUE(again->Save("next"));
  EXPECT_TRUE(ReadBytes(Path(10)) != "<missing>" && ReadBytes(GetParam().upper9) == saved);
  // At the top of the range (larger values read as it) a new record is refused, never wrapped.
  WriteBytes(kSettingsPath, std::string("[") + GetParam().section + "]\r\nmaxid=99999999999\r\n");
  const auto full = GetParam().make(prompter_);
  full->Open();
  EXPECT_FALSE(full->Save("x"));
  EXPECT_EQ(ReadBytes(Path(2147483647)) + prompter_.messages.back().caption, Gb("<missing>警告"));
}
// "保存修改吗?": Yes saves, No drops the change, Cancel keeps the panel as it is.
TEST_P(RecordBookTest, AChangedRecordIsSavedIfTheUserWantsBeforeASearchShowsAnother) {
  const auto book = GetParam().make(prompter_);
  // A record whose category its list lacks.
  const std::string odd = book->Document("odd") + "\t<class>12</class>\r\n";
  WriteBytes(Path(0), odd);
  book->Open();
  EXPECT_TRUE(book->Leave(""));  // the empty panel as it opened
  ASSERT_TRUE(book->Show(0));
  EXPECT_TRUE(book->Leave("odd"));  // shown as read, though its lists lack its choices
  EXPECT_TRUE(prompter_.messages.empty());
  prompter_.answers = {MsgResult::Cancel, MsgResult::No, MsgResult::Yes};
  EXPECT_FALSE(book->Leave("changed"));
  EXPECT_TRUE(book->Leave("changed"));
  EXPECT_EQ(ReadBytes(Path(0)), odd);
  EXPECT_TRUE(book->Leave("changed"));
  EXPECT_NE(ReadBytes(Path(0)).find("changed"), std::string::npos);
  ASSERT_EQ(prompter_.messages.size(), 4u);  // the question thrice, then the save's notice
  const auto& asked = prompter_.messages[0];
  EXPECT_EQ(std::tuple(asked.text, asked.caption, asked.buttons, asked.icon),
            std::tuple(Gb("保存修改吗?"), "Pimbrel", MsgButtons::YesNoCancel, MsgIcon::Question));
  // Saved, it asks no more; a save that fails is told, and the record stays.
  EXPECT_TRUE(book->Leave("changed"));
  EXPECT_EQ(prompter_.messages.size(), 4u);
  ASSERT_TRUE(CreateFolder(Path(0) + "~pimtmp"));
  prompter_.answers = {MsgResult::Yes};
  EXPECT_FALSE(book->Leave("lost"));
  EXPECT_EQ(prompter_.messages.size(), 6u);
}

// The panel follows a record rewritten elsewhere while unedited and asks before saving over it.
TEST_P(RecordBookTest, ARecordWrittenOnAnotherComputerIsNeverSavedOverUnasked) {
  const auto book = GetParam().make(prompter_);
  book->Open();
  ASSERT_TRUE(book->Save("mine"));
  const auto elsewhere = [&](const std::string& text) {
    WriteBytes(Path(0), book->Document(text));
  };
  elsewhere("theirs");
  EXPECT_EQ(book->Refresh("mine"), "theirs");  // unedited: shown as it is now
  elsewhere("theirs, later");
  EXPECT_EQ(book->Refresh("mine, edited"), "-");
  // Saving the edit asks: both kept (the default), the edit a new record.
  prompter_.messages.clear();
  ASSERT_TRUE(book->Save("mine, edited"));
  EXPECT_EQ(
      std::tuple(prompter_.messages.at(0).text, ReadBytes(Path(0)), ReadBytes(Path(1)).empty()),
      std::tuple(Gb("此记录已在另一台电脑上修改"), book->Document("theirs, later"), false));
  // Written over, or the edit dropped for the file as it is now.
  ASSERT_TRUE(book->Show(0));
  elsewhere("theirs again");
  prompter_.choices = {1, 2, -1};
  ASSERT_TRUE(book->Save("mine over"));
  EXPECT_NE(ReadBytes(Path(0)).find("mine over"), std::string::npos);
  for (const std::string took : {"theirs, once more", "-"}) {  // then the question closed
    const std::string there = took == "-" ? "closed" : took;
    elsewhere(there);
    EXPECT_FALSE(book->Save("dropped"));
    EXPECT_EQ(std::pair(book->Took(), ReadBytes(Path(0))), std::pair(took, book->Document(there)));
  }
  // Removed elsewhere: an unedited panel begins a new record.
  ASSERT_TRUE(book->Show(0));
  ASSERT_TRUE(RemoveFile(Path(0)));
  EXPECT_EQ(book->Refresh("closed"), GetParam().name == std::string("notes") ? " " : "");
  // The number a new record shows arrives from elsewhere: the save takes the next one.
  const int shown = std::stoi(book->Step('>').first);
  WriteBytes(Path(shown), book->Document("arrived"));
  ASSERT_TRUE(book->Save("new here"));
  EXPECT_EQ(ReadBytes(Path(shown)), book->Document("arrived"));
  EXPECT_NE(ReadBytes(Path(shown + 1)).find("new here"), std::string::npos);
  // One arriving under a new record's number pushes that past it; stepping reaches the one come.
  EXPECT_EQ(book->Step('>').first, Format("%d:", shown + 2));
  WriteBytes(Path(shown + 2), book->Document("came"));
  EXPECT_EQ(book->Arrived(shown + 2), Format("%d:", shown + 3));
  EXPECT_EQ(book->Step('<'), (Shown{Format("%d:", shown + 2), "came"}));
}

// Back on the record shown if it still exists; otherwise (gone, or never saved) on a new one.
TEST_P(RecordBookTest, AfterARestoreThePanelComesBackOnTheRecordItShowed) {
  for (int n : {0, 1, 2})
    WriteBytes(Path(n), GetParam().make(prompter_)->Document(Format("r%d", n)));
  const auto book = GetParam().make(prompter_);
  book->Open();
  ASSERT_TRUE(book->Show(1));
  WriteBytes(Path(1), book->Document("restored"));
  EXPECT_EQ(book->Reopen(), (Shown{"1:", "restored"}));
  ASSERT_TRUE(book->Show(2));
  ASSERT_TRUE(RemoveFile(Path(2)));
  EXPECT_EQ(book->Reopen(), (Shown{"id:", ""}));
  // A new record under number 3; the archive brings a record 3 of its own.
  EXPECT_EQ(book->Step('>').first, "3:");
  WriteBytes(Path(3), book->Document("archived"));
  EXPECT_EQ(book->Reopen(), (Shown{"id:", ""}));
  ASSERT_TRUE(book->Save("after"));
  EXPECT_EQ(ReadBytes(Path(3)), book->Document("archived"));
}

INSTANTIATE_TEST_SUITE_P(Both, RecordBookTest, ::testing::ValuesIn(kKinds),
                         [](const auto& p) { return std::string(p.param.name); });

using NoteBookTest = RecordBookTest;

TEST_F(NoteBookTest, TheFilterStepsThroughOneCategoryAndADiaryStartsWithTheDate) {
  NoteBook book(prompter_, kClock);
  for (const auto& [n, type] : {std::pair{0, 1}, {1, 2}, {3, 2}, {5, 4}})  // number, category
    WriteBytes(book.PathOf(n), NoteDocument(type, Format("%d", n)));
  // Per step: button, filter, note shown (6: new) and result (unchanged, shown, new).
  book.Open();
  const std::string buttons = "<<<<<>>>>><<<>>>", filters = "0000000000222224",
                    shown = "5310013566311335", results = "ssssssssnnssusus";
  for (size_t i = 0; i < buttons.size(); ++i) {
    const int filter = filters[i] - '0', n = shown[i] - '0';
    const auto step = buttons[i] == '<' ? book.Previous(filter) : book.Next(filter);
    EXPECT_EQ("usn"[static_cast<int>(step)], results[i]) << "step " << i;
    EXPECT_EQ(book.label() + book.text(), n == 6 ? "6: " : Format("%d:%d", n, n)) << i;
  }
  // A note that cannot be read stops the step with a message and changes nothing.
  WriteBytes(book.PathOf(4), "<note>\r\n\t<type>4</type>\r\n\t<buildtime>x</buildtime>\r\n");
  EXPECT_EQ(
      (std::tuple{book.Previous(NoteBook::kAll), book.label() + book.text(),
                  prompter_.messages.size(), prompter_.messages.at(0).text}),
      std::tuple(NoteBook::Step::Unchanged, "5:5", size_t{1}, Gb("读取 xml 文件时发生错误!")));
  // A damaged counter far above the notes: stepping goes by the files there.
  WriteBytes(kSettingsPath, "[NOTE]\r\nmaxid=2000000000\r\n");
  book.Open();
  EXPECT_EQ((std::pair{book.Previous(NoteBook::kAll), book.label()}),
            std::pair(NoteBook::Step::Shown, std::string("5:")));
  // A diary starts with the date; saved again, a note keeps its first build time.
  book.New(NoteBook::kDiary);
  EXPECT_EQ(book.text(), Gb("    \t 1 月  5 日,2003\t星期 0\r\n  "));
  ASSERT_TRUE(book.Save("diary", NoteBook::kDiary));
  const FixedClock later({2003, 1, 6, 10, 30, 1});
  NoteBook reopened(prompter_, later);
  reopened.Open();
  reopened.Previous(NoteBook::kAll);
  ASSERT_TRUE(reopened.Save("diary 2", NoteBook::kDiary));
  EXPECT_EQ(reopened.buildtime(), "2003-1-5 9:7");
}

}  // namespace
}  // namespace pim
