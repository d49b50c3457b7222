#pragma once
// Large blocks of memory for records that are written once and kept to the end of a run.
// Touching fresh memory costs one page fault per small page; a block that the system backs
// with large pages costs one per large page. The blocks are aligned for large pages, so a
// system that hands them out unasked can use them; they are not asked for (see the POSIX
// source), and elsewhere the block simply has small pages.
#include <cstddef>

// Size and alignment of every large block: a large page on the common systems.
inline constexpr std::size_t kLargePageSize = std::size_t{2} << 20;

// A block of `bytes` (a multiple of kLargePageSize), readable and writable, aligned to
// kLargePageSize where the system's large pages need it, to at least 64 KiB everywhere.
// nullptr when there is no memory for it.
void* AllocateLargePages(std::size_t bytes);

// Puts the small pages of `bytes` of a block of AllocateLargePages in place in one go, where
// the system offers that, instead of a page fault as each is first written; elsewhere, or
// when the system declines, the pages simply come on first write. Meant for a part about to
// be filled: the pages are cleared now, so a small part keeps them in the cache for the
// writes that follow.
void PopulateLargePages(void* part, std::size_t bytes);

// Gives back a block of AllocateLargePages with the same size.
void FreeLargePages(void* block, std::size_t bytes);
