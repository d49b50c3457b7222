#pragma once
// A growable list for the entity records, stored in fixed-size chunks. Appending never moves
// the records already stored, so a list of millions of records grows without the transient
// double copy of a single array, and its memory stays within one chunk of what it holds
// while it is small. A list that has grown past a large page takes its further chunks from
// large blocks, many chunks to a block, aligned so that a system that backs such ranges with
// large pages (see os/memory_pages.h) fills a large file's records with one page
// fault per large page instead of hundreds.
// Indexing is by 0-based position; size() is the count kept beside the list.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <iterator>
#include <new>
#include <utility>
#include <vector>

#include "os/memory_pages.h"

template <typename T>
class ChunkedList {
  // About 64 KiB per chunk, at least 16 records, a power of two so that an index splits
  // into chunk and slot with a shift and a mask.
  static constexpr std::size_t kChunkSize =
      std::bit_floor(std::max<std::size_t>(16, std::size_t{65536} / sizeof(T)));
  static constexpr std::size_t kChunkShift = static_cast<std::size_t>(std::countr_zero(kChunkSize));
  static constexpr std::size_t kSlotMask = kChunkSize - 1;
  static constexpr std::size_t kChunkBytes = kChunkSize * sizeof(T);
  // Chunks per large block; the first this many chunks come one by one from the allocator.
  static constexpr std::size_t kChunksPerBlock = kLargePageSize / kChunkBytes;
  static constexpr bool kUsesBlocks = kChunksPerBlock >= 2;
  static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

 public:
  using value_type = T;
  using size_type = std::size_t;
  using reference = T&;
  using const_reference = const T&;

  template <typename List, typename Value>
  class Iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = Value*;
    using reference = Value&;

    Iterator() = default;
    Iterator(List* list, std::size_t index) : list_(list), index_(index) {}
    reference operator*() const { return (*list_)[index_]; }
    pointer operator->() const { return &(*list_)[index_]; }
    reference operator[](difference_type n) const { return (*list_)[Offset(n)]; }
    Iterator& operator++() {
      ++index_;
      return *this;
    }
    Iterator operator++(int) {
      Iterator old = *this;
      ++index_;
      return old;
    }
    Iterator& operator--() {
      --index_;
      return *this;
    }
    Iterator operator--(int) {
      Iterator old = *this;
      --index_;
      return old;
    }
    Iterator& operator+=(difference_type n) {
      index_ = Offset(n);
      return *this;
    }
    Iterator& operator-=(difference_type n) {
      index_ = Offset(-n);
      return *this;
    }
    friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
    friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
    friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const Iterator& a, const Iterator& b) {
      return static_cast<difference_type>(a.index_) - static_cast<difference_type>(b.index_);
    }
    friend bool operator==(const Iterator& a, const Iterator& b) { return a.index_ == b.index_; }
    friend auto operator<=>(const Iterator& a, const Iterator& b) { return a.index_ <=> b.index_; }

   private:
    std::size_t Offset(difference_type n) const {
      return static_cast<std::size_t>(static_cast<difference_type>(index_) + n);
    }
    List* list_ = nullptr;
    std::size_t index_ = 0;
  };
  using iterator = Iterator<ChunkedList, T>;
  using const_iterator = Iterator<const ChunkedList, const T>;

  ChunkedList() = default;
  ChunkedList(const ChunkedList& other) { AppendAll(other); }
  ChunkedList(ChunkedList&& other) noexcept { Swap(other); }
  ChunkedList& operator=(const ChunkedList& other) {
    if (this != &other) {
      clear();
      AppendAll(other);
    }
    return *this;
  }
  ChunkedList& operator=(ChunkedList&& other) noexcept {
    if (this != &other) {
      release();
      Swap(other);
    }
    return *this;
  }
  ~ChunkedList() { release(); }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  T& operator[](std::size_t index) { return chunks_[index >> kChunkShift][index & kSlotMask]; }
  const T& operator[](std::size_t index) const {
    return chunks_[index >> kChunkShift][index & kSlotMask];
  }
  T& front() { return (*this)[0]; }
  const T& front() const { return (*this)[0]; }
  T& back() { return (*this)[size_ - 1]; }
  const T& back() const { return (*this)[size_ - 1]; }

  iterator begin() { return iterator(this, 0); }
  iterator end() { return iterator(this, size_); }
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, size_); }

  template <typename... Args>
  T& emplace_back(Args&&... args) {
    T* slot = NextSlot();
    T* record = ::new (static_cast<void*>(slot)) T(std::forward<Args>(args)...);
    ++size_;
    return *record;
  }
  void push_back(const T& value) { emplace_back(value); }
  void push_back(T&& value) { emplace_back(std::move(value)); }

  // Destroys every record but keeps the chunks for reuse.
  void clear() {
    for (std::size_t i = size_; i > 0; --i) (*this)[i - 1].~T();
    size_ = 0;
  }

  // Destroys every record and gives all memory back.
  void release() {
    clear();
    const std::size_t smallChunks = chunks_.size() - blocks_.size() * kChunksPerBlock;
    for (std::size_t i = 0; i < smallChunks; ++i) ::operator delete(static_cast<void*>(chunks_[i]));
    for (void* block : blocks_) FreeLargePages(block, kLargePageSize);
    std::vector<T*>().swap(chunks_);
    std::vector<void*>().swap(blocks_);
  }

 private:
  T* NextSlot() {
    const std::size_t chunk = size_ >> kChunkShift;
    if (chunk == chunks_.size()) AddChunks();
    // A chunk of a large block is about to be filled: its pages in one go (a large file's
    // records are written at a rate where the page faults were a third of the time).
    if (kUsesBlocks && (size_ & kSlotMask) == 0 && chunk >= kChunksPerBlock) {
      PopulateLargePages(chunks_[chunk], kChunkBytes);
    }
    return chunks_[chunk] + (size_ & kSlotMask);
  }

  void AddChunks() {
    const bool fromBlock = kUsesBlocks && chunks_.size() >= kChunksPerBlock;
    const std::size_t added = fromBlock ? kChunksPerBlock : 1;
    // Room in the tables first, so that a failed allocation leaks nothing.
    if (chunks_.size() + added > chunks_.capacity()) {
      chunks_.reserve(std::max({std::size_t{16}, 2 * chunks_.size(), chunks_.size() + added}));
    }
    if (!fromBlock) {
      chunks_.push_back(static_cast<T*>(::operator new(kChunkBytes)));
      return;
    }
    if (blocks_.size() == blocks_.capacity())
      blocks_.reserve(std::max<std::size_t>(8, 2 * blocks_.size()));
    auto* block = static_cast<unsigned char*>(AllocateLargePages(kLargePageSize));
    if (block == nullptr) throw std::bad_alloc();
    blocks_.push_back(block);
    for (std::size_t i = 0; i < added; ++i)
      chunks_.push_back(reinterpret_cast<T*>(block + i * kChunkBytes));
  }

  void AppendAll(const ChunkedList& other) {
    for (std::size_t i = 0; i < other.size_; ++i) emplace_back(other[i]);
  }

  void Swap(ChunkedList& other) noexcept {
    chunks_.swap(other.chunks_);
    blocks_.swap(other.blocks_);
    std::swap(size_, other.size_);
  }

  std::vector<T*> chunks_;     // the small chunks first, then the chunks of the large blocks
  std::vector<void*> blocks_;  // the large blocks, kChunksPerBlock chunks each
  std::size_t size_ = 0;
};
