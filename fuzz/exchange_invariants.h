#pragma once
// Checks that hold for every exchange state and every command list, whatever the input.
// Each check aborts with a message on the first violation, so that the fuzzer stops at the
// input that caused it.
#include <string>
#include <string_view>
#include <vector>

[[noreturn]] void FuzzFail(const std::string& what);

// The state after reading: ReadOrder lists every record of the fifteen lists exactly once
// and in list order, the tables keep their sizes, every stored real is finite.
void CheckStateInvariants();

// Every queued command has the form the host reads: an attribute key with an integer, or
// "pt", "ci" or no key with the right count of numbers in the real text form, none of them
// infinite or NaN; each line read lands as the record or attribute it stands for, and
// nothing else changes. The lines are read into the current state, which the caller has
// initialised: one state can take the commands of several runs.
void CheckCommands(const std::vector<std::string>& commands);

// The bytes the writer put in the file: the commands (or "hq"), each ended by CR LF.
void CheckWrittenFile(std::string_view bytes, const std::vector<std::string>& commands);
