#include "fuzz/exchange_invariants.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "exchange/reading/exchange_reader.h"
#include "exchange/state/exchange_state.h"
#include "exchange/writing/command_writer.h"
#include "exchange/writing/real_text.h"
#include "numeric/lenient_number.h"
#include "tests/support/crlf_lines.h"
#include "tests/support/describe_state.h"

void FuzzFail(const std::string& what) {
  std::fprintf(stderr, "exchange_fuzzer: %s\n", what.c_str());
  std::abort();
}

namespace {

std::vector<std::string_view> SplitBlanks(std::string_view line) {
  std::vector<std::string_view> tokens;
  std::size_t start = 0;
  while (true) {
    const std::size_t blank = line.find(' ', start);
    tokens.push_back(line.substr(start, blank == std::string_view::npos ? blank : blank - start));
    if (blank == std::string_view::npos) return tokens;
    start = blank + 1;
  }
}

// A decimal integer, or upper-case hexadecimal (no sign); no "+", no leading zeros.
bool IsPlainNumber(std::string_view text, bool hex) {
  if (!hex && text.starts_with('-')) text.remove_prefix(1);
  const std::string_view digits = hex ? "0123456789ABCDEF" : "0123456789";
  return !text.empty() && text.find_first_not_of(digits) == std::string_view::npos &&
         (text.size() == 1 || text.front() != '0');
}

// A number in the real text form, finite, and written exactly as the writer writes the
// value it reads back as (so the reader gets the same value the writer meant, to 15 digits).
double CheckNumberToken(std::string_view token, std::string_view line) {
  const double value = LenientStrToFloat(token);
  if (!std::isfinite(value)) FuzzFail("non-finite number in command: " + std::string(line));
  if (RealToText(value) != token) {
    FuzzFail("number does not read back as itself: [" + std::string(token) + "] reads as " +
             RealToText(value) + " in command: " + std::string(line));
  }
  return value;
}

struct ListSizes {
  std::array<std::size_t, 16> Count{};
  std::size_t Total = 0;
};

ListSizes CurrentListSizes() {
  const ExchangeState& s = Exchange();
  ListSizes sizes;
  ForEachEntityList(s, [&sizes](const auto& list, EntityKind kind) {
    sizes.Count[static_cast<std::size_t>(kind)] = list.size();
  });
  for (const std::size_t count : sizes.Count) sizes.Total += count;
  return sizes;
}

// The one record a geometry command must add: kind and the numbers it holds.
void RequireOneNewRecord(const ListSizes& before, EntityKind kind, std::string_view line) {
  const ListSizes after = CurrentListSizes();
  const std::size_t k = static_cast<std::size_t>(kind);
  if (after.Total != before.Total + 1 || after.Count[k] != before.Count[k] + 1) {
    FuzzFail("command is not read back as one record of kind " + std::to_string(k) + ": " +
             std::string(line));
  }
  const ReadOrderEntry& last = Exchange().ReadOrder.back();
  if (last.Kind != kind || static_cast<std::size_t>(last.Index) != before.Count[k]) {
    FuzzFail("ReadOrder entry wrong after command: " + std::string(line));
  }
}

// An attribute command ("lg2", "lc9", "pn9"...) read into the current state: its value
// lands in the emit state, and no record is made.
void ReadBackAttribute(const std::string& line, std::string_view key, const ListSizes& before) {
  const ExchangeState& s = Exchange();
  const std::string_view prefix = key.substr(0, 2);
  const std::string_view value = key.substr(2);
  const bool hex = prefix == "lg" || prefix == "ly";
  if (!IsPlainNumber(value, hex)) FuzzFail("bad attribute: " + line);
  ParseExchangeLine(line);
  const std::int32_t number = LenientStrToInt(value);
  const std::int32_t digit = LenientStrToInt(std::string("$") + line[2]);
  bool landed = false;
  if (prefix == "lg")
    landed = !s.Emit.LayerGroupUnset && s.Emit.LayerGroup == digit;
  else if (prefix == "ly")
    landed = !s.Emit.LayerUnset && s.Emit.Layer == digit;
  else if (prefix == "lc")
    landed = !s.Emit.ColorUnset && s.Emit.Color == number;
  else if (prefix == "lt")
    landed = !s.Emit.LineTypeUnset && s.Emit.LineType == number;
  else if (prefix == "lw")
    landed = !s.Emit.LineWidthUnset && s.Emit.LineWidth == number;
  else if (prefix == "pn")
    landed = s.Emit.PointKind == number;
  else
    FuzzFail("unknown command: " + line);
  if (!landed) FuzzFail("attribute command not read back: " + line);
  if (CurrentListSizes().Total != before.Total) FuzzFail("attribute made a record: " + line);
}

// A shape command (a bare line, "pt", "ci" with three or seven values) read into the
// current state: one record of its kind, holding exactly the values written.
void ReadBackShape(const std::string& line, const std::vector<std::string_view>& tokens,
                   const ListSizes& before) {
  const ExchangeState& s = Exchange();
  const std::string_view key = tokens[0];
  const bool keyed = key == "pt" || key == "ci";
  std::vector<double> numbers;
  for (std::size_t i = keyed ? 1 : 0; i < tokens.size(); ++i) {
    numbers.push_back(CheckNumberToken(tokens[i], line));
  }
  ParseExchangeLine(line);
  std::vector<double> read;
  if (!keyed && numbers.size() == 4) {
    RequireOneNewRecord(before, kEntLine, line);
    const TJwwEntLine& r = s.LineList.back();
    read = {r.X1, r.Y1, r.X2, r.Y2};
  } else if (key == "pt" && numbers.size() == 2) {
    RequireOneNewRecord(before, kEntPoint, line);
    read = {s.PointList.back().X, s.PointList.back().Y};
  } else if (key == "ci" && numbers.size() == 3) {
    RequireOneNewRecord(before, kEntCircle, line);
    const TJwwEntCircle& r = s.CircleList.back();
    read = {r.CenterX, r.CenterY, r.Radius};
    if (r.Radius <= kGeometryThreshold) FuzzFail("degenerate circle written: " + line);
  } else if (key == "ci" && numbers.size() == 7) {
    RequireOneNewRecord(before, kEntArc, line);
    const TJwwEntArc& r = s.ArcList.back();
    read = {r.CenterX, r.CenterY, r.Radius, r.Value4, r.Value5, r.Flattening, r.Tilt};
    if (r.Radius <= kGeometryThreshold || std::fabs(r.Flattening) <= kGeometryThreshold) {
      FuzzFail("degenerate ellipse written: " + line);
    }
  } else {
    FuzzFail("command of unknown form: " + line);
  }
  if (read != numbers) FuzzFail("value read back differs in command: " + line);
}

// Reads one command into the current state and checks where it landed.
void ReadBackCommand(const std::string& line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    const bool blankOk = c == ' ' && i > 0 && i + 1 < line.size() && line[i - 1] != ' ';
    if (!(c > 0x20 && c < 0x7F) && !blankOk) FuzzFail("bad byte in command: " + line);
  }
  const std::vector<std::string_view> tokens = SplitBlanks(line);
  const ListSizes before = CurrentListSizes();
  if (tokens.size() == 1) {
    ReadBackAttribute(line, tokens[0], before);
  } else {
    ReadBackShape(line, tokens, before);
  }
}

