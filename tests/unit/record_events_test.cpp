// The one channel of record events: every listener hears every change once, in order, and each
// model tells each write and each delete once.
#include "records/record_events.h"

#include "reminders/birthdays.h"
#include "test_support.h"

namespace pim {
namespace {

TEST(RecordEvents, EveryListenerHearsEachChangeInOrderAndOneThatGoesHearsNoMore) {
  RecordEvents events;
  test::HeardChanges first, second, third;
  events.Subscribe(first);
  events.Subscribe(second);
  events.Subscribe(first);  // once only
  events.Subscribe(third);
  first.then = [&] { events.Unsubscribe(second); };  // a panel going while a change is told
  events.Written(RecordKind::Note, 4);
  events.Replaced();
  EXPECT_EQ(first.log, (std::vector<std::string>{"written note 4", "replaced"}));
  EXPECT_TRUE(second.log.empty());
  EXPECT_EQ(third.log, first.log);
  EXPECT_EQ(events.KnownNoteType(4), std::nullopt);  // nothing in memory to ask
}

using ModelEventsTest = test::ModelTest;

TEST_F(ModelEventsTest, EachModelTellsEachWriteAndEachDeleteOnce) {
  NoteBook notes(prompter_, clock_, &events_);
  notes.Open();
  ASSERT_TRUE(notes.Save("a note", NoteBook::kOrdinary));
  prompter_.answers = {MsgResult::Yes};
  notes.Delete();

  // Reminders listen too: the mark of a removed contact goes, with one event for the delete.
  BirthdayReminders reminders;
  reminders.Load();
  events_.Subscribe(reminders);
  AddressBook contacts(prompter_, &events_);
  contacts.Initialise();
  ComuRecord entry;
  entry.name = "Li", entry.birthMonth = 2, entry.birthDay = 3;
  ASSERT_TRUE(contacts.Save(entry));
  ASSERT_TRUE(reminders.Toggle(0, prompter_));
  prompter_.answers = {MsgResult::Yes};
  contacts.Delete();
  EXPECT_FALSE(reminders.IsOn(0));

  DatumCapture capture(prompter_, clock_, "C:\\P", &events_);
  capture.Open();
  capture.MarkModified();
  ASSERT_TRUE(capture.StoreCard({Gb("未分类"), "t", "text"}));
  ASSERT_TRUE(capture.WriteIndex());
  DatumTrimming trim(prompter_, clock_, "C:\\P", &events_);
  ASSERT_EQ(trim.Open(), DatumTrimming::Start::Ready);
  TrimForm form = trim.form();
  form.text = "new";
  ASSERT_TRUE(trim.SaveItem(form) && trim.WriteIndexes());

  const std::string card = Gb("datum\\未分类\\t.datum.0.xml");
  EXPECT_EQ(heard_.log,
            (std::vector<std::string>{"written note 0", "removed note 0", "written contact 0",
                                      "removed contact 0", "written card " + card,
                                      "written card " + card, "lists"}));

  // A replaced data folder: the reminders read their list again.
  WriteBytes(kAwokePath, "[AWOKE]\r\n5=\r\n");
  events_.Replaced();
  EXPECT_TRUE(reminders.IsOn(5));
}

}  // namespace
}  // namespace pim
