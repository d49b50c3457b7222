// Any later run removes the temporaries killed runs left, and only those clearly abandoned.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "os/file_system.h"
#include "os/temporary_files.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(AbandonedTemporaries, RemovedByAnyLaterRun) {
  const std::uint64_t alive = static_cast<std::uint64_t>(::getpid()),
                      gone = 4194304 + 17;  // above any Linux process id
  const std::string ex = "JWC_TEMP.TXT", set = "auxline.dat", longName = LongestUsableName();
  const auto tmp = [](const std::string& target, std::uint64_t creator, const char* unique) {
    return target + "." + std::to_string(creator) + "-00000000000000" + unique + ".tmp";
  };
  const auto cut = [&](std::uint64_t creator, unsigned unique) {
    return temporary_files::NameFor(longName, creator, unique, 255);
  };
  const struct {
    const char* what;
    std::string target, name;
    int age;  // seconds
    bool removed;
  } kCases[] = {
      {"exchange file's, creator gone", ex, tmp(ex, gone, "aa"), 10, true},
      {"settings file's, creator gone", set, tmp(set, gone, "ab"), 10, true},
      {"maybe still being written", ex, tmp(ex, gone, "ac"), 1, false},
      {"creator still running", ex, tmp(ex, alive, "ad"), 60, false},
      {"creator running, older than ten minutes", ex, tmp(ex, alive, "ae"), 700, true},
      {"no creator in the name", ex, ex + ".00000000000000af.tmp", 60, false},
      {"no creator, old", ex, ex + ".00000000000000b0.tmp", 700, true},
      {"not the tool's", ex, ex + ".backup.tmp", 700, false},
      {"shortened name, creator gone", longName, cut(gone, 0xb1), 10, true},
      {"shortened name, creator running", longName, cut(alive, 0xb2), 10, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteBytes(dir / c.target, "kept\r\n");
    WriteBytes(dir / c.name, "half");
    const auto then = std::filesystem::file_time_type::clock::now() - std::chrono::seconds(c.age);
    std::filesystem::last_write_time(dir / c.name, then);
    RemoveAbandonedTemporariesOf(dir / c.target);
    EXPECT_EQ(std::filesystem::exists(dir / c.name), !c.removed);
    EXPECT_EQ(ReadBytes(dir / c.target), "kept\r\n");
  }
}

}  // namespace
