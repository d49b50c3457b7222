// The record strings' store: every text reads back byte for byte as the store grows, empty,
// longer than any block, or ending exactly where a block ends.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "exchange/state/exchange_state.h"
#include "exchange/state/text_store.h"

namespace {

TEST(TextStore, KeepsEveryTextAcrossBlocks) {
  TextStore store;
  std::vector<std::pair<const char*, std::string>> kept;
  const std::size_t lengths[] = {0, 1, 8, 4092, 4093, 15, 255, 70000};
  for (std::size_t round = 0; round < 3000; ++round) {
    std::size_t length = lengths[round % std::size(lengths)] + round % 7;
    if (round == 1000) length = std::size_t{3} << 20;  // beyond a large page
    std::string text(length, static_cast<char>('A' + round % 26));
    if (!text.empty()) text.back() = '\x82';  // a lead byte at the end stays a byte
    kept.emplace_back(store.Keep(text), text);
  }
  for (const auto& [bytes, text] : kept) ASSERT_EQ(std::string(bytes, text.size()), text);
  store.Clear();
  EXPECT_EQ(std::string(store.Keep("again"), 5), "again");
  store.Release();
}

TEST(RecordText, ReadsLikeTheTextAssigned) {
  InitExchangeState();
  TJwwEntText text;
  EXPECT_TRUE(text.Content.empty());
  EXPECT_EQ(text.Content, "");
  const std::string content("\x95\x94\x89\xae 1", 6);
  text.Content = content;
  text.FontName = "Mincho";
  text.Content.assign(text.Content);  // from its own bytes
  EXPECT_EQ(text.Content, content);
  EXPECT_EQ(text.Content.size(), 6u);
  EXPECT_EQ(text.FontName, "Mincho");
  TJwwEntText copy = text;
  text.FontName = "Gothic";
  EXPECT_EQ(copy.FontName, "Mincho");
  EXPECT_EQ(text.FontName, "Gothic");
  ReleaseExchangeState();
}

}  // namespace
