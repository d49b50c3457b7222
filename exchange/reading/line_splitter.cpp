#include "exchange/reading/line_splitter.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "exchange/reading/reader_text.h"
#include "exchange/reading/split_stop_bytes.h"

namespace {

// What a byte does while Splitting is on.
enum class ByteRole : unsigned char { kAppend, kLead, kSeparator, kQuote, kEquals, kDrop };

constexpr std::array<ByteRole, 256> MakeSplittingRoles() {
  std::array<ByteRole, 256> roles{};
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    if (IsLeadByte(byte)) {
      roles[byte] = ByteRole::kLead;
    } else if (byte == ' ' || byte == '\t') {
      roles[byte] = ByteRole::kSeparator;
    } else if (byte == '"') {
      roles[byte] = ByteRole::kQuote;
    } else if (byte == '=') {
      roles[byte] = ByteRole::kEquals;
    } else if (byte < 0x20 || byte > 0xFD) {
      roles[byte] = ByteRole::kDrop;
    } else {
      roles[byte] = ByteRole::kAppend;
    }
  }
  return roles;
}

constexpr std::array<ByteRole, 256> kSplittingRoles = MakeSplittingRoles();

// Once Splitting is off only lead bytes and dropped bytes are special: spaces, quotes and
// equals signs are text, tabs and other control bytes vanish.
bool KeptAfterSplitting(unsigned char byte) { return byte >= 0x20 && byte <= 0xFD; }

// The field being built. It is a view into the line for as long as every byte since its
// start was kept; the first byte dropped from inside it moves it into the scratch buffer,
// where the rest of it is appended. Most fields never need the copy.
class FieldBuilder {
 public:
  FieldBuilder(const char* line, char* scratch) : line_(line), scratchEnd_(scratch) {}

  bool Empty(std::size_t i) const { return copying_ ? scratchEnd_ == copyStart_ : i == start_; }

  // Byte i of the line is kept.
  void Keep(std::size_t i) {
    if (copying_) *scratchEnd_++ = line_[i];
  }

  // Bytes from `from` up to `to` are kept.
  void KeepRun(std::size_t from, std::size_t to) {
    if (!copying_) return;
    std::memcpy(scratchEnd_, line_ + from, to - from);
    scratchEnd_ += to - from;
  }

  // Byte i of the line is dropped.
  void Drop(std::size_t i) {
    if (copying_) return;
    if (i == start_) {  // nothing kept yet: the field simply starts later
      start_ = i + 1;
      return;
    }
    copyStart_ = scratchEnd_;
    for (std::size_t k = start_; k < i; ++k) *scratchEnd_++ = line_[k];
    copying_ = true;
  }

  // The field as it ends before byte i; the next field starts at byte `next`.
  std::string_view Close(std::size_t i, std::size_t next) {
    const std::string_view text =
        copying_ ? std::string_view(copyStart_, static_cast<std::size_t>(scratchEnd_ - copyStart_))
                 : std::string_view(line_ + start_, i - start_);
    copying_ = false;
    start_ = next;
    return text;
  }

 private:
  const char* line_;
  char* scratchEnd_;
  char* copyStart_ = nullptr;
  std::size_t start_ = 0;
  bool copying_ = false;
};

// Where the walk of a line stands when splitting ends.
struct SplitEnd {
  std::size_t Next = 0;    // the first byte not yet taken into a field or dropped
  int Field = 0;           // the field being built
  bool TableFull = false;  // the last field of the table is closed: the rest is dropped
};

