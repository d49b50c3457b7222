#include "exchange/state/text_list.h"

#include <bit>

bool TextRecordLayout::Shares(const SharedRow& row, const TJwwEntText& text) {
  return static_cast<const CommonAttributes&>(row) == static_cast<const CommonAttributes&>(text) &&
         row.TextCode == text.TextCode && row.TextStyle == text.TextStyle &&
         row.WidthBits == std::bit_cast<std::uint64_t>(text.Width) &&
         row.HeightBits == std::bit_cast<std::uint64_t>(text.Height) &&
         row.SpacingBits == std::bit_cast<std::uint64_t>(text.Spacing) &&
         (row.FontName.data() == text.FontName.data() || row.FontName == text.FontName);
}

TextRecordLayout::SharedRow TextRecordLayout::SharedOf(const TJwwEntText& text) {
  return SharedRow{static_cast<const CommonAttributes&>(text),
                   text.TextCode,
                   text.TextStyle,
                   std::bit_cast<std::uint64_t>(text.Width),
                   std::bit_cast<std::uint64_t>(text.Height),
                   std::bit_cast<std::uint64_t>(text.Spacing),
                   text.FontName};
}

TJwwEntText TextRecordLayout::Join(const Own& own, const SharedRow& row) {
  TJwwEntText text;
  static_cast<CommonAttributes&>(text) = row;
  text.TextKind = own.TextKind;
  text.TextCode = row.TextCode;
  text.TextStyle = row.TextStyle;
  text.Width = std::bit_cast<double>(row.WidthBits);
  text.Height = std::bit_cast<double>(row.HeightBits);
  text.Spacing = std::bit_cast<double>(row.SpacingBits);
  text.Value1 = own.Value1;
  text.Value2 = own.Value2;
  text.Value3 = own.Value3;
  text.Value4 = own.Value4;
  text.FontName = row.FontName;
  text.Content = own.Content;
  return text;
}
