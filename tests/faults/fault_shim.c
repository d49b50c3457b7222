// Kills for the end-to-end fault tests, loaded into the dialog program with LD_PRELOAD: what
// needs a whole process (a failed call at each step is tried in process through the file
// layer's call table, in os_tests). Every call of the file functions below counts as one
// step; at step AUXLINE_FAULT_AT the shim does what AUXLINE_FAULT_MODE says:
//   kill       SIGKILL before the call (the call never happens)
//   killafter  the call happens, then SIGKILL (before the program sees its result)
// With AUXLINE_FAULT_LOG set, the names of all steps are written to that file at exit, so
// that a run without a fault tells how many steps there are; fsync and fchmod name the file
// of their descriptor.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

enum FaultMode { kNone, kKill, kKillAfter };

static long g_faultAt = 0;
static enum FaultMode g_mode = kNone;
static long g_step = 0;
static char g_log[65536];
static size_t g_logLength = 0;

__attribute__((constructor)) static void ReadConfiguration(void) {
  const char* at = getenv("AUXLINE_FAULT_AT");
  const char* mode = getenv("AUXLINE_FAULT_MODE");
  if (at != NULL) g_faultAt = strtol(at, NULL, 10);
  if (mode != NULL) {
    if (strcmp(mode, "kill") == 0) g_mode = kKill;
    if (strcmp(mode, "killafter") == 0) g_mode = kKillAfter;
  }
}

static void* Real(const char* name) { return dlsym(RTLD_NEXT, name); }

__attribute__((destructor)) static void WriteLog(void) {
  const char* path = getenv("AUXLINE_FAULT_LOG");
  if (path == NULL) return;
  int (*realOpen)(const char*, int, ...) = (int (*)(const char*, int, ...))Real("open");
  ssize_t (*realWrite)(int, const void*, size_t) =
      (ssize_t(*)(int, const void*, size_t))Real("write");
  int (*realClose)(int) = (int (*)(int))Real("close");
  const int fd = realOpen(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  realWrite(fd, g_log, g_logLength);
  realClose(fd);
}

// Counts one step. Returns the action for this call.
static enum FaultMode Step(const char* name, const char* detail) {
  ++g_step;
  const int room = (int)(sizeof g_log - g_logLength);
  if (room > 0) {
    const int n = snprintf(g_log + g_logLength, (size_t)room, "%ld %s %s\n", g_step, name,
                           detail != NULL ? detail : "");
    if (n > 0) g_logLength += (size_t)(n < room ? n : room - 1);
  }
  if (g_step != g_faultAt) return kNone;
  if (g_mode == kKill) raise(SIGKILL);
  return g_mode;
}

static void KillAfter(enum FaultMode action) {
  if (action == kKillAfter) raise(SIGKILL);
}

#define REAL(type, name, ...) ((type(*)(__VA_ARGS__))Real(#name))

// The path of an open descriptor, for the log.
static const char* FdPath(int fd, char* buffer, size_t size) {
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t length = readlink(link, buffer, size - 1);
  buffer[length > 0 ? length : 0] = '\0';
  return buffer;
}

// O_TMPFILE includes O_DIRECTORY: only all of its bits mean an anonymous file.
static int TakesMode(int flags) {
  return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

static int OpenWith(const char* name, const char* path, int flags, va_list rest) {
  mode_t mode = 0;
  if (TakesMode(flags)) mode = (mode_t)va_arg(rest, int);
  const enum FaultMode action = Step(name, path);
  const int result = REAL(int, open, const char*, int, ...)(path, flags, mode);
  KillAfter(action);
  return result;
}

int open(const char* path, int flags, ...) {
  va_list rest;
  va_start(rest, flags);
  const int result = OpenWith("open", path, flags, rest);
  va_end(rest);
  return result;
}

int open64(const char* path, int flags, ...) {
  va_list rest;
  va_start(rest, flags);
  const int result = OpenWith("open64", path, flags, rest);
  va_end(rest);
  return result;
}

int openat(int dir, const char* path, int flags, ...) {
  mode_t mode = 0;
  if (TakesMode(flags)) {
    va_list rest;
    va_start(rest, flags);
    mode = (mode_t)va_arg(rest, int);
    va_end(rest);
  }
  const enum FaultMode action = Step("openat", path);
  const int result = REAL(int, openat, int, const char*, int, ...)(dir, path, flags, mode);
  KillAfter(action);
  return result;
}

// The calls a kill may come before or after.
#define FAULTABLE(type, name, detail, params, args)           \
  type name params {                                          \
    const enum FaultMode action = Step(#name, detail);        \
    type const result = ((__typeof__(&name))Real(#name))args; \
    KillAfter(action);                                        \
    return result;                                            \
  }

FAULTABLE(FILE*, fopen, path, (const char* path, const char* how), (path, how))
FAULTABLE(FILE*, fopen64, path, (const char* path, const char* how), (path, how))
FAULTABLE(int, fclose, NULL, (FILE * stream), (stream))
FAULTABLE(int, close, NULL, (int fd), (fd))
FAULTABLE(ssize_t, read, NULL, (int fd, void* data, size_t size), (fd, data, size))
FAULTABLE(ssize_t, write, NULL, (int fd, const void* data, size_t size), (fd, data, size))
FAULTABLE(ssize_t, pwrite, NULL, (int fd, const void* data, size_t size, off_t offset),
          (fd, data, size, offset))
FAULTABLE(int, ftruncate, NULL, (int fd, off_t size), (fd, size))
FAULTABLE(int, fchmod, FdPath(fd, (char[4096]){0}, 4096), (int fd, mode_t mode), (fd, mode))
FAULTABLE(int, fsync, FdPath(fd, (char[4096]){0}, 4096), (int fd), (fd))
FAULTABLE(int, rename, to, (const char* from, const char* to), (from, to))
FAULTABLE(int, renameat, to, (int fromDir, const char* from, int toDir, const char* to),
          (fromDir, from, toDir, to))
FAULTABLE(int, linkat, to, (int fromDir, const char* from, int toDir, const char* to, int flags),
          (fromDir, from, toDir, to, flags))
FAULTABLE(int, unlink, path, (const char* path), (path))
FAULTABLE(int, unlinkat, path, (int dir, const char* path, int flags), (dir, path, flags))
FAULTABLE(int, remove, path, (const char* path), (path))
