// The selection of the program in front, copied through the clipboard, with the clipboard put
// back as it was: what the capture key makes a card of.
#pragma once

#include <windows.h>

#include <string>

namespace pim {

struct CopiedSelection {
  std::wstring text;   // empty when nothing was selected
  std::string source;  // the page's address, or the window's title and program
};

// Sends the program in front Ctrl+C once the user's keys are up, waits at most half a second
// for the clipboard to change, and reads it; `owner` (ours) borrows the clipboard meanwhile.
CopiedSelection CopySelection(HWND owner);

}  // namespace pim
