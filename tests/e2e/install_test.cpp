// The package as a user meets it: the installer (with its pages and silent), the help file
// opened from the main menu, an upgrade over a user's note, both ways of uninstalling.
#include "driver.h"
// After windows.h, which they need.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace e2e {
namespace {

const std::wstring kVersion = L"" PIMBREL_VERSION;
const std::wstring kProduct = L"Pimbrel个人电脑管家";
constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pimbrel";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The installer; the help file and its staged pages lie beside it.
fs::path SetupExe() { return Setting(L"PIMBREL_E2E_SETUP"); }

// Runs a program and waits for its end; its exit code, or -1.
int RunAndWait(const std::wstring& line) {
  const HANDLE process = Launch(line);
  DWORD code = static_cast<DWORD>(-1);
  WaitUntil([&] { return WaitForSingleObject(process, 0) != WAIT_TIMEOUT; }, 60000);
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return static_cast<int>(code);
}

// A visible top-level dialog whose caption begins so (pages add theirs) and whose page (or message
// text) has control `id`.
HWND WaitDialog(const std::wstring& caption, int id) {
  HWND found = nullptr;
  const auto seen = [&] {
    for (HWND w = FindWindowW(L"#32770", nullptr); w && !found;
         w = FindWindowExW(nullptr, w, L"#32770", nullptr))
      if (Visible(w) && Text(w).starts_with(caption) && Visible(Control(w, id))) found = w;
    return found != nullptr;
  };
  WaitUntil(seen, 20000);
  return found;
}

fs::path Shortcut() {
  wchar_t programs[MAX_PATH] = L"";
  SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, 0, programs);
  return fs::path(programs) / (kProduct + L".lnk");
}
// Target and working folder of a shortcut, "target|folder".
std::wstring ShortcutLine(const fs::path& link) {
  std::wstring line = L"<no shortcut>";
  IShellLinkW* shell = nullptr;
  IPersistFile* file = nullptr;
  CoInitialize(nullptr);
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&shell))) &&
      SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(link.c_str(), STGM_READ))) {
    wchar_t target[MAX_PATH] = L"", folder[MAX_PATH] = L"";
    shell->GetPath(target, MAX_PATH, nullptr, 0);
    shell->GetWorkingDirectory(folder, MAX_PATH);
    line = std::wstring(target) + L"|" + folder;
  }
  if (file) file->Release();
  if (shell) shell->Release();
  CoUninitialize();
  return line;
}

void OpenHelp(Program& program) {
  int pages = 0;
  for (const auto& page : fs::directory_iterator(SetupExe().parent_path() / L"help"))
    pages += page.path().extension() == L".htm";
  EXPECT_GT(pages, 10);
  PostCommand(program.Bar(), ID_HELP);
  HWND viewer = nullptr, tree = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (viewer = FindWindowW(L"HH Parent", nullptr)) != nullptr; }));
  const WNDENUMPROC findTree = [](HWND w, LPARAM found) {
    wchar_t name[32] = L"";
    if (GetClassNameW(w, name, 32) && !lstrcmpW(name, WC_TREEVIEWW))
      *reinterpret_cast<HWND*>(found) = w;
    return TRUE;
  };
  EXPECT_TRUE(WaitUntil([&] {
    EnumChildWindows(viewer, findTree, reinterpret_cast<LPARAM>(&tree));
    return Send(tree, TVM_GETCOUNT) == pages;
  })) << Send(tree, TVM_GETCOUNT)
      << " of " << pages;
  Screenshot("help_viewer");
  Post(viewer, WM_CLOSE);
  EXPECT_TRUE(WaitUntil([] { return !FindWindowW(L"HH Parent", nullptr); }));
}

class Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(SetupExe())) << "no installer; PIMBREL_E2E_SETUP is the package's";
    RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
    fs::remove_all(folder);
  }
  std::wstring Installed(const wchar_t* name) {
    return RegString(HKEY_CURRENT_USER, kUninstallKey, name).value_or(L"<none>");
  }
  bool WaitGone(const std::vector<fs::path>& files) {
    return WaitUntil(
        [&] { return std::ranges::none_of(files, [](auto& f) { return fs::exists(f); }); }, 30000);
  }

  const fs::path folder = fs::path(Setting(L"PIMBREL_E2E_WORK")) / L"installed";
};

