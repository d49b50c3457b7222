// The form in the real Qt window: what the settings dialog and the /R10 dialog show, and
// what OK, Enter, Esc, Cancel and the close box leave in the exchange and settings files.
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

// Host: angle 10, layer group 2, layer 5, P1 (100, 200); colour, line type and width at
// their defaults 1, 1 and 0.
const std::string kExchange = CrLfLines({"hk 10", "lg2", "ly5", "hp1 100 200"});
const std::string kAttributeBlock = CrLfLines({"lg2", "ly5", "lc9", "lt1", "lw0"});
const std::string kStoredSettings = CrLfLines({"-1", "-1", "0", "-1", "12.5", "0.5", "330"});

class DialogTest : public ::testing::Test {
 protected:
  void Run(std::vector<std::string> args, std::optional<std::string> settings,
           const std::function<void(AuxlineDialog&)>& whileOpen) {
    WriteBytes(dir_ / "JWC_TEMP.TXT", kExchange);
    if (settings) WriteBytes(dir_ / "auxline.dat", *settings);
    form_.emplace(window_, std::move(args), dir_ / "auxline");
    RunWithDialogOpen(window_, *form_, whileOpen);
  }
  std::optional<std::string> Exchange() const { return ReadBytes(dir_ / "JWC_TEMP.TXT"); }
  std::optional<std::string> Settings() const { return ReadBytes(dir_ / "auxline.dat"); }

  static QLineEdit& Edit(AuxlineDialog& d, WidgetId id) { return d.As<QLineEdit>(id); }
  static QComboBox& List(AuxlineDialog& d, WidgetId id) { return d.As<QComboBox>(id); }
  static QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

