// The built program run as the host runs it, files beside it compared after; a construction
// line is checked by its point, direction and 5e7 reach, not by the arithmetic behind it.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <set>
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
  double X, Y, Degrees;
};

// The difference of two angles in radians, brought into [-pi, pi].
double AngleBetween(double a, double b) { return std::remainder(a - b, 2 * kPi); }

// The default attribute block, then `tail`.
std::string Block(const std::string& tail) { return CrLf("lg2|ly5|lc9|lt2|lw4") + CrLf(tail); }

// The default block, then one line "x1 y1 x2 y2" from P + 5e7 (cos t, sin t) to
// P - 5e7 (cos t, sin t), to 15 digits.
void ExpectBlockAndLine(const std::optional<std::string>& exchange, const Through& expected) {
  const std::string head = Block("");
  ASSERT_TRUE(exchange.has_value());
  ASSERT_EQ(exchange->substr(0, head.size()), head);
  const std::string written = exchange->substr(head.size());
  SCOPED_TRACE(written);
  ASSERT_TRUE(written.ends_with("\r\n"));
  ASSERT_EQ(written.find('\n'), written.size() - 1) << "more than one line";
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

// A run: the files beside the program before (nullopt: none; `folder`: a folder of that name
// there) and after; the exchange file after as exact bytes or as the default block and a line.
struct ToolRun {
  const char* what;
  const char* args;  // parted by '|'; nullptr: none
  std::optional<std::string> exchange;
  std::variant<std::optional<std::string>, Through> written;
  int status = 0;
  std::optional<std::string> settings = std::nullopt;
  std::optional<std::string> settingsAfter = kDefaultSettings;
  const char* folder = "";
};

// The program is copied to a fresh directory and run from another, so only its own location
// can lead it to its files; it never prints, never touches the working directory, and leaves
// nothing of its own beside it but the log of a failed run.
void ExpectRun(const ToolRun& c) {
  SCOPED_TRACE(c.what);
  TempDir toolDir;
  TempDir workingDir;
  TempDir outputDir;
  const auto exe = toolDir / "auxline";
  std::filesystem::copy_file(AUXLINE_EXE, exe);
  if (*c.folder != '\0') std::filesystem::create_directory(toolDir / c.folder);
  if (c.exchange) WriteBytes(toolDir / "JWC_TEMP.TXT", *c.exchange);
  if (c.settings) WriteBytes(toolDir / "auxline.dat", *c.settings);
  const std::vector<std::string> args =
      c.args != nullptr ? Parted(c.args) : std::vector<std::string>();
  EXPECT_EQ(RunTool(exe, args, workingDir.Path(), outputDir / "output"), c.status);
  EXPECT_EQ(ReadBytes(outputDir / "output"), "");
  EXPECT_TRUE(std::filesystem::is_empty(workingDir.Path()));
  EXPECT_TRUE(*c.folder == '\0' || std::filesystem::is_directory(toolDir / c.folder));
  if (const auto* bytes = std::get_if<std::optional<std::string>>(&c.written)) {
    EXPECT_EQ(ReadBytes(toolDir / "JWC_TEMP.TXT"), *bytes);
  } else {
    ExpectBlockAndLine(ReadBytes(toolDir / "JWC_TEMP.TXT"), std::get<Through>(c.written));
  }
  EXPECT_EQ(ReadBytes(toolDir / "auxline.dat"), c.settingsAfter);
  const std::set<std::string> own = {"auxline", "auxline.dat", "JWC_TEMP.TXT"};
  for (const std::string& name : toolDir.Entries()) {
    EXPECT_TRUE(own.contains(name) || (name == "auxline.log" && c.status != 0)) << name;
  }
}

TEST(EndToEnd, EachModeBuildsItsConstruction) {
  const std::string points = Host("hp1 100 200|hp2 400 600");
  const auto withLine = [](std::string_view line) {
    return Host("hp1 1 1|hp2 400 600|" + std::string(line));
  };
  const ToolRun kRuns[] = {
      {"R1 through two points", "/R1", Host("hp1 0 0|hp2 10 10"), Through{5, 5, 45}},
      {"R1 from right to left", "/R1", Host("hp1 10 2|hp2 -10 2"), Through{0, 2, 180}},
      {"R1 downwards", "/R1", Host("hp1 1 1|hp2 1 -3"), Through{1, -1, 270}},
      {"R1 horizontal, checked by hand", "/R1", Host("hp1 0 0|hp2 10 0"),
       Block("50000005 0 -49999995 6.12323399573677E-9")},
      {"R1 equal points", "/R1", Host("hp1 3 4|hp2 3 4"),
       Block("50000003 4 -49999997 4.00000000612323")},
      {"R1 no points", "/R1", Host(""), Through{0, 0, 0}},
      {"R2 host angle", "/R2", points, Through{100, 200, 30}},
      {"R2 without hk", "/R2", CrLf("lg2|ly5|lt2|lw4|hp1 100 200"), Through{100, 200, 0}},
      {"R3 host angle 30", "/R3", points, Through{100, 200, 120}},
      {"R4 with 45", "/R4|45", points, Through{100, 200, 75}},
      {"R4 with -100", "/R4|-100", points, Through{100, 200, -70}},
      {"R4 without angle", "/R4", points, Through{100, 200, 30}},
      {"R4 unreadable angle, extra arguments", "/R4|abc|90|x", points, Through{100, 200, 30}},
      {"R5 forward line", "/R5", withLine("0 0 10 0"), Through{400, 600, 0}},
      {"R5 reversed line", "/R5", withLine("0 0 -10 0"), Through{400, 600, 0}},
      {"R5 first line only", "/R5", withLine("0 0 10 10|0 0 0 10"), Through{400, 600, 45}},
      {"R5 line falling to the left", "/R5", withLine("3 4 -3 -4"),
       Through{400, 600, 53.13010235415598}},
      {"R6 line at 270", "/R6", withLine("0 0 0 -10"), Through{400, 600, 180}},
      {"R6 line at 150", "/R6", withLine("0 0 -10 5.773502691896258"), Through{400, 600, 240}},
      {"R7 with 30", "/R7|30", withLine("0 0 10 0"), Through{400, 600, 30}},
      {"R7 with 30, reversed", "/R7|30", withLine("0 0 -10 0"), Through{400, 600, 30}},
      {"R7 without angle", "/R7", withLine("5 5 5 15"), Through{400, 600, 90}},
      {"R8", "/R8", Host("hp1 1.5 -2"), Block("pn9|pt 1.5 -2")},
      {"R9", "/R9", Host("hp1 0 0|hp2 3 4"), Block("ci 0 0 5")},
      {"R9 P2 on P1", "/R9", Host("hp1 7 7|hp2 7 7"), Block("")},
  };
  for (const ToolRun& run : kRuns) ExpectRun(run);
}

// Unknown modes build nothing; the first-line modes without a line end before saving.
TEST(EndToEnd, RunsThatBuildNothingSendTheAttributeBlock) {
  const std::string points = Host("hp1 0 0|hp2 10 10");
  const std::string stored = CrLf("3|7|0|-1|100|1|0");
  for (const char* mode : {"/r1", "/R01", "/R11", "R1", "/R1 ", ""}) {
    ExpectRun({mode, mode, points, CrLf("lg3|ly7|lc9|lt2|lw4|lg2|ly5"), 0, stored, stored});
  }
  const std::string padded = CrLf(" 3|7|0|-1|100|1|0");  // kept byte for byte
  for (const char* mode : {"/R5|30", "/R6|30", "/R7|30"}) {
    ExpectRun({mode, mode, points, CrLf("lg3|ly7|lc9|lt2|lw4"), 0, padded, padded});
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
    const std::string stored = CrLf(std::string(c.settings) + "|100|1|0");
    const std::string written =
        CrLf(c.head + std::string("|50000005 0 -49999995 6.12323399573677E-9") + c.restore);
    ExpectRun({c.what, "/R1", Host("hp1 0 0|hp2 10 0"), written, 0, stored, stored});
  }
}

// Without a window nothing is saved; "/R10" has taken the exchange file over, so it says nothing
// to draw. A folder where a file belongs is left alone; the settings file kinds are smoke rows.
TEST(EndToEnd, DialogRunsFoldersAndMissingFiles) {
  const std::string stored = CrLf("3|-1|0|-1|12.5|0.5|330");
  const std::string points = Host("hp1 0 0|hp2 3 4");
  const ToolRun kRuns[] = {
      {"no argument, no window", nullptr, Host("hp1 0 0"), Host("hp1 0 0"), 2, stored, stored},
      {"R10, no window", "/R10", Host("hp1 0 0"), "hq\r\n", 2, stored, stored},
      {"settings file missing", "/R9", points, Block("ci 0 0 5")},
      {"settings file padded with blanks", "/R9", points,
       CrLf("lg3|ly0|lc9|lt5|lw25|ci 0 0 5|lg2|ly5"), 0, CrLf("  3|7 |5|25| 12.5|0.5 |330"),
       CrLf("3|0|5|25|12.5|0|330")},
      {"settings file a folder", "/R9", points, Block("ci 0 0 5"), 0, std::nullopt, std::nullopt,
       "auxline.dat"},
      {"exchange file missing", "/R8", std::nullopt, CrLf("lg0|ly0|lc9|lt1|lw0|pn9|pt 0 0")},
      {"exchange file a folder", "/R1", std::nullopt, std::nullopt, 1, std::nullopt, std::nullopt,
       "JWC_TEMP.TXT"},
  };
  for (const ToolRun& run : kRuns) ExpectRun(run);
}

}  // namespace
