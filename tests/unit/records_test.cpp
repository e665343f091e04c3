// The notes and contacts panels' models: paging, numbering, deleting and failed writes.
#include <tuple>

#include "base/file.h"
#include "base/gbk.h"
#include "config/sys_settings.h"
#include "contacts/address_book.h"
#include "datafolder.h"
#include "notes/notebook.h"
#include "test_support.h"
#include "xmldoc/xml.h"

namespace pim {
namespace {

class NoteBookTest : public test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(WriteDataFolder());
  }
  // A note as the writer makes it; its bytes are checked in xml_documents_test.
  std::string Document(int type, const std::string& content, const std::string& built = "") {
    std::string doc;
    XML(prompter, clock).WriteNote(doc, type, content, built);
    return doc;
  }
  // The last message shown, as "caption: text".
  std::string Last() const {
    const auto& m = prompter.messages.back();
    return m.caption + ": " + m.text;
  }
  test::RecordingPrompter prompter;
  FixedClock clock{{2003, 1, 5, 9, 7, 0}};  // a Sunday
};

TEST_F(NoteBookTest, StepsOverGapsAndOtherCategoriesAndStartsANewNotePastTheLast) {
  NoteBook book(prompter, clock);
  book.Open();
  EXPECT_EQ(book.Next(NoteBook::kAll), NoteBook::Step::Unchanged);         // an empty book
  for (const auto& [n, type] : {std::pair{0, 1}, {1, 2}, {3, 2}, {5, 4}})  // number, category
    WriteBytes(book.PathOf(n), Document(type, Format("%d\r\nline 2", n), Format("b%d", n)));
  book.Open();  // moves maxid past the notes found
  // Per step: button, filter, the note shown after it (6: the new one) and the result
  // (unchanged, shown, new). Previous on 0 reads it again; Next on a new note starts it afresh.
  const std::string buttons = "<<<<<>>>>><<<>>>", filters = "0000000000222224",
                    shown = "5310013566311335", results = "ssssssssnnssusus";
  for (size_t i = 0; i < buttons.size(); ++i) {
    const int filter = filters[i] - '0', n = shown[i] - '0';
    const auto step = buttons[i] == '<' ? book.Previous(filter) : book.Next(filter);
    EXPECT_EQ("usn"[static_cast<int>(step)], results[i]) << "step " << i;
    EXPECT_EQ(book.label() + book.text() + "|" + book.buildtime(),
              n == 6 ? "6: |" : Format("%d:%d\r\nline 2|b%d", n, n, n));
  }
  // A note that cannot be read stops the step with a message and changes nothing.
  WriteBytes(book.PathOf(4), "<note>\r\n\t<type>4</type>\r\n\t<buildtime>x</buildtime>\r\n");
  EXPECT_EQ(book.Previous(NoteBook::kAll), NoteBook::Step::Unchanged);
  EXPECT_EQ(book.label() + book.text(), "5:5\r\nline 2");
  ASSERT_EQ(prompter.messages.size(), 1u);  // "读取 xml 文件时发生错误!"
  EXPECT_EQ(Last(),
            "xml error: \xB6\xC1\xC8\xA1 xml \xCE\xC4\xBC\xFE\xCA\xB1\xB7\xA2\xC9\xFA\xB4"
            "\xED\xCE\xF3!");
  // A damaged counter far above the notes: stepping goes by the files there, so it neither
  // stalls nor loses its way.
  WriteBytes(kSettingsPath, "[NOTE]\r\nmaxid=2000000000\r\n");
  book.Open();
  EXPECT_EQ(book.Previous(NoteBook::kAll), NoteBook::Step::Shown);
  EXPECT_EQ(book.label(), "5:");
  EXPECT_EQ(book.Next(NoteBook::kAll), NoteBook::Step::Unchanged);
}

