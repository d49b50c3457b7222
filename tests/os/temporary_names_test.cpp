// Temporary names within the file system's name limit, and telling them apart afterwards.
#include <gtest/gtest.h>

#include "os/temporary_files.h"

namespace {

using temporary_files::Name;
using temporary_files::NameFor;
using temporary_files::Parse;
using Unit = Name::value_type;

Name Repeated(std::size_t count, char c) { return Name(count, static_cast<Unit>(c)); }

// One character of several units: three bytes in UTF-8, a surrogate pair in UTF-16.
Name WideCharacter() {
  if constexpr (sizeof(Unit) == 1) {
    return Name{static_cast<Unit>(0xE3), static_cast<Unit>(0x81), static_cast<Unit>(0x82)};
  } else {
    return Name{static_cast<Unit>(0xD83D), static_cast<Unit>(0xDE00)};
  }
}

bool ContinuesACharacter(Unit unit) {
  const auto value = static_cast<std::uint32_t>(unit) & (sizeof(Unit) == 1 ? 0xFFu : 0xFFFFu);
  return sizeof(Unit) == 1 ? (value & 0xC0u) == 0x80u : value >= 0xDC00u && value <= 0xDFFFu;
}

TEST(TemporaryNames, FitTheLimitAndAreRecognised) {
  const Name longName = Repeated(240, 'j') + Repeated(4, 'T');
  // The cut falls after 217 units, inside the wide character: it must not split it.
  const Name wide = Repeated(216, 'k') + WideCharacter() + Repeated(30, 'd');
  struct Case {
    const char* what;
    Name target;
    std::size_t longest;
  };
  for (const Case& c :
       {Case{"short name", Repeated(11, 'a'), 255}, Case{"long name", longName, 255},
        Case{"small limit", longName, 143}, Case{"wide character", wide, 255}}) {
    const Name name = NameFor(c.target, 4194303, 0xFEDCBA9876543210u, c.longest);
    EXPECT_LE(name.size(), c.longest) << c.what;
    const auto parsed = Parse(name, c.target);
    ASSERT_TRUE(parsed) << c.what;
    EXPECT_EQ(parsed->CreatorProcessId, 4194303u) << c.what;
    const std::size_t mark = name.find(static_cast<Unit>('~'));
    if (mark != Name::npos) {
      EXPECT_FALSE(ContinuesACharacter(c.target[mark])) << c.what;
    }
  }
}

// Long names with the same start: each run's cleanup takes only its own target's files.
TEST(TemporaryNames, ShortenedNamesOfTwoTargetsStayApart) {
  const Name first = Repeated(250, 'j') + Repeated(4, 'T');
  const Name second = Repeated(250, 'j') + Repeated(4, 'd');
  const Name name = NameFor(first, 7, 1, 255);
  EXPECT_NE(name, NameFor(first, 7, 2, 255));
  EXPECT_TRUE(Parse(name, first));
  EXPECT_FALSE(Parse(name, second));
  EXPECT_FALSE(Parse(name, first.substr(0, 100)));
}

}  // namespace

namespace {

// When a temporary file left behind may go: only once clearly abandoned, never while its
// creator (here, or on another machine sharing the folder) may still be writing it.
TEST(TemporaryNames, AbandonedOnlyWhenClearly) {
  using std::chrono::seconds;
  using temporary_files::IsAbandoned;
  using temporary_files::Temporary;
  struct Case {
    const char* what;
    std::optional<std::uint64_t> creator;
    seconds age;
    bool running;
    bool abandoned;
  } const kCases[] = {
      {"creator gone, a few seconds old", 17, seconds(10), false, true},
      {"creator gone, just written (maybe on another machine)", 17, seconds(1), false, false},
      {"creator gone, exactly the grace", 17, seconds(5), false, false},
      {"creator still running", 17, seconds(60), true, false},
      {"creator still running, older than ten minutes", 17, seconds(601), true, true},
      {"no creator in the name, a minute old", std::nullopt, seconds(60), false, false},
      {"no creator in the name, exactly ten minutes", std::nullopt, seconds(600), false, false},
      {"no creator in the name, older than ten minutes", std::nullopt, seconds(700), false, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IsAbandoned(Temporary{c.creator}, c.age, c.running), c.abandoned);
  }
}

}  // namespace
