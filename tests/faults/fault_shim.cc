// A library preloaded into the interpreter (LD_PRELOAD) that makes one chosen
// call into the C library fail, so that the tests can see what the unmodified
// program does with every failure a system can give.
//
//   CORVEL_FAULT=KIND:N:FAULT   the Nth call of KIND fails with FAULT, once
//   CORVEL_FAULT_REPORT=PATH    as the process ends, PATH receives how many
//                               calls of each kind it made and what the failed
//                               call was about, or, with no fault to make,
//                               where each call came from
//
// KIND is open, read, write, close, lseek, tee, opendir, readdir, mkdir,
// unlink, rename, spawn or waitpid (each covers the variants of its call, such
// as openat or unlinkat); FAULT is EIO, ENOSPC, EINTR, EAGAIN or short (a read,
// write or tee that moves fewer bytes than asked).
//
// Only the process that was started with the library is affected: it takes
// itself out of the environment at once, so the shell of `system` and the
// commands it runs are left alone. The library uses nothing of the C++
// runtime, so that it can sit beside a program built with the sanitizers.
#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <execinfo.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum Kind {
  kOpen,
  kRead,
  kWrite,
  kClose,
  kLseek,
  kTee,
  kOpendir,
  kReaddir,
  kMkdir,
  kUnlink,
  kRename,
  kSpawn,
  kWaitpid,
  kKinds
};
constexpr const char* kKindNames[kKinds] = {
    "open",    "read",  "write",  "close",  "lseek", "tee",    "opendir",
    "readdir", "mkdir", "unlink", "rename", "spawn", "waitpid"};

enum Fault { kNone, kEio, kEnospc, kEintr, kEagain, kShort };
struct FaultName {
  const char* name;
  Fault fault;
};
constexpr FaultName kFaultNames[] = {{"EIO", kEio},
                                     {"ENOSPC", kEnospc},
                                     {"EINTR", kEintr},
                                     {"EAGAIN", kEagain},
                                     {"short", kShort}};

// Initialised at compile time: the constructor below, and calls made before
// it, must find it ready.
struct State {
  unsigned long counts[kKinds] = {};
  int kind = -1;
  unsigned long nth = 0;
  Fault fault = kNone;
  bool struck = false;
  bool reported = false;
  // What the failed call was about: the descriptor and what it names, or the
  // path it was given.
  int descriptor = -1;
  bool writable = false;
  char target[1024] = {};
  // Where the failed call came from: the return addresses of the calls that
  // led to it, innermost first.
  void* callers[12] = {};
  int callerCount = 0;
  // Without a fault to inject, the kind and the three innermost callers of
  // every call, so that a sample can try each place that makes a call.
  unsigned char traceKinds[4096] = {};
  void* traceCallers[4096][3] = {};
  int traced = 0;
  char reportPath[1024] = {};
};
constinit State state;

void* next(const char* name, void** cache) {
  if (*cache == nullptr) *cache = dlsym(RTLD_NEXT, name);
  if (*cache == nullptr) abort();
  return *cache;
}

template <typename F>
F real(const char* name, void** cache) {
  return reinterpret_cast<F>(next(name, cache));
}

void copy(char* to, const char* from) {
  if (from == nullptr) from = "";
  size_t length = strlen(from);
  if (length >= sizeof state.target) length = sizeof state.target - 1;
  memcpy(to, from, length);
  to[length] = '\0';
}

void describeDescriptor(int descriptor) {
  state.descriptor = descriptor;
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
  ssize_t length = readlink(link, state.target, sizeof state.target - 1);
  state.target[length > 0 ? length : 0] = '\0';
  int flags = fcntl(descriptor, F_GETFL);
  state.writable = flags != -1 && (flags & O_ACCMODE) != O_RDONLY;
}

// Fills `callers` with up to `room` return addresses of the program, innermost
// first, for a call whose direct caller is `caller`; returns how many.
int callersOf(void* caller, void** callers, int room) {
  // The first frames are this library's own; the first of the program is the
  // caller's return address.
  void* frames[16];
  int count = backtrace(frames, 16);
  int first = 0;
  while (first < count && frames[first] != caller) ++first;
  if (first == count) {
    callers[0] = caller;
    return 1;
  }
  int filled = 0;
  for (int i = first; i < count && filled < room; ++i)
    callers[filled++] = frames[i];
  return filled;
}

