#include "tool/run_mode.h"

#include <string_view>

#include "numeric/lenient_number.h"

namespace {

// Mode n is named by entry n - 1.
constexpr std::string_view kModeNames[RunMode::kLastMode] = {"/R1", "/R2", "/R3", "/R4", "/R5",
                                                             "/R6", "/R7", "/R8", "/R9", "/R10"};

Construction ModeNamed(std::string_view text) {
  for (int n = 1; n <= RunMode::kLastMode; ++n) {
    if (text == kModeNames[n - 1]) return static_cast<Construction>(n);
  }
  return Construction::None;
}

}  // namespace

RunMode RunMode::Parse(const std::vector<std::string>& args) {
  if (args.empty()) return RunMode(args, Construction::None, 0.0);
  const double angle = args.size() > 1 ? LenientStrToFloat(args[1]) : 0.0;
  return RunMode(args, ModeNamed(args[0]), angle);
}