TEST_F(NoteBookTest, NumbersAreTakenAtOnceAndNoSavedNoteIsLost) {
  const std::string settings = "[SYS]\r\nhotkey=583\r\n[NOTE]\r\n[COMU]\r\nmaxid=4\r\n";
  WriteBytes(kSettingsPath, settings);
  NoteBook book(prompter, clock);
  book.Open();
  book.Previous(NoteBook::kAll);
  book.Close();  // a run that only reads leaves the settings as they are
  EXPECT_EQ(ReadBytes(kSettingsPath), settings);
  book.New(NoteBook::kDiary);
  // "    \t 1 月  5 日,2003\t星期 0\r\n  "
  EXPECT_EQ(book.text(), "    \t 1 \xD4\xC2  5 \xC8\xD5,2003\t\xD0\xC7\xC6\xDA 0\r\n  ");
  ASSERT_TRUE(book.Save("diary", NoteBook::kDiary));
  EXPECT_EQ(ReadBytes(kSettingsPath),  // the missing maxid, added before any close handling
            "[SYS]\r\nhotkey=583\r\n[NOTE]\r\nmaxid=1\r\n[COMU]\r\nmaxid=4\r\n");
  prompter.answers = {MsgResult::No, MsgResult::Yes, MsgResult::Ok, MsgResult::Yes};
  EXPECT_FALSE(book.Delete());
  EXPECT_TRUE(book.Delete());
  EXPECT_EQ(ReadBytes(book.PathOf(0)), "<missing>");
  EXPECT_FALSE(book.Delete());
  ASSERT_EQ(prompter.messages.size(), 6u);  // saved; asked; asked, done; asked, failed
  EXPECT_EQ(Last(),
            "\xD0\xC5\xCF\xA2: \xC9\xBE\xB3\xFD\xCE\xC4\xBC\xFE note\\n.0.xml\xCA\xB1\xB3"
            "\xF6\xB4\xED,\xC7\xEB\xCA\xD6\xB6\xAF\xC9\xBE\xB3\xFD.");  // 信息: 删除文件 ..
  // The panel kept the note: saving brings it back, with its first build time.
  clock.Set({2003, 1, 6, 10, 30, 1});
  ASSERT_TRUE(book.Save(book.text(), -1));
  const std::string kept = ReadBytes(book.PathOf(0));
  EXPECT_EQ(kept, Document(-1, book.text(), "2003-1-5 9:7"));
  // A write that fails keeps the old note and says so instead of reporting success.
  ASSERT_TRUE(CreateFolder("note\\n.0.xml~pimtmp"));
  EXPECT_FALSE(book.Save("lost", -1));
  EXPECT_EQ(ReadBytes(book.PathOf(0)), kept);
  ASSERT_EQ(prompter.messages.size(), 8u);
  EXPECT_EQ(Last(), "note\\n.0.xml: Can`t Open note\\n.0.xml to write!");
  // A new note's number is spent even when its first write fails, and the run dies here
  // without its close handling: the next run does not hand the number out again.
  ASSERT_TRUE(CreateFolder("note\\n.1.xml~pimtmp"));
  book.New(NoteBook::kOrdinary);
  EXPECT_FALSE(book.Save("lost", NoteBook::kOrdinary));
  NoteBook again(prompter, clock);
  again.Open();
  EXPECT_EQ(again.current(), 2);
}

using Strings = std::vector<std::string>;
// A message as the user sees it: text, caption, buttons, icon.
using Message = std::tuple<std::string, std::string, MsgButtons, MsgIcon>;

class AddressBookTest : public test::TempFolderTest {
 protected:
  static bool Save(AddressBook& into, const std::string& name) {
    ComuRecord entry;
    entry.name = name;
    return into.Save(entry);
  }
  static Message Info(const std::string& text, const std::string& caption = "\xD0\xC5\xCF\xA2") {
    return {text, caption, MsgButtons::Ok, MsgIcon::Information};  // "信息" unless told
  }
  // Each move ('<' Previous, '>' Next) as what it showed and the label after it.
  Strings Walk(const std::string& moves) {
    Strings seen;
    for (char move : moves) {
      ComuRecord shown;
      const auto step = move == '<' ? book.Previous(shown) : book.Next(shown);
      static const std::string kStep[] = {"-", "", "new"};  // Unchanged, Loaded, Emptied
      seen.push_back(kStep[static_cast<int>(step)] + shown.name + " " + book.label());
    }
    return seen;
  }
  std::vector<Message> Shown() const {
    std::vector<Message> out;
    for (const auto& m : prompter.messages) out.emplace_back(m.text, m.caption, m.buttons, m.icon);
    return out;
  }
  test::RecordingPrompter prompter;
  AddressBook book{prompter};
};

