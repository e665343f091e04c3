// Kills the program again and again in the middle of its work: each new start is accepted,
// every file is complete, no number is taken twice and nothing it said it saved is gone.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <thread>

#include "driver.h"

// commdlg's ids, which dlgs.h wants windows.h for.
#include <commctrl.h>
#include <dlgs.h>

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kNotesButton = 1004, kComuButton = 1005, kDatumButton = 1006, kRunButton = 1007;
constexpr int kNew = 1010, kSave = 1013, kNoteText = 1002, kComuName = 1002;
constexpr int kCardTitle = 1002, kCardText = 1016, kRunAdd = 169, kRunList = 1015;
constexpr int kKills = 50, kMaxRounds = 75;
constexpr char kLineIndexEnd[] = "</lineindex>\r\n\t\t\t\t<!-- KWIX.LINEINDEX.WRITE -->";

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}
// The number after `key`= in the section, or -1.
long long Number(const std::string& conf, const std::string& section, const std::string& key) {
  const size_t at = conf.find(section + "\r\n");
  const size_t k = at == std::string::npos ? at : conf.find("\r\n" + key + "=", at);
  long long n = -1;
  return k != std::string::npos && std::sscanf(conf.c_str() + k + key.size() + 3, "%lld", &n) == 1
             ? n
             : -1;
}
// "n.7.xml" with prefix "n." gives 7; anything else -1.
int FileNumber(const std::wstring& name, const std::wstring& prefix) {
  int n = -1;
  return name.starts_with(prefix) && swscanf(name.c_str() + prefix.size(), L"%d.", &n) == 1 ? n
                                                                                            : -1;
}
std::string Narrow(const std::wstring& text) { return {text.begin(), text.end()}; }  // ASCII

// What the program confirmed: numbered documents with the text each was saved with.
struct Confirmed {
  std::map<int, std::string> notes, contacts, cards;
  int listItems = 0;
};

