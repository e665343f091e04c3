#include "notes/notebook.h"

#include <tuple>

#include "base/file.h"
#include "config/config_file.h"
#include "config/sys_settings.h"
#include "datafolder.h"
#include "test_support.h"

namespace pim {
namespace {

using Step = NoteBook::Step;
// What a message box showed: text, caption, buttons, icon.
using Message = std::tuple<std::string, std::string, MsgButtons, MsgIcon>;

class NoteBookTest : public test::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(WriteDataFolder());
  }

  // A note document, byte for byte as the layout has it.
  static std::string Document(int type, const std::string& content,
                              const std::string& built = "2003-1-5 9:7",
                              const std::string& modified = "2003-1-5 9:7") {
    return "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n\r\n<note>\r\n\t<type>" +
           std::to_string(type) + "</type>\r\n\t<buildtime>" + built +
           "</buildtime>\r\n\t<modifytime>" + modified + "</modifytime>\r\n\t<content>" + content +
           "</content>\r\n</note>";
  }
  static void SetMaxid(const char* value) {
    CConfigFile conf;
    ASSERT_EQ(conf.Load(kSettingsPath), 1);
    ASSERT_EQ(conf.SetValue("NOTE", "maxid", value), 1);
    ASSERT_EQ(conf.Save(), 1);
  }
  static std::string Maxid() {
    CConfigFile conf;
    conf.Load(kSettingsPath);
    return conf.GetValue("NOTE", "maxid");
  }

  std::vector<Message> Shown() const {
    std::vector<Message> shown;
    for (const auto& m : prompter.messages)
      shown.emplace_back(m.text, m.caption, m.buttons, m.icon);
    return shown;
  }

  test::RecordingPrompter prompter;
  FixedClock clock{{2003, 1, 5, 9, 7, 0}};  // a Sunday
};

TEST_F(NoteBookTest, StepsOverGapsWithinTheFilterBetweenTheFirstAndLastNumber) {
  NoteBook empty(prompter, clock);
  empty.Open();
  EXPECT_EQ(empty.Next(NoteBook::kAll), Step::Unchanged);  // nothing to step over at all
  EXPECT_EQ(empty.Previous(NoteBook::kAll), Step::Unchanged);

  WriteBytes("note\\n.0.xml", Document(1, "zero"));
  WriteBytes("note\\n.1.xml", Document(2, "one\r\ntwo lines", "2002-12-31 23:59"));
  WriteBytes("note\\n.3.xml", Document(2, "three"));
  WriteBytes("note\\n.5.xml", Document(4, "five"));
  SetMaxid("6");
  NoteBook book(prompter, clock);
  book.Open();
  EXPECT_EQ(book.current(), 6);
  EXPECT_EQ(book.label(), "id:");

  std::vector<int> seen;
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(book.Previous(NoteBook::kAll), Step::Shown);
    seen.push_back(book.current());
  }
  // Note 0 has no predecessor, so Previous on it reads it again.
  EXPECT_EQ(seen, (std::vector<int>{5, 3, 1, 0, 0}));
  EXPECT_EQ(book.text(), "zero");
  EXPECT_EQ(book.label(), "0:");
  ASSERT_EQ(book.Next(NoteBook::kAll), Step::Shown);
  EXPECT_EQ(book.text(), "one\r\ntwo lines");
  EXPECT_EQ(book.buildtime(), "2002-12-31 23:59");
  EXPECT_EQ(book.Next(NoteBook::kAll), Step::Shown);
  EXPECT_EQ(book.Next(NoteBook::kAll), Step::Shown);
  EXPECT_EQ(book.current(), 5);
  // Past the last note comes a new one, and on a new note Next starts it afresh.
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(book.Next(NoteBook::kAll), Step::Started);
    EXPECT_EQ(book.current(), 6);
    EXPECT_EQ(book.text(), " ");
    EXPECT_EQ(book.buildtime(), "");
    EXPECT_EQ(book.label(), "6:");
  }

  // Only diaries: 3 and 1; nothing before 1 and nothing after 3 leaves the note as it is.
  EXPECT_EQ(book.Previous(NoteBook::kDiary), Step::Shown);
  EXPECT_EQ(book.current(), 3);
  EXPECT_EQ(book.Previous(NoteBook::kDiary), Step::Shown);
  EXPECT_EQ(book.current(), 1);
  EXPECT_EQ(book.Previous(NoteBook::kDiary), Step::Unchanged);
  EXPECT_EQ(book.Next(NoteBook::kDiary), Step::Shown);
  EXPECT_EQ(book.Next(NoteBook::kDiary), Step::Unchanged);
  EXPECT_EQ(book.current(), 3);
  EXPECT_EQ(book.text(), "three");
  EXPECT_EQ(book.Next(4), Step::Shown);
  EXPECT_EQ(book.text(), "five");
  EXPECT_TRUE(prompter.messages.empty());

  // A note that cannot be read stops the step with a message and changes nothing.
  WriteBytes("note\\n.4.xml", "<note>\r\n\t<type>4</type>\r\n\t<buildtime>x</buildtime>\r\n");
  EXPECT_EQ(book.Previous(NoteBook::kAll), Step::Unchanged);
  EXPECT_EQ(book.current(), 5);
  EXPECT_EQ(book.text(), "five");
  // "读取 xml 文件时发生错误!"
  EXPECT_EQ(Shown(),
            std::vector<Message>({{"\xB6\xC1\xC8\xA1 xml \xCE\xC4\xBC\xFE\xCA\xB1\xB7\xA2\xC9\xFA"
                                   "\xB4\xED\xCE\xF3!",
                                   "xml error", MsgButtons::Ok, MsgIcon::Error}}));
}

