#include "tool/settings_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "tests/support/file_size_limit.h"
#include "tests/support/form_run.h"
#include "tests/support/temp_dir.h"
#include "tool/app.h"

namespace {

TEST(SettingsPath, ReplacesOnlyAnExtensionOfTheFileName) {
  const struct {
    const char *exe, *expected;
  } cases[] = {
      {"/opt/aux/auxline", "/opt/aux/auxline.dat"},
      {"/opt/aux/auxline.exe", "/opt/aux/auxline.dat"},
      {"/opt/aux/auxline.bin.old", "/opt/aux/auxline.bin.dat"},
      {"/opt/aux.d/auxline", "/opt/aux.d/auxline.dat"},  // a dot in a directory does not count
      {"/opt/aux/auxline.", "/opt/aux/auxline.dat"},
      {"/opt/aux/.auxline", "/opt/aux/.dat"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SettingsPathFor(c.exe).string(), c.expected) << c.exe;
  }
}

TEST(SettingsFormat, SevenCrLfLines) {
  EXPECT_EQ(FormatSettings(ToolSettings{}), CrLf("-1|-1|0|-1|100|1|0"));
  EXPECT_EQ(FormatSettings(ToolSettings{3, 15, 50, 30000, 12.5, 0.5, 330.0}),
            CrLf("3|15|50|30000|12.5|0.5|330"));
  EXPECT_EQ(FormatSettings(ToolSettings{-2147483647 - 1, 0, 0, 0, 0.0001, 0.00001, 2.5e20}),
            CrLf("-2147483648|0|0|0|0.0001|1E-5|2.5E20"));
}

TEST(SettingsParse, WholeLinesEndAtCrLfLoneLfOrTheEnd) {
  const ToolSettings zeros{0, 0, 0, 0, 0.0, 0.0, 0.0};
  const struct {
    const char* name;
    std::string bytes;
    ToolSettings expected;
    bool complete = true;  // false: a read error came after these bytes
  } cases[] = {
      {"crlf", CrLf("3|5|19|25|12.5|0.5|330"), {3, 5, 19, 25, 12.5, 0.5, 330}},
      {"lf", "3\n5\n19\n25\n12.5\n0.5\n330\n", {3, 5, 19, 25, 12.5, 0.5, 330}},
      {"no final break", "3\r\n5\n19\r\n25\n12.5\n0.5\n330", {3, 5, 19, 25, 12.5, 0.5, 330}},
      {"empty file", "", zeros},
      {"integers only", CrLf("3|5|19|25"), {3, 5, 19, 25, 0, 0, 0}},
      {"leading blanks", CrLf("  3| 5|19|25|  12.5|0.5|1"), {3, 5, 19, 25, 12.5, 0.5, 1}},
      {"trailing blanks", CrLf("3 |5|19|25|12.5 |0.5|1"), {0, 5, 19, 25, 0, 0.5, 1}},
      {"fraction in integer line", CrLf("1.5|5|19|25|1|1|1"), {0, 5, 19, 25, 1, 1, 1}},
      {"decimal comma", CrLf("-1|-1|0|-1|12,5|1|0"), {-1, -1, 0, -1, 0, 1, 0}},
      {"lone CR is no line end", "3\r5\r\n", {0, 0, 0, 0, 0, 0, 0}},
      {"extra lines ignored", CrLf("1|2|3|4|5|6|7|8|junk"), {1, 2, 3, 4, 5, 6, 7}},
      {"out of list range kept", CrLf("99|-7|400|7|1|1|1"), {99, -7, 400, 7, 1, 1, 1}},
      {"after a read error only whole lines", "3\r\n5\r\n1", {3, 5, 0, -1, 100, 1, 0}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ToolSettings parsed;
    ParseSettings(c.bytes, c.complete, parsed);
    EXPECT_EQ(parsed, c.expected);
  }
}

TEST(SettingsFile, SaveRoundTrips) {
  TempDir dir;
  const ToolSettings stored{2, 11, 19, 7, 1.0 / 3.0, 0.25, 359.5};
  ASSERT_TRUE(WriteSettingsFile(dir / "auxline.dat", FormatSettings(stored)));
  EXPECT_EQ(ReadBytes(dir / "auxline.dat"), FormatSettings(stored));
  ToolSettings expected = stored;
  expected.Radius = 0.333333333333333;  // fifteen digits survive the text form
  EXPECT_EQ(ReadSettingsFile(dir / "auxline.dat").Values, expected);
}

TEST(SettingsFile, TellsAnUnreadableFileFromAMissingOrLongOne) {
  TempDir dir;
  const std::string seven = CrLf("3|5|19|25|12.5|0.5|330");
  const ToolSettings read{3, 5, 19, 25, 12.5, 0.5, 330};
  WriteBytes(dir / "short.dat", seven);
  WriteBytes(dir / "long.dat", seven + std::string(5000, 'x'));
  std::filesystem::create_directory(dir / "folder.dat");
  const struct {
    const char* name;
    bool unreadable;
    std::optional<std::string> wholeFile;
    ToolSettings values;
  } cases[] = {
      {"missing.dat", false, std::nullopt, ToolSettings{}},
      {"short.dat", false, seven, read},
      {"long.dat", false, std::nullopt, read},  // read no further than the seventh line
      {"folder.dat", true, std::nullopt, ToolSettings{}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const SettingsFileContents contents = ReadSettingsFile(dir / c.name);
    EXPECT_EQ(contents.Unreadable, c.unreadable);
    EXPECT_EQ(contents.WholeFile, c.wholeFile);
    EXPECT_EQ(contents.Values, c.values);
  }
}

TEST(SettingsFile, OnlySevenWholeLinesMakeACompleteCopy) {
  const std::string seven = FormatSettings(ToolSettings{});
  const struct {
    const char* what;
    std::string bytes;
    bool whole;
  } kCases[] = {
      {"as saved", seven, true},
      {"cut in the last line end", seven.substr(0, seven.size() - 1), false},
      {"an eighth line begun", seven + "1", false},
      {"line feeds alone", "-1\n-1\n0\n-1\n100\n1\n0\n", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(HoldsSevenWholeLines(c.bytes), c.whole);
  }
}

// Missing settings: a run goes on with the newest complete copy a save cut short left, put in
// place; settings that are there are never replaced by one.
TEST(SettingsFile, MissingSettingsRestoredFromTheirLastCopy) {
  const ToolSettings newer{2, 2, 2, 2, 2, 2, 2};
  FormRun run(CrLf("hk 10|0 0 100 0"));
  for (const auto& [unique, bytes] : {std::pair{"aa", FormatSettings(ToolSettings{})},
                                      {"ab", FormatSettings(newer)},
                                      {"ac", CrLf("3|3")}}) {
    WriteBytes(run.Dir / ("auxline.dat.4194321-00000000000000" + std::string(unique) + ".tmp"),
               bytes);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // made one after another
  }
  EXPECT_EQ(RunAuxline({"/R2"}, run.Dir / "auxline", nullptr), 0);
  EXPECT_TRUE(run.Exchange()->starts_with(CrLf("lg2|ly2")));  // drawn with the copy's settings
  EXPECT_EQ(run.Settings(), FormatSettings(newer));
  const std::optional<std::string> log = ReadBytes(run.Dir / "auxline.log");
  ASSERT_TRUE(log.has_value());  // the user learns of it
  EXPECT_NE(log->find("status 0, arguments \"/R2\": the settings file"), std::string::npos);
  EXPECT_EQ(RestoreSettingsFromLeftCopy(run.Dir / "auxline.dat"), std::nullopt);
}

#ifdef AUXLINE_HAS_FILE_SIZE_LIMIT
TEST(SettingsFile, FailedSaveKeepsThePreviousFile) {
  TempDir dir;
  // No file may outgrow the old one: the temporary fails, the rewrite in place fails part-way.
  const auto target = dir / "auxline.dat";
  const std::string old = CrLf("3|5|1|2|1|1|0");
  WriteBytes(target, old);
  {
    const FileSizeLimit limit(old.size());
    EXPECT_FALSE(WriteSettingsFile(target, FormatSettings(ToolSettings{})));
  }
  EXPECT_EQ(ReadBytes(target), old);
  EXPECT_EQ(dir.Entries(), std::set<std::string>{"auxline.dat"});
}
#endif

}  // namespace