TEST_F(Installer, InstallsUpgradesKeepingTheNotesAndUninstallsRemovingDataOnlyWhenAsked) {
  const HANDLE setup = Launch(L"\"" + SetupExe().wstring() + L"\" /D=" + folder.wstring());
  const std::wstring caption = kProduct + L" " + kVersion + L" 安装";
  constexpr int kNext = 1, kFolderEdit = 1019, kRunBox = 1203;
  HWND window = nullptr;
  for (const auto& [page, shot] : {std::pair{kNext, "installer_welcome"},
                                   {kFolderEdit, "installer_folder"},
                                   {kRunBox, "installer_finish"}}) {
    ASSERT_TRUE(window = WaitDialog(caption, page)) << shot;
    Screenshot(shot);
    if (page == kFolderEdit) {
      EXPECT_EQ(Text(Control(window, page)), folder.wstring());
    }
    if (page == kRunBox) Send(Control(window, page), BM_SETCHECK, BST_UNCHECKED);
    PostCommand(window, kNext);
  }
  EXPECT_TRUE(WaitUntil([&] { return WaitForSingleObject(setup, 0) == WAIT_OBJECT_0; }));
  CloseHandle(setup);
  const fs::path data = Setting(L"PIMBREL_E2E_DATA"), exe = folder / L"Pimbrel.exe";
  EXPECT_EQ(ReadBytes(folder / L"set\\sets.conf"), ReadBytes(data / L"set\\sets.conf"));
  EXPECT_TRUE(fs::is_directory(folder / L"note") && fs::is_directory(folder / L"communication"));
  EXPECT_EQ(
      Installed(L"DisplayVersion") + L"|" + Installed(L"InstallLocation") + L"|" +
          Installed(L"QuietUninstallString"),
      kVersion + L"|" + folder.wstring() + L"|\"" + folder.wstring() + L"\\uninstall.exe\" /S");
  // The shortcut starts the program in its own folder, where it finds its data.
  EXPECT_EQ(ShortcutLine(Shortcut()), exe.wstring() + L"|" + folder.wstring());

  {  // The help command opens the installed pimbrel.chm in the system's help viewer, whose
     // contents list every page of the help sources; then the user writes a note.
    Program program(folder.wstring());
    ASSERT_EQ(program.Panels().size(), 5u);
    ASSERT_NO_FATAL_FAILURE(OpenHelp(program));
    ASSERT_EQ(program.SaveRecord(program.ShowPanel(IDC_BTN_NOTE), L"升级后还在", true), 0);
    ASSERT_TRUE(program.Exit());
  }
  const std::string note = ReadBytes(folder / L"note\\n.0.xml"),
                    conf = ReadBytes(folder / L"set\\sets.conf");
  ASSERT_NE(conf, ReadBytes(data / L"set\\sets.conf"));  // maxid moved on
  WriteBytes(folder / L"pimbrel.chm", "damaged");

  // The upgrade finds the folder by itself, replaces the program files and keeps the data.
  const std::wstring silent = L"\"" + SetupExe().wstring() + L"\" /S";
  ASSERT_EQ(RunAndWait(silent), 0);
  const auto kept = [&] {
    return ReadBytes(folder / L"note\\n.0.xml") == note &&
           ReadBytes(folder / L"set\\sets.conf") == conf;
  };
  EXPECT_TRUE(kept());
  EXPECT_EQ(ReadBytes(folder / L"pimbrel.chm"),
            ReadBytes(SetupExe().parent_path() / L"pimbrel.chm"));

  // The log-on entry of this copy goes with it; a silent uninstall keeps the user's data.
  const std::wstring logon = exe.wstring() + L" " + folder.wstring();
  RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, L"KWIX.Pimbrel.Run", REG_SZ, logon.c_str(),
                  static_cast<DWORD>((logon.size() + 1) * sizeof(wchar_t)));
  CloseHandle(Launch(L"\"" + (folder / L"uninstall.exe").wstring() + L"\" /S"));
  ASSERT_TRUE(WaitGone({exe, folder / L"pimbrel.chm", folder / L"uninstall.exe", Shortcut()}));
  EXPECT_TRUE(WaitUntil([&] { return Installed(L"DisplayName") == L"<none>"; }));
  EXPECT_FALSE(RegString(HKEY_CURRENT_USER, kRunKey, L"KWIX.Pimbrel.Run"));
  EXPECT_TRUE(kept());

  // Installed again silently, then uninstalled with its pages; the question about the data is
  // answered yes.
  ASSERT_EQ(RunAndWait(silent + L" /D=" + folder.wstring()), 0);
  CloseHandle(Launch(L"\"" + (folder / L"uninstall.exe").wstring() + L"\""));
  const std::wstring uncaption = kProduct + L" " + kVersion + L" 卸载";
  ASSERT_TRUE(window = WaitDialog(uncaption, kNext));
  Screenshot("installer_uninstall");
  PostCommand(window, kNext);
  const HWND question = WaitDialog(uncaption, 0xFFFF);  // the message box's text
  ASSERT_TRUE(question);
  EXPECT_EQ(Text(GetDlgItem(question, 0xFFFF)).substr(0, 10), L"要同时删除您的数据吗");
  Screenshot("installer_keep_data");
  PostCommand(question, IDYES);
  ASSERT_TRUE(WaitGone({folder / L"set", folder / L"note", exe}));
  window = WaitDialog(uncaption, kNext);  // 关闭, once the work is done
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(Control(window, kNext)) != FALSE; }));
  EXPECT_TRUE(CloseBy(window, kNext));
  EXPECT_TRUE(WaitGone({folder}));
}

}  // namespace
}  // namespace e2e
