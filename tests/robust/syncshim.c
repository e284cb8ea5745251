// Stands in for the C library's write, fsync, fdatasync and rename in the
// test program it is linked into, calls the real ones, and while recording
// notes each call with the path it acted on, one line each:
//   write PATH | fsync PATH | fdatasync PATH | rename OLD NEW
// A folder's path ends in "/". It can also make a folder's fsync fail, as a
// failing disk or share does.
#define _GNU_SOURCE
#include "syncshim.h"

#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static char journal[1 << 16];
static size_t used;
static int recording;
static int folderSyncError;

static void* real(const char* name) {
  void* f = dlsym(RTLD_NEXT, name);
  if (!f) abort();
  return f;
}

static void append(const char* text) {
  const size_t n = strlen(text);
  if (used + n + 1 < sizeof journal) {
    memcpy(journal + used, text, n + 1);
    used += n;
  }
}

static int isFolder(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
}

static void noteFd(const char* what, int fd) {
  char link[64], path[PATH_MAX + 1];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t n = readlink(link, path, PATH_MAX);
  path[n > 0 ? n : 0] = '\0';
  pthread_mutex_lock(&lock);
  if (recording) {
    append(what);
    append(" ");
    append(path);
    if (isFolder(fd)) append("/");
    append("\n");
  }
  pthread_mutex_unlock(&lock);
}

void syncshim_record(int on) {
  pthread_mutex_lock(&lock);
  if (on) used = 0, journal[0] = '\0';
  recording = on;
  pthread_mutex_unlock(&lock);
}

const char* syncshim_journal(void) { return journal; }

void syncshim_fail_folder_sync(int error) { folderSyncError = error; }

ssize_t write(int fd, const void* buf, size_t n) {
  static ssize_t (*next)(int, const void*, size_t);
  if (!next) next = (ssize_t(*)(int, const void*, size_t))real("write");
  if (recording) noteFd("write", fd);
  return next(fd, buf, n);
}

// fsync and fdatasync alike: recorded, and failing on a folder when told to.
static int interposedSync(const char* what, int (**next)(int), int fd) {
  if (!*next) *next = (int (*)(int))real(what);
  if (recording) noteFd(what, fd);
  if (folderSyncError && isFolder(fd)) {
    errno = folderSyncError;
    return -1;
  }
  return (*next)(fd);
}

int fsync(int fd) {
  static int (*next)(int);
  return interposedSync("fsync", &next, fd);
}

int fdatasync(int fd) {
  static int (*next)(int);
  return interposedSync("fdatasync", &next, fd);
}

int rename(const char* from, const char* to) {
  static int (*next)(const char*, const char*);
  if (!next) next = (int (*)(const char*, const char*))real("rename");
  pthread_mutex_lock(&lock);
  if (recording) {
    append("rename ");
    append(from);
    append(" ");
    append(to);
    append("\n");
  }
  pthread_mutex_unlock(&lock);
  return next(from, to);
}
