#pragma once
// Checks that hold for every exchange state and command list, whatever the input; each aborts
// with a message at the first violation, so that the fuzzer stops at the input that caused it.
#include <string>
#include <string_view>
#include <vector>

[[noreturn]] void FuzzFail(const std::string& what);

// ReadOrder lists every record of the fifteen lists once and in list order, the tables keep
// their sizes, every stored real is finite.
void CheckStateInvariants();

// Each command has the form the host reads (an attribute key with an integer, or "pt", "ci"
// or no key with the right count of finite numbers in the real text form) and, read into the
// current state (one state can take the commands of several runs), lands as the record or
// attribute it stands for and changes nothing else.
void CheckCommands(const std::vector<std::string>& commands);

// The written file holds the commands (or "hq"), each ended by CR LF.
void CheckWrittenFile(std::string_view bytes, const std::vector<std::string>& commands);