// Counts a call of `kind`, made from `caller`, and tells whether it is the one
// to fail.
bool strike(Kind kind, void* caller) {
  ++state.counts[kind];
  if (state.kind < 0 && state.traced < 4096) {
    state.traceKinds[state.traced] = static_cast<unsigned char>(kind);
    callersOf(caller, state.traceCallers[state.traced++], 3);
  }
  if (state.struck || state.kind != kind || state.counts[kind] != state.nth)
    return false;
  state.struck = true;
  state.callerCount = callersOf(caller, state.callers, 12);
  return true;
}

// The errno of the fault, or 0 for a short transfer.
int error() {
  switch (state.fault) {
    case kEio:
      return EIO;
    case kEnospc:
      return ENOSPC;
    case kEintr:
      return EINTR;
    case kEagain:
      return EAGAIN;
    default:
      return 0;
  }
}

// A short transfer moves half of what was asked, and at least one byte; a call
// for a single byte cannot be cut and goes through whole.
size_t shortened(size_t size) { return size > 1 ? size / 2 : size; }

void appendText(char* out, size_t size, size_t& used, const char* text) {
  int written = snprintf(out + used, size - used, "%s", text);
  if (written > 0) used += static_cast<size_t>(written);
  if (used >= size) used = size - 1;
}

void writeReport() {
  if (state.reported || state.reportPath[0] == '\0') return;
  state.reported = true;
  static void* openCache;
  static void* writeCache;
  static void* closeCache;
  int out = real<int (*)(const char*, int, ...)>("open", &openCache)(
      state.reportPath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) return;
  char text[4096];
  size_t used = 0;
  char line[1200];
  for (int kind = 0; kind < kKinds; ++kind) {
    snprintf(line, sizeof line, "count %s %lu\n", kKindNames[kind],
             state.counts[kind]);
    appendText(text, sizeof text, used, line);
  }
  snprintf(line, sizeof line, "struck %d\ndescriptor %d\nwritable %d\n",
           state.struck ? 1 : 0, state.descriptor, state.writable ? 1 : 0);
  appendText(text, sizeof text, used, line);
  snprintf(line, sizeof line, "target %s\n", state.target);
  appendText(text, sizeof text, used, line);
  // Each caller as an object file and an offset into it, which addr2line
  // turns into a function name; a return address is one past its call.
  for (int i = 0; i < state.callerCount; ++i) {
    Dl_info info;
    if (dladdr(state.callers[i], &info) == 0 || info.dli_fname == nullptr)
      continue;
    snprintf(line, sizeof line, "caller %#lx %s\n",
             static_cast<unsigned long>(static_cast<char*>(state.callers[i]) -
                                        static_cast<char*>(info.dli_fbase) - 1),
             info.dli_fname);
    appendText(text, sizeof text, used, line);
  }
  auto writeFn =
      real<ssize_t (*)(int, const void*, size_t)>("write", &writeCache);
  auto writeText = [&](const char* data, size_t size) {
    for (size_t done = 0; done < size;) {
      ssize_t wrote = writeFn(out, data + done, size - done);
      if (wrote <= 0) break;
      done += static_cast<size_t>(wrote);
    }
  };
  writeText(text, used);
  // A call is named by its callers' addresses (from the start of the object
  // each lies in), enough to tell the places apart.
  for (int i = 0; i < state.traced; ++i) {
    unsigned long site[3] = {};
    for (int j = 0; j < 3; ++j) {
      Dl_info info;
      if (state.traceCallers[i][j] != nullptr &&
          dladdr(state.traceCallers[i][j], &info) != 0)
        site[j] = static_cast<unsigned long>(
            static_cast<char*>(state.traceCallers[i][j]) -
            static_cast<char*>(info.dli_fbase));
    }
    int length =
        snprintf(line, sizeof line, "call %s %#lx:%#lx:%#lx\n",
                 kKindNames[state.traceKinds[i]], site[0], site[1], site[2]);
    if (length > 0) writeText(line, static_cast<size_t>(length));
  }
  real<int (*)(int)>("close", &closeCache)(out);
}

