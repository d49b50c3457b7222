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
  out += "file=C:\\Drawings\\bench plan.jww\r\n";
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
    static const char* const kWords[] = {"Room", "\x95\x94\x89\xae", "W=900", "Door D1",
                                         "Stair up", "\x8f\xb0\x96\xca 2F"};
    const std::uint32_t words = 1 + rng.Below(3);
    for (std::uint32_t w = 0; w < words; ++w) {
      if (w > 0) out += ' ';
      out += kWords[rng.Below(6)];
    }
  }
  out += "\r\n";
  ++entities;
}

// Writes about `targetBytes` bytes to `path`; returns the number of entity lines written,
// or 0 when the file could not be written.
inline std::uint64_t GenerateExchangeFile(const std::string& path, std::uint64_t targetBytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return 0;
  Lcg rng;
  std::uint64_t entities = 0;
  std::uint64_t written = 0;
  std::string chunk;
  AppendHeader(chunk);
  while (written + chunk.size() < targetBytes) {
    while (chunk.size() < (1u << 20) && written + chunk.size() < targetBytes) {
      AppendEntity(chunk, rng, entities);
    }
    file.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    written += chunk.size();
    chunk.clear();
  }
  file.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  return file ? entities : 0;
}

}  // namespace reader_bench
