// Kills the program again and again in the middle of its work: each new start is accepted,
// every file is complete, no number is taken twice and nothing it said it saved is gone.
#include <random>
#include <thread>

#include "driver.h"

namespace e2e {
namespace {

// A few kills in ./pimbrel.sh test; ./pimbrel.sh soak makes the 50 of tests/RELIABILITY.md.
const int kKills = Soak(4, 50), kMaxRounds = kKills * 3 / 2;
constexpr char kLineIndexEnd[] = "</lineindex>\r\n\t\t\t\t<!-- KWIX.LINEINDEX.WRITE -->";

// The number after `key`= in the section, or -1.
long long Number(const std::string& conf, const std::string& section, const std::string& key) {
  const size_t at = conf.find(section + "\r\n");
  const size_t k = at == std::string::npos ? at : conf.find("\r\n" + key + "=", at);
  long long n = -1;
  if (k != std::string::npos) std::sscanf(conf.c_str() + k + key.size() + 3, "%lld", &n);
  return n;
}
// "n.7.xml" with prefix "n." gives 7; anything else -1.
int FileNumber(const std::wstring& name, const std::wstring& prefix) {
  int n = -1;
  if (name.starts_with(prefix)) swscanf(name.c_str() + prefix.size(), L"%d.", &n);
  return n;
}

class Crash : public ProgramTest {
 protected:
  // A note or contact: new, text, save; kept once its message is seen.
  void Save(int button, const std::string& text, std::map<int, std::string>& to) {
    const int n = program->SaveRecord(program->ShowPanel(button), {text.begin(), text.end()}, true);
    if (n >= 0) to[n] = text;
  }
  // Typed into the capture panel, stored by the datum button: the next card's number shows.
  void StoreCard(const std::string& text) {
    const HWND editor = program->ShowPanel(IDC_BTN_DATUM);
    const int n = FileNumber(Text(Control(editor, IDC_DATUMDLG_TITLE)), L"资料卡");
    program->StoreCard(editor, {text.begin(), text.end()});
    if (n >= 0 && program->Alive() &&
        FileNumber(Text(Control(editor, IDC_DATUMDLG_TITLE)), L"资料卡") == n + 1)
      cards[n] = text;
  }

  // Every file the work touches is whole, numbers are below their counters, and every
  // confirmed save is there with its text.
  void CheckFiles() {
    const std::string sets = ReadBytes(folder + L"\\set\\sets.conf");
    const long long noteMax = Number(sets, "[NOTE]", "maxid"),
                    comuMax = Number(sets, "[COMU]", "maxid");
    ASSERT_TRUE(noteMax >= 0 && comuMax >= 0 && sets.starts_with("[SYS]\r\n") &&
                sets.ends_with("\r\n"))
        << sets;
    const auto check = [&](const wchar_t* sub, const wchar_t* prefix, const std::string& end,
                           long long below, const std::map<int, std::string>& saved) {
      std::map<int, std::string> found;
      std::error_code none;  // no folder yet: nothing may have been confirmed there
      for (const auto& entry : fs::directory_iterator(folder + L"\\" + sub, none)) {
        const std::wstring name = entry.path().filename().wstring();
        const int n = FileNumber(name, prefix);
        if (n < 0 || !name.ends_with(L".xml")) continue;  // a writer's temporary file
        const std::string bytes = ReadBytes(entry.path().wstring());
        EXPECT_TRUE(bytes.starts_with("<?xml") && bytes.ends_with(end) && n < below)
            << Gbk(name) << ", counter " << below;
        found[n] = bytes;
      }
      for (const auto& [n, text] : saved)
        EXPECT_NE(found[n].find(text), std::string::npos) << Gbk(prefix) << n << " " << text;
    };
    check(L"note", L"n.", "</content>\r\n</note>", noteMax, notes);
    check(L"communication", L"com.", "\r\n</comu>", comuMax, contacts);
    const std::string datumConf = ReadBytes(folder + L"\\datum\\datum.conf");
    const long long cardMax = datumConf.empty() ? 0 : Number(datumConf, "[DATUM]", "id");
    ASSERT_GE(cardMax, 0) << datumConf;
    // A card is counted once it is written: one killed in between holds the number the
    // counter still shows, and the next store steps past its file.
    check(L"datum\\未分类", L"资料卡", "\r\n</datum>", cardMax + 1, cards);
    // The index follows every stored card: each confirmed one is listed, none twice.
    const std::string untrim = ReadBytes(folder + L"\\datum\\lineindex.untrim.list");
    EXPECT_TRUE(untrim.empty() || untrim.ends_with(kLineIndexEnd));
    for (const auto& [n, text] : cards) {
      const std::wstring number = std::to_wstring(n);
      EXPECT_EQ(Count(untrim, Gbk(L"卡" + number + L".datum." + number + L".xml</url>")), 1u) << n;
    }
    // The one list the work changes: its count, its last section.
    const std::string list = ReadBytes(folder + L"\\set\\fastrun_coll.lst");
    const long long count = Number(list, "[MAIN]", "count");
    EXPECT_TRUE(count >= listItems && list.ends_with("\r\n") &&
                (count == 0 || Count(list, "[run" + std::to_string(count) + "]\r\n")))
        << list;
  }

