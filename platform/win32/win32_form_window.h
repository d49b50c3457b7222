#pragma once
// The dialog as a Win32 window: a plain top-level window (not a dialog template) whose
// message loop passes keys through the dialog manager, so Tab, Enter and Esc behave as in
// a dialog box. Layout, texts and fonts come from the layout table (dialog_windows.cpp).
#include <windows.h>

#include <memory>

#include "platform/win32/dialog_windows.h"
#include "platform/win32/window_showing.h"
#include "tool/form_window.h"

class Win32FormWindow final : public FormWindow {
 public:
  // Null when the windows cannot be created. The form's show states are set through
  // `showing` (the system's ShowWindow unless a test replaces it).
  static std::unique_ptr<Win32FormWindow> Create(HINSTANCE instance, WindowShowing showing = {});
  ~Win32FormWindow() override;
  Win32FormWindow(const Win32FormWindow&) = delete;
  Win32FormWindow& operator=(const Win32FormWindow&) = delete;

  void SetWindowState(WindowState state) override;
  ScreenPoint CursorPosition() const override;
  WindowSize OuterSize() const override;
  void MoveTo(int left, int top) override;

  void SetWidgetVisible(DrawingWidget widget, bool visible) override;
  void SetCaption(DrawingWidget label, std::string_view text) override;
  void SetText(DrawingWidget edit, std::string_view text) override;
  std::string Text(DrawingWidget edit) const override;
  void SetActivePage(Page page) override;

  void FillList(ListBox list, const std::vector<std::string>& items) override;
  void SelectItem(ListBox list, int index) override;
  int SelectedItem(ListBox list) const override;
  void SetListText(ListBox list, std::string_view text) override;
  std::string ListText(ListBox list) const override;

  void Close() override;
  void Run(FormEvents& form) override;

  HWND Handle(layout::WidgetId id) const { return windows_[id]; }
  HWND ApplicationHandle() const { return windows_.Application; }

 private:
  Win32FormWindow() = default;

  static LRESULT CALLBACK FormProcedure(HWND form, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnCommand(WPARAM wParam);
  LRESULT OnNotify(const NMHDR& header);
  LRESULT OnControlColour(HDC context);
  LRESULT OnColoursChanged(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnActivate(WPARAM wParam);
  LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
  void OnCloseBox();

  bool HandlePageKey(const MSG& message);
  bool HandleAccessKey(const MSG& message);
  void RunMessageLoop();
  int ActivePage() const;
  void ShowPage(int index);
  void FocusFirstControl();

  HWND Widget(DrawingWidget widget) const;
  HWND List(ListBox list) const;

  DialogWindows windows_;
  WindowShowing showing_;
  FormEvents* events_ = nullptr;
  WindowState state_ = WindowState::Normal;
  bool closed_ = false;
  HWND focusWhenDeactivated_ = nullptr;
};
