// The writer: attributes mapped into the host's numbering and written only when they change;
// geometry with its number layout, dropped when degenerate or unreadable; what it queues read
// back as emitted (the same attributes, numbers to 15 digits); and the exchange file written:
// exact bytes, no file at all after a failed write, and the old file or the whole new one after
// a writer killed at any moment (POSIX only).
#include <gtest/gtest.h>

#if __has_include(<sys/wait.h>) && __has_include(<unistd.h>)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "exchange/writing/command_writer.h"
#include "exchange/reading/exchange_reader.h"
#include "exchange/state/exchange_state.h"
#include "exchange/writing/real_text.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace {

using Lines = std::vector<std::string>;
constexpr std::int32_t kTop = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kLargestReadable = 1.797693134862315e308;

// What `calls` queue in one fresh run with the host's colour 7 and line type 4.
Lines QueuedBy(const std::vector<std::function<void()>>& calls, std::int32_t hostLineWidth = 5) {
  InitExchangeState();
  Exchange().HostColor = 7;
  Exchange().HostLineType = 4;
  Exchange().HostLineWidth = hostLineWidth;
  ResetEmitState();
  for (const auto& call : calls) call();
  const auto& queue = Exchange().CommandQueue;
  return Lines(queue.begin(), queue.end());
}

// The command of the attribute that `expected` names, emitted from the value and the mapping.
struct AttributeCase {
  std::int32_t value, mapping;  // for a line width: the host's width
  const char* expected;
};

void ExpectAttribute(const AttributeCase& c) {
  SCOPED_TRACE(std::string(c.expected) + " from " + std::to_string(c.value) + ", " +
               std::to_string(c.mapping));
  const std::string_view key = std::string_view(c.expected).substr(0, 2);
  const std::function<void()> emit = [&] {
    if (key == "lg") EmitLayerGroup(c.value);
    if (key == "ly") EmitLayer(c.value);
    if (key == "lc") EmitColor(c.value, c.mapping);
    if (key == "lt") EmitLineType(c.value, c.mapping);
    if (key == "lw") EmitLineWidth(c.value);
    if (key == "pn") EmitPointKind(c.value, c.mapping);
  };
  EXPECT_EQ(QueuedBy({emit}, key == "lw" ? c.mapping : 5), Lines{c.expected});
}

// Each attribute's command: colour, line type and point kind in the host's numbering (mapping
// 1), layer group and layer in hexadecimal, the line width always mapped (the host's width in
// the mapping column); values near the 32-bit limit wrap instead of overflowing.
TEST(WriterAttributes, MappedValues) {
  const AttributeCase kCases[] = {
      {9, 0, "lc9"},          {10, 0, "lc10"},       {10, 1, "lc101"},      {1, 1, "lc1"},
      {9, 1, "lc9"},          {0, 1, "lc7"},         {-5, 1, "lc7"},        {10, 2, "lc10"},
      {10, -1, "lc10"},       {19, 1, "lc110"},      {-5, 0, "lc-5"},       {0, 1, "lt4"},
      {-3, 1, "lt4"},         {1, 1, "lt1"},         {9, 1, "lt9"},         {10, 1, "lt11"},
      {14, 1, "lt15"},        {15, 1, "lt16"},       {18, 1, "lt19"},       {19, 1, "lt31"},
      {50, 1, "lt62"},        {19, 0, "lt19"},       {0, 0, "lt0"},         {19, 2, "lt19"},
      {0, 1, "pn1"},          {-2, 1, "pn1"},        {9, 1, "pn9"},         {12, 1, "pn103"},
      {9, 0, "pn9"},          {12, 0, "pn12"},       {0, 0, "pn0"},         {0, 0, "lg0"},
      {9, 0, "lg9"},          {10, 0, "lgA"},        {15, 0, "lgF"},        {16, 0, "lg10"},
      {255, 0, "lgFF"},       {-1, 0, "lgFFFFFFFF"}, {0, 0, "ly0"},         {9, 0, "ly9"},
      {10, 0, "lyA"},         {15, 0, "lyF"},        {16, 0, "ly10"},       {255, 0, "lyFF"},
      {-1, 0, "lyFFFFFFFF"},  {-1, 5, "lw5"},        {-1, 40000, "lw0"},    {-1, -7, "lw0"},
      {-1, 30000, "lw30000"}, {0, 5, "lw0"},         {30000, 5, "lw30000"}, {30001, 5, "lw0"},
      {-2, 5, "lw0"},         {12, 5, "lw12"},
  };
  const AttributeCase kLimits[] = {
      {kTop, 1, "lc-2147483558"}, {kTop, 1, "lt-2147483637"}, {kMin, 0, "lc-2147483648"},
      {kMin, 0, "lg80000000"},    {kMin, 0, "ly80000000"},
  };
  for (const AttributeCase& c : kCases) ExpectAttribute(c);
  for (const AttributeCase& c : kLimits) ExpectAttribute(c);
}

