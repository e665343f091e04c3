// Drives the real Pimbrel.exe from outside, as a user would, under Wine in Xvfb.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "resource.h"  // the program's own control and command identifiers
// After windows.h, which they need.
#include <commctrl.h>
#include <shellapi.h>

namespace e2e {

namespace fs = std::filesystem;
constexpr int kWaitMs = 8000;  // every wait ends; Wine starts a program in about a second

// PIMBREL_E2E_EXE, _DATA (the installed data), _WORK, _SHOTS, _SETUP (the installer).
std::wstring Setting(const wchar_t* name);
// Starts a command line in `folder` (null: ours); its process handle, its id in `pid`.
HANDLE Launch(std::wstring line, const wchar_t* folder = nullptr, DWORD* pid = nullptr);
// Polls done() until it holds or `ms` pass, serving this thread's windows meanwhile.
bool WaitUntil(const std::function<bool()>& done, int ms = kWaitMs);
void Pause(int ms);

// The short figure in ./pimbrel.sh test, the long one under ./pimbrel.sh soak (PIMBREL_E2E_SOAK=1).
int Soak(int ci, int soak);

// A new program folder under the work folder: the installed data and Pimbrel.exe.
std::wstring FreshFolder(const std::wstring& name);
std::wstring TestSuiteName();
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string Gbk(const std::wstring& text);  // as the program's files hold it
size_t Count(const std::string& text, const std::string& needle);

std::vector<HWND> TopWindows(DWORD pid);  // its dialogs ("#32770"), message boxes too
// A visible one with exactly this caption, or null when none comes.
HWND WaitWindow(DWORD pid, const std::wstring& caption, int ms = kWaitMs);
HWND Control(HWND parent, int id);  // also inside a child dialog such as a sheet's page
std::wstring Text(HWND window);
void SetText(HWND window, const std::wstring& text);
RECT Rect(HWND window);
bool Visible(HWND window);
LRESULT Send(HWND window, UINT message, WPARAM wp = 0, LPARAM lp = 0);
void Post(HWND window, UINT message, WPARAM wp = 0, LPARAM lp = 0);
// A menu command, or a control's click (STN_CLICKED and BN_CLICKED are both 0). Sent, it
// returns once handled; a command that opens a modal window must be posted instead.
inline void SendCommand(HWND window, int id) { Send(window, WM_COMMAND, id); }
inline void PostCommand(HWND window, int id) { Post(window, WM_COMMAND, id); }
// Posts a command that opens a dialog; the dialog with this caption, once it shows.
HWND PostFor(HWND window, int id, const std::wstring& caption);
// Posts a command to a dialog that closes it, and waits until it is gone.
bool CloseBy(HWND dialog, int id);

// Waits for the message box with this caption, reads it and presses `button`.
struct MessageBoxSeen {
  HWND owner;
  std::wstring text;
};
std::optional<MessageBoxSeen> AnswerMessageBox(DWORD pid, const std::wstring& caption,
                                               int button = IDOK);
// The bar's last balloon (0) or tray tip (1), asked as the program answers the tests.
std::wstring LastTip(HWND bar, WPARAM which);
constexpr UINT kTrayMessage = WM_USER + 2;  // the tray icon's, with IDR_TRAYMENU as its id
inline void ClickBalloon(HWND bar) { Post(bar, kTrayMessage, IDR_TRAYMENU, NIN_BALLOONUSERCLICK); }
HWND WaitMenu();            // the popup menu, once one shows
bool CloseMenu(HWND menu);  // by Escape

bool HotkeyFree(UINT modifiers, UINT key);  // whether no one holds it
std::optional<std::wstring> RegString(HKEY root, const wchar_t* key, const wchar_t* name);

// The whole screen as <shots>\<name>.png: a picture for people (and the help), not a check.
void Screenshot(const std::string& name);
// The Unix path of an ASCII path on drive Z:, which Wine maps to "/".
std::string UnixPath(const std::wstring& path);
// Runs a Unix shell command line and waits for it; its exit code, or -1, and its output.
int RunUnix(const std::string& command, int ms = kWaitMs, std::string* out = nullptr);
// Real ones through xdotool, e.g. "ctrl+g", in `in` (its title in ASCII) or a window of ours.
bool PressKeys(const std::string& keys, HWND in = nullptr);
// Real clicks through xdotool, e.g. "click 3", at the middle of `r` in `window`'s client area.
bool ClickAt(HWND window, RECT r, const std::string& clicks);
// A real right click on a list view's item, which marks it for the menu's commands; the menu
// is then dismissed, so the caller can post the command as the menu would.
bool ItemMenu(HWND list, int item);
// The clipboard, as another program fills it; with `html`, as a browser does ("HTML Format").
bool Paste(const std::wstring& text, const std::string& html = "", HWND owner = nullptr);
std::wstring ClipboardText();                            // "<none>" when it holds no text
std::wstring ItemText(HWND list, int item, int column);  // a list view's cell
std::wstring TreeText(HWND tree, HTREEITEM item);
// A tree view's items as "text(child, child)"; `order`, if given, gets them top to bottom.
std::wstring TreeItems(HWND tree, HTREEITEM first, std::vector<HTREEITEM>* order = nullptr);

// A message whose lParam points into the window's process: `data` goes there and comes back;
// its pszText, if any, points to room after it, whose text comes back in `text`.
template <class T>
LRESULT SendRemote(HWND window, UINT message, WPARAM wp, T& data, std::wstring* text = nullptr) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  const HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  constexpr int kChars = 1024;
  auto* remote = static_cast<char*>(
      VirtualAllocEx(process, nullptr, sizeof(T) + kChars * 2, MEM_COMMIT, PAGE_READWRITE));
  if constexpr (requires { data.pszText; }) {
    data.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(T));
    data.cchTextMax = kChars;
  }
  WriteProcessMemory(process, remote, &data, sizeof(T), nullptr);
  const LRESULT result = Send(window, message, wp, reinterpret_cast<LPARAM>(remote));
  ReadProcessMemory(process, remote, &data, sizeof(T), nullptr);
  if (text) {
    std::wstring buffer(kChars, L'\0');
    ReadProcessMemory(process, remote + sizeof(T), buffer.data(), kChars * 2 - 2, nullptr);
    *text = buffer.c_str();
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return result;
}