__attribute__((constructor)) void start() {
  const char* report = getenv("CORVEL_FAULT_REPORT");
  if (report != nullptr) copy(state.reportPath, report);
  const char* setting = getenv("CORVEL_FAULT");
  if (setting != nullptr) {
    char kind[32] = {};
    char fault[32] = {};
    unsigned long nth = 0;
    if (sscanf(setting, "%31[a-z]:%lu:%31s", kind, &nth, fault) == 3) {
      for (int k = 0; k < kKinds; ++k) {
        if (strcmp(kind, kKindNames[k]) == 0) state.kind = k;
      }
      for (const FaultName& f : kFaultNames) {
        if (strcmp(fault, f.name) == 0) state.fault = f.fault;
      }
      state.nth = nth;
    }
    if (state.kind < 0 || state.fault == kNone || nth == 0) {
      fprintf(stderr, "fault_shim: cannot read CORVEL_FAULT=%s\n", setting);
      abort();
    }
  }
  unsetenv("LD_PRELOAD");
  unsetenv("CORVEL_FAULT");
  unsetenv("CORVEL_FAULT_REPORT");
}

__attribute__((destructor)) void finish() { writeReport(); }

// The open calls share one body; `open` is the real function to pass the call
// on to.
template <typename Open>
int openCall(void* caller, const char* path, Open open) {
  if (strike(kOpen, caller)) {
    copy(state.target, path);
    if (error() != 0) {
      errno = error();
      return -1;
    }
    state.struck = false;
  }
  return open();
}

mode_t modeOf(int flags, va_list arguments) {
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE)
    return static_cast<mode_t>(va_arg(arguments, int));
  return 0;
}

// Reads and writes share one body: `pass(size)` makes the real call for
// `size` bytes.
template <typename Pass>
ssize_t transfer(void* caller, Kind kind, int descriptor, size_t size,
                 Pass pass) {
  if (!strike(kind, caller)) return pass(size);
  describeDescriptor(descriptor);
  if (state.fault == kShort) {
    if (size <= 1) state.struck = false;
    return pass(shortened(size));
  }
  errno = error();
  return -1;
}

template <typename Call>
int pathCall(void* caller, Kind kind, const char* path, Call call) {
  if (!strike(kind, caller)) return call();
  copy(state.target, path);
  if (state.fault == kShort) {
    state.struck = false;
    return call();
  }
  errno = error();
  return -1;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  mode_t mode = modeOf(flags, arguments);
  va_end(arguments);
  static void* cache;
  return openCall(__builtin_return_address(0), path, [&] {
    return real<int (*)(const char*, int, ...)>("open", &cache)(path, flags,
                                                                mode);
  });
}

int open64(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  mode_t mode = modeOf(flags, arguments);
  va_end(arguments);
  static void* cache;
  return openCall(__builtin_return_address(0), path, [&] {
    return real<int (*)(const char*, int, ...)>("open64", &cache)(path, flags,
                                                                  mode);
  });
}

int openat(int folder, const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  mode_t mode = modeOf(flags, arguments);
  va_end(arguments);
  static void* cache;
  return openCall(__builtin_return_address(0), path, [&] {
    return real<int (*)(int, const char*, int, ...)>("openat", &cache)(
        folder, path, flags, mode);
  });
}

int openat64(int folder, const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  mode_t mode = modeOf(flags, arguments);
  va_end(arguments);
  static void* cache;
  return openCall(__builtin_return_address(0), path, [&] {
    return real<int (*)(int, const char*, int, ...)>("openat64", &cache)(
        folder, path, flags, mode);
  });
}

int __open_2(const char* path, int flags) {
  static void* cache;
  return openCall(__builtin_return_address(0), path, [&] {
    return real<int (*)(const char*, int)>("__open_2", &cache)(path, flags);
  });
}

int __open64_2(const char* path, int flags) {
  static void* cache;
  return openCall(__builtin_return_address(0), path, [&] {
    return real<int (*)(const char*, int)>("__open64_2", &cache)(path, flags);
  });
}

int creat(const char* path, mode_t mode) {
  static void* cache;
  return openCall(__builtin_return_address(0), path, [&] {
    return real<int (*)(const char*, mode_t)>("creat", &cache)(path, mode);
  });
}

ssize_t read(int descriptor, void* buffer, size_t size) {
  static void* cache;
  return transfer(__builtin_return_address(0), kRead, descriptor, size,
                  [&](size_t n) {
                    return real<ssize_t (*)(int, void*, size_t)>(
                        "read", &cache)(descriptor, buffer, n);
                  });
}

