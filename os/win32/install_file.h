#pragma once
// The last step of a replacement on Windows: a finished temporary file beside the target
// takes the target's place.
#include <optional>
#include <string>
#include <string_view>

#include <windows.h>

#include "os/system_error.h"
#include "os/win32/held_files.h"

// One replacement's names and what it keeps; every path in the `\\?\` form, all in the
// target's folder.
struct Installation {
  std::wstring Temporary;  // closed, holds the new bytes
  std::wstring Target;
  std::wstring Backup;  // a free name: the old file's while ReplaceFileW swaps the two
  // Those of the file being replaced; none when there was nothing there.
  std::optional<DWORD> OldAttributes;
  // What a new file of the target's name gets when a failure has left no file there: the old
  // bytes (or "nothing to draw"); none when they are not known.
  std::optional<std::string_view> BytesIfLost;
  // The result reaches the disk before the call returns.
  bool Durable = false;
};

// A success when the target now holds the temporary file's contents. On failure (named by
// the last replace or rename tried) the target holds its old bytes, or BytesIfLost; only when
// neither could be put there do the temporary file (and the backup, which then holds the old
// bytes) stay, as the last copies.
FileResult InstallTemporary(const Installation& install, HeldFileWait& wait);
