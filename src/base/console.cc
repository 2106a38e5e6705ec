// The console: standard output for everything the interpreter prints, standard
// input for lines.
#include "base/console.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/fault.h"
#include "base/interrupt.h"
#include "base/sandbox.h"
#include "base/text.h"

namespace corvel {

namespace {

// Console state lives as long as the process: a run ends through _Exit.
struct Output {
  char buffer[1 << 16];
  std::size_t length = 0;
  bool initialised = false;
  bool immediate = false;  // a terminal wants every message at once
  bool failed = false;
};
Output output;

// How standard input is read. What this process reads ahead and does not use
// is lost to the next reader of the same input, unless it can be given back.
enum class InputKind : std::uint8_t {
  File,   // a regular file: read in blocks; the rest is given back by seeking
  Pipe,   // a pipe: looked at without taking (tee), taken as lines are used
  Other,  // a terminal or socket: one byte at a time
};

struct Input {
  char buffer[1 << 16];
  std::size_t position = 0;
  std::size_t length = 0;
  bool initialised = false;
  InputKind kind = InputKind::Other;
  // Whether a child process may read standard input after us; when not, any
  // input is read in blocks.
  bool shared = true;
  bool ended = false;
  // Pipe: the bytes in the buffer are still in the pipe; the ones before
  // `position` are taken out when the buffer is refilled or given back.
  bool peeked = false;
  int peekRead = -1;
  int peekWrite = -1;
  // A line that spans several reads is gathered here.
  std::string gathered;
};
Input input;

// Where printed text goes instead of standard output, when it is captured.
struct Capture {
  std::string* text = nullptr;
  std::size_t left = 0;
  bool cut = false;
};
Capture capture;

void keep(const char* data, std::size_t size) {
  if (size > capture.left) {
    size = capture.left;
    capture.cut = true;
  }
  capture.text->append(data, size);
  capture.left -= size;
}

void writeAll(const char* data, std::size_t size) {
  if (capture.text != nullptr) [[unlikely]] {
    keep(data, size);
    return;
  }
  while (size > 0) {
    ssize_t written = ::write(STDOUT_FILENO, data, size);
    if (written < 0) {
      if (errno == EINTR) {
        stopIfRequested();
        continue;
      }
      // A reader that went away, a full disk: the run ends as failed, once,
      // with the files it wrote flushed.
      bool first = !output.failed;
      output.failed = true;
      output.length = 0;
      if (first) endRun(1);
      return;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void initialiseOutput() {
  output.initialised = true;
  output.immediate = ::isatty(STDOUT_FILENO) == 1;
}

// Reads into `buffer` from `descriptor`, waiting through signals that do not
// stop the run; what a signal that stops it interrupts is abandoned.
ssize_t readSome(int descriptor, char* buffer, std::size_t size) {
  for (;;) {
    ssize_t got = ::read(descriptor, buffer, size);
    if (got >= 0 || errno != EINTR) return got;
    stopIfRequested();
  }
}

// Takes `count` bytes that were looked at out of the standard input pipe.
void take(std::size_t count) {
  char discard[1 << 12];
  while (count > 0) {
    ssize_t got = readSome(STDIN_FILENO, discard,
                           count < sizeof discard ? count : sizeof discard);
    if (got <= 0) return;
    count -= static_cast<std::size_t>(got);
  }
}

void initialiseInput() {
  input.initialised = true;
  struct stat info;
  if (::fstat(STDIN_FILENO, &info) != 0) return;
  if (S_ISREG(info.st_mode) && ::lseek(STDIN_FILENO, 0, SEEK_CUR) != -1) {
    input.kind = InputKind::File;
  } else if (S_ISFIFO(info.st_mode)) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) == 0) {
      input.kind = InputKind::Pipe;
      input.peekRead = ends[0];
      input.peekWrite = ends[1];
    }
  }
}

// Looks at the next bytes of the standard input pipe without taking them: a
// child process started later still finds what the script has not used.
bool peekPipe() {
  if (input.peeked) {
    take(input.length);
    input.peeked = false;
  }
  for (;;) {
    ssize_t got = ::tee(STDIN_FILENO, input.peekWrite, sizeof input.buffer, 0);
    if (got < 0 && errno == EINTR) {
      stopIfRequested();
      continue;
    }
    if (got < 0) {
      // Not a pipe after all: fall back to taking one byte at a time.
      input.kind = InputKind::Other;
      return false;
    }
    if (got == 0) {
      input.ended = true;
      return false;
    }
    std::size_t length = 0;
    while (length < static_cast<std::size_t>(got)) {
      ssize_t copied = readSome(input.peekRead, input.buffer + length,
                                static_cast<std::size_t>(got) - length);
      if (copied <= 0) break;
      length += static_cast<std::size_t>(copied);
    }
    input.position = 0;
    input.length = length;
    input.peeked = true;
    return length > 0;
  }
}

bool fillInput() {
  if (!input.initialised) initialiseInput();
  if (input.ended) return false;
  if (input.shared && input.kind == InputKind::Pipe) {
    if (peekPipe()) return true;
    if (input.ended) return false;
  }
  // A file is read in blocks and given back by seeking; input nobody else
  // will read is read in blocks too; anything else a byte at a time, so that
  // what this process does not read stays there.
  std::size_t want =
      input.kind == InputKind::File || !input.shared ? sizeof input.buffer : 1;
  ssize_t got = readSome(STDIN_FILENO, input.buffer, want);
  if (got <= 0) {
    input.ended = true;
    return false;
  }
  input.position = 0;
  input.length = static_cast<std::size_t>(got);
  return true;
}

}  // namespace

void consoleClaimStandardDescriptors() {
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
    int opened = ::open("/dev/null", O_RDONLY);
    if (opened >= 0 && opened != descriptor) {
      ::dup2(opened, descriptor);
      ::close(opened);
    }
  }
}