TEST_F(AddressBookTest, NumbersSurviveACrashAMissingKeyAndAFailedWrite) {
  ASSERT_TRUE(WriteDataFolder());
  WriteBytes("set\\sets.conf", "[SYS]\r\nhotkey=583\r\n[COMU]\r\n[NOTE]\r\nmaxid=0\r\n");
  AddressBook crashed(prompter);  // never closed
  crashed.Initialise();
  ASSERT_TRUE(Save(crashed, "a"));
  EXPECT_EQ(ReadBytes("set\\sets.conf"),
            "[SYS]\r\nhotkey=583\r\n[COMU]\r\nmaxid=1\r\n[NOTE]\r\nmaxid=0\r\n");
  EXPECT_EQ(Shown().front(), Info("Message send to communication\\com.0.xml Sucesful!", "notice"));
  // Writes that fail: the number is taken all the same, and an old file stays as it was.
  book.Initialise();
  const std::string old = ReadBytes("communication\\com.0.xml");
  ASSERT_TRUE(CreateFolder("communication\\com.0.xml~pimtmp") &&
              CreateFolder("communication\\com.1.xml~pimtmp"));
  EXPECT_FALSE(Save(book, "d"));
  EXPECT_EQ(Shown().back(), (Message{"Can`t Open communication\\com.1.xml to write!",
                                     "communication\\com.1.xml", MsgButtons::Ok, MsgIcon::None}));
  EXPECT_EQ(book.label(), "id:");
  EXPECT_EQ(Walk("<"), Strings{"a 0:"});
  EXPECT_FALSE(Save(book, "d"));
  EXPECT_EQ(ReadBytes("communication\\com.0.xml"), old);
  book.Close();
  EXPECT_EQ(ReadBytes("set\\sets.conf"),
            "[SYS]\r\nhotkey=583\r\n[COMU]\r\nmaxid=2\r\n[NOTE]\r\nmaxid=0\r\n");
}

TEST_F(AddressBookTest, StepsSkipGapsAndDeleteAsksAndKeepsTheNumber) {
  ASSERT_TRUE(WriteDataFolder());
  book.Initialise();
  EXPECT_EQ(Walk("<>"), (Strings{"- id:", "- id:"}));  // nothing saved yet
  for (const auto& [number, name] : {std::pair{0, "a"}, {2, "c"}, {4, "e"}, {5, "f"}})
    WriteBytes(Format("communication\\com.%d.xml", number), Format("\t<name>%s</name>\r\n", name));
  book.Initialise();  // maxid moves past the files; cut short, they show what they hold
  EXPECT_EQ(Walk("<<<<<>>>>"),
            (Strings{"f 5:", "e 4:", "c 2:", "a 0:", "a 0:", "c 2:", "e 4:", "f 5:", "new 6:"}));
  ASSERT_TRUE(Save(book, "g"));
  const std::string path = "communication\\com.6.xml", saved = ReadBytes(path);
  prompter.messages.clear();
  prompter.answers = {MsgResult::No, MsgResult::Yes, MsgResult::Ok, MsgResult::Yes};
  book.Delete();  // kept on No, so the next Delete removes it and the last finds nothing
  book.Delete();
  book.Delete();
  book.ShowSearchMessage();
  // "你确实要删除 ", " 文件吗?", "确认"; "成功删除 "; "删除文件 ", "时出错,请手动删除."
  const Message ask{
      "\xC4\xE3\xC8\xB7\xCA\xB5\xD2\xAA\xC9\xBE\xB3\xFD " + path + " \xCE\xC4\xBC\xFE\xC2\xF0?",
      "\xC8\xB7\xC8\xCF", MsgButtons::YesNo, MsgIcon::Question};
  EXPECT_EQ(Shown(), (std::vector<Message>{
                         ask, ask, Info("\xB3\xC9\xB9\xA6\xC9\xBE\xB3\xFD " + path + "!"), ask,
                         Info("\xC9\xBE\xB3\xFD\xCE\xC4\xBC\xFE " + path +
                              "\xCA\xB1\xB3\xF6\xB4\xED,\xC7\xEB\xCA\xD6\xB6\xAF\xC9\xBE\xB3\xFD."),
                         Info("Sorry,The search not support in this version!", "info")}));
  ASSERT_TRUE(Save(book, "g"));  // the entry stays shown, and is saved under its number again
  EXPECT_EQ(ReadBytes(path), saved);
  EXPECT_EQ(book.maxid(), 7);
  ASSERT_TRUE(RemoveFile(path) && RemoveFile("communication\\com.0.xml"));  // both ends stop
  EXPECT_EQ(Walk("<><<<"), (Strings{"f 5:", "- 5:", "e 4:", "c 2:", "- 2:"}));
}

}  // namespace
}  // namespace pim