void ExpectQueued(const std::vector<std::function<void()>>& calls, const Lines& expected) {
  EXPECT_EQ(QueuedBy(calls), expected);
}

// The first call always writes, later ones only changes of the mapped value; each attribute
// keeps its own memory, which only ResetEmitState forgets.
TEST(WriterAttributes, FirstCallAlwaysWritesThenOnlyChanges) {
  ExpectQueued({[] { EmitLayerGroup(0); }, [] { EmitLayerGroup(0); }, [] { EmitLayerGroup(10); },
                [] { EmitLayerGroup(0); }},
               {"lg0", "lgA", "lg0"});
  ExpectQueued({[] { EmitColor(1, 0); }, [] { EmitColor(1, 1); }, [] { EmitColor(2, 0); }},
               {"lc1", "lc2"});
  ExpectQueued({[] { EmitPointKind(1, 0); }, [] { EmitPointKind(1, 0); }}, {"pn1"});
  ExpectQueued({[] { EmitLineWidth(0); }, [] { EmitLineWidth(30001); }, [] { EmitLineWidth(-2); }},
               {"lw0"});
  ExpectQueued({[] { EmitLayer(2); }, [] { EmitPointKind(9, 0); }, ResetEmitState,
                [] { EmitLayer(2); }, [] { EmitPointKind(9, 0); }},
               {"ly2", "pn9", "ly2", "pn9"});
  ExpectQueued({[] { EmitColor(10, 1); }, [] { EmitColor(101, 0); }}, {"lc101"});
  ExpectQueued({[] { EmitLineType(0, 1); }, [] { EmitLineType(4, 0); }}, {"lt4"});
  ExpectQueued({[] { EmitLineWidth(-1); }, [] { EmitLineWidth(5); }}, {"lw5"});
  ExpectQueued({[] { EmitPointKind(-4, 1); }, [] { EmitPointKind(1, 0); }}, {"pn1"});
  ExpectQueued({[] { EmitLayerGroup(3); }, [] { EmitLayer(3); }, [] { EmitColor(3, 0); },
                [] { EmitLineType(3, 0); }, [] { EmitLineWidth(3); }, [] { EmitPointKind(3, 0); },
                [] { EmitLayerGroup(3); }, [] { EmitLayer(3); }},
               {"lg3", "ly3", "lc3", "lt3", "lw3", "pn3"});
}

