// What the writer queues reads back as emitted: the same attributes, numbers to 15 digits.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
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

// Each within half a unit of the fifteenth digit, plus the reader's own rounding to a double.
void ExpectSameNumbers(const std::vector<double>& read, const std::vector<double>& written,
                       const std::string& line) {
  for (std::size_t i = 0; i < written.size(); ++i) {
    const double allowed =
        std::fabs(written[i]) * 5.2e-15 + std::numeric_limits<double>::denorm_min();
    EXPECT_LE(std::fabs(read[i] - written[i]), allowed) << line << ": wrote " << written[i];
    EXPECT_EQ(RealToText(read[i]), RealToText(written[i])) << line;
  }
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
    ASSERT_EQ(Exchange().LineList.size(), 1u) << lines[0];
    const TJwwEntLine line = Exchange().LineList[0];
    ExpectSameNumbers({line.X1, line.Y1, line.X2, line.Y2}, {x1, y1, x2, y2}, lines[0]);
    EXPECT_EQ(line.PolylineNo, 0);
  }
}

TEST(WriterRoundTrip, CirclesAndEllipses) {
  Coordinates c;
  for (int i = 0; i < 1000; ++i) {
    const double cx = c.Next(), cy = c.Next(), r = c.Positive();
    auto lines = EmitThenRead([&] { EmitCircle(cx, cy, r); });
    ASSERT_EQ(Exchange().CircleList.size(), 1u) << lines[0];
    const TJwwEntCircle& circle = Exchange().CircleList[0];
    ExpectSameNumbers({circle.CenterX, circle.CenterY, circle.Radius}, {cx, cy, r}, lines[0]);

    const double ratio = -c.Positive(), tilt = c.Next();
    lines = EmitThenRead([&] { EmitArc(cx, cy, r, 0, 0, ratio, tilt); });
    ASSERT_EQ(Exchange().ArcList.size(), 1u) << lines[0];
    const TJwwEntArc& arc = Exchange().ArcList[0];
    ExpectSameNumbers(
        {arc.CenterX, arc.CenterY, arc.Radius, arc.Value4, arc.Value5, arc.Flattening, arc.Tilt},
        {cx, cy, r, 0, 0, ratio, tilt}, lines[0]);
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
    ExpectSameNumbers({Exchange().PointList[0].X, Exchange().PointList[0].Y}, {x, y}, lines[1]);
    EXPECT_EQ(Exchange().PointList[0].Color, 9) << "point kind in the colour position";
  }
}

TEST(WriterRoundTrip, AttributesReadBackAsWritten) {
  for (std::int32_t v = 0; v <= 15; ++v) {
    EmitThenRead([&] {
      EmitLayerGroup(v);
      EmitLayer(15 - v);
    });
    EXPECT_EQ((std::array{Exchange().Emit.LayerGroup, Exchange().Emit.Layer}),
              (std::array{v, 15 - v}));
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
    const EmitState& read = Exchange().Emit;
    EXPECT_EQ((std::array{read.Color, read.LineType, read.LineWidth, read.PointKind}),
              (std::array{written.Color, written.LineType, written.LineWidth, written.PointKind}))
        << v;
  }
}

}  // namespace
