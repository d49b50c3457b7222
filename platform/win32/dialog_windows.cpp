#include "platform/win32/dialog_windows.h"

#include <commctrl.h>
#include <imm.h>

#include <utility>
#include <vector>

#include "platform/win32/control_ids.h"
#include "platform/win32/dialog_colours.h"
#include "platform/win32/display_scale.h"
#include "os/win32/wide_text.h"

namespace {

using layout::WidgetId;
using layout::WidgetKind;
using layout::WidgetSpec;

constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
constexpr int kDropDownExtent = 13 * 12 + 4;  // room for twelve items when a list opens

LRESULT CALLBACK PageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      return SendMessageW(GetAncestor(page, GA_ROOT), message, wParam, lParam);
    case WM_ERASEBKGND: return EraseWithDialogBackground(page, reinterpret_cast<HDC>(wParam));
    default: return DefWindowProcW(page, message, wParam, lParam);
  }
}

bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                         HBRUSH background, bool withIcon) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<const wchar_t*>(IDC_ARROW));
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  if (withIcon) {
    const wchar_t* icon = MAKEINTRESOURCEW(win32ids::kIconResource);
    windowClass.hIcon = static_cast<HICON>(
        LoadImageW(instance, icon, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageW(instance, icon, IMAGE_ICON, 16, 16, LR_SHARED));
  }
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

struct Place {
  int Left, Top, Width, Height;
};

bool IsList(const WidgetSpec& row) {
  return row.Kind == WidgetKind::DropDownList || row.Kind == WidgetKind::EditableDropDown;
}

// A widget's place in its parent at `dpi`; a drop-down list's height includes its open list.
Place PlaceAt(const WidgetSpec& row, UINT dpi) {
  const int height = row.Height + (IsList(row) ? kDropDownExtent : 0);
  return {ScaledToDpi(row.Left, dpi), ScaledToDpi(row.Top, dpi), ScaledToDpi(row.Width, dpi),
          ScaledToDpi(height, dpi)};
}

HWND Create(const WidgetSpec& row, const wchar_t* windowClass, DWORD style, DWORD exStyle,
            HWND parent, HINSTANCE instance, UINT dpi) {
  const std::wstring text = WideFromUtf8(row.Text);
  const Place place = PlaceAt(row, dpi);
  return CreateWindowExW(exStyle, windowClass, text.c_str(), WS_CHILD | style, place.Left,
                         place.Top, place.Width, place.Height, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(win32ids::ControlId(row.Id))),
                         instance, nullptr);
}

