// How many GDI and USER objects the program holds, asked of the bar by the leak test.
#pragma once

#include <windows.h>

namespace pim::win {

// The bar answers this registered message: wParam 0 for GDI objects, 1 for USER objects.
UINT GuiCountMessage();
LRESULT CountGuiObjects(WPARAM kind);

}  // namespace pim::win
