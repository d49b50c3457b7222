#pragma once
// On Linux the tool is two programs side by side. `auxline` is linked statically: a run
// without a dialog then needs no dynamic loader and maps no shared library, which is most
// of the time such a run takes. A static program cannot load the dialog module (its
// toolkit needs the shared C library), so a run that may show the dialog hands itself over,
// before it has touched any file, to the dialog program beside it: the same tool, linked
// dynamically, which loads the module. Its files are those of the executable that started it.
#include <filesystem>

inline constexpr char kDialogProgramFileName[] = "auxline-dialog";
// The starting executable's path travels in the environment: the arguments stay exactly as
// the host gave them.
inline constexpr char kStartingExecutableVariable[] = "AUXLINE_STARTED_BY";

// Replaces the process with the dialog program beside `exePath`, with the same arguments
// (argv as main got it). Returns only when that cannot be done: the program is missing, not
// whole, or the system refuses to start it; the caller then goes on by itself.
void HandOverToDialogProgram(const std::filesystem::path& exePath, char** argv);

// The installation's other files in `folder`, the dialog program and the dialog module, count
// as program files from now on (os/program_file.h): never read or written as data, whatever
// name or link leads to them. Costs nothing until the first file is checked.
void ProtectInstallationFiles(const std::filesystem::path& folder);

// In the dialog program: the executable whose files it works on (the one that started it,
// as passed along by HandOverToDialogProgram), else "auxline" beside the program itself.
// Reads and clears what was passed, so that nothing the program starts inherits it.
std::filesystem::path TakeStartingExecutablePath(const std::filesystem::path& ownPath);
