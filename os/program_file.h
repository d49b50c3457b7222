#pragma once
// The file layer never reads or writes the running executable as data, whatever its name
// (see file_system.h). A program started in another's place that works on the other's
// files (on Linux the dialog program, started by the tool's executable) protects that
// program's file the same way, and each program protects the installation's other files
// (the dialog program, the dialog module). POSIX only: on Windows the tool is one program.
#include <filesystem>

// From now on the file at `path` (found by identity, not by name) counts as a program file:
// unreadable, and never replaced or removed. Nothing happens when no file is there. Its
// identity is taken when the first file is checked, so that a run pays for it only then.
void ProtectProgramFile(const std::filesystem::path& path);
