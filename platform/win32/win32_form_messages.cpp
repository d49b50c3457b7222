// The form's window procedure, a small dispatch to one handler per kind of message, and
// the message loop with the dialog manager and the access keys.
#include "platform/win32/win32_form_window.h"

#include <commctrl.h>

#include "platform/win32/dialog_colours.h"

namespace {

using layout::WidgetId;

bool IsWithin(HWND ancestor, HWND window) {
  return window == ancestor || IsChild(ancestor, window);
}

bool IsTabStop(HWND window) {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  return (style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE);
}

HWND FirstTabStop(HWND page) {
  for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (IsTabStop(child)) return child;
  }
  return nullptr;
}

void Focus(HWND control) {
  SetFocus(control);
  if (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
    SendMessageW(control, EM_SETSEL, 0, -1);
  }
}

}  // namespace

LRESULT CALLBACK Win32FormWindow::FormProcedure(HWND form, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(form, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
  }
  auto* window = reinterpret_cast<Win32FormWindow*>(GetWindowLongPtrW(form, GWLP_USERDATA));
  if (!window || window->windows_.Form != form)
    return DefWindowProcW(form, message, wParam, lParam);
  return window->HandleMessage(message, wParam, lParam);
}

LRESULT Win32FormWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: return OnCommand(wParam);
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: return OnControlColour(reinterpret_cast<HDC>(wParam));
    case WM_ERASEBKGND:
      return EraseWithDialogBackground(windows_.Form, reinterpret_cast<HDC>(wParam));
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE: return OnColoursChanged(message, wParam, lParam);
    case WM_ACTIVATE: return OnActivate(wParam);
    case WM_CLOSE: OnCloseBox(); return 0;
    case WM_GETDPISCALEDSIZE: {
      // The exact outer size for the new dpi, so that the client area is the layout's scaled
      // size and not the old one stretched with its rounding.
      *reinterpret_cast<SIZE*>(lParam) = FormOuterSize(LOWORD(wParam));
      return TRUE;
    }
    case WM_DPICHANGED: return OnDpiChanged(wParam, lParam);
    case DM_GETDEFID: return MAKELRESULT(IDOK, DC_HASDEFID);
    default: return DefWindowProcW(windows_.Form, message, wParam, lParam);
  }
}

// OK and Cancel, whether clicked, pressed with Enter or Esc, or chosen with Alt+Y/Alt+N.
LRESULT Win32FormWindow::OnCommand(WPARAM wParam) {
  if (HIWORD(wParam) != BN_CLICKED || !events_ || closed_) return 0;
  if (LOWORD(wParam) == IDOK) events_->Button1Click();
  if (LOWORD(wParam) == IDCANCEL) events_->Button2Click();
  return 0;
}

LRESULT Win32FormWindow::OnNotify(const NMHDR& header) {
  if (header.hwndFrom == windows_[WidgetId::PageControl1] && header.code == TCN_SELCHANGE) {
    ShowPage(ActivePage());
  }
  return 0;
}

// Labels, buttons and the form itself stand on the sky-blue background (the system's window
// colours under high contrast); edits and lists keep the system's colours.
LRESULT Win32FormWindow::OnControlColour(HDC context) {
  const DialogColours colours = CurrentDialogColours();
  SetTextColor(context, colours.Text);
  SetBkColor(context, colours.BackgroundColour);
  return reinterpret_cast<LRESULT>(colours.Background);
}

// High contrast switched on or off, or the system's colours changed: everything is drawn
// again in the colours now in force. The tab control, a common control, hears of it from
// its top-level window only.
LRESULT Win32FormWindow::OnColoursChanged(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SYSCOLORCHANGE) {
    SendMessageW(windows_[WidgetId::PageControl1], WM_SYSCOLORCHANGE, wParam, lParam);
  }
  RedrawWindow(windows_.Form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  return DefWindowProcW(windows_.Form, message, wParam, lParam);
}

// A window that is not a dialog box must keep its focused control across deactivation.
LRESULT Win32FormWindow::OnActivate(WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    HWND focused = GetFocus();
    focusWhenDeactivated_ = focused && IsChild(windows_.Form, focused) ? focused : nullptr;
  } else if (focusWhenDeactivated_ && IsWindowVisible(focusWhenDeactivated_)) {
    SetFocus(focusWhenDeactivated_);
  } else {
    FocusFirstControl();
  }
  return 0;
}