// Every record is listed once in ReadOrder, in the order of its list.
void CheckReadOrder() {
  const ExchangeState& s = Exchange();
  const ListSizes sizes = CurrentListSizes();
  if (s.ReadOrder.size() != sizes.Total) {
    FuzzFail("ReadOrder has " + std::to_string(s.ReadOrder.size()) + " entries for " +
             std::to_string(sizes.Total) + " records");
  }
  std::array<std::size_t, 16> next{};
  for (const ReadOrderEntry& entry : s.ReadOrder) {
    if (entry.Kind < 1 || entry.Kind > 15) FuzzFail("ReadOrder kind out of range");
    const std::size_t kind = static_cast<std::size_t>(entry.Kind);
    if (entry.Index < 0 || static_cast<std::size_t>(entry.Index) != next[kind]) {
      FuzzFail("ReadOrder index out of order for kind " + std::to_string(kind));
    }
    ++next[kind];
  }
  if (next != sizes.Count) FuzzFail("ReadOrder does not cover every record");
}

// The tables keep their sizes, and the indicated points and text code stay in range.
void CheckTables() {
  const ExchangeState& s = Exchange();
  if (s.GroupNames.size() != 16 || s.GroupValues.size() != 16 || s.LayerNames.size() != 256 ||
      s.LayerValues.size() != 256 || s.HandPoints.size() != 100) {
    FuzzFail("a table changed its size");
  }
  if (s.HandPoints[0].Used) FuzzFail("indicated-point slot 0 filled");
  std::int32_t used = 0;
  for (const HandPoint& p : s.HandPoints) {
    if (p.HitKind < 0 || p.HitKind > 4) FuzzFail("HitKind out of range");
    used += p.Used ? 1 : 0;
  }
  if (s.HandPointCount < used) FuzzFail("HandPointCount below the filled slots");
  if (s.Emit.TextCode < 0 || s.Emit.TextCode > 8) FuzzFail("TextCode out of range");
}

}  // namespace

void CheckStateInvariants() {
  CheckReadOrder();
  CheckTables();
  ForEachStateReal([](const std::string& name, double value) {
    if (!std::isfinite(value)) FuzzFail("non-finite real stored in " + name);
  });
}

void CheckCommands(const std::vector<std::string>& commands) {
  for (const std::string& line : commands) {
    if (line.empty()) FuzzFail("empty command queued");
    ReadBackCommand(line);
  }
  CheckStateInvariants();
}

void CheckWrittenFile(std::string_view bytes, const std::vector<std::string>& commands) {
  const std::string expected = commands.empty() ? "hq\r\n" : CrLfLines(commands);
  if (bytes != expected) FuzzFail("the exchange file does not hold exactly the queued commands");
}
