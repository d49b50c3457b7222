// The four geometry emitters: a line (four numbers, no key word), "pt", and "ci" with three
// or seven numbers. Degenerate geometry is dropped, and so is any command holding a number
// that cannot be read back: infinity, NaN, or a magnitude whose 15-digit form rounds past
// the largest double. Such numbers only arise from arithmetic overflow on absurd
// coordinates, and a command built from them would mean nothing to the host.
#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>

#include "exchange/writing/command_writer.h"
#include "exchange/writing/real_text.h"

namespace {

// Below this, two coordinates coincide and a radius or flattening ratio is nothing.
constexpr double kDegenerate = 1e-8;

// The largest magnitude whose written form reads back: the next double up is written
// 1.79769313486232E308, beyond the range of a double.
constexpr double kLargestReadable = 1.797693134862315e308;

bool AllReadable(std::initializer_list<double> numbers) {
  for (const double number : numbers) {
    if (!(std::fabs(number) <= kLargestReadable)) return false;  // also false for NaN
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
  if (!AllReadable({x1, y1, x2, y2})) return;
  if (std::fabs(x2 - x1) < kDegenerate && std::fabs(y2 - y1) < kDegenerate) return;
  QueueNumbers("", {x1, y1, x2, y2});
}

void EmitPoint(double x, double y) {
  if (!AllReadable({x, y})) return;
  QueueNumbers("pt", {x, y});
}

void EmitCircle(double cx, double cy, double r) {
  if (!AllReadable({cx, cy, r})) return;
  if (r <= kDegenerate) return;
  QueueNumbers("ci", {cx, cy, r});
}

void EmitArc(double cx, double cy, double r, double value4, double value5, double ratio,
             double tilt) {
  if (!AllReadable({cx, cy, r, value4, value5, ratio, tilt})) return;
  if (r <= kDegenerate || std::fabs(ratio) <= kDegenerate) return;
  QueueNumbers("ci", {cx, cy, r, value4, value5, ratio, tilt});
}
