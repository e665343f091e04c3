// The Win32 implementations of the program's ways into the system.
#pragma once

#include <windows.h>

#include "base/prompter.h"
#include "platform/system.h"
#include "win/dialog.h"

namespace pim::win {

// Message boxes without an owner (as the program's messages are), pickers owned by `owner`.
class Win32Prompter final : public Prompter {
 public:
  explicit Win32Prompter(HWND owner = nullptr) : owner_(owner) {}
  MsgResult ShowMessage(const std::string& text, const std::string& caption, MsgButtons buttons,
                        MsgIcon icon) override;
  std::string PickFolder(const std::string& title) override;
  std::string PickFile(const FileChoice& choice) override;
  int Choose(const std::string& text, const std::string& caption,
             const std::vector<std::string>& buttons) override;

 private:
  HWND owner_;
};

// The working folder, which the data paths are relative to, as GBK.
std::string WorkingFolder();
// The folder of the records as a whole path: the data folder, or else the working folder.
std::string RecordsFolder();
// A wait cursor for as long as the work takes.
class BusyCursor {
 public:
  BusyCursor() : old_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
  ~BusyCursor() { SetCursor(old_); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  HCURSOR old_;
};

// This computer's name, which the journals of a data folder change carry.
std::string ComputerName();

// A message box owned by `owner`, for the few messages that have one.
MsgResult OwnedMessage(HWND owner, const std::string& text, const std::string& caption,
                       MsgButtons buttons, MsgIcon icon);

// Message boxes and pickers owned by one of our dialogs: a panel's own messages.
class DialogPrompter final : public Prompter {
 public:
  explicit DialogPrompter(const Dialog& owner) : owner_(owner) {}
  MsgResult ShowMessage(const std::string& text, const std::string& caption, MsgButtons buttons,
                        MsgIcon icon) override {
    return OwnedMessage(owner_.hwnd(), text, caption, buttons, icon);
  }
  std::string PickFolder(const std::string& title) override {
    return Win32Prompter(owner_.hwnd()).PickFolder(title);
  }
  std::string PickFile(const FileChoice& choice) override {
    return Win32Prompter(owner_.hwnd()).PickFile(choice);
  }
  int Choose(const std::string& text, const std::string& caption,
             const std::vector<std::string>& buttons) override {
    return Win32Prompter(owner_.hwnd()).Choose(text, caption, buttons);
  }

 private:
  const Dialog& owner_;
};

class Win32Hotkeys final : public HotkeyRegistrar {
 public:
  explicit Win32Hotkeys(HWND window) : window_(window) {}
  bool Register(int id, uint32_t modifiers, uint32_t virtualKey) override;
  void Unregister(int id) override;

 private:
  HWND window_;
};

class Win32Registry final : public Registry {
 public:
  RegistryResult WriteString(RegistryRoot root, const std::string& subkey, const std::string& name,
                             const std::string& text) override;
};

class Win32Shell final : public Shell {
 public:
  bool Open(const std::string& file, const std::string& parameters,
            const std::string& folder) override;
};

}  // namespace pim::win
