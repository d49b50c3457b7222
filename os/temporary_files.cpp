#include "os/temporary_files.h"

#include <atomic>

namespace temporary_files {
namespace {

using Char = Name::value_type;

constexpr Char kHexDigits[] = {'0', '1', '2', '3', '4', '5', '6', '7',
                               '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
constexpr std::size_t kUniqueDigits = 16;

Name Ascii(const char* text) {
  Name out;
  for (; *text != '\0'; ++text) out.push_back(static_cast<Char>(*text));
  return out;
}

bool IsHexDigit(Char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// A run of decimal digits that fits a process id, or nothing.
std::optional<std::uint64_t> DecimalNumber(const Name& digits) {
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (const Char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

bool AllHex(const Name& text) {
  if (text.size() != kUniqueDigits) return false;
  for (const Char c : text) {
    if (!IsHexDigit(c)) return false;
  }
  return true;
}

}  // namespace

Name NameFor(const Name& targetName, std::uint64_t processId, std::uint64_t unique) {
  Name name = targetName + Char('.') + Ascii(std::to_string(processId).c_str()) + Char('-');
  for (int shift = 60; shift >= 0; shift -= 4) name.push_back(kHexDigits[(unique >> shift) & 15]);
  return name + Ascii(".tmp");
}

std::optional<Temporary> Parse(const Name& fileName, const Name& targetName) {
  const Name suffix = Ascii(".tmp");
  if (fileName.size() <= targetName.size() + 1 + suffix.size()) return std::nullopt;
  if (fileName.compare(0, targetName.size(), targetName) != 0) return std::nullopt;
  if (fileName[targetName.size()] != Char('.')) return std::nullopt;
  if (fileName.compare(fileName.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return std::nullopt;
  }
  const Name middle = fileName.substr(targetName.size() + 1,
                                      fileName.size() - targetName.size() - 1 - suffix.size());
  if (AllHex(middle)) return Temporary{};
  const std::size_t dash = middle.find(Char('-'));
  if (dash == Name::npos || !AllHex(middle.substr(dash + 1))) return std::nullopt;
  const std::optional<std::uint64_t> creator = DecimalNumber(middle.substr(0, dash));
  if (!creator) return std::nullopt;
  return Temporary{creator};
}

bool IsAbandoned(const Temporary& temporary, std::chrono::seconds age, bool creatorRunning) {
  if (age > kAbandonedAfter) return true;
  return temporary.CreatorProcessId && !creatorRunning && age > kGraceWithoutCreator;
}

std::uint64_t UniqueNumber() {
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t value = static_cast<std::uint64_t>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count());
  value ^= (counter.fetch_add(1) + 1) * 0x9E3779B97F4A7C15ull;
  // One round of a 64-bit mixer, so that runs started in the same tick still differ.
  value ^= value >> 33;
  value *= 0xFF51AFD7ED558CCDull;
  value ^= value >> 33;
  return value;
}

}  // namespace temporary_files
