#pragma once
// Cuts the exchange file into lines. The file is read in large blocks; each line is handed
// out as a view into the block buffer, without its line break, so no line is copied.
#include <cstddef>
#include <functional>
#include <istream>
#include <memory>
#include <string_view>

// A line that starts with this byte (Ctrl-Z) ends the file.
inline constexpr char kEndOfFileMark = '\x1A';

class ReaderLineSource {
 public:
  // Fills the buffer with up to `size` bytes: their count, 0 at the end, -1 on a read error.
  using BlockReader = std::function<std::ptrdiff_t(char* buffer, std::size_t size)>;

  explicit ReaderLineSource(BlockReader read, std::size_t blockSize = kDefaultBlockSize);
  explicit ReaderLineSource(std::istream& in, std::size_t blockSize = kDefaultBlockSize);
  // Goes on from a first read the caller made into `buffer` (of `capacity` bytes) with the
  // outcome `firstRead`, as read returned it; the buffer becomes the source's own.
  ReaderLineSource(BlockReader read, std::unique_ptr<char[]> buffer, std::size_t capacity,
                   std::ptrdiff_t firstRead);

  // The next line, valid until the next call. A line ends at LF or CR LF; the last line may
  // lack its line end. False at the end of the file, at a line that starts with Ctrl-Z, and
  // after a read failure.
  bool Next(std::string_view& line);

  // True once the end of the file or a Ctrl-Z line was reached without a read failure.
  bool ReadToEnd() const { return finished_ && !failed_; }

 private:
  // Moves the unfinished line to the front of the buffer, grows the buffer if that line
  // fills it, and reads the next block behind it.
  void ReadMore();
  // Takes in what one read returned.
  void Account(std::ptrdiff_t got);

  // Large reads for large files; the buffer is never cleared, so a small file touches only
  // the memory its bytes fill.
  static constexpr std::size_t kDefaultBlockSize = std::size_t{1} << 20;

  BlockReader read_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t lineStart_ = 0;  // first byte of the next line
  std::size_t scanned_ = 0;    // bytes from lineStart_ on are known to hold no LF up to here
  std::size_t end_ = 0;        // end of the bytes read so far
  bool endOfFile_ = false;
  bool finished_ = false;
  bool failed_ = false;
};
