#include "platform/linux/qt/dialog_widget.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
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
  SetUpTabOrder();
}

QWidget& AuxlineDialog::Widget(WidgetId id) const { return *widgets_[Slot(id)]; }

void AuxlineDialog::CreateWidget(const WidgetSpec& row) {
  QWidget* parent = widgets_[Slot(row.Parent)];
  QWidget* widget = nullptr;
  switch (row.Kind) {
    case WidgetKind::TabControl: widget = new QTabWidget(parent); break;
    case WidgetKind::TabPage:
      widget = new QWidget();
      static_cast<QTabWidget*>(parent)->addTab(widget, Utf8(row.Text));
      break;
    case WidgetKind::Label: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      widget = label;
      break;
    }
    case WidgetKind::Edit: {
      auto* edit = new QLineEdit(Utf8(row.Text), parent);
      if (row.InputMethodOff) SwitchInputMethodOff(*edit);
      widget = edit;
      break;
    }
    case WidgetKind::DropDownList:
    case WidgetKind::EditableDropDown: widget = CreateList(row, parent); break;
    case WidgetKind::PushButton: {
      auto* button = new QPushButton(Utf8(row.Text), parent);
      widget = button;
      break;
    }
  }
  widget->setObjectName(Utf8(row.Name));
  widgets_[Slot(row.Id)] = widget;
  if (row.Kind != WidgetKind::TabPage)
    widget->setGeometry(row.Left, row.Top, row.Width, row.Height);
  if (row.Kind == WidgetKind::Label) SetLabelCaption(row.Id, Utf8(row.Text));

  if (row.Id == WidgetId::Button1) {
    auto& ok = static_cast<QPushButton&>(*widget);
    ok.setDefault(true);  // Enter
    connect(&ok, &QPushButton::clicked, this, [this] {
      if (form_ != nullptr) form_->Button1Click();
    });
  } else if (row.Id == WidgetId::Button2) {
    connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this, [this] {
      if (form_ != nullptr) form_->Button2Click();
    });
  }
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
