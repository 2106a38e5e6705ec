// The console: standard output for everything the interpreter prints, standard
// input for lines.
#include "base/console.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/text.h"

namespace corvel {

namespace {

// Console state is plain data: a run ends through _Exit, and a signal handler
// may read it.
struct Output {
  char buffer[1 << 16];
  std::size_t length = 0;
  bool initialised = false;
  bool immediate = false;  // a terminal wants every message at once
  bool failed = false;
};
Output output;

struct Input {
  char buffer[1 << 16];
  std::size_t position = 0;
  std::size_t length = 0;
  bool initialised = false;
  bool seekable =
      false;  // read-ahead can be given back before a child process runs
  bool ended = false;
};
Input input;

void writeAll(const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(STDOUT_FILENO, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      output.failed = true;
      return;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

// A run stopped by a signal still shows what it printed before.
void flushOnSignal(int signal) {
  if (output.length > 0) {
    std::size_t length = output.length;
    output.length = 0;
    writeAll(output.buffer, length);
  }
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void initialiseOutput() {
  output.initialised = true;
  output.immediate = ::isatty(STDOUT_FILENO) == 1;
  if (!output.immediate) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
      ::signal(signal, flushOnSignal);
  }
}

bool fillInput() {
  if (!input.initialised) {
    input.initialised = true;
    struct stat info;
    input.seekable = ::fstat(STDIN_FILENO, &info) == 0 &&
                     S_ISREG(info.st_mode) &&
                     ::lseek(STDIN_FILENO, 0, SEEK_CUR) != -1;
  }
  if (input.ended) return false;
  // From a pipe or terminal, one byte at a time: what this process does not
  // read stays there for the next process that shares standard input.
  std::size_t want = input.seekable ? sizeof input.buffer : 1;
  for (;;) {
    ssize_t got = ::read(STDIN_FILENO, input.buffer, want);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      input.ended = true;
      return false;
    }
    input.position = 0;
    input.length = static_cast<std::size_t>(got);
    return true;
  }
}

}  // namespace

void consolePrint(std::string_view text) {
  if (text.empty()) return;
  if (!output.initialised) initialiseOutput();
  if (output.immediate) {
    writeAll(text.data(), text.size());
    return;
  }
  if (output.length + text.size() > sizeof output.buffer) {
    consoleFlush();
    if (text.size() > sizeof output.buffer) {
      writeAll(text.data(), text.size());
      return;
    }
  }
  std::memcpy(output.buffer + output.length, text.data(), text.size());
  output.length += text.size();
}

void consoleFlush() {
  if (output.length == 0) return;
  std::size_t length = output.length;
  output.length = 0;
  writeAll(output.buffer, length);
}

void consoleError(std::string_view text) {
  const char* data = text.data();
  std::size_t size = text.size();
  while (size > 0) {
    ssize_t written = ::write(STDERR_FILENO, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

std::optional<std::string> readLineFromConsole() {
  consoleFlush();
  std::string line;
  bool readAny = false;
  for (;;) {
    if (input.position == input.length && !fillInput()) break;
    readAny = true;
    const char* begin = input.buffer + input.position;
    const char* end = input.buffer + input.length;
    const auto* feed =
        static_cast<const char*>(std::memchr(begin, '\n', end - begin));
    if (feed != nullptr) {
      line.append(begin, feed);
      input.position += static_cast<std::size_t>(feed - begin) + 1;
      return isValidUtf8(line) ? std::optional<std::string>(std::move(line))
                               : std::nullopt;
    }
    line.append(begin, end);
    input.position = input.length;
  }
  if (!readAny || !isValidUtf8(line)) return std::nullopt;
  return line;
}

void consoleReleaseInput() {
  if (input.seekable && input.position < input.length) {
    ::lseek(STDIN_FILENO, -static_cast<off_t>(input.length - input.position),
            SEEK_CUR);
  }
  input.position = input.length = 0;
}

void consoleBeep() {
  int tty = ::open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) return;
  [[maybe_unused]] ssize_t written = ::write(tty, "\a", 1);
  ::close(tty);
}

void consoleWait() {
  consoleFlush();
  ::sleep(1);
}

std::optional<std::string> chomp(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isTrimmed(text[begin])) ++begin;
  while (end > begin && isTrimmed(text[end - 1])) --end;
  if (begin == end) return std::nullopt;
  return std::string(text.substr(begin, end - begin));
}

bool consoleFailed() { return output.failed; }

}  // namespace corvel
