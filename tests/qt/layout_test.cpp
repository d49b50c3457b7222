// The Qt window against the layout table, and the window's fixed frame.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <string>
#include <vector>

#include "tests/qt/qt_harness.h"
#include "tool/dialog_layout.h"

namespace {

using layout::WidgetId;
using layout::WidgetKind;
using layout::WidgetSpec;

class LayoutTest : public ::testing::Test {
 protected:
  AuxlineDialog& Dialog() { return window_.Dialog(); }
  QWidget* Find(const char* name) { return Dialog().findChild<QWidget*>(QString::fromUtf8(name)); }

  ApplicationReady ready_;
  QtFormWindow window_;
};

bool KindMatches(const WidgetSpec& row, QWidget& widget) {
  switch (row.Kind) {
    case WidgetKind::TabControl: return qobject_cast<QTabWidget*>(&widget) != nullptr;
    case WidgetKind::TabPage: return true;  // any container; its tab is checked separately
    case WidgetKind::Label: return qobject_cast<QLabel*>(&widget) != nullptr;
    case WidgetKind::Edit: return qobject_cast<QLineEdit*>(&widget) != nullptr;
    case WidgetKind::DropDownList:
    case WidgetKind::EditableDropDown: {
      auto* list = qobject_cast<QComboBox*>(&widget);
      return list != nullptr && list->isEditable() == (row.Kind == WidgetKind::EditableDropDown);
    }
    case WidgetKind::PushButton: return qobject_cast<QPushButton*>(&widget) != nullptr;
  }
  return false;
}

QString VisibleText(QWidget& widget) {
  if (auto* label = qobject_cast<QLabel*>(&widget)) return label->text();
  if (auto* edit = qobject_cast<QLineEdit*>(&widget)) return edit->text();
  if (auto* button = qobject_cast<QPushButton*>(&widget)) return button->text();
  if (auto* list = qobject_cast<QComboBox*>(&widget)) return list->currentText();
  return {};
}

// Every row: kind, parent, place, text, input method, and inside its parent (not cut off).
TEST_F(LayoutTest, EveryWidgetHasTheKindParentPlaceAndTextOfItsRow) {
  auto& pages = *qobject_cast<QTabWidget*>(Find("PageControl1"));
  Dialog().show();
  for (const WidgetSpec& row : layout::kWidgets) {
    SCOPED_TRACE(row.Name);
    QWidget* widget = Find(row.Name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget, &Dialog().Widget(row.Id));
    EXPECT_TRUE(KindMatches(row, *widget));
    if (row.InputMethodOff) {
      EXPECT_FALSE(widget->testAttribute(Qt::WA_InputMethodEnabled));
      auto* list = qobject_cast<QComboBox*>(widget);
      if (list && list->lineEdit()) {
        EXPECT_FALSE(list->lineEdit()->testAttribute(Qt::WA_InputMethodEnabled));
      }
    }
    if (row.Kind == WidgetKind::TabPage) {
      const int index = pages.indexOf(widget);
      EXPECT_EQ(index, row.Id == WidgetId::TabSheet1 ? 0 : 1);
      EXPECT_EQ(pages.tabText(index), QString::fromUtf8(row.Text));
      continue;
    }
    QWidget* parent = widget->parentWidget();
    EXPECT_EQ(parent, &Dialog().Widget(row.Parent));
    EXPECT_TRUE(parent->rect().contains(widget->geometry()))
        << parent->width() << "x" << parent->height();
    EXPECT_EQ(widget->pos(), QPoint(row.Left, row.Top));
    if (row.Kind == WidgetKind::Label) {  // labels grow to fit their caption
      EXPECT_GE(widget->width(), row.Width);
      EXPECT_GE(widget->height(), row.Height);
    } else {
      EXPECT_EQ(widget->size(), QSize(row.Width, row.Height));
    }
    if (row.Kind != WidgetKind::TabControl && row.Kind != WidgetKind::DropDownList) {
      EXPECT_EQ(VisibleText(*widget), QString::fromUtf8(row.Text));
    }
  }
  Dialog().hide();
}

TEST_F(LayoutTest, WindowIsFixedSizeWithMinimiseButNoMaximiseOrHelp) {
  EXPECT_EQ(Dialog().size(), QSize(layout::kClientWidth, layout::kClientHeight));
  EXPECT_EQ(Dialog().minimumSize(), Dialog().maximumSize());
  const Qt::WindowFlags flags = Dialog().windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Window);
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowContextHelpButtonHint));
  EXPECT_EQ(Dialog().windowTitle(), QString::fromUtf8(layout::kWindowCaption));
}

TEST_F(LayoutTest, SkyBlueBackgroundJapaneseFontAndOwnIcon) {
  EXPECT_EQ(Dialog().palette().color(QPalette::Window), QColor(166, 202, 240));
  EXPECT_EQ(Dialog().font().pixelSize(), 13);
  EXPECT_EQ(Dialog().Widget(WidgetId::Button2).font().pixelSize(), 13);
  // The face drawn has kana and kanji: the requested one or a Japanese Gothic substitute.
  const QString face = QString::fromUtf8(layout::kFontFace);
  const QString drawn = QFontInfo(Dialog().font()).family();
  EXPECT_TRUE(drawn == face || QFont::substitutes(face).contains(drawn, Qt::CaseInsensitive))
      << drawn.toStdString();
  EXPECT_TRUE(Dialog().windowIcon().availableSizes().contains(QSize(16, 16)));
}

TEST_F(LayoutTest, LineWidthListIsEditableWithItsThirteenFixedItems) {
  auto& widths = Dialog().As<QComboBox>(WidgetId::ComboBox4);
  ASSERT_EQ(widths.count(), 13);
  for (int i = 0; i < widths.count(); ++i) {
    EXPECT_EQ(widths.itemText(i), QString::fromUtf8(layout::kLineWidthItems[std::size_t(i)]));
  }
  EXPECT_EQ(widths.insertPolicy(), QComboBox::NoInsert);
}

// The focus chain visits the tab control, then the inputs of its pages, then the buttons.
TEST_F(LayoutTest, TabOrderFollowsTheTable) {
  QWidget& start = Dialog().Widget(WidgetId::PageControl1);
  const QWidget* tabBar = Dialog().As<QTabWidget>(WidgetId::PageControl1).tabBar();
  std::vector<std::string> visited;
  QWidget* widget = &start;
  for (int step = 0; step < 200; ++step) {
    const QString name = widget == tabBar ? QStringLiteral("PageControl1") : widget->objectName();
    for (const WidgetSpec& row : layout::kWidgets) {
      if (row.TabOrder >= 0 && name == QString::fromUtf8(row.Name) &&
          (visited.empty() || visited.back() != row.Name)) {
        visited.emplace_back(row.Name);
      }
    }
    widget = widget->nextInFocusChain();
    if (widget == &start) break;
  }
  EXPECT_EQ(visited, (std::vector<std::string>{"PageControl1", "EditA1", "EditA2", "EditA3",
                                               "ComboBox1", "ComboBox2", "ComboBox3", "ComboBox4",
                                               "Button1", "Button2"}));
}

}  // namespace
