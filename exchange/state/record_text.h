#pragma once
// The strings of the entity records (a text's font name and content, a block's name). A
// file of a million short texts would otherwise spend most of its memory on string objects;
// here each string is one pointer into the exchange state's text store, where its bytes
// follow their length. To the code it reads like a string: it compares with text, converts
// to std::string_view, and assigning any text copies the bytes into the store. The bytes
// live as long as the store: until the exchange state is initialised again or released.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "exchange/state/text_store.h"

class RecordText {
 public:
  RecordText() = default;

  RecordText& operator=(std::string_view text) {
    assign(text);
    return *this;
  }
  void assign(std::string_view text);

  const char* data() const { return bytes_; }
  std::size_t size() const { return view().size(); }
  bool empty() const { return size() == 0; }
  std::string_view view() const { return KeptTextAt(bytes_); }
  operator std::string_view() const { return view(); }
  std::string str() const { return std::string(view()); }

  friend bool operator==(const RecordText& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const RecordText& a, const RecordText& b) { return a.view() == b.view(); }

 private:
  static constexpr char kEmpty[sizeof(std::uint32_t) + 1] = {};  // length 0, then no bytes
  const char* bytes_ = kEmpty + sizeof(std::uint32_t);
};
