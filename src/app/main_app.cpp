#include "app/main_app.h"

#include <commctrl.h>

#include <string>

#include "app/main_dlg.h"
#include "app/startup.h"
#include "backup/messages.h"
#include "backup/restore.h"
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
  // A restore that died midway is finished or undone before anything reads the data. The
  // marker is held first, so a second copy can never do this under a running one.
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
