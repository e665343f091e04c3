#include "platform/sys_tool.h"

#include "base/gb18030.h"
#include "base/gbk.h"

namespace pim {

HotkeyParts SplitHotkey(int32_t value) {
  const uint32_t flags = (static_cast<uint32_t>(value) >> 8) & 0xFF;
  uint32_t modifiers = 0;
  if (flags & 0x01) modifiers |= 4;  // Shift
  if (flags & 0x02) modifiers |= 2;  // Control
  if (flags & 0x04) modifiers |= 1;  // Alt
  return {modifiers, static_cast<uint32_t>(value) & 0xFF};
}

void TellHotkeyRefused(Prompter& prompter) {
  prompter.ShowMessage(Gb("注册系统热键失败，请选择其他热键！"), Gb("失败"), MsgButtons::Ok,
                       MsgIcon::Information);
}

bool CSysTool::RegHotKey(HotkeyRegistrar& hotkeys, int32_t value, int id) {
  const HotkeyParts parts = SplitHotkey(value);
  if (hotkeys.Register(id, parts.modifiers, parts.virtualKey)) return true;
  TellHotkeyRefused(prompter_);
  return false;
}

bool CSysTool::WriteRegString(Registry& registry, RegistryRoot root, const std::string& subkey,
                              const std::string& name, const std::string& text) {
  switch (registry.WriteString(root, subkey, name, text)) {
    case RegistryResult::Ok:
      return true;
    case RegistryResult::KeyFailed:
      prompter_.ShowMessage(Gb("建立注册表项失败！"), "failed", MsgButtons::Ok, MsgIcon::Warning);
      return false;
    case RegistryResult::ValueFailed:
      prompter_.ShowMessage(Gb("写入注册表值失败！"), "failed", MsgButtons::Ok, MsgIcon::Warning);
      return false;
  }
  return false;
}

std::string CSysTool::SplitPath(const std::string& path) {
  size_t last = std::string::npos;
  for (size_t at = FindText(path, "\\"); at != std::string::npos; at = FindText(path, "\\", at + 1))
    last = at;
  if (last == std::string::npos) {
    folder_.clear();
    file_ = path;
  } else {
    folder_ = path.substr(0, last);
    file_ = path.substr(last + 1);
  }
  return file_;
}

}  // namespace pim
