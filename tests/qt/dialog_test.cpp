// The real Qt window: its widgets against the layout table, both dialogs, what each ending saves.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCursor>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/qt/dialog_widget.h"
#include "platform/linux/qt/qt_form_window.h"
#include "tests/qt/qt_harness.h"
#include "tests/support/temp_dir.h"
#include "tool/dialog_layout.h"
#include "tool/tform1.h"

namespace {

using layout::WidgetId;
using layout::WidgetKind;
using layout::WidgetSpec;

// Host: angle 10, layer group 2, layer 5, P1 (100, 200); colour, line type, width defaults.
const char* const kExchangeLines = "hk 10|lg2|ly5|hp1 100 200";
const std::string kExchange = CrLf(kExchangeLines);
const char* const kBlock = "lg2|ly5|lc9|lt1|lw0";
const char* const kStored = "-1|-1|0|-1|12.5|0.5|330";

QLineEdit& Edit(AuxlineDialog& d, WidgetId id) { return d.As<QLineEdit>(id); }
QComboBox& List(AuxlineDialog& d, WidgetId id) { return d.As<QComboBox>(id); }
QString Text(const char* utf8) { return QString::fromUtf8(utf8); }
// Replaces an edit box's text by typing, as a user would after selecting it all.
void Retype(QWidget& edit, const QString& text) {
  edit.setFocus(Qt::OtherFocusReason);
  if (auto* lineEdit = qobject_cast<QLineEdit*>(&edit)) lineEdit->selectAll();
  QTest::keyClicks(&edit, text);
}
void EnterEllipse(AuxlineDialog& d, const char* radius, const char* ratio, const char* angle) {
  Retype(Edit(d, WidgetId::EditA1), Text(radius));
  Retype(Edit(d, WidgetId::EditA2), Text(ratio));
  Retype(Edit(d, WidgetId::EditA3), Text(angle));
}
void Click(AuxlineDialog& d, WidgetId id) { QTest::mouseClick(&d.Widget(id), Qt::LeftButton); }
QWidget* Page(AuxlineDialog& d) { return d.As<QTabWidget>(WidgetId::PageControl1).currentWidget(); }
void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget(), key, mods);
}

// A run in a fresh folder: the drawing ("/R10") or the settings dialog; settings '|'-parted.
// `whileOpen` acts from the event loop once the dialog is shown and active; it must end the
// dialog, else the test fails and the dialog is cancelled (the program never hangs).
struct QtRun {
  QtRun(bool drawing, const char* settings, const std::function<void(AuxlineDialog&)>& whileOpen) {
    WriteBytes(dir / "JWC_TEMP.TXT", kExchange);
    if (settings) WriteBytes(dir / "auxline.dat", CrLf(settings));
    form.emplace(
        window,
        RunMode::Parse(drawing ? std::vector<std::string>{"/R10"} : std::vector<std::string>{}),
        dir / "auxline");
    bool reached = false;
    // This scope's timer: should the dialog never open, it cannot fire into a later test.
    QTimer opened;
    opened.setSingleShot(true);
    QObject::connect(&opened, &QTimer::timeout, [&] {
      reached = true;
      EXPECT_TRUE(QTest::qWaitForWindowExposed(&window.Dialog()));
      window.Dialog().activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(&window.Dialog()));
      whileOpen(window.Dialog());
      if (!form->IsClosed()) {
        ADD_FAILURE() << "the dialog was left open";
        form->Button2Click();
      }
    });
    opened.start(0);
    window.Run(*form);
    EXPECT_TRUE(reached) << "the dialog never opened";
  }
  std::optional<std::string> Exchange() const { return ReadBytes(dir / "JWC_TEMP.TXT"); }
  std::optional<std::string> Settings() const { return ReadBytes(dir / "auxline.dat"); }

  QApplication& application = TestApplication();  // first: before any window
  TempDir dir;
  QtFormWindow window;
  std::optional<TForm1> form;
};

TEST(Dialog, StoredLineWidthShowsInTheEditableList) {
  const struct {
    const char *stored, *shown;
  } kCases[] = {{"-1|-1|0|25|100|1|0", "25"}, {"-1|-1|0|7|100|1|0", "7"}, {kStored, ""}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.stored);
    QtRun(false, c.stored, [&](AuxlineDialog& d) {
      EXPECT_EQ(List(d, WidgetId::ComboBox4).currentText(), Text(c.shown));
      Click(d, WidgetId::Button2);
    });
  }
}

