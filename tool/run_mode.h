#pragma once
// The construction mode, parsed once from the command-line arguments. The program entry,
// the form and the run sequence ask this value; nothing else looks at the mode's text.
#include <string>
#include <utility>
#include <vector>

// What a run builds: mode n is "/Rn".
enum class Construction {
  None = 0,  // no arguments, or an argument 1 that names no mode: builds nothing
  LineThroughTwoPoints = 1,
  LineAtHostAngle = 2,
  LinePerpendicularToHostAngle = 3,
  LineAtAngleToHostAngle = 4,
  LineParallelToLine = 5,
  LinePerpendicularToLine = 6,
  LineAtAngleToLine = 7,
  PointMark = 8,
  CircleThroughPoint = 9,
  CircleOrEllipse = 10,  // built from the dialog's values
};

class RunMode {
 public:
  // The highest mode number.
  static constexpr int kLastMode = static_cast<int>(Construction::CircleOrEllipse);

  // args: the command-line arguments after the program's own path. Argument 1 names the
  // mode, "/R1" to "/R10", compared exactly: another letter case, a leading zero in the
  // number or any extra character names none. Argument 2 is the angle of "/R4" and "/R7"
  // in degrees, read leniently (missing or unreadable: 0). Later arguments are ignored.
  static RunMode Parse(const std::vector<std::string>& args);

  // Started with at least one argument: a construction run, whose commands go back into
  // the exchange file. Without arguments the settings dialog opens.
  bool HasArguments() const { return hasArguments_; }
  Construction Builds() const { return construction_; }
  // Argument 2 in degrees.
  double AngleArgument() const { return angleArgument_; }

  // "/R10": the run sequence builds nothing; OK in the dialog builds the shape.
  bool IsEllipseRun() const { return construction_ == Construction::CircleOrEllipse; }
  // Only these runs may show the dialog, and only they load a window toolkit: no argument
  // (the settings) and "/R10".
  bool MayShowDialog() const { return !hasArguments_ || IsEllipseRun(); }
  // A run that may wait for the user for a long time takes the exchange file over before
  // anything else: "/R10".
  bool TakesOverExchangeFile() const { return IsEllipseRun(); }
  // The arguments as they were given, for the failure log's line; never compared.
  const std::vector<std::string>& Arguments() const { return arguments_; }

 private:
  RunMode(std::vector<std::string> arguments, Construction construction, double angleArgument)
      : arguments_(std::move(arguments)),
        hasArguments_(!arguments_.empty()),
        construction_(construction),
        angleArgument_(angleArgument) {}

  std::vector<std::string> arguments_;
  bool hasArguments_;
  Construction construction_;
  double angleArgument_;
};
