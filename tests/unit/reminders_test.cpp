// Birthday reminders and the trimming reminder at exit.
#include <tuple>

#include "reminders/birthdays.h"
#include "reminders/exit_notice.h"
#include "test_support.h"

namespace pim {
namespace {

using Strings = std::vector<std::string>;

class RemindersTest : public test::ModelTest {
 protected:
  // A contact document as the panel saves it; month and day are list indexes, -1 for none.
  void SaveContact(int number, const std::string& name, int month, int day) {
    ComuRecord contact;
    contact.name = name, contact.birthYear = "1980";
    contact.birthMonth = month, contact.birthDay = day;
    std::string bytes;
    contact.WriteComu(bytes);
    WriteBytes(ContactPath(number), bytes);
  }
  // Each due reminder as its contact's number and the days to go.
  static Strings Brief(const std::vector<Announcement>& due) {
    Strings out;
    for (const Announcement& a : due) out.push_back(Format("%d:%d", a.contact, a.days));
    return out;
  }
};

TEST(Birthdays, TheStoredTextDecidesWhetherThereIsABirthday) {
  // Text between the tags, and month/day or "none". "1980--1- 5" has no month, though the
  // document reader makes it January 2nd.
  const std::pair<const char*, const char*>
      cases[] = {{"1980- 2-14", "3/15"}, {"- 0- 0", "1/1"},      {"1980-11-30", "12/31"},
                 {"1980--1- 5", "none"}, {"1980- 3--1", "none"}, {"--1--1", "none"},
                 {"1980-3-15", "4/16"},  {"1980-12- 0", "none"}, {"1980- x- 1", "none"},
                 {"", "none"},           {"19-80- 2-14", "3/15"}};  // a year typed with a dash
  for (const auto& [text, expected] : cases) {
    const auto birthday = ParseBirthday(text);
    EXPECT_EQ(birthday ? Format("%d/%d", birthday->month, birthday->day) : "none", expected)
        << text;
  }
}

TEST_F(RemindersTest, DueOnADateAcrossYearEndsMonthEndsAndFebruary29) {
  const std::tuple<const char*, int, int> contacts[] = {
      {"jan1", 0, 0},    {"feb29", 1, 28},   {"dec31", 11, 30},
      {"apr31", 3, 30},  {"nomonth", -1, 5}, {"王小明", 11, 9},  // December 10
      {"deleted", 0, 0}, {"unmarked", 0, 0}};
  int n = 0;
  for (const auto& [name, month, day] : contacts) SaveContact(n++, Gb(name), month, day);
  WriteBytes(kAwokePath, "[AWOKE]\r\n0=\r\n1=\r\n2=\r\n3=\r\n4=\r\n5=\r\n6=\r\n");
  BirthdayReminders reminders;
  reminders.Load();
  events_.Subscribe(reminders);
  AddressBook book(prompter_, &events_);
  book.Initialise();
  ComuRecord shown;
  ASSERT_TRUE(book.Open(6, shown));
  prompter_.answers = {MsgResult::Yes};
  book.Delete();
  EXPECT_EQ(ReadBytes(kAwokePath), "[AWOKE]\r\n0=\r\n1=\r\n2=\r\n3=\r\n4=\r\n5=\r\n");

  const std::pair<Date, Strings> cases[] = {
      {{2026, 12, 7}, {"5:3"}}, {{2026, 12, 30}, {"2:1", "0:2"}},
      {{2027, 1, 1}, {"0:0"}},  {{2027, 2, 26}, {"1:2"}},
      {{2027, 3, 1}, {}},       {{2028, 2, 27}, {"1:2"}},
      {{2028, 2, 29}, {"1:0"}}, {{2026, 4, 27}, {"3:3"}},
      {{2026, 5, 1}, {}}};
  for (const auto& [date, due] : cases)
    EXPECT_EQ(Brief(reminders.Due(date)), due) << DateText(date);
  // The words of a birthday today are the end-to-end reminder test's.
  EXPECT_EQ(reminders.Due({2026, 12, 7}).at(0).text, Gb("3 天后(12 月 10 日)是 王小明 的生日"));
}

TEST_F(RemindersTest, AnnouncedOncePerDayAcrossARestartFromADamagedList) {
  SaveContact(0, "a", 11, 6);  // today
  SaveContact(1, "b", 11, 8);  // in two days
  // Only [AWOKE] options keyed by a contact number count (the rewrite shows); first of a key wins.
  WriteBytes(kAwokePath, std::string("\xFF") + '\0' +
                             "\r\n1=x\r\n[AWOKE]\r\n-3=\r\nabc=\r\n0=2026-12-6\r\n0=2026-12-7\r\n"
                             "99999999999=\r\n=\r\n1=junk\r\n[OTHER]\r\n7=\r\n");
  const Date today{2026, 12, 7}, tomorrow{2026, 12, 8};
  BirthdayReminders reminders;
  reminders.Load();
  const auto due = reminders.Due(today);
  ASSERT_EQ(Brief(reminders.Unannounced(due, today)), (Strings{"0:0", "1:2"}));
  ASSERT_TRUE(reminders.MarkAnnounced({due.at(0)}, today));
  EXPECT_EQ(ReadBytes(kAwokePath), "[AWOKE]\r\n0=2026-12-7\r\n1=junk\r\n");

  BirthdayReminders restarted;
  restarted.Load();
  EXPECT_EQ(Brief(restarted.Unannounced(restarted.Due(today), today)), (Strings{"1:2"}));
  EXPECT_EQ(Brief(restarted.Unannounced(restarted.Due(tomorrow), tomorrow)), (Strings{"1:1"}));
}

TEST_F(RemindersTest, TheButtonSaysWhyItCannotAndKeepsTheContactBytes) {
  SaveContact(0, "none", -1, -1);
  SaveContact(1, "has", 2, 14);
  const std::string document = ReadBytes(ContactPath(1));
  BirthdayReminders reminders;
  reminders.Load();
  EXPECT_EQ(ReadBytes(kAwokePath), "[AWOKE]\r\n");  // made when missing
  EXPECT_FALSE(reminders.Toggle(0, prompter_));     // no birthday
  EXPECT_FALSE(reminders.Toggle(9, prompter_));     // not saved
  ArmWriteFault(1);
  EXPECT_FALSE(reminders.Toggle(1, prompter_));  // not written: still off, as the next press shows
  ArmWriteFault(0);
  ASSERT_EQ(prompter_.messages.size(), 3u);  // the third: "不能写入 set\awoke.list..."
  EXPECT_EQ(std::tuple(prompter_.messages[0].text.substr(0, 6),
                       prompter_.messages[1].text.substr(0, 6), prompter_.messages[2].icon),
            std::tuple(Gb("这个联"), Gb("请先保"), MsgIcon::Warning));
  EXPECT_EQ((std::tuple{reminders.Toggle(1, prompter_), ReadBytes(kAwokePath),
                        reminders.Toggle(1, prompter_), ReadBytes(kAwokePath),
                        ReadBytes(ContactPath(1))}),
            std::tuple(true, "[AWOKE]\r\n1=\r\n", true, "[AWOKE]\r\n", document));
}

TEST(ExitNotice, AskedOnlyWithTheOptionOnAndCardsWaitingAndEachAnswerDoesItsOwn) {
  using enum MsgResult;
  using enum ExitAnswer;
  // notice, cards waiting, the answer given (Ok where it must not ask), what exit does.
  const std::tuple<bool, int, MsgResult, ExitAnswer> cases[] = {
      {false, 3, Ok, Exit}, {true, 0, Ok, Exit},     {true, 1, Yes, TrimFirst},
      {true, 1, No, Exit},  {true, 1, Cancel, Stay},
  };
  for (const auto& [notice, waiting, answer, expected] : cases) {
    test::RecordingPrompter prompter;
    prompter.answers = {answer};
    EXPECT_EQ(AskBeforeExit(prompter, notice, waiting), expected) << static_cast<int>(answer);
    ASSERT_EQ(prompter.messages.size(), answer == Ok ? 0u : 1u);
    if (answer == Ok) continue;
    EXPECT_EQ(std::pair(prompter.messages[0].text, prompter.messages[0].buttons),
              std::pair(Gb("还有 1 条资料没有整理，现在整理吗？"), MsgButtons::YesNoCancel));
  }
}

}  // namespace
}  // namespace pim
