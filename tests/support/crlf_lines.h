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
