#pragma once
// The read order: for every record, in the order the file gave them, its kind and its
// position in its kind's list. Packed into 4 bytes an entry (the kind in the low 4 bits,
// the position above), since a large file has one entry per line; an entry reads back as
// a ReadOrderEntry by value.
#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "exchange/state/by_value_iterator.h"
#include "exchange/state/entity_list.h"

struct ReadOrderEntry {
  std::int32_t Kind = 0;   // EntityKind 1..15
  std::int32_t Index = 0;  // 0-based position in its list
  bool operator==(const ReadOrderEntry&) const = default;
};

class ReadOrderList {
 public:
  // The first position that does not fit the 28 bits beside the kind.
  static constexpr std::uint32_t kIndexLimit = std::uint32_t{1} << 28;

  using value_type = ReadOrderEntry;
  using size_type = std::size_t;

  using const_iterator = ByValueIterator<ReadOrderList, ReadOrderEntry>;
  using iterator = const_iterator;

  ReadOrderList() = default;
  // A list that takes positions below `indexLimit` only (at most kIndexLimit), so that the
  // limit can be met without hundreds of millions of records.
  explicit ReadOrderList(std::uint32_t indexLimit)
      : indexLimit_(indexLimit < kIndexLimit ? indexLimit : kIndexLimit) {}

  std::size_t size() const { return packed_.size(); }
  bool empty() const { return packed_.empty(); }
  ReadOrderEntry operator[](std::size_t index) const {
    const std::uint32_t packed = packed_[index];
    return ReadOrderEntry{static_cast<std::int32_t>(packed & kKindMask),
                          static_cast<std::int32_t>(packed >> kKindBits)};
  }
  ReadOrderEntry back() const { return (*this)[size() - 1]; }
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, size()); }

  // Throws std::bad_alloc for a position past the limit, as for want of memory (a reader
  // then stops there with what it has read), and std::invalid_argument for a kind outside
  // 1..15; the list is then as before.
  void push_back(const ReadOrderEntry& entry) {
    if (entry.Kind < 1 || static_cast<std::uint32_t>(entry.Kind) > kKindMask) {
      throw std::invalid_argument("read order: no such entity kind");
    }
    if (entry.Index < 0 || static_cast<std::uint32_t>(entry.Index) >= indexLimit_) {
      throw std::bad_alloc();
    }
    packed_.push_back((static_cast<std::uint32_t>(entry.Index) << kKindBits) |
                      static_cast<std::uint32_t>(entry.Kind));
  }

  void clear() { packed_.clear(); }
  void release() { packed_.release(); }

 private:
  static constexpr unsigned kKindBits = 4;
  static constexpr std::uint32_t kKindMask = (std::uint32_t{1} << kKindBits) - 1;

  ChunkedList<std::uint32_t> packed_;
  std::uint32_t indexLimit_ = kIndexLimit;
};
