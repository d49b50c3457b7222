// The four geometry emitters: a line (four numbers, no key word), "pt", and "ci" with three
// or seven numbers. Degenerate geometry is dropped, and so is any command holding a number
// that is infinite or NaN: the host could not read it back, and it only arises from
// arithmetic overflow on absurd coordinates.
#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>

#include "exchange/command_writer.h"
#include "exchange/real_text.h"

namespace {

// Below this, two coordinates coincide and a radius or flattening ratio is nothing.
constexpr double kDegenerate = 1e-8;

bool AllFinite(std::initializer_list<double> numbers) {
  for (const double number : numbers) {
    if (!std::isfinite(number)) return false;
  }
  return true;
}

// key (may be empty) followed by the numbers, each after a single blank.
void QueueNumbers(const char* key, std::initializer_list<double> numbers) {
  std::string line(key);
  for (const double number : numbers) {
    if (!line.empty()) line.push_back(' ');
    AppendRealText(line, number);
  }
  QueueCommand(std::move(line));
}

}  // namespace

void EmitLine(double x1, double y1, double x2, double y2) {
  if (!AllFinite({x1, y1, x2, y2})) return;
  if (std::fabs(x2 - x1) < kDegenerate && std::fabs(y2 - y1) < kDegenerate) return;
  QueueNumbers("", {x1, y1, x2, y2});
}

void EmitPoint(double x, double y) {
  if (!AllFinite({x, y})) return;
  QueueNumbers("pt", {x, y});
}

void EmitCircle(double cx, double cy, double r) {
  if (!AllFinite({cx, cy, r})) return;
  if (r <= kDegenerate) return;
  QueueNumbers("ci", {cx, cy, r});
}

void EmitArc(double cx, double cy, double r, double value4, double value5, double ratio,
             double tilt) {
  if (!AllFinite({cx, cy, r, value4, value5, ratio, tilt})) return;
  if (r <= kDegenerate || std::fabs(ratio) <= kDegenerate) return;
  QueueNumbers("ci", {cx, cy, r, value4, value5, ratio, tilt});
}
