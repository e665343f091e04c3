// The bar's last tray balloon and tip, asked by the end-to-end tests where the shell shows
// no balloon of its own to read.
#pragma once

#include <windows.h>

#include <string>

namespace pim::win {

// wParam 0 asks for the last balloon's text, 1 for the tray icon's tip. The answer is a
// global atom holding the text (cut to 255 characters), which the asker deletes; 0 when empty.
UINT TipQueryMessage();
LRESULT AnswerTipQuery(const std::wstring& text);

}  // namespace pim::win
