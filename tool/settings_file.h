#pragma once
// The settings file: the seven values the tool keeps between runs, one per line, beside the
// executable. Formatting and parsing are pure functions over bytes so that they can be
// checked without a form; reading the file is a thin wrapper around them, and the form
// saves the formatted bytes through the crash-safe file replacement.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "os/system_error.h"

struct ToolSettings {
  std::int32_t PresetLayerGroup = -1;  // -1: the host's current layer group
  std::int32_t PresetLayer = -1;       // -1: the host's current layer
  std::int32_t PresetLineType = 0;     // index in the line-type list; 0: the host's current
  std::int32_t PresetLineWidth = -1;   // -1: the host's current width
  double Radius = 100.0;
  double Ratio = 1.0;
  double Angle = 0.0;  // degrees
  bool operator==(const ToolSettings&) const = default;
};

// The executable's path with its extension replaced by ".dat". Only a "." after the last
// path separator (or, on Windows, drive colon) starts an extension; a name without one gets
// ".dat" appended.
std::filesystem::path SettingsPathFor(const std::filesystem::path& exePath);

// Seven lines, each ending in CR LF: four integers in decimal, three reals in the real text
// form.
std::string FormatSettings(const ToolSettings& settings);

// Reads the seven lines from `bytes`. A line ends at CR LF, a lone LF or the end of the
// bytes; lines past the end read as empty text and therefore as 0, lines past the seventh
// are ignored. When `complete` is false (the read stopped early on an error), the fields
// past the last line that was read in full keep their values in `settings`.
void ParseSettings(std::string_view bytes, bool complete, ToolSettings& settings);

// What reading the settings file gave.
struct SettingsFileContents {
  ToolSettings Values;  // defaults, then whatever the file holds
  // The file exists but could not be opened or read without error, or is no regular file:
  // its values are not known, so it must not be replaced by a save of unchanged settings.
  bool Unreadable = false;
  // The file's bytes when it was read to its end; nothing otherwise.
  std::optional<std::string> WholeFile;
};

SettingsFileContents ReadSettingsFile(const std::filesystem::path& path);

// Replaces the file crash-safely with `bytes` and flushes it to the disk. On failure the
// previous file stays as it was, and the result names the step that failed.
FileResult WriteSettingsFile(const std::filesystem::path& path, std::string_view bytes);

// Whether `bytes` are seven whole lines, each ending in CR LF, and nothing more: what a save
// writes, so a copy of the settings that a killed or failed save left behind is complete.
bool HoldsSevenWholeLines(std::string_view bytes);

// While no file holds the settings' name, the newest complete copy of them that a save left
// behind (see LeftCopiesOf) is put in place: its path, or nothing when none was. An
// incomplete copy is never taken for the settings.
std::optional<std::filesystem::path> RestoreSettingsFromLeftCopy(const std::filesystem::path& path);
