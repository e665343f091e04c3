#include "app/selection_copy.h"

#include <array>
#include <iterator>
#include <string_view>
#include <vector>

#include "datum/card_capture.h"
#include "win/clipboard.h"
#include "win/text.h"

namespace pim {
namespace {

constexpr DWORD kCopyWaitMs = 500;
constexpr DWORD kKeysUpWaitMs = 1000;
constexpr std::array<WORD, 5> kModifiers = {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN};

std::string WindowTitle(HWND window) {
  std::wstring title(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  title.resize(
      static_cast<size_t>(GetWindowTextW(window, title.data(), static_cast<int>(title.size()))));
  return win::Narrow(title);
}

// The file name of the program that owns `window`, as "WINWORD.EXE".
std::string ProgramName(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (!process) return {};
  std::array<wchar_t, 1024> path{};
  auto size = static_cast<DWORD>(path.size());
  const bool named = QueryFullProcessImageNameW(process, 0, path.data(), &size) != FALSE;
  CloseHandle(process);
  if (!named) return {};
  const std::wstring_view full(path.data(), size);
  const size_t slash = full.find_last_of(L"\\/");
  return win::Narrow(slash == std::wstring_view::npos ? full : full.substr(slash + 1));
}

// Waits, answering what other threads send us meanwhile: a clipboard owner asks its old
// owner's window before the copy can go on.
void WaitAMoment(DWORD ms) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_SENDMESSAGE);
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

bool IsDown(WORD key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

INPUT Key(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// The copy key must not arrive as Ctrl+Alt+C: waits for the capture key's modifiers to come
// up, and lets go of those still held after a second.
void LetModifiersGo() {
  const DWORD start = GetTickCount();
  const auto anyDown = [] {
    for (WORD key : kModifiers)
      if (IsDown(key)) return true;
    return false;
  };
  while (anyDown() && GetTickCount() - start < kKeysUpWaitMs) WaitAMoment(10);
  std::vector<INPUT> ups;
  for (WORD key : kModifiers)
    if (IsDown(key)) ups.push_back(Key(key, true));
  if (!ups.empty()) SendInput(static_cast<UINT>(ups.size()), ups.data(), sizeof(INPUT));
}

void PressCopyKey() {
  std::array<INPUT, 4> keys = {Key(VK_CONTROL, false), Key('C', false), Key('C', true),
                               Key(VK_CONTROL, true)};
  SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

}  // namespace

CopiedSelection CopySelection(HWND owner) {
  CopiedSelection copied;
  HWND front = GetForegroundWindow();
  const std::string title = front ? WindowTitle(front) : std::string();
  const std::string program = front ? ProgramName(front) : std::string();
  win::SavedClipboard saved;
  saved.Save(owner);
  const DWORD before = GetClipboardSequenceNumber();
  if (front && GetWindowThreadProcessId(front, nullptr) == GetCurrentThreadId()) {
    // A window of ours: the key would wait for this very thread, so the copy is made here.
    if (HWND focus = GetFocus()) SendMessageW(focus, WM_COPY, 0, 0);
  } else {
    LetModifiersGo();
    PressCopyKey();
  }
  const DWORD start = GetTickCount();
  while (GetClipboardSequenceNumber() == before && GetTickCount() - start < kCopyWaitMs)
    WaitAMoment(5);
  if (GetClipboardSequenceNumber() == before) return copied;  // nothing copied, nothing to undo
  copied.text = win::ClipboardText(owner).value_or(std::wstring());
  const std::optional<std::string> address = HtmlSourceUrl(win::ClipboardHtml(owner));
  saved.Restore(owner);
  copied.source = address ? *address : WindowSource(title, program);
  return copied;
}

}  // namespace pim
