#pragma once
// Collecting the drawing commands that go back to the host, and writing the exchange file.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "os/system_error.h"

// The whole exchange file when there is nothing to draw.
inline constexpr std::string_view kNothingToDraw = "hq\r\n";

// The file holds exactly kNothingToDraw: the tool's own output, never host input.
bool HoldsNothingToDraw(const std::filesystem::path& path);

void QueueCommand(std::string line);

// Attribute emitters with change suppression against EmitState. `mapping` switches the
// value mapping on only when it is exactly 1.
void EmitLayerGroup(std::int32_t group);
void EmitLayer(std::int32_t layer);
void EmitColor(std::int32_t color, std::int32_t mapping);
void EmitLineType(std::int32_t lineType, std::int32_t mapping);
void EmitLineWidth(std::int32_t width);
void EmitPointKind(std::int32_t kind, std::int32_t mapping);

// The one threshold of the geometry, in drawing units and, for a ratio, unitless: two
// coordinates closer than this coincide, and a radius or flattening ratio at or below it is
// nothing. The "/R10" dialog takes a ratio within it of 1 as a circle.
inline constexpr double kGeometryThreshold = 1e-8;

// Geometry emitters; degenerate geometry is dropped, and so is a command with a number that
// could not be read back (infinite, NaN, or so large that its 15-digit form overflows).
void EmitLine(double x1, double y1, double x2, double y2);
void EmitPoint(double x, double y);
void EmitCircle(double cx, double cy, double r);
void EmitArc(double cx, double cy, double r, double value4, double value5, double ratio,
             double tilt);

// Replaces the exchange file with the queued lines ("hq" when none), each ending in CR LF.
// On failure leaves neither a partial list nor the host's input behind, and names the step
// of the replacement that failed.
FileResult WriteExchangeFile(const std::filesystem::path& path);

// Replaces the exchange file with `bytes`, with the same promise on failure.
FileResult ReplaceExchangeFile(const std::filesystem::path& path, std::string_view bytes);
