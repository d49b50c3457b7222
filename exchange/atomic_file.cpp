#include "exchange/atomic_file.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>

namespace {

// A name beside the target that no other running copy of the tool picks at the same time.
std::filesystem::path TemporaryPathFor(const std::filesystem::path& target) {
  std::random_device entropy;
  std::mt19937_64 generator((static_cast<unsigned long long>(entropy()) << 32) ^ entropy());
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".%016llx.tmp",
                static_cast<unsigned long long>(generator()));
  std::filesystem::path temporary = target;
  temporary += suffix;
  return temporary;
}

bool WriteAll(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  if (!out) return false;
  out.close();
  return !out.fail();
}

}  // namespace

bool ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes) {
  const std::filesystem::path temporary = TemporaryPathFor(target);
  std::error_code ignored;
  if (!WriteAll(temporary, bytes)) {
    std::filesystem::remove(temporary, ignored);
    return false;
  }
  std::error_code renameError;
  std::filesystem::rename(temporary, target, renameError);
  if (renameError) {
    std::filesystem::remove(temporary, ignored);
    return false;
  }
  return true;
}
