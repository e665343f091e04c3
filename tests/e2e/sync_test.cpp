// Two computers whose data folders a real sync engine keeps in step: two copies of the program
// side by side, each with a data folder of its own, and Syncthing (two instances on loopback)
// between the folders. What the engine does with files is its own; what is checked here is
// that both programs keep up with it and lose nothing.
#include "driver.h"
// After windows.h, which it needs.
#include <shellapi.h>

namespace e2e {
namespace {

const std::string kPair = std::string("'") + PIMBREL_SOURCE_DIR + "/tests/e2e/syncthing_pair.sh'";

struct Computer {
  std::wstring folder, data;
  std::optional<Program> program;
};

class Sync : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 2; ++i) {
      Computer& pc = pcs[i];
      pc.folder = FreshFolder(i ? L"SyncB" : L"SyncA");
      pc.data = pc.folder + L"-data";
      fs::remove_all(pc.data);
      fs::create_directory(pc.data);
      for (const wchar_t* records : {L"note", L"communication", L"datum", L"xmlstyle"})
        fs::rename(fs::path(pc.folder) / records, fs::path(pc.data) / records);
      std::string conf = ReadBytes(pc.folder + L"\\set\\sets.conf");
      conf.replace(conf.find("[SYS]\r\n"), 7, "[SYS]\r\ndatadir=" + Gbk(pc.data) + "\r\n");
      if (i == 1) conf.replace(conf.find("hotkey=583"), 10, "hotkey=584");  // Ctrl+H beside Ctrl+G
      WriteBytes(pc.folder + L"\\set\\sets.conf", conf);
    }
    state = Setting(L"PIMBREL_E2E_WORK") + L"\\syncthing";
    ASSERT_EQ(Pair("start '" + UnixPath(state) + "' '" + UnixPath(pcs[0].data) + "' '" +
                       UnixPath(pcs[1].data) + "'",
                   120000),
              0);
    for (Computer& pc : pcs) {
      pc.program.emplace(pc.folder);
      ASSERT_EQ(pc.program->Panels().size(), 5u);
    }
  }
  void TearDown() override {
    for (Computer& pc : pcs) {
      if (pc.program && pc.program->Alive()) {
        EXPECT_TRUE(pc.program->Exit());
      }
    }
    EXPECT_EQ(Pair("stop '" + UnixPath(state) + "'", 30000), 0);
  }
  // The pair's script with `arguments`; its exit code, its output in the log when it failed.
  int Pair(const std::string& arguments, int ms = kWaitMs) {
    std::string out;
    const int code = RunUnix(kPair + " " + arguments + " 2>&1", ms, &out);
    if (code != 0)
      std::printf("syncthing_pair.sh %s: %d\n%s\n", arguments.c_str(), code, out.c_str());
    return code;
  }

  // The record files below a data folder, by name, with their bytes; the lock, which stays on
  // its computer, and the engine's own files left out.
  static std::map<std::wstring, std::string> Records(const std::wstring& data) {
    std::map<std::wstring, std::string> files;
    for (const wchar_t* top : {L"note", L"communication", L"datum", L"xmlstyle"})
      for (const auto& e : fs::recursive_directory_iterator(fs::path(data) / top))
        files[e.path().lexically_relative(data)] =
            e.is_directory() ? "<folder>" : ReadBytes(e.path().wstring());
    return files;
  }
  // Every byte of the files of one record folder, one after the other.
  static std::string AllOf(const std::wstring& folder) {
    std::string all;
    for (const auto& e : fs::directory_iterator(folder)) all += ReadBytes(e.path().wstring());
    return all;
  }
  int Conflicts() {
    std::string out;
    RunUnix(kPair + " conflicts '" + UnixPath(state) + "'", kWaitMs, &out);
    return std::atoi(out.c_str());
  }
  // Steps a notes panel to note `n`.
  static bool ShowNote(HWND notes, int n) {
    for (int i = 0; i < 200; ++i) {
      const int shown = _wtoi(Text(Control(notes, IDC_NOTE_ID)).c_str());
      if (shown == n) return true;
      SendCommand(notes, shown > n ? IDC_NOTE_PREV : IDC_NOTE_NEXT);
    }
    return false;
  }
  // How many records the program's search finds for `word` over everything.
  static int Found(Program& program, const std::wstring& word, int expected) {
    SendCommand(program.Bar(), IDC_BTN_MORE);
    const HWND window = WaitWindow(program.pid(), L"Pimbrel 搜索");
    if (!window) return -1;
    SetText(Control(window, IDC_SEARCH_QUERY), L"");
    SetText(Control(window, IDC_SEARCH_QUERY), word);
    const HWND list = Control(window, IDC_SEARCH_LIST);
    WaitUntil([&] { return Send(list, LVM_GETITEMCOUNT) == expected; });
    const int found = static_cast<int>(Send(list, LVM_GETITEMCOUNT));
    PostCommand(window, IDCANCEL);
    WaitUntil([&] { return !Visible(window); });
    return found;
  }

  Computer pcs[2];
  std::wstring state;
};

