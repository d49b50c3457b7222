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

  HWND operator[](layout::WidgetId id) const { return Widgets[static_cast<std::size_t>(id)]; }
};

// GDI objects shared by every dialog of the process; created once, kept until it ends
// (the window classes refer to the brush).
struct DialogResources {
  HFONT Font = nullptr;
  HBRUSH Background = nullptr;
  COLORREF BackgroundColour = 0;
};
const DialogResources& SharedDialogResources();

// Registers the three window classes once. The page windows forward what their children
// send (commands, colour requests) to the form.
bool RegisterDialogClasses(HINSTANCE instance, WNDPROC formProcedure);

// Labels size themselves to their text in the dialog font (the layout's widths fit the
// original font; a substitute font or a longer caption would otherwise be cut off).
void FitLabelToText(HWND label);

// Creates every window; `formParameter` reaches the form's WM_NCCREATE. On failure the
// windows already made are destroyed and the result's Form is null.
DialogWindows CreateDialogWindows(HINSTANCE instance, void* formParameter);