ssize_t __read_chk(int descriptor, void* buffer, size_t size, size_t room) {
  static void* cache;
  return transfer(__builtin_return_address(0), kRead, descriptor, size,
                  [&](size_t n) {
                    return real<ssize_t (*)(int, void*, size_t, size_t)>(
                        "__read_chk", &cache)(descriptor, buffer, n, room);
                  });
}

ssize_t write(int descriptor, const void* buffer, size_t size) {
  static void* cache;
  return transfer(__builtin_return_address(0), kWrite, descriptor, size,
                  [&](size_t n) {
                    return real<ssize_t (*)(int, const void*, size_t)>(
                        "write", &cache)(descriptor, buffer, n);
                  });
}

ssize_t tee(int from, int to, size_t size, unsigned int flags) {
  static void* cache;
  return transfer(__builtin_return_address(0), kTee, from, size, [&](size_t n) {
    return real<ssize_t (*)(int, int, size_t, unsigned int)>("tee", &cache)(
        from, to, n, flags);
  });
}

int close(int descriptor) {
  static void* cache;
  auto pass = real<int (*)(int)>("close", &cache);
  if (!strike(kClose, __builtin_return_address(0))) return pass(descriptor);
  describeDescriptor(descriptor);
  if (state.fault == kShort) {
    state.struck = false;
    return pass(descriptor);
  }
  // As on Linux, the descriptor is gone whatever close reports.
  pass(descriptor);
  errno = error();
  return -1;
}

off_t lseek(int descriptor, off_t offset, int whence) {
  static void* cache;
  auto pass = real<off_t (*)(int, off_t, int)>("lseek", &cache);
  if (!strike(kLseek, __builtin_return_address(0)))
    return pass(descriptor, offset, whence);
  describeDescriptor(descriptor);
  if (state.fault == kShort) {
    state.struck = false;
    return pass(descriptor, offset, whence);
  }
  errno = error();
  return -1;
}

off64_t lseek64(int descriptor, off64_t offset, int whence) {
  static void* cache;
  auto pass = real<off64_t (*)(int, off64_t, int)>("lseek64", &cache);
  if (!strike(kLseek, __builtin_return_address(0)))
    return pass(descriptor, offset, whence);
  describeDescriptor(descriptor);
  if (state.fault == kShort) {
    state.struck = false;
    return pass(descriptor, offset, whence);
  }
  errno = error();
  return -1;
}

DIR* opendir(const char* path) {
  static void* cache;
  auto pass = real<DIR* (*)(const char*)>("opendir", &cache);
  if (!strike(kOpendir, __builtin_return_address(0))) return pass(path);
  copy(state.target, path);
  if (state.fault == kShort) {
    state.struck = false;
    return pass(path);
  }
  errno = error();
  return nullptr;
}

DIR* fdopendir(int descriptor) {
  static void* cache;
  auto pass = real<DIR* (*)(int)>("fdopendir", &cache);
  if (!strike(kOpendir, __builtin_return_address(0))) return pass(descriptor);
  describeDescriptor(descriptor);
  if (state.fault == kShort) {
    state.struck = false;
    return pass(descriptor);
  }
  errno = error();
  return nullptr;
}

// A failed readdir gives no entry and sets errno; the entry it would have
// given stays for the next call.
dirent* readdir(DIR* dir) {
  static void* cache;
  auto pass = real<dirent* (*)(DIR*)>("readdir", &cache);
  if (!strike(kReaddir, __builtin_return_address(0))) return pass(dir);
  describeDescriptor(dirfd(dir));
  if (state.fault == kShort) {
    state.struck = false;
    return pass(dir);
  }
  errno = error();
  return nullptr;
}

dirent64* readdir64(DIR* dir) {
  static void* cache;
  auto pass = real<dirent64* (*)(DIR*)>("readdir64", &cache);
  if (!strike(kReaddir, __builtin_return_address(0))) return pass(dir);
  describeDescriptor(dirfd(dir));
  if (state.fault == kShort) {
    state.struck = false;
    return pass(dir);
  }
  errno = error();
  return nullptr;
}

int mkdir(const char* path, mode_t mode) {
  static void* cache;
  return pathCall(__builtin_return_address(0), kMkdir, path, [&] {
    return real<int (*)(const char*, mode_t)>("mkdir", &cache)(path, mode);
  });
}

