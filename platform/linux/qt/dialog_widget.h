#pragma once
// The dialog's widgets, built from the layout table (tool/dialog_layout.h): every widget
// has the kind, parent, position, size, text and tab order of its table row and carries
// its table name as object name. The dialog holds no logic of its own: OK, Cancel, Enter,
// Esc and the close box are forwarded to the form.
#include <QDialog>
#include <array>
#include <cstddef>

#include "tool/dialog_layout.h"
#include "tool/form_window.h"

class QCloseEvent;
class QLabel;

class AuxlineDialog final : public QDialog {
 public:
  AuxlineDialog();

  // The form whose handlers OK, Cancel and the close box call; null disconnects them.
  void SetForm(FormEvents* form) { form_ = form; }

  QWidget& Widget(layout::WidgetId id) const;
  template <typename WidgetType>
  WidgetType& As(layout::WidgetId id) const {
    return static_cast<WidgetType&>(Widget(id));
  }

  // Sets a label's caption; the label grows to the right where the text needs more room
  // than its table width, so that no caption is cut off.
  void SetLabelCaption(layout::WidgetId label, const QString& caption);

  // Gives the keyboard focus to the first input of the active page, its text selected so
  // that typing replaces it.
  void FocusFirstInput();

  // Ctrl+Tab and Ctrl+PageDown show the next page, Ctrl+Shift+Tab and Ctrl+PageUp the
  // previous one, whichever control has the focus; no control sees them.
  bool eventFilter(QObject* watched, QEvent* event) override;

  // Esc and the Cancel button's role: forwarded to the form instead of closing here.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateWidget(const layout::WidgetSpec& row);
  void ConnectButtons();
  void SetUpTabOrder();
  void ShowPageBeside(int step);

  std::array<QWidget*, layout::kWidgetCount> widgets_{};
  FormEvents* form_ = nullptr;
};
