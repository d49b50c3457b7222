#pragma once
// The dialog window on Linux: maps the calls of the form onto the Qt widgets of
// AuxlineDialog and runs the event loop until the form closes the window.
#include <QMargins>
#include <QPointer>
#include <memory>
#include <optional>

#include "platform/linux/qt/dialog_widget.h"
#include "tool/form_window.h"

class QApplication;
class QEventLoop;

class QtFormWindow final : public FormWindow {
 public:
  // The application object must exist. When the window was the one to create it, it hands
  // it over here, and it is destroyed after the widgets.
  explicit QtFormWindow(std::unique_ptr<QApplication> ownedApplication = nullptr);
  ~QtFormWindow() override;

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

  // The widgets, for tests that drive the window like a user.
  AuxlineDialog& Dialog() { return *dialog_; }

 private:
  QMargins FrameMargins() const;

  std::unique_ptr<QApplication> ownedApplication_;  // declared first: destroyed last
  std::unique_ptr<AuxlineDialog> dialog_;
  QPointer<QEventLoop> loop_;
  mutable std::optional<QMargins> expectedFrame_;  // asked once, before the first show
  bool closed_ = false;
};
