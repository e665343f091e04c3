#include "quicklaunch/key_name.h"

#include "base/gbk.h"

namespace pim {

namespace {

std::string VirtualKeyName(uint32_t vk) {
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return std::string(1, char(vk));
  if (vk >= 0x60 && vk <= 0x69) return Format("Num %u", vk - 0x60);
  if (vk >= 0x70 && vk <= 0x87) return Format("F%u", vk - 0x6F);
  switch (vk) {
    case 0x08:
      return "Backspace";
    case 0x09:
      return "Tab";
    case 0x0D:
      return "Enter";
    case 0x13:
      return "Pause";
    case 0x14:
      return "Caps Lock";
    case 0x1B:
      return "Esc";
    case 0x20:
      return "Space";
    case 0x21:
      return "Page Up";
    case 0x22:
      return "Page Down";
    case 0x23:
      return "End";
    case 0x24:
      return "Home";
    case 0x25:
      return "Left";
    case 0x26:
      return "Up";
    case 0x27:
      return "Right";
    case 0x28:
      return "Down";
    case 0x2C:
      return "Print Screen";
    case 0x2D:
      return "Insert";
    case 0x2E:
      return "Delete";
    case 0x6A:
      return "Num *";
    case 0x6B:
      return "Num +";
    case 0x6D:
      return "Num -";
    case 0x6E:
      return "Num Del";
    case 0x6F:
      return "Num /";
    case 0x90:
      return "Num Lock";
    case 0x91:
      return "Scroll Lock";
    case 0xBA:
      return ";";
    case 0xBB:
      return "=";
    case 0xBC:
      return ",";
    case 0xBD:
      return "-";
    case 0xBE:
      return ".";
    case 0xBF:
      return "/";
    case 0xC0:
      return "`";
    case 0xDB:
      return "[";
    case 0xDC:
      return "\\";
    case 0xDD:
      return "]";
    case 0xDE:
      return "'";
    default:
      return Format("Key %02X", static_cast<unsigned>(vk));
  }
}

}  // namespace

std::string KeyName(int32_t hotkey) {
  const uint32_t vk = static_cast<uint32_t>(hotkey) & 0xFF;
  if (vk == 0) return {};
  const uint32_t flags = (static_cast<uint32_t>(hotkey) >> 8) & 0xFF;
  std::string name;
  if (flags & 0x02) name.append("Ctrl + ");
  if (flags & 0x01) name.append("Shift + ");
  if (flags & 0x04) name.append("Alt + ");
  name.append(VirtualKeyName(vk));
  return name;
}

std::string ClipGbk(const std::string& text, size_t maxBytes) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t width = GbCharSize(text, at);
    if (at + width > maxBytes) break;
    at += width;
  }
  return text.substr(0, at);
}

}  // namespace pim
