#include "exchange/reading/reader_line_source.h"

#include <cstring>
#include <utility>

#include "exchange/reading/line_end.h"

ReaderLineSource::ReaderLineSource(BlockReader read, std::size_t blockSize)
    : read_(std::move(read)),
      buffer_(blockSize > 0 ? blockSize : 1) {}  // left uninitialised on purpose

ReaderLineSource::ReaderLineSource(BlockReader read, PaddedBuffer buffer, std::ptrdiff_t firstRead)
    : read_(std::move(read)), buffer_(std::move(buffer)) {
  Account(firstRead);
}

ReaderLineSource::ReaderLineSource(std::istream& in, std::size_t blockSize)
    : ReaderLineSource(
          [&in](char* buffer, std::size_t size) -> std::ptrdiff_t {
            in.read(buffer, static_cast<std::streamsize>(size));
            if (in.bad()) return -1;
            return static_cast<std::ptrdiff_t>(in.gcount());
          },
          blockSize) {}

bool ReaderLineSource::Next(std::string_view& line) {
  while (!finished_) {
    const std::string_view bytes(buffer_.data(), end_);
    const void* lf =
        scanned_ < end_ ? std::memchr(bytes.data() + scanned_, '\n', end_ - scanned_) : nullptr;
    LineAt found;
    if (lf != nullptr) {
      found = LineEndingAt(bytes, lineStart_,
                           static_cast<std::size_t>(static_cast<const char*>(lf) - bytes.data()));
    } else if (endOfFile_) {
      finished_ = true;
      if (lineStart_ == end_) return false;
      found = LineEndingAt(bytes, lineStart_, std::string_view::npos);
    } else {
      scanned_ = end_;
      ReadMore();
      continue;
    }
    line = found.Text;
    lineStart_ = scanned_ = found.Next;
    if (!line.empty() && line.front() == kEndOfFileMark) {
      finished_ = true;
      return false;
    }
    return true;
  }
  return false;
}

void ReaderLineSource::ReadMore() {
  const std::size_t pending = end_ - lineStart_;
  if (lineStart_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + lineStart_, pending);
    scanned_ -= lineStart_;
    end_ = pending;
    lineStart_ = 0;
  }
  if (end_ == buffer_.size()) {  // a line longer than a block
    PaddedBuffer larger(buffer_.size() * 2);
    std::memcpy(larger.data(), buffer_.data(), end_);
    buffer_ = std::move(larger);
  }
  Account(read_(buffer_.data() + end_, buffer_.size() - end_));
}

void ReaderLineSource::Account(std::ptrdiff_t got) {
  if (got < 0) {
    // The unfinished line is dropped; the lines before it stay applied.
    failed_ = true;
    finished_ = true;
  } else if (got == 0) {
    endOfFile_ = true;
  } else {
    end_ += static_cast<std::size_t>(got);
  }
}
