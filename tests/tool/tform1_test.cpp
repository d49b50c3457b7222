// The form's handlers driven through the fake window: what the run sequence puts into the
// dialog, and what OK and Cancel store and send.
#include "tool/tform1.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "exchange/state/exchange_state.h"
#include "exchange/writing/real_text.h"
#include "tests/support/fake_window.h"
#include "tests/support/temp_dir.h"
#include "tool/dialog_layout.h"

namespace {

// Host context: angle 10, layer group 2, layer 5, line type 3, width 4, P1 (10, 20).
const std::string kExchange =
    CrLfLines({"hk 10", "lg2", "ly5", "lc1", "lt3", "lw4", "hp1 10 20", "hp2 40 60", "0 0 100 0"});
const std::vector<std::string> kAttributeBlock = {"lg2", "ly5", "lc9", "lt3", "lw4"};

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

std::vector<std::string> Plus(std::vector<std::string> lines,
                              std::initializer_list<std::string> more) {
  lines.insert(lines.end(), more);
  return lines;
}

class FormTest : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> args, std::optional<std::string> settings = std::nullopt) {
    WriteBytes(dir_ / "JWC_TEMP.TXT", kExchange);
    if (settings) WriteBytes(dir_ / "auxline.dat", *settings);
    form_.emplace(window_, std::move(args), dir_ / "auxline");
    window_.Run(*form_);
  }
  std::optional<std::string> Exchange() const { return ReadBytes(dir_ / "JWC_TEMP.TXT"); }
  std::optional<std::string> Settings() const { return ReadBytes(dir_ / "auxline.dat"); }

  TempDir dir_;
  FakeWindow window_;
  std::optional<TForm1> form_;
};

const std::vector<std::string> kHideAll = {"hide LabelA1", "hide EditA1",  "hide LabelA2",
                                           "hide EditA2",  "hide LabelA3", "hide EditA3"};

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

TEST_F(FormTest, ModeRunStaysMinimisedAndClosesInsideTheRunSequence) {
  Start({"/R1"});
  EXPECT_EQ(window_.Log, Concat({{"minimise"}, kHideAll, {"close"}}));
  EXPECT_TRUE(form_->IsClosed());
  EXPECT_EQ(form_->ExeDir, dir_.Path() / "");
  EXPECT_EQ(Settings(), CrLfLines({"-1", "-1", "0", "-1", "100", "1", "0"}));
}

TEST_F(FormTest, SettingsFileHoldingTheSameBytesIsNotReplaced) {
  const std::string canonical = CrLfLines({"3", "-1", "0", "-1", "100", "1", "0"});
  const struct {
    std::string stored;
    bool replaced;
  } cases[] = {
      {canonical, false},
      {CrLfLines({" 3", "-1", "0", "-1", "100", "1", "0"}), true},
      {"3\n-1\n0\n-1\n100\n1\n0\n", true},
      {canonical + "extra\r\n", true},
      {canonical.substr(0, canonical.size() - 2), true},
  };
  for (const auto& c : cases) {
    FakeWindow window;
    TempDir dir;
    WriteBytes(dir / "JWC_TEMP.TXT", kExchange);
    WriteBytes(dir / "auxline.dat", c.stored);
    // A file time far in the past shows whether the file was replaced or left alone.
    const auto past =
        std::filesystem::last_write_time(dir / "auxline.dat") - std::chrono::hours(24 * 365);
    std::filesystem::last_write_time(dir / "auxline.dat", past);
    TForm1 form(window, {"/R2"}, dir / "auxline");
    window.Run(form);
    EXPECT_EQ(ReadBytes(dir / "auxline.dat"), canonical);
    EXPECT_EQ(std::filesystem::last_write_time(dir / "auxline.dat") != past, c.replaced);
  }
}

TEST_F(FormTest, FirstLineModeWithoutLineClosesBeforeTouchingWidgets) {
  WriteBytes(dir_ / "JWC_TEMP.TXT", CrLfLines({"lg2", "hp1 1 1", "hp2 2 2"}));
  form_.emplace(window_, std::vector<std::string>{"/R6"}, dir_ / "auxline");
  form_->FormShow();
  EXPECT_EQ(window_.Log, (std::vector<std::string>{"minimise", "close"}));
  EXPECT_EQ(Settings(), std::nullopt);  // the run ended before saving
}

