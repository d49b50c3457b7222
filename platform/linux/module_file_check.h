#pragma once
// Whether a program file on disk is whole enough to be handed to the dynamic loader or to
// the system. Both map the file's segments without comparing them with the file's size; a
// file cut short (a copy or an update that did not finish) then kills the process with
// SIGBUS as soon as a mapped page past the file's end is touched, long before dlopen could
// fail, and after exec there is no way back.
#include <filesystem>

// True for an ELF shared object of this process's class and byte order whose program
// headers, every segment's bytes in the file and the section header table all lie inside
// the file. False for anything else, including a file that cannot be read. Never throws.
bool SharedObjectFileIsWhole(const std::filesystem::path& path) noexcept;

// The same for an executable of this process's class and byte order: a fixed-address one,
// or a position-independent one with a program interpreter (not a shared object).
bool ExecutableFileIsWhole(const std::filesystem::path& path) noexcept;
