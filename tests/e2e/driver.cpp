#include "driver.h"

#include <dlgs.h>

#include <atomic>
#include <fstream>
#include <iterator>

namespace e2e {
namespace {
using namespace std::string_literals;

// Xvfb has no window manager, and Wine waits two seconds for one whenever a window it lets
// one manage is hidden. Our programs' windows therefore go unmanaged while the driver runs:
// Pimbrel.exe, the installer and the uninstaller under the names it runs by.
class UnmanagedWindows : public ::testing::Environment {
  void SetUp() override {
    for (const std::wstring& name :
         {fs::path(Setting(L"PIMBREL_E2E_SETUP")).filename().wstring(), L"Pimbrel.exe"s,
          L"uninstall.exe"s, L"Un_A.exe"s, L"Au_.exe"s}) {
      keys.push_back(L"Software\\Wine\\AppDefaults\\" + name);
      RegSetKeyValueW(HKEY_CURRENT_USER, (keys.back() + L"\\X11 Driver").c_str(), L"Managed",
                      REG_SZ, L"N", 4);
    }
  }
  void TearDown() override {
    for (const std::wstring& key : keys) RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  }
  std::vector<std::wstring> keys;
};
[[maybe_unused]] auto* const kUnmanaged = ::testing::AddGlobalTestEnvironment(new UnmanagedWindows);

// The last top-level dialog of the process that `match` accepts, once one is there.
HWND FindTop(DWORD pid, const std::function<bool(HWND)>& match, int ms = kWaitMs) {
  for (const ULONGLONG end = GetTickCount64() + ms;; Pause(20)) {
    const std::vector<HWND> windows = TopWindows(pid);
    for (auto w = windows.rbegin(); w != windows.rend(); ++w)
      if (match(*w)) return *w;
    if (GetTickCount64() > end) return nullptr;
  }
}
}  // namespace

HANDLE Launch(std::wstring line, const wchar_t* folder, DWORD* pid) {
  STARTUPINFOW start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION info{};
  CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &start, &info);
  if (info.hThread) CloseHandle(info.hThread);
  if (pid) *pid = info.dwProcessId;
  return info.hProcess;
}
std::wstring Setting(const wchar_t* name) {
  wchar_t value[4096] = L"";
  GetEnvironmentVariableW(name, value, 4096);
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
int Soak(int ci, int soak) { return Setting(L"PIMBREL_E2E_SOAK") == L"1" ? soak : ci; }
std::wstring TestSuiteName() {
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name();
  std::replace(name.begin(), name.end(), '/', '_');  // "Both/Records"
  return {name.begin(), name.end()};
}
std::wstring FreshFolder(const std::wstring& name) {
  const fs::path folder = fs::path(Setting(L"PIMBREL_E2E_WORK")) / name;
  fs::remove_all(folder);
  fs::copy(Setting(L"PIMBREL_E2E_DATA"), folder, fs::copy_options::recursive);
  fs::copy_file(Setting(L"PIMBREL_E2E_EXE"), folder / L"Pimbrel.exe");
  return folder.wstring();
}
std::wstring LastTip(HWND bar, WPARAM which) {
  static const UINT message = RegisterWindowMessageW(L"Pimbrel.LastTip");
  const ATOM atom = static_cast<ATOM>(Send(bar, message, which));  // 0 for none
  wchar_t text[256] = L"";
  if (atom && GlobalGetAtomNameW(atom, text, 256)) GlobalDeleteAtom(atom);
  return text;
}
std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(fs::path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
void WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream(fs::path(path), std::ios::binary | std::ios::trunc) << bytes;
}
std::string Gbk(const std::wstring& text) {
  std::string out(text.size() * 2, '\0');
  out.resize(WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                 static_cast<int>(out.size()), nullptr, nullptr));
  return out;
}
size_t Count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

