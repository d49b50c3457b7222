#include "platform/linux/qt/qt_form_window.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QTabWidget>

namespace {

using layout::WidgetId;

WidgetId IdOf(DrawingWidget widget) {
  switch (widget) {
    case DrawingWidget::LabelA1: return WidgetId::LabelA1;
    case DrawingWidget::EditA1: return WidgetId::EditA1;
    case DrawingWidget::LabelA2: return WidgetId::LabelA2;
    case DrawingWidget::EditA2: return WidgetId::EditA2;
    case DrawingWidget::LabelA3: return WidgetId::LabelA3;
    case DrawingWidget::EditA3: return WidgetId::EditA3;
  }
  return WidgetId::LabelA1;
}

WidgetId IdOf(ListBox list) {
  switch (list) {
    case ListBox::ComboBox1: return WidgetId::ComboBox1;
    case ListBox::ComboBox2: return WidgetId::ComboBox2;
    case ListBox::ComboBox3: return WidgetId::ComboBox3;
    case ListBox::ComboBox4: return WidgetId::ComboBox4;
  }
  return WidgetId::ComboBox1;
}

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace

QtFormWindow::QtFormWindow(std::unique_ptr<QApplication> ownedApplication)
    : ownedApplication_(std::move(ownedApplication)), dialog_(std::make_unique<AuxlineDialog>()) {
  // The window's own event loop ends the run; closing the last window must not end others.
  QGuiApplication::setQuitOnLastWindowClosed(false);
}

QtFormWindow::~QtFormWindow() {
  if (dialog_) dialog_->SetForm(nullptr);
}

void QtFormWindow::SetWindowState(WindowState state) {
  dialog_->setWindowState(state == WindowState::Minimised ? Qt::WindowMinimized : Qt::WindowNoState);
}

ScreenPoint QtFormWindow::CursorPosition() const {
  const QPoint position = QCursor::pos();
  return {position.x(), position.y()};
}

// The frame as far as the platform knows it: the native window is created first, so that a
// platform that decorates windows itself reports its frame before the first show. An X11
// window manager tells the frame only once it has framed the window; until then the
// client area is all there is.
WindowSize QtFormWindow::OuterSize() const {
  (void)dialog_->winId();
  const QRect frame = dialog_->frameGeometry();
  return {frame.width(), frame.height()};
}

// A top-level widget's position is that of its frame: the outer corner, as the form wants.
void QtFormWindow::MoveTo(int left, int top) { dialog_->move(left, top); }

void QtFormWindow::SetWidgetVisible(DrawingWidget widget, bool visible) {
  dialog_->Widget(IdOf(widget)).setVisible(visible);
}

void QtFormWindow::SetCaption(DrawingWidget label, std::string_view text) {
  dialog_->SetLabelCaption(IdOf(label), FromUtf8(text));
}

void QtFormWindow::SetText(DrawingWidget edit, std::string_view text) {
  dialog_->As<QLineEdit>(IdOf(edit)).setText(FromUtf8(text));
}

std::string QtFormWindow::Text(DrawingWidget edit) const {
  return ToUtf8(dialog_->As<QLineEdit>(IdOf(edit)).text());
}

void QtFormWindow::SetActivePage(Page page) {
  const WidgetId id = page == Page::TabSheet1 ? WidgetId::TabSheet1 : WidgetId::TabSheet2;
  dialog_->As<QTabWidget>(WidgetId::PageControl1).setCurrentWidget(&dialog_->Widget(id));
}

void QtFormWindow::FillList(ListBox list, const std::vector<std::string>& items) {
  auto& combo = dialog_->As<QComboBox>(IdOf(list));
  combo.clear();
  for (const std::string& item : items) combo.addItem(FromUtf8(item));
  combo.setCurrentIndex(-1);
}

void QtFormWindow::SelectItem(ListBox list, int index) {
  auto& combo = dialog_->As<QComboBox>(IdOf(list));
  combo.setCurrentIndex(index >= 0 && index < combo.count() ? index : -1);
}

int QtFormWindow::SelectedItem(ListBox list) const {
  return dialog_->As<QComboBox>(IdOf(list)).currentIndex();
}

void QtFormWindow::SetListText(ListBox list, std::string_view text) {
  auto& combo = dialog_->As<QComboBox>(IdOf(list));
  if (combo.isEditable()) {
    combo.setEditText(FromUtf8(text));
  } else {
    combo.setCurrentIndex(combo.findText(FromUtf8(text)));
  }
}

std::string QtFormWindow::ListText(ListBox list) const {
  return ToUtf8(dialog_->As<QComboBox>(IdOf(list)).currentText());
}

void QtFormWindow::Close() {
  closed_ = true;
  dialog_->hide();
  if (loop_) loop_->quit();
}

void QtFormWindow::Run(FormEvents& form) {
  dialog_->SetForm(&form);
  form.FormShow();
  if (closed_ || form.IsClosed()) return;
  dialog_->FocusFirstInput();
  dialog_->show();
  dialog_->raise();
  dialog_->activateWindow();
  QEventLoop loop;
  loop_ = &loop;
  if (!closed_) loop.exec();
  loop_ = nullptr;
}