TEST_F(FormTest, SettingsDialogWithoutSettingsFile) {
  window_.Cursor = {10, 5};
  Start({});
  EXPECT_EQ(
      window_.Log,
      Concat({{"page 2"}, kHideAll, {"move -130 -102", "normal", "fill 1", "fill 2", "fill 3"}}));
  EXPECT_FALSE(form_->IsClosed());
  EXPECT_EQ(window_.Items[0], layout::LayerGroupItems());
  EXPECT_EQ(window_.Items[1], layout::LayerItems());
  EXPECT_EQ(window_.Items[2], layout::LineTypeItems());
  EXPECT_EQ(window_.Selected, (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(window_.LineWidthText, "");
  EXPECT_EQ(window_.ActivePage, Page::TabSheet2);
}

TEST_F(FormTest, DialogShowsTheStoredSettings) {
  const struct {
    std::string settings;
    std::array<int, 3> selected;
    const char* width;
  } cases[] = {
      {CrLfLines({"3", "5", "19", "25"}), {4, 6, 19}, "25"},
      {CrLfLines({"-1", "-1", "0", "7"}), {0, 0, 0}, "7"},
      {CrLfLines({"15", "15", "50", "0"}), {16, 16, 50}, "0"},
      {CrLfLines({"99", "-2", "51", "-1"}), {-1, -1, -1}, ""},
      {CrLfLines({"2147483647", "-2147483648", "-1", "-5"}), {-1, -1, -1}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings);
    FakeWindow window;
    TempDir dir;
    WriteBytes(dir / "auxline.dat", c.settings);
    TForm1 form(window, {}, dir / "auxline");
    form.FormShow();
    EXPECT_EQ(window.Selected, c.selected);
    EXPECT_EQ(window.LineWidthText, c.width);
  }
}

TEST_F(FormTest, SettingsDialogOkStoresTheChoicesAndKeepsTheRealsAsLoaded) {
  const struct {
    std::array<int, 3> select;  // -1: leave as shown
    const char* width;
    std::vector<std::string> stored;
  } cases[] = {
      {{4, 0, 10}, "", {"3", "-1", "10", "-1"}},
      {{-1, -1, -1}, "25", {"99", "5", "19", "25"}},  // no entry for 99: the value stays
      {{0, 16, 50}, "abc", {"-1", "15", "50", "0"}},
      {{1, 1, 1}, " 30", {"0", "0", "1", "30"}},
      {{1, 1, 1}, "7", {"0", "0", "1", "7"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    FakeWindow window;
    TempDir dir;
    WriteBytes(dir / "auxline.dat", CrLfLines({"99", "5", "19", "-1", "12.5", "0.5", "330"}));
    WriteBytes(dir / "JWC_TEMP.TXT", kExchange);
    TForm1 form(window, {}, dir / "auxline");
    window.Run(form);
    for (std::size_t i = 0; i < 3; ++i) {
      if (c.select[i] >= 0) window.Selected[i] = c.select[i];
    }
    window.LineWidthText = c.width;
    form.Button1Click();
    EXPECT_TRUE(form.IsClosed());
    EXPECT_EQ(ReadBytes(dir / "auxline.dat"), Lines(Plus(c.stored, {"12.5", "0.5", "330"})));
    EXPECT_EQ(ReadBytes(dir / "JWC_TEMP.TXT"), kExchange);  // never written without arguments
  }
}

TEST_F(FormTest, SettingsDialogCancelSavesNothing) {
  const std::string padded = CrLfLines({" 3", "5 ", "19", "25"});
  Start({}, padded);
  window_.Selected = {5, 5, 5};
  window_.LineWidthText = "";
  form_->Button2Click();
  EXPECT_TRUE(window_.Closed);
  EXPECT_EQ(Settings(), padded);
  EXPECT_EQ(Exchange(), kExchange);
}

TEST_F(FormTest, EllipseDialogShowsTheDrawingTab) {
  Start({"/R10"}, CrLfLines({"-1", "-1", "0", "-1", "12.5", "0.5", "330"}));
  EXPECT_EQ(window_.Log, Concat({{"minimise"},
                                 kHideAll,
                                 {"show LabelA1", "show EditA1", "show LabelA2", "show EditA2",
                                  "show LabelA3", "show EditA3", "page 1", "move 360 293", "normal",
                                  "fill 1", "fill 2", "fill 3"}}));
  EXPECT_EQ(window_.Texts,
            (std::array<std::string, 6>{layout::kRadiusCaption, "12.5", layout::kRatioCaption,
                                        "0.5", layout::kAngleCaption, "330"}));
  EXPECT_FALSE(form_->IsClosed());
}

TEST_F(FormTest, EllipseDialogDefaultsShowAs100And1And0) {
  Start({"/R10"});
  EXPECT_EQ(window_.Edit(DrawingWidget::EditA1), "100");
  EXPECT_EQ(window_.Edit(DrawingWidget::EditA2), "1");
  EXPECT_EQ(window_.Edit(DrawingWidget::EditA3), "0");
}

// Expected command texts are built here from the host's values (P1 (10, 20), host angle 10).
std::string Circle(const char* radius) { return std::string("ci 10 20 ") + radius; }
std::string Ellipse(const char* radius, double ratio, double tilt) {
  return std::string("ci 10 20 ") + radius + " 0 0 " + RealToText(ratio) + " " + RealToText(tilt);
}

TEST_F(FormTest, EllipseDialogOkBuildsTheShape) {
  const struct {
    const char* radius;
    const char* ratio;
    const char* angle;
    std::string shape;
    const char* storedAngle;
  } cases[] = {
      {"100", "1", "0", Circle("100"), "0"},
      {"100", "1.000000005", "45", Circle("100"), "45"},
      {"100", "0.999999995", "45", Circle("100"), "45"},
      {"100", "0.5", "-30", Ellipse("100", 0.5, 340.0), "330"},
      {"100", "0.5", "725", Ellipse("100", 0.5, 15.0), "5"},
      {"100", "0.5", "360", Ellipse("100", 0.5, 10.0), "0"},
      {"100", "0.5", "-1e-20", Ellipse("100", 0.5, 10.0), "0"},
      {"2.5", "2", "350", Ellipse("2.5", 2.0, 360.0), "350"},  // tilt is not reduced again
      {"100", "0.5", "abc", Ellipse("100", 0.5, 10.0), "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.radius) + " " + c.ratio + " " + c.angle);
    FakeWindow window;
    TempDir dir;
    WriteBytes(dir / "JWC_TEMP.TXT", kExchange);
    TForm1 form(window, {"/R10"}, dir / "auxline");
    window.Run(form);
    window.Edit(DrawingWidget::EditA1) = c.radius;
    window.Edit(DrawingWidget::EditA2) = c.ratio;
    window.Edit(DrawingWidget::EditA3) = c.angle;
    form.Button1Click();
    ASSERT_TRUE(form.IsClosed());
    EXPECT_EQ(ReadBytes(dir / "JWC_TEMP.TXT"), Lines(Plus(kAttributeBlock, {c.shape})));
    const auto stored = ReadBytes(dir / "auxline.dat");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->substr(stored->rfind('\n', stored->size() - 3) + 1),
              std::string(c.storedAngle) + "\r\n");
  }
}

TEST_F(FormTest, EllipseDialogRefusesRadiusOrRatioNotAbove1e8) {
  const struct {
    const char* radius;
    const char* ratio;
  } cases[] = {{"0", "1"}, {"100", "0"}, {"12,5", "1"}, {"1e-8", "1"}, {"100", "-0.5"}, {"", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.radius) + " " + c.ratio);
    FakeWindow window;
    TempDir dir;
    WriteBytes(dir / "JWC_TEMP.TXT", kExchange);
    TForm1 form(window, {"/R10"}, dir / "auxline");
    window.Run(form);
    window.Edit(DrawingWidget::EditA1) = c.radius;
    window.Edit(DrawingWidget::EditA2) = c.ratio;
    form.Button1Click();
    EXPECT_FALSE(form.IsClosed());
    EXPECT_EQ(window.Edit(DrawingWidget::EditA1), c.radius);  // the user's entries stay
    EXPECT_EQ(ReadBytes(dir / "auxline.dat"), std::nullopt);
    EXPECT_EQ(ReadBytes(dir / "JWC_TEMP.TXT"), kExchange);

    // Corrected, the next OK reads everything again.
    window.Edit(DrawingWidget::EditA1) = "5";
    window.Edit(DrawingWidget::EditA2) = "1";
    form.Button1Click();
    EXPECT_TRUE(form.IsClosed());
    EXPECT_EQ(ReadBytes(dir / "JWC_TEMP.TXT"), Lines(Plus(kAttributeBlock, {Circle("5")})));
  }
}

TEST_F(FormTest, EllipseDialogRestoreBlockFollowsTheValuesReadBack) {
  const std::string stored = CrLfLines({"3", "7", "0", "-1", "100", "1", "0"});
  const std::vector<std::string> presetBlock = {"lg3", "ly7", "lc9", "lt3", "lw4"};
  const struct {
    int group, layer;  // entries chosen in the dialog
    std::vector<std::string> tail;
  } cases[] = {
      {4, 8, {Circle("100"), "lg2", "ly5"}},  // presets as loaded: both restored
      {0, 0, {Circle("100")}},                // switched to "current": nothing to restore
      {3, 0, {Circle("100"), "lg2"}},         // the host's group restores; layer "current"
  };
  for (const auto& c : cases) {
    FakeWindow window;
    TempDir dir;
    WriteBytes(dir / "JWC_TEMP.TXT", kExchange);
    WriteBytes(dir / "auxline.dat", stored);
    TForm1 form(window, {"/R10"}, dir / "auxline");
    window.Run(form);
    window.Selected[0] = c.group;
    window.Selected[1] = c.layer;
    form.Button1Click();
    // The attribute block keeps the settings loaded at start.
    EXPECT_EQ(ReadBytes(dir / "JWC_TEMP.TXT"), Lines(Concat({presetBlock, c.tail})));
  }
}

TEST_F(FormTest, EllipseDialogCancelSendsTheAttributeBlockOnly) {
  const std::string stored = CrLfLines({"3", "-1", "0", "-1", "100", "1", "0"});
  Start({"/R10"}, stored);
  window_.Selected[0] = 8;
  window_.Edit(DrawingWidget::EditA1) = "55";
  form_->Button2Click();
  EXPECT_TRUE(window_.Closed);
  EXPECT_EQ(Settings(), stored);
  EXPECT_EQ(Exchange(), Lines({"lg3", "ly5", "lc9", "lt3", "lw4"}));
}

TEST_F(FormTest, HandlersAfterCloseDoNothing) {
  Start({"/R10"});
  form_->Button2Click();
  WriteBytes(dir_ / "JWC_TEMP.TXT", "untouched");
  form_->Button1Click();
  form_->Button2Click();
  EXPECT_EQ(Exchange(), "untouched");
  EXPECT_EQ(Settings(), std::nullopt);
}

// The window closed before the run sequence ran: the exchange file's path is fixed with the
// form, so the host's file beside the executable gets "hq", and nothing lands in the
// working directory.
TEST_F(FormTest, CloseBeforeShowWritesBesideTheExecutable) {
  WriteBytes(dir_ / "JWC_TEMP.TXT", kExchange);
  form_.emplace(window_, std::vector<std::string>{"/R1"}, dir_ / "auxline");
  InitExchangeState();
  form_->Close();
  EXPECT_EQ(Exchange(), "hq\r\n");
}

}  // namespace

// An exchange file that is there but was not read to its end: a run with arguments builds
// nothing on what was read, shows no dialog, saves nothing and gives the host "hq"; the
// settings dialog uses nothing of the file and opens as always. A missing file still
// means the defaults.
TEST(FormExchangeUnread, RunWithArgumentsBuildsNothing) {
  ExchangeTakeover cutShort;
  cutShort.Bytes = "lg2\r\nhp1 10 20\r\n";
  cutShort.ReadToItsEnd = false;
  enum class Place { TakenOver, Folder, Missing };
  const struct {
    std::vector<std::string> args;
    Place place;
    bool unread;
    std::optional<std::string> exchange;  // afterwards; nullopt: the folder, left alone
  } cases[] = {
      {{"/R1"}, Place::TakenOver, true, "hq\r\n"},
      {{"/R10"}, Place::TakenOver, true, "hq\r\n"},
      {{"/R7", "30"}, Place::Folder, true, std::nullopt},
      {{"/R99"}, Place::Folder, true, std::nullopt},
      {{}, Place::Folder, false, std::nullopt},
      {{"/R8"}, Place::Missing, false, Lines({"lg0", "ly0", "lc9", "lt1", "lw0", "pn9", "pt 0 0"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE((c.args.empty() ? "(none)" : c.args[0]) + " " + std::to_string(int(c.place)));
    TempDir dir;
    FakeWindow window;
    if (c.place == Place::Folder) std::filesystem::create_directory(dir / "JWC_TEMP.TXT");
    if (c.place == Place::TakenOver) WriteBytes(dir / "JWC_TEMP.TXT", "hq\r\n");
    std::optional<ExchangeTakeover> takenOver;
    if (c.place == Place::TakenOver) takenOver = cutShort;
    TForm1 form(window, c.args, dir / "auxline", takenOver);
    window.Run(form);
    EXPECT_EQ(form.ExchangeFileUnread(), c.unread);
    if (c.exchange) {
      EXPECT_EQ(ReadBytes(dir / "JWC_TEMP.TXT"), c.exchange);
    } else {
      EXPECT_TRUE(std::filesystem::is_directory(dir / "JWC_TEMP.TXT"));
    }
    if (c.unread) {
      EXPECT_EQ(window.Log, (std::vector<std::string>{"minimise", "close"}));
      EXPECT_EQ(ReadBytes(dir / "auxline.dat"), std::nullopt);
    } else if (c.args.empty()) {
      EXPECT_FALSE(form.IsClosed());
      EXPECT_EQ(window.ActivePage, Page::TabSheet2);
    }
  }
}