int mkdirat(int folder, const char* path, mode_t mode) {
  static void* cache;
  return pathCall(__builtin_return_address(0), kMkdir, path, [&] {
    return real<int (*)(int, const char*, mode_t)>("mkdirat", &cache)(
        folder, path, mode);
  });
}

int unlink(const char* path) {
  static void* cache;
  return pathCall(__builtin_return_address(0), kUnlink, path, [&] {
    return real<int (*)(const char*)>("unlink", &cache)(path);
  });
}

int unlinkat(int folder, const char* path, int flags) {
  static void* cache;
  return pathCall(__builtin_return_address(0), kUnlink, path, [&] {
    return real<int (*)(int, const char*, int)>("unlinkat", &cache)(
        folder, path, flags);
  });
}

int rmdir(const char* path) {
  static void* cache;
  return pathCall(__builtin_return_address(0), kUnlink, path, [&] {
    return real<int (*)(const char*)>("rmdir", &cache)(path);
  });
}

int remove(const char* path) {
  static void* cache;
  return pathCall(__builtin_return_address(0), kUnlink, path, [&] {
    return real<int (*)(const char*)>("remove", &cache)(path);
  });
}

int rename(const char* from, const char* to) {
  static void* cache;
  return pathCall(__builtin_return_address(0), kRename, from, [&] {
    return real<int (*)(const char*, const char*)>("rename", &cache)(from, to);
  });
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
  static void* cache;
  return pathCall(__builtin_return_address(0), kRename, from, [&] {
    return real<int (*)(int, const char*, int, const char*)>(
        "renameat", &cache)(fromFolder, from, toFolder, to);
  });
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to,
              unsigned int flags) {
  static void* cache;
  return pathCall(__builtin_return_address(0), kRename, from, [&] {
    return real<int (*)(int, const char*, int, const char*, unsigned int)>(
        "renameat2", &cache)(fromFolder, from, toFolder, to, flags);
  });
}

// posix_spawn reports its failure as its result, not in errno.
int posix_spawn(pid_t* child, const char* path,
                const posix_spawn_file_actions_t* actions,
                const posix_spawnattr_t* attributes, char* const arguments[],
                char* const environment[]) {
  static void* cache;
  auto pass =
      real<int (*)(pid_t*, const char*, const posix_spawn_file_actions_t*,
                   const posix_spawnattr_t*, char* const[], char* const[])>(
          "posix_spawn", &cache);
  if (strike(kSpawn, __builtin_return_address(0))) {
    copy(state.target, path);
    if (error() != 0) return error();
    state.struck = false;
  }
  return pass(child, path, actions, attributes, arguments, environment);
}

int posix_spawnp(pid_t* child, const char* file,
                 const posix_spawn_file_actions_t* actions,
                 const posix_spawnattr_t* attributes, char* const arguments[],
                 char* const environment[]) {
  static void* cache;
  auto pass =
      real<int (*)(pid_t*, const char*, const posix_spawn_file_actions_t*,
                   const posix_spawnattr_t*, char* const[], char* const[])>(
          "posix_spawnp", &cache);
  if (strike(kSpawn, __builtin_return_address(0))) {
    copy(state.target, file);
    if (error() != 0) return error();
    state.struck = false;
  }
  return pass(child, file, actions, attributes, arguments, environment);
}

// A failed waitpid leaves the child running and unwaited for, as a real
// failure would.
pid_t waitpid(pid_t child, int* status, int options) {
  static void* cache;
  auto pass = real<pid_t (*)(pid_t, int*, int)>("waitpid", &cache);
  if (!strike(kWaitpid, __builtin_return_address(0)))
    return pass(child, status, options);
  snprintf(state.target, sizeof state.target, "process %d", child);
  if (state.fault == kShort) {
    state.struck = false;
    return pass(child, status, options);
  }
  errno = error();
  return -1;
}

// The interpreter ends with _Exit, which runs no destructor: the report is
// written on the way out.
[[noreturn]] void _exit(int status) {
  static void* cache;
  writeReport();
  real<void (*)(int)>("_exit", &cache)(status);
  __builtin_unreachable();
}

[[noreturn]] void _Exit(int status) {
  static void* cache;
  writeReport();
  real<void (*)(int)>("_Exit", &cache)(status);
  __builtin_unreachable();
}

}  // extern "C"
