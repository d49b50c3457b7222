// Temporary names within the file system's name limit, and telling them apart afterwards.
#include <gtest/gtest.h>

#include <string>

#include "os/temporary_files.h"

namespace {

using temporary_files::NameFor;
using temporary_files::Parse;

TEST(TemporaryNames, FitTheLimitAndAreRecognised) {
  const std::string longName = std::string(240, 'j') + ".TXT";
  // A character of three bytes where the cut falls (after 217 bytes): never split.
  const std::string wide = std::string(216, 'k') + "\xE3\x81\x82\xE3\x81\x84" + ".dat";
  struct Case {
    const char* what;
    std::string target;
    std::size_t longest;
  };
  for (const Case& c : {Case{"short name", "auxline.dat", 255}, Case{"long name", longName, 255},
                        Case{"small limit", longName, 143}, Case{"multi-byte cut", wide, 255}}) {
    const std::string name = NameFor(c.target, 4194303, 0xFEDCBA9876543210u, c.longest);
    EXPECT_LE(name.size(), c.longest) << c.what;
    const auto parsed = Parse(name, c.target);
    ASSERT_TRUE(parsed) << c.what;
    EXPECT_EQ(parsed->CreatorProcessId, 4194303u) << c.what;
    const std::size_t mark = name.find('~');
    if (mark != std::string::npos) {
      EXPECT_NE(static_cast<unsigned char>(c.target[mark]) & 0xC0, 0x80) << c.what;
    }
  }
}

// Long names with the same start: each run's cleanup takes only its own target's files.
TEST(TemporaryNames, ShortenedNamesOfTwoTargetsStayApart) {
  const std::string first = std::string(250, 'j') + ".TXT";
  const std::string second = std::string(250, 'j') + ".dat";
  const std::string name = NameFor(first, 7, 1, 255);
  EXPECT_NE(name, NameFor(first, 7, 2, 255));
  EXPECT_TRUE(Parse(name, first));
  EXPECT_FALSE(Parse(name, second));
  EXPECT_FALSE(Parse(name, first.substr(0, 100)));
}

}  // namespace
