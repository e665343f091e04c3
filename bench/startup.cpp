// pimbrel_startup FOLDER [STARTS]: under Wine, starts FOLDER\Pimbrel.exe and Wine's own
// notepad.exe in turn, STARTS times each (10 by default, after one start of each that is
// not counted), and prints the medians as "key value" lines for the bench table:
// the time from CreateProcess to the bar shown and answering (to notepad's main window), and to
// the bar's five panels made, and the working set after two idle seconds. Then, STARTS times, the
// capture key pressed in a window of its own: the time to the card file, less that window's copy.
// psapi.h needs the types of windows.h.
// clang-format off
#include <windows.h>
#include <psapi.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kTimeoutMs = 20000;
constexpr int kIdleMs = 2000;

struct Found {
  DWORD pid;
  std::function<bool(HWND)> wanted;
  std::vector<HWND> windows;
};

std::vector<HWND> TopWindows(DWORD pid, const std::function<bool(HWND)>& wanted) {
  Found found{pid, wanted, {}};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* f = reinterpret_cast<Found*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == f->pid && f->wanted(w)) f->windows.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found.windows;
}

bool Untitled(HWND w) { return GetWindowTextLengthW(w) == 0; }

// The bar: visible, caption-less, with the notes button, and answering.
HWND PimbrelBar(DWORD pid) {
  const auto bars = TopWindows(
      pid, [](HWND w) { return IsWindowVisible(w) && Untitled(w) && GetDlgItem(w, 1004); });
  return bars.empty() ? nullptr : bars.front();
}

bool PimbrelReady(DWORD pid) {
  const HWND bar = PimbrelBar(pid);
  DWORD_PTR answer = 0;
  return bar && SendMessageTimeoutW(bar, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &answer);
}

// And the five caption-less panels it owns, which it makes once it answers.
bool PimbrelWhole(DWORD pid) {
  const HWND bar = PimbrelBar(pid);
  return bar && TopWindows(pid, [bar](HWND w) {
                  return GetWindow(w, GW_OWNER) == bar && Untitled(w);
                }).size() == 5;
}

bool NotepadReady(DWORD pid) {
  return !TopWindows(pid, [](HWND w) {
            wchar_t name[32] = {};
            GetClassNameW(w, name, 32);
            return IsWindowVisible(w) && lstrcmpiW(name, L"Notepad") == 0;
          }).empty();
}

double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Start {
  double ms = -1;
  double wholeMs = -1;
  double workingSetKiB = -1;
};

Start Measure(const std::wstring& program, std::wstring commandLine, const std::wstring& folder,
              bool (*ready)(DWORD), bool (*whole)(DWORD)) {
  STARTUPINFOW info{};
  info.cb = sizeof info;
  PROCESS_INFORMATION process{};
  Start result;
  const double begin = Now();
  if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), commandLine.data(), nullptr,
                      nullptr, FALSE, 0, nullptr, folder.c_str(), &info, &process))
    return result;
  while (!ready(process.dwProcessId) && Now() - begin < kTimeoutMs) Sleep(1);
  if (Now() - begin < kTimeoutMs) {
    result.ms = Now() - begin;
    while (!whole(process.dwProcessId) && Now() - begin < kTimeoutMs) Sleep(1);
    if (Now() - begin < kTimeoutMs) result.wholeMs = Now() - begin;
    Sleep(kIdleMs);
    PROCESS_MEMORY_COUNTERS memory{};
    if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
      result.workingSetKiB = static_cast<double>(memory.WorkingSetSize) / 1024.0;
  }
  // Ended as a user would: a killed Pimbrel leaves its tray icon and topmost bar behind, and
  // whatever starts next under Wine then waited two seconds longer.
  for (HWND w : TopWindows(process.dwProcessId, [](HWND w) { return IsWindowVisible(w); })) {
    if (GetDlgItem(w, 1004))
      PostMessageW(w, WM_COMMAND, 135, 0);  // the bar's Exit
    else if (NotepadReady(process.dwProcessId))
      PostMessageW(w, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(process.hProcess, kTimeoutMs) != WAIT_OBJECT_0)
    TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, kTimeoutMs);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}

double Median(std::vector<double> v) {
  std::erase_if(v, [](double x) { return x < 0; });
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Xvfb has no window manager, and Wine waits two seconds for one whenever a window it lets one
// manage is hidden; Pimbrel hides its panels, so it runs unmanaged, as in the e2e tests.
// Notepad hides nothing and is left as it is (unmanaged, its first window came 2 s late).
void Unmanaged(bool on) {
  constexpr wchar_t kKey[] = L"Software\\Wine\\AppDefaults\\Pimbrel.exe\\X11 Driver";
  if (on)
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Managed", REG_SZ, L"N", 4);
  else
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"Managed");
}