class Crash : public ::testing::Test {
 protected:
  // The unix pid of the program, found by its folder in the command line of Wine's process;
  // the pattern is written so that it does not match the searching shell's own.
  std::string UnixPid() {
    const std::wstring out = folder + L"\\pid.txt";
    DeleteFileW(out.c_str());
    const std::wstring work = fs::path(Setting(L"PIMBREL_E2E_WORK")).filename().wstring();
    RunUnix("for p in /proc/[0-9]*; do grep -qa '" + Narrow(work) +
            "[^a-z]crash[^a-z]Pimbrel[.]exe' $p/cmdline 2>/dev/null && echo ${p#/proc/}; done >'" +
            UnixName(out) + "'");
    const std::string pids = ReadBytes(out);
    return pids.substr(0, pids.find('\n'));
  }
  static std::string UnixName(const std::wstring& path) {
    std::string unix;  // Z:\work\... is /work/...
    for (size_t i = 2; i < path.size(); ++i) unix += path[i] == L'\\' ? '/' : char(path[i]);
    return unix;
  }
  bool Alive() { return process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }
  // The panel a bar button shows.
  HWND ShowPanel(int button) {
    SendCommand(program->Bar(), button);
    const auto shown = program->VisiblePanels();
    return shown.size() == 1 ? shown[0] : nullptr;
  }
  // The text of the box with this caption, answered; "" once the program is gone.
  std::wstring Answer(const std::wstring& caption) {
    HWND box = nullptr;
    WaitUntil([&] { return !Alive() || (box = WaitWindow(program->pid(), caption, 0)); });
    if (!box) return L"";
    const std::wstring text = Text(GetDlgItem(box, 0xFFFF));
    PostCommand(box, IDOK);
    WaitUntil([&] { return !Alive() || !IsWindow(box); });
    return text;
  }
  void SaveNote(const std::string& text) {
    const HWND panel = ShowPanel(kNotesButton);
    SendCommand(panel, kNew);
    Send(Control(panel, kNoteText), WM_SETTEXT, 0,
         reinterpret_cast<LPARAM>(std::wstring(text.begin(), text.end()).c_str()));
    PostCommand(panel, kSave);
    const int n = FileNumber(Answer(L"notice"), L"Message send to note\\n.");
    if (n >= 0) confirmed.notes[n] = text;
  }
  void SaveContact(const std::string& name) {
    const HWND panel = ShowPanel(kComuButton);
    SendCommand(panel, kNew);
    Send(Control(panel, kComuName), WM_SETTEXT, 0,
         reinterpret_cast<LPARAM>(std::wstring(name.begin(), name.end()).c_str()));
    PostCommand(panel, kSave);
    const int n = FileNumber(Answer(L"notice"), L"Message send to communication\\com.");
    if (n >= 0) confirmed.contacts[n] = name;
  }
  // Typed into the capture panel, stored by the datum button: the next card's number shows.
  void StoreCard(const std::string& text) {
    const HWND panel = ShowPanel(kDatumButton);
    const int n = FileNumber(Text(Control(panel, kCardTitle)), L"资料卡");
    Send(Control(panel, kCardText), EM_REPLACESEL, TRUE,
         reinterpret_cast<LPARAM>(std::wstring(text.begin(), text.end()).c_str()));
    SendCommand(program->Bar(), kDatumButton);
    if (n >= 0 && Alive() && FileNumber(Text(Control(panel, kCardTitle)), L"资料卡") == n + 1)
      confirmed.cards[n] = text;
  }
  // A program added to the first list through the file dialog; saved when the program ends.
  bool AddProgram() {
    const HWND panel = ShowPanel(kRunButton), list = Control(panel, kRunList);
    const LRESULT before = Send(list, LVM_GETITEMCOUNT);
    PostCommand(panel, kRunAdd);
    HWND dialog = nullptr, name = nullptr;
    if (!WaitUntil([&] {
          for (HWND w : TopWindows(program->pid()))
            if (Visible(w) && w != panel &&
                (name = Control(w, cmb13) ? Control(w, cmb13) : Control(w, edt1)))
              return (dialog = w) != nullptr;
          return false;
        }))
      return false;
    const std::wstring exe = folder + L"\\Pimbrel.exe";
    Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(exe.c_str()));
    PostCommand(dialog, IDOK);
    return WaitUntil([&] { return Send(list, LVM_GETITEMCOUNT) == before + 1; });
  }

  // Every file the work touches is whole, numbers are below their counters, and every
  // confirmed save is there with its text.
  void CheckFiles() {
    const std::string sets = ReadBytes(folder + L"\\set\\sets.conf");
    const long long noteMax = Number(sets, "[NOTE]", "maxid"),
                    comuMax = Number(sets, "[COMU]", "maxid");
    ASSERT_GE(noteMax, 0) << sets;
    ASSERT_GE(comuMax, 0) << sets;
    ASSERT_TRUE(sets.starts_with("[SYS]\r\n") && EndsWith(sets, "\r\n")) << sets;
    const auto check = [&](const wchar_t* sub, const wchar_t* prefix, const std::string& end,
                           long long below, const std::map<int, std::string>& saved) {
      std::map<int, std::string> found;
      for (const auto& entry : fs::directory_iterator(folder + L"\\" + sub)) {
        const std::wstring name = entry.path().filename().wstring();
        const int n = FileNumber(name, prefix);
        if (n < 0 || !name.ends_with(L".xml")) continue;  // a writer's temporary file
        const std::string bytes = ReadBytes(entry.path().wstring());
        EXPECT_TRUE(bytes.starts_with("<?xml") && EndsWith(bytes, end)) << Narrow(name);
        EXPECT_LT(n, below) << Narrow(name);
        found[n] = bytes;
      }
      for (const auto& [n, text] : saved)
        EXPECT_NE(found[n].find(text), std::string::npos) << Narrow(prefix) << n << " " << text;
    };
    check(L"note", L"n.", "</content>\r\n</note>", noteMax, confirmed.notes);
    check(L"communication", L"com.", "\r\n</comu>", comuMax, confirmed.contacts);
    const std::string datumConf = ReadBytes(folder + L"\\datum\\datum.conf");
    const long long cardMax = datumConf.empty() ? 0 : Number(datumConf, "[DATUM]", "id");
    ASSERT_GE(cardMax, 0) << datumConf;
    if (fs::exists(folder + L"\\datum\\未分类")) {
      check(L"datum\\未分类", L"资料卡", "\r\n</datum>", cardMax, confirmed.cards);
    } else {
      EXPECT_TRUE(confirmed.cards.empty());
    }
    const std::string untrim = ReadBytes(folder + L"\\datum\\lineindex.untrim.list");
    // The index follows every stored card: each confirmed one is listed, none twice.
    EXPECT_TRUE(untrim.empty() || EndsWith(untrim, kLineIndexEnd));
    for (const auto& [n, text] : confirmed.cards) {
      std::string url = "\xBF\xA8";  // 卡, the end of 资料卡
      url += std::to_string(n) + ".datum." + std::to_string(n) + ".xml</url>";
      const size_t at = untrim.find(url);
      EXPECT_NE(at, std::string::npos) << "card " << n << " is not in the untrimmed index";
      EXPECT_TRUE(at == std::string::npos || untrim.find(url, at + 1) == std::string::npos) << n;
    }
    for (const wchar_t* list : {L"index.list", L"lineindex.list", L"bookmark.list"})
      EXPECT_TRUE(EndsWith(ReadBytes(folder + L"\\datum\\" + list), kLineIndexEnd)) << list;
    for (const wchar_t* list : {L"coll", L"study", L"fun", L"net"}) {
      const std::string bytes = ReadBytes(folder + L"\\set\\fastrun_" + list + L".lst");
      const long long count = Number(bytes, "[MAIN]", "count");
      ASSERT_GE(count, 0) << bytes;
      std::string last = "[run";
      last += std::to_string(count) + "]\r\n";
      if (count > 0) {
        EXPECT_NE(bytes.find(last), std::string::npos) << last;
      }
      EXPECT_TRUE(EndsWith(bytes, "\r\n"));
      if (list == std::wstring(L"coll")) {
        EXPECT_GE(count, confirmed.listItems);
      }
    }
  }

  std::wstring folder = FreshFolder(L"crash");
  std::optional<Program> program;
  HANDLE process = nullptr;
  Confirmed confirmed;
};

