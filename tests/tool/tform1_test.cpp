// The form's handlers in the fake window: what the run sequence shows, what OK and Cancel save.
#include "tool/tform1.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "exchange/state/exchange_state.h"
#include "exchange/writing/real_text.h"
#include "tests/support/form_run.h"
#include "tool/dialog_layout.h"

namespace {

using Lines = std::vector<std::string>;

// Host context: angle 10, layer group 2, layer 5, line type 3, width 4, P1 (10, 20).
const std::string kExchange = CrLf("hk 10|lg2|ly5|lc1|lt3|lw4|hp1 10 20|hp2 40 60|0 0 100 0");
const std::string kAttributeBlock = "lg2|ly5|lc9|lt3|lw4|";

// What the run sequence puts into the window before the user does anything.
TEST(Form, RunSequenceShowsOrClosesTheWindow) {
  const std::string hide =
      "hide LabelA1|hide EditA1|hide LabelA2|hide EditA2|hide LabelA3|hide EditA3|";
  const std::string dialog = "|normal|fill 1|fill 2|fill 3";
  const std::string ellipse = "minimise|" + hide +
                              "show LabelA1|show EditA1|show LabelA2|show EditA2|show LabelA3|"
                              "show EditA3|page 1|move -130 -102" +
                              dialog;
  const struct {
    const char *what, *mode;  // mode "": no arguments
    std::string exchange;
    const char* settings;
    std::string log;
    bool closed;
    const char* settingsAfter;  // nullptr: no file
    const char* edits;          // the three boxes' texts; nullptr: never set
  } kCases[] = {
      {"a mode run stays minimised and closes in the run sequence", "/R1", kExchange, nullptr,
       "minimise|" + hide + "close", true, "-1|-1|0|-1|100|1|0", nullptr},
      {"a first-line mode without a line closes before touching the widgets", "/R6",
       CrLf("lg2|hp1 1 1|hp2 2 2"), nullptr, "minimise|close", true, nullptr, nullptr},
      {"the settings dialog, the cursor at the screen's corner", "", kExchange, nullptr,
       "page 2|" + hide + "move -130 -102" + dialog, false, nullptr, nullptr},
      {"the ellipse dialog, the stored values", "/R10", kExchange, "-1|-1|0|-1|12.5|0.5|330",
       ellipse, false, "-1|-1|0|-1|12.5|0.5|330", "12.5|0.5|330"},
      {"the ellipse dialog, the defaults", "/R10", kExchange, nullptr, ellipse, false, nullptr,
       "100|1|0"},
  };
  // A dialog fills the lists and selects the stored settings (here all "the host's").
  const FakeWindow untouched, filled = [] {
    FakeWindow window;
    window.Items = {layout::LayerGroupItems(), layout::LayerItems(), layout::LineTypeItems()};
    window.Selected = {0, 0, 0};
    window.LineWidthText = "";
    return window;
  }();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FormRun run(c.exchange, c.settings ? std::optional(CrLf(c.settings)) : std::nullopt);
    run.Window.Cursor = {10, 5};
    const TForm1& form = run.Start(*c.mode ? Lines{c.mode} : Lines{});
    EXPECT_EQ(run.Window.Log, Parted(c.log));
    EXPECT_EQ(form.IsClosed(), c.closed);
    EXPECT_EQ(form.ExeDir, run.Dir.Path() / "");
    EXPECT_EQ(run.Settings(),
              c.settingsAfter ? std::optional(CrLf(c.settingsAfter)) : std::nullopt);
    const FakeWindow& lists = c.closed ? untouched : filled;
    EXPECT_EQ(run.Window.Items, lists.Items);
    EXPECT_EQ(run.Window.Selected, lists.Selected);
    EXPECT_EQ(run.Window.LineWidthText, lists.LineWidthText);
    const std::vector<std::string> e = Parted(c.edits ? c.edits : "||");
    const std::array<std::string, 6> shown{
        layout::kRadiusCaption, e[0], layout::kRatioCaption, e[1], layout::kAngleCaption, e[2]};
    EXPECT_EQ(run.Window.Texts, c.edits ? shown : untouched.Texts);
  }
}

