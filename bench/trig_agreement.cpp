// How often our own sine and cosine (the Windows program's) give other bits than the C
// library's on this system, on the kinds of angles the tool computes with, and what each
// costs. Where they differ, one of the two is not the correctly rounded result: list the
// arguments with --list and settle each in high-precision arithmetic.
//   trig_agreement [arguments per kind (default 2000000)] [--list]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "numeric/plane_geometry.h"
#include "os/plain/portable_trig.h"

namespace {

constexpr double kPi = 3.141592653589793;
std::mt19937_64 generator(20240601);

double Uniform(double low, double high) {
  return std::uniform_real_distribution<double>(low, high)(generator);
}

// Degrees as a user or host writes them: whole, or with one to three decimals.
double WrittenDegrees(double limit) {
  const double scale = std::pow(10.0, static_cast<int>(generator() % 4));
  return std::round(Uniform(-limit, limit) * scale) / scale;
}

double Radians(double degrees) { return degrees / 180.0 * kPi; }

// The constructions' angles: the host angle, a quarter turn or a given angle added; the
// direction of a line folded below 180 degrees; and each of them plus pi (the far end).
double DrawingAngle() {
  double degrees = 0;
  switch (generator() % 3) {
    case 0: degrees = WrittenDegrees(360) + (generator() % 2 ? 90.0 : 0.0); break;
    case 1: degrees = WrittenDegrees(720) + WrittenDegrees(360); break;
    default: {
      const double dx = WrittenDegrees(10000), dy = WrittenDegrees(10000);
      degrees = DirectionAngle(dx, dy) * 180.0 / kPi;
      if (degrees >= 180.0) degrees -= 180.0;
      if (generator() % 2) degrees += 90.0;
    }
  }
  return Radians(degrees) + (generator() % 2 ? kPi : 0.0);
}

struct Kind {
  const char* what;
  std::function<double()> argument;
};

const Kind kKinds[] = {
    {"uniform in +-7000 radians", [] { return Uniform(-7000, 7000); }},
    {"drawing angles (degrees, sums, +pi)", DrawingAngle},
    {"whole degrees up to 10 turns", [] { return Radians(std::round(Uniform(-3600, 3600))); }},
    {"below 2^-20 (residues)",
     [] { return std::ldexp(Uniform(-1, 1), -20 - int(generator() % 60)); }},
    {"huge, up to 2^1000", [] { return std::ldexp(Uniform(-1, 1), int(generator() % 1000)); }},
};

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

double NanosecondsPerCall(double (*f)(double), const std::vector<double>& xs) {
  const auto start = std::chrono::steady_clock::now();
  volatile double sink = 0;
  for (const double x : xs) sink = sink + f(x);
  const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / static_cast<double>(xs.size());
}

double LibrarySin(double x) { return std::sin(x); }
double LibraryCos(double x) { return std::cos(x); }

}  // namespace

int main(int argc, char** argv) {
  const long count = argc > 1 && argv[1][0] != '-' ? std::atol(argv[1]) : 2000000;
  const bool list = argc > 1 && std::strcmp(argv[argc - 1], "--list") == 0;
  std::printf("%-38s %10s %9s %9s %13s\n", "arguments", "count", "sin diff", "cos diff",
              "ns own/libc");
  for (const Kind& kind : kKinds) {
    std::vector<double> xs(static_cast<std::size_t>(count));
    for (double& x : xs) x = kind.argument();
    long sinDiffer = 0, cosDiffer = 0;
    for (const double x : xs) {
      const bool sinSame = SameBits(PortableSin(x), std::sin(x));
      const bool cosSame = SameBits(PortableCos(x), std::cos(x));
      sinDiffer += !sinSame;
      cosDiffer += !cosSame;
      if (list && !sinSame) std::printf("sin %a\n", x);
      if (list && !cosSame) std::printf("cos %a\n", x);
    }
    const double own = NanosecondsPerCall(PortableSin, xs) + NanosecondsPerCall(PortableCos, xs);
    const double library = NanosecondsPerCall(LibrarySin, xs) + NanosecondsPerCall(LibraryCos, xs);
    std::printf("%-38s %10ld %9ld %9ld %7.0f/%-5.0f\n", kind.what, count, sinDiffer, cosDiffer,
                own / 2, library / 2);
  }
}
