#pragma once
// Text as the host and the tool write it: lines, each ended by CR LF.
#include <initializer_list>
#include <string>
#include <string_view>

template <typename Lines = std::initializer_list<std::string_view>>
std::string CrLfLines(const Lines& lines) {
  std::string out;
  for (const auto& line : lines) out.append(std::string_view(line)).append("\r\n");
  return out;
}

// The same from one string of lines parted by '|': "lg2|ly5" is "lg2\r\nly5\r\n"; "" is none.
inline std::string CrLf(std::string_view lines) {
  std::string out;
  for (const char c : lines) out += c == '|' ? std::string("\r\n") : std::string(1, c);
  return lines.empty() ? out : out + "\r\n";
}
