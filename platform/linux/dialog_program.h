#pragma once
// On Linux the tool is two programs side by side. `auxline` is linked statically: a run
// without a dialog then needs no dynamic loader and maps no shared library, which is most
// of the time such a run takes. A static program cannot load the dialog module (its
// toolkit needs the shared C library), so a run that may show the dialog is done by the
// dialog program beside it: the same tool, linked dynamically, which loads the module. Its
// files are those of the executable that started it.
//
// `auxline` starts it as a child and waits for it: a dialog program that cannot be started
// or does not run to its end (missing, not executable, its libraries missing or too old for
// it, so that the dynamic loader gives up before main; killed by a signal) is then seen,
// and the run still ends as documented.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tool/run_mode.h"

inline constexpr char kDialogProgramFileName[] = "auxline-dialog";
// The starting executable's path travels in the environment: the arguments stay exactly as
// the host gave them.
inline constexpr char kStartingExecutableVariable[] = "AUXLINE_STARTED_BY";

// A dialog run of `auxline`: "/R10" takes the exchange file over first, then the dialog
// program runs with the same arguments (argv as main got it). Its exit status when it ran
// to its end; otherwise the host finds "hq" after "/R10" (a run without arguments never
// writes the exchange file) and the status is 2, as for any dialog that cannot be shown.
int RunThroughDialogProgram(const RunMode& mode, const std::filesystem::path& exePath, char** argv);

// True in a program that was started as the dialog program by `auxline`.
bool StartedAsDialogProgram();

// The installation's other files in `folder`, the dialog program and the dialog module, count
// as program files from now on (os/program_file.h): never read or written as data, whatever
// name or link leads to them. Costs nothing until the first file is checked.
void ProtectInstallationFiles(const std::filesystem::path& folder);

// In the dialog program: the executable whose files it works on (the one that started it,
// as passed along by RunThroughDialogProgram), else "auxline" beside the program itself.
// Reads and clears what was passed, so that nothing the program starts inherits it.
std::filesystem::path TakeStartingExecutablePath(const std::filesystem::path& ownPath);
