#pragma once
// The running executable's path as the system gives it: the one place that asks. The file
// layer knows the executable by it (it is never data), and the program entry names the
// exchange and settings files from it.
#include <string>

// The full path; empty when the system cannot tell. The question goes through the file
// layer's table of calls, so that tests can play a system that fails it.
std::wstring RunningModulePath();
