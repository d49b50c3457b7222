#pragma once
// Builds the dialog's windows from the layout table: a hidden application window carrying
// the application title, the form, the tab control with its two pages, labels, edits,
// drop-down lists and buttons, all with the dialog font and the input-method settings.
#include <windows.h>

#include <array>
#include <cstddef>

#include "tool/dialog_layout.h"

struct DialogWindows {
  HWND Application = nullptr;  // never shown; its title is the application title
  HWND Form = nullptr;
  std::array<HWND, layout::kWidgetCount> Widgets{};  // by WidgetId; WidgetId::Window is the form
  UINT Dpi = 96;                                     // the dpi the widgets are laid out for

  HWND operator[](layout::WidgetId id) const { return Widgets[static_cast<std::size_t>(id)]; }
};

// GDI objects shared by every dialog of the process; created once, kept until it ends
// (the window classes refer to the brush).
struct DialogResources {
  HBRUSH Background = nullptr;
  COLORREF BackgroundColour = 0;
};
const DialogResources& SharedDialogResources();

// The dialog font at `dpi`; made once per dpi, kept until the process ends.
HFONT DialogFont(UINT dpi);

// The form's outer size for the layout's client area at `dpi`.
SIZE FormOuterSize(UINT dpi);

// Registers the three window classes once. The page windows forward what their children
// send (commands, colour requests) to the form.
bool RegisterDialogClasses(HINSTANCE instance, WNDPROC formProcedure);

// Labels size themselves to their text in their font (the layout's widths fit the
// original font; a substitute font or a longer caption would otherwise be cut off).
void FitLabelToText(HWND label);

// Creates every window, laid out for the dpi of the monitor the form is on; `formParameter`
// reaches the form's WM_NCCREATE. On failure the windows already made are destroyed and the
// result's Form is null.
DialogWindows CreateDialogWindows(HINSTANCE instance, void* formParameter);

// Lays the widgets out again for `dpi`: places, sizes, font. The form's own size is the
// caller's (it comes with the change of dpi).
void ScaleDialog(DialogWindows& windows, UINT dpi);