void OkOnEllipse(AuxlineDialog& d) {
  EnterEllipse(d, "12.5", "0.5", "-30"), Click(d, WidgetId::Button1);
}
void EnterInEdit(AuxlineDialog& d) {
  EnterEllipse(d, "50", "1", "0");
  ASSERT_EQ(QApplication::focusWidget(), &d.Widget(WidgetId::EditA3));
  Key(Qt::Key_Return);
}
void Esc(AuxlineDialog& d) { EnterEllipse(d, "50", "1", "0"), Key(Qt::Key_Escape); }
void CancelAfterGroup7(AuxlineDialog& d) {
  List(d, WidgetId::ComboBox1).setCurrentIndex(8);
  Click(d, WidgetId::Button2);
}
void CloseBox(AuxlineDialog& d) {
  EnterEllipse(d, "50", "1", "0");
  EXPECT_TRUE(d.close());
}
// Keyboard choices, Enter in the editable list: positions, the width typed, no new item.
void ChooseAndEnter(AuxlineDialog& d) {
  List(d, WidgetId::ComboBox1).setCurrentIndex(4);
  List(d, WidgetId::ComboBox2).setCurrentIndex(16);
  List(d, WidgetId::ComboBox3).setCurrentIndex(50);
  Retype(*List(d, WidgetId::ComboBox4).lineEdit(), QStringLiteral("7"));
  Key(Qt::Key_Return);
  EXPECT_EQ(List(d, WidgetId::ComboBox4).count(), 13);
}
void EmptyWidthOk(AuxlineDialog& d) {
  List(d, WidgetId::ComboBox4).setCurrentIndex(0);
  Click(d, WidgetId::Button1);
}
// A button's access key animates the press and clicks when it is released.
void AccessKeys(AuxlineDialog& d) {
  Key(Qt::Key_2, Qt::AltModifier);
  EXPECT_EQ(Page(d), &d.Widget(WidgetId::TabSheet2));
  Key(Qt::Key_1, Qt::AltModifier);
  EXPECT_EQ(Page(d), &d.Widget(WidgetId::TabSheet1));
  Key(Qt::Key_N, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !d.isVisible(); }, 2000));
}

// The settings dialog without a settings file: the settings page, every list at its first entry.
void ShowsFirstEntries(AuxlineDialog& d) {
  EXPECT_EQ(Page(d), &d.Widget(WidgetId::TabSheet2));
  for (const WidgetId hidden : {WidgetId::LabelA1, WidgetId::EditA1, WidgetId::LabelA2,
                                WidgetId::EditA2, WidgetId::LabelA3, WidgetId::EditA3}) {
    EXPECT_TRUE(d.Widget(hidden).isHidden());
  }
  const struct {
    WidgetId list;
    int count;
    const char *first, *last;
  } kLists[] = {{WidgetId::ComboBox1, 17, "現在ﾚｲﾔｸﾞﾙｰﾌﾟ", "ﾚｲﾔｸﾞﾙｰﾌﾟ[F]"},
                {WidgetId::ComboBox2, 17, "現在レイヤ", "レイヤ(F)"},
                {WidgetId::ComboBox3, 51, "現在線種", "SXF-32"}};
  for (const auto& e : kLists) {
    QComboBox& list = List(d, e.list);
    EXPECT_EQ(list.count(), e.count);
    EXPECT_EQ(list.currentIndex(), 0);
    EXPECT_EQ(list.itemText(0), Text(e.first));
    EXPECT_EQ(list.itemText(list.count() - 1), Text(e.last));
  }
  EXPECT_EQ(List(d, WidgetId::ComboBox4).count(), 13);
  EXPECT_EQ(List(d, WidgetId::ComboBox4).currentText(), QString());
  EXPECT_FALSE(d.isMinimized());
  Click(d, WidgetId::Button2);
}
void ShowsStoredEllipse(AuxlineDialog& d) {
  EXPECT_EQ(Page(d), &d.Widget(WidgetId::TabSheet1));
  EXPECT_EQ(d.As<QLabel>(WidgetId::LabelA1).text(), Text("半　径"));
  EXPECT_EQ(d.As<QLabel>(WidgetId::LabelA2).text(), Text("偏平率"));
  EXPECT_EQ(d.As<QLabel>(WidgetId::LabelA3).text(), Text("傾き角度[°]"));
  EXPECT_EQ(Edit(d, WidgetId::EditA1).text(), Text("12.5"));
  EXPECT_EQ(Edit(d, WidgetId::EditA2).text(), Text("0.5"));
  EXPECT_EQ(Edit(d, WidgetId::EditA3).text(), Text("330"));
  for (const WidgetId id : {WidgetId::LabelA1, WidgetId::LabelA2, WidgetId::LabelA3}) {
    auto& label = d.As<QLabel>(id);
    EXPECT_TRUE(label.isVisible());
    EXPECT_GE(label.width(), label.fontMetrics().horizontalAdvance(label.text()));  // not cut off
    EXPECT_LE(label.geometry().right(), d.Widget(WidgetId::EditA1).x());  // nor under the edits
  }
  EXPECT_FALSE(d.isMinimized());
  Click(d, WidgetId::Button2);
}
void TabWalksInputsThenButtons(AuxlineDialog& d) {
  EXPECT_EQ(QApplication::focusWidget(), &d.Widget(WidgetId::EditA1));
  EXPECT_EQ(Edit(d, WidgetId::EditA1).selectedText(), Text("100"));  // typing replaces it
  for (const WidgetId next :
       {WidgetId::EditA2, WidgetId::EditA3, WidgetId::Button1, WidgetId::Button2}) {
    Key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &d.Widget(next))
        << d.Widget(next).objectName().toStdString();
  }
  Click(d, WidgetId::Button2);
}