// Moved to a monitor of another dpi, or the display's scaling changed: Windows suggests the
// new outer rectangle (where the window stays under the mouse while it is dragged).
LRESULT Win32FormWindow::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
  ScaleDialog(windows_, LOWORD(wParam));
  const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
  SetWindowPos(windows_.Form, nullptr, suggested.left, suggested.top,
               suggested.right - suggested.left, suggested.bottom - suggested.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  return 0;
}

void Win32FormWindow::OnCloseBox() {
  if (events_ && !closed_) events_->Button2Click();
}

// The page keys: Ctrl+Tab and Ctrl+PageDown show the next page, Ctrl+Shift+Tab and
// Ctrl+PageUp the previous one, whichever control has the focus. Their key-downs are kept
// from the dialog manager, which would move the focus as for Tab, and from the focused
// control: a list takes Ctrl+PageDown for a move of its choice. The page changes as with
// the pages' access keys, so the focus lands as it does for them.
bool Win32FormWindow::HandlePageKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0 ||
      !IsWithin(windows_.Form, message.hwnd)) {
    return false;
  }
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  int step = 0;
  if (message.wParam == VK_TAB) step = shift ? -1 : 1;
  if (!shift && message.wParam == VK_NEXT) step = 1;
  if (!shift && message.wParam == VK_PRIOR) step = -1;
  if (step == 0) return false;
  // An open list closes first, its choice as it was.
  for (const WidgetId list :
       {WidgetId::ComboBox1, WidgetId::ComboBox2, WidgetId::ComboBox3, WidgetId::ComboBox4}) {
    if (SendMessageW(windows_[list], CB_GETDROPPEDSTATE, 0, 0)) {
      SendMessageW(windows_[list], CB_SHOWDROPDOWN, FALSE, 0);
    }
  }
  constexpr int kPages = 2;
  SendMessageW(windows_[WidgetId::PageControl1], TCM_SETCURSEL,
               static_cast<WPARAM>((ActivePage() + step + kPages) % kPages), 0);
  ShowPage(ActivePage());
  return true;
}

// Alt+1 and Alt+2 choose the pages (their tabs carry these access keys), Alt+Y and Alt+N
// press OK and Cancel; the focus stays where it is. They are taken as the character the key
// makes, as the dialog manager takes a button's access key: the key-down has gone its usual
// way through the window procedures, so the system knows that Alt was pressed with a key and
// leaves the window menu closed when Alt comes up, and the keys that follow reach the
// focused control. Taking the character here spares the beep of an Alt+key no menu knows.
bool Win32FormWindow::HandleAccessKey(const MSG& message) {
  if (message.message != WM_SYSCHAR || !IsWithin(windows_.Form, message.hwnd)) return false;
  switch (message.wParam) {
    case L'1':
    case L'2':
      SendMessageW(windows_[WidgetId::PageControl1], TCM_SETCURSEL, message.wParam - L'1', 0);
      ShowPage(ActivePage());
      return true;
    case L'y':
    case L'Y':
      SendMessageW(windows_.Form, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      return true;
    case L'n':
    case L'N':
      SendMessageW(windows_.Form, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      return true;
    default: return false;
  }
}

void Win32FormWindow::RunMessageLoop() {
  MSG message{};
  while (!closed_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (HandlePageKey(message) || HandleAccessKey(message)) continue;
    if (IsDialogMessageW(windows_.Form, &message)) continue;  // translates and dispatches the rest
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

int Win32FormWindow::ActivePage() const {
  const LRESULT selected = SendMessageW(windows_[WidgetId::PageControl1], TCM_GETCURSEL, 0, 0);
  return selected == 1 ? 1 : 0;
}

// Shows one page and hides the other. Focus left on the hidden page moves to the shown one,
// and so does focus that an empty page left on OK for want of a control of its own.
void Win32FormWindow::ShowPage(int index) {
  HWND shown = windows_[index == 0 ? WidgetId::TabSheet1 : WidgetId::TabSheet2];
  HWND hidden = windows_[index == 0 ? WidgetId::TabSheet2 : WidgetId::TabSheet1];
  HWND focus = GetFocus();
  const bool focusLeavesPage =
      IsWithin(hidden, focus) || (focus == windows_[WidgetId::Button1] && !FirstTabStop(hidden));
  ShowWindow(shown, SW_SHOWNA);
  ShowWindow(hidden, SW_HIDE);
  if (focusLeavesPage) FocusFirstControl();
}

// The first control of the active page that takes the focus; OK when the page has none.
void Win32FormWindow::FocusFirstControl() {
  HWND page = windows_[ActivePage() == 0 ? WidgetId::TabSheet1 : WidgetId::TabSheet2];
  HWND first = FirstTabStop(page);
  Focus(first ? first : windows_[WidgetId::Button1]);
}
