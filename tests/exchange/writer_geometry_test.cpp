// Geometry commands: number layout, degenerate geometry, numbers the host could not read.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "exchange/writing/command_writer.h"
#include "exchange/state/exchange_state.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kLargestReadable = 1.797693134862315e308;

struct GeometryCase {
  const char* name;
  std::function<void()> emit;
  const char* expected;  // "" when nothing may be queued
};

void ExpectGeometry(std::initializer_list<GeometryCase> cases) {
  for (const GeometryCase& c : cases) {
    SCOPED_TRACE(c.name);
    InitExchangeState();
    ResetEmitState();
    c.emit();
    const auto& list = Exchange().CommandQueue;
    const std::vector<std::string> queue(list.begin(), list.end());
    if (*c.expected == '\0') {
      EXPECT_TRUE(queue.empty()) << "queued " << (queue.empty() ? "" : queue[0]);
    } else {
      EXPECT_EQ(queue, std::vector<std::string>{c.expected});
    }
  }
}

// Number layout and the degenerate-geometry thresholds; a point is never degenerate.
TEST(WriterGeometry, LayoutAndDegenerateGeometry) {
  ExpectGeometry({
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
  });
}

// Infinity, NaN and the largest doubles, which round past the double range in 15 digits and
// would read as 0, drop the whole command like degenerate geometry.
TEST(WriterGeometry, UnreadableNumbersDropTheCommand) {
  ExpectGeometry({
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
  });
}

}  // namespace
