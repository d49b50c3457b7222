// The form in the real Qt window: what both dialogs show, and what each ending saves.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <optional>
#include <string>
#include <vector>

#include "tests/qt/qt_harness.h"
#include "tests/support/temp_dir.h"
#include "tool/dialog_layout.h"

namespace {

using layout::WidgetId;
using Act = std::function<void(AuxlineDialog&)>;

// Host: angle 10, layer group 2, layer 5, P1 (100, 200); colour, line type, width defaults.
const std::string kExchange = CrLf("hk 10|lg2|ly5|hp1 100 200");
const std::string kAttributeBlock = CrLf("lg2|ly5|lc9|lt1|lw0");
const char* const kStored = "-1|-1|0|-1|12.5|0.5|330";

QLineEdit& Edit(AuxlineDialog& d, WidgetId id) { return d.As<QLineEdit>(id); }
QComboBox& List(AuxlineDialog& d, WidgetId id) { return d.As<QComboBox>(id); }
QString Text(const char* utf8) { return QString::fromUtf8(utf8); }
void EnterEllipse(AuxlineDialog& d, const char* radius, const char* ratio, const char* angle) {
  Retype(Edit(d, WidgetId::EditA1), Text(radius));
  Retype(Edit(d, WidgetId::EditA2), Text(ratio));
  Retype(Edit(d, WidgetId::EditA3), Text(angle));
}
void Click(AuxlineDialog& d, WidgetId button) {
  QTest::mouseClick(&d.Widget(button), Qt::LeftButton);
}
void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget(), key, mods);
}

// A run of the form in the Qt window in a fresh folder (settings: '|'-parted lines or none).
struct QtRun {
  QtRun(std::vector<std::string> args, const char* settings, const Act& whileOpen) {
    WriteBytes(dir / "JWC_TEMP.TXT", kExchange);
    if (settings) WriteBytes(dir / "auxline.dat", CrLf(settings));
    form.emplace(window, std::move(args), dir / "auxline");
    RunWithDialogOpen(window, *form, whileOpen);
  }
  std::optional<std::string> Exchange() const { return ReadBytes(dir / "JWC_TEMP.TXT"); }
  std::optional<std::string> Settings() const { return ReadBytes(dir / "auxline.dat"); }

  ApplicationReady ready;
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
    QtRun({}, c.stored, [&](AuxlineDialog& d) {
      EXPECT_EQ(List(d, WidgetId::ComboBox4).currentText(), Text(c.shown));
      Click(d, WidgetId::Button2);
    });
  }
}

// The ways of ending the dialog that the table below tries.
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
  const auto& pages = d.As<QTabWidget>(WidgetId::PageControl1);
  Key(Qt::Key_2, Qt::AltModifier);
  EXPECT_EQ(pages.currentWidget(), &d.Widget(WidgetId::TabSheet2));
  Key(Qt::Key_1, Qt::AltModifier);
  EXPECT_EQ(pages.currentWidget(), &d.Widget(WidgetId::TabSheet1));
  Key(Qt::Key_N, Qt::AltModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !d.isVisible(); }, 2000));
}

// The settings dialog without a settings file: the settings page, every list at its first entry.
void ShowsFirstEntries(AuxlineDialog& d) {
  EXPECT_EQ(d.As<QTabWidget>(WidgetId::PageControl1).currentWidget(),
            &d.Widget(WidgetId::TabSheet2));
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
  EXPECT_EQ(d.As<QTabWidget>(WidgetId::PageControl1).currentWidget(),
            &d.Widget(WidgetId::TabSheet1));
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

// What each dialog shows, and what each way of ending it leaves in the two files.
TEST(Dialog, ShowsAndEndsAsItShould) {
  const std::string kEllipse = kAttributeBlock + CrLf("ci 100 200 12.5 0 0 0.5 340");
  const struct {
    const char* what;
    std::vector<std::string> args;
    const char* settings;  // nullptr: no file, before and after
    void (*act)(AuxlineDialog&);
    std::string exchange;
    const char* settingsAfter;
  } kCases[] = {
      {"OK stores the reduced angle", {"/R10"}, nullptr, OkOnEllipse, kEllipse, kStored},
      {"Enter in an edit box",
       {"/R10"},
       nullptr,
       EnterInEdit,
       kAttributeBlock + CrLf("ci 100 200 50"),
       "-1|-1|0|-1|50|1|0"},
      {"Esc cancels", {"/R10"}, kStored, Esc, kAttributeBlock, kStored},
      // The attribute block of the settings loaded at start: layer group 3, no restore block.
      {"Cancel after choosing group 7",
       {"/R10"},
       "3|-1|0|-1|100|1|0",
       CancelAfterGroup7,
       CrLf("lg3|ly5|lc9|lt1|lw0"),
       "3|-1|0|-1|100|1|0"},
      {"the close box acts as Cancel", {"/R10"}, kStored, CloseBox, kAttributeBlock, kStored},
      {"settings dialog OK", {}, nullptr, ChooseAndEnter, kExchange, "3|15|50|7|100|1|0"},
      {"the empty first width item: current width",
       {},
       "-1|-1|0|25|100|1|0",
       EmptyWidthOk,
       kExchange,
       "-1|-1|0|-1|100|1|0"},
      {"access keys", {"/R10"}, kStored, AccessKeys, kAttributeBlock, kStored},
      {"the settings page's first entries", {}, nullptr, ShowsFirstEntries, kExchange, nullptr},
      {"the stored ellipse", {"/R10"}, kStored, ShowsStoredEllipse, kAttributeBlock, kStored},
      {"Tab walks the inputs",
       {"/R10"},
       nullptr,
       TabWalksInputsThenButtons,
       kAttributeBlock,
       nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    QtRun run(c.args, c.settings, c.act);
    EXPECT_TRUE(run.form->IsClosed());
    EXPECT_FALSE(run.window.Dialog().isVisible());
    EXPECT_EQ(run.Exchange(), c.exchange);
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
    const QtRun run({"/R10"}, nullptr, [&](AuxlineDialog& d) {
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
    EXPECT_EQ(run.Exchange(), kAttributeBlock);
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
      const QtRun run({"/R10"}, stored, [&](AuxlineDialog& d) {
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
    QtRun({}, nullptr, [&](AuxlineDialog& d) {
      const QRect outer = d.frameGeometry();
      EXPECT_EQ(outer.topLeft(), cursor - QPoint(outer.width() / 2, outer.height() / 2));
      Click(d, WidgetId::Button2);
    });
  }
}

}  // namespace
