// Any later run removes the temporary files that killed runs left beside either file, also
// under shortened names, and only those that are clearly abandoned.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "os/file_system.h"
#include "os/temporary_files.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(AbandonedTemporaries, RemovedByAnyLaterRun) {
  const std::string alive = std::to_string(::getpid());
  const std::string gone = std::to_string(4194304 + 17);  // above any process id Linux gives
  const std::string longName = LongestUsableName();
  struct Case {
    const char* what;
    std::string target, name;
    int age;  // seconds
    bool removed;
  } const kCases[] = {
      {"exchange file's, creator gone", "JWC_TEMP.TXT",
       "JWC_TEMP.TXT." + gone + "-00000000000000aa.tmp", 10, true},
      {"settings file's, creator gone", "auxline.dat",
       "auxline.dat." + gone + "-00000000000000ab.tmp", 10, true},
      {"maybe still being written", "JWC_TEMP.TXT",
       "JWC_TEMP.TXT." + gone + "-00000000000000ac.tmp", 1, false},
      {"creator still running", "JWC_TEMP.TXT", "JWC_TEMP.TXT." + alive + "-00000000000000ad.tmp",
       60, false},
      {"creator running, older than ten minutes", "JWC_TEMP.TXT",
       "JWC_TEMP.TXT." + alive + "-00000000000000ae.tmp", 700, true},
      {"no creator in the name", "JWC_TEMP.TXT", "JWC_TEMP.TXT.00000000000000af.tmp", 60, false},
      {"no creator, old", "JWC_TEMP.TXT", "JWC_TEMP.TXT.00000000000000b0.tmp", 700, true},
      {"not the tool's", "JWC_TEMP.TXT", "JWC_TEMP.TXT.backup.tmp", 700, false},
      {"shortened name, creator gone", longName,
       temporary_files::NameFor(longName, 4194321, 0xb1, 255), 10, true},
      {"shortened name, creator running", longName,
       temporary_files::NameFor(longName, static_cast<std::uint64_t>(::getpid()), 0xb2, 255), 10,
       false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteBytes(dir / c.target, "kept\r\n");
    WriteBytes(dir / c.name, "half");
    std::filesystem::last_write_time(
        dir / c.name, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(c.age));
    RemoveAbandonedTemporariesOf(dir / c.target);
    EXPECT_EQ(std::filesystem::exists(dir / c.name), !c.removed);
    EXPECT_EQ(ReadBytes(dir / c.target), "kept\r\n");
  }
}

}  // namespace
