#pragma once
// The layout is in pixels at 96 dpi. On a display with more pixels per inch every length of
// it, and the font height, is multiplied by the window's dpi / 96, so the dialog keeps its
// size on screen and its text stays sharp (the program declares itself dpi-aware in its
// manifest, so Windows no longer stretches a 96-dpi bitmap of it).
#include <windows.h>

inline constexpr UINT kLayoutDpi = 96;

// The dpi of the monitor the window is on. Windows before 10 cannot tell it per window:
// there the system's dpi applies. The newer functions are looked up at run time, so that
// the program still starts on Windows 7.
UINT WindowDpi(HWND window);

// The system's answer to "the dpi of this window's monitor" (GetDpiForWindow; null where the
// system cannot tell). Replaceable, so that a test can put a window on a monitor whose dpi
// differs from the system's, which Wine never does. Returns the query it replaces.
using WindowDpiQuery = UINT(WINAPI*)(HWND);
WindowDpiQuery ReplaceWindowDpiQuery(WindowDpiQuery query);

// A layout length at `dpi`, rounded to the nearest pixel (at 96 dpi the length itself).
inline int ScaledToDpi(int length, UINT dpi) {
  return MulDiv(length, static_cast<int>(dpi), static_cast<int>(kLayoutDpi));
}

// The outer size of a window whose client area is `width` x `height` at `dpi` (frame and
// title bar as Windows draws them at that dpi where it can say, else at the system's).
SIZE OuterSizeForClient(int width, int height, DWORD style, DWORD exStyle, UINT dpi);
