// The built program run as the host runs it, files beside it compared after; a construction
// line is checked by its point, direction and 5e7 reach, not by the arithmetic behind it.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "tests/support/run_tool.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kHalf = 5e7;

// Host context: angle 30, layer group 2, layer 5, line type 2, width 4; then `more`.
std::string Host(const std::string& more) { return CrLf("hk 30|lg2|ly5|lc3|lt2|lw4") + CrLf(more); }
const std::string kDefaultSettings = CrLf("-1|-1|0|-1|100|1|0");

// A construction line through (X, Y), `Degrees` one way and the opposite way the other.
struct Through {
  Through(double x, double y, double degrees) : X(x), Y(y), Degrees(degrees) {}
  double X, Y, Degrees;
};

// The difference of two angles in radians, brought into [-pi, pi].
double AngleBetween(double a, double b) { return std::remainder(a - b, 2 * kPi); }

// "x1 y1 x2 y2" runs from P + 5e7 (cos t, sin t) to P - 5e7 (cos t, sin t), to 15 digits.
void ExpectLine(const std::string& written, const Through& expected) {
  SCOPED_TRACE(written);
  std::istringstream numbers(written);
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  ASSERT_TRUE(numbers >> x1 >> y1 >> x2 >> y2);
  const double theta = expected.Degrees / 180.0 * kPi;
  const double distance = 1e-6;  // the last digit written of a coordinate near 5e7 is 1e-7
  EXPECT_NEAR(std::hypot(x1 - expected.X, y1 - expected.Y), kHalf, distance);
  EXPECT_NEAR(std::hypot(x2 - expected.X, y2 - expected.Y), kHalf, distance);
  const double direction = 1e-12;  // 1e-6 over 5e7, with room to spare
  EXPECT_NEAR(AngleBetween(std::atan2(y1 - expected.Y, x1 - expected.X), theta), 0.0, direction);
  EXPECT_NEAR(AngleBetween(std::atan2(expected.Y - y2, expected.X - x2), theta), 0.0, direction);
}

// The default attribute block, then `tail`.
std::string Block(const std::string& tail) { return CrLf("lg2|ly5|lc9|lt2|lw4") + CrLf(tail); }

struct Outcome {
  int status = -1;
  std::optional<std::string> exchange;
  std::optional<std::string> settings;
  bool workingDirTouched = false;
  bool folderKept = false;
  std::optional<std::string> printed;  // standard output and error together
};

// The program copied to a fresh directory with the files (nullopt: none; `folder`: a folder
// there) and run from another, so only its own location can lead it to them.
Outcome RunInFreshDir(const std::vector<std::string>& args,
                      std::optional<std::string_view> exchange,
                      std::optional<std::string_view> settings = std::nullopt,
                      const char* folder = "") {
  TempDir toolDir;
  TempDir workingDir;
  TempDir outputDir;
  const auto exe = toolDir / "auxline";
  std::filesystem::copy_file(AUXLINE_EXE, exe);
  if (*folder != '\0') std::filesystem::create_directory(toolDir / folder);
  if (exchange) WriteBytes(toolDir / "JWC_TEMP.TXT", *exchange);
  if (settings) WriteBytes(toolDir / "auxline.dat", *settings);
  Outcome outcome;
  outcome.status = RunTool(exe, args, workingDir.Path(), outputDir / "output");
  outcome.printed = ReadBytes(outputDir / "output");
  EXPECT_EQ(outcome.printed, "");  // the tool never says anything
  outcome.folderKept = *folder != '\0' && std::filesystem::is_directory(toolDir / folder);
  outcome.exchange = ReadBytes(toolDir / "JWC_TEMP.TXT");
  outcome.settings = ReadBytes(toolDir / "auxline.dat");
  outcome.workingDirTouched = !std::filesystem::is_empty(workingDir.Path());
  for (const std::string& name : toolDir.Entries()) {
    // A failed run also says why, in its log.
    const bool failedRunsLog = name == "auxline.log" && outcome.status != 0;
    EXPECT_TRUE(name == "auxline" || name == "auxline.dat" || name == "JWC_TEMP.TXT" ||
                failedRunsLog)
        << name;
  }
  return outcome;
}

// Expected exchange file: exact bytes, or the default block and one line checked as above.
struct ModeCase {
  const char* name;
  const char* args;  // parted by blanks
  std::string exchange;
  std::variant<std::string, Through> expected;
};

void ExpectOneLineAfterTheBlock(const std::optional<std::string>& exchange, const Through& line) {
  ASSERT_TRUE(exchange.has_value());
  const std::string head = Block("");
  ASSERT_EQ(exchange->substr(0, head.size()), head);
  const std::string rest = exchange->substr(head.size());
  ASSERT_TRUE(rest.ends_with("\r\n")) << rest;
  const std::string written = rest.substr(0, rest.size() - 2);
  ASSERT_EQ(written.find('\n'), std::string::npos) << "more than one line: " << rest;
  ExpectLine(written, line);
}

