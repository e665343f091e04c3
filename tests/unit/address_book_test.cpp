#include "contacts/address_book.h"

#include <tuple>

#include "base/file.h"
#include "base/gbk.h"
#include "config/config_file.h"
#include "config/sys_settings.h"
#include "datafolder.h"
#include "test_support.h"

namespace pim {
namespace {

using Step = AddressBook::Step;
// A message as the user sees it: text, caption, buttons, icon.
using Message = std::tuple<std::string, std::string, MsgButtons, MsgIcon>;

class AddressBookTest : public test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(WriteDataFolder());
  }

  static std::string StoredMaxid() {
    CConfigFile conf;
    conf.Load(kSettingsPath);
    return conf.GetValue("COMU", "maxid");
  }

  static void WriteContact(int number, const std::string& name) {
    ComuRecord record;
    record.name = name;
    std::string bytes;
    record.WriteComu(bytes);
    WriteBytes(Format("communication\\com.%d.xml", number), bytes);
  }

  // The name of the contact a step brought up, or what happened instead.
  std::string Stepped(Step step, const ComuRecord& shown) {
    if (step == Step::Unchanged) return "unchanged";
    if (step == Step::Emptied) return "new " + book.label();
    return shown.name + " " + book.label();
  }
  std::string Previous() {
    ComuRecord shown;
    return Stepped(book.Previous(shown), shown);
  }
  std::string Next() {
    ComuRecord shown;
    return Stepped(book.Next(shown), shown);
  }

  std::vector<Message> Shown() const {
    std::vector<Message> shown;
    for (const auto& m : prompter.messages)
      shown.emplace_back(m.text, m.caption, m.buttons, m.icon);
    return shown;
  }

  test::RecordingPrompter prompter;
  AddressBook book{prompter};
};

TEST_F(AddressBookTest, SaveWritesTheDocumentAndKeepsItsNumberAtOnce) {
  book.Initialise();
  EXPECT_EQ(book.label(), "id:");
  EXPECT_EQ(Previous(), "unchanged");  // nothing saved yet
  EXPECT_EQ(Next(), "unchanged");

  ComuRecord entry;
  entry.name = "\xD5\xC5\xC8\xFD";                        // 张三
  entry.class_ = entry.birthMonth = entry.birthDay = -1;  // nothing chosen
  entry.sex = 0;
  entry.birthYear = "1980";
  entry.telOffice = "010-1";
  entry.note = "a\r\nb";
  ASSERT_TRUE(book.Save(entry));
  EXPECT_EQ(ReadBytes("communication\\com.0.xml"),
            "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n\r\n<comu>\r\n"
            "\t<name>\xD5\xC5\xC8\xFD</name>\r\n\t<class>-1</class>\r\n\t<sex>female</sex>\r\n"
            "\t<birthday>1980--1--1</birthday>\r\n\t<Tel class=\"Office\">010-1</Tel>\r\n"
            "\t<Tel class=\"home\"></Tel>\r\n\t<Tel class=\"handset\"></Tel>\r\n"
            "\t<Tel class=\"BP\"></Tel>\r\n\t<email></email>\r\n\t<email></email>\r\n"
            "\t<companyweb></companyweb>\r\n\t<homepage></homepage>\r\n\t<oicq></oicq>\r\n"
            "\t<icq></icq>\r\n\t<address></address>\r\n\t<postnumber></postnumber>\r\n"
            "\t<note>a\r\nb</note>\r\n</comu>");
  EXPECT_EQ(Shown(), (std::vector<Message>{{"Message send to communication\\com.0.xml Sucesful!",
                                            "notice", MsgButtons::Ok, MsgIcon::Information}}));
  EXPECT_EQ(book.label(), "0:");
  EXPECT_EQ(StoredMaxid(), "1");  // written with the save, not only at close

  // The entry stays on its number: saving again rewrites the same file.
  entry.name = "b";
  ASSERT_TRUE(book.Save(entry));
  EXPECT_EQ(book.maxid(), 1);
  EXPECT_EQ(Listing("communication"), std::vector<std::string>{"com.0.xml"});
  EXPECT_EQ(Previous(), "b 0:");
}

TEST_F(AddressBookTest, StepsSkipGapsAndStopAtBothEnds) {
  WriteContact(0, "a");
  WriteContact(2, "c");
  WriteBytes("communication\\com.4.xml", "\t<name>e</name>\r\nbroken");
  WriteContact(5, "f");
  book.Initialise();  // maxid=0 stored; the files move it past them
  EXPECT_EQ(book.maxid(), 6);
  EXPECT_EQ(StoredMaxid(), "6");

  EXPECT_EQ(Previous(), "f 5:");
  ComuRecord broken;
  broken.sex = 0;
  ASSERT_EQ(book.Previous(broken), Step::Loaded);  // read up to the fault, start values after
  EXPECT_EQ(broken.name, "e");
  EXPECT_EQ(broken.sex, 1);
  EXPECT_EQ(Previous(), "c 2:");
  EXPECT_EQ(Previous(), "a 0:");
  EXPECT_EQ(Previous(), "a 0:");  // from the first number, it comes again
  EXPECT_EQ(Next(), "c 2:");
  EXPECT_EQ(Next(), "e 4:");
  EXPECT_EQ(Next(), "f 5:");
  // Past the last number a new entry begins, and saving it takes that number.
  EXPECT_EQ(Next(), "new 6:");
  EXPECT_EQ(book.current(), 6);
  ComuRecord entry;
  entry.name = "g";
  ASSERT_TRUE(book.Save(entry));
  EXPECT_EQ(book.maxid(), 7);

  // With the last file gone, Next at the one before stops without change.
  prompter.answers = {MsgResult::Yes};
  book.Delete();
  EXPECT_EQ(Previous(), "f 5:");
  EXPECT_EQ(Next(), "unchanged");
  EXPECT_EQ(book.current(), 5);
  EXPECT_EQ(book.label(), "5:");
  // With the first file gone, Previous stops at the lowest one left.
  ASSERT_TRUE(RemoveFile("communication\\com.0.xml"));
  EXPECT_EQ(Previous(), "e 4:");
  EXPECT_EQ(Previous(), "c 2:");
  EXPECT_EQ(Previous(), "unchanged");
  EXPECT_EQ(book.label(), "2:");
  EXPECT_EQ(prompter.messages.size(), 3u);  // the save, the question, the deletion; no others
}

