// A FIFO or a device in place of a file is never waited on (that would hang the host) nor touched.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "os/file_system.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(NonRegularFiles, NeverWaitedOnNorTouched) {
  struct Case {
    const char* what;
    void (*make)(const std::filesystem::path&);
  } const kCases[] = {
      {"FIFO", [](const std::filesystem::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0); }},
      {"link to a device",
       [](const std::filesystem::path& p) { std::filesystem::create_symlink("/dev/zero", p); }},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::filesystem::path file = dir / "JWC_TEMP.TXT";
    c.make(file);
    ::alarm(10);  // an open that waits ends the test program here
    EXPECT_EQ(RegularFileReader(file).State(), RegularFileReader::Outcome::Unreadable);
    EXPECT_EQ(FileIdentityOf(file), "");
    EXPECT_FALSE(ReplaceFileContents(file, "hq\r\n"));
    EXPECT_FALSE(RemoveRegularFile(file));
    RemoveAbandonedTemporariesOf(file);
    ::alarm(0);
    EXPECT_EQ(dir.Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
    EXPECT_FALSE(std::filesystem::is_regular_file(file));
  }
}

}  // namespace
