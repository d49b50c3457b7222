#include "platform/linux/qt/dialog_widget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <algorithm>
#include <vector>

#include "platform/linux/qt/dialog_appearance.h"

namespace {

using layout::WidgetId;
using layout::WidgetKind;
using layout::WidgetSpec;

std::size_t Slot(WidgetId id) { return static_cast<std::size_t>(id); }

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// List entries of the table's item height instead of the taller menu-style entries.
class FixedHeightItemDelegate final : public QStyledItemDelegate {
 public:
  FixedHeightItemDelegate(int height, QObject* parent)
      : QStyledItemDelegate(parent), height_(height) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
  }

 private:
  int height_;
};

// Edits and lists take Latin input only: numbers and list choices, never converted text.
void SwitchInputMethodOff(QWidget& widget) {
  widget.setAttribute(Qt::WA_InputMethodEnabled, false);
  widget.setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
}

QComboBox* CreateList(const WidgetSpec& row, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setItemDelegate(new FixedHeightItemDelegate(layout::kListItemHeight, list));
  if (row.Kind == WidgetKind::EditableDropDown) {
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);  // Enter confirms the dialog, adds nothing
    // What the user typed is what OK reads: a completer would turn "3" into "30" and take
    // the first Enter for itself.
    list->setCompleter(nullptr);
    for (const char* item : layout::kLineWidthItems) list->addItem(Utf8(item));
    list->setCurrentIndex(-1);
    list->setEditText(Utf8(row.Text));
  }
  if (row.InputMethodOff) {
    SwitchInputMethodOff(*list);
    if (list->lineEdit() != nullptr) SwitchInputMethodOff(*list->lineEdit());
  }
  return list;
}

// Children of one parent in tab order; rows without a tab order (pages, labels) keep
// their table order.
std::vector<const WidgetSpec*> ChildrenInTabOrder(WidgetId parent) {
  std::vector<const WidgetSpec*> children;
  for (const WidgetSpec& row : layout::kWidgets) {
    if (row.Parent == parent) children.push_back(&row);
  }
  std::stable_sort(children.begin(), children.end(), [](const WidgetSpec* a, const WidgetSpec* b) {
    return a->TabOrder < b->TabOrder;
  });
  return children;
}

// One widget of its table row's kind, without its place or its wiring.
QWidget* MakeWidget(const WidgetSpec& row, QWidget* parent) {
  switch (row.Kind) {
    case WidgetKind::TabControl: return new QTabWidget(parent);
    case WidgetKind::TabPage: {
      auto* page = new QWidget();
      static_cast<QTabWidget*>(parent)->addTab(page, Utf8(row.Text));
      return page;
    }
    case WidgetKind::Label: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      return label;
    }
    case WidgetKind::Edit: {
      auto* edit = new QLineEdit(Utf8(row.Text), parent);
      if (row.InputMethodOff) SwitchInputMethodOff(*edit);
      return edit;
    }
    case WidgetKind::DropDownList:
    case WidgetKind::EditableDropDown: return CreateList(row, parent);
    case WidgetKind::PushButton: return new QPushButton(Utf8(row.Text), parent);
  }
  return nullptr;
}

// The page a page key asks for, counted from the current one: +1 for Ctrl+Tab and
// Ctrl+PageDown, -1 for Ctrl+Shift+Tab and Ctrl+PageUp, 0 for any other key. The keypad's
// PageDown and PageUp count as well.
int PageStep(const QKeyEvent& key) {
  const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
  if (modifiers == Qt::ControlModifier) {
    if (key.key() == Qt::Key_Tab || key.key() == Qt::Key_PageDown) return 1;
    if (key.key() == Qt::Key_PageUp || key.key() == Qt::Key_Backtab) return -1;
  }
  if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier) &&
      (key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab)) {
    return -1;
  }
  return 0;
}

}  // namespace

AuxlineDialog::AuxlineDialog() {
  widgets_[Slot(WidgetId::Window)] = this;
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(Utf8(layout::kWindowCaption));
  // A normal top-level window: caption, system menu, minimise and close; no maximise,
  // no help button.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFont(DialogFont());
  ApplyDialogBackground(*this);
  setWindowIcon(DialogIcon());
  setSizeGripEnabled(false);
  setFixedSize(layout::kClientWidth, layout::kClientHeight);
  move(layout::kDesignLeft, layout::kDesignTop);

  for (const WidgetSpec& row : layout::kWidgets) CreateWidget(row);
  ConnectButtons();
  SetUpTabOrder();
  // The page keys are seen before any control: a list would take Ctrl+PageDown for a move
  // of its choice, and a list or the line-width box keeps Ctrl+Tab from the tab control.
  QCoreApplication::instance()->installEventFilter(this);
}

