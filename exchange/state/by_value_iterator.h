#pragma once
// The iterator of a list that rebuilds its entries on reading (its operator[] returns them
// by value): there is no stored entry to refer to, so dereferencing yields a copy.
#include <cstddef>
#include <iterator>

template <typename List, typename Value>
class ByValueIterator {
 public:
  using iterator_concept = std::forward_iterator_tag;
  using iterator_category = std::input_iterator_tag;
  using value_type = Value;
  using difference_type = std::ptrdiff_t;
  using reference = Value;

  ByValueIterator() = default;
  ByValueIterator(const List* list, std::size_t index) : list_(list), index_(index) {}
  Value operator*() const { return (*list_)[index_]; }
  ByValueIterator& operator++() {
    ++index_;
    return *this;
  }
  ByValueIterator operator++(int) {
    ByValueIterator old = *this;
    ++index_;
    return old;
  }
  friend bool operator==(const ByValueIterator& a, const ByValueIterator& b) {
    return a.index_ == b.index_;
  }

 private:
  const List* list_ = nullptr;
  std::size_t index_ = 0;
};
