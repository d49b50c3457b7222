#include "exchange/state/text_store.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "os/memory_pages.h"

namespace {

constexpr std::size_t kFirstBlockSize = 4096;
constexpr std::size_t kLengthSize = sizeof(std::uint32_t);

}  // namespace

const char* TextStore::Keep(std::string_view text) {
  for (const char*& recent : recent_) {
    if (recent != nullptr && KeptTextAt(recent) == text) {
      std::swap(recent, recent_[0]);  // the one found first next time
      return recent_[0];
    }
  }
  // The length is kept in 32 bits; a line of 4 GiB is beyond any file the host writes.
  if constexpr (sizeof(std::size_t) > sizeof(std::uint32_t)) {
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
  }
  const std::size_t needed = kLengthSize + text.size();
  if (static_cast<std::size_t>(end_ - next_) < needed) AddBlock(needed);
  const auto length = static_cast<std::uint32_t>(text.size());
  std::memcpy(next_, &length, kLengthSize);
  if (!text.empty()) std::memcpy(next_ + kLengthSize, text.data(), text.size());
  const char* bytes = next_ + kLengthSize;
  next_ += needed;
  recent_[1] = recent_[0];
  recent_[0] = bytes;
  return bytes;
}

void TextStore::AddBlock(std::size_t atLeast) {
  // Each block as large as all before it, from 4 KiB up to a large page; from there on
  // large blocks. A text longer than that gets a block of its own size.
  std::size_t size = std::clamp(totalBytes_, kFirstBlockSize, kLargePageSize);
  const bool large = size == kLargePageSize && atLeast <= kLargePageSize;
  if (!large) size = std::max(size, atLeast);
  if (blocks_.size() == blocks_.capacity())
    blocks_.reserve(std::max<std::size_t>(8, 2 * blocks_.size()));
  char* bytes = large ? static_cast<char*>(AllocateLargePages(kLargePageSize))
                      : static_cast<char*>(::operator new(size));
  if (bytes == nullptr) throw std::bad_alloc();
  blocks_.push_back(Block{bytes, size, large});
  totalBytes_ += size;
  next_ = bytes;
  end_ = bytes + size;
}

void TextStore::Clear() {
  recent_[0] = recent_[1] = nullptr;
  if (blocks_.empty()) return;
  const Block first = blocks_.front();
  blocks_.erase(blocks_.begin());
  Release();
  blocks_.push_back(first);
  totalBytes_ = first.size;
  next_ = first.bytes;
  end_ = first.bytes + first.size;
}

void TextStore::Release() {
  for (const Block& block : blocks_) {
    if (block.large) {
      FreeLargePages(block.bytes, block.size);
    } else {
      ::operator delete(block.bytes);
    }
  }
  blocks_.clear();
  next_ = end_ = nullptr;
  totalBytes_ = 0;
  recent_[0] = recent_[1] = nullptr;
}