// Written on one computer, found by the other's search: the file's arrival is the engine's
// time; from there to the search result is ours, and stays under 2 s.
TEST_F(Sync, ARecordWrittenOnOneComputerIsFoundByTheOthersSearchWithinTwoSecondsOfArriving) {
  Program& a = *pcs[0].program;
  Program& b = *pcs[1].program;
  const ULONGLONG saved = GetTickCount64();
  ASSERT_EQ(a.SaveRecord(a.ShowPanel(IDC_BTN_NOTE), L"从另一台电脑来的橄榄", true), 0);
  const std::wstring arrived = pcs[1].data + L"\\note\\n.0.xml";
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(arrived); }, 60000));
  const ULONGLONG came = GetTickCount64();
  SendCommand(b.Bar(), IDC_BTN_MORE);
  const HWND window = WaitWindow(b.pid(), L"Pimbrel 搜索");
  ASSERT_TRUE(window);
  SetText(Control(window, IDC_SEARCH_QUERY), L"橄榄");
  const HWND list = Control(window, IDC_SEARCH_LIST);
  EXPECT_TRUE(WaitUntil([&] { return Send(list, LVM_GETITEMCOUNT) == 1; }, 5000));
  const ULONGLONG found = GetTickCount64();
  std::printf("the note arrived %llu ms after its save and was found %llu ms after arriving\n",
              came - saved, found - came);
  EXPECT_LT(found - came, 2000u);
  EXPECT_EQ(ItemText(list, 0, 1), L"从另一台电脑来的橄榄");
  PostCommand(window, IDCANCEL);
}

