// Everything the writer queues, read back by the tool's own reader, describes what was
// emitted: the same attributes, and the same numbers up to the 15-digit rounding.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "exchange/writing/command_writer.h"
#include "exchange/reading/exchange_reader.h"
#include "exchange/state/exchange_state.h"
#include "exchange/writing/real_text.h"

namespace {

// Emits in a fresh run, then reads the queued lines into a fresh state.
std::vector<std::string> EmitThenRead(const std::function<void()>& emit) {
  InitExchangeState();
  ResetEmitState();
  emit();
  const auto& queue = Exchange().CommandQueue;
  std::vector<std::string> lines(queue.begin(), queue.end());
  InitExchangeState();
  for (const std::string& line : lines) ParseExchangeLine(line);
  return lines;
}

// Within half a unit of the fifteenth digit, plus the reader's own rounding to a double.
void ExpectSameNumber(double read, double written, const std::string& line) {
  const double allowed = std::fabs(written) * 5.2e-15 + std::numeric_limits<double>::denorm_min();
  EXPECT_LE(std::fabs(read - written), allowed) << line << ": wrote " << written;
  EXPECT_EQ(RealToText(read), RealToText(written)) << line;
}

// Coordinates of every size: drawing units, very small and very large, both signs.
class Coordinates {
 public:
  double Next() {
    switch (random_() % 4) {
      case 0: return Scaled(-3, 6);
      case 1: return Scaled(-12, 15);
      case 2: return Scaled(-300, 300);
      default:
        return static_cast<double>(static_cast<std::int64_t>(random_() % 2000001) - 1000000) / 8;
    }
  }
  double Positive() { return std::fabs(Next()) + 1e-6; }

 private:
  double Scaled(int low, int high) {
    const double mantissa = std::uniform_real_distribution<double>(-10.0, 10.0)(random_);
    return mantissa * std::pow(10.0, std::uniform_int_distribution<int>(low, high)(random_));
  }
  std::mt19937_64 random_{314159};
};

TEST(WriterRoundTrip, LinesBecomeLineRecords) {
  Coordinates c;
  for (int i = 0; i < 2000; ++i) {
    const double x1 = c.Next(), y1 = c.Next(), x2 = c.Next() + 1.0, y2 = c.Next();
    const auto lines = EmitThenRead([&] { EmitLine(x1, y1, x2, y2); });
    ASSERT_EQ(lines.size(), 1u);
    const ExchangeState& s = Exchange();
    ASSERT_EQ(s.LineList.size(), 1u) << lines[0];
    ExpectSameNumber(s.LineList[0].X1, x1, lines[0]);
    ExpectSameNumber(s.LineList[0].Y1, y1, lines[0]);
    ExpectSameNumber(s.LineList[0].X2, x2, lines[0]);
    ExpectSameNumber(s.LineList[0].Y2, y2, lines[0]);
    EXPECT_EQ(s.LineList[0].PolylineNo, 0);
  }
}

TEST(WriterRoundTrip, CirclesAndEllipses) {
  Coordinates c;
  for (int i = 0; i < 1000; ++i) {
    const double cx = c.Next(), cy = c.Next(), r = c.Positive();
    auto lines = EmitThenRead([&] { EmitCircle(cx, cy, r); });
    ASSERT_EQ(Exchange().CircleList.size(), 1u) << lines[0];
    const TJwwEntCircle& circle = Exchange().CircleList[0];
    ExpectSameNumber(circle.CenterX, cx, lines[0]);
    ExpectSameNumber(circle.CenterY, cy, lines[0]);
    ExpectSameNumber(circle.Radius, r, lines[0]);

    const double ratio = -c.Positive(), tilt = c.Next();
    lines = EmitThenRead([&] { EmitArc(cx, cy, r, 0, 0, ratio, tilt); });
    ASSERT_EQ(Exchange().ArcList.size(), 1u) << lines[0];
    const TJwwEntArc& arc = Exchange().ArcList[0];
    ExpectSameNumber(arc.CenterX, cx, lines[0]);
    ExpectSameNumber(arc.CenterY, cy, lines[0]);
    ExpectSameNumber(arc.Radius, r, lines[0]);
    EXPECT_EQ(arc.Value4, 0.0);
    EXPECT_EQ(arc.Value5, 0.0);
    ExpectSameNumber(arc.Flattening, ratio, lines[0]);
    ExpectSameNumber(arc.Tilt, tilt, lines[0]);
  }
}

TEST(WriterRoundTrip, Points) {
  Coordinates c;
  for (int i = 0; i < 1000; ++i) {
    const double x = c.Next(), y = c.Next();
    const auto lines = EmitThenRead([&] {
      EmitPointKind(9, 0);
      EmitPoint(x, y);
    });
    ASSERT_EQ(Exchange().PointList.size(), 1u) << lines[1];
    ExpectSameNumber(Exchange().PointList[0].X, x, lines[1]);
    ExpectSameNumber(Exchange().PointList[0].Y, y, lines[1]);
    EXPECT_EQ(Exchange().PointList[0].Color, 9) << "point kind in the colour position";
  }
}

TEST(WriterRoundTrip, AttributesReadBackAsWritten) {
  for (std::int32_t v = 0; v <= 15; ++v) {
    EmitThenRead([&] {
      EmitLayerGroup(v);
      EmitLayer(15 - v);
    });
    EXPECT_EQ(Exchange().Emit.LayerGroup, v);
    EXPECT_EQ(Exchange().Emit.Layer, 15 - v);
  }
  // Mapped values: what the reader stores is what the writer last sent.
  for (const std::int32_t v : {-5, 0, 1, 9, 10, 19, 50, 30000}) {
    EmitState written;
    EmitThenRead([&] {
      EmitColor(v, 1);
      EmitLineType(v, 1);
      EmitLineWidth(v);
      EmitPointKind(v, 1);
      written = Exchange().Emit;
    });
    EXPECT_EQ(Exchange().Emit.Color, written.Color) << v;
    EXPECT_EQ(Exchange().Emit.LineType, written.LineType) << v;
    EXPECT_EQ(Exchange().Emit.LineWidth, written.LineWidth) << v;
    EXPECT_EQ(Exchange().Emit.PointKind, written.PointKind) << v;
  }
}

}  // namespace