// A page fills the tab control's display area, which follows the control's size and font.
RECT PageArea(HWND tabControl) {
  RECT display{};
  GetClientRect(tabControl, &display);
  SendMessageW(tabControl, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  return display;
}

// Asks for the layout's item height of 13 (honoured where the system allows it for lists
// that are not owner-drawn). The closed height is the system's, as high as the font needs:
// 21 with the dialog font at 96 dpi. The frame around the font does not grow with the dpi,
// so above 96 dpi the selection field is raised to the layout's scaled height (42 at 192).
void SetListHeights(const WidgetSpec& row, HWND list, UINT dpi) {
  SendMessageW(list, CB_SETITEMHEIGHT, 0, ScaledToDpi(layout::kListItemHeight, dpi));
  // Raised only, never lowered. A second step corrects the first where the system makes the
  // field higher than asked (Wine adds 2 pixels to what it reports).
  const int target = ScaledToDpi(row.Height, dpi);
  LRESULT field = SendMessageW(list, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  for (int step = 0; step < 2 && field != CB_ERR; ++step) {
    RECT closed{};
    GetWindowRect(list, &closed);
    const LONG missing = target - (closed.bottom - closed.top);
    if (missing == 0 || (step == 0 && missing < 0)) return;
    field += missing;
    SendMessageW(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
  }
}

void TurnInputMethodOff(HWND window) {
  ImmAssociateContextEx(window, nullptr, 0);
  ImmAssociateContextEx(window, nullptr, IACE_CHILDREN);  // the edit inside an editable list
}

HWND CreatePage(const WidgetSpec& row, HWND tabControl, HINSTANCE instance) {
  const std::wstring caption = WideFromUtf8(row.Text);
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<wchar_t*>(caption.c_str());
  const auto index = SendMessageW(tabControl, TCM_GETITEMCOUNT, 0, 0);
  SendMessageW(tabControl, TCM_INSERTITEMW, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&item));
  const RECT display = PageArea(tabControl);
  return CreateWindowExW(WS_EX_CONTROLPARENT, win32ids::kPageClass, caption.c_str(),
                         WS_CHILD | WS_CLIPSIBLINGS, display.left, display.top,
                         display.right - display.left, display.bottom - display.top, tabControl,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(win32ids::ControlId(row.Id))),
                         instance, nullptr);
}

HWND CreateWidget(const WidgetSpec& row, HWND parent, HINSTANCE instance, UINT dpi) {
  switch (row.Kind) {
    case WidgetKind::TabControl:
      return Create(row, WC_TABCONTROLW,
                    WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TCS_FOCUSNEVER,
                    WS_EX_CONTROLPARENT, parent, instance, dpi);
    case WidgetKind::TabPage: return CreatePage(row, parent, instance);
    case WidgetKind::Label:
      return Create(row, L"STATIC", WS_VISIBLE | SS_LEFT, 0, parent, instance, dpi);
    case WidgetKind::Edit:
      return Create(row, L"EDIT", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                    parent, instance, dpi);
    case WidgetKind::DropDownList:
      return Create(row, WC_COMBOBOXW, WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
                    parent, instance, dpi);
    case WidgetKind::EditableDropDown:
      return Create(row, WC_COMBOBOXW,
                    WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0,
                    parent, instance, dpi);
    case WidgetKind::PushButton: {
      const DWORD role = row.Id == WidgetId::Button1 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
      return Create(row, L"BUTTON", WS_VISIBLE | WS_TABSTOP | role, 0, parent, instance, dpi);
    }
  }
  return nullptr;
}

// What depends on the dpi: the font first (it decides the list heights), then the list
// heights and the labels' sizes.
void FitToFont(const WidgetSpec& row, HWND widget, UINT dpi) {
  SendMessageW(widget, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont(dpi)), FALSE);
  if (IsList(row)) SetListHeights(row, widget, dpi);
  if (row.Kind == WidgetKind::Label) FitLabelToText(widget);
}

