#pragma once
// Every system call of the POSIX file layer (the replacement, the in-place rewrite, the
// reads, the takeover of the exchange file and the removal of abandoned temporary files, down
// to the signal that asks whether their creator still runs) and of the Linux programs' own
// file work (the hand-over to the dialog program, the check of the installation's files, the
// dialog program's start up to the fork), gathered in one table that a test may replace: a
// failure at any step, or a process ended between two steps, can then be tried in the very
// code the static program runs, without root and without a preloaded library (which cannot
// reach a static program). Process control (fork, exec, waitpid, prctl, and the calls
// between fork and exec, which must stay async-signal-safe) is not file work and calls the
// system directly.
#include <dirent.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/types.h>
#include <sys/vfs.h>
#include <unistd.h>

// name, result, parameters, arguments. `open` and `openat` always take a mode.
#define AUXLINE_POSIX_FILE_CALLS(X)                                                             \
  X(open, int, (const char* path, int flags, mode_t mode), (path, flags, mode))                 \
  X(openat, int, (int dir, const char* path, int flags, mode_t mode), (dir, path, flags, mode)) \
  X(close, int, (int fd), (fd))                                                                 \
  X(read, ssize_t, (int fd, void* buffer, size_t size), (fd, buffer, size))                     \
  X(pread, ssize_t, (int fd, void* buffer, size_t size, off_t at), (fd, buffer, size, at))      \
  X(write, ssize_t, (int fd, const void* bytes, size_t size), (fd, bytes, size))                \
  X(pwrite, ssize_t, (int fd, const void* bytes, size_t size, off_t at), (fd, bytes, size, at)) \
  X(fsync, int, (int fd), (fd))                                                                 \
  X(ftruncate, int, (int fd, off_t size), (fd, size))                                           \
  X(fchmod, int, (int fd, mode_t mode), (fd, mode))                                             \
  X(fchown, int, (int fd, uid_t owner, gid_t group), (fd, owner, group))                        \
  X(fstat, int, (int fd, struct stat* status), (fd, status))                                    \
  X(fstatat, int, (int dir, const char* path, struct stat* status, int flags),                  \
    (dir, path, status, flags))                                                                 \
  X(fstatfs, int, (int fd, struct statfs* system), (fd, system))                                \
  X(faccessat, int, (int dir, const char* path, int mode, int flags), (dir, path, mode, flags)) \
  X(readlinkat, ssize_t, (int dir, const char* path, char* text, size_t size),                  \
    (dir, path, text, size))                                                                    \
  X(opendir, DIR*, (const char* path), (path))                                                  \
  X(linkat, int, (int fromDir, const char* from, int toDir, const char* to, int flags),         \
    (fromDir, from, toDir, to, flags))                                                          \
  X(renameat, int, (int fromDir, const char* from, int toDir, const char* to),                  \
    (fromDir, from, toDir, to))                                                                 \
  X(unlinkat, int, (int dir, const char* path, int flags), (dir, path, flags))                  \
  X(flock, int, (int fd, int operation), (fd, operation))                                       \
  X(fcntl, int, (int fd, int command, int argument), (fd, command, argument))                   \
  X(kill, int, (pid_t process, int signal), (process, signal))                                  \
  X(readdir, dirent*, (DIR * listing), (listing))                                               \
  X(closedir, int, (DIR * listing), (listing))                                                  \
  X(memfd_create, int, (const char* name, unsigned flags), (name, flags))                       \
  X(getpid, pid_t, (), ())                                                                      \
  X(getppid, pid_t, (), ())

struct PosixFileCalls {
#define AUXLINE_CALL_MEMBER(name, result, params, args) result(*name) params;
  AUXLINE_POSIX_FILE_CALLS(AUXLINE_CALL_MEMBER)
#undef AUXLINE_CALL_MEMBER
};

// The system's own calls.
const PosixFileCalls& SystemFileCalls();

// The table the file layer calls through: the system's, unless a test put another in place.
// Not while files are replaced or read on another thread.
PosixFileCalls& FileCalls();