// Splitting on: blanks separate fields until the first double quote or equals sign, which
// ends splitting. The bytes that need a look are found 64 at a time; the plain bytes between
// them stay in the current field as they are.
SplitEnd SplitOn(std::string_view line, FieldBuilder& current, FieldTable& table) {
  const std::size_t n = line.size();
  const auto* in = reinterpret_cast<const unsigned char*>(line.data());
  SplitEnd end;
  std::size_t resume = 0;  // bytes before this were taken as the second byte of a pair
  for (std::size_t block = 0; block < n; block += 64) {
    const std::size_t blockSize = n - block < 64 ? n - block : 64;
    for (std::uint64_t bits = SpecialBits(in + block, blockSize); bits != 0;
         bits = WithoutLowestBit(bits)) {
      const std::size_t k = block + static_cast<std::size_t>(std::countr_zero(bits));
      if (k < resume) continue;
      const ByteRole role = kSplittingRoles[in[k]];
      if (role == ByteRole::kAppend) continue;  // a single-byte character from 0x80 up
      if (role == ByteRole::kLead && k + 1 < n) {
        resume = k + 2;  // the pair stays in the field, whatever its second byte
        continue;
      }
      current.KeepRun(end.Next, k);
      end.Next = k + 1;
      if (role == ByteRole::kSeparator) {
        if (current.Empty(k)) {
          current.Drop(k);
          continue;
        }
        table.Field[static_cast<std::size_t>(end.Field)] = current.Close(k, k + 1);
        if (end.Field + 1 == kMaxFields) {
          end.TableFull = true;
          end.Next = n;
          return end;
        }
        ++end.Field;
      } else if (role == ByteRole::kEquals) {  // the equals sign stays in the field
        current.Keep(k);
        return end;
      } else {  // a double quote, a control byte, 0xFE, 0xFF or a lone lead byte at the end
        current.Drop(k);
        if (role == ByteRole::kQuote) return end;
      }
    }
  }
  current.KeepRun(end.Next, n);
  end.Next = n;
  return end;
}

// Splitting off: the rest of the line from byte `from` on belongs to the current field.
// Blanks, quotes and equals signs are text now; a pair of bytes stays whole, and a lead
// byte without its second byte at the end is dropped.
void SplitOff(std::string_view line, std::size_t from, FieldBuilder& current) {
  const std::size_t n = line.size();
  const auto* in = reinterpret_cast<const unsigned char*>(line.data());
  std::size_t i = from;
  while (i < n) {
    const unsigned char byte = in[i];
    if (IsLeadByte(byte)) {
      if (i + 1 == n) {
        current.Drop(i);
        return;
      }
      current.Keep(i);
      current.Keep(i + 1);
      i += 2;
    } else {
      if (KeptAfterSplitting(byte)) {
        current.Keep(i);
      } else {
        current.Drop(i);
      }
      ++i;
    }
  }
}

}  // namespace

const FieldTable& LineSplitter::Split(std::string_view line) {
  if (const int count = SplitAtSpaces(line, table_.Field.data()); count > 0) return Finish(count);
  const std::size_t n = line.size();
  if (scratch_.size() < n) scratch_.resize(n);  // the fields never hold more than the line
  FieldBuilder current(line.data(), scratch_.data());
  const SplitEnd end = SplitOn(line, current, table_);
  if (end.TableFull) return Finish(kMaxFields);
  SplitOff(line, end.Next, current);
  table_.Field[static_cast<std::size_t>(end.Field)] = current.Close(n, n);
  return Finish(end.Field + 1);
}

int SplitAtSpaces(std::string_view line, std::string_view* fields) {
  const std::size_t n = line.size();
  const auto* in = reinterpret_cast<const unsigned char*>(line.data());
  const auto close = [line, fields](int field, std::size_t start, std::size_t end) {
    fields[field] = std::string_view(line.data() + start, end - start);
  };
  PlainFieldCut cut;
  // Giving up may leave fields written; in the splitter's own table nothing stale stays
  // behind, as the general walk reads every byte before this one alike and writes at
  // least the same fields again.
  for (std::size_t block = 0; block < n; block += 64) {
    const std::size_t blockSize = n - block < 64 ? n - block : 64;
    for (std::uint64_t bits = SpecialBits(in + block, blockSize); bits != 0;
         bits = WithoutLowestBit(bits)) {
      const std::size_t k = block + static_cast<std::size_t>(std::countr_zero(bits));
      if (in[k] != ' ' || !cut.AtSpace(k, close)) return 0;
    }
  }
  return cut.AtEnd(n, close);
}

const FieldTable& LineSplitter::Finish(int count) {
  for (int f = count; f < fieldsInUse_; ++f) table_.Field[static_cast<std::size_t>(f)] = {};
  fieldsInUse_ = count;
  table_.FieldCount = count;
  return table_;
}