TEST(Form, SettingsFileHoldingTheSameBytesIsNotReplaced) {
  const std::string canonical = CrLf("3|-1|0|-1|100|1|0");
  const struct {
    const char* what;
    std::string stored;
    bool replaced;
  } kCases[] = {
      {"the same bytes", canonical, false},
      {"a blank before a value", CrLf(" 3|-1|0|-1|100|1|0"), true},
      {"line feeds alone", "3\n-1\n0\n-1\n100\n1\n0\n", true},
      {"a line more", canonical + "extra\r\n", true},
      {"no end on the last line", canonical.substr(0, canonical.size() - 2), true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FormRun run(kExchange, c.stored);
    // A file time far in the past shows whether the file was replaced or left alone.
    const auto settings = run.Dir / "auxline.dat";
    const auto past = std::filesystem::last_write_time(settings) - std::chrono::hours(24 * 365);
    std::filesystem::last_write_time(settings, past);
    run.Start({"/R2"});
    EXPECT_EQ(run.Settings(), canonical);
    EXPECT_EQ(std::filesystem::last_write_time(settings) != past, c.replaced);
  }
}

TEST(Form, DialogShowsTheStoredSettings) {
  const struct {
    const char* settings;
    std::array<int, 3> selected;
    const char* width;
  } kCases[] = {
      {"3|5|19|25", {4, 6, 19}, "25"},
      {"-1|-1|0|7", {0, 0, 0}, "7"},
      {"15|15|50|0", {16, 16, 50}, "0"},
      {"99|-2|51|-1", {-1, -1, -1}, ""},
      {"2147483647|-2147483648|-1|-5", {-1, -1, -1}, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.settings);
    FormRun run(std::nullopt, CrLf(c.settings));
    run.Start({});
    EXPECT_EQ(run.Window.Selected, c.selected);
    EXPECT_EQ(run.Window.LineWidthText, c.width);
  }
}

TEST(Form, SettingsDialogOkStoresTheChoicesAndKeepsTheRealsAsLoaded) {
  const struct {
    std::array<int, 3> select;  // -1: leave as shown
    const char *width, *stored;
  } kCases[] = {
      {{4, 0, 10}, "", "3|-1|10|-1"},
      {{-1, -1, -1}, "25", "99|5|19|25"},  // no entry for 99: the value stays
      {{0, 16, 50}, "abc", "-1|15|50|0"},
      {{1, 1, 1}, " 30", "0|0|1|30"},
      {{1, 1, 1}, "7", "0|0|1|7"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.width);
    FormRun run(kExchange, CrLf("99|5|19|-1|12.5|0.5|330"));
    TForm1& form = run.Start({});
    for (std::size_t i = 0; i < 3; ++i) {
      if (c.select[i] >= 0) run.Window.Selected[i] = c.select[i];
    }
    run.Window.LineWidthText = c.width;
    form.Button1Click();
    EXPECT_TRUE(form.IsClosed());
    EXPECT_EQ(run.Settings(), CrLf(std::string(c.stored) + "|12.5|0.5|330"));
    EXPECT_EQ(run.Exchange(), kExchange);  // never written without arguments
  }
}

// Cancel saves nothing; the ellipse dialog's Cancel sends the attribute block alone. The
// handlers do nothing after the close.
TEST(Form, CancelSavesNothingAndHandlersAfterTheCloseDoNothing) {
  const struct {
    const char* what;
    Lines args;
    std::string settings, exchange;
  } kCases[] = {
      {"settings dialog", {}, CrLf(" 3|5 |19|25"), kExchange},
      {"ellipse dialog", {"/R10"}, CrLf("3|-1|0|-1|100|1|0"), CrLf("lg3|ly5|lc9|lt3|lw4")},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FormRun run(kExchange, c.settings);
    TForm1& form = run.Start(c.args);
    run.Window.Selected = {8, 5, 5};
    run.Window.LineWidthText = "";
    run.Window.Edit(DrawingWidget::EditA1) = "55";
    form.Button2Click();
    EXPECT_TRUE(run.Window.Closed);
    EXPECT_EQ(run.Settings(), c.settings);
    EXPECT_EQ(run.Exchange(), c.exchange);
    WriteBytes(run.Dir / "JWC_TEMP.TXT", "untouched");
    form.Button1Click();
    form.Button2Click();
    EXPECT_EQ(run.Exchange(), "untouched");
    EXPECT_EQ(run.Settings(), c.settings);
  }
}

// Expected command texts are built here from the host's values (P1 (10, 20), host angle 10).
std::string Circle(const char* radius) { return std::string("ci 10 20 ") + radius; }
std::string Ellipse(const char* radius, double ratio, double tilt) {
  return std::string("ci 10 20 ") + radius + " 0 0 " + RealToText(ratio) + " " + RealToText(tilt);
}

// A radius or ratio not above 1e-8 is refused: the dialog stays open with the user's entries
// and nothing is written; corrected, the next OK reads everything again.
TEST(Form, EllipseDialogOkBuildsTheShapeOrRefusesIt) {
  const struct {
    const char *radius, *ratio, *angle;
    std::optional<std::string> shape;  // nullopt: refused
    const char* storedAngle;
  } kCases[] = {
      {"100", "1", "0", Circle("100"), "0"},
      {"100", "1.000000005", "45", Circle("100"), "45"},
      {"100", "0.999999995", "45", Circle("100"), "45"},
      {"100", "0.5", "-30", Ellipse("100", 0.5, 340.0), "330"},
      {"100", "0.5", "725", Ellipse("100", 0.5, 15.0), "5"},
      {"100", "0.5", "360", Ellipse("100", 0.5, 10.0), "0"},
      {"100", "0.5", "-1e-20", Ellipse("100", 0.5, 10.0), "0"},
      {"2.5", "2", "350", Ellipse("2.5", 2.0, 360.0), "350"},  // tilt is not reduced again
      {"100", "0.5", "abc", Ellipse("100", 0.5, 10.0), "0"},
      {"0", "1", "0", std::nullopt, "0"},
      {"100", "0", "0", std::nullopt, "0"},
      {"12,5", "1", "0", std::nullopt, "0"},
      {"1e-8", "1", "0", std::nullopt, "0"},
      {"100", "-0.5", "0", std::nullopt, "0"},
      {"", "", "0", std::nullopt, "0"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.radius) + " " + c.ratio + " " + c.angle);
    FormRun run(kExchange);
    TForm1& form = run.Start({"/R10"});
    run.Window.Edit(DrawingWidget::EditA1) = c.radius;
    run.Window.Edit(DrawingWidget::EditA2) = c.ratio;
    run.Window.Edit(DrawingWidget::EditA3) = c.angle;
    form.Button1Click();
    if (!c.shape) {
      EXPECT_FALSE(form.IsClosed());
      EXPECT_EQ(run.Window.Edit(DrawingWidget::EditA1), c.radius);
      EXPECT_EQ(run.Settings(), std::nullopt);
      EXPECT_EQ(run.Exchange(), kExchange);
      run.Window.Edit(DrawingWidget::EditA1) = "5";
      run.Window.Edit(DrawingWidget::EditA2) = "1";
      form.Button1Click();
    }
    ASSERT_TRUE(form.IsClosed());
    EXPECT_EQ(run.Exchange(), CrLf(kAttributeBlock + c.shape.value_or(Circle("5"))));
    const auto stored = run.Settings();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->substr(stored->rfind('\n', stored->size() - 3) + 1),
              std::string(c.storedAngle) + "\r\n");
  }
}

