#include "driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace e2e {
namespace {

// Xvfb has no window manager, and Wine waits two seconds for one whenever a window it lets
// one manage is hidden. Pimbrel.exe's windows therefore go unmanaged while the driver runs.
class UnmanagedWindows : public ::testing::Environment {
  static constexpr wchar_t kKey[] = L"Software\\Wine\\AppDefaults\\Pimbrel.exe\\X11 Driver";
  void SetUp() override { RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Managed", REG_SZ, L"N", 4); }
  void TearDown() override { RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"Managed"); }
};
[[maybe_unused]] auto* const kUnmanaged = ::testing::AddGlobalTestEnvironment(new UnmanagedWindows);

// The Unix name of a Windows path, from Wine's own export.
std::string UnixPath(const std::wstring& path) {
  using ToUnix = char* (*)(const wchar_t*);
  auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  char* name = toUnix ? toUnix(path.c_str()) : nullptr;
  const std::string unix = name ? name : "";
  HeapFree(GetProcessHeap(), 0, name);
  return unix;
}

PROCESS_INFORMATION Start(const wchar_t* program, std::wstring line, const wchar_t* folder) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  CreateProcessW(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                 &info);
  if (info.hThread) CloseHandle(info.hThread);
  return info;
}

}  // namespace

std::wstring Setting(const wchar_t* name) {
  wchar_t value[4096] = L"";
  GetEnvironmentVariableW(name, value, static_cast<DWORD>(std::size(value)));
  return value;
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
  for (const ULONGLONG end = GetTickCount64() + ms; !done(); Pause(20))
    if (GetTickCount64() > end) return false;
  return true;
}

void Pause(int ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  do {  // Wine handles the X events of our own window only while we serve it
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  } while (GetTickCount64() < end);
}

std::wstring FreshFolder(const std::wstring& name) {
  const fs::path folder = fs::path(Setting(L"PIMBREL_E2E_WORK")) / name;
  fs::remove_all(folder);
  fs::copy(Setting(L"PIMBREL_E2E_DATA"), folder, fs::copy_options::recursive);
  fs::copy_file(Setting(L"PIMBREL_E2E_EXE"), folder / L"Pimbrel.exe");
  return folder.wstring();
}

std::string ReadBytes(const std::wstring& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(fs::path(path), std::ios::binary).rdbuf();
  return bytes.str();
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream(fs::path(path), std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<HWND> TopWindows(DWORD pid) {
  std::vector<HWND> found;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    DWORD owner = 0;
    wchar_t name[64] = L"";
    GetWindowThreadProcessId(w, &owner);
    GetClassNameW(w, name, 64);
    if (owner == pid && lstrcmpW(name, L"#32770") == 0) found.push_back(w);
  }
  return found;
}

HWND WaitWindow(DWORD pid, const std::wstring& caption, int ms) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND w : TopWindows(pid))
          if (Visible(w) && Text(w) == caption) found = w;
        return found != nullptr;
      },
      ms);
  return found;
}

HWND Control(HWND parent, int id) {
  HWND found = GetDlgItem(parent, id);
  for (HWND child = GetWindow(parent, GW_CHILD); child && !found;
       child = GetWindow(child, GW_HWNDNEXT))
    found = GetDlgItem(child, id);
  return found;
}

std::wstring Text(HWND window) {
  wchar_t text[1024] = L"";
  Send(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
  return text;
}

RECT Rect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

bool Visible(HWND window) { return IsWindowVisible(window) != FALSE; }

LRESULT Send(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wp, lp, SMTO_ABORTIFHUNG, kWaitMs, &result);
  return static_cast<LRESULT>(result);
}

void Post(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  PostMessageW(window, message, wp, lp);
}

std::optional<MessageBoxSeen> AnswerMessageBox(DWORD pid, const std::wstring& caption, int button) {
  const HWND box = WaitWindow(pid, caption);
  if (!box) return std::nullopt;
  // A message box keeps its text in the static control 0xFFFF.
  MessageBoxSeen seen{GetWindow(box, GW_OWNER), Text(GetDlgItem(box, 0xFFFF))};
  PostCommand(box, button);
  if (!WaitUntil([&] { return !IsWindow(box); })) return std::nullopt;
  return seen;
}

