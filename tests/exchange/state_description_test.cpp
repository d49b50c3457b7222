// One changed field of a fresh state changes exactly its own line, showing every bit.
#include <gtest/gtest.h>

#include <string>

#include "exchange/state/exchange_state.h"
#include "tests/support/describe_state.h"

namespace {

TEST(StateDescription, EachFieldIsALineOfItsOwn) {
  using S = ExchangeState&;
  const struct {
    const char* what;
    void (*change)(ExchangeState&);
    const char* lines;  // parted by '|'
  } kCases[] = {
      {"host free text width", [](S s) { s.HostFreeTextWidth = 0.5; }, "HostFreeTextWidth 0x1p-1"},
      {"host free text height", [](S s) { s.HostFreeTextHeight = -3; },
       "HostFreeTextHeight -0x1.8p+1"},
      {"host free text spacing", [](S s) { s.HostFreeTextSpacing = -0.0; },
       "HostFreeTextSpacing -0x0p+0"},
      {"free text width", [](S s) { s.Emit.FreeTextWidth = 0x1.0000000000001p+1; },
       "Emit.FreeTextWidth 0x1.0000000000001p+1"},
      {"free text height", [](S s) { s.Emit.FreeTextHeight = 1e-320; },
       "Emit.FreeTextHeight 0x0.00000000007e8p-1022"},
      {"free text spacing", [](S s) { s.Emit.FreeTextSpacing = 4; }, "Emit.FreeTextSpacing 0x1p+2"},
      {"bytes of a string", [](S s) { s.HostFontName = "\x82\xA0\"a\\"; },
       R"(HostFontName "\x82\xA0\x22a\x5C")"},
      {"an entry of a table", [](S s) { s.HandPoints[99].HitKind = 4; },
       "HandPoints[99].HitKind 4"},
      {"a record of a list", [](S) { AppendReadOrder(kEntSg, 7); },
       "ReadOrder.size 1|ReadOrder[0].Kind 15|ReadOrder[0].Index 7"},
      {"a queued command", [](S s) { s.CommandQueue.push_back("lg0"); },
       R"(CommandQueue.size 1|CommandQueue[0] "lg0")"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    InitExchangeState();
    const std::string fresh = DescribeState();
    c.change(Exchange());
    EXPECT_EQ(ChangedLines(fresh, DescribeState()), c.lines);
  }
  InitExchangeState();
}

}  // namespace