TEST_F(NoteBookTest, NumbersAreWrittenWhenTakenAndSurviveACrash) {
  NoteBook book(prompter, clock);
  book.Open();
  book.New(NoteBook::kDiary);
  // "    \t 1 月  5 日,2003\t星期 0\r\n  "
  EXPECT_EQ(book.text(), "    \t 1 \xD4\xC2  5 \xC8\xD5,2003\t\xD0\xC7\xC6\xDA 0\r\n  ");
  EXPECT_EQ(book.label(), "0:");
  ASSERT_TRUE(book.Save("diary\r\n", NoteBook::kDiary));
  EXPECT_EQ(ReadBytes("note\\n.0.xml"), Document(2, "diary\r\n"));
  EXPECT_EQ(Maxid(), "1");  // before any close handling
  EXPECT_EQ(Shown().at(0), (Message{"Message send to note\\n.0.xml Sucesful!", "notice",
                                    MsgButtons::Ok, MsgIcon::Information}));
  // Saving again rewrites the same note with its first build time and the category chosen now.
  clock.Set({2003, 1, 6, 10, 30, 1});
  ASSERT_TRUE(book.Save("diary, later", -1));
  EXPECT_EQ(ReadBytes("note\\n.0.xml"),
            Document(-1, "diary, later", "2003-1-5 9:7", "2003-1-6 10:30"));
  book.New(NoteBook::kOrdinary);
  ASSERT_TRUE(book.Save("second", NoteBook::kAll));
  EXPECT_EQ(book.current(), 1);
  EXPECT_EQ(Maxid(), "2");

  // The run dies without its close handling; an older run left note 7 without its number.
  WriteBytes("note\\n.7.xml", Document(3, "seven"));
  const std::string before = ReadBytes("note\\n.0.xml") + ReadBytes("note\\n.1.xml");
  NoteBook again(prompter, clock);
  again.Open();
  EXPECT_EQ(again.current(), 8);
  again.New(NoteBook::kOrdinary);
  ASSERT_TRUE(again.Save("eight", NoteBook::kOrdinary));
  EXPECT_EQ(ReadBytes("note\\n.0.xml") + ReadBytes("note\\n.1.xml"), before);
  EXPECT_EQ(ReadBytes("note\\n.7.xml"), Document(3, "seven"));
  again.Close();
  EXPECT_EQ(Maxid(), "9");

  // A run that only reads leaves the settings as they are.
  const std::string settings = ReadBytes(kSettingsPath);
  NoteBook reader(prompter, clock);
  reader.Open();
  reader.Previous(NoteBook::kAll);
  reader.Close();
  EXPECT_EQ(ReadBytes(kSettingsPath), settings);
}