TEST(Form, EllipseDialogRestoreBlockFollowsTheValuesReadBack) {
  const struct {
    int group, layer;  // entries chosen in the dialog
    const char* restore;
  } kCases[] = {
      {4, 8, "|lg2|ly5"},  // presets as loaded: both restored
      {0, 0, ""},          // switched to "current": nothing to restore
      {3, 0, "|lg2"},      // the host's group restores; layer "current"
  };
  for (const auto& c : kCases) {
    FormRun run(kExchange, CrLf("3|7|0|-1|100|1|0"));
    TForm1& form = run.Start({"/R10"});
    run.Window.Selected[0] = c.group;
    run.Window.Selected[1] = c.layer;
    form.Button1Click();
    // The attribute block keeps the settings loaded at start.
    EXPECT_EQ(run.Exchange(), CrLf("lg3|ly7|lc9|lt3|lw4|" + Circle("100") + c.restore));
  }
}

// Closed before the run sequence: the hq goes beside the executable, not the working folder.
TEST(Form, CloseBeforeShowWritesBesideTheExecutable) {
  FormRun run(kExchange);
  run.Form.emplace(run.Window, RunMode::Parse({"/R1"}), run.Dir / "auxline");
  InitExchangeState();
  run.Form->Close();
  EXPECT_EQ(run.Exchange(), "hq\r\n");
}

}  // namespace

// A file not read to its end: a run with arguments builds nothing and gives the host hq.
TEST(FormExchangeUnread, RunWithArgumentsBuildsNothing) {
  ExchangeTakeover cutShort;
  cutShort.Bytes = "lg2\r\nhp1 10 20\r\n";
  cutShort.ReadToItsEnd = false;
  enum class Place { TakenOver, Folder, Missing };
  const struct {
    Lines args;
    Place place;
    bool unread;
    std::optional<std::string> exchange;  // afterwards; nullopt: the folder, left alone
  } kCases[] = {
      {{"/R1"}, Place::TakenOver, true, "hq\r\n"},
      {{"/R10"}, Place::TakenOver, true, "hq\r\n"},
      {{"/R7", "30"}, Place::Folder, true, std::nullopt},
      {{"/R99"}, Place::Folder, true, std::nullopt},
      {{}, Place::Folder, false, std::nullopt},
      {{"/R8"}, Place::Missing, false, CrLf("lg0|ly0|lc9|lt1|lw0|pn9|pt 0 0")},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE((c.args.empty() ? "(none)" : c.args[0]) + " " + std::to_string(int(c.place)));
    FormRun run(c.place == Place::TakenOver ? std::optional<std::string>("hq\r\n") : std::nullopt);
    if (c.place == Place::Folder) std::filesystem::create_directory(run.Dir / "JWC_TEMP.TXT");
    const TForm1& form =
        run.Start(c.args, c.place == Place::TakenOver ? std::optional(cutShort) : std::nullopt);
    EXPECT_EQ(form.ExchangeFile() == ExchangeFileOutcome::Unread, c.unread);
    if (c.exchange) {
      EXPECT_EQ(run.Exchange(), c.exchange);
    } else {
      EXPECT_TRUE(std::filesystem::is_directory(run.Dir / "JWC_TEMP.TXT"));
    }
    if (c.unread) {
      EXPECT_EQ(run.Window.Log, (Lines{"minimise", "close"}));
      EXPECT_EQ(run.Settings(), std::nullopt);
    } else if (c.args.empty()) {
      EXPECT_FALSE(form.IsClosed());
      EXPECT_EQ(run.Window.ActivePage, Page::TabSheet2);
    }
  }
}
