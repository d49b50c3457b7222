#pragma once
// The window for every run that shows no dialog: nothing is drawn and no toolkit is
// touched. It also stands in for a dialog window that could not be created; the form then
// behaves as if the window had been closed at once.
#include "tool/form_window.h"

class HeadlessWindow final : public FormWindow {
 public:
  void SetWindowState(WindowState) override {}
  ScreenPoint CursorPosition() const override { return {}; }
  WindowSize OuterSize() const override { return {}; }
  void MoveTo(int, int) override {}

  void SetWidgetVisible(DrawingWidget, bool) override {}
  void SetCaption(DrawingWidget, std::string_view) override {}
  void SetText(DrawingWidget, std::string_view) override {}
  std::string Text(DrawingWidget) const override { return {}; }
  void SetActivePage(Page) override {}

  void FillList(ListBox, const std::vector<std::string>&) override {}
  void SelectItem(ListBox, int) override {}
  int SelectedItem(ListBox) const override { return -1; }
  void SetListText(ListBox, std::string_view) override {}
  std::string ListText(ListBox) const override { return {}; }

  void Close() override {}

  // Shows the form; a form still open afterwards wanted the dialog, which this window
  // cannot offer: it is told so, and closes.
  void Run(FormEvents& form) override;
};
