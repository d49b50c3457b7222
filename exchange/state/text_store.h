#pragma once
// Where the exchange state keeps the bytes of its records' strings: one growing run of
// blocks that are never moved, so that the records can point into them. Each text is kept
// as its length (32 bits) and its bytes. The blocks grow with the store and, past a large
// page, come from large blocks of the platform layer, like the entity lists.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

// The text whose bytes begin at `bytes`, a pointer that TextStore::Keep returned: its
// length stands in the 32 bits just before it.
inline std::string_view KeptTextAt(const char* bytes) {
  std::uint32_t length;
  std::memcpy(&length, bytes - sizeof length, sizeof length);
  return {bytes, length};
}

class TextStore {
 public:
  TextStore() = default;
  TextStore(const TextStore&) = delete;
  TextStore& operator=(const TextStore&) = delete;
  ~TextStore() { Release(); }

  // Copies `text` into the store; returns where its bytes begin, after its length. A text
  // equal to one of the last two kept is not copied again (a run of texts shares one font
  // name). Throws std::bad_alloc without memory.
  const char* Keep(std::string_view text);

  // Forgets every text; keeps the first block for the next file.
  void Clear();
  // Forgets every text and gives all memory back.
  void Release();

 private:
  struct Block {
    char* bytes;
    std::size_t size;
    bool large;  // from the platform layer's large blocks
  };
  void AddBlock(std::size_t atLeast);

  std::vector<Block> blocks_;
  char* next_ = nullptr;  // free room in the last block, up to end_
  char* end_ = nullptr;
  std::size_t totalBytes_ = 0;
  const char* recent_[2] = {nullptr, nullptr};
};