TEST(Dialog, ShowsAndEndsAsItShould) {
  const char* const kEllipse = "lg2|ly5|lc9|lt1|lw0|ci 100 200 12.5 0 0 0.5 340";
  const struct {
    const char* what;
    bool drawing;
    const char* settings;  // nullptr: no file, before and after
    void (*act)(AuxlineDialog&);
    const char *exchange, *settingsAfter;
  } kCases[] = {
      {"OK stores the reduced angle", true, nullptr, OkOnEllipse, kEllipse, kStored},
      {"Enter in an edit box", true, nullptr, EnterInEdit, "lg2|ly5|lc9|lt1|lw0|ci 100 200 50",
       "-1|-1|0|-1|50|1|0"},
      {"Esc cancels", true, kStored, Esc, kBlock, kStored},
      // The attribute block of the settings loaded at start: layer group 3, no restore block.
      {"Cancel after choosing group 7", true, "3|-1|0|-1|100|1|0", CancelAfterGroup7,
       "lg3|ly5|lc9|lt1|lw0", "3|-1|0|-1|100|1|0"},
      {"the close box acts as Cancel", true, kStored, CloseBox, kBlock, kStored},
      {"settings dialog OK", false, nullptr, ChooseAndEnter, kExchangeLines, "3|15|50|7|100|1|0"},
      {"the empty first width item: current width", false, "-1|-1|0|25|100|1|0", EmptyWidthOk,
       kExchangeLines, "-1|-1|0|-1|100|1|0"},
      {"access keys", true, kStored, AccessKeys, kBlock, kStored},
      {"the settings page's first entries", false, nullptr, ShowsFirstEntries, kExchangeLines,
       nullptr},
      {"the stored ellipse", true, kStored, ShowsStoredEllipse, kBlock, kStored},
      {"Tab walks the inputs", true, nullptr, TabWalksInputsThenButtons, kBlock, nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    QtRun run(c.drawing, c.settings, c.act);
    EXPECT_TRUE(run.form->IsClosed());
    EXPECT_FALSE(run.window.Dialog().isVisible());
    EXPECT_EQ(run.Exchange(), CrLf(c.exchange));
    EXPECT_EQ(run.Settings(),
              c.settingsAfter ? std::optional(CrLf(c.settingsAfter)) : std::nullopt);
  }
}

TEST(Dialog, UnacceptableValuesKeepTheDialogOpenAndWriteNothing) {
  const struct {
    const char *radius, *ratio;
  } kCases[] = {{"12.5", "0"}, {"12,5", "1"}, {"abc", "1"}, {"5", "1e-9"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.radius) + " / " + c.ratio);
    const QtRun run(true, nullptr, [&](AuxlineDialog& d) {
      EnterEllipse(d, c.radius, c.ratio, "0");
      Click(d, WidgetId::Button1);
      EXPECT_FALSE(run.form->IsClosed());
      EXPECT_TRUE(d.isVisible());
      EXPECT_EQ(Edit(d, WidgetId::EditA1).text(), Text(c.radius));  // the user's entries stay
      EXPECT_EQ(Edit(d, WidgetId::EditA2).text(), Text(c.ratio));
      EXPECT_EQ(ReadBytes(run.dir / "JWC_TEMP.TXT"), kExchange);
      EXPECT_EQ(ReadBytes(run.dir / "auxline.dat"), std::nullopt);
      Click(d, WidgetId::Button2);
    });
    EXPECT_EQ(run.Exchange(), CrLf(kBlock));
  }
}

