#pragma once
// A byte buffer that owns a readable margin before its first byte, and the texts that lie in
// it. The number conversion reads the 16 bytes that end with such a text in one step,
// whatever the text's length: the bytes before the text belong to the buffer or to its
// margin, so they may be read (and are then ignored).
#include <cstddef>
#include <cstdint>
#include <cassert>
#include <cstring>
#include <memory>
#include <string_view>

// The bytes before a PaddedBuffer's first byte that may be read.
inline constexpr std::size_t kReadableMargin = 16;

// A text inside a PaddedBuffer: the kReadableMargin bytes that end with it may be read.
// Only a PaddedBuffer hands one out.
class PaddedText {
 public:
  std::string_view View() const { return text_; }

 private:
  friend class PaddedBuffer;
  explicit PaddedText(std::string_view text) : text_(text) {}
  std::string_view text_;
};

// `size` bytes, left uninitialised (only what is written is touched), behind a margin of
// kReadableMargin zero bytes.
class PaddedBuffer {
 public:
  PaddedBuffer() = default;
  explicit PaddedBuffer(std::size_t size)
      : storage_(new char[kReadableMargin + size]), size_(size) {
    std::memset(storage_.get(), 0, kReadableMargin);
  }

  char* data() { return storage_ ? storage_.get() + kReadableMargin : nullptr; }
  const char* data() const { return storage_ ? storage_.get() + kReadableMargin : nullptr; }
  std::size_t size() const { return size_; }

  // `text` must lie within the buffer, or be empty (an empty text is never read). The bytes
  // before a text from anywhere else are not the buffer's to read: a caller that hands one
  // over is at fault. Checked where assertions are compiled in; the Release build leaves the
  // check out of the number conversion's inner loop (it cost 7 % of a large file's read),
  // and its tests check Holds itself.
  PaddedText Text(std::string_view text) const {
    assert(Holds(text));
    return PaddedText(text);
  }
  bool Holds(std::string_view text) const {
    const auto first = reinterpret_cast<std::uintptr_t>(data());
    const auto at = reinterpret_cast<std::uintptr_t>(text.data());
    return text.empty() ||
           (at >= first && at - first <= size_ && text.size() <= size_ - (at - first));
  }

 private:
  std::unique_ptr<char[]> storage_;
  std::size_t size_ = 0;
};
