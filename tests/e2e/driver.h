// Drives the real Pimbrel.exe from outside, as a user would: finds its windows, clicks,
// reads texts and files, presses keys through xdotool, takes screenshots.
#pragma once

#include <windows.h>

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

constexpr int kWaitMs = 8000;  // every wait ends; Wine starts a program in about a second

// The runner's folders and files: PIMBREL_E2E_EXE, _DATA (the installed data), _WORK, _SHOTS.
std::wstring Setting(const wchar_t* name);
// Polls done() until it holds or `ms` pass, serving this thread's windows meanwhile.
bool WaitUntil(const std::function<bool()>& done, int ms = kWaitMs);
void Pause(int ms);

// A new program folder under the work folder: the installed data and Pimbrel.exe.
std::wstring FreshFolder(const std::wstring& name);
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);

// Top-level dialogs of a process (class "#32770", as message boxes are too).
std::vector<HWND> TopWindows(DWORD pid);
// A visible one with exactly this caption, or null when none comes.
HWND WaitWindow(DWORD pid, const std::wstring& caption, int ms = kWaitMs);
// A control by id, also inside a child dialog such as a property sheet's page.
HWND Control(HWND parent, int id);
std::wstring Text(HWND window);
RECT Rect(HWND window);
bool Visible(HWND window);
LRESULT Send(HWND window, UINT message, WPARAM wp = 0, LPARAM lp = 0);
void Post(HWND window, UINT message, WPARAM wp = 0, LPARAM lp = 0);
// A menu command, or a control's click (STN_CLICKED and BN_CLICKED are both 0). Sent, it
// returns once handled; a command that opens a modal window must be posted instead.
inline void SendCommand(HWND window, int id) { Send(window, WM_COMMAND, id); }
inline void PostCommand(HWND window, int id) { Post(window, WM_COMMAND, id); }

// Waits for the message box with this caption, reads it and presses `button`.
struct MessageBoxSeen {
  HWND owner;
  std::wstring text;
};
std::optional<MessageBoxSeen> AnswerMessageBox(DWORD pid, const std::wstring& caption,
                                               int button = IDOK);

bool HotkeyFree(UINT modifiers, UINT key);  // whether no one holds it
std::optional<std::wstring> RegString(HKEY root, const wchar_t* key, const wchar_t* name);

// The whole screen as <shots>\<name>.png, taken by ImageMagick from the X server.
void Screenshot(const std::string& name);
COLORREF ScreenPixel(int x, int y);
// Runs a Unix shell command line and waits for it; its exit code, or -1.
int RunUnix(const std::string& command, int ms = kWaitMs);
// Real key presses through xdotool, e.g. "ctrl+g".
bool PressKeys(const std::string& keys);

// One run of the program; the test ends it by Exit, or it is killed when the test is over.
class Program {
 public:
  // Runs `commandLine` in `folder`; with no command line, folder\Pimbrel.exe alone.
  explicit Program(const std::wstring& folder, std::wstring commandLine = L"");
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  DWORD pid() const { return pid_; }
  // The bar, shown or not: the caption-less dialog with the notes button.
  HWND Bar();
  // The five panels, once the bar's start-up timer has made them.
  std::vector<HWND> Panels();
  std::vector<HWND> VisiblePanels();
  bool WaitEnd();
  bool Exit();  // command 135, then the end of the process

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  std::vector<HWND> panels_;
};

}  // namespace e2e

inline bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
void PrintTo(const RECT& r, std::ostream* out);