// One run of the program; the test ends it by Exit, or it is killed when the test is over.
class Program {
 public:
  // Runs `commandLine` in `folder`; with no command line, folder\Pimbrel.exe alone.
  explicit Program(const std::wstring& folder, std::wstring commandLine = L"");
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  DWORD pid() const { return pid_; }
  HANDLE process() const { return process_; }
  bool Alive() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
  HWND Bar();                  // shown or not: the dialog with the notes button that no window owns
  std::vector<HWND> Panels();  // the five, once the bar has made them after showing itself
  std::vector<HWND> VisiblePanels();
  // By its bar button, once the five panels exist; null unless it alone shows then.
  HWND ShowPanel(int button);
  // A visible window it owns other than `other`, once one shows: the browser, About.
  HWND Owned(HWND owner, HWND other = nullptr);
  // Posts a command that opens a file dialog, chooses `path` there; the name it proposed.
  std::wstring ChooseFile(HWND window, int command, const std::wstring& path);
  // To the quick-launch panel's list, through the file dialog.
  bool AddProgram(HWND panel, const std::wstring& file);
  // The Unix pid of Wine's process for it, found by its folder in /proc/*/cmdline.
  std::string UnixPid();
  bool WaitEnd();
  bool Exit();  // ID_EXIT, then the end of the process
  // Text, Save on a notes or contacts panel (new first when asked); the number of the
  // record its success message names, or -1 when none came.
  int SaveRecord(HWND panel, const std::wstring& text, bool asNew = false);
  // Typed into the capture panel (a change it notes, as WM_SETTEXT is not), then stored by
  // the datum button, which goes on to a new card.
  void StoreCard(HWND panel, const std::wstring& text);

 private:
  std::wstring folder_;
  HWND bar_ = nullptr;
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  std::vector<HWND> panels_;
};

// A test with the program in a fresh folder named after it; Open starts it (again) and
// shows a panel by its bar button.
class ProgramTest : public ::testing::Test {
 protected:
  void Open(int button);
  std::string File(const std::wstring& path) { return ReadBytes(folder + L"\\" + path); }
  // The text of the panel's own message box with this caption, answered with `button`.
  std::wstring Answer(const std::wstring& caption, int button = IDOK);

  std::wstring folder = FreshFolder(TestSuiteName());
  std::optional<Program> program;
  HWND panel = nullptr;
};

}  // namespace e2e

inline bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
void PrintTo(const RECT& r, std::ostream* out);