void consolePrint(std::string_view text) {
  if (text.empty() || output.failed) return;
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

bool consoleFailed() { return output.failed; }

void consoleShareInput(bool shared) { input.shared = shared; }

std::optional<std::string_view> readLineViewFromConsole() {
  consoleFlush();
  std::string& gathered = input.gathered;
  gathered.clear();
  bool readAny = false;
  bool spans = false;
  for (;;) {
    if (input.position == input.length && !fillInput()) break;
    readAny = true;
    const char* begin = input.buffer + input.position;
    std::size_t available = input.length - input.position;
    const auto* feed =
        static_cast<const char*>(std::memchr(begin, '\n', available));
    if (feed != nullptr) {
      auto length = static_cast<std::size_t>(feed - begin);
      input.position += length + 1;
      std::string_view line(begin, length);
      if (spans) {
        gathered.append(line);
        line = gathered;
      }
      if (!isValidUtf8(line)) return std::nullopt;
      return line;
    }
    gathered.append(begin, available);
    spans = true;
    input.position = input.length;
  }
  if (!readAny || !isValidUtf8(gathered)) return std::nullopt;
  return std::string_view(gathered);
}

std::size_t readBytesFromConsole(char* buffer, std::size_t size) {
  if (size == 0) return 0;
  if (input.position == input.length && !fillInput()) return 0;
  std::size_t count = std::min(size, input.length - input.position);
  std::memcpy(buffer, input.buffer + input.position, count);
  input.position += count;
  return count;
}

std::optional<std::string> readLineFromConsole() {
  std::optional<std::string_view> line = readLineViewFromConsole();
  if (!line) return std::nullopt;
  return std::string(*line);
}

void consoleReleaseInput() {
  if (input.kind == InputKind::File && input.position < input.length) {
    ::lseek(STDIN_FILENO, -static_cast<off_t>(input.length - input.position),
            SEEK_CUR);
  }
  if (input.peeked) {
    // Only what the script used leaves the pipe.
    take(input.position);
    input.peeked = false;
  }
  input.position = input.length = 0;
}

void consoleCapture(std::string* out, std::size_t limit) {
  output.length = 0;
  output.failed = false;
  output.immediate = false;
  // Captured text needs no look at standard output, and there is no input.
  output.initialised = out != nullptr;
  input.position = input.length = 0;
  input.initialised = out != nullptr;
  input.kind = InputKind::Other;
  input.ended = out != nullptr;
  input.peeked = false;
  capture = Capture{out, limit, false};
}

bool consoleCut() { return capture.cut; }

void consoleBeep() {
  if (sandbox.on) return;
  int tty = ::open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) return;
  [[maybe_unused]] ssize_t written = ::write(tty, "\a", 1);
  ::close(tty);
}

void consoleWait() {
  consoleFlush();
  if (sandbox.on) return;
  timespec left{1, 0};
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) stopIfRequested();
}

std::optional<std::string> chomp(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isTrimmed(text[begin])) ++begin;
  while (end > begin && isTrimmed(text[end - 1])) --end;
  if (begin == end) return std::nullopt;
  return std::string(text.substr(begin, end - begin));
}

}  // namespace corvel