  std::map<int, std::string> notes, contacts, cards;  // confirmed saves, by number
  int listItems = 0;
};

TEST_F(Crash, KilledAtRandomMomentsItStartsAgainWithEverySavedThingWhole) {
  std::mt19937 random(20261206);  // the same moments on every run
  int kills = 0, unixKills = 0, rounds = 0;
  for (; kills < kKills && rounds < kMaxRounds && !HasFailure(); ++rounds) {
    program.emplace(folder);
    // A start after a kill is accepted: the bar and its panels come, no refusal.
    ASSERT_TRUE(program->Panels().size() == 5 && !WaitWindow(program->pid(), L"Pimbrel", 0))
        << "round " << rounds;
    if (rounds % Soak(4, 12) == Soak(3, 5)) {  // a list change, saved by an orderly end
      ASSERT_TRUE(program->AddProgram(program->ShowPanel(IDC_BTN_RUN), folder + L"\\Pimbrel.exe"));
      ASSERT_TRUE(program->Exit());
      ++listItems;
    } else {
      const bool fromUnix = rounds % 3 == 2;  // else TerminateProcess
      const std::string pid = fromUnix ? program->UnixPid() : "";
      const int delay = std::uniform_int_distribution(50, 1500)(random);
      // The kill comes from another thread, whatever the program is doing then.
      std::thread killer([&, delay] {
        Sleep(delay);
        if (!program->Alive()) return;
        if (!fromUnix && TerminateProcess(program->process(), 9)) ++kills;
        if (fromUnix && !pid.empty() && RunUnix("kill -9 " + pid) == 0) ++kills, ++unixKills;
      });
      for (int step = 0; program->Alive(); ++step) {
        const std::string text = std::to_string(rounds) + "-" + std::to_string(step);
        const int what = std::uniform_int_distribution(0, 2)(random);
        if (what == 0)
          Save(IDC_BTN_NOTE, "note " + text, notes);
        else if (what == 1)
          Save(IDC_BTN_COMU, "name " + text, contacts);
        else
          StoreCard("card " + text);
      }
      killer.join();
    }
    ASSERT_TRUE(WaitUntil([&] { return !program->Alive(); })) << "round " << rounds;
    program.reset();
    ASSERT_NO_FATAL_FAILURE(CheckFiles()) << "round " << rounds;
  }
  // The last start after the last kill, then an orderly end.
  program.emplace(folder);
  ASSERT_EQ(program->Panels().size(), 5u);
  EXPECT_TRUE(program->Exit());
  ASSERT_NO_FATAL_FAILURE(CheckFiles());
  // Each list item is added in a round that ends in order; one start per round and the last.
  std::printf(
      "crash test: %d rounds, %d kills (%d by kill -9), %d orderly ends, %d starts; confirmed "
      "%zu notes, %zu contacts, %zu cards, %d list items, all there\n",
      rounds, kills, unixKills, listItems, rounds + 1, notes.size(), contacts.size(), cards.size(),
      listItems);
  EXPECT_GE(kills, kKills);
}

}  // namespace
}  // namespace e2e
