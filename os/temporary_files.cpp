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

void AppendHex(Name& name, std::uint64_t value, int digits) {
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
    name.push_back(kHexDigits[(value >> shift) & 15]);
  }
}

// "~" and 8 hex digits of the whole name's FNV-1a digest: what stands for the cut-off rest.
Name DigestMark(const Name& targetName) {
  std::uint32_t digest = 2166136261u;
  for (const Char c : targetName) {
    digest = (digest ^ static_cast<std::uint32_t>(c)) * 16777619u;
  }
  Name mark(1, Char('~'));
  AppendHex(mark, digest, 8);
  return mark;
}

// Whether a name may be cut just before `c` without splitting a character (a UTF-8 sequence
// on POSIX, a surrogate pair on Windows).
bool StartsCharacter(Char c) {
  if constexpr (sizeof(Char) == 1) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  } else {
    return static_cast<std::uint32_t>(c) < 0xDC00 || static_cast<std::uint32_t>(c) > 0xDFFF;
  }
}

// The length of the part of `fileName` that names the target: the whole target name and a
// dot, or its start and its digest mark and a dot. Zero when neither is there.
std::size_t TargetPartLength(const Name& fileName, const Name& targetName) {
  if (fileName.size() > targetName.size() &&
      fileName.compare(0, targetName.size(), targetName) == 0 &&
      fileName[targetName.size()] == Char('.')) {
    return targetName.size() + 1;
  }
  const Name mark = DigestMark(targetName) + Char('.');
  const std::size_t at = fileName.find(mark);
  if (at == Name::npos || at >= targetName.size()) return 0;
  if (fileName.compare(0, at, targetName, 0, at) != 0) return 0;
  return at + mark.size();
}

}  // namespace

Name NameFor(const Name& targetName, std::uint64_t processId, std::uint64_t unique,
             std::size_t longest) {
  Name tail = Char('.') + Ascii(std::to_string(processId).c_str()) + Char('-');
  AppendHex(tail, unique, static_cast<int>(kUniqueDigits));
  tail += Ascii(".tmp");
  if (targetName.size() + tail.size() <= longest) return targetName + tail;
  const Name mark = DigestMark(targetName);
  std::size_t kept = longest > mark.size() + tail.size() ? longest - mark.size() - tail.size() : 0;
  if (kept > targetName.size()) kept = targetName.size();
  while (kept > 0 && !StartsCharacter(targetName[kept])) --kept;
  return targetName.substr(0, kept) + mark + tail;
}

std::optional<Temporary> Parse(const Name& fileName, const Name& targetName) {
  const Name suffix = Ascii(".tmp");
  const std::size_t start = TargetPartLength(fileName, targetName);
  if (start == 0 || fileName.size() <= start + suffix.size()) return std::nullopt;
  if (fileName.compare(fileName.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return std::nullopt;
  }
  const Name middle = fileName.substr(start, fileName.size() - start - suffix.size());
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
