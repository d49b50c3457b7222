#pragma once
// Writes a synthetic exchange file of a given size for the reader benchmarks: a short header
// (tables, styles, indicated points), then a long run of entity lines, mostly bare lines with
// circles, points and texts between them and an attribute change now and then. CR LF line
// ends, deterministic content.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

namespace reader_bench {

class Lcg {
 public:
  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  std::uint32_t Below(std::uint32_t n) { return Next() % n; }

 private:
  std::uint64_t state_ = 0x2545F4914F6CDD1DULL;
};

// A coordinate as the host writes one: up to five integer digits and six decimals.
inline void AppendCoordinate(std::string& out, Lcg& rng) {
  char text[32];
  const long whole = static_cast<long>(rng.Below(100000)) - 50000;
  const unsigned fraction = rng.Below(1000000);
  const int n = std::snprintf(text, sizeof text, "%ld.%06u", whole, fraction);
  out.append(text, static_cast<std::size_t>(n));
}

inline void AppendHeader(std::string& out) {
  out += "file=C:\\Drawings\\bench plan.drw\r\n";
  out += "hk 0\r\nhs 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1\r\nhzs 420 297\r\n";
  out += "hcw 2 2.5 3 3.5 4 5 6 7 8 10\r\nhch 2 2.5 3 3.5 4 5 6 7 8 10\r\n";
  out += "hcd 0 0 0 0 0 0 0 0 0 0\r\nhcc 1 1 2 2 3 3 4 4 5 5\r\n";
  for (int g = 0; g < 16; ++g) {
    const char digit = "0123456789abcdef"[g];
    out += std::string("lg") + digit + " 1\r\nlgnGroup" + digit + "\r\n";
  }
  out += "lg0\r\nly0\r\nlc1\r\nlt1\r\nlw0\r\ncn0 2.5 2.5 0 1\r\n";
  out += "hp1 100.5 200.25\r\nhp2ln 300 400\r\n";
}

// One entity line (or, now and then, an attribute line first).
inline void AppendEntity(std::string& out, Lcg& rng, std::uint64_t& entities) {
  const std::uint32_t pick = rng.Below(100);
  if (rng.Below(50) == 0) {
    out += "lc" + std::to_string(1 + rng.Below(9)) + "\r\n";
    out += "ly" + std::string(1, "0123456789abcdef"[rng.Below(16)]) + "\r\n";
  }
  if (pick < 70) {  // bare line
    AppendCoordinate(out, rng);
    for (int i = 0; i < 3; ++i) {
      out += ' ';
      AppendCoordinate(out, rng);
    }
  } else if (pick < 85) {  // circle
    out += "ci ";
    AppendCoordinate(out, rng);
    out += ' ';
    AppendCoordinate(out, rng);
    out += ' ';
    out += std::to_string(1 + rng.Below(500));
  } else if (pick < 93) {  // point
    out += "pt ";
    AppendCoordinate(out, rng);
    out += ' ';
    AppendCoordinate(out, rng);
  } else {  // text
    out += "ch ";
    AppendCoordinate(out, rng);
    out += ' ';
    AppendCoordinate(out, rng);
    out += " 12.5 0 \"";
    static const char* const kWords[] = {"Room",    "\x95\x94\x89\xae", "W=900",
                                         "Door D1", "Stair up",         "\x8f\xb0\x96\xca 2F"};
    const std::uint32_t words = 1 + rng.Below(3);
    for (std::uint32_t w = 0; w < words; ++w) {
      if (w > 0) out += ' ';
      out += kWords[rng.Below(6)];
    }
  }
  out += "\r\n";
  ++entities;
}

// A coordinate with six decimals, as AppendCoordinate, without a sign.
inline void AppendLength(std::string& out, Lcg& rng) {
  char text[32];
  const int n =
      std::snprintf(text, sizeof text, "%u.%06u", 1 + rng.Below(50000), rng.Below(1000000));
  out.append(text, static_cast<std::size_t>(n));
}

// The geometry case: bare lines, circles and points only, every real with six decimals.
inline void AppendGeometryEntity(std::string& out, Lcg& rng, std::uint64_t& entities) {
  const std::uint32_t pick = rng.Below(100);
  if (pick < 94) {
    AppendCoordinate(out, rng);
    for (int i = 0; i < 3; ++i) {
      out += ' ';
      AppendCoordinate(out, rng);
    }
  } else {
    out += pick < 97 ? "ci " : "pt ";
    AppendCoordinate(out, rng);
    out += ' ';
    AppendCoordinate(out, rng);
    if (pick < 97) {
      out += ' ';
      AppendLength(out, rng);
    }
  }
  out += "\r\n";
  ++entities;
}

// The text-heavy case: short texts, "ch x y 3 0" and eight Shift-JIS bytes (four
// double-byte characters), about 33 bytes a line.
inline void AppendTextEntity(std::string& out, Lcg& rng, std::uint64_t& entities) {
  char text[64];
  static const char* const kWords[] = {
      "\x95\x94\x89\xae\x82\x50\x82\x51", "\x8f\xb0\x96\xca\x82\x51\x82\x65",
      "\x8a\x4b\x92\x69\x8f\xe3\x82\xe8", "\x93\xfc\x8c\xfb\x82\x60\x82\x61"};
  const int n =
      std::snprintf(text, sizeof text, "ch %u.%02u %u.%02u 3 0 %s\r\n", rng.Below(10000),
                    rng.Below(100), rng.Below(10000), rng.Below(100), kWords[rng.Below(4)]);
  out.append(text, static_cast<std::size_t>(n));
  ++entities;
}

enum class FileShape { kMixed, kGeometry, kTexts };

// Writes the header and then entity lines of the given shape until the file holds about
// `targetBytes` bytes or `maxEntities` entity lines, whichever comes first. Returns the
// number of entity lines, or 0 when the file could not be written.
inline std::uint64_t GenerateExchangeFile(const std::string& path, std::uint64_t targetBytes,
                                          FileShape shape = FileShape::kMixed,
                                          std::uint64_t maxEntities = UINT64_MAX) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return 0;
  Lcg rng;
  std::uint64_t entities = 0;
  std::uint64_t written = 0;
  std::string chunk;
  AppendHeader(chunk);
  while (written + chunk.size() < targetBytes && entities < maxEntities) {
    while (chunk.size() < (1u << 20) && written + chunk.size() < targetBytes &&
           entities < maxEntities) {
      switch (shape) {
        case FileShape::kMixed: AppendEntity(chunk, rng, entities); break;
        case FileShape::kGeometry: AppendGeometryEntity(chunk, rng, entities); break;
        case FileShape::kTexts: AppendTextEntity(chunk, rng, entities); break;
      }
    }
    file.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    written += chunk.size();
    chunk.clear();
  }
  file.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  return file ? entities : 0;
}

}  // namespace reader_bench
