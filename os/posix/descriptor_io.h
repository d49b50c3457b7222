#pragma once
// Whole reads and writes on a POSIX file descriptor, which the system may cut short or
// interrupt (EINTR) at any point. POSIX only: the file layer and the Linux programs. Every
// call goes through the file layer's call table.
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

// All of `bytes`, at the descriptor's position, or from `offset` on when it is given.
bool WriteAll(int fd, std::string_view bytes, off_t offset = -1);

// Exactly `length` bytes from `offset` on into `buffer`; false after a read error or when
// the file ends before them.
bool ReadExactly(int fd, void* buffer, std::size_t length, off_t offset);

// The whole file from its start into `bytes`; false after a read error or when it holds
// more than `limit` bytes.
bool ReadWholeFile(int fd, std::string& bytes, std::size_t limit);
