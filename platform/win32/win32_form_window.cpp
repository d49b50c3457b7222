// The FormWindow operations on the Win32 widgets.
#include "platform/win32/win32_form_window.h"

#include <commctrl.h>

#include <utility>

#include "os/win32/failed_call.h"
#include "os/win32/wide_text.h"
#include "tool/run_log.h"

namespace {

using layout::WidgetId;

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return Utf8FromWide(text);
}

void SetWindowTextUtf8(HWND window, std::string_view text) {
  SetWindowTextW(window, WideFromUtf8(text).c_str());
}

// Notes the step that failed, with the system's code of its failing call, taken at once.
std::unique_ptr<Win32FormWindow> NotCreated(const char* step) {
  const FileResult failed = FailedCall(step);
  NoteRunFailure("the dialog window could not be created", failed);
  return nullptr;
}

}  // namespace

std::unique_ptr<Win32FormWindow> Win32FormWindow::Create(HINSTANCE instance,
                                                         WindowShowing showing) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  if (!RegisterDialogClasses(instance, FormProcedure)) return NotCreated("register its classes");
  std::unique_ptr<Win32FormWindow> window(new Win32FormWindow());
  window->showing_ = std::move(showing);
  window->windows_ = CreateDialogWindows(instance, window.get());
  if (!window->windows_.Form) return NotCreated("create its windows");
  window->ShowPage(0);
  return window;
}

Win32FormWindow::~Win32FormWindow() {
  events_ = nullptr;
  if (windows_.Form) DestroyWindow(windows_.Form);
  if (windows_.Application) DestroyWindow(windows_.Application);
}

void Win32FormWindow::SetWindowState(WindowState state) {
  state_ = state;
  if (IsWindowVisible(windows_.Form)) {
    showing_.Show(windows_.Form, state == WindowState::Minimised ? SW_MINIMIZE : SW_RESTORE);
  }
}

ScreenPoint Win32FormWindow::CursorPosition() const {
  POINT cursor{};
  GetCursorPos(&cursor);
  return {static_cast<int>(cursor.x), static_cast<int>(cursor.y)};
}

WindowSize Win32FormWindow::OuterSize() const {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  GetWindowPlacement(windows_.Form, &placement);  // the normal size, also while minimised
  const RECT& outer = placement.rcNormalPosition;
  return {static_cast<int>(outer.right - outer.left), static_cast<int>(outer.bottom - outer.top)};
}

void Win32FormWindow::MoveTo(int left, int top) {
  const WindowSize before = OuterSize();
  SetWindowPos(windows_.Form, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // On a monitor of another dpi the window has just been laid out anew at another size:
  // the point the caller centred it on (the mouse cursor) stays its centre.
  const WindowSize after = OuterSize();
  if (after.Width != before.Width || after.Height != before.Height) {
    SetWindowPos(windows_.Form, nullptr, left + before.Width / 2 - after.Width / 2,
                 top + before.Height / 2 - after.Height / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Win32FormWindow::SetWidgetVisible(DrawingWidget widget, bool visible) {
  ShowWindow(Widget(widget), visible ? SW_SHOWNA : SW_HIDE);
}

void Win32FormWindow::SetCaption(DrawingWidget label, std::string_view text) {
  SetWindowTextUtf8(Widget(label), text);
  FitLabelToText(Widget(label));
}

void Win32FormWindow::SetText(DrawingWidget edit, std::string_view text) {
  SetWindowTextUtf8(Widget(edit), text);
}

std::string Win32FormWindow::Text(DrawingWidget edit) const { return WindowText(Widget(edit)); }

void Win32FormWindow::SetActivePage(Page page) {
  const int index = page == Page::TabSheet1 ? 0 : 1;
  SendMessageW(windows_[WidgetId::PageControl1], TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  ShowPage(index);
}

void Win32FormWindow::FillList(ListBox list, const std::vector<std::string>& items) {
  HWND box = List(list);
  SendMessageW(box, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items) {
    SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromUtf8(item).c_str()));
  }
}

void Win32FormWindow::SelectItem(ListBox list, int index) {
  HWND box = List(list);
  const LRESULT count = SendMessageW(box, CB_GETCOUNT, 0, 0);
  const bool inList = index >= 0 && index < count;
  SendMessageW(box, CB_SETCURSEL, inList ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1), 0);
}

int Win32FormWindow::SelectedItem(ListBox list) const {
  const LRESULT selected = SendMessageW(List(list), CB_GETCURSEL, 0, 0);
  return selected == CB_ERR ? -1 : static_cast<int>(selected);
}

void Win32FormWindow::SetListText(ListBox list, std::string_view text) {
  SetWindowTextUtf8(List(list), text);
}

std::string Win32FormWindow::ListText(ListBox list) const { return WindowText(List(list)); }

void Win32FormWindow::Close() {
  if (closed_) return;
  closed_ = true;
  showing_.Show(windows_.Form, SW_HIDE);
  PostMessageW(windows_.Form, WM_NULL, 0, 0);  // wakes the message loop, which then ends
}

void Win32FormWindow::Run(FormEvents& form) {
  events_ = &form;
  form.FormShow();
  if (!closed_ && !form.IsClosed()) {
    ShowFirstTime(windows_.Form,
                  state_ == WindowState::Minimised ? SW_SHOWMINIMIZED : SW_SHOWNORMAL, showing_);
    UpdateWindow(windows_.Form);
    SetForegroundWindow(windows_.Form);
    RunMessageLoop();
  }
  events_ = nullptr;
}

HWND Win32FormWindow::Widget(DrawingWidget widget) const { return windows_[layout::IdOf(widget)]; }

HWND Win32FormWindow::List(ListBox list) const { return windows_[layout::IdOf(list)]; }
