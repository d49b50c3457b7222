// Which files beside a target a later run takes for abandoned temporary files: a name that
// is not the tool's own, or a file a running copy may still be writing, must never match.
#include "platform/os/temporary_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

namespace {

using temporary_files::Name;

Name N(const char* text) { return std::filesystem::path(text).native(); }

TEST(TemporaryFiles, ANameReadsBackWithItsCreator) {
  const Name name = temporary_files::NameFor(N("JWC_TEMP.TXT"), 4321, 0x0123456789abcdefull);
  EXPECT_EQ(name, N("JWC_TEMP.TXT.4321-0123456789abcdef.tmp"));
  const auto parsed = temporary_files::Parse(name, N("JWC_TEMP.TXT"));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->CreatorProcessId, std::optional<std::uint64_t>(4321));
  EXPECT_NE(temporary_files::UniqueNumber(), temporary_files::UniqueNumber());
}

TEST(TemporaryFiles, OnlyTheTargetsOwnTemporariesMatch) {
  const struct {
    const char* file;
    bool ours;
  } cases[] = {
      {"JWC_TEMP.TXT.12-00000000000000ff.tmp", true},
      {"JWC_TEMP.TXT.00000000000000ff.tmp", true},  // written before names carried a creator
      {"JWC_TEMP.TXT", false},
      {"JWC_TEMP.TXT.tmp", false},
      {"JWC_TEMP.TXT.backup.tmp", false},
      {"JWC_TEMP.TXT.12-00000000000000FF.tmp", false},
      {"JWC_TEMP.TXT.12-00ff.tmp", false},
      {"JWC_TEMP.TXT.-00000000000000ff.tmp", false},
      {"JWC_TEMP.TXT.12345678901-00000000000000ff.tmp", false},
      {"JWC_TEMP.TXT.12-00000000000000ff.tmp.old", false},
      {"auxline.dat.12-00000000000000ff.tmp", false},  // another target's
      {"XJWC_TEMP.TXT.12-00000000000000ff.tmp", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(temporary_files::Parse(N(c.file), N("JWC_TEMP.TXT")).has_value(), c.ours) << c.file;
  }
}

TEST(TemporaryFiles, AbandonedOnlyWhenOldOrItsCreatorIsGone) {
  using std::chrono::seconds;
  const temporary_files::Temporary withCreator{7};
  const temporary_files::Temporary withoutCreator{};
  const struct {
    temporary_files::Temporary temporary;
    seconds age;
    bool creatorRunning;
    bool abandoned;
  } cases[] = {
      {withCreator, seconds(1), false, false},  // a copy elsewhere may still be writing
      {withCreator, seconds(6), false, true},
      {withCreator, seconds(599), true, false},
      {withCreator, seconds(601), true, true},
      {withoutCreator, seconds(599), false, false},
      {withoutCreator, seconds(601), false, true},
      {withCreator, seconds(-30), false, false},  // written "in the future": clock skew
  };
  for (const auto& c : cases) {
    EXPECT_EQ(temporary_files::IsAbandoned(c.temporary, c.age, c.creatorRunning), c.abandoned)
        << c.age.count() << " s, creator running " << c.creatorRunning;
  }
}

}  // namespace
