// File-system, shell and network commands: fexists, unlink, mkdir, readdir,
// system, geturl.
#include "commands/system_commands.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "base/console.h"
#include "base/fault.h"
#include "base/interrupt.h"
#include "base/sandbox.h"
#include "base/text.h"
#include "commands/checks.h"
#include "files/corvel_dir.h"
#include "files/web.h"

namespace corvel {

void method_fexists(const std::string& path, const VarRef& target) {
  CorvelVariable& result = requireVariable(target, Type::Int, "Not an int: $");
  result.value = std::int32_t{pathKind(path)};
}

void method_unlink(const std::string& path) {
  if (pathKind(path) == 0)
    fail("File/directory doesn't exitst: $" + path + "\n", 1);
  // A symbolic link is removed itself, never what it points to. A refusal is
  // not reported.
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path), ignored);
}

void method_mkdir(const std::string& path) {
  if (pathKind(path) != 0) fail("File/directory exists: $" + path + "\n", 1);
  // A path that names nothing makes nothing; missing parents are not made
  // either, and a refusal is not reported.
  if (namesNothing(path)) return;
  ::mkdir(path.c_str(), 0777);
}

void method_readdir(const VarRef& array, const std::string& path) {
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

void method_system(const std::string& command) {
  // The child shares the console and may read the files the script writes: it
  // must see our output and written text first, and the input we have not used.
  consoleFlush();
  runFlushHooks();
  consoleReleaseInput();
  // The sandbox runs no command, as if it were empty.
  if (sandbox.on || command.find('\0') != std::string::npos) return;
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // The child starts with every signal as a new process has it: a broken pipe
  // ends it as usual, although this process ignores one.
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT})
    sigaddset(&defaults, signal);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  char shell[] = "sh";
  char option[] = "-c";
  char* arguments[] = {shell, option, const_cast<char*>(command.c_str()),
                       nullptr};
  pid_t child;
  int spawned = posix_spawn(&child, "/bin/sh", nullptr, &attributes,
                            arguments, environ);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) return;
  // The exit status is not examined. A signal that stops the run is passed on
  // to the command, and the run stops without waiting for it.
  int status;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    if (pendingStop != 0) {
      ::kill(child, pendingStop);
      stopForSignal();
    }
  }
}

void method_geturl(const std::string& url, const VarRef& target) {
  CorvelVariable& result =
      requireVariable(target, Type::String, "Not a string: $");
  consoleFlush();
  // The sandbox reaches no network: no reply comes.
  std::string body = sandbox.on ? std::string() : fetchUrl(url);
  stopIfRequested();
  result.value = StringValue(body);
}

}  // namespace corvel