QWidget& AuxlineDialog::Widget(WidgetId id) const { return *widgets_[Slot(id)]; }

void AuxlineDialog::CreateWidget(const WidgetSpec& row) {
  QWidget* widget = MakeWidget(row, widgets_[Slot(row.Parent)]);
  widget->setObjectName(Utf8(row.Name));
  widgets_[Slot(row.Id)] = widget;
  if (row.Kind != WidgetKind::TabPage)
    widget->setGeometry(row.Left, row.Top, row.Width, row.Height);
  if (row.Kind == WidgetKind::Label) SetLabelCaption(row.Id, Utf8(row.Text));
}

// OK (also Enter) and Cancel call the form's handlers.
void AuxlineDialog::ConnectButtons() {
  auto& ok = As<QPushButton>(WidgetId::Button1);
  ok.setDefault(true);
  connect(&ok, &QPushButton::clicked, this, [this] {
    if (form_ != nullptr) form_->Button1Click();
  });
  connect(&As<QPushButton>(WidgetId::Button2), &QPushButton::clicked, this, [this] {
    if (form_ != nullptr) form_->Button2Click();
  });
}

// One chain through the window: each parent's children by tab order, the contents of a tab
// control right after it.
void AuxlineDialog::SetUpTabOrder() {
  std::vector<QWidget*> chain;
  const auto append = [&](const auto& self, WidgetId parent) -> void {
    for (const WidgetSpec* row : ChildrenInTabOrder(parent)) {
      switch (row->Kind) {
        case WidgetKind::Label: break;
        case WidgetKind::TabPage: self(self, row->Id); break;
        case WidgetKind::TabControl:
          chain.push_back(widgets_[Slot(row->Id)]);
          self(self, row->Id);
          break;
        default: chain.push_back(widgets_[Slot(row->Id)]); break;
      }
    }
  };
  append(append, WidgetId::Window);
  for (std::size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void AuxlineDialog::SetLabelCaption(WidgetId id, const QString& caption) {
  auto& label = As<QLabel>(id);
  const WidgetSpec& row = layout::RowOf(id);
  label.setText(caption);
  const QFontMetrics metrics(label.font());
  label.resize(std::max(row.Width, metrics.horizontalAdvance(caption)),
               std::max(row.Height, metrics.height()));
}

void AuxlineDialog::FocusFirstInput() {
  const auto& pages = As<QTabWidget>(WidgetId::PageControl1);
  const WidgetId page = pages.currentIndex() == 0 ? WidgetId::TabSheet1 : WidgetId::TabSheet2;
  for (const WidgetSpec* row : ChildrenInTabOrder(page)) {
    QWidget& widget = Widget(row->Id);
    if (row->TabOrder < 0 || widget.isHidden()) continue;
    widget.setFocus(Qt::TabFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(&widget)) edit->selectAll();
    return;
  }
  Widget(WidgetId::Button1).setFocus(Qt::TabFocusReason);
}

bool AuxlineDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  const int step = PageStep(*static_cast<QKeyEvent*>(event));
  if (step == 0) return false;
  // A control of this window, or the open list of one of its drop-downs (a window of its
  // own, whose parent is the drop-down).
  const QWidget* widget = static_cast<QWidget*>(watched);
  while (widget != nullptr && widget != this) widget = widget->parentWidget();
  if (widget == nullptr) return false;
  ShowPageBeside(step);
  return true;
}

// The same change of page as the pages' access keys, so the focus lands as it does for
// them. An open list closes first, its choice unchanged.
void AuxlineDialog::ShowPageBeside(int step) {
  if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  auto& pages = As<QTabWidget>(WidgetId::PageControl1);
  const int count = pages.count();
  pages.setCurrentIndex(((pages.currentIndex() + step) % count + count) % count);
}

void AuxlineDialog::reject() {
  if (form_ != nullptr) form_->Button2Click();
}

// The close box acts as Cancel. The form closes the window itself; should it stay open,
// the window stays too.
void AuxlineDialog::closeEvent(QCloseEvent* event) {
  if (form_ != nullptr && !form_->IsClosed()) form_->Button2Click();
  if (form_ != nullptr && !form_->IsClosed()) {
    event->ignore();
  } else {
    event->accept();
  }
}
