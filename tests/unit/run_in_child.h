// Runs a script in a child process, as the interpreter would, and collects
// what it printed and its exit status: a run always ends the process.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "interpreter/run.h"

namespace corvel {

struct Outcome {
  std::string output;
  int status = -1;
  bool operator==(const Outcome&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
  return out << "status " << outcome.status << ", output \"" << outcome.output
             << "\"";
}

inline Outcome runInChild(const std::string& source,
                          const CompileOptions& options = {},
                          const std::string& input = "") {
  int output[2];
  int feed[2];
  if (::pipe(output) != 0 || ::pipe(feed) != 0) return {};
  pid_t child = ::fork();
  if (child == 0) {
    ::dup2(output[1], STDOUT_FILENO);
    ::dup2(feed[0], STDIN_FILENO);
    ::close(output[0]);
    ::close(output[1]);
    ::close(feed[0]);
    ::close(feed[1]);
    // A script that never ends must not hang the tests.
    ::alarm(20);
    runSource("test.cv", source, options, false);
  }
  ::close(output[1]);
  ::close(feed[0]);
  [[maybe_unused]] ssize_t fed = ::write(feed[1], input.data(), input.size());
  ::close(feed[1]);
  Outcome outcome;
  char buffer[4096];
  ssize_t got;
  while ((got = ::read(output[0], buffer, sizeof buffer)) > 0)
    outcome.output.append(buffer, static_cast<std::size_t>(got));
  ::close(output[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return outcome;
}

// The outcome of `source` on the generic path.
inline Outcome runGeneric(const std::string& source,
                          const std::string& input = "") {
  CompileOptions options;
  options.generic = true;
  return runInChild(source, options, input);
}

}  // namespace corvel
