#include "exchange/reading/reader_line_source.h"

#include <cstring>
#include <utility>

ReaderLineSource::ReaderLineSource(BlockReader read, std::size_t blockSize)
    : read_(std::move(read)),
      buffer_(new char[blockSize > 0 ? blockSize : 1]),  // left uninitialised on purpose
      capacity_(blockSize > 0 ? blockSize : 1) {}

ReaderLineSource::ReaderLineSource(BlockReader read, std::unique_ptr<char[]> buffer,
                                   std::size_t capacity, std::ptrdiff_t firstRead)
    : read_(std::move(read)), buffer_(std::move(buffer)), capacity_(capacity) {
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
    const char* base = buffer_.get();
    const void* lf = scanned_ < end_ ? std::memchr(base + scanned_, '\n', end_ - scanned_) : nullptr;
    std::size_t lineEnd = 0;
    std::size_t next = 0;
    if (lf != nullptr) {
      lineEnd = static_cast<std::size_t>(static_cast<const char*>(lf) - base);
      next = lineEnd + 1;
      if (lineEnd > lineStart_ && base[lineEnd - 1] == '\r') --lineEnd;
    } else if (endOfFile_) {
      finished_ = true;
      if (lineStart_ == end_) return false;
      lineEnd = end_;  // the last line, without a line end
      next = end_;
    } else {
      scanned_ = end_;
      ReadMore();
      continue;
    }
    line = std::string_view(base + lineStart_, lineEnd - lineStart_);
    lineStart_ = next;
    scanned_ = next;
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
    std::memmove(buffer_.get(), buffer_.get() + lineStart_, pending);
    scanned_ -= lineStart_;
    end_ = pending;
    lineStart_ = 0;
  }
  if (end_ == capacity_) {  // a line longer than a block
    std::unique_ptr<char[]> larger(new char[capacity_ * 2]);
    std::memcpy(larger.get(), buffer_.get(), end_);
    buffer_ = std::move(larger);
    capacity_ *= 2;
  }
  const std::size_t room = capacity_ - end_;
  Account(read_(buffer_.get() + end_, room));
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
