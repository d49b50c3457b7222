#include "exchange/line_splitter.h"

#include <array>
#include <cstddef>

#include "exchange/reader_text.h"

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

}  // namespace

const FieldTable& LineSplitter::Split(std::string_view line) {
  const std::size_t n = line.size();
  if (scratch_.size() < n) scratch_.resize(n);  // the fields never hold more than the line
  const auto* in = reinterpret_cast<const unsigned char*>(line.data());
  char* const base = scratch_.data();
  char* out = base;
  char* fieldStart = out;
  int field = 0;
  bool tableFull = false;
  std::size_t i = 0;

  // Splitting on: blanks separate fields until the first double quote or equals sign.
  bool splitting = true;
  while (splitting && i < n) {
    const unsigned char byte = in[i];
    switch (kSplittingRoles[byte]) {
      case ByteRole::kAppend:
        *out++ = static_cast<char>(byte);
        ++i;
        break;
      case ByteRole::kLead:
        if (i + 1 == n) {  // a lone lead byte at the end of the line is dropped
          i = n;
          break;
        }
        *out++ = static_cast<char>(byte);
        *out++ = static_cast<char>(in[i + 1]);
        i += 2;
        break;
      case ByteRole::kSeparator:
        ++i;
        if (out != fieldStart) {
          table_.Field[static_cast<std::size_t>(field)] =
              std::string_view(fieldStart, static_cast<std::size_t>(out - fieldStart));
          if (field + 1 == kMaxFields) {
            // No room for another field: the rest of the line is dropped.
            tableFull = true;
            i = n;
            break;
          }
          ++field;
          fieldStart = out;
        }
        break;
      case ByteRole::kQuote:  // the first double quote is dropped
        ++i;
        splitting = false;
        break;
      case ByteRole::kEquals:  // the equals sign stays in the field
        *out++ = '=';
        ++i;
        splitting = false;
        break;
      case ByteRole::kDrop:
        ++i;
        break;
    }
  }

  // Splitting off: the rest of the line belongs to the current field.
  while (i < n) {
    const unsigned char byte = in[i];
    if (IsLeadByte(byte)) {
      if (i + 1 == n) break;
      *out++ = static_cast<char>(byte);
      *out++ = static_cast<char>(in[i + 1]);
      i += 2;
    } else {
      if (KeptAfterSplitting(byte)) *out++ = static_cast<char>(byte);
      ++i;
    }
  }

  if (!tableFull) {
    table_.Field[static_cast<std::size_t>(field)] =
        std::string_view(fieldStart, static_cast<std::size_t>(out - fieldStart));
  }
  const int count = field + 1;
  for (int f = count; f < fieldsInUse_; ++f) table_.Field[static_cast<std::size_t>(f)] = {};
  fieldsInUse_ = count;
  table_.FieldCount = count;
  return table_;
}