// Apart, each computer writes notes and contacts of its own (which take the same numbers) and
// both edit the same notes; they meet, and the user keeps both versions of every pair on one
// computer. Then every text typed on either side is there once, no copy is left, both folders
// are the same, and both running programs find every record.
TEST_F(Sync, ApartBothWriteAndEditTheSameNotesAndAfterMeetingEveryTextIsThereOnce) {
  const int fresh = Soak(2, 30), shared = Soak(1, 10);
  Program* programs[] = {&*pcs[0].program, &*pcs[1].program};
  HWND notes[2], contacts[2];
  for (int i = 0; i < 2; ++i) {
    contacts[i] = programs[i]->ShowPanel(IDC_BTN_COMU);
    notes[i] = programs[i]->ShowPanel(IDC_BTN_NOTE);
  }
  for (int k = 0; k < shared; ++k)
    ASSERT_EQ(programs[0]->SaveRecord(notes[0], L"共同的记事 " + std::to_wstring(k), true), k);
  const std::wstring last = pcs[1].data + L"\\note\\n." + std::to_wstring(shared - 1) + L".xml";
  ASSERT_TRUE(WaitUntil([&] { return fs::exists(last); }, 60000));
  ASSERT_EQ(Pair("apart '" + UnixPath(state) + "'"), 0);

  std::vector<std::wstring> typedNotes, typedContacts;
  const wchar_t* const side[] = {L"甲", L"乙"};
  for (int i = 0; i < 2; ++i) {
    for (int k = 0; k < fresh; ++k) {
      typedNotes.push_back(side[i] + std::wstring(L"写的记事 ") + std::to_wstring(k));
      EXPECT_EQ(programs[i]->SaveRecord(notes[i], typedNotes.back(), true), shared + k);
      typedContacts.push_back(side[i] + std::wstring(L"的联系人 ") + std::to_wstring(k));
      EXPECT_EQ(programs[i]->SaveRecord(contacts[i], typedContacts.back(), true), k);
    }
    for (int k = 0; k < shared; ++k) {
      ASSERT_TRUE(ShowNote(notes[i], k)) << i << " " << k;
      typedNotes.push_back(side[i] + std::wstring(L"改过的记事 ") + std::to_wstring(k));
      EXPECT_EQ(programs[i]->SaveRecord(notes[i], typedNotes.back()), k);
    }
  }

  const ULONGLONG met = GetTickCount64();
  ASSERT_EQ(Pair("meet '" + UnixPath(state) + "'"), 0);
  const int pairs = shared + 2 * fresh;  // each new record took the number the other's took
  EXPECT_TRUE(WaitUntil([&] { return Conflicts() == 2 * pairs; }, 120000)) << Conflicts();
  const HWND bar = programs[0]->Bar();
  const std::wstring told = L"有 " + std::to_wstring(pairs) + L" 条记录在两台电脑上都修改过";
  EXPECT_TRUE(WaitUntil([&] { return LastTip(bar, 0) == told; })) << Gbk(LastTip(bar, 0));
  Post(bar, WM_USER + 2, 136, NIN_BALLOONUSERCLICK);
  const HWND window = WaitWindow(programs[0]->pid(), L"在两台电脑上都修改过的记录");
  ASSERT_TRUE(window);
  const HWND list = Control(window, IDC_CONFLICT_LIST);
  for (int left = pairs; left > 0 && IsWindow(window); --left) {
    PostCommand(window, IDC_CONFLICT_BOTH);  // 保留两份
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window) || Send(list, LB_GETCOUNT) < left; }));
  }
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window); }));
  EXPECT_TRUE(WaitUntil([&] { return Conflicts() == 0; }, 120000)) << Conflicts();
  ASSERT_EQ(Pair("wait '" + UnixPath(state) + "'", 120000), 0);
  std::printf(
      "%d notes and %d contacts typed, %d pairs kept both ways; both folders settled "
      "%.1f s after meeting\n",
      static_cast<int>(typedNotes.size()), static_cast<int>(typedContacts.size()), pairs,
      (GetTickCount64() - met) / 1000.0);

  EXPECT_TRUE(Records(pcs[0].data) == Records(pcs[1].data));
  const std::string allNotes = AllOf(pcs[0].data + L"\\note");
  const std::string allContacts = AllOf(pcs[0].data + L"\\communication");
  for (const std::wstring& text : typedNotes)
    EXPECT_EQ(Count(allNotes, "<content>" + Gbk(text) + "</content>"), 1u) << Gbk(text);
  for (const std::wstring& name : typedContacts)
    EXPECT_EQ(Count(allContacts, "<name>" + Gbk(name) + "</name>"), 1u) << Gbk(name);
  const int noteCount = static_cast<int>(typedNotes.size());
  EXPECT_EQ(std::distance(fs::directory_iterator(pcs[0].data + L"\\note"), {}), noteCount);
  for (Program* program : programs) {
    EXPECT_EQ(Found(*program, L"记事", noteCount), noteCount);
    EXPECT_EQ(Found(*program, L"联系人", 2 * fresh), 2 * fresh);
  }
}

}  // namespace
}  // namespace e2e