std::vector<HWND> TopWindows(DWORD pid) {
  std::vector<HWND> found;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    DWORD owner = 0;
    wchar_t name[8] = L"";
    GetWindowThreadProcessId(w, &owner);
    if (owner == pid && GetClassNameW(w, name, 8) && !lstrcmpW(name, L"#32770")) found.push_back(w);
  }
  return found;
}
HWND WaitWindow(DWORD pid, const std::wstring& caption, int ms) {
  return FindTop(
      pid, [&](HWND w) { return Visible(w) && Text(w) == caption; }, ms);
}
HWND Control(HWND parent, int id) {
  HWND found = GetDlgItem(parent, id);
  for (HWND c = GetWindow(parent, GW_CHILD); c && !found; c = GetWindow(c, GW_HWNDNEXT))
    found = GetDlgItem(c, id);
  return found;
}
std::wstring Text(HWND window) {
  wchar_t text[1024] = L"";
  Send(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
  return text;
}
void SetText(HWND window, const std::wstring& text) {
  Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
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
void Post(HWND w, UINT message, WPARAM wp, LPARAM lp) { PostMessageW(w, message, wp, lp); }
HWND PostFor(HWND window, int id, const std::wstring& caption) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  PostCommand(window, id);
  return WaitWindow(pid, caption);
}
bool CloseBy(HWND dialog, int id) {
  if (dialog) PostCommand(dialog, id);
  return dialog && WaitUntil([&] { return !IsWindow(dialog); });
}

std::optional<MessageBoxSeen> AnswerMessageBox(DWORD pid, const std::wstring& caption, int button) {
  const HWND box = WaitWindow(pid, caption);
  if (!box) return std::nullopt;
  const MessageBoxSeen seen{GetWindow(box, GW_OWNER), Text(GetDlgItem(box, 0xFFFF))};
  return CloseBy(box, button) ? std::optional(seen) : std::nullopt;
}
HWND WaitMenu() {
  HWND menu = nullptr;
  WaitUntil([&] { return (menu = FindWindowW(L"#32768", nullptr)) && Visible(menu); });
  return menu;
}
bool CloseMenu(HWND menu) {
  Post(menu, WM_KEYDOWN, VK_ESCAPE);
  Post(menu, WM_KEYDOWN, VK_ESCAPE);  // a second one for a submenu's parent
  return WaitUntil([&] { return !Visible(menu); });
}
bool HotkeyFree(UINT modifiers, UINT key) {
  return RegisterHotKey(nullptr, 1, modifiers, key) && UnregisterHotKey(nullptr, 1);
}
std::optional<std::wstring> RegString(HKEY root, const wchar_t* key, const wchar_t* name) {
  wchar_t data[2048] = L"";
  DWORD size = sizeof data - sizeof(wchar_t);
  if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, data, &size)) return std::nullopt;
  return data;
}
void Screenshot(const std::string& name) {
  Pause(300);  // let the windows finish painting
  RunUnix("import -window root '" + UnixPath(Setting(L"PIMBREL_E2E_SHOTS")) + "/" + name + ".png'");
}
std::string UnixPath(const std::wstring& path) {  // Z:\work\... is /work/...
  std::string unix;
  for (wchar_t c : path.substr(2)) unix += c == L'\\' ? '/' : static_cast<char>(c);
  return unix;
}
int RunUnix(const std::string& command, int ms, std::string* out) {
  // Wine hands back no process handle for a Unix program: the shell's exit code in a file
  // says that it has ended.
  static std::atomic<int> runs = 0;
  const std::wstring done = Setting(L"PIMBREL_E2E_WORK") + L"\\unix-" + std::to_wstring(++runs);
  const std::string line = "Z:\\bin\\sh -c \"{ " + command + "; } >'" + UnixPath(done) +
                           ".out'; echo $? >'" + UnixPath(done) + "'\"";
  Launch(std::wstring(line.begin(), line.end()));
  int code = -1;
  WaitUntil([&] { return std::sscanf(ReadBytes(done).c_str(), "%d\n", &code) == 1; }, ms);
  if (out) *out = ReadBytes(done + L".out");
  return code;
}
bool PressKeys(const std::string& keys, HWND in) {
  // Wine takes X key events only in its own window with the X input focus, which xdotool gives
  // to a small window of ours; it stays up, as hiding it costs Wine's wait for a manager.
  static const HWND keysWindow =
      CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", L"e2e keys", WS_POPUP, 1016, 760,
                      8, 8, nullptr, nullptr, nullptr, nullptr);
  const HWND target = in ? in : keysWindow;
  ShowWindow(target, SW_SHOW);
  std::string name;
  for (wchar_t c : Text(target)) name += c < 0x80 && c != L'\'' ? static_cast<char>(c) : '.';
  const std::string focus = "/usr/bin/xdotool search --name '^" + name + "$' windowfocus";
  // The X focus too: a window just shown or closed may still have a focus event on its way,
  // which would take the foreground back. Settled means still in front a moment later.
  const auto settled = [&] {
    SetForegroundWindow(target);
    if (RunUnix(focus) != 0 || !WaitUntil([&] { return GetForegroundWindow() == target; }, 1500))
      return false;
    Pause(150);
    return GetForegroundWindow() == target;
  };
  if (!settled() && !settled() && !settled()) {
    std::printf("%s: '%s' not in front\n", keys.c_str(), name.c_str());
    return false;
  }
  // Apart from the search: chained after it, "key" would send synthetic events to that window.
  return RunUnix("/usr/bin/xdotool key " + keys) == 0;
}
bool ClickAt(HWND window, RECT r, const std::string& clicks) {
  POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(window, &at);
  return RunUnix("/usr/bin/xdotool mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) +
                 " " + clicks) == 0;
}
bool ItemMenu(HWND list, int item) {
  RECT place{LVIR_LABEL, 0, 0, 0};
  if (!SendRemote(list, LVM_GETITEMRECT, item, place) || !ClickAt(list, place, "click 3"))
    return false;
  const HWND menu = WaitMenu();
  return menu && CloseMenu(menu);
}
std::wstring ClipboardText() {
  if (!OpenClipboard(nullptr)) return L"<busy>";
  std::wstring text = L"<none>";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT))
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  CloseClipboard();
  return text;
}
bool Paste(const std::wstring& text, const std::string& html, HWND owner) {
  const auto block = [](const void* data, size_t bytes) {
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(memory), data, bytes);
    GlobalUnlock(memory);
    return memory;
  };
  bool put = OpenClipboard(owner) && EmptyClipboard() &&
             SetClipboardData(CF_UNICODETEXT, block(text.c_str(), (text.size() + 1) * 2));
  if (put && !html.empty())
    put = SetClipboardData(RegisterClipboardFormatW(L"HTML Format"),
                           block(html.c_str(), html.size() + 1));
  CloseClipboard();
  return put;
}
std::wstring ItemText(HWND list, int item, int column) {
  LVITEMW cell{};
  cell.iSubItem = column;
  std::wstring text;
  SendRemote(list, LVM_GETITEMTEXTW, item, cell, &text);
  return text;
}
std::wstring TreeText(HWND tree, HTREEITEM item) {
  TVITEMW data{};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  std::wstring text;
  SendRemote(tree, TVM_GETITEMW, 0, data, &text);
  return text;
}
std::wstring TreeItems(HWND tree, HTREEITEM first, std::vector<HTREEITEM>* order) {
  std::wstring out;
  for (HTREEITEM i = first; i; i = TreeView_GetNextSibling(tree, i)) {
    out += (out.empty() ? L"" : L", ") + TreeText(tree, i);
    if (order) order->push_back(i);
    if (HTREEITEM child = TreeView_GetChild(tree, i))
      out += L"(" + TreeItems(tree, child, order) + L")";
  }
  return out;
}