// The page keys from every control: the other page, the focus as the access keys put it, no change.
TEST(Dialog, PageKeysSwitchPagesFromEveryControlAndChangeNoSetting) {
  const char* const stored = "3|4|5|25|12.5|0.5|330";
  const struct {
    const char* what;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
  } keys[] = {{"Ctrl+Tab", Qt::Key_Tab, Qt::ControlModifier},
              {"Ctrl+PageDown", Qt::Key_PageDown, Qt::ControlModifier},
              {"Ctrl+Shift+Tab", Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier},
              {"Ctrl+PageUp", Qt::Key_PageUp, Qt::ControlModifier}};
  const struct {
    WidgetId control, focusAfter;
  } kCases[] = {
      {WidgetId::EditA1, WidgetId::ComboBox1}, {WidgetId::EditA2, WidgetId::ComboBox1},
      {WidgetId::EditA3, WidgetId::ComboBox1}, {WidgetId::ComboBox1, WidgetId::EditA1},
      {WidgetId::ComboBox2, WidgetId::EditA1}, {WidgetId::ComboBox3, WidgetId::EditA1},
      {WidgetId::ComboBox4, WidgetId::EditA1}, {WidgetId::Button1, WidgetId::Button1},
      {WidgetId::Button2, WidgetId::Button2},
  };
  for (const auto& c : kCases) {
    for (const auto& k : keys) {
      SCOPED_TRACE(std::string(k.what) + " from " + layout::RowOf(c.control).Name);
      const QtRun run(true, stored, [&](AuxlineDialog& d) {
        const bool onSettings = layout::RowOf(c.control).Parent == WidgetId::TabSheet2;
        if (onSettings) Key(Qt::Key_2, Qt::AltModifier);
        d.Widget(c.control).setFocus(Qt::OtherFocusReason);
        Key(k.key, k.modifiers);
        EXPECT_EQ(d.As<QTabWidget>(WidgetId::PageControl1).currentIndex(), onSettings ? 0 : 1);
        EXPECT_EQ(QApplication::focusWidget(), &d.Widget(c.focusAfter));
        Click(d, WidgetId::Button1);
      });
      EXPECT_EQ(run.Settings(), CrLf(stored));
      EXPECT_EQ(run.Exchange(), CrLf("lg3|ly4|lc9|lt5|lw25|ci 100 200 12.5 0 0 0.5 340|lg2|ly5"));
    }
  }
}

// Centred on the cursor (halves of the outer size), not kept on the 800 x 600 screen.
TEST(Dialog, OpensCentredOnTheMouseCursor) {
  TestApplication();
  for (const QPoint cursor : {QPoint(600, 500), QPoint(790, 595)}) {
    QCursor::setPos(cursor);
    QtRun(false, nullptr, [&](AuxlineDialog& d) {
      const QRect outer = d.frameGeometry();
      EXPECT_EQ(outer.topLeft(), cursor - QPoint(outer.width() / 2, outer.height() / 2));
      Click(d, WidgetId::Button2);
    });
  }
}

class LayoutTest : public ::testing::Test {
 protected:
  AuxlineDialog& Dialog() { return window_.Dialog(); }

  QApplication& application_ = TestApplication();  // first: before any window
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
  auto& pages = Dialog().As<QTabWidget>(WidgetId::PageControl1);
  Dialog().show();
  for (const WidgetSpec& row : layout::kWidgets) {
    SCOPED_TRACE(row.Name);
    QWidget* widget = Dialog().findChild<QWidget*>(QString::fromUtf8(row.Name));
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
