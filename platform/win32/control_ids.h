#pragma once
// Names by which the Win32 dialog's windows can be found: window classes and control
// identifiers. Shared with the test driver that operates the dialog from outside.
#include <windows.h>

#include "tool/dialog_layout.h"

namespace win32ids {

inline constexpr wchar_t kApplicationClass[] = L"AuxlineApplication";
inline constexpr wchar_t kFormClass[] = L"AuxlineForm";
inline constexpr wchar_t kPageClass[] = L"AuxlinePage";

// The two buttons carry the standard identifiers so that the dialog manager's Enter and Esc
// reach them; every other widget gets 2000 plus its place in the layout's enumeration (the
// numbers 1000 and 1001 belong to the parts inside a drop-down list).
constexpr int ControlId(layout::WidgetId id) {
  if (id == layout::WidgetId::Button1) return IDOK;
  if (id == layout::WidgetId::Button2) return IDCANCEL;
  return 2000 + static_cast<int>(id);
}

inline constexpr int kIconResource = 1;

}  // namespace win32ids
