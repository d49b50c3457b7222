// The contents of the three lists that are built each time the dialog is shown.
#include <string>

#include "tool/dialog_layout.h"

namespace layout {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::vector<std::string> CurrentThenSixteen(const char* current, const char* prefix,
                                            const char* suffix) {
  std::vector<std::string> items;
  items.reserve(17);
  items.emplace_back(current);
  for (int n = 0; n < 16; ++n) {
    items.push_back(std::string(prefix) + kHexDigits[n] + suffix);
  }
  return items;
}

void AppendNumbered(std::vector<std::string>& items, const char* prefix, int count) {
  for (int n = 1; n <= count; ++n) items.push_back(prefix + std::to_string(n));
}

}  // namespace

std::vector<std::string> LayerGroupItems() {
  return CurrentThenSixteen("現在ﾚｲﾔｸﾞﾙｰﾌﾟ", "ﾚｲﾔｸﾞﾙｰﾌﾟ[", "]");
}

std::vector<std::string> LayerItems() { return CurrentThenSixteen("現在レイヤ", "レイヤ(", ")"); }

std::vector<std::string> LineTypeItems() {
  std::vector<std::string> items;
  items.reserve(51);
  items.emplace_back("現在線種");
  AppendNumbered(items, "線種", 9);
  AppendNumbered(items, "ランダム線", 5);
  AppendNumbered(items, "倍長線種", 4);
  AppendNumbered(items, "SXF-", 32);
  return items;
}

}  // namespace layout
