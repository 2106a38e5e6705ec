// File-system, shell and network commands: fexists, unlink, mkdir, readdir,
// system, geturl.
#include "commands/system_commands.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/console.h"
#include "base/fault.h"
#include "base/interrupt.h"
#include "base/sandbox.h"
#include "base/text.h"
#include "commands/checks.h"
#include "files/corvel_dir.h"
#include "files/removal.h"
#include "files/web.h"

namespace corvel {

void method_fexists(const std::string& path, const VarRef& target) {
  CorvelVariable& result = requireVariable(target, Type::Int, "Not an int: $");
  result.value = std::int32_t{pathKind(path)};
}

void method_unlink(const std::string& path) {
  stopIfRequested();
  if (pathKind(path) == 0)
    fail("File/directory doesn't exitst: $" + path + "\n", 1);
  // A symbolic link is removed itself, never what it points to, also when
  // the path ends in a slash. A refusal is not reported, but a removal that
  // stopped half-way has changed what is there without doing what was asked.
  if (removeTree(path) == Removal::Partly)
    fail("File/directory only partly removed: $" + path + "\n", 1);
}

void method_mkdir(const std::string& path) {
  stopIfRequested();
  if (pathKind(path) != 0) fail("File/directory exists: $" + path + "\n", 1);
  // A path that names nothing makes nothing; missing parents are not made
  // either, and a refusal is not reported.
  if (namesNothing(path)) return;
  while (::mkdir(path.c_str(), 0777) != 0 && errno == EINTR) {
  }
}

void method_readdir(const VarRef& array, const std::string& path) {
  stopIfRequested();
  int failure = 0;
  std::optional<std::vector<std::string>> names =
      CorvelDir().getDirectoryListing(path, &failure);
  auto listing = std::make_shared<List>();
  if (names) {
    for (const std::string& name : *names)
      listing->items.push_back(
          std::make_shared<CorvelVariable>(StringValue(name)));
  }
  CorvelVariable& result =
      requireVariable(array, Type::Array, "Not an array: $");
  result.value = std::move(listing);
  // Said once the array is known to take the empty listing.
  if (failure != 0 && notesWanted())
    note("readdir cannot list '" + path + "' (" + std::strerror(failure) +
         "); $" + array.name + " is empty");
}

namespace {

// Waits, with the stop signals blocked, until `child` ends or a stop signal
// arrives: the wait lets them in (`allowed`) only while it sleeps, so one that
// arrives just before it still ends it. False when the system offers no such
// wait; the caller then waits the plain way.
bool awaitChild(pid_t child, const sigset_t& allowed) {
  int handle = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
  if (handle < 0) return false;
  bool waited = true;
  for (;;) {
    if (pendingStop != 0) break;
    pollfd watched{handle, POLLIN, 0};
    int ready = ::ppoll(&watched, 1, nullptr, &allowed);
    if (ready > 0) break;
    if (ready < 0 && errno == EINTR) continue;
    waited = false;
    break;
  }
  ::close(handle);
  return waited;
}

// A stop signal is passed on to the command, and the run stops without
// waiting for it.
void stopWithChild(pid_t child) {
  if (pendingStop == 0) return;
  ::kill(child, pendingStop);
  stopForSignal();
}

}  // namespace

void method_system(const std::string& command) {
  stopIfRequested();
  // The child shares the console and may read the files the script writes: it
  // must see our output and written text first, and the input we have not used.
  consoleFlush();
  runFlushHooks();
  consoleReleaseInput();
  // The sandbox runs no command, as if it were empty.
  if (sandbox.on || command.find('\0') != std::string::npos) return;
  // The child gets back at their defaults only the signals this process
  // changed for itself (a broken pipe ends it as usual); what whoever started
  // us ignored (nohup) stays ignored, and the signal mask is theirs too.
  const ChildSignals& signals = childSignals();
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setsigdefault(&attributes, &signals.defaults);
  posix_spawnattr_setsigmask(&attributes, &signals.mask);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  char shell[] = "sh";
  char option[] = "-c";
  char* arguments[] = {shell, option, const_cast<char*>(command.c_str()),
                       nullptr};
  pid_t child;
  int spawned;
  {
    StopSignalsBlocked blocked;
    spawned = posix_spawn(&child, "/bin/sh", nullptr, &attributes, arguments,
                          environ);
    if (spawned == 0) awaitChild(child, blocked.previous());
  }
  posix_spawnattr_destroy(&attributes);
  // The exit status is not examined.
  if (spawned != 0) return;
  stopWithChild(child);
  int status;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR)
    stopWithChild(child);
}

void method_geturl(const std::string& url, const VarRef& target) {
  stopIfRequested();
  CorvelVariable& result =
      requireVariable(target, Type::String, "Not a string: $");
  consoleFlush();
  // The sandbox reaches no network: no reply comes.
  std::string body = sandbox.on ? std::string() : fetchUrl(url);
  stopIfRequested();
  result.value = StringValue(body);
}

}  // namespace corvel