// Number layout, the degenerate-geometry thresholds (a point is never degenerate) and numbers
// the host could not read: infinity, NaN, the largest doubles (past the range in 15 digits).
TEST(WriterGeometry, LayoutDegenerateGeometryAndUnreadableNumbers) {
  const struct {
    const char* what;
    void (*emit)();
    const char* expected;  // "" when nothing may be queued
  } kCases[] = {
      {"plain", [] { EmitLine(1, 2, 3, 4); }, "1 2 3 4"},
      {"both below 1e-8", [] { EmitLine(0, 0, 0.000000005, 0.000000005); }, ""},
      {"same point", [] { EmitLine(5, 5, 5, 5); }, ""},
      {"x reaches 1e-8", [] { EmitLine(0, 0, 0.00000002, 0); }, "0 0 2E-8 0"},
      {"y reaches 1e-8", [] { EmitLine(0, 0, 0, -0.00000002); }, "0 0 0 -2E-8"},
      {"long line", [] { EmitLine(-5e7, 0.5, 5e7, -0.5); }, "-50000000 0.5 50000000 -0.5"},
      {"rounded", [] { EmitLine(1.0 / 3, 0, 2.0 / 3, 0); },
       "0.333333333333333 0 0.666666666666667 0"},
      {"point", [] { EmitPoint(1.5, -2); }, "pt 1.5 -2"},
      {"origin", [] { EmitPoint(0, -0.0); }, "pt 0 0"},
      {"circle", [] { EmitCircle(1, 2, 3); }, "ci 1 2 3"},
      {"tiny radius", [] { EmitCircle(1, 2, 0.000000005); }, ""},
      {"zero radius", [] { EmitCircle(1, 2, 0); }, ""},
      {"negative radius", [] { EmitCircle(1, 2, -3); }, ""},
      {"radius above 1e-8", [] { EmitCircle(0, 0, 0.00000002); }, "ci 0 0 2E-8"},
      {"ellipse", [] { EmitArc(0, 0, 10, 0, 0, -0.5, 30); }, "ci 0 0 10 0 0 -0.5 30"},
      {"zero ratio", [] { EmitArc(0, 0, 10, 0, 0, 0, 30); }, ""},
      {"tiny ratio", [] { EmitArc(0, 0, 10, 0, 0, -0.000000005, 30); }, ""},
      {"zero radius", [] { EmitArc(0, 0, 0, 0, 0, 0.5, 30); }, ""},
      {"negative radius", [] { EmitArc(0, 0, -1, 0, 0, 0.5, 30); }, ""},
      {"values 4 and 5 as given", [] { EmitArc(1, 2, 3, 4, 5, 6, 7); }, "ci 1 2 3 4 5 6 7"},
      // Unreadable numbers drop the command: the largest doubles would read back as 0.
      {"line to infinity", [] { EmitLine(0, 0, kInf, 0); }, ""},
      {"line of infinities", [] { EmitLine(kInf, kInf, kInf, kInf); }, ""},
      {"line with NaN", [] { EmitLine(kNaN, 0, 1, 1); }, ""},
      {"line with NaN end", [] { EmitLine(0, 0, 1, kNaN); }, ""},
      {"point with NaN", [] { EmitPoint(kNaN, 0); }, ""},
      {"point at -infinity", [] { EmitPoint(0, -kInf); }, ""},
      {"circle NaN radius", [] { EmitCircle(0, 0, kNaN); }, ""},
      {"circle infinite radius", [] { EmitCircle(0, 0, kInf); }, ""},
      {"circle infinite centre", [] { EmitCircle(kInf, 0, 1); }, ""},
      {"arc NaN ratio", [] { EmitArc(0, 0, 1, 0, 0, kNaN, 0); }, ""},
      {"arc infinite tilt", [] { EmitArc(0, 0, 1, 0, 0, 0.5, kInf); }, ""},
      {"arc NaN value 4", [] { EmitArc(0, 0, 1, kNaN, 0, 0.5, 0); }, ""},
      {"largest readable", [] { EmitPoint(kLargestReadable, -kLargestReadable); },
       "pt 1.79769313486231E308 -1.79769313486231E308"},
      {"next one up", [] { EmitPoint(std::nextafter(kLargestReadable, kInf), 0); }, ""},
      {"largest double", [] { EmitCircle(0, 0, std::numeric_limits<double>::max()); }, ""},
      {"lowest double", [] { EmitLine(std::numeric_limits<double>::lowest(), 0, 0, 0); }, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(QueuedBy({c.emit}), *c.expected ? Lines{c.expected} : Lines{});
  }
}

// Emits in a fresh run, then reads the queued lines into a fresh state.
std::vector<std::string> EmitThenRead(const std::function<void()>& emit) {
  InitExchangeState();
  ResetEmitState();
  emit();
  const auto& queue = Exchange().CommandQueue;
  std::vector<std::string> lines(queue.begin(), queue.end());
  InitExchangeState();
  for (const std::string& line : lines) ParseExchangeLine(line);
  return lines;
}

// Each within half a unit of the fifteenth digit, plus the reader's own rounding to a double.
void ExpectSameNumbers(const std::vector<double>& read, const std::vector<double>& written,
                       const std::string& line) {
  for (std::size_t i = 0; i < written.size(); ++i) {
    const double allowed =
        std::fabs(written[i]) * 5.2e-15 + std::numeric_limits<double>::denorm_min();
    EXPECT_LE(std::fabs(read[i] - written[i]), allowed) << line << ": wrote " << written[i];
    EXPECT_EQ(RealToText(read[i]), RealToText(written[i])) << line;
  }
}

// Coordinates of every size: drawing units, very small and very large, both signs.
class Coordinates {
 public:
  double Next() {
    switch (random_() % 4) {
      case 0: return Scaled(-3, 6);
      case 1: return Scaled(-12, 15);
      case 2: return Scaled(-300, 300);
      default:
        return static_cast<double>(static_cast<std::int64_t>(random_() % 2000001) - 1000000) / 8;
    }
  }
  double Positive() { return std::fabs(Next()) + 1e-6; }

 private:
  double Scaled(int low, int high) {
    const double mantissa = std::uniform_real_distribution<double>(-10.0, 10.0)(random_);
    return mantissa * std::pow(10.0, std::uniform_int_distribution<int>(low, high)(random_));
  }
  std::mt19937_64 random_{314159};
};

// Lines, circles, ellipses and points read back as their records, each kind from coordinates
// of its own; a point's kind stands in the colour position.
TEST(WriterRoundTrip, GeometryReadsBackAsItsRecords) {
  Coordinates forLines, forCircles, forPoints;
  for (int i = 0; i < 2000; ++i) {
    Coordinates& c = forLines;
    const double x1 = c.Next(), y1 = c.Next(), x2 = c.Next() + 1.0, y2 = c.Next();
    auto lines = EmitThenRead([&] { EmitLine(x1, y1, x2, y2); });
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(Exchange().LineList.size(), 1u) << lines[0];
    const TJwwEntLine line = Exchange().LineList[0];
    ExpectSameNumbers({line.X1, line.Y1, line.X2, line.Y2}, {x1, y1, x2, y2}, lines[0]);
    EXPECT_EQ(line.PolylineNo, 0);
    if (i >= 1000) continue;  // circles, ellipses and points: 1,000 each

    const double cx = forCircles.Next(), cy = forCircles.Next(), r = forCircles.Positive();
    lines = EmitThenRead([&] { EmitCircle(cx, cy, r); });
    ASSERT_EQ(Exchange().CircleList.size(), 1u) << lines[0];
    const TJwwEntCircle& circle = Exchange().CircleList[0];
    ExpectSameNumbers({circle.CenterX, circle.CenterY, circle.Radius}, {cx, cy, r}, lines[0]);
    const double ratio = -forCircles.Positive(), tilt = forCircles.Next();
    lines = EmitThenRead([&] { EmitArc(cx, cy, r, 0, 0, ratio, tilt); });
    ASSERT_EQ(Exchange().ArcList.size(), 1u) << lines[0];
    const TJwwEntArc& arc = Exchange().ArcList[0];
    ExpectSameNumbers(
        {arc.CenterX, arc.CenterY, arc.Radius, arc.Value4, arc.Value5, arc.Flattening, arc.Tilt},
        {cx, cy, r, 0, 0, ratio, tilt}, lines[0]);

    const double x = forPoints.Next(), y = forPoints.Next();
    lines = EmitThenRead([&] {
      EmitPointKind(9, 0);
      EmitPoint(x, y);
    });
    ASSERT_EQ(Exchange().PointList.size(), 1u) << lines[1];
    ExpectSameNumbers({Exchange().PointList[0].X, Exchange().PointList[0].Y}, {x, y}, lines[1]);
    EXPECT_EQ(Exchange().PointList[0].Color, 9);
  }
}

TEST(WriterRoundTrip, AttributesReadBackAsWritten) {
  for (std::int32_t v = 0; v <= 15; ++v) {
    EmitThenRead([&] {
      EmitLayerGroup(v);
      EmitLayer(15 - v);
    });
    EXPECT_EQ((std::array{Exchange().Emit.LayerGroup, Exchange().Emit.Layer}),
              (std::array{v, 15 - v}));
  }
  // Mapped values: what the reader stores is what the writer last sent.
  for (const std::int32_t v : {-5, 0, 1, 9, 10, 19, 50, 30000}) {
    EmitState written;
    EmitThenRead([&] {
      EmitColor(v, 1);
      EmitLineType(v, 1);
      EmitLineWidth(v);
      EmitPointKind(v, 1);
      written = Exchange().Emit;
    });
    const EmitState& read = Exchange().Emit;
    EXPECT_EQ((std::array{read.Color, read.LineType, read.LineWidth, read.PointKind}),
              (std::array{written.Color, written.LineType, written.LineWidth, written.PointKind}))
        << v;
  }
}

TEST(WriterFile, ExactBytes) {
  const struct {
    const char* what;
    std::vector<std::string> lines;
    std::string bytes;
  } kCases[] = {
      {"nothing queued", {}, "hq\r\n"},
      {"one line", {"lg0"}, "lg0\r\n"},
      {"a run",
       {"lg3", "ly5", "lc9", "lt1", "lw0", "0 0 100 0", "lg0", "ly0"},
       "lg3\r\nly5\r\nlc9\r\nlt1\r\nlw0\r\n0 0 100 0\r\nlg0\r\nly0\r\n"},
      // Bytes go out as they are: no character-set conversion, no line-end translation.
      {"raw bytes", {"\x82\xa0\x83\x4e", "a\tb", ""}, "\x82\xa0\x83\x4e\r\na\tb\r\n\r\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir directory;
    const auto path = directory.Path() / "JWC_TEMP.TXT";
    WriteBytes(path, "hp1 0 0\nhp2 10 10\nmore than the new contents\n");
    InitExchangeState();
    for (const std::string& line : c.lines) QueueCommand(line);
    EXPECT_TRUE(WriteExchangeFile(path));
    EXPECT_EQ(ReadBytes(path), c.bytes);
    EXPECT_EQ(directory.Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
    EXPECT_EQ(Exchange().CommandQueue.size(), c.lines.size()) << "writing keeps the queue";
  }
}

// Failures: nothing is left where the host looks, and no temporary file either.
TEST(WriterFile, ParentMissingOrARegularFile) {
  for (const char* parent : {"absent", "plain"}) {
    SCOPED_TRACE(parent);
    TempDir directory;
    WriteBytes(directory / "plain", "x");
    InitExchangeState();
    QueueCommand("lg0");
    EXPECT_FALSE(WriteExchangeFile(directory / parent / "JWC_TEMP.TXT"));
    EXPECT_EQ(directory.Entries(), std::set<std::string>{"plain"});
  }
}

#ifdef AUXLINE_HAS_FILE_SIZE_LIMIT
// The old file is the host's own input; left behind it would be taken for commands. A file
// that the failed write left holding "nothing to draw" stays.
TEST(WriterFile, FailedWriteRemovesTheOldExchangeFile) {
  const struct {
    const char* what;
    std::size_t limit;
    std::optional<std::string> left;
  } kCases[] = {{"no room for \"hq\"", 3, std::nullopt}, {"room for \"hq\"", 4, "hq\r\n"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir directory;
    const auto path = directory.Path() / "JWC_TEMP.TXT";
    WriteBytes(path, "hp1 0 0\r\n");
    InitExchangeState();
    QueueCommand("lg0");
    QueueCommand("0 0 100 0");
    {
      const FileSizeLimit limit(c.limit);
      EXPECT_FALSE(WriteExchangeFile(path));
    }
    EXPECT_EQ(ReadBytes(path), c.left);
  }
}
#endif

// A directory in the file's place is not the tool's to delete.
TEST(WriterFile, DirectoryInThePlaceOfTheFileIsKept) {
  TempDir directory;
  const auto path = directory.Path() / "JWC_TEMP.TXT";
  std::filesystem::create_directories(path / "inside");
  InitExchangeState();
  EXPECT_FALSE(WriteExchangeFile(path));
  EXPECT_TRUE(std::filesystem::is_directory(path / "inside"));
  EXPECT_EQ(directory.Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
}

TEST(WriterFile, ReadOnlyDirectory) {
  TempDir directory;
  namespace fs = std::filesystem;
  fs::permissions(directory.Path(), fs::perms::owner_read | fs::perms::owner_exec,
                  fs::perm_options::replace);
  // Some users (root) write into read-only directories all the same.
  WriteBytes(directory / "probe", "x");
  if (fs::exists(directory / "probe")) GTEST_SKIP() << "this user writes into read-only folders";
  InitExchangeState();
  QueueCommand("lg0");
  EXPECT_FALSE(WriteExchangeFile(directory.Path() / "JWC_TEMP.TXT"));
  EXPECT_TRUE(directory.Entries().empty());
}

#if __has_include(<sys/wait.h>) && __has_include(<unistd.h>)
TEST(WriterCrash, KilledWriterLeavesOldOrWholeNewFile) {
  TempDir directory;
  const auto path = directory.Path() / "JWC_TEMP.TXT";
  const std::string oldBytes = "hp1 0 0\r\nhp2 10 10\r\n";
  WriteBytes(path, oldBytes);

  // A few megabytes, so that a kill often lands while the bytes are being written.
  InitExchangeState();
  std::string newBytes;
  for (int i = 0; i < 200000; ++i) {
    std::string line = std::to_string(i) + " 0.333333333333333 " + std::to_string(i + 1) + " 5";
    newBytes += line + "\r\n";
    QueueCommand(std::move(line));
  }

  std::mt19937 random(7);
  int killedEarly = 0;
  for (int round = 0; round < 20; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(WriteExchangeFile(path) ? 0 : 1);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) ++killedEarly;
    const std::string bytes = ReadBytes(path).value_or("");
    ASSERT_TRUE(bytes == oldBytes || bytes == newBytes)
        << "round " << round << ": " << bytes.size() << " bytes";
  }
  InitExchangeState();
  RecordProperty("killed_before_finishing", killedEarly);
}
#endif

}  // namespace
