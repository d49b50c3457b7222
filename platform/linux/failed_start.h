#pragma once
// The ends of runs whose first steps, in a program entry, failed before the run itself
// (tool/app.h) could log. They leave their line in the log all the same, as every run that
// ends with status 1 or 2 does. The one run that cannot is `auxline` that cannot tell its
// own path: the log lives beside the executable, and neither the working directory nor
// argv[0] may stand in for that path.
#include <filesystem>
#include <string_view>

// A run of the executable at `exePath` whose first steps failed (`what`, in the system's
// words `why`): its line in the log and, for a run with arguments, "hq" for the host, which
// would otherwise find its own input and execute it as commands. Status 1. Never throws.
int EndFailedStart(const std::filesystem::path& exePath, int argc, char** argv,
                   std::string_view what, std::string_view why) noexcept;

// `auxline` started in the dialog program's place (a copy of it under that name): it cannot
// show the dialog. Status 2, logged beside the `auxline` that started it, as the hand-over
// names it; a hand-over it refuses ends it as the dialog program would. Never throws.
int EndInDialogProgramsPlace(int argc, char** argv) noexcept;
