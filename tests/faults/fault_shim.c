// Fault injection for the end-to-end fault tests, loaded into the tool with LD_PRELOAD.
// Every call of the file functions below counts as one step; at step AUXLINE_FAULT_AT the
// shim does what AUXLINE_FAULT_MODE says:
//   kill       SIGKILL before the call (the call never happens)
//   killafter  the call happens, then SIGKILL (before the tool sees its result)
//   fail       the call does not happen and fails (errno EIO, ENOSPC for writes); fclose
//              and close do release the stream or descriptor, then report the failure
// AUXLINE_FAULT_ERRNO (a number) replaces the error of a failing call: the answers of network
// and unusual file systems (EPERM from fchmod, EINVAL from a folder's fsync).
// With AUXLINE_FAULT_LOG set, the names of all steps are written to that file at exit, so
// that a run without a fault tells how many steps there are; fsync and fchmod name the file
// of their descriptor.
// AUXLINE_FAULT_NO_INODE=1 makes every stat call report inode 0, as file systems without file
// identities do (not counted as steps).
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

enum FaultMode { kNone, kKill, kKillAfter, kFail };

static long g_faultAt = 0;
static enum FaultMode g_mode = kNone;
static long g_step = 0;
static int g_errno = 0;
static int g_noInode = 0;
static char g_log[65536];
static size_t g_logLength = 0;

__attribute__((constructor)) static void ReadConfiguration(void) {
  const char* at = getenv("AUXLINE_FAULT_AT");
  const char* mode = getenv("AUXLINE_FAULT_MODE");
  const char* error = getenv("AUXLINE_FAULT_ERRNO");
  const char* noInode = getenv("AUXLINE_FAULT_NO_INODE");
  if (at != NULL) g_faultAt = strtol(at, NULL, 10);
  if (error != NULL) g_errno = (int)strtol(error, NULL, 10);
  g_noInode = noInode != NULL && strcmp(noInode, "1") == 0;
  if (mode != NULL) {
    if (strcmp(mode, "kill") == 0) g_mode = kKill;
    if (strcmp(mode, "killafter") == 0) g_mode = kKillAfter;
    if (strcmp(mode, "fail") == 0) g_mode = kFail;
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

static int Failure(int usual) { return g_errno != 0 ? g_errno : usual; }

// The path of an open descriptor, for the log.
static const char* FdPath(int fd, char* buffer, size_t size) {
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t length = readlink(link, buffer, size - 1);
  buffer[length > 0 ? length : 0] = '\0';
  return buffer;
}

FILE* fopen(const char* path, const char* how) {
  const enum FaultMode action = Step("fopen", path);
  if (action == kFail) {
    errno = Failure(EIO);
    return NULL;
  }
  FILE* result = REAL(FILE*, fopen, const char*, const char*)(path, how);
  KillAfter(action);
  return result;
}

FILE* fopen64(const char* path, const char* how) {
  const enum FaultMode action = Step("fopen64", path);
  if (action == kFail) {
    errno = Failure(EIO);
    return NULL;
  }
  FILE* result = REAL(FILE*, fopen64, const char*, const char*)(path, how);
  KillAfter(action);
  return result;
}

// O_TMPFILE includes O_DIRECTORY: only all of its bits mean an anonymous file.
static int TakesMode(int flags) {
  return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

static int OpenWith(const char* name, const char* path, int flags, va_list rest) {
  mode_t mode = 0;
  if (TakesMode(flags)) mode = (mode_t)va_arg(rest, int);
  const enum FaultMode action = Step(name, path);
  if (action == kFail) {
    errno = Failure(EIO);
    return -1;
  }
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
  if (action == kFail) {
    errno = Failure(EIO);
    return -1;
  }
  const int result = REAL(int, openat, int, const char*, int, ...)(dir, path, flags, mode);
  KillAfter(action);
  return result;
}

int fclose(FILE* stream) {
  const enum FaultMode action = Step("fclose", NULL);
  const int result = REAL(int, fclose, FILE*)(stream);
  KillAfter(action);
  if (action == kFail) {
    errno = Failure(EIO);
    return EOF;
  }
  return result;
}

int close(int fd) {
  const enum FaultMode action = Step("close", NULL);
  const int result = REAL(int, close, int)(fd);
  KillAfter(action);
  if (action == kFail) {
    errno = Failure(EIO);
    return -1;
  }
  return result;
}

// The calls that fail before they happen, with `error`, or happen and report as they did.
#define FAULTABLE(type, name, error, detail, params, args)    \
  type name params {                                          \
    const enum FaultMode action = Step(#name, detail);        \
    if (action == kFail) {                                    \
      errno = Failure(error);                                 \
      return -1;                                              \
    }                                                         \
    const type result = ((__typeof__(&name))Real(#name))args; \
    KillAfter(action);                                        \
    return result;                                            \
  }

FAULTABLE(ssize_t, read, EIO, NULL, (int fd, void* data, size_t size), (fd, data, size))
FAULTABLE(ssize_t, write, ENOSPC, NULL, (int fd, const void* data, size_t size), (fd, data, size))
FAULTABLE(ssize_t, pwrite, ENOSPC, NULL, (int fd, const void* data, size_t size, off_t offset),
          (fd, data, size, offset))
FAULTABLE(int, ftruncate, EIO, NULL, (int fd, off_t size), (fd, size))
FAULTABLE(int, fchmod, EIO, FdPath(fd, (char[4096]){0}, 4096), (int fd, mode_t mode), (fd, mode))
FAULTABLE(int, fsync, EIO, FdPath(fd, (char[4096]){0}, 4096), (int fd), (fd))
FAULTABLE(int, rename, EIO, to, (const char* from, const char* to), (from, to))
FAULTABLE(int, renameat, EIO, to, (int fromDir, const char* from, int toDir, const char* to),
          (fromDir, from, toDir, to))
FAULTABLE(int, linkat, EIO, to,
          (int fromDir, const char* from, int toDir, const char* to, int flags),
          (fromDir, from, toDir, to, flags))
FAULTABLE(int, unlink, EIO, path, (const char* path), (path))
FAULTABLE(int, unlinkat, EIO, path, (int dir, const char* path, int flags), (dir, path, flags))
FAULTABLE(int, remove, EIO, path, (const char* path), (path))

// Every file without an identity (AUXLINE_FAULT_NO_INODE).
#define STAT_CALL(name, params, args)                        \
  int name params {                                          \
    const int result = ((__typeof__(&name))Real(#name))args; \
    if (result == 0 && g_noInode) status->st_ino = 0;        \
    return result;                                           \
  }

STAT_CALL(stat, (const char* path, struct stat* status), (path, status))
STAT_CALL(lstat, (const char* path, struct stat* status), (path, status))
STAT_CALL(fstat, (int fd, struct stat* status), (fd, status))
STAT_CALL(fstatat, (int dir, const char* path, struct stat* status, int flags),
          (dir, path, status, flags))
STAT_CALL(stat64, (const char* path, struct stat64* status), (path, status))
STAT_CALL(lstat64, (const char* path, struct stat64* status), (path, status))
STAT_CALL(fstat64, (int fd, struct stat64* status), (fd, status))
STAT_CALL(fstatat64, (int dir, const char* path, struct stat64* status, int flags),
          (dir, path, status, flags))
