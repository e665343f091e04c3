// Backup and restore through the bar's menu commands and the file dialogs; a restore killed
// midway leaves the old data or the restored data after the next start, never a mix.

#include "driver.h"

namespace e2e {
namespace {

// Every data file of a program folder but the run marker, with its bytes.
std::map<std::wstring, std::string> Tree(const std::wstring& folder) {
  std::map<std::wstring, std::string> files;
  std::error_code error;
  for (const wchar_t* top : {L"set", L"note", L"communication", L"datum", L"xmlstyle"})
    for (const auto& e : fs::recursive_directory_iterator(fs::path(folder) / top, error))
      files[e.path().lexically_relative(folder)] =
          e.is_directory() ? "<folder>" : ReadBytes(e.path().wstring());
  files.erase(L"set\\run.ing.m");
  return files;
}

std::wstring Today() {  // the daily copy's name
  wchar_t text[40] = L"";
  GetDateFormatW(LOCALE_INVARIANT, 0, nullptr, L"'Pimbrel备份 'yyyy-MM-dd'.zip'", text, 40);
  return text;
}

static_assert(IDC_NOTE_PREV == IDC_COMU_PREVIOUS);  // the records panels share their ids

// Picks a folder in the system's folder picker as a user would, by opening the tree's items
// down to it: the drive (by the part of its name given), then each folder. (Wine's picker
// takes no path typed or sent to it.)
bool SelectFolder(HWND picker, const std::vector<std::wstring>& steps) {
  const HWND tree = FindWindowExW(picker, nullptr, L"SysTreeView32", nullptr);
  // Breadth first below `from`, opening items on the way, to the first whose name holds `part`.
  const auto find = [&](HTREEITEM from, const std::wstring& part, int depth) {
    std::vector<HTREEITEM> level = {from};
    for (int d = 0; d < depth; ++d) {
      std::vector<HTREEITEM> below;
      for (HTREEITEM i : level) {
        Send(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(i));
        for (HTREEITEM c = TreeView_GetChild(tree, i); c; c = TreeView_GetNextSibling(tree, c)) {
          if (TreeText(tree, c).find(part) != std::wstring::npos) return c;
          below.push_back(c);
        }
      }
      level = below;
    }
    return HTREEITEM{};
  };
  HTREEITEM at = TreeView_GetRoot(tree);
  for (size_t i = 0; at && i < steps.size(); ++i) at = find(at, steps[i], i == 0 ? 3 : 1);
  return at && Send(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(at));
}

class Backup : public ProgramTest {
 protected:
  void Start() {
    program.emplace(folder);
    ASSERT_EQ(program->Panels().size(), 5u);
    panel = program->Bar();  // which owns the message boxes of both commands
  }