TEST_F(NoteBookTest, AMissingMaxidIsAddedByTheFirstSave) {
  WriteBytes(kSettingsPath, "[SYS]\r\nhotkey=583\r\n[NOTE]\r\n[COMU]\r\nmaxid=4\r\n");
  NoteBook book(prompter, clock);
  book.Open();
  EXPECT_EQ(book.maxid(), 0);
  ASSERT_TRUE(book.Save("x", NoteBook::kOrdinary));
  EXPECT_EQ(ReadBytes(kSettingsPath),
            "[SYS]\r\nhotkey=583\r\n[NOTE]\r\nmaxid=1\r\n[COMU]\r\nmaxid=4\r\n");
}

TEST_F(NoteBookTest, DeleteThenSaveAndFailedWrites) {
  NoteBook book(prompter, clock);
  book.Open();
  book.New(NoteBook::kOrdinary);
  ASSERT_TRUE(book.Save("kept", NoteBook::kOrdinary));
  prompter.messages.clear();
  prompter.answers = {MsgResult::No, MsgResult::Yes, MsgResult::Ok, MsgResult::Yes};
  EXPECT_FALSE(book.Delete());
  EXPECT_EQ(ReadBytes("note\\n.0.xml"), Document(1, "kept"));
  EXPECT_TRUE(book.Delete());
  EXPECT_EQ(ReadBytes("note\\n.0.xml"), "<missing>");
  EXPECT_FALSE(book.Delete());
  // "你确实要删除 ... 文件吗?" "确认"; "成功删除 ...!" / "删除文件 ...时出错,请手动删除." "信息"
  const Message ask{
      "\xC4\xE3\xC8\xB7\xCA\xB5\xD2\xAA\xC9\xBE\xB3\xFD note\\n.0.xml \xCE\xC4\xBC\xFE"
      "\xC2\xF0?",
      "\xC8\xB7\xC8\xCF", MsgButtons::YesNo, MsgIcon::Question};
  EXPECT_EQ(Shown(), std::vector<Message>(
                         {ask,
                          ask,
                          {"\xB3\xC9\xB9\xA6\xC9\xBE\xB3\xFD note\\n.0.xml!", "\xD0\xC5\xCF\xA2",
                           MsgButtons::Ok, MsgIcon::Information},
                          ask,
                          {"\xC9\xBE\xB3\xFD\xCE\xC4\xBC\xFE note\\n.0.xml\xCA\xB1\xB3\xF6\xB4\xED,"
                           "\xC7\xEB\xCA\xD6\xB6\xAF\xC9\xBE\xB3\xFD.",
                           "\xD0\xC5\xCF\xA2", MsgButtons::Ok, MsgIcon::Information}}));
  // The panel still holds the note: saving brings the file back under its own number.
  EXPECT_EQ(book.text(), "kept");
  ASSERT_TRUE(book.Save(book.text(), NoteBook::kOrdinary));
  EXPECT_EQ(ReadBytes("note\\n.0.xml"), Document(1, "kept"));
  EXPECT_EQ(book.maxid(), 1);

  // A write that fails keeps the old note and says so instead of reporting success.
  prompter.messages.clear();
  ASSERT_TRUE(CreateFolder("note\\n.0.xml~pimtmp"));
  EXPECT_FALSE(book.Save("lost", NoteBook::kOrdinary));
  EXPECT_EQ(ReadBytes("note\\n.0.xml"), Document(1, "kept"));
  EXPECT_EQ(Shown(), std::vector<Message>({{"Can`t Open note\\n.0.xml to write!", "note\\n.0.xml",
                                            MsgButtons::Ok, MsgIcon::None}}));
  // A new note's number is spent even when its first write fails.
  ASSERT_TRUE(CreateFolder("note\\n.1.xml~pimtmp"));
  book.New(NoteBook::kOrdinary);
  EXPECT_FALSE(book.Save("lost", NoteBook::kOrdinary));
  EXPECT_EQ(book.buildtime(), "");
  EXPECT_EQ(Maxid(), "2");
}

}  // namespace
}  // namespace pim
