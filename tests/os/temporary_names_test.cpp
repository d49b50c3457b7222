// Temporary names fit the name limit, are told apart, and go only once clearly abandoned.
#include <gtest/gtest.h>

#include "os/temporary_files.h"

namespace {

using temporary_files::IsAbandoned, temporary_files::Temporary;
using temporary_files::Name, temporary_files::NameFor, temporary_files::Parse;
using Unit = Name::value_type;

// One character of several units: three bytes in UTF-8, a surrogate pair in UTF-16.
const Name kWide =
    sizeof(Unit) == 1 ? Name{Unit(0xE3), Unit(0x81), Unit(0x82)} : Name{Unit(0xD83D), Unit(0xDE00)};

TEST(TemporaryNames, FitTheLimitAndAreRecognised) {
  const Name longName = Name(240, 'j') + Name(4, 'T');
  const struct {
    const char* what;
    Name target;
    std::size_t longest;
  } kCases[] = {
      {"short name", Name(11, 'a'), 255},
      {"long name", longName, 255},
      {"small limit", longName, 143},
      // The cut falls after 217 units, inside the wide character: it must not split it.
      {"wide character", Name(216, 'k') + kWide + Name(30, 'd'), 255},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const Name name = NameFor(c.target, 4194303, 0xFEDCBA9876543210u, c.longest);
    EXPECT_LE(name.size(), c.longest);
    const auto parsed = Parse(name, c.target);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->CreatorProcessId, 4194303u);
    const std::size_t mark = name.find(static_cast<Unit>('~'));
    const std::size_t wide = c.target.find(kWide);  // the cut never splits it
    EXPECT_FALSE(mark != Name::npos && wide != Name::npos && mark > wide &&
                 mark < wide + kWide.size());
  }
}

// Long names with the same start: each run's cleanup takes only its own target's files.
TEST(TemporaryNames, ShortenedNamesOfTwoTargetsStayApart) {
  const Name first = Name(250, 'j') + Name(4, 'T');
  const Name name = NameFor(first, 7, 1, 255);
  EXPECT_NE(name, NameFor(first, 7, 2, 255));
  EXPECT_TRUE(Parse(name, first));
  EXPECT_FALSE(Parse(name, Name(250, 'j') + Name(4, 'd')));
  EXPECT_FALSE(Parse(name, first.substr(0, 100)));
}

// Never removed while its creator, here or on another machine sharing the folder, may write it.
TEST(TemporaryNames, AbandonedOnlyWhenClearly) {
  using std::chrono::seconds;
  const std::optional<std::uint64_t> none;
  const struct {
    const char* what;
    std::optional<std::uint64_t> creator;
    seconds age;
    bool running, abandoned;
  } kCases[] = {
      {"creator gone, a few seconds old", 17, seconds(10), false, true},
      {"creator gone, just written (maybe on another machine)", 17, seconds(1), false, false},
      {"creator gone, exactly the grace", 17, seconds(5), false, false},
      {"creator still running", 17, seconds(60), true, false},
      {"creator still running, older than ten minutes", 17, seconds(601), true, true},
      {"no creator in the name, a minute old", none, seconds(60), false, false},
      {"no creator in the name, exactly ten minutes", none, seconds(600), false, false},
      {"no creator in the name, older than ten minutes", none, seconds(700), false, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IsAbandoned(Temporary{c.creator}, c.age, c.running), c.abandoned);
  }
}

}  // namespace
