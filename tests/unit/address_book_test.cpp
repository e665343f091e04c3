#include "contacts/address_book.h"

#include <tuple>

#include "base/file.h"
#include "base/gbk.h"
#include "datafolder.h"
#include "test_support.h"

namespace pim {
namespace {

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
  book.ShowAwokeMessage();
  book.ShowSearchMessage();
  // "你确实要删除 ", " 文件吗?", "确认"; "成功删除 "; "删除文件 ", "时出错,请手动删除."
  const Message ask{
      "\xC4\xE3\xC8\xB7\xCA\xB5\xD2\xAA\xC9\xBE\xB3\xFD " + path + " \xCE\xC4\xBC\xFE\xC2\xF0?",
      "\xC8\xB7\xC8\xCF", MsgButtons::YesNo, MsgIcon::Question};
  EXPECT_EQ(Shown(), (std::vector<Message>{
                         ask, ask, Info("\xB3\xC9\xB9\xA6\xC9\xBE\xB3\xFD " + path + "!"), ask,
                         Info("\xC9\xBE\xB3\xFD\xCE\xC4\xBC\xFE " + path +
                              "\xCA\xB1\xB3\xF6\xB4\xED,\xC7\xEB\xCA\xD6\xB6\xAF\xC9\xBE\xB3\xFD."),
                         Info("Sorry,The awoke not support in this version!", "info"),
                         Info("Sorry,The search not support in this version!", "info")}));
  ASSERT_TRUE(Save(book, "g"));  // the entry stays shown, and is saved under its number again
  EXPECT_EQ(ReadBytes(path), saved);
  EXPECT_EQ(book.maxid(), 7);
  ASSERT_TRUE(RemoveFile(path) && RemoveFile("communication\\com.0.xml"));  // both ends stop
  EXPECT_EQ(Walk("<><<<"), (Strings{"f 5:", "- 5:", "e 4:", "c 2:", "- 2:"}));
}

}  // namespace
}  // namespace pim
