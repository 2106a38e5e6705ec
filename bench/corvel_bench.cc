// Times whole runs of the interpreter on the scripts in bench/scripts, start-up
// included, the way a user compares it with other interpreters.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

// Runs the interpreter on `script` in a scratch folder with its output thrown
// away.
void runScript(benchmark::State& state, const std::string& script) {
  std::string path = std::string(CORVEL_BENCH_SCRIPTS) + "/" + script;
  char folder[] = "/tmp/corvel_bench_XXXXXX";
  if (::mkdtemp(folder) == nullptr) {
    state.SkipWithError("cannot make a scratch folder");
    return;
  }
  for (auto _ : state) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null",
                                     O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder);
    char* argv[] = {const_cast<char*>("corvel"), path.data(), nullptr};
    pid_t child;
    int status = 0;
    if (posix_spawn(&child, CORVEL_BINARY, &actions, nullptr, argv, environ) !=
            0 ||
        ::waitpid(child, &status, 0) < 0 || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
      state.SkipWithError("the script did not run to its end");
    }
    posix_spawn_file_actions_destroy(&actions);
  }
  ::rmdir(folder);
}

}  // namespace

// One benchmark per script.
const bool registered = [] {
  for (const char* name : {"loop", "strings", "arrays", "files", "print"}) {
    benchmark::RegisterBenchmark(name, runScript, std::string(name) + ".cv")
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  return true;
}();

BENCHMARK_MAIN();
