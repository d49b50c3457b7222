#include "exchange/text_list.h"

#include <bit>
#include <limits>
#include <new>

bool TextRecordList::Shares(const SharedPart& row, const TJwwEntText& text) {
  return static_cast<const CommonAttributes&>(row) == static_cast<const CommonAttributes&>(text) &&
         row.TextCode == text.TextCode && row.TextStyle == text.TextStyle &&
         row.WidthBits == std::bit_cast<std::uint64_t>(text.Width) &&
         row.HeightBits == std::bit_cast<std::uint64_t>(text.Height) &&
         row.SpacingBits == std::bit_cast<std::uint64_t>(text.Spacing) &&
         (row.FontName.data() == text.FontName.data() || row.FontName == text.FontName);
}

void TextRecordList::push_back(const TJwwEntText& text) {
  if (shared_.empty() || !Shares(shared_.back(), text)) {
    // One row per text at most, and the text count stays within the read order's 32 bits.
    if (shared_.size() >= std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
    shared_.push_back(SharedPart{static_cast<const CommonAttributes&>(text), text.TextCode,
                                 text.TextStyle, std::bit_cast<std::uint64_t>(text.Width),
                                 std::bit_cast<std::uint64_t>(text.Height),
                                 std::bit_cast<std::uint64_t>(text.Spacing), text.FontName});
  }
  own_.push_back(OwnPart{text.Value1, text.Value2, text.Value3, text.Value4, text.Content,
                         static_cast<std::uint32_t>(shared_.size() - 1), text.TextKind});
}

TJwwEntText TextRecordList::operator[](std::size_t index) const {
  const OwnPart& own = own_[index];
  const SharedPart& shared = shared_[own.Shared];
  TJwwEntText text;
  static_cast<CommonAttributes&>(text) = shared;
  text.TextKind = own.TextKind;
  text.TextCode = shared.TextCode;
  text.TextStyle = shared.TextStyle;
  text.Width = std::bit_cast<double>(shared.WidthBits);
  text.Height = std::bit_cast<double>(shared.HeightBits);
  text.Spacing = std::bit_cast<double>(shared.SpacingBits);
  text.Value1 = own.Value1;
  text.Value2 = own.Value2;
  text.Value3 = own.Value3;
  text.Value4 = own.Value4;
  text.FontName = shared.FontName;
  text.Content = own.Content;
  return text;
}