bool HotkeyFree(UINT modifiers, UINT key) {
  return RegisterHotKey(nullptr, 1, modifiers, key) && UnregisterHotKey(nullptr, 1);
}

std::optional<std::wstring> RegString(HKEY root, const wchar_t* key, const wchar_t* name) {
  wchar_t data[2048] = L"";
  DWORD size = sizeof data - sizeof(wchar_t);
  if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(data);
}

void Screenshot(const std::string& name) {
  Pause(300);  // let the windows finish painting
  const fs::path file = fs::path(Setting(L"PIMBREL_E2E_SHOTS")) / (name + ".png");
  RunUnix("import -window root '" + UnixPath(file.wstring()) + "'");
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return colour;
}

int RunUnix(const std::string& command, int ms) {
  // Wine runs a Unix program from CreateProcess but hands back no process handle, so the
  // shell leaves its exit code in a file, which also says that it has ended.
  static int runs = 0;
  const std::wstring done =
      Setting(L"PIMBREL_E2E_WORK") + L"\\unix-" + std::to_wstring(++runs) + L".rc";
  const std::string line = "/bin/sh -c \"" + command + "; echo $? >'" + UnixPath(done) + "'\"";
  Start(L"Z:\\bin\\sh", std::wstring(line.begin(), line.end()), nullptr);
  int code = -1;
  WaitUntil([&] { return std::sscanf(ReadBytes(done).c_str(), "%d\n", &code) == 1; }, ms);
  return code;
}

bool PressKeys(const std::string& keys) {
  // Wine takes X key events only in a window of its own that has the X input focus, and
  // with no window manager nobody moves that focus: xdotool gives it to a small window of
  // ours, which stays up, as hiding it would cost Wine's wait for a window manager.
  static const HWND target =
      CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", L"e2e keys", WS_POPUP, 1016, 760,
                      8, 8, nullptr, nullptr, nullptr, nullptr);
  ShowWindow(target, SW_SHOW);
  SetForegroundWindow(target);
  if (!WaitUntil([] { return GetForegroundWindow() == target; })) return false;
  // Two calls: chained after a search, "key" would send synthetic events to that window.
  return RunUnix(
             "/usr/bin/xdotool search --name '^e2e keys$' windowfocus && /usr/bin/xdotool key " +
             keys) == 0;
}

Program::Program(const std::wstring& folder, std::wstring commandLine) {
  if (commandLine.empty()) commandLine = L"\"" + folder + L"\\Pimbrel.exe\"";
  const PROCESS_INFORMATION info = Start(nullptr, commandLine, folder.c_str());
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
}

Program::~Program() {
  if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {  // the test has failed
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, kWaitMs);
  }
  if (process_) CloseHandle(process_);
}

HWND Program::Bar() {
  HWND bar = nullptr;
  WaitUntil([&] {
    for (HWND w : TopWindows(pid_))
      if (Text(w).empty() && GetDlgItem(w, 1004)) bar = w;
    return bar != nullptr;
  });
  return bar;
}

std::vector<HWND> Program::Panels() {
  if (panels_.size() == 5) return panels_;  // they live as long as the program
  const HWND bar = Bar();
  WaitUntil([&] {
    panels_.clear();
    for (HWND w : TopWindows(pid_))
      if (GetWindow(w, GW_OWNER) == bar && Text(w).empty()) panels_.push_back(w);
    return panels_.size() == 5;
  });
  return panels_;
}

std::vector<HWND> Program::VisiblePanels() {
  std::vector<HWND> shown;
  for (HWND w : Panels())
    if (Visible(w)) shown.push_back(w);
  return shown;
}

bool Program::WaitEnd() {
  return WaitUntil([&] { return !process_ || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; });
}

bool Program::Exit() {
  const HWND bar = Bar();
  if (bar) PostCommand(bar, 135);
  return bar && WaitEnd();
}

}  // namespace e2e

void PrintTo(const RECT& r, std::ostream* out) {
  *out << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}
