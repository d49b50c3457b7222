#pragma once
// The one system call of the POSIX large blocks, which a test may replace. Where a mapping
// lies is the system's choice, and kernels before this machine's do not align a large one
// to a large page; a test hands back a mapping placed as such a kernel would place it and
// checks that the block stays within it.
#include <cstddef>

// Maps `bytes` of fresh private memory, readable and writable, as mmap does; nullptr when
// that fails. The parts of the mapping that the block does not use are given back with
// munmap.
using PageMapper = void* (*)(std::size_t bytes);

// Puts `mapper` in place of mmap for the blocks allocated from now on; nullptr puts mmap
// back. Not while blocks are allocated on another thread.
void SetPageMapper(PageMapper mapper);