// A window that copies as a browser does when Ctrl+C reaches it, and times its copy.
double copyMs = 0;

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_KEYDOWN && wp == 'C' && (GetKeyState(VK_CONTROL) & 0x8000) &&
      !(GetKeyState(VK_MENU) & 0x8000)) {
    const double begin = Now();
    static const wchar_t kText[] = L"captured text";
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof kText);
    memcpy(GlobalLock(block), kText, sizeof kText);
    GlobalUnlock(block);
    if (OpenClipboard(window)) {
      EmptyClipboard();
      SetClipboardData(CF_UNICODETEXT, block);
      CloseClipboard();
    }
    copyMs = Now() - begin;
  }
  return DefWindowProcW(window, message, wp, lp);
}

void Serve() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

int CountCards(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileW((folder + L"\\datum\\未分类\\*.datum.*.xml").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int count = 1;
  while (FindNextFileW(find, &found)) ++count;
  FindClose(find);
  return count;
}

INPUT Key(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

std::vector<double> MeasureCaptures(const std::wstring& pimbrel, const std::wstring& folder,
                                    int times) {
  std::vector<double> ms;
  STARTUPINFOW info{};
  info.cb = sizeof info;
  PROCESS_INFORMATION process{};
  std::wstring line = L"\"" + pimbrel + L"\"";
  if (!CreateProcessW(pimbrel.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &info, &process))
    return ms;
  const double begin = Now();
  // The capture key comes once the panels are made.
  while (!PimbrelWhole(process.dwProcessId) && Now() - begin < kTimeoutMs) Sleep(1);
  Sleep(500);
  WNDCLASSW type{};
  type.lpfnWndProc = PageProc;
  type.lpszClassName = L"bench page";
  RegisterClassW(&type);
  const HWND page = CreateWindowExW(0, type.lpszClassName, L"bench page", WS_POPUP | WS_BORDER, 500,
                                    400, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ShowWindow(page, SW_SHOW);
  SetForegroundWindow(page);
  for (const double shown = Now(); GetForegroundWindow() != page && Now() - shown < 2000; Sleep(1))
    Serve();
  for (int i = 0; i < times; ++i) {
    const int before = CountCards(folder);
    copyMs = 0;
    INPUT keys[] = {Key(VK_CONTROL, false), Key(VK_MENU, false), Key('C', false),
                    Key('C', true),         Key(VK_MENU, true),  Key(VK_CONTROL, true)};
    const double pressed = Now();
    SendInput(6, keys, sizeof(INPUT));
    while (CountCards(folder) == before && Now() - pressed < 5000) {
      Serve();
      Sleep(1);
    }
    const double took = Now() - pressed - copyMs;
    ms.push_back(CountCards(folder) > before ? took : -1);
    std::fprintf(stderr, "capture %d: %.1f ms (the copy %.1f ms)\n", i, ms.back(), copyMs);
    Sleep(200);
  }
  DestroyWindow(page);
  for (HWND w :
       TopWindows(process.dwProcessId, [](HWND w) { return GetDlgItem(w, 1004) != nullptr; }))
    if (!GetWindow(w, GW_OWNER)) PostMessageW(w, WM_COMMAND, 135, 0);  // the bar's Exit
  if (WaitForSingleObject(process.hProcess, kTimeoutMs) != WAIT_OBJECT_0)
    TerminateProcess(process.hProcess, 0);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ms;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: pimbrel_startup FOLDER [STARTS]\n");
    return 2;
  }
  const std::wstring folder = argv[1];
  const int starts = argc > 2 ? std::max(1, _wtoi(argv[2])) : 10;
  const std::wstring pimbrel = folder + L"\\Pimbrel.exe";
  Unmanaged(true);
  std::vector<double> ours, oursWhole, theirs, oursWs, theirsWs;
  for (int i = 0; i <= starts; ++i) {  // start 0 warms both up and is not counted
    // Each goes first in every other round, so neither always follows the other's end.
    Start a, b;
    if (i % 2) b = Measure(L"", L"notepad.exe", folder, NotepadReady, NotepadReady);
    a = Measure(pimbrel, L"\"" + pimbrel + L"\"", folder, PimbrelReady, PimbrelWhole);
    if (i % 2 == 0) b = Measure(L"", L"notepad.exe", folder, NotepadReady, NotepadReady);
    std::fprintf(stderr,
                 "start %d: Pimbrel %.1f ms (panels %.1f ms) %.0f KiB, notepad %.1f ms %.0f KiB\n",
                 i, a.ms, a.wholeMs, a.workingSetKiB, b.ms, b.workingSetKiB);
    if (i == 0) continue;
    ours.push_back(a.ms);
    oursWhole.push_back(a.wholeMs);
    theirs.push_back(b.ms);
    oursWs.push_back(a.workingSetKiB);
    theirsWs.push_back(b.workingSetKiB);
  }
  const std::vector<double> captures = MeasureCaptures(pimbrel, folder, starts);
  Unmanaged(false);
  std::printf("capture_ms %.1f\npimbrel_panels_ms %.1f\n", Median(captures), Median(oursWhole));
  std::printf("pimbrel_start_ms %.1f\nnotepad_start_ms %.1f\n", Median(ours), Median(theirs));
  std::printf("pimbrel_ws_kib %.0f\nnotepad_ws_kib %.0f\nstarts %d\n", Median(oursWs),
              Median(theirsWs), starts);
  return 0;
}