  static void EnterEllipse(AuxlineDialog& d, const char* radius, const char* ratio,
                           const char* angle) {
    Retype(Edit(d, WidgetId::EditA1), Text(radius));
    Retype(Edit(d, WidgetId::EditA2), Text(ratio));
    Retype(Edit(d, WidgetId::EditA3), Text(angle));
  }
  static void Click(AuxlineDialog& d, WidgetId button) {
    QTest::mouseClick(&d.Widget(button), Qt::LeftButton);
  }
  static void Key(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

  ApplicationReady ready_;
  TempDir dir_;
  QtFormWindow window_;
  std::optional<TForm1> form_;
};

TEST_F(DialogTest, SettingsDialogWithoutSettingsFileShowsFirstEntriesOnTheSettingsPage) {
  Run({}, std::nullopt, [&](AuxlineDialog& d) {
    EXPECT_EQ(d.As<QTabWidget>(WidgetId::PageControl1).currentWidget(),
              &d.Widget(WidgetId::TabSheet2));
    for (const WidgetId hidden : {WidgetId::LabelA1, WidgetId::EditA1, WidgetId::LabelA2,
                                  WidgetId::EditA2, WidgetId::LabelA3, WidgetId::EditA3}) {
      EXPECT_TRUE(d.Widget(hidden).isHidden());
    }
    struct Expected {
      WidgetId list;
      int count;
      const char* first;
      const char* last;
    };
    for (const Expected& e : {Expected{WidgetId::ComboBox1, 17, "現在ﾚｲﾔｸﾞﾙｰﾌﾟ", "ﾚｲﾔｸﾞﾙｰﾌﾟ[F]"},
                              Expected{WidgetId::ComboBox2, 17, "現在レイヤ", "レイヤ(F)"},
                              Expected{WidgetId::ComboBox3, 51, "現在線種", "SXF-32"}}) {
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
  });
  EXPECT_EQ(Exchange(), kExchange);  // never written without arguments
  EXPECT_EQ(Settings(), std::nullopt);
}

TEST_F(DialogTest, StoredLineWidthShowsInTheEditableList) {
  const struct {
    const char* stored;
    const char* shown;
  } cases[] = {{"25", "25"}, {"7", "7"}, {"-1", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    TempDir dir;
    WriteBytes(dir / "auxline.dat", CrLfLines({"-1", "-1", "0", c.stored, "100", "1", "0"}));
    QtFormWindow window;
    TForm1 form(window, {}, dir / "auxline");
    RunWithDialogOpen(window, form, [&](AuxlineDialog& d) {
      EXPECT_EQ(List(d, WidgetId::ComboBox4).currentText(), Text(c.shown));
      Click(d, WidgetId::Button2);
    });
  }
}

TEST_F(DialogTest, EllipseDialogShowsStoredValuesInRealTextFormOnTheDrawingPage) {
  Run({"/R10"}, kStoredSettings, [&](AuxlineDialog& d) {
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
  });
}

TEST_F(DialogTest, OkBuildsTheEllipseAndStoresTheReducedAngle) {
  Run({"/R10"}, std::nullopt, [&](AuxlineDialog& d) {
    EnterEllipse(d, "12.5", "0.5", "-30");
    Click(d, WidgetId::Button1);
  });
  EXPECT_EQ(Exchange(), kAttributeBlock + CrLfLines({"ci 100 200 12.5 0 0 0.5 340"}));
  EXPECT_EQ(Settings(), CrLfLines({"-1", "-1", "0", "-1", "12.5", "0.5", "330"}));
  EXPECT_FALSE(window_.Dialog().isVisible());
}

TEST_F(DialogTest, UnacceptableValuesKeepTheDialogOpenAndWriteNothing) {
  const struct {
    const char* radius;
    const char* ratio;
  } cases[] = {{"12.5", "0"}, {"12,5", "1"}, {"abc", "1"}, {"5", "1e-9"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.radius) + " / " + c.ratio);
    TempDir dir;
    WriteBytes(dir / "JWC_TEMP.TXT", kExchange);
    QtFormWindow window;
    TForm1 form(window, {"/R10"}, dir / "auxline");
    RunWithDialogOpen(window, form, [&](AuxlineDialog& d) {
      EnterEllipse(d, c.radius, c.ratio, "0");
      Click(d, WidgetId::Button1);
      EXPECT_FALSE(form.IsClosed());
      EXPECT_TRUE(d.isVisible());
      EXPECT_EQ(Edit(d, WidgetId::EditA1).text(), Text(c.radius));  // the user's entries stay
      EXPECT_EQ(Edit(d, WidgetId::EditA2).text(), Text(c.ratio));
      EXPECT_EQ(ReadBytes(dir / "JWC_TEMP.TXT"), kExchange);
      EXPECT_EQ(ReadBytes(dir / "auxline.dat"), std::nullopt);
      Click(d, WidgetId::Button2);
    });
    EXPECT_EQ(ReadBytes(dir / "JWC_TEMP.TXT"), kAttributeBlock);
  }
}

TEST_F(DialogTest, EnterPressesOkFromAnEditBox) {
  Run({"/R10"}, std::nullopt, [&](AuxlineDialog& d) {
    EnterEllipse(d, "50", "1", "0");
    ASSERT_EQ(QApplication::focusWidget(), &d.Widget(WidgetId::EditA3));
    Key(Qt::Key_Return);
  });
  EXPECT_EQ(Exchange(), kAttributeBlock + CrLfLines({"ci 100 200 50"}));
}

TEST_F(DialogTest, EscCancels) {
  Run({"/R10"}, kStoredSettings, [&](AuxlineDialog& d) {
    EnterEllipse(d, "50", "1", "0");
    Key(Qt::Key_Escape);
  });
  EXPECT_EQ(Exchange(), kAttributeBlock);
  EXPECT_EQ(Settings(), kStoredSettings);
}

TEST_F(DialogTest, CancelAfterChangingTheLayerGroupKeepsTheLoadedSettings) {
  const std::string stored = CrLfLines({"3", "-1", "0", "-1", "100", "1", "0"});
  Run({"/R10"}, stored, [&](AuxlineDialog& d) {
    List(d, WidgetId::ComboBox1).setCurrentIndex(8);  // layer group 7
    Click(d, WidgetId::Button2);
  });
  EXPECT_EQ(Settings(), stored);
  // The attribute block of the settings loaded at start: layer group 3, no restore block.
  EXPECT_EQ(Exchange(), CrLfLines({"lg3", "ly5", "lc9", "lt1", "lw0"}));
}

TEST_F(DialogTest, CloseBoxActsAsCancel) {
  Run({"/R10"}, kStoredSettings, [&](AuxlineDialog& d) {
    EnterEllipse(d, "50", "1", "0");
    EXPECT_TRUE(d.close());
  });
  EXPECT_TRUE(form_->IsClosed());
  EXPECT_FALSE(window_.Dialog().isVisible());
  EXPECT_EQ(Exchange(), kAttributeBlock);
  EXPECT_EQ(Settings(), kStoredSettings);
}

// Choices made with the keyboard on the settings page, Enter typed in the editable list:
// stored as list positions, the typed width as a number, and no item added to the list.
TEST_F(DialogTest, SettingsDialogOkStoresTheChoices) {
  Run({}, std::nullopt, [&](AuxlineDialog& d) {
    List(d, WidgetId::ComboBox1).setCurrentIndex(4);
    List(d, WidgetId::ComboBox2).setCurrentIndex(16);
    List(d, WidgetId::ComboBox3).setCurrentIndex(50);
    QComboBox& widths = List(d, WidgetId::ComboBox4);
    Retype(*widths.lineEdit(), QStringLiteral("7"));
    Key(Qt::Key_Return);
    EXPECT_EQ(widths.count(), 13);
  });
  EXPECT_EQ(Settings(), CrLfLines({"3", "15", "50", "7", "100", "1", "0"}));
  EXPECT_EQ(Exchange(), kExchange);
}

TEST_F(DialogTest, EmptyFirstWidthItemStoresCurrentWidth) {
  Run({}, CrLfLines({"-1", "-1", "0", "25", "100", "1", "0"}), [&](AuxlineDialog& d) {
    List(d, WidgetId::ComboBox4).setCurrentIndex(0);
    Click(d, WidgetId::Button1);
  });
  EXPECT_EQ(Settings(), CrLfLines({"-1", "-1", "0", "-1", "100", "1", "0"}));
}

TEST_F(DialogTest, TabWalksTheDrawingInputsThenTheButtons) {
  Run({"/R10"}, std::nullopt, [&](AuxlineDialog& d) {
    EXPECT_EQ(QApplication::focusWidget(), &d.Widget(WidgetId::EditA1));
    EXPECT_EQ(Edit(d, WidgetId::EditA1).selectedText(), Text("100"));  // typing replaces it
    for (const WidgetId next :
         {WidgetId::EditA2, WidgetId::EditA3, WidgetId::Button1, WidgetId::Button2}) {
      Key(Qt::Key_Tab);
      EXPECT_EQ(QApplication::focusWidget(), &d.Widget(next))
          << d.Widget(next).objectName().toStdString();
    }
    Click(d, WidgetId::Button2);
  });
}

TEST_F(DialogTest, AccessKeysSwitchPagesAndPressButtons) {
  Run({"/R10"}, kStoredSettings, [&](AuxlineDialog& d) {
    const auto& pages = d.As<QTabWidget>(WidgetId::PageControl1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::AltModifier);
    EXPECT_EQ(pages.currentWidget(), &d.Widget(WidgetId::TabSheet2));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_1, Qt::AltModifier);
    EXPECT_EQ(pages.currentWidget(), &d.Widget(WidgetId::TabSheet1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
    // A button's access key animates the press and clicks when it is released.
    EXPECT_TRUE(QTest::qWaitFor([&] { return form_->IsClosed(); }, 2000));
  });
  EXPECT_TRUE(form_->IsClosed());
  EXPECT_EQ(Exchange(), kAttributeBlock);
}

// The page keys from every control of both pages: the other page shows (two pages: next and
// previous are the same one), the focus lands where the pages' access keys put it (the other
// page's first input, or stays on a button), and no list choice or box text changes: OK then
// saves the settings as they were stored and draws the stored ellipse.
TEST_F(DialogTest, PageKeysSwitchPagesFromEveryControlAndChangeNoSetting) {
  const std::string stored = CrLfLines({"3", "4", "5", "25", "12.5", "0.5", "330"});
  const struct {
    const char* what;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
  } keys[] = {{"Ctrl+Tab", Qt::Key_Tab, Qt::ControlModifier},
              {"Ctrl+PageDown", Qt::Key_PageDown, Qt::ControlModifier},
              {"Ctrl+Shift+Tab", Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier},
              {"Ctrl+PageUp", Qt::Key_PageUp, Qt::ControlModifier}};
  const struct {
    WidgetId control;
    WidgetId focusAfter;
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
      TempDir dir;
      WriteBytes(dir / "JWC_TEMP.TXT", kExchange);
      WriteBytes(dir / "auxline.dat", stored);
      QtFormWindow window;
      TForm1 form(window, {"/R10"}, dir / "auxline");
      RunWithDialogOpen(window, form, [&](AuxlineDialog& d) {
        auto& pages = d.As<QTabWidget>(WidgetId::PageControl1);
        const bool onSettings = layout::RowOf(c.control).Parent == WidgetId::TabSheet2;
        if (onSettings) QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::AltModifier);
        d.Widget(c.control).setFocus(Qt::OtherFocusReason);
        QTest::keyClick(QApplication::focusWidget(), k.key, k.modifiers);
        EXPECT_EQ(pages.currentIndex(), onSettings ? 0 : 1);
        EXPECT_EQ(QApplication::focusWidget(), &d.Widget(c.focusAfter));
        Click(d, WidgetId::Button1);
      });
      EXPECT_EQ(ReadBytes(dir / "auxline.dat"), stored);
      EXPECT_EQ(ReadBytes(dir / "JWC_TEMP.TXT"),
                CrLfLines({"lg3", "ly4", "lc9", "lt5", "lw25", "ci 100 200 12.5 0 0 0.5 340", "lg2",
                           "ly5"}));
    }
  }
}

// Centred on the cursor with integer halves of the outer size (odd here: the offscreen
// platform draws a 2-pixel frame), not kept on the screen: the second window reaches past
// the 800 x 600 offscreen screen. (Negative positions are not tried: that platform moves
// such windows by its frame.)
TEST_F(DialogTest, OpensCentredOnTheMouseCursor) {
  const struct { QPoint cursor; } cases[] = {{QPoint(600, 500)}, {QPoint(790, 595)}};
  for (const auto& c : cases) {
    TempDir dir;
    QtFormWindow window;
    TForm1 form(window, {}, dir / "auxline");
    QCursor::setPos(c.cursor);
    RunWithDialogOpen(window, form, [&](AuxlineDialog& d) {
      const QRect outer = d.frameGeometry();
      EXPECT_EQ(outer.topLeft(), c.cursor - QPoint(outer.width() / 2, outer.height() / 2));
      Click(d, WidgetId::Button2);
    });
  }
}

}  // namespace
