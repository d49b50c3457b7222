// The compact text list: every text must read back field for field, bit for bit, whether
// or not it shares its attributes, style and font with the text before it.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <string>

#include "exchange/exchange_state.h"
#include "exchange/text_list.h"

namespace {

void ExpectSameText(const TJwwEntText& got, const TJwwEntText& want, std::size_t index) {
  SCOPED_TRACE(index);
  EXPECT_EQ(static_cast<const CommonAttributes&>(got), static_cast<const CommonAttributes&>(want));
  EXPECT_EQ(got.TextKind, want.TextKind);
  EXPECT_EQ(got.TextCode, want.TextCode);
  EXPECT_EQ(got.TextStyle, want.TextStyle);
  for (const auto field : {&TJwwEntText::Width, &TJwwEntText::Height, &TJwwEntText::Spacing,
                           &TJwwEntText::Value1, &TJwwEntText::Value2, &TJwwEntText::Value3,
                           &TJwwEntText::Value4}) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(got.*field), std::bit_cast<std::uint64_t>(want.*field));
  }
  EXPECT_EQ(got.FontName, want.FontName);
  EXPECT_EQ(got.Content, want.Content);
}

TJwwEntText BaseText() {
  TJwwEntText text;
  text.Layer = 3;
  text.TextKind = 2;
  text.Width = 0.0;
  text.Height = 3.5;
  text.Value1 = 10.25;
  text.FontName = "Mincho";
  text.Content = "\x95\x94\x89\xae";
  return text;
}

TEST(TextRecordList, NeighboursShareOnlyAnIdenticalSharedPart) {
  struct Case {
    const char* name;
    std::function<void(TJwwEntText&)> change;
    bool shares;
  };
  const Case cases[] = {
      {"nothing", [](TJwwEntText&) {}, true},
      {"values", [](TJwwEntText& t) { t.Value1 = -1.5; t.Value4 = 7.0; }, true},
      {"content", [](TJwwEntText& t) { t.Content = "W=900"; }, true},
      {"layer", [](TJwwEntText& t) { t.Layer = 4; }, false},
      {"z flags", [](TJwwEntText& t) { t.ZFlags = 1; }, false},
      {"hand point", [](TJwwEntText& t) { t.HandPointRef = 9; }, false},
      {"kind", [](TJwwEntText& t) { t.TextKind = 3; }, true},
      {"code", [](TJwwEntText& t) { t.TextCode = 1; }, false},
      {"style", [](TJwwEntText& t) { t.TextStyle = 11; }, false},
      {"negative zero width", [](TJwwEntText& t) { t.Width = -0.0; }, false},
      {"spacing", [](TJwwEntText& t) { t.Spacing = 0.5; }, false},
      {"font", [](TJwwEntText& t) { t.FontName = "Gothic"; }, false},
      // The same name kept again in the store: other bytes, same text.
      {"font kept again", [](TJwwEntText& t) {
         t.Content = "a";
         t.Content = "b";
         const char* before = t.FontName.data();
         t.FontName = "Mincho";
         ASSERT_NE(t.FontName.data(), before);
       }, true},
  };
  InitExchangeState();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextRecordList list;
    const TJwwEntText first = BaseText();
    TJwwEntText second = first;
    c.change(second);
    list.push_back(first);
    list.push_back(second);
    EXPECT_EQ(list.shared_count(), c.shares ? 1u : 2u);
    ExpectSameText(list[0], first, 0);
    ExpectSameText(list[1], second, 1);
  }
  ReleaseExchangeState();
}

TEST(TextRecordList, ReadsBackAcrossChunksAfterCopyAndClear) {
  InitExchangeState();
  TextRecordList list;
  std::vector<TJwwEntText> texts;
  constexpr int kCount = 5000;  // several chunks of texts and of shared parts
  for (int i = 0; i < kCount; ++i) {
    TJwwEntText text = BaseText();
    text.Color = i / 3;
    text.Value2 = i;
    text.Content = std::to_string(i);
    texts.push_back(text);
    list.push_back(text);
  }
  EXPECT_EQ(list.shared_count(), static_cast<std::size_t>((kCount + 2) / 3));
  const TextRecordList copy = list;
  std::size_t index = 0;
  for (const TJwwEntText& text : copy) {
    ExpectSameText(text, texts[index], index);
    ++index;
  }
  EXPECT_EQ(index, texts.size());
  ExpectSameText(list.back(), texts.back(), kCount - 1);

  list.clear();
  EXPECT_TRUE(list.empty());
  list.push_back(texts[4321]);
  EXPECT_EQ(list.shared_count(), 1u);
  ExpectSameText(list[0], texts[4321], 0);
  ExpectSameText(copy[4321], texts[4321], 4321);
  list.release();
  EXPECT_EQ(list.size(), 0u);
  ReleaseExchangeState();
}

}  // namespace
