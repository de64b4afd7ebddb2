/* Preloaded into the save helper: fails one chosen system call of a save.
 *
 * Between kesta_fault_begin() and kesta_fault_end() every open of a file and
 * every rename counts as one call, and so does every write, writev,
 * fallocate, fsync, fdatasync and close of a descriptor opened in that
 * window; what the process does on other descriptors (its standard output)
 * is left alone.  The call numbered KESTA_FAULT_CALL (from 1) fails with
 * the errno KESTA_FAULT_ERRNO instead of being made; a close is made all
 * the same, as the kernel releases the descriptor even when close fails.
 * kesta_fault_end() names the calls counted, in order. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#define MAX_FDS 1024

static int armed;
static int counted;
static int fail_at;
static int fail_errno;
static char names[4096];
static unsigned char opened[MAX_FDS];

void kesta_fault_begin(void) {
  const char* at = getenv("KESTA_FAULT_CALL");
  const char* error = getenv("KESTA_FAULT_ERRNO");
  fail_at = at ? atoi(at) : 0;
  fail_errno = error ? atoi(error) : EIO;
  counted = 0;
  names[0] = '\0';
  memset(opened, 0, sizeof opened);
  armed = 1;
}

int kesta_fault_end(const char** called) {
  armed = 0;
  *called = names;
  return counted;
}

static void* next(const char* name) { return dlsym(RTLD_NEXT, name); }

/* Counts the call; true when it is the one to fail (errno is then set). */
static int fails(const char* name) {
  ++counted;
  if (strlen(names) + strlen(name) + 2 < sizeof names) {
    if (names[0]) strcat(names, " ");
    strcat(names, name);
  }
  if (counted != fail_at) return 0;
  errno = fail_errno;
  return 1;
}

static int watched(int fd) { return armed && fd >= 0 && fd < MAX_FDS && opened[fd]; }

static int opened_fd(int fd) {
  if (armed && fd >= 0 && fd < MAX_FDS) opened[fd] = 1;
  return fd;
}

static mode_t mode_of(int flags, va_list args) {
  return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? (mode_t)va_arg(args, int) : 0;
}

#define OPEN_LIKE(fn)                                                        \
  int fn(const char* path, int flags, ...) {                                 \
    va_list args;                                                            \
    va_start(args, flags);                                                   \
    const mode_t mode = mode_of(flags, args);                                \
    va_end(args);                                                            \
    if (armed && fails(#fn)) return -1;                                      \
    int (*real)(const char*, int, ...) = next(#fn);                          \
    return opened_fd(real(path, flags, mode));                               \
  }

#define OPENAT_LIKE(fn)                                                      \
  int fn(int dir, const char* path, int flags, ...) {                        \
    va_list args;                                                            \
    va_start(args, flags);                                                   \
    const mode_t mode = mode_of(flags, args);                                \
    va_end(args);                                                            \
    if (armed && fails(#fn)) return -1;                                      \
    int (*real)(int, const char*, int, ...) = next(#fn);                     \
    return opened_fd(real(dir, path, flags, mode));                          \
  }

OPEN_LIKE(open)
OPEN_LIKE(open64)
OPENAT_LIKE(openat)
OPENAT_LIKE(openat64)

ssize_t write(int fd, const void* data, size_t size) {
  if (watched(fd) && fails("write")) return -1;
  ssize_t (*real)(int, const void*, size_t) = next("write");
  return real(fd, data, size);
}

ssize_t writev(int fd, const struct iovec* parts, int count) {
  if (watched(fd) && fails("writev")) return -1;
  ssize_t (*real)(int, const struct iovec*, int) = next("writev");
  return real(fd, parts, count);
}

int fallocate(int fd, int mode, off_t offset, off_t length) {
  if (watched(fd) && fails("fallocate")) return -1;
  int (*real)(int, int, off_t, off_t) = next("fallocate");
  return real(fd, mode, offset, length);
}

int fallocate64(int fd, int mode, off64_t offset, off64_t length) {
  if (watched(fd) && fails("fallocate64")) return -1;
  int (*real)(int, int, off64_t, off64_t) = next("fallocate64");
  return real(fd, mode, offset, length);
}

int fsync(int fd) {
  if (watched(fd) && fails("fsync")) return -1;
  int (*real)(int) = next("fsync");
  return real(fd);
}

int fdatasync(int fd) {
  if (watched(fd) && fails("fdatasync")) return -1;
  int (*real)(int) = next("fdatasync");
  return real(fd);
}

int close(int fd) {
  const int watch = watched(fd);
  if (watch) opened[fd] = 0;
  const int fail = watch && fails("close");
  int (*real)(int) = next("close");
  const int result = real(fd);
  if (!fail) return result;
  errno = fail_errno;
  return -1;
}

int rename(const char* from, const char* to) {
  if (armed && fails("rename")) return -1;
  int (*real)(const char*, const char*) = next("rename");
  return real(from, to);
}

int renameat(int from_dir, const char* from, int to_dir, const char* to) {
  if (armed && fails("renameat")) return -1;
  int (*real)(int, const char*, int, const char*) = next("renameat");
  return real(from_dir, from, to_dir, to);
}

int renameat2(int from_dir, const char* from, int to_dir, const char* to, unsigned int flags) {
  if (armed && fails("renameat2")) return -1;
  int (*real)(int, const char*, int, const char*, unsigned int) = next("renameat2");
  return real(from_dir, from, to_dir, to, flags);
}
