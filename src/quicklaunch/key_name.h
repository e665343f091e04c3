// Readable names of hotkey values, in the hotkey control's shape: "Ctrl + Alt + A".
#pragma once

#include <cstdint>
#include <string>

namespace pim {

// The name of a hotkey-control value (low byte the key; high byte 1 Shift, 2 Ctrl, 4 Alt);
// empty exactly when no key is set, since the properties dialog compares names.
std::string KeyName(int32_t hotkey);

// The longest start of `text` within `maxBytes` that does not cut a character.
std::string ClipGbk(const std::string& text, size_t maxBytes);

}  // namespace pim
