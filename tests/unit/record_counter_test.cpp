#include "config/record_counter.h"

#include "base/file.h"
#include "config/config_file.h"
#include "config/sys_settings.h"
#include "datafolder.h"
#include "test_support.h"

namespace pim {
namespace {

using RecordCounterTest = test::TempFolderTest;

TEST_F(RecordCounterTest, NumbersAreWrittenWhenTakenAndNeverHandedOutTwice) {
  ASSERT_TRUE(WriteDataFolder());
  RecordCounter notes("NOTE", "note", "n.");
  notes.Load();
  EXPECT_EQ(notes.maxid(), 0);
  EXPECT_EQ(notes.PathOf(12), "note\\n.12.xml");
  ASSERT_TRUE(notes.Take());

  // A crash after saving 1 and 5 without writing the counter: the next start moves past them.
  WriteBytes("note\\n.1.xml", "x");
  WriteBytes("note\\n.5.xml", "x");
  WriteBytes("note\\n.7.bak", "x");
  WriteBytes("note\\n.x9.xml", "x");
  RecordCounter again("NOTE", "note", "n.");
  again.Load();
  EXPECT_EQ(again.maxid(), 6);
  EXPECT_EQ(again.saved(), 1);
  CConfigFile conf;
  ASSERT_EQ(conf.Load(kSettingsPath), 1);
  EXPECT_EQ(conf.GetValue("NOTE", "maxid"), "6");
  EXPECT_EQ(conf.GetValue("COMU", "maxid"), "0");
}

TEST_F(RecordCounterTest, AMissingKeyIsAddedToItsSection) {
  ASSERT_TRUE(CreateFolder("set"));
  WriteBytes("set\\sets.conf", "[SYS]\r\nhotkey=583\r\n[COMU]\r\n# contacts\r\n[NOTE]\r\nmaxid=2");
  RecordCounter contacts("COMU", "communication", "com.");
  contacts.Load();
  ASSERT_TRUE(contacts.Take());
  EXPECT_EQ(ReadBytes("set\\sets.conf"),
            "[SYS]\r\nhotkey=583\r\n[COMU]\r\n# contacts\r\nmaxid=1\r\n[NOTE]\r\nmaxid=2\r\n");
  // A section that is missing altogether comes at the end; a later take just sets the value.
  EXPECT_EQ(AddConfigValue(kSettingsPath, "X", "k", "v"), 1);
  ASSERT_TRUE(contacts.Take());
  EXPECT_EQ(ReadBytes("set\\sets.conf"),
            "[SYS]\r\nhotkey=583\r\n[COMU]\r\n# contacts\r\nmaxid=2\r\n[NOTE]\r\nmaxid=2\r\n"
            "[X]\r\nk=v\r\n");
  EXPECT_EQ(AddConfigValue("set\\missing.conf", "X", "k", "v"), -1);
}

}  // namespace
}  // namespace pim
