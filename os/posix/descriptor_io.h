#pragma once
// Whole reads and writes on a POSIX file descriptor, which the system may cut short or
// interrupt (EINTR) at any point. POSIX only: the file layer and the Linux programs.
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

// All of `bytes`, at the descriptor's position, or from `offset` on when it is given.
bool WriteAll(int fd, std::string_view bytes, off_t offset = -1);

// The whole file from its start into `bytes`; false after a read error or when it holds
// more than `limit` bytes.
bool ReadWholeFile(int fd, std::string& bytes, std::size_t limit);
