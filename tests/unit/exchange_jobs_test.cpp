// Records from other programs' files written as new records, and the records gathered for an
// export: numbers taken past every file in one counter write, nothing written over.
#include "app/exchange_jobs.h"

#include "test_support.h"

namespace pim {
namespace {

using ExchangeJobsTest = test::ModelTest;

TEST_F(ExchangeJobsTest, ImportedContactsTakeNumbersPastEveryFileAllInOneCounterWrite) {
  WriteBytes("communication\\com.3.xml", "theirs");
  WriteBytes("communication\\com.4.xml", "arrived");  // from elsewhere, past the stored counter
  WriteBytes("a.vcf",
             "BEGIN:VCARD\r\nFN:Li\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:Wang\r\nEND:VCARD\r\n");
  WriteBytes("b.csv", "not, a contact list\r\n");
  std::string failedFile, failed;
  const std::vector<std::string> both = {"a.vcf", "b.csv"};
  EXPECT_EQ(ReadContactFiles(both, ContactFormat::VCard, failedFile).error,
            ImportError::NotContacts);
  EXPECT_EQ(failedFile, "b.csv");
  const ContactImport read = ReadContactFiles({both.data(), 1}, ContactFormat::VCard, failedFile);
  ASSERT_EQ(read.contacts.size(), 2u);

  const int writesBefore = WriteStepsTaken();
  EXPECT_EQ(WriteNewContacts(read.contacts, &events_, failed), 2);
  EXPECT_EQ(heard_.log, (std::vector<std::string>{"written contact 5", "written contact 6"}));
  // The counter's catch-up with the files there and the numbers, a write each (three steps of
  // the atomic writer), then three steps for each file.
  EXPECT_EQ(WriteStepsTaken() - writesBefore, 2 * 3 + 2 * 3);
  CConfigFile conf;
  conf.Load(kSettingsPath);
  EXPECT_EQ(conf.GetValue("COMU", "maxid"), "7");
  EXPECT_EQ(ReadBytes("communication\\com.3.xml"), "theirs");
  ASSERT_EQ(BookContacts().size(), 2u);  // "theirs" and "arrived" read as no contact
  EXPECT_EQ(BookContacts()[1].name, "Wang");
  EXPECT_TRUE(BookContacts(5).empty());

  const std::vector<std::string> texts = {"a note"};
  EXPECT_EQ(WriteNewNotes(texts, 2, clock_, &events_, failed), 1);
  EXPECT_NE(ReadBytes("note\\n.0.xml").find("<type>2</type>"), std::string::npos);
}

TEST_F(ExchangeJobsTest, AnExportTakesACategoryWithTheOnesBelowIt) {
  test::CaptureCards(2);
  RecordStore store;
  store.ScanAll();
  EXPECT_EQ(ExportedCards(store).size(), 2u);
  EXPECT_EQ(ExportedCards(store, "a").size(), 2u);
  EXPECT_TRUE(ExportedCards(store, "b").empty());
  EXPECT_TRUE(ExportedNotes(store).empty());
}

}  // namespace
}  // namespace pim
