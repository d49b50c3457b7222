#pragma once
// The list of text records. A file of a million short texts repeats the same attributes,
// style, size and font in every one of them, and a full record is several times the size
// of the line it came from. So each text keeps here only what is its own (its kind, which
// the line's key gives, its four values and its content) and the index of its shared part:
// a row of a second list that gets a new row only when a text's shared part differs from
// the row before. Reading a text rebuilds
// the whole record by value; a text is never changed once it is listed.
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "exchange/entity_list.h"
#include "exchange/entity_records.h"
#include "exchange/record_text.h"

class TextRecordList {
 public:
  using value_type = TJwwEntText;
  using size_type = std::size_t;

  // Yields records by value: there is no stored record to refer to.
  class const_iterator {
   public:
    using iterator_concept = std::forward_iterator_tag;
    using iterator_category = std::input_iterator_tag;
    using value_type = TJwwEntText;
    using difference_type = std::ptrdiff_t;
    using reference = TJwwEntText;

    const_iterator() = default;
    const_iterator(const TextRecordList* list, std::size_t index) : list_(list), index_(index) {}
    TJwwEntText operator*() const { return (*list_)[index_]; }
    const_iterator& operator++() {
      ++index_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++index_;
      return old;
    }
    friend bool operator==(const const_iterator& a, const const_iterator& b) {
      return a.index_ == b.index_;
    }

   private:
    const TextRecordList* list_ = nullptr;
    std::size_t index_ = 0;
  };
  using iterator = const_iterator;

  std::size_t size() const { return own_.size(); }
  bool empty() const { return own_.empty(); }

  TJwwEntText operator[](std::size_t index) const;
  TJwwEntText back() const { return (*this)[size() - 1]; }
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, size()); }

  // Throws std::bad_alloc without memory; the texts listed are then as before.
  void push_back(const TJwwEntText& text);

  // Forgets every text but keeps the memory for reuse.
  void clear() {
    own_.clear();
    shared_.clear();
  }
  // Forgets every text and gives all memory back.
  void release() {
    own_.release();
    shared_.release();
  }

  // How many different shared parts the list holds, for the tests of the sharing.
  std::size_t shared_count() const { return shared_.size(); }

 private:
  // Everything of a text record but its kind, values and content. The reals are kept as
  // their bits, so that a row is shared only by the very same values and every text reads
  // back bit for bit (a -0.0 stays -0.0).
  struct SharedPart : CommonAttributes {
    std::int32_t TextCode, TextStyle;
    std::uint64_t WidthBits, HeightBits, SpacingBits;
    RecordText FontName;
  };
  struct OwnPart {
    double Value1, Value2, Value3, Value4;
    RecordText Content;
    std::uint32_t Shared;  // index into shared_
    std::int32_t TextKind;  // in what would be padding
  };
  // The size a text costs in a file of short texts; a field more would cost 8 bytes a text.
  static_assert(sizeof(OwnPart) <= 48);
  // Whether `text` has the shared part `row`: the same font name is usually the same
  // pointer into the store, else the same bytes.
  static bool Shares(const SharedPart& row, const TJwwEntText& text);

  ChunkedList<OwnPart> own_;
  ChunkedList<SharedPart> shared_;
};
