#pragma once
// Names of the temporary files a replacement writes beside its target, and when such a file
// left behind by a killed run may go. Shared by every platform's file layer.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace temporary_files {

using Name = std::filesystem::path::string_type;

// "<target name>.<creator's process id>-<16 hex digits>.tmp". Where that would be longer
// than `longest` (the file system's limit for one name), the target's part is cut short
// and marked with a digest of the whole name: "<start of the name>~<8 hex digits>.<...>",
// so that the temporary files of two long names with the same start stay apart.
Name NameFor(const Name& targetName, std::uint64_t processId, std::uint64_t unique,
             std::size_t longest = static_cast<std::size_t>(-1));

// What the name of a temporary file tells: its creator, when the name carries one (names
// written by older versions of the tool hold 16 hex digits only).
struct Temporary {
  std::optional<std::uint64_t> CreatorProcessId;
};
std::optional<Temporary> Parse(const Name& fileName, const Name& targetName);

// A run writes its temporary file within milliseconds. One that is older than ten minutes,
// or whose creator is no longer running on this machine, is abandoned. A few seconds of
// grace keep the file of a copy that runs on another machine sharing the folder (its
// process is not visible here) safe while it writes.
constexpr std::chrono::minutes kAbandonedAfter{10};
constexpr std::chrono::seconds kGraceWithoutCreator{5};
bool IsAbandoned(const Temporary& temporary, std::chrono::seconds age, bool creatorRunning);

// A number that no other file this process names at the same time carries.
std::uint64_t UniqueNumber();

}  // namespace temporary_files
