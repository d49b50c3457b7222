#pragma once
// A list of records of which a large file holds millions that mostly repeat their
// attributes. Each record keeps here only what is its own and the index of its shared part:
// a row of a second list that gets a new row only when a record's shared part differs from
// the row before. Reading a record rebuilds it whole, by value; a record is never changed
// once it is listed.
//
// The Layout says how a record splits:
//   Record, Own (with a std::uint32_t Shared, the row's index), SharedRow;
//   static bool Shares(const SharedRow&, const Record&);
//   static SharedRow SharedOf(const Record&);
//   static Own OwnOf(const Record&, std::uint32_t row);
//   static Record Join(const Own&, const SharedRow&);
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>

#include "exchange/state/by_value_iterator.h"
#include "exchange/state/entity_list.h"

template <typename Layout>
class SharedRowList {
 public:
  using Record = typename Layout::Record;
  using value_type = Record;
  using size_type = std::size_t;

  // Yields records by value (see by_value_iterator.h).
  using const_iterator = ByValueIterator<SharedRowList, Record>;
  using iterator = const_iterator;

  std::size_t size() const { return own_.size(); }
  bool empty() const { return own_.empty(); }

  Record operator[](std::size_t index) const {
    const typename Layout::Own& own = own_[index];
    return Layout::Join(own, shared_[own.Shared]);
  }
  Record front() const { return (*this)[0]; }
  Record back() const { return (*this)[size() - 1]; }
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, size()); }

  // Throws std::bad_alloc without memory; the records listed are then as before.
  void push_back(const Record& record) {
    if (shared_.empty() || !Layout::Shares(shared_.back(), record)) {
      // One row per record at most, and a row's index must fit its 32 bits.
      if (shared_.size() >= std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
      shared_.push_back(Layout::SharedOf(record));
    }
    own_.push_back(Layout::OwnOf(record, static_cast<std::uint32_t>(shared_.size() - 1)));
  }

  // Forgets every record but keeps the memory for reuse.
  void clear() {
    own_.clear();
    shared_.clear();
  }
  // Forgets every record and gives all memory back.
  void release() {
    own_.release();
    shared_.release();
  }

  // How many different shared parts the list holds, for the tests of the sharing.
  std::size_t shared_count() const { return shared_.size(); }

 private:
  ChunkedList<typename Layout::Own> own_;
  ChunkedList<typename Layout::SharedRow> shared_;
};
