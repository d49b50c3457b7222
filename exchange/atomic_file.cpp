#include "exchange/atomic_file.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <random>
#include <system_error>

namespace {

// A 64-bit name part that no other running copy of the tool picks at the same time. The
// entropy source may be missing on some systems; the clock and a counter stand in then.
std::uint64_t UniqueNumber() {
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t seed = static_cast<std::uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  seed ^= (counter.fetch_add(1) + 1) * 0x9E3779B97F4A7C15ull;
  try {
    std::random_device entropy;
    seed ^= (static_cast<std::uint64_t>(entropy()) << 32) ^ entropy();
  } catch (const std::exception&) {
    // Keep the clock-based seed.
  }
  std::mt19937_64 generator(seed);
  return generator();
}

std::filesystem::path TemporaryPathFor(const std::filesystem::path& target) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%016llx.tmp",
                static_cast<unsigned long long>(UniqueNumber()));
  std::filesystem::path temporary = target;
  temporary += suffix;
  return temporary;
}

// Writes the bytes and closes the file; true only when every step succeeded.
bool WriteAll(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::out | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  if (!out) return false;
  out.close();
  return !out.fail();
}

// Writes the temporary file and renames it over the target. The rename is the one step
// that makes the new contents visible, so a process killed before it leaves the old target
// (and at worst a stray temporary file), never a partly written target.
bool WriteThenRename(const std::filesystem::path& temporary,
                     const std::filesystem::path& target, std::string_view bytes) {
  if (!WriteAll(temporary, bytes)) return false;
  std::error_code renameError;
  std::filesystem::rename(temporary, target, renameError);
  return !renameError;
}

}  // namespace

bool ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes) {
  std::filesystem::path temporary;
  bool replaced = false;
  try {
    temporary = TemporaryPathFor(target);
    replaced = WriteThenRename(temporary, target, bytes);
  } catch (const std::exception&) {
    replaced = false;
  }
  if (!replaced && !temporary.empty()) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
  }
  return replaced;
}
