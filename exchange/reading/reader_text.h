#pragma once
// Shift-JIS aware text helpers of the exchange-file reader. A byte from 0x80 to 0x9F or from
// 0xE0 to 0xFD leads a double-byte character; searches never start a match on its second
// byte.
#include <cstddef>
#include <string_view>

constexpr bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x80 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFD);
}

// 0-based byte offset of the first occurrence of `needle` in `text` that starts on a
// character boundary, or npos.
inline std::size_t FindOnCharBoundary(std::string_view text, std::string_view needle) {
  if (needle.empty() || needle.size() > text.size()) return std::string_view::npos;
  const std::size_t lastStart = text.size() - needle.size();
  std::size_t i = 0;
  while (i <= lastStart) {
    if (text.compare(i, needle.size(), needle) == 0) return i;
    i += IsLeadByte(static_cast<unsigned char>(text[i])) ? std::size_t{2} : std::size_t{1};
  }
  return std::string_view::npos;
}

inline bool StartsWith(std::string_view text, std::string_view key) {
  return text.substr(0, key.size()) == key;
}

// Field text from its nth character (1-based) on; empty when the text is shorter.
inline std::string_view FromCharacter(std::string_view text, std::size_t n) {
  return n - 1 < text.size() ? text.substr(n - 1) : std::string_view();
}
