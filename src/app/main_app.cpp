#include "app/main_app.h"

#include <commctrl.h>

#include <string>

#include "app/data_folder.h"
#include "app/main_dlg.h"
#include "app/startup.h"
#include "backup/messages.h"
#include "backup/restore.h"
#include "base/file.h"
#include "base/gb18030.h"
#include "base/path.h"
#include "win/win_system.h"

namespace pim {

namespace {

// The text after the program's own path, which may be quoted.
std::wstring CommandTail(const wchar_t* line) {
  std::wstring_view rest = line ? line : L"";
  if (!rest.empty() && rest.front() == L'"') {
    const size_t close = rest.find(L'"', 1);
    rest.remove_prefix(close == std::wstring_view::npos ? rest.size() : close + 1);
  } else {
    const size_t blank = rest.find_first_of(L" \t");
    rest.remove_prefix(blank == std::wstring_view::npos ? rest.size() : blank);
  }
  while (!rest.empty() && (rest.front() == L' ' || rest.front() == L'\t')) rest.remove_prefix(1);
  return std::wstring(rest);
}

// The data folder of the setting, locked; false when the program must not go on.
bool OpenDataFolder(win::Win32Prompter& prompter) {
  const FolderRecovery recovery =
      RecoverDataFolderChange(win::ComputerName(), win::WorkingFolder(), prompter);
  SetDataFolder("");
  if (recovery != FolderRecovery::Nothing)
    prompter.ShowMessage(
        FolderRecoveryText(recovery), "Pimbrel", MsgButtons::Ok,
        recovery == FolderRecovery::Failed ? MsgIcon::Error : MsgIcon::Information);
  const std::string folder = LoadDataFolderSetting();
  if (!folder.empty() && !FolderExists(folder)) {
    // A drive not connected: its data waits there; this run may use the program folder's.
    const int choice = prompter.Choose(Gb("找不到数据文件夹 ") + folder +
                                           Gb("。\r\n\r\n可以这次使用程序文件夹中的数据，或者退出，"
                                              "接好这个文件夹所在的磁盘后再启动。"),
                                       "Pimbrel", {Gb("使用程序文件夹"), Gb("退出")});
    return choice == 0;
  }
  SetDataFolder(folder);
  if (LockDataFolder() == LockResult::InUse) {
    prompter.ShowMessage(Gb("另一个 Pimbrel 正在使用数据文件夹 ") + folder + Gb("。"), "Pimbrel",
                         MsgButtons::Ok, MsgIcon::Warning);
    return false;
  }
  return true;
}

}  // namespace

int CMainApp::Run(const wchar_t* commandLine) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_HOTKEY_CLASS};
  InitCommonControlsEx(&controls);

  const std::wstring folder = FolderArgument(CommandTail(commandLine));
  const bool startVisible = folder.empty();
  if (!startVisible) SetCurrentDirectoryW(folder.c_str());

  // The marker stays open until the bar's exit procedure releases it.
  RunMarker marker;
  win::Win32Prompter prompter;
  switch (marker.Claim()) {
    case MarkerResult::AlreadyRunning:
      prompter.ShowMessage(kAlreadyRunningText, kAlreadyRunningCaption, MsgButtons::Ok,
                           MsgIcon::None);
      return 0;
    case MarkerResult::NoSetFolder:
      prompter.ShowMessage(kNoSetFolderText, "Pimbrel", MsgButtons::Ok, MsgIcon::Error);
      return 1;
    case MarkerResult::Unwritable:
      prompter.ShowMessage(kMarkerUnwritableText, "Pimbrel", MsgButtons::Ok, MsgIcon::Error);
      return 1;
    case MarkerResult::Started:
      break;
  }
  // A change of data folder that died midway is finished or undone, then the folder it left
  // is the one read. The marker is held first, so a second copy never does this.
  if (!OpenDataFolder(prompter)) {
    marker.Release();
    return 1;
  }
  // A restore that died midway is finished or undone before anything reads the data.
  if (const Recovery recovery = RecoverRestore(); recovery != Recovery::Nothing) {
    const bool failed = recovery == Recovery::Failed;
    prompter.ShowMessage(RecoveryText(recovery), "Pimbrel", MsgButtons::Ok,
                         failed ? MsgIcon::Error : MsgIcon::Information);
    if (failed) {
      marker.Release();
      return 1;
    }
  }

  CMainDlg bar(startVisible, marker);
  bar.RunModalLoop(nullptr);
  return 0;
}

}  // namespace pim

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return pim::CMainApp().Run(GetCommandLineW());
}
