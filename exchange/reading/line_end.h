#pragma once
// Where a line of the host's text files ends, for every reader of lines (the exchange file
// line by line and in batches, the settings file): at a line feed, and a
// carriage return just before the LF belongs to the line end (CR LF). A CR anywhere else is
// part of the line. The last line of a file may end at the end of the file, without a LF.
#include <cstddef>
#include <string_view>

// A line's text, without its line end, and where the line after it starts.
struct LineAt {
  std::string_view Text;
  std::size_t Next = 0;
};

// True when bytes[at] is the CR of a CR LF, which belongs to the line end.
constexpr bool IsLineEndCarriageReturn(std::string_view bytes, std::size_t at) {
  return bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n';
}

// The end of the text of the line that starts at `start` and whose LF is at `lineFeed`.
constexpr std::size_t LineTextEnd(std::string_view bytes, std::size_t start, std::size_t lineFeed) {
  return lineFeed > start && bytes[lineFeed - 1] == '\r' ? lineFeed - 1 : lineFeed;
}

// The line of `bytes` that starts at `start` and ends at the LF at `lineFeed`, or, when
// lineFeed is npos, at the end of the bytes: the last line of a file, without a line end.
constexpr LineAt LineEndingAt(std::string_view bytes, std::size_t start, std::size_t lineFeed) {
  if (lineFeed == std::string_view::npos) return {bytes.substr(start), bytes.size()};
  return {bytes.substr(start, LineTextEnd(bytes, start, lineFeed) - start), lineFeed + 1};
}

// The length of the whole lines at the start of `bytes`: up to and including the last LF,
// 0 when there is none. What is left after a read error holds only these.
constexpr std::size_t WholeLinesLength(std::string_view bytes) { return bytes.rfind('\n') + 1; }
