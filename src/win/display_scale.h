// A window's display scale, and pictures and system sizes for it. The functions that tell a
// window's scale came with later versions of Windows (and are missing under Wine 8 in part):
// they are looked up at run time, never imported, so the program starts everywhere.
#pragma once

#include <windows.h>

#include "base/scale.h"

namespace pim::win {

// GetDpiForWindow, or the screen's dots per inch where it is missing.
int WindowDpi(HWND window);
// GetSystemMetricsForDpi, or GetSystemMetrics where it is missing.
int MetricForDpi(int index, int dpi);
// Tells Windows not to rescale this dialog's font and controls when its scale changes: the
// dialog places its pictures itself.
void KeepOwnLayout(HWND dialog);
// Bitmap `id` from the picture set that serves the scale, at exactly the size of the 100%
// `box` scaled, so the picture fills its place; another size is scaled smoothly.
HBITMAP LoadPicture(int id, const Scale& scale, const PixelBox& box);
// Icon `id` at the system's large or small icon size for the scale.
HICON LoadScaledIcon(int id, int dpi, bool small);
// The 100% box placed at its scaled edges, its size set, nothing else changed.
void PlaceAt(HWND control, const Scale& scale, const PixelBox& box);

}  // namespace pim::win
