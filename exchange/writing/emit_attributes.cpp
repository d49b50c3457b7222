// The six attribute emitters: value mapping into the host's numbering, then change
// suppression against the value last written for the same attribute.
#include <charconv>
#include <cstdint>
#include <string>

#include "exchange/writing/command_writer.h"
#include "exchange/state/exchange_state.h"

namespace {

enum class Radix { kDecimal, kHexadecimal };

// Key followed by the value: decimal with "-" for negatives, or upper-case hexadecimal of
// the 32-bit pattern (so -1 is FFFFFFFF), never with leading zeros.
std::string CommandText(const char* key, std::int32_t value, Radix radix) {
  char digits[16];
  std::to_chars_result result;
  if (radix == Radix::kHexadecimal) {
    result = std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(value), 16);
    for (char* p = digits; p != result.ptr; ++p) {
      if (*p >= 'a' && *p <= 'f') *p = static_cast<char>(*p - 'a' + 'A');
    }
  } else {
    result = std::to_chars(digits, digits + sizeof digits, value);
  }
  std::string line(key);
  line.append(digits, result.ptr);
  return line;
}

// Queues the command unless this attribute was already written with the same value.
void EmitWithSuppression(const char* key, std::int32_t value, Radix radix, std::int32_t& lastValue,
                         bool& unset) {
  if (!unset && value == lastValue) return;
  QueueCommand(CommandText(key, value, radix));
  lastValue = value;
  unset = false;
}

// Shifts a value into the host's extended range. Values near the top of the 32-bit range
// wrap around as 32-bit arithmetic does, instead of overflowing (no such value is sane,
// but any integer is accepted).
std::int32_t Shifted(std::int32_t value, std::int32_t offset) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) +
                                   static_cast<std::uint32_t>(offset));
}

// Colour, line type and point kind share one shape: values up to 0 mean "the host's own"
// (for the point kind: kind 1), 1..9 are the same on both sides, 10 and above move into
// the host's extended ranges.
std::int32_t MapColor(std::int32_t color) {
  if (color <= 0) return Exchange().HostColor;
  if (color <= 9) return color;
  return Shifted(color, 91);
}

// The tool's list: 1..9 plain, 10..14 random, 15..18 double-length, 19..50 SXF types; the
// host numbers them 1..9, 11..15, 16..19 and 31..62.
std::int32_t MapLineType(std::int32_t lineType) {
  if (lineType <= 0) return Exchange().HostLineType;
  if (lineType <= 9) return lineType;
  if (lineType <= 18) return Shifted(lineType, 1);
  return Shifted(lineType, 12);
}

std::int32_t MapPointKind(std::int32_t kind) {
  if (kind <= 0) return 1;
  if (kind <= 9) return kind;
  return Shifted(kind, 91);
}

// -1 asks for the host's width; anything the host cannot take becomes 0 (also a host
// width out of range, since the replacement comes first).
std::int32_t MapLineWidth(std::int32_t width) {
  if (width == -1) width = Exchange().HostLineWidth;
  if (width < 0 || width > 30000) return 0;
  return width;
}

// Only exactly 1 switches a mapping on; callers pass 0 for "as it is".
bool MappingSwitch(std::int32_t mapping) { return mapping == 1; }

}  // namespace

void EmitLayerGroup(std::int32_t group) {
  EmitState& emit = Exchange().Emit;
  EmitWithSuppression("lg", group, Radix::kHexadecimal, emit.LayerGroup, emit.LayerGroupUnset);
}

void EmitLayer(std::int32_t layer) {
  EmitState& emit = Exchange().Emit;
  EmitWithSuppression("ly", layer, Radix::kHexadecimal, emit.Layer, emit.LayerUnset);
}

void EmitColor(std::int32_t color, std::int32_t mapping) {
  EmitState& emit = Exchange().Emit;
  const std::int32_t value = MappingSwitch(mapping) ? MapColor(color) : color;
  EmitWithSuppression("lc", value, Radix::kDecimal, emit.Color, emit.ColorUnset);
}

void EmitLineType(std::int32_t lineType, std::int32_t mapping) {
  EmitState& emit = Exchange().Emit;
  const std::int32_t value = MappingSwitch(mapping) ? MapLineType(lineType) : lineType;
  EmitWithSuppression("lt", value, Radix::kDecimal, emit.LineType, emit.LineTypeUnset);
}

void EmitLineWidth(std::int32_t width) {
  EmitState& emit = Exchange().Emit;
  EmitWithSuppression("lw", MapLineWidth(width), Radix::kDecimal, emit.LineWidth,
                      emit.LineWidthUnset);
}

void EmitPointKind(std::int32_t kind, std::int32_t mapping) {
  EmitState& emit = Exchange().Emit;
  const std::int32_t value = MappingSwitch(mapping) ? MapPointKind(kind) : kind;
  EmitWithSuppression("pn", value, Radix::kDecimal, emit.PointKind, emit.PointKindUnset);
}
