// Kills for the whole-process fault cases, loaded with LD_PRELOAD into the dialog program (a
// failed call is tried in process, in os_tests). Each file call below is one step; at step
// AUXLINE_FAULT_AT, SIGKILL comes before the call ("kill") or after it ("killafter",
// before the program sees its result). AUXLINE_FAULT_LOG names a file that gets every step,
// so that a run without a fault tells how many there are.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#define REAL(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

// Counts one step and kills before it where asked; true where the kill comes after it.
static int Step(const char* name, const char* detail) {
  static long step = 0;
  static int log = -2;
  if (log == -2) {
    const char* path = getenv("AUXLINE_FAULT_LOG");
    log = path != NULL ? REAL(open)(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
  }
  ++step;
  if (log >= 0) dprintf(log, "%ld %s %s\n", step, name, detail != NULL ? detail : "");
  const char* at = getenv("AUXLINE_FAULT_AT");
  const char* mode = getenv("AUXLINE_FAULT_MODE");
  if (at == NULL || mode == NULL || strtol(at, NULL, 10) != step) return 0;
  if (strcmp(mode, "kill") == 0) raise(SIGKILL);
  return strcmp(mode, "killafter") == 0;
}

// The path of an open descriptor, for the log.
static const char* FdPath(int fd, char* buffer, size_t size) {
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t length = readlink(link, buffer, size - 1);
  buffer[length > 0 ? length : 0] = '\0';
  return buffer;
}

#define KILLABLE(type, name, detail, params, args) \
  type name params {                               \
    const int killAfter = Step(#name, detail);     \
    type const result = REAL(name) args;           \
    if (killAfter) raise(SIGKILL);                 \
    return result;                                 \
  }

// The mode is there only where the flags say: O_CREAT, or all of O_TMPFILE (which includes
// O_DIRECTORY).
#define KILLABLE_OPEN(name, params, args)                                             \
  int name params {                                                                   \
    va_list rest;                                                                     \
    va_start(rest, flags);                                                            \
    const int takesMode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE; \
    const mode_t mode = takesMode ? (mode_t)va_arg(rest, int) : 0;                    \
    va_end(rest);                                                                     \
    const int killAfter = Step(#name, path);                                          \
    const int result = REAL(name) args;                                               \
    if (killAfter) raise(SIGKILL);                                                    \
    return result;                                                                    \
  }

KILLABLE_OPEN(open, (const char* path, int flags, ...), (path, flags, mode))
KILLABLE_OPEN(open64, (const char* path, int flags, ...), (path, flags, mode))
KILLABLE_OPEN(openat, (int dir, const char* path, int flags, ...), (dir, path, flags, mode))
KILLABLE(int, close, NULL, (int fd), (fd))
KILLABLE(ssize_t, read, NULL, (int fd, void* data, size_t size), (fd, data, size))
KILLABLE(ssize_t, write, NULL, (int fd, const void* data, size_t size), (fd, data, size))
KILLABLE(ssize_t, pwrite, NULL, (int fd, const void* data, size_t size, off_t offset),
         (fd, data, size, offset))
KILLABLE(int, ftruncate, NULL, (int fd, off_t size), (fd, size))
KILLABLE(int, fchmod, FdPath(fd, (char[4096]){0}, 4096), (int fd, mode_t mode), (fd, mode))
KILLABLE(int, fsync, FdPath(fd, (char[4096]){0}, 4096), (int fd), (fd))
KILLABLE(int, renameat, to, (int fromDir, const char* from, int toDir, const char* to),
         (fromDir, from, toDir, to))
KILLABLE(int, linkat, to, (int fromDir, const char* from, int toDir, const char* to, int flags),
         (fromDir, from, toDir, to, flags))
KILLABLE(int, unlinkat, path, (int dir, const char* path, int flags), (dir, path, flags))