Program::Program(const std::wstring& folder, std::wstring commandLine) : folder_(folder) {
  if (commandLine.empty()) commandLine = L"\"" + folder + L"\\Pimbrel.exe\"";
  process_ = Launch(commandLine, folder.c_str(), &pid_);
}
Program::~Program() {
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);  // failed
  WaitForSingleObject(process_, kWaitMs);
  CloseHandle(process_);
}
HWND Program::Bar() {  // waits for it
  // The contacts and datum panels have a control 1004 too, and no caption; only the bar has
  // no owner. Which of them comes first in the window order varies with timing.
  if (!IsWindow(bar_))
    bar_ = FindTop(pid_, [](HWND w) {
      return !GetWindow(w, GW_OWNER) && Text(w).empty() && GetDlgItem(w, IDC_BTN_NOTE);
    });
  return bar_;
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
  std::vector<HWND> shown = Panels();
  std::erase_if(shown, [](HWND w) { return !Visible(w); });
  return shown;
}
HWND Program::ShowPanel(int button) {
  if (Panels().size() != 5) return nullptr;  // the bar makes them on its first timer tick
  SendCommand(Bar(), button);
  const std::vector<HWND> shown = VisiblePanels();
  return shown.size() == 1 ? shown[0] : nullptr;
}
HWND Program::Owned(HWND owner, HWND other) {
  return FindTop(
      pid_, [&](HWND w) { return GetWindow(w, GW_OWNER) == owner && Visible(w) && w != other; });
}
std::wstring Program::ChooseFile(HWND window, int command, const std::wstring& path) {
  PostCommand(window, command);
  HWND name = nullptr;
  const HWND dialog = FindTop(pid_, [&](HWND w) {
    return Visible(w) && w != window && (name = Control(w, cmb13) ?: Control(w, edt1));
  });
  if (!dialog) return L"<no file dialog>";
  const std::wstring proposed = Text(name);
  SetText(name, path);
  PostCommand(dialog, IDOK);
  return proposed;
}
bool Program::AddProgram(HWND panel, const std::wstring& file) {
  const HWND list = Control(panel, IDC_RUN_LIST);
  const LRESULT before = Send(list, LVM_GETITEMCOUNT);
  return ChooseFile(panel, ID_RUN_ADD, file) != L"<no file dialog>" &&
         WaitUntil([&] { return Send(list, LVM_GETITEMCOUNT) == before + 1; });
}
std::string Program::UnixPid() {
  // "[.]" and "[^a-z]" keep the pattern from matching the searching shell's own command line.
  const fs::path folder(folder_);
  std::string pids;
  RunUnix("for p in /proc/[0-9]*; do grep -qa '" + Gbk(folder.parent_path().filename()) + "[^a-z]" +
              Gbk(folder.filename()) +
              "[^a-z]Pimbrel[.]exe' $p/cmdline 2>/dev/null && echo ${p#/proc/}; done",
          kWaitMs, &pids);
  return pids.substr(0, pids.find('\n'));
}
bool Program::WaitEnd() {
  return WaitUntil([&] { return !process_ || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; });
}
bool Program::Exit() {
  const HWND bar = Bar();
  return bar && PostMessageW(bar, WM_COMMAND, ID_EXIT, 0) && WaitEnd();
}
int Program::SaveRecord(HWND panel, const std::wstring& text, bool asNew) {
  static_assert(IDC_NOTE_NEW == IDC_COMU_NEW && IDC_NOTE_TEXT == IDC_COMU_NAME &&
                IDC_NOTE_SAVE == IDC_COMU_SAVE);
  if (asNew) SendCommand(panel, IDC_NOTE_NEW);
  SetText(Control(panel, IDC_NOTE_TEXT), text);
  PostCommand(panel, IDC_NOTE_SAVE);
  HWND box = nullptr;  // none if killed meanwhile
  WaitUntil([&] { return !Alive() || (box = WaitWindow(pid_, L"notice", 0)); });
  const std::wstring said = box ? Text(GetDlgItem(box, 0xFFFF)) : L"";
  if (box) PostCommand(box, IDOK);
  WaitUntil([&] { return !Alive() || !IsWindow(box); });
  int n = -1, read = 0;  // "Message send to note\n.7.xml Sucesful!", all of it
  swscanf(said.c_str(), L"Message send to %*[^.].%d.xml Sucesful!%n", &n, &read);
  return read == static_cast<int>(said.size()) ? n : -1;
}

void Program::StoreCard(HWND panel, const std::wstring& text) {
  Send(Control(panel, IDC_DATUMDLG_TEXT), EM_REPLACESEL, TRUE,
       reinterpret_cast<LPARAM>(text.c_str()));
  SendCommand(Bar(), IDC_BTN_DATUM);
}

void ProgramTest::Open(int button) {
  program.emplace(folder);
  panel = program->ShowPanel(button);
  if (panel) return;
  std::wstring seen;  // what the program shows instead, so that a start that goes wrong says how
  for (HWND w : TopWindows(program->pid()))
    seen += L" [" + Text(w) + (Visible(w) ? L", shown]" : L", hidden]");
  FAIL() << "no panel for button " << button << "; bar " << program->Bar() << ", "
         << program->Panels().size() << " panels, windows:" << seen
         << (program->Alive() ? "" : " ended");
}
std::wstring ProgramTest::Answer(const std::wstring& caption, int button) {
  const auto box = AnswerMessageBox(program->pid(), caption, button);
  return box && box->owner == panel ? box->text : L"<no message box of the panel>";
}

}  // namespace e2e

void PrintTo(const RECT& r, std::ostream* out) {
  *out << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}
