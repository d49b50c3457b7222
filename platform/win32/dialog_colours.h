#pragma once
// The colours the form, its pages and its labels are drawn in: the layout's sky-blue
// background with the window-text colour, or, while the system's high-contrast mode is on,
// the system's own window and window-text colours. A high-contrast scheme may make the
// window-text colour white, which could hardly be read on the fixed sky blue.
#include <windows.h>

struct DialogColours {
  HBRUSH Background = nullptr;  // owned by the process or the system: never deleted
  COLORREF BackgroundColour = 0;
  COLORREF Text = 0;
};

// Asked at every paint, so that switching the mode while the dialog is open takes effect at
// its next repaint.
DialogColours CurrentDialogColours();

// Whether the high-contrast mode is on (SPI_GETHIGHCONTRAST with HCF_HIGHCONTRASTON). A
// test puts its own answer in; nullptr asks the system again.
using HighContrastQuery = bool (*)();
void SetHighContrastQuery(HighContrastQuery query);
bool HighContrastOn();

// Fills `window`'s client area with the current background (WM_ERASEBKGND).
LRESULT EraseWithDialogBackground(HWND window, HDC context);