TEST_F(AddressBookTest, DeleteAsksAndSaveThenWritesTheSameNumberAgain) {
  book.Initialise();
  ComuRecord entry;
  entry.name = "a";
  ASSERT_TRUE(book.Save(entry));
  const std::string saved = ReadBytes("communication\\com.0.xml");
  const std::string path = "communication\\com.0.xml";
  prompter.messages.clear();
  prompter.answers = {MsgResult::No, MsgResult::Yes, MsgResult::Ok, MsgResult::Yes};
  book.Delete();
  EXPECT_EQ(ReadBytes(path), saved);
  book.Delete();
  EXPECT_EQ(ReadBytes(path), "<missing>");
  book.Delete();
  // "你确实要删除 ", " 文件吗?", "确认"; "成功删除 "; "删除文件 ", "时出错,请手动删除.", "信息"
  const Message ask{
      "\xC4\xE3\xC8\xB7\xCA\xB5\xD2\xAA\xC9\xBE\xB3\xFD " + path + " \xCE\xC4\xBC\xFE\xC2\xF0?",
      "\xC8\xB7\xC8\xCF", MsgButtons::YesNo, MsgIcon::Question};
  EXPECT_EQ(Shown(), (std::vector<Message>{
                         ask,
                         ask,
                         {"\xB3\xC9\xB9\xA6\xC9\xBE\xB3\xFD " + path + "!", "\xD0\xC5\xCF\xA2",
                          MsgButtons::Ok, MsgIcon::Information},
                         ask,
                         {"\xC9\xBE\xB3\xFD\xCE\xC4\xBC\xFE " + path +
                              "\xCA\xB1\xB3\xF6\xB4\xED,\xC7\xEB\xCA\xD6\xB6\xAF\xC9\xBE\xB3\xFD.",
                          "\xD0\xC5\xCF\xA2", MsgButtons::Ok, MsgIcon::Information}}));
  EXPECT_EQ(book.label(), "0:");

  ASSERT_TRUE(book.Save(entry));
  EXPECT_EQ(ReadBytes(path), saved);
  EXPECT_EQ(book.maxid(), 1);

  prompter.messages.clear();
  book.ShowAwokeMessage();
  book.ShowSearchMessage();
  EXPECT_EQ(Shown(), (std::vector<Message>{{"Sorry,The awoke not support in this version!", "info",
                                            MsgButtons::Ok, MsgIcon::Information},
                                           {"Sorry,The search not support in this version!", "info",
                                            MsgButtons::Ok, MsgIcon::Information}}));
}

TEST_F(AddressBookTest, NumbersSurviveACrashAMissingKeyAndAFailedWrite) {
  WriteBytes("set\\sets.conf", "[SYS]\r\nhotkey=583\r\n[COMU]\r\n[NOTE]\r\nmaxid=0\r\n");
  {
    AddressBook crashed(prompter);
    crashed.Initialise();
    ComuRecord entry;
    entry.name = "a";
    ASSERT_TRUE(crashed.Save(entry));
    crashed.New();
    entry.name = "b";
    ASSERT_TRUE(crashed.Save(entry));
    // Dropped without its close handling.
  }
  EXPECT_EQ(ReadBytes("set\\sets.conf"),
            "[SYS]\r\nhotkey=583\r\n[COMU]\r\nmaxid=2\r\n[NOTE]\r\nmaxid=0\r\n");
  const std::string first = ReadBytes("communication\\com.0.xml");
  const std::string second = ReadBytes("communication\\com.1.xml");

  book.Initialise();
  EXPECT_EQ(book.current(), 2);
  ComuRecord entry;
  entry.name = "c";
  // A document that cannot be written: no success message, and the number stays taken.
  ASSERT_TRUE(CreateFolder("communication\\com.2.xml~pimtmp"));
  EXPECT_FALSE(book.Save(entry));
  EXPECT_EQ(Shown().back(), (Message{"Can`t Open communication\\com.2.xml to write!",
                                     "communication\\com.2.xml", MsgButtons::Ok, MsgIcon::None}));
  EXPECT_EQ(book.label(), "id:");
  EXPECT_EQ(StoredMaxid(), "3");
  // A failed rewrite of a contact leaves the old file as it was.
  EXPECT_EQ(Previous(), "b 1:");
  ASSERT_TRUE(CreateFolder("communication\\com.1.xml~pimtmp"));
  EXPECT_FALSE(book.Save(entry));
  EXPECT_EQ(ReadBytes("communication\\com.1.xml"), second);
  EXPECT_EQ(ReadBytes("communication\\com.0.xml"), first);

  // Closing without anything new leaves the settings file as it is.
  const std::string settings = ReadBytes("set\\sets.conf");
  book.Close();
  EXPECT_EQ(ReadBytes("set\\sets.conf"), settings);
}

}  // namespace
}  // namespace pim
