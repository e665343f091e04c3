// Every file the program reads, bad: each panel and dialog that reads it opens without a
// crash, every message is answered, the program ends in order, and the good files beside stay
// as they were. The native unit test has the whole corpus; ./pimbrel.sh soak runs it here too.
#include <tuple>

#include "driver.h"

namespace e2e {
namespace {

// The corpus folders, where each one's file goes, and who reads it.
struct Kind {
  const char* corpus;
  const wchar_t* path;
  std::vector<const char*> readers;
};
const std::vector<Kind> kKinds = {
    {"settings", L"set\\sets.conf", {"start", "notes", "contacts", "settings"}},
    {"quicklist", L"set\\fastrun_coll.lst", {"start", "quick launch"}},
    {"marker", L"set\\run.ing.m", {"start", "exit"}},
    {"note", L"note\\n.0.xml", {"notes"}},
    {"contact", L"communication\\com.0.xml", {"contacts"}},
    {"card", L"datum\\a\\t.datum.0.xml", {"datum", "trimming", "browser"}},
    {"classlist", L"datum\\class.list", {"datum", "trimming", "browser"}},
    {"sourcelist", L"datum\\source.list", {"datum", "trimming"}},
    {"datumconf", L"datum\\datum.conf", {"datum"}},
    {"lineindex", L"datum\\lineindex.untrim.list", {"datum", "trimming"}},
    {"lineindex", L"datum\\lineindex.list", {"browser"}},
};
// Good files of the same kinds beside the bad ones; none may change.
const std::pair<const char*, const wchar_t*> kBeside[] = {{"note", L"note\\n.1.xml"},
                                                          {"contact", L"communication\\com.1.xml"},
                                                          {"card", L"datum\\a\\u.datum.1.xml"}};

fs::path Corpus() {  // the source tree, through Wine's drive Z:
  return fs::path(L"Z:" + fs::path(PIMBREL_SOURCE_DIR).make_preferred().wstring()) / "tests" /
         "corpus";
}
std::string Valid(const char* corpus) { return ReadBytes((Corpus() / corpus / "valid").wstring()); }

// One bad case of a file: its bytes, or a folder, or read-only bytes.
enum class Laid { Bytes, ReadOnly, Folder };
struct Case {
  std::string name;
  std::string bytes;
  Laid how = Laid::Bytes;
};
void Put(const std::wstring& folder, const std::wstring& path, const Case& c) {
  const fs::path target(folder + L"\\" + path);
  fs::create_directories(target.parent_path());
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);  // Windows removes no read-only file
  fs::remove_all(target);
  if (c.how == Laid::Folder) fs::create_directory(target);
  if (c.how != Laid::Folder) WriteBytes(target.wstring(), c.bytes);
  if (c.how == Laid::ReadOnly) SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
}

// What only Windows shows, a folder in its place and read-only; under soak first the stored
// cases and those made from the valid file: empty, cut before and inside every line, a 10 MB line.
std::vector<Case> Cases(const char* corpus) {
  std::vector<Case> cases;
  const std::string valid = Valid(corpus);
  if (Soak(0, 1)) {
    std::vector<fs::path> stored(fs::directory_iterator(Corpus() / corpus), {});
    std::sort(stored.begin(), stored.end());
    for (const fs::path& file : stored)
      if (file.filename() != "valid")
        cases.push_back({file.filename().string(), ReadBytes(file.wstring())});
    cases.push_back({"empty", ""});
    for (size_t at = 0, line = 1; at < valid.size(); ++line) {
      const size_t end = std::min(valid.find('\n', at), valid.size());
      cases.push_back({"cut before line " + std::to_string(line), valid.substr(0, at)});
      cases.push_back({"cut inside line " + std::to_string(line), valid.substr(0, (at + end) / 2)});
      at = end + 1;
    }
    Case& huge = cases.emplace_back(Case{"10 MB line", valid});
    huge.bytes.insert(std::min(valid.find('\n') + 3, valid.size()), std::string(10 << 20, 'x'));
  }
  // Where the run marker cannot be written the start is refused, as the next test shows.
  if (std::string(corpus) != "marker") cases.push_back({"folder", "", Laid::Folder});
  cases.push_back({"read-only", valid, Laid::ReadOnly});
  return cases;
}

class BadInput : public ProgramTest {
 protected:
  // Answers every message box of the program now up: No where it asks, else OK.
  void AnswerBoxes() {
    for (HWND w : TopWindows(program->pid()))
      if (Visible(w) && GetDlgItem(w, 0xFFFF) && (GetDlgItem(w, IDOK) || GetDlgItem(w, IDNO))) {
        PostCommand(w, GetDlgItem(w, IDNO) ? IDNO : IDOK);
        WaitUntil([&] { return !IsWindow(w); }, 2000);
      }
  }
  // Waits for `done` while answering message boxes; false when the program is gone.
  bool Serve(const std::function<bool()>& done, int ms = kWaitMs) {
    WaitUntil([&] { return AnswerBoxes(), !program->Alive() || done(); }, ms);
    return program->Alive() && done();
  }
  // The bar's panels made so far, without waiting: a message box may hold up the start.
  size_t PanelsNow() {
    return std::ranges::count_if(TopWindows(program->pid()), [](HWND w) {
      return GetDlgItem(GetWindow(w, GW_OWNER), IDC_BTN_NOTE) && Text(w).empty();
    });
  }
  // Shows a panel by its bar button: another one than was shown before.
  bool Show(int button) {
    const auto before = program->VisiblePanels();
    PostCommand(program->Bar(), button);
    return Serve([&] {
      const auto shown = program->VisiblePanels();
      return shown.size() == 1 && shown != before;
    });
  }
  // A window of this caption (null: any other than the bar, `editor` and message boxes).
  HWND Find(const wchar_t* caption, HWND editor = nullptr) {
    if (caption) return WaitWindow(program->pid(), caption, 0);
    for (HWND w : TopWindows(program->pid()))
      if (Visible(w) && w != program->Bar() && w != editor && !GetDlgItem(w, 0xFFFF)) return w;
    return nullptr;
  }
  // Opens what reads the files and closes it again; the readers that passed.
  std::vector<std::string> Visit() {
    std::vector<std::string> passed;
    const auto pass = [&](const char* reader, bool ok) {
      if (ok && program->Alive()) passed.push_back(reader);
    };
    if (!Serve([&] { return PanelsNow() == 5; })) return passed;
    passed.push_back("start");
    for (const auto& [button, reader] :
         {std::pair{IDC_BTN_NOTE, "notes"}, {IDC_BTN_COMU, "contacts"}}) {
      if (!Show(button)) continue;
      const HWND shown = program->VisiblePanels()[0];
      for (int step : {IDC_NOTE_PREV, IDC_NOTE_PREV, IDC_NOTE_NEXT, IDC_NOTE_NEXT})
        PostCommand(shown, step);  // page both ways
      pass(reader, Serve([&] { return Visible(shown); }));
    }
    pass("quick launch", Show(IDC_BTN_RUN));
    if (Show(IDC_BTN_DATUM)) {
      const HWND editor = program->VisiblePanels()[0];
      for (int i = 0; i < 3; ++i) PostCommand(editor, IDC_DATUMDLG_PREV);  // back through cards
      pass("datum", Serve([&] { return Visible(editor); }));
      // The trimming dialog may also end at once, when its index cannot be read.
      for (const auto& [command, caption, reader] :
           {std::tuple{IDC_DATUMDLG_TRIM, L"Pimbrel 资料整理", "trimming"},
            {IDC_DATUMDLG_BROWSER, nullptr, "browser"}}) {
        PostCommand(editor, command);
        HWND window = nullptr;
        Serve([&] { return (window = Find(caption, editor)) != nullptr; },
              caption ? 3000 : kWaitMs);
        if (window) PostCommand(window, caption ? IDCANCEL : IDOK);
        if (window || caption)
          pass(reader,
               Serve([&] { return (!IsWindow(window) || !Visible(window)) && Visible(editor); }));
      }
    }
    // Asked twice at most: under Wine a posted command now and then finds the sheet slow, and
    // then a second sheet may come.
    HWND sheet = nullptr;
    for (int attempt = 0; attempt < 2 && !sheet; ++attempt) {
      PostCommand(program->Bar(), ID_SETTINGS);
      Serve([&] { return (sheet = Find(L"Pimbrel 设置")) != nullptr; });
    }
    for (int n = 0; sheet && n < 2;
         ++n, sheet = WaitWindow(program->pid(), L"Pimbrel 设置", 1000)) {
      Post(GetDlgItem(sheet, IDCANCEL), BM_CLICK);
      const bool closed = Serve([&] { return !IsWindow(sheet); });
      if (n == 0) pass("settings", closed);
    }
    PostCommand(program->Bar(), ID_EXIT);
    WaitUntil([&] { return AnswerBoxes(), !program->Alive(); });
    DWORD code = 1;
    GetExitCodeProcess(program->process(), &code);
    if (!program->Alive() && code == 0) passed.push_back("exit");
    return passed;
  }
  // One start with the given case of each kind in place (none: its valid file); the cells
  // (kind's case, reader) it passed, each failure added to `failures`.
  int Run(const std::vector<const Case*>& chosen, std::string& failures) {
    folder = FreshFolder(L"BadInput");
    for (const auto& [corpus, path] : kBeside) Put(folder, path, Case{"beside", Valid(corpus)});
    for (size_t k = 0; k < kKinds.size(); ++k)
      Put(folder, kKinds[k].path, chosen[k] ? *chosen[k] : Case{"valid", Valid(kKinds[k].corpus)});
    program.emplace(folder);
    const std::vector<std::string> passed = Visit();
    program.reset();
    for (const Kind& kind : kKinds)  // so that the next fresh folder can take its place
      SetFileAttributesW((folder + L"\\" + kind.path).c_str(), FILE_ATTRIBUTE_NORMAL);
    for (const auto& [corpus, path] : kBeside)
      if (ReadBytes(folder + L"\\" + path) != Valid(corpus)) failures += "changed beside; ";
    int cells = 0;
    const auto cell = [&](const std::string& reader, const std::string& which) {
      const bool ok = std::ranges::count(passed, reader) > 0;
      cells += ok;
      if (!ok) failures += which + " x " + reader + "; ";
    };
    cell("exit", chosen[0] ? chosen[0]->name : "-");  // every start ends in order
    for (size_t k = 0; k < kKinds.size(); ++k)
      for (const char* reader : chosen[k] ? kKinds[k].readers : std::vector<const char*>{})
        cell(reader, std::string(kKinds[k].corpus) + "/" + chosen[k]->name);
    return cells;
  }
};

TEST_F(BadInput, EveryPanelOpensEveryBadFileAndTheProgramEndsInOrder) {
  // One start per case number: the n-th case of every kind at once.
  std::vector<std::vector<Case>> cases;
  size_t starts = 0, total = 0;
  for (const Kind& kind : kKinds) {
    cases.push_back(Cases(kind.corpus));
    starts = std::max(starts, cases.back().size());
    total += cases.back().size();
  }
  int cells = 0;
  std::string failures;
  for (size_t n = 0; n < starts; ++n) {
    std::vector<const Case*> chosen;
    for (const auto& kind : cases) chosen.push_back(n < kind.size() ? &kind[n] : nullptr);
    cells += Run(chosen, failures);
  }
  std::printf("bad input: %zu cases of %zu files in %zu starts, %d (case, reader) cells passed\n",
              total, kKinds.size(), starts, cells);
  EXPECT_EQ(failures, "");
}

TEST_F(BadInput, AFileInPlaceOfAFolderIsReportedOrPassedOver) {
  // "set" a file or the run marker a folder: the start is refused with a message. The folders
  // of notes, contacts and a card category, or of all cards, files: every reader passes.
  const std::vector<std::vector<const wchar_t*>> placed = {
      {L"set"}, {L"set\\run.ing.m"}, {L"note", L"communication", L"datum\\a"}, {L"datum"}};
  for (size_t i = 0; i < placed.size(); ++i) {
    folder = FreshFolder(L"BadFolder");
    for (const wchar_t* path : placed[i])
      Put(folder, path, i == 1 ? Case{"folder", "", Laid::Folder} : Case{"file", "not a folder"});
    program.emplace(folder);
    if (i < 2) {
      const auto refused = AnswerMessageBox(program->pid(), L"Pimbrel");
      ASSERT_TRUE(refused && refused->text.find(L"set") != std::wstring::npos) << i;
      EXPECT_TRUE(program->WaitEnd());
    } else {
      EXPECT_EQ(Visit().size(), 9u) << i;  // start, 2 panels, 3 datum, quick launch, sheet, exit
    }
    program.reset();
  }
}

}  // namespace
}  // namespace e2e
