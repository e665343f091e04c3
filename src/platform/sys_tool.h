// Small system helpers shared by the bar, the settings model and the quick-launch lists.
#pragma once

#include <cstdint>
#include <string>

#include "base/prompter.h"
#include "platform/system.h"

namespace pim {

// The identifier of the bar's own hotkey.
inline constexpr int kBarHotkeyId = 0xAAAA;
// Ctrl+G, which the program's messages name.
inline constexpr int32_t kDefaultHotkey = 583;
// The capture key and its Shift form, on the bar beside its own key.
inline constexpr int kCaptureHotkeyId = 0xAAAB;
inline constexpr int kCaptureEditHotkeyId = 0xAAAC;
// Ctrl+Alt+C: chat programs hold Ctrl+Alt+Z and Ctrl+Alt+A.
inline constexpr int32_t kDefaultCaptureHotkey = 0x0643;

struct HotkeyParts {
  uint32_t modifiers;  // 1 Alt, 2 Control, 4 Shift
  uint32_t virtualKey;
};
// A hotkey-control value (low byte the key; high byte 1 Shift, 2 Ctrl, 4 Alt, 8 extended)
// in the form RegisterHotKey takes; the extended flag does not matter there.
HotkeyParts SplitHotkey(int32_t value);

// "注册系统热键失败，请选择其他热键！": a hotkey the system refused.
void TellHotkeyRefused(Prompter& prompter);

class CSysTool {
 public:
  explicit CSysTool(Prompter& prompter) : prompter_(prompter) {}

  // Registers `value` under `id`; says so when the key is taken.
  bool RegHotKey(HotkeyRegistrar& hotkeys, int32_t value, int id);
  // Writes a string value; says so when the key or the value cannot be written.
  bool WriteRegString(Registry& registry, RegistryRoot root, const std::string& subkey,
                      const std::string& name, const std::string& text);
  // The text after the last "\" (all of it when there is none); the rest is kept as folder().
  std::string SplitPath(const std::string& path);
  const std::string& folder() const { return folder_; }
  const std::string& file() const { return file_; }

 private:
  Prompter& prompter_;
  std::string folder_;
  std::string file_;
};

}  // namespace pim
