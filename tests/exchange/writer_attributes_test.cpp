// Attribute commands: value mapping into the host's numbering and change suppression.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "exchange/writing/command_writer.h"
#include "exchange/state/exchange_state.h"

namespace {

using Lines = std::vector<std::string>;

// The queued lines as a plain vector, whatever list the state keeps them in.
Lines Queued() {
  const auto& queue = Exchange().CommandQueue;
  return Lines(queue.begin(), queue.end());
}

// A fresh run: state initialised, host attributes as given, emit state reset.
void StartRun(std::int32_t hostColor = 7, std::int32_t hostLineType = 4,
              std::int32_t hostLineWidth = 5) {
  InitExchangeState();
  Exchange().HostColor = hostColor;
  Exchange().HostLineType = hostLineType;
  Exchange().HostLineWidth = hostLineWidth;
  ResetEmitState();
}

// What one emitter call queues in a fresh run: its single line, or "" when nothing.
std::string FirstCommand(const std::function<void()>& emit) {
  StartRun();
  emit();
  const Lines queue = Queued();
  EXPECT_LE(queue.size(), 1u);
  return queue.empty() ? "" : queue.front();
}

// Colour, line type and point kind in the host's numbering; the key names the emitter.
TEST(WriterAttributes, MappedValues) {
  const struct {
    std::int32_t value, mapping;
    const char* expected;
  } kCases[] = {
      {9, 0, "lc9"},   {10, 0, "lc10"}, {10, 1, "lc101"}, {1, 1, "lc1"},    {9, 1, "lc9"},
      {0, 1, "lc7"},   {-5, 1, "lc7"},  {10, 2, "lc10"},  {10, -1, "lc10"}, {19, 1, "lc110"},
      {-5, 0, "lc-5"}, {0, 1, "lt4"},   {-3, 1, "lt4"},   {1, 1, "lt1"},    {9, 1, "lt9"},
      {10, 1, "lt11"}, {14, 1, "lt15"}, {15, 1, "lt16"},  {18, 1, "lt19"},  {19, 1, "lt31"},
      {50, 1, "lt62"}, {19, 0, "lt19"}, {0, 0, "lt0"},    {19, 2, "lt19"},  {0, 1, "pn1"},
      {-2, 1, "pn1"},  {9, 1, "pn9"},   {12, 1, "pn103"}, {9, 0, "pn9"},    {12, 0, "pn12"},
      {0, 0, "pn0"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.value) + ", mapping " + std::to_string(c.mapping));
    const std::string_view key = std::string_view(c.expected).substr(0, 2);
    const auto emit = key == "lc" ? EmitColor : key == "lt" ? EmitLineType : EmitPointKind;
    EXPECT_EQ(FirstCommand([&] { emit(c.value, c.mapping); }), c.expected);
  }
}

// Values near the 32-bit limit wrap instead of overflowing.
TEST(WriterAttributes, MappingAtTheTopOfTheIntegerRange) {
  const std::int32_t top = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(FirstCommand([&] { EmitColor(top, 1); }), "lc-2147483558");
  EXPECT_EQ(FirstCommand([&] { EmitLineType(top, 1); }), "lt-2147483637");
  EXPECT_EQ(FirstCommand([&] { EmitColor(std::numeric_limits<std::int32_t>::min(), 0); }),
            "lc-2147483648");
}

TEST(WriterAttributes, LineWidthIsAlwaysMapped) {
  const struct {
    std::int32_t width, hostWidth;
    const char* expected;
  } kCases[] = {
      {-1, 5, "lw5"},         {-1, 40000, "lw0"}, {-1, -7, "lw0"},
      {-1, 30000, "lw30000"}, {0, 5, "lw0"},      {30000, 5, "lw30000"},
      {30001, 5, "lw0"},      {-2, 5, "lw0"},     {12, 5, "lw12"},
  };
  for (const auto& c : kCases) {
    StartRun(1, 1, c.hostWidth);
    EmitLineWidth(c.width);
    EXPECT_EQ(Queued(), Lines{c.expected}) << c.width << " host " << c.hostWidth;
  }
}

TEST(WriterAttributes, LayerGroupAndLayerInHexadecimal) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const struct {
    std::int32_t value;
    const char *group, *layer;
  } kCases[] = {
      {0, "lg0", "ly0"},
      {9, "lg9", "ly9"},
      {10, "lgA", "lyA"},
      {15, "lgF", "lyF"},
      {16, "lg10", "ly10"},
      {255, "lgFF", "lyFF"},
      {-1, "lgFFFFFFFF", "lyFFFFFFFF"},
      {kMin, "lg80000000", "ly80000000"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(FirstCommand([&] { EmitLayerGroup(c.value); }), c.group);
    EXPECT_EQ(FirstCommand([&] { EmitLayer(c.value); }), c.layer);
  }
}

// A sequence of calls in one run and the lines it must queue.
void ExpectQueued(const std::vector<std::function<void()>>& calls, const Lines& expected) {
  StartRun();
  for (const auto& call : calls) call();
  EXPECT_EQ(Queued(), expected);
}

TEST(WriterAttributes, FirstCallAlwaysWritesThenOnlyChanges) {
  ExpectQueued({[] { EmitLayerGroup(0); }, [] { EmitLayerGroup(0); }, [] { EmitLayerGroup(10); },
                [] { EmitLayerGroup(0); }},
               {"lg0", "lgA", "lg0"});
  ExpectQueued({[] { EmitColor(1, 0); }, [] { EmitColor(1, 1); }, [] { EmitColor(2, 0); }},
               {"lc1", "lc2"});
  ExpectQueued({[] { EmitPointKind(1, 0); }, [] { EmitPointKind(1, 0); }}, {"pn1"});
  ExpectQueued({[] { EmitLineWidth(0); }, [] { EmitLineWidth(30001); }, [] { EmitLineWidth(-2); }},
               {"lw0"});
}

TEST(WriterAttributes, SuppressionComparesMappedValues) {
  ExpectQueued({[] { EmitColor(10, 1); }, [] { EmitColor(101, 0); }}, {"lc101"});
  ExpectQueued({[] { EmitLineType(0, 1); }, [] { EmitLineType(4, 0); }}, {"lt4"});
  ExpectQueued({[] { EmitLineWidth(-1); }, [] { EmitLineWidth(5); }}, {"lw5"});
  ExpectQueued({[] { EmitPointKind(-4, 1); }, [] { EmitPointKind(1, 0); }}, {"pn1"});
}

// Each attribute keeps its own memory: a command of one never suppresses another.
TEST(WriterAttributes, AttributesAreTrackedSeparately) {
  ExpectQueued({[] { EmitLayerGroup(3); }, [] { EmitLayer(3); }, [] { EmitColor(3, 0); },
                [] { EmitLineType(3, 0); }, [] { EmitLineWidth(3); }, [] { EmitPointKind(3, 0); },
                [] { EmitLayerGroup(3); }, [] { EmitLayer(3); }},
               {"lg3", "ly3", "lc3", "lt3", "lw3", "pn3"});
}

// Only ResetEmitState returns an attribute to "nothing written yet".
TEST(WriterAttributes, ResetMakesTheNextCallWriteAgain) {
  StartRun();
  EmitLayer(2);
  EmitPointKind(9, 0);
  ResetEmitState();
  EmitLayer(2);
  EmitPointKind(9, 0);
  EXPECT_EQ(Queued(), (Lines{"ly2", "pn9", "ly2", "pn9"}));
}

}  // namespace