// What a widget needs once, after creation: the fixed items of the line-width list, the
// font and what follows from it, and the input method.
void FinishWidget(const WidgetSpec& row, HWND widget, UINT dpi) {
  if (row.Id == WidgetId::ComboBox4) {
    for (const char* item : layout::kLineWidthItems) {
      const std::wstring text = WideFromUtf8(item);
      SendMessageW(widget, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SetWindowTextW(widget, WideFromUtf8(row.Text).c_str());
  }
  FitToFont(row, widget, dpi);
  if (row.InputMethodOff) TurnInputMethodOff(widget);
}

HWND CreateForm(HINSTANCE instance, HWND owner, void* formParameter) {
  const SIZE outer = FormOuterSize(kLayoutDpi);
  const std::wstring caption = WideFromUtf8(layout::kWindowCaption);
  return CreateWindowExW(kFormExStyle, win32ids::kFormClass, caption.c_str(), kFormStyle,
                         layout::kDesignLeft, layout::kDesignTop, outer.cx, outer.cy, owner,
                         nullptr, instance, formParameter);
}

}  // namespace

const DialogResources& SharedDialogResources() {
  static const DialogResources resources = [] {
    DialogResources made;
    made.BackgroundColour =
        RGB(layout::kBackgroundRed, layout::kBackgroundGreen, layout::kBackgroundBlue);
    made.Background = CreateSolidBrush(made.BackgroundColour);
    return made;
  }();
  return resources;
}

HFONT DialogFont(UINT dpi) {
  // One font per dpi met, kept until the process ends (a window moved back and forth
  // between two monitors switches between two fonts).
  static std::vector<std::pair<UINT, HFONT>> fonts;
  for (const auto& [fontDpi, font] : fonts) {
    if (fontDpi == dpi) return font;
  }
  const std::wstring face = WideFromUtf8(layout::kFontFace);
  // A negative height asks for the character height, without the internal leading.
  HFONT font = CreateFontW(-ScaledToDpi(layout::kFontPixelHeight, dpi), 0, 0, 0, FW_NORMAL, FALSE,
                           FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, face.c_str());
  if (font) fonts.emplace_back(dpi, font);
  return font;
}

SIZE FormOuterSize(UINT dpi) {
  return OuterSizeForClient(ScaledToDpi(layout::kClientWidth, dpi),
                            ScaledToDpi(layout::kClientHeight, dpi), kFormStyle, kFormExStyle, dpi);
}

void FitLabelToText(HWND label) {
  const int length = GetWindowTextLengthW(label);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GetWindowTextW(label, text.data(), length + 1);
  RECT extent{};
  HDC context = GetDC(label);
  HGDIOBJ previous =
      SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
  DrawTextW(context, text.c_str(), length, &extent, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(context, previous);
  ReleaseDC(label, context);
  RECT current{};
  GetWindowRect(label, &current);
  const LONG height = current.bottom - current.top;
  SetWindowPos(label, nullptr, 0, 0, extent.right - extent.left,
               extent.bottom - extent.top > height ? extent.bottom - extent.top : height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool RegisterDialogClasses(HINSTANCE instance, WNDPROC formProcedure) {
  const HBRUSH background = SharedDialogResources().Background;
  return RegisterWindowClass(instance, win32ids::kApplicationClass, DefWindowProcW, nullptr,
                             true) &&
         RegisterWindowClass(instance, win32ids::kFormClass, formProcedure, background, true) &&
         RegisterWindowClass(instance, win32ids::kPageClass, PageProcedure, background, false);
}

DialogWindows CreateDialogWindows(HINSTANCE instance, void* formParameter) {
  DialogWindows windows;
  const std::wstring title = WideFromUtf8(layout::kApplicationTitle);
  windows.Application = CreateWindowExW(0, win32ids::kApplicationClass, title.c_str(), WS_POPUP, 0,
                                        0, 0, 0, nullptr, nullptr, instance, nullptr);
  windows.Form =
      windows.Application ? CreateForm(instance, windows.Application, formParameter) : nullptr;
  bool complete = windows.Form != nullptr;
  if (complete) {
    // The form exists at the layout's size; now that it is on a monitor, its dpi is known.
    windows.Dpi = WindowDpi(windows.Form);
    if (windows.Dpi != kLayoutDpi) {
      const SIZE outer = FormOuterSize(windows.Dpi);
      SetWindowPos(windows.Form, nullptr, 0, 0, outer.cx, outer.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    windows.Widgets[static_cast<std::size_t>(WidgetId::Window)] = windows.Form;
    for (const WidgetSpec& row : layout::kWidgets) {
      HWND widget = CreateWidget(row, windows[row.Parent], instance, windows.Dpi);
      if (!widget) {
        complete = false;
        break;
      }
      windows.Widgets[static_cast<std::size_t>(row.Id)] = widget;
      FinishWidget(row, widget, windows.Dpi);
    }
  }
  if (!complete) {
    if (windows.Form) DestroyWindow(windows.Form);
    if (windows.Application) DestroyWindow(windows.Application);
    return {};
  }
  return windows;
}

void ScaleDialog(DialogWindows& windows, UINT dpi) {
  windows.Dpi = dpi;
  for (const WidgetSpec& row : layout::kWidgets) {
    HWND widget = windows[row.Id];
    if (row.Kind == WidgetKind::TabPage) {
      // The tab control comes first in the table: its new size and font decide the area.
      const RECT area = PageArea(windows[WidgetId::PageControl1]);
      SetWindowPos(widget, nullptr, area.left, area.top, area.right - area.left,
                   area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
      const Place place = PlaceAt(row, dpi);
      SetWindowPos(widget, nullptr, place.Left, place.Top, place.Width, place.Height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    FitToFont(row, widget, dpi);
  }
  InvalidateRect(windows.Form, nullptr, TRUE);
}
