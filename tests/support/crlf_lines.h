#pragma once
// Text as the host and the tool write it: lines, each ended by CR LF.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// The pieces of `parted` between its '|', the one way tests write lists in a table's cell:
// "lg2|ly5" is {"lg2", "ly5"}; "" is one empty piece.
inline std::vector<std::string> Parted(std::string_view parted) {
  std::vector<std::string> pieces(1);
  for (const char c : parted) c == '|' ? pieces.emplace_back() : pieces.back() += c;
  return pieces;
}

template <typename Lines = std::initializer_list<std::string_view>>
std::string CrLfLines(const Lines& lines) {
  std::string out;
  for (const auto& line : lines) out.append(std::string_view(line)).append("\r\n");
  return out;
}

// The same from one string of lines parted by '|': "lg2|ly5" is "lg2\r\nly5\r\n"; "" is none.
inline std::string CrLf(std::string_view lines) {
  return lines.empty() ? std::string() : CrLfLines(Parted(lines));
}
