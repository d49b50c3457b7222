#pragma once
// The last step of a replacement on Windows: a finished temporary file beside the target
// takes the target's place.
#include <optional>
#include <string>

#include <windows.h>

#include "os/win32/held_files.h"

// `temporary` (closed, in the target's folder) becomes `target`; both in the `\\?\` form.
// `oldAttributes`: those of the file being replaced, none when there was nothing there.
// `durable`: the result reaches the disk before the call returns. True when the target
// now holds the temporary file's contents; on false the temporary file may still exist.
bool InstallTemporary(const std::wstring& temporary, const std::wstring& target,
                      std::optional<DWORD> oldAttributes, bool durable, HeldFileWait& wait);