void ExpectModeRuns(const std::vector<ModeCase>& cases) {
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args;
    std::istringstream words(c.args);
    for (std::string word; words >> word;) args.push_back(word);
    const Outcome outcome = RunInFreshDir(args, c.exchange);
    EXPECT_EQ(outcome.status, 0);
    if (const auto* bytes = std::get_if<std::string>(&c.expected)) {
      EXPECT_EQ(outcome.exchange, *bytes);
    } else {
      ExpectOneLineAfterTheBlock(outcome.exchange, std::get<Through>(c.expected));
    }
    EXPECT_EQ(outcome.settings, kDefaultSettings);  // saved unchanged, defaults here
    EXPECT_FALSE(outcome.workingDirTouched);
  }
}

TEST(EndToEnd, LineModes) {
  const std::string points = Host("hp1 100 200|hp2 400 600");
  ExpectModeRuns({
      {"R1 through two points", "/R1", Host("hp1 0 0|hp2 10 10"), Through(5, 5, 45)},
      {"R1 from right to left", "/R1", Host("hp1 10 2|hp2 -10 2"), Through(0, 2, 180)},
      {"R1 downwards", "/R1", Host("hp1 1 1|hp2 1 -3"), Through(1, -1, 270)},
      {"R1 horizontal, checked by hand", "/R1", Host("hp1 0 0|hp2 10 0"),
       Block("50000005 0 -49999995 6.12323399573677E-9")},
      {"R1 equal points", "/R1", Host("hp1 3 4|hp2 3 4"),
       Block("50000003 4 -49999997 4.00000000612323")},
      {"R1 no points", "/R1", Host(""), Through(0, 0, 0)},
      {"R2 host angle", "/R2", points, Through(100, 200, 30)},
      {"R2 without hk", "/R2", CrLf("lg2|ly5|lt2|lw4|hp1 100 200"), Through(100, 200, 0)},
      {"R3 host angle 30", "/R3", points, Through(100, 200, 120)},
      {"R4 with 45", "/R4 45", points, Through(100, 200, 75)},
      {"R4 with -100", "/R4 -100", points, Through(100, 200, -70)},
      {"R4 without angle", "/R4", points, Through(100, 200, 30)},
      {"R4 unreadable angle, extra arguments", "/R4 abc 90 x", points, Through(100, 200, 30)},
  });
}

TEST(EndToEnd, FirstLineModes) {
  const auto withLine = [](std::string_view line) {
    return Host("hp1 1 1|hp2 400 600|" + std::string(line));
  };
  ExpectModeRuns({
      {"R5 forward line", "/R5", withLine("0 0 10 0"), Through(400, 600, 0)},
      {"R5 reversed line", "/R5", withLine("0 0 -10 0"), Through(400, 600, 0)},
      {"R5 first line only", "/R5", withLine("0 0 10 10|0 0 0 10"), Through(400, 600, 45)},
      {"R5 line falling to the left", "/R5", withLine("3 4 -3 -4"),
       Through(400, 600, 53.13010235415598)},
      {"R6 line at 270", "/R6", withLine("0 0 0 -10"), Through(400, 600, 180)},
      {"R6 line at 150", "/R6", withLine("0 0 -10 5.773502691896258"), Through(400, 600, 240)},
      {"R7 with 30", "/R7 30", withLine("0 0 10 0"), Through(400, 600, 30)},
      {"R7 with 30, reversed", "/R7 30", withLine("0 0 -10 0"), Through(400, 600, 30)},
      {"R7 without angle", "/R7", withLine("5 5 5 15"), Through(400, 600, 90)},
  });
}

TEST(EndToEnd, PointAndCircleModes) {
  ExpectModeRuns({
      {"R8", "/R8", Host("hp1 1.5 -2"), Block("pn9|pt 1.5 -2")},
      {"R9", "/R9", Host("hp1 0 0|hp2 3 4"), Block("ci 0 0 5")},
      {"R9 P2 on P1", "/R9", Host("hp1 7 7|hp2 7 7"), Block("")},
  });
}

TEST(EndToEnd, UnrecognisedModesBuildNothing) {
  for (const char* mode : {"/r1", "/R01", "/R11", "R1", "/R1 ", ""}) {
    SCOPED_TRACE(mode);
    const Outcome outcome =
        RunInFreshDir({mode}, Host("hp1 0 0|hp2 10 10"), CrLf("3|7|0|-1|100|1|0"));
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.exchange, CrLf("lg3|ly7|lc9|lt2|lw4|lg2|ly5"));
    EXPECT_EQ(outcome.settings, CrLf("3|7|0|-1|100|1|0"));
  }
}

TEST(EndToEnd, FirstLineModesWithoutALineSendTheAttributeBlockOnly) {
  const std::string stored = CrLf(" 3|7|0|-1|100|1|0");
  for (const char* mode : {"/R5", "/R6", "/R7"}) {
    SCOPED_TRACE(mode);
    const Outcome outcome = RunInFreshDir({mode, "30"}, Host("hp1 0 0|hp2 10 10"), stored);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.exchange, CrLf("lg3|ly7|lc9|lt2|lw4"));
    EXPECT_EQ(outcome.settings, stored);  // the run ends before saving: bytes untouched
  }
}