TEST_F(Crash, KilledAtRandomMomentsItStartsAgainWithEverySavedThingWhole) {
  std::mt19937 random(20261206);  // the same moments on every run
  int kills = 0, unixKills = 0, starts = 0, rounds = 0, cleanExits = 0;
  for (; kills < kKills && rounds < kMaxRounds; ++rounds) {
    program.emplace(folder);
    ++starts;
    // A start after a kill is accepted: the bar and its panels come, no refusal.
    ASSERT_EQ(program->Panels().size(), 5u) << "round " << rounds;
    ASSERT_EQ(WaitWindow(program->pid(), L"Pimbrel", 0), nullptr) << "round " << rounds;
    process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, program->pid());
    const std::string tag = std::to_string(rounds) + "-";
    if (rounds % 12 == 5) {  // now and then a list change, saved by an orderly end
      ASSERT_TRUE(AddProgram()) << "round " << rounds;
      ASSERT_TRUE(program->Exit());
      ++confirmed.listItems;
      ++cleanExits;
    } else {
      const bool fromUnix = rounds % 3 == 2;
      const std::string pid = fromUnix ? UnixPid() : "";
      const int delay = std::uniform_int_distribution(50, 1500)(random);
      // The kill comes from another thread, whatever the program is doing then.
      std::thread killer([&, delay] {
        Sleep(delay);
        if (WaitForSingleObject(process, 0) != WAIT_TIMEOUT) return;
        if (!fromUnix) {
          if (TerminateProcess(process, 9)) ++kills;
          return;
        }
        STARTUPINFOW start{};
        start.cb = sizeof start;
        PROCESS_INFORMATION info{};
        std::wstring line = L"/bin/sh -c \"kill -9 " + std::wstring(pid.begin(), pid.end()) + L"\"";
        if (!pid.empty() && CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0,
                                           nullptr, nullptr, &start, &info))
          ++kills, ++unixKills;
        if (info.hProcess) CloseHandle(info.hProcess);
        if (info.hThread) CloseHandle(info.hThread);
      });
      for (int step = 0; Alive(); ++step) {
        const std::string text = tag + std::to_string(step);
        switch (std::uniform_int_distribution(0, 2)(random)) {
          case 0:
            SaveNote("note " + text);
            break;
          case 1:
            SaveContact("name " + text);
            break;
          default:
            StoreCard("card " + text);
            break;
        }
      }
      killer.join();
    }
    ASSERT_TRUE(WaitUntil([&] { return !Alive(); })) << "round " << rounds;
    CloseHandle(process);
    process = nullptr;
    program.reset();
    ASSERT_NO_FATAL_FAILURE(CheckFiles()) << "round " << rounds;
    if (HasFailure()) break;
  }
  // The last start after the last kill, then an orderly end.
  program.emplace(folder);
  ASSERT_EQ(program->Panels().size(), 5u);
  ++starts;
  Screenshot("crash_restart");
  EXPECT_TRUE(program->Exit());
  ASSERT_NO_FATAL_FAILURE(CheckFiles());
  std::printf(
      "crash test: %d rounds, %d kills (%d by kill -9), %d orderly ends, %d starts; "
      "confirmed %zu notes, %zu contacts, %zu cards, "
      "%d list items, all there\n",
      rounds, kills, unixKills, cleanExits, starts, confirmed.notes.size(),
      confirmed.contacts.size(), confirmed.cards.size(), confirmed.listItems);
  EXPECT_GE(kills, kKills);
}

}  // namespace
}  // namespace e2e
