// The emitted commands: attributes mapped into the host's numbering and written only when they
// change; geometry with its number layout, dropped when degenerate or unreadable.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "exchange/writing/command_writer.h"
#include "exchange/state/exchange_state.h"

namespace {

using Lines = std::vector<std::string>;
constexpr std::int32_t kTop = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kLargestReadable = 1.797693134862315e308;

// What `calls` queue in one fresh run with the host's colour 7 and line type 4.
Lines QueuedBy(const std::vector<std::function<void()>>& calls, std::int32_t hostLineWidth = 5) {
  InitExchangeState();
  Exchange().HostColor = 7;
  Exchange().HostLineType = 4;
  Exchange().HostLineWidth = hostLineWidth;
  ResetEmitState();
  for (const auto& call : calls) call();
  const auto& queue = Exchange().CommandQueue;
  return Lines(queue.begin(), queue.end());
}

// Colour, line type and point kind in the host's numbering; the key names the emitter.
TEST(WriterAttributes, MappedValues) {
  const struct {
    std::int32_t value, mapping;
    const char* expected;
  } kCases[] = {
      {9, 0, "lc9"},   {10, 0, "lc10"}, {10, 1, "lc101"}, {1, 1, "lc1"},    {9, 1, "lc9"},
      {0, 1, "lc7"},   {-5, 1, "lc7"},  {10, 2, "lc10"},  {10, -1, "lc10"}, {19, 1, "lc110"},
      {-5, 0, "lc-5"}, {0, 1, "lt4"},   {-3, 1, "lt4"},   {1, 1, "lt1"},    {9, 1, "lt9"},
      {10, 1, "lt11"}, {14, 1, "lt15"}, {15, 1, "lt16"},  {18, 1, "lt19"},  {19, 1, "lt31"},
      {50, 1, "lt62"}, {19, 0, "lt19"}, {0, 0, "lt0"},    {19, 2, "lt19"},  {0, 1, "pn1"},
      {-2, 1, "pn1"},  {9, 1, "pn9"},   {12, 1, "pn103"}, {9, 0, "pn9"},    {12, 0, "pn12"},
      {0, 0, "pn0"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.value) + ", mapping " + std::to_string(c.mapping));
    const std::string_view key = std::string_view(c.expected).substr(0, 2);
    const auto emit = key == "lc" ? EmitColor : key == "lt" ? EmitLineType : EmitPointKind;
    EXPECT_EQ(QueuedBy({[&] { emit(c.value, c.mapping); }}), Lines{c.expected});
  }
}

// Values near the 32-bit limit wrap instead of overflowing.
TEST(WriterAttributes, MappingAtTheTopOfTheIntegerRange) {
  EXPECT_EQ(QueuedBy({[] { EmitColor(kTop, 1); }}), Lines{"lc-2147483558"});
  EXPECT_EQ(QueuedBy({[] { EmitLineType(kTop, 1); }}), Lines{"lt-2147483637"});
  EXPECT_EQ(QueuedBy({[] { EmitColor(kMin, 0); }}), Lines{"lc-2147483648"});
}

TEST(WriterAttributes, LineWidthIsAlwaysMapped) {
  const struct {
    std::int32_t width, hostWidth;
    const char* expected;
  } kCases[] = {
      {-1, 5, "lw5"},         {-1, 40000, "lw0"}, {-1, -7, "lw0"},
      {-1, 30000, "lw30000"}, {0, 5, "lw0"},      {30000, 5, "lw30000"},
      {30001, 5, "lw0"},      {-2, 5, "lw0"},     {12, 5, "lw12"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.width) + ", host " + std::to_string(c.hostWidth));
    EXPECT_EQ(QueuedBy({[&] { EmitLineWidth(c.width); }}, c.hostWidth), Lines{c.expected});
  }
}