// Stored group, layer, line type and width: attribute block before the line, restore after.
TEST(EndToEnd, AttributeAndRestoreBlocks) {
  const struct {
    const char* what;
    const char *settings, *head, *restore;
  } kCases[] = {
      {"host's current", "-1|-1|0|-1", "lg2|ly5|lc9|lt2|lw4", ""},
      {"other group and layer", "3|7|0|-1", "lg3|ly7|lc9|lt2|lw4", "|lg2|ly5"},
      {"group equal to host's", "2|7|0|-1", "lg2|ly7|lc9|lt2|lw4", "|ly5"},
      {"layer equal to host's", "15|5|0|-1", "lgF|ly5|lc9|lt2|lw4", "|lg2"},
      {"line type and width mapped", "-1|-1|19|25", "lg2|ly5|lc9|lt31|lw25", ""},
      {"line type 10, width too wide", "-1|-1|10|30001", "lg2|ly5|lc9|lt11|lw0", ""},
      {"group out of list range", "99|-1|50|30000", "lg63|ly5|lc9|lt62|lw30000", "|lg2"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const std::string stored = CrLf(std::string(c.settings) + "|100|1|0");
    const Outcome outcome = RunInFreshDir({"/R1"}, Host("hp1 0 0|hp2 10 0"), stored);
    EXPECT_EQ(outcome.exchange,
              CrLf(std::string(c.head) + "|50000005 0 -49999995 6.12323399573677E-9" + c.restore));
    EXPECT_EQ(outcome.settings, stored);
  }
}

TEST(EndToEnd, SettingsFileVariants) {
  const struct {
    const char* what;
    std::optional<std::string> settings;
    const char *expected, *rewritten;
  } kCases[] = {
      {"missing", std::nullopt, "lg2|ly5|lc9|lt2|lw4|ci 0 0 5", "-1|-1|0|-1|100|1|0"},
      {"empty", "", "lg0|ly0|lc9|lt2|lw0|ci 0 0 5|lg2|ly5", "0|0|0|0|0|0|0"},
      {"four integer lines", CrLf("3|7|5|25"), "lg3|ly7|lc9|lt5|lw25|ci 0 0 5|lg2|ly5",
       "3|7|5|25|0|0|0"},
      {"lone LF, no final break", "3\n-1\n5\n25\n12.5\n0.5\n330",
       "lg3|ly5|lc9|lt5|lw25|ci 0 0 5|lg2", "3|-1|5|25|12.5|0.5|330"},
      {"padded with blanks", CrLf("  3|7 |5|25| 12.5|0.5 |330"),
       "lg3|ly0|lc9|lt5|lw25|ci 0 0 5|lg2|ly5", "3|0|5|25|12.5|0|330"},
      {"lines after the seventh", CrLf("3|-1|5|25|12.5|0.5|330") + std::string(5000, '#'),
       "lg3|ly5|lc9|lt5|lw25|ci 0 0 5|lg2", "3|-1|5|25|12.5|0.5|330"},
      {"decimal comma", CrLf("-1|-1|0|-1|12,5|1|0"), "lg2|ly5|lc9|lt2|lw4|ci 0 0 5",
       "-1|-1|0|-1|0|1|0"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const Outcome outcome = RunInFreshDir({"/R9"}, Host("hp1 0 0|hp2 3 4"), c.settings);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.exchange, CrLf(c.expected));
    EXPECT_EQ(outcome.settings, CrLf(c.rewritten));
  }
}

TEST(EndToEnd, DialogRunsWithoutAWindow) {
  const std::string exchange = Host("hp1 0 0");
  const std::string stored = CrLf("3|-1|0|-1|12.5|0.5|330");

  // No argument: the exchange file is read but never written, the settings never saved.
  Outcome outcome = RunInFreshDir({}, exchange, stored);
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.exchange, exchange);
  EXPECT_EQ(outcome.settings, stored);

  // "/R10" with no dialog program: the exchange file, already taken over, says nothing to draw.
  outcome = RunInFreshDir({"/R10"}, exchange, stored);
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.exchange, "hq\r\n");
  EXPECT_EQ(outcome.settings, stored);
}

// A folder where a file belongs is left alone: defaults for settings, failure for exchange.
TEST(EndToEnd, FoldersAndMissingFiles) {
  const struct {
    const char* what;
    const char* mode;
    const char* folder;
    std::optional<std::string> exchange;
    int status;
    std::optional<std::string> written;
  } kCases[] = {
      {"settings file a folder", "/R9", "auxline.dat", Host("hp1 0 0|hp2 3 4"), 0,
       Block("ci 0 0 5")},
      {"exchange file missing", "/R8", "", std::nullopt, 0, CrLf("lg0|ly0|lc9|lt1|lw0|pn9|pt 0 0")},
      {"exchange file a folder", "/R1", "JWC_TEMP.TXT", std::nullopt, 1, std::nullopt},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const Outcome outcome = RunInFreshDir({c.mode}, c.exchange, std::nullopt, c.folder);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(outcome.folderKept, *c.folder != '\0');
    EXPECT_EQ(outcome.exchange, c.written);
  }
}

}  // namespace