  std::wstring archive = fs::path(folder).parent_path().wstring() + L"\\我的备份.zip";
};

TEST_F(Backup, WhatWasBackedUpComesBackAndThePanelsShowIt) {
  ASSERT_NO_FATAL_FAILURE(Start());
  const std::pair<int, const wchar_t*> records[] = {{IDC_BTN_NOTE, L"备份前的记事"},
                                                    {IDC_BTN_COMU, L"张三"}};
  for (const auto& [button, text] : records)
    EXPECT_EQ(program->SaveRecord(program->ShowPanel(button), text, true), 0);
  // A card typed and not stored yet: the backup stores it first, as the exit would.
  Send(Control(program->ShowPanel(IDC_BTN_DATUM), IDC_DATUMDLG_TEXT), EM_REPLACESEL, TRUE,
       reinterpret_cast<LPARAM>(L"卡片的内容"));

  EXPECT_EQ(program->ChooseFile(panel, ID_BACKUP, archive), Today());
  EXPECT_EQ(Answer(L"备份"),
            L"备份完成：\n" + archive + L"\n\n记事 1 篇，联系人 1 个，资料卡 1 张。");
  const auto saved = Tree(folder);
  EXPECT_NE(ReadBytes(folder + L"\\set\\sets.conf").find("backupdir="), std::string::npos);

  // Changed and deleted afterwards.
  const HWND notes = program->ShowPanel(IDC_BTN_NOTE);
  SendCommand(notes, IDC_NOTE_PREV);
  EXPECT_EQ(program->SaveRecord(notes, L"改过了"), 0);
  ASSERT_TRUE(DeleteFileW((folder + L"\\communication\\com.0.xml").c_str()));
  fs::remove_all(fs::path(folder) / L"datum" / L"未分类");

  program->ChooseFile(panel, ID_RESTORE, archive);
  const std::wstring question = Answer(L"恢复", IDYES);
  EXPECT_NE(question.find(L"记事 1 篇，联系人 1 个，资料卡 1 张。"), std::wstring::npos)
      << question;
  EXPECT_EQ(Answer(L"恢复"), L"恢复完成。");
  EXPECT_TRUE(Tree(folder) == saved && fs::exists(fs::path(folder) / L"backup"));

  // The panels read the restored files; the bar keeps its hotkey.
  for (const auto& [button, text] : records) {
    const HWND shown = program->ShowPanel(button);
    SendCommand(shown, IDC_NOTE_PREV);
    EXPECT_EQ(Text(Control(shown, IDC_NOTE_TEXT)), text);
  }
  EXPECT_FALSE(HotkeyFree(MOD_CONTROL, 'G'));
  ASSERT_TRUE(program->Exit());
  EXPECT_TRUE(fs::exists(fs::path(folder) / L"backup" / Today()));  // the day's first exit's
}

TEST_F(Backup, ARestoreKilledMidwayLeavesTheOldOrTheNewDataAfterTheNextStart) {
  // Enough files that a restore takes a while under Wine.
  const auto note = [&](int i) { return folder + L"\\note\\n." + std::to_wstring(i) + L".xml"; };
  for (int i = 0; i < 1500; ++i) WriteBytes(note(i), "old note " + std::to_string(i));
  archive = fs::path(folder).parent_path().wstring() + L"\\kill.zip";
  ASSERT_NO_FATAL_FAILURE(Start());
  program->ChooseFile(panel, ID_BACKUP, archive);
  ASSERT_TRUE(WaitWindow(program->pid(), L"备份", 60000));
  ASSERT_TRUE(Answer(L"备份").starts_with(L"备份完成："));
  const auto saved = Tree(folder);
  const auto change = [&] {
    for (int i = 0; i < 1500; i += 2) WriteBytes(note(i), "changed");
    DeleteFileW(note(1).c_str());
  };
  change();
  const auto changed = Tree(folder);
  // Three moments in the short run (each recovery step is the unit tests' to prove), all nine
  // in the soak.
  const std::vector<int> delays =
      Soak(0, 1) ? std::vector<int>{100, 300, 500, 700, 900, 1100, 1400, 1800, 3000}
                 : std::vector<int>{300, 900, 1800};
  for (int delay : delays) {
    program->ChooseFile(panel, ID_RESTORE, archive);
    ASSERT_TRUE(WaitWindow(program->pid(), L"恢复", 60000));
    Answer(L"恢复", IDYES);
    Pause(delay);
    TerminateProcess(program->process(), 9);
    program.emplace(folder);  // once the killed one has ended
    // A start after the kill may say that it finished or undid the restore.
    if (HWND box = WaitWindow(program->pid(), L"Pimbrel", 1500)) PostCommand(box, IDOK);
    ASSERT_EQ(program->Panels().size(), 5u);
    panel = program->Bar();
    const auto now = Tree(folder);
    ASSERT_TRUE(now == saved || now == changed) << "a mix after a kill at " << delay << " ms";
    if (now == saved) change();
  }
  // The exit waits for a safety copy still being packed: nothing of the restore stays.
  ASSERT_TRUE(program->Exit());
  EXPECT_FALSE(fs::exists(fs::path(folder) / L"restore.journal") ||
               fs::exists(fs::path(folder) / L"restore.old"));
}

// The settings page moves the records to a folder of the user's choosing (as into a synced
// folder), where the program then writes them; a second copy on that folder is refused.
TEST_F(Backup, ADataFolderChosenInTheSettingsTakesTheRecordsAndIsLockedForOneCopy) {
  ASSERT_NO_FATAL_FAILURE(Start());
  const HWND notes = program->ShowPanel(IDC_BTN_NOTE);
  EXPECT_EQ(program->SaveRecord(notes, L"搬家前的记事", true), 0);
  const std::wstring data = L"C:\\同步的文件夹";
  fs::remove_all(data);
  fs::create_directory(data);

  const HWND sheet = PostFor(program->Bar(), ID_SETTINGS, L"Pimbrel 设置");
  ASSERT_TRUE(sheet);
  EXPECT_EQ(Text(Control(sheet, IDC_DATADIR)), folder);
  PostCommand(GetParent(Control(sheet, IDC_DATADIR_CHANGE)), IDC_DATADIR_CHANGE);
  HWND picker = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND w : TopWindows(program->pid()))
      if (Visible(w) && FindWindowExW(w, nullptr, L"SysTreeView32", nullptr)) picker = w;
    return picker != nullptr;
  }));
  ASSERT_TRUE(SelectFolder(picker, {L"(C:)", L"同步的文件夹"}));
  PostCommand(picker, IDOK);
  const auto asked = AnswerMessageBox(program->pid(), L"数据文件夹", IDYES);
  ASSERT_TRUE(asked);
  EXPECT_NE(asked->text.find(data), std::wstring::npos) << asked->text;
  const auto told = AnswerMessageBox(program->pid(), L"数据文件夹", IDOK);
  ASSERT_TRUE(told);
  EXPECT_EQ(told->text, L"现在的数据文件夹是 " + data + L"。");
  EXPECT_EQ(Text(Control(sheet, IDC_DATADIR)), data);
  Screenshot("settings-data-folder");
  ASSERT_TRUE(CloseBy(sheet, IDCANCEL));

  // Written there from now on.
  EXPECT_EQ(program->SaveRecord(program->ShowPanel(IDC_BTN_NOTE), L"搬家后的记事", true), 1);
  EXPECT_NE(ReadBytes(data + L"\\note\\n.1.xml").find(Gbk(L"搬家后的记事")), std::string::npos);
  EXPECT_FALSE(fs::exists(folder + L"\\note\\n.1.xml"));

  // Another program folder set to the same data folder, as over a network share.
  const std::wstring other = FreshFolder(L"DataFolderSecondCopy");
  WriteBytes(other + L"\\set\\sets.conf", File(L"set\\sets.conf"));
  Program second(other);
  const auto refused = AnswerMessageBox(second.pid(), L"Pimbrel", IDOK);
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->text, L"另一个 Pimbrel 正在使用数据文件夹 " + data + L"。");
  EXPECT_TRUE(second.WaitEnd());
  ASSERT_TRUE(program->Exit());
  EXPECT_FALSE(fs::exists(data + L"\\pimbrel.lock"));
}

}  // namespace
}  // namespace e2e