TEST(WriterAttributes, LayerGroupAndLayerInHexadecimal) {
  const struct {
    std::int32_t value;
    std::string digits;
  } kCases[] = {
      {0, "0"},   {9, "9"},    {10, "A"},        {15, "F"},
      {16, "10"}, {255, "FF"}, {-1, "FFFFFFFF"}, {kMin, "80000000"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(QueuedBy({[&] { EmitLayerGroup(c.value); }}), Lines{"lg" + c.digits});
    EXPECT_EQ(QueuedBy({[&] { EmitLayer(c.value); }}), Lines{"ly" + c.digits});
  }
}

void ExpectQueued(const std::vector<std::function<void()>>& calls, const Lines& expected) {
  EXPECT_EQ(QueuedBy(calls), expected);
}

// The first call always writes, later ones only changes of the mapped value; each attribute
// keeps its own memory, which only ResetEmitState forgets.
TEST(WriterAttributes, FirstCallAlwaysWritesThenOnlyChanges) {
  ExpectQueued({[] { EmitLayerGroup(0); }, [] { EmitLayerGroup(0); }, [] { EmitLayerGroup(10); },
                [] { EmitLayerGroup(0); }},
               {"lg0", "lgA", "lg0"});
  ExpectQueued({[] { EmitColor(1, 0); }, [] { EmitColor(1, 1); }, [] { EmitColor(2, 0); }},
               {"lc1", "lc2"});
  ExpectQueued({[] { EmitPointKind(1, 0); }, [] { EmitPointKind(1, 0); }}, {"pn1"});
  ExpectQueued({[] { EmitLineWidth(0); }, [] { EmitLineWidth(30001); }, [] { EmitLineWidth(-2); }},
               {"lw0"});
  ExpectQueued({[] { EmitLayer(2); }, [] { EmitPointKind(9, 0); }, ResetEmitState,
                [] { EmitLayer(2); }, [] { EmitPointKind(9, 0); }},
               {"ly2", "pn9", "ly2", "pn9"});
  ExpectQueued({[] { EmitColor(10, 1); }, [] { EmitColor(101, 0); }}, {"lc101"});
  ExpectQueued({[] { EmitLineType(0, 1); }, [] { EmitLineType(4, 0); }}, {"lt4"});
  ExpectQueued({[] { EmitLineWidth(-1); }, [] { EmitLineWidth(5); }}, {"lw5"});
  ExpectQueued({[] { EmitPointKind(-4, 1); }, [] { EmitPointKind(1, 0); }}, {"pn1"});
  ExpectQueued({[] { EmitLayerGroup(3); }, [] { EmitLayer(3); }, [] { EmitColor(3, 0); },
                [] { EmitLineType(3, 0); }, [] { EmitLineWidth(3); }, [] { EmitPointKind(3, 0); },
                [] { EmitLayerGroup(3); }, [] { EmitLayer(3); }},
               {"lg3", "ly3", "lc3", "lt3", "lw3", "pn3"});
}

// Number layout, the degenerate-geometry thresholds (a point is never degenerate) and numbers
// the host could not read: infinity, NaN, the largest doubles (past the range in 15 digits).
TEST(WriterGeometry, LayoutDegenerateGeometryAndUnreadableNumbers) {
  const struct {
    const char* what;
    void (*emit)();
    const char* expected;  // "" when nothing may be queued
  } kCases[] = {
      {"plain", [] { EmitLine(1, 2, 3, 4); }, "1 2 3 4"},
      {"both below 1e-8", [] { EmitLine(0, 0, 0.000000005, 0.000000005); }, ""},
      {"same point", [] { EmitLine(5, 5, 5, 5); }, ""},
      {"x reaches 1e-8", [] { EmitLine(0, 0, 0.00000002, 0); }, "0 0 2E-8 0"},
      {"y reaches 1e-8", [] { EmitLine(0, 0, 0, -0.00000002); }, "0 0 0 -2E-8"},
      {"long line", [] { EmitLine(-5e7, 0.5, 5e7, -0.5); }, "-50000000 0.5 50000000 -0.5"},
      {"rounded", [] { EmitLine(1.0 / 3, 0, 2.0 / 3, 0); },
       "0.333333333333333 0 0.666666666666667 0"},
      {"point", [] { EmitPoint(1.5, -2); }, "pt 1.5 -2"},
      {"origin", [] { EmitPoint(0, -0.0); }, "pt 0 0"},
      {"circle", [] { EmitCircle(1, 2, 3); }, "ci 1 2 3"},
      {"tiny radius", [] { EmitCircle(1, 2, 0.000000005); }, ""},
      {"zero radius", [] { EmitCircle(1, 2, 0); }, ""},
      {"negative radius", [] { EmitCircle(1, 2, -3); }, ""},
      {"radius above 1e-8", [] { EmitCircle(0, 0, 0.00000002); }, "ci 0 0 2E-8"},
      {"ellipse", [] { EmitArc(0, 0, 10, 0, 0, -0.5, 30); }, "ci 0 0 10 0 0 -0.5 30"},
      {"zero ratio", [] { EmitArc(0, 0, 10, 0, 0, 0, 30); }, ""},
      {"tiny ratio", [] { EmitArc(0, 0, 10, 0, 0, -0.000000005, 30); }, ""},
      {"zero radius", [] { EmitArc(0, 0, 0, 0, 0, 0.5, 30); }, ""},
      {"negative radius", [] { EmitArc(0, 0, -1, 0, 0, 0.5, 30); }, ""},
      {"values 4 and 5 as given", [] { EmitArc(1, 2, 3, 4, 5, 6, 7); }, "ci 1 2 3 4 5 6 7"},
      // Unreadable numbers drop the command: the largest doubles would read back as 0.
      {"line to infinity", [] { EmitLine(0, 0, kInf, 0); }, ""},
      {"line of infinities", [] { EmitLine(kInf, kInf, kInf, kInf); }, ""},
      {"line with NaN", [] { EmitLine(kNaN, 0, 1, 1); }, ""},
      {"line with NaN end", [] { EmitLine(0, 0, 1, kNaN); }, ""},
      {"point with NaN", [] { EmitPoint(kNaN, 0); }, ""},
      {"point at -infinity", [] { EmitPoint(0, -kInf); }, ""},
      {"circle NaN radius", [] { EmitCircle(0, 0, kNaN); }, ""},
      {"circle infinite radius", [] { EmitCircle(0, 0, kInf); }, ""},
      {"circle infinite centre", [] { EmitCircle(kInf, 0, 1); }, ""},
      {"arc NaN ratio", [] { EmitArc(0, 0, 1, 0, 0, kNaN, 0); }, ""},
      {"arc infinite tilt", [] { EmitArc(0, 0, 1, 0, 0, 0.5, kInf); }, ""},
      {"arc NaN value 4", [] { EmitArc(0, 0, 1, kNaN, 0, 0.5, 0); }, ""},
      {"largest readable", [] { EmitPoint(kLargestReadable, -kLargestReadable); },
       "pt 1.79769313486231E308 -1.79769313486231E308"},
      {"next one up", [] { EmitPoint(std::nextafter(kLargestReadable, kInf), 0); }, ""},
      {"largest double", [] { EmitCircle(0, 0, std::numeric_limits<double>::max()); }, ""},
      {"lowest double", [] { EmitLine(std::numeric_limits<double>::lowest(), 0, 0, 0); }, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(QueuedBy({c.emit}), *c.expected ? Lines{c.expected} : Lines{});
  }
}

}  // namespace
