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

// A run of `auxline`, whose steps are those of every run (tool/app.h): where it shows a
// dialog, the dialog program does, with the same arguments (argv as main got it) and the
// same environment but the dynamic loader's variables; what it needs besides (the exchange
// file as taken over among it) comes in the hand-over (exchange_handover.h). It is started
// only as an installation file (module_file_check.h).
int RunThroughDialogProgram(const RunMode& mode, const std::filesystem::path& exePath, char** argv);

// True in a program that `auxline` started as the dialog program (it holds a hand-over).
bool StartedAsDialogProgram();

// The installation's other files in `folder`, the dialog program and the dialog module, count
// as program files from now on (os/program_file.h): never read or written as data, whatever
// name or link leads to them. Costs nothing until the first file is checked.
void ProtectInstallationFiles(const std::filesystem::path& folder);

// In the dialog program: the executable whose files it works on, the one that started it
// as the hand-over names it, else (started by hand) "auxline" beside the program itself.
// `handedOver` is empty when there was no hand-over.
std::filesystem::path StartingExecutablePath(const std::filesystem::path& handedOver,
                                             const std::filesystem::path& ownPath);
