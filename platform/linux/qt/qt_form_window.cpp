#include "platform/linux/qt/qt_form_window.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMargins>
#include <QString>
#include <QTabWidget>

#include "platform/linux/qt/frame_margins.h"

namespace {

using layout::IdOf;
using layout::WidgetId;

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
  dialog_->setWindowState(state == WindowState::Minimised ? Qt::WindowMinimized
                                                          : Qt::WindowNoState);
}

ScreenPoint QtFormWindow::CursorPosition() const {
  const QPoint position = QCursor::pos();
  return {position.x(), position.y()};
}

// A shown window knows its frame. Before the first show the frame comes from a stand-in
// window, asked once (under X11 the window manager answers, which takes a round trip).
QMargins QtFormWindow::FrameMargins() const {
  if (dialog_->isVisible()) {
    const QRect outer = dialog_->frameGeometry();
    const QRect client = dialog_->geometry();
    return {client.left() - outer.left(), client.top() - outer.top(),
            outer.right() - client.right(), outer.bottom() - client.bottom()};
  }
  if (!expectedFrame_)
    expectedFrame_ = ExpectedFrameMargins(dialog_->windowFlags(), dialog_->size());
  return *expectedFrame_;
}

WindowSize QtFormWindow::OuterSize() const {
  const QSize outer = dialog_->size().grownBy(FrameMargins());
  return {outer.width(), outer.height()};
}

// The client area goes inside the frame whose corner the form asks for. (Qt would take a
// top-level position as the frame's, but under X11 it cannot know the frame before the
// window is mapped and then places the client area there instead.)
void QtFormWindow::MoveTo(int left, int top) {
  const QMargins frame = FrameMargins();
  dialog_->setGeometry(QRect(QPoint(left + frame.left(), top + frame.top()), dialog_->size()));
}

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
