// The console: standard output for everything the interpreter prints, standard
// input for lines.
#include "base/console.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/fault.h"
#include "base/interrupt.h"
#include "base/io.h"
#include "base/sandbox.h"
#include "base/text.h"

namespace corvel {

namespace {

// Console state lives as long as the process: a run ends through _Exit.
struct Output {
  char buffer[1 << 16];
  // The bytes before `start` are written already.
  std::size_t start = 0;
  std::size_t length = 0;
  // A text written from where it lies (too long for the buffer, or for a
  // terminal): what of it is still to write. A stop that interrupts the write
  // finishes it from here.
  const char* direct = nullptr;
  std::size_t directLeft = 0;
  bool initialised = false;
  bool immediate = false;  // a terminal wants every message at once
  bool failed = false;
};
Output output;

// How standard input is read, chosen once, at the first read. Whatever the
// kind, the bytes the run does not use stay for the next reader of the same
// input (a child of `system`, the next command of a shell script), however the
// run ends.
enum class InputKind : std::uint8_t {
  File,      // a regular file: read in blocks; the rest given back by seeking
  Pipe,      // a pipe: looked at without taking (tee), taken as lines are used
  Socket,    // a stream socket: looked at with MSG_PEEK, taken as used
  Terminal,  // a terminal in canonical mode, which gives one line a read
  Bytes,     // anything else: one byte at a time
};

struct Input {
  char buffer[1 << 16];
  std::size_t position = 0;
  std::size_t length = 0;
  bool initialised = false;
  InputKind kind = InputKind::Bytes;
  bool ended = false;
  // Pipe and socket: the bytes in the buffer are still in the input; the ones
  // before `position` are taken out when the buffer is refilled or given
  // back.
  bool peeked = false;
  // Whether a look at the pipe has ever worked; until then a refusal means it
  // cannot be looked at, and bytes are read one at a time instead.
  bool peekWorked = false;
  int peekRead = -1;
  int peekWrite = -1;
  // Where the bytes that were used go when they are taken.
  int discard = -1;
  // A line that spans several reads is gathered here.
  std::string gathered;
  // Lines read so far, the ones that were not UTF-8 included, and the one the
  // latest read that gave no line dropped (0: that read met the end).
  std::uint64_t lines = 0;
  std::uint64_t dropped = 0;
  // Whether the latest line handed out is all ASCII.
  bool lineAscii = false;
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

// A reader that went away, a full disk: the run ends as failed, once, with
// the files it wrote flushed.
void outputRefused() {
  bool first = !output.failed;
  output.failed = true;
  output.start = output.length = 0;
  output.direct = nullptr;
  output.directLeft = 0;
  if (first) endRun(1);
}

// Writes the bytes of `data` from `done` to `size`, advancing `done` as they
// are written, so that the end of the run can finish what a stop interrupted.
void drain(const char* data, std::size_t& done, std::size_t size) {
  while (done < size) {
    WriteOutcome outcome = writeFully(STDOUT_FILENO, data + done, size - done);
    done += outcome.count;
    if (outcome.error == EINTR) stopForSignal();
    if (outcome.error != 0) {
      outputRefused();
      return;
    }
  }
}

void initialiseOutput() {
  output.initialised = true;
  output.immediate = ::isatty(STDOUT_FILENO) == 1;
}

void writeDirect(std::string_view text) {
  consoleFlush();
  if (output.failed) return;
  output.direct = text.data();
  output.directLeft = text.size();
  consoleFlush();
}

// Takes `count` bytes that were looked at out of standard input. They are
// there already, so this does not wait for a writer; it is also part of
// ending the run, so a stop signal does not interrupt it. The bytes go
// straight to /dev/null when the system can move them there without a copy;
// otherwise they are read over the buffer, whose bytes are all used by now.
void take(std::size_t count) {
  while (count > 0) {
    ssize_t got = -1;
    if (input.discard >= 0) {
      got = ::splice(STDIN_FILENO, nullptr, input.discard, nullptr, count,
                     SPLICE_F_MOVE);
      if (got < 0 && errno == EINVAL) {
        ::close(input.discard);
        input.discard = -1;
        continue;
      }
    } else {
      got = ::read(STDIN_FILENO, input.buffer,
                   std::min(count, sizeof input.buffer));
    }
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
      if (errno == EAGAIN) {
        pollfd watched{STDIN_FILENO, POLLIN, 0};
        ::poll(&watched, 1, 100);
      }
      continue;
    }
    if (got <= 0) return;
    count -= static_cast<std::size_t>(got);
  }
}

bool isStreamSocket(int descriptor) {
  int type = 0;
  socklen_t size = sizeof type;
  return ::getsockopt(descriptor, SOL_SOCKET, SO_TYPE, &type, &size) == 0 &&
         type == SOCK_STREAM;
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
      input.discard = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    }
  } else if (S_ISSOCK(info.st_mode) && isStreamSocket(STDIN_FILENO)) {
    input.kind = InputKind::Socket;
  } else if (S_ISCHR(info.st_mode)) {
    termios settings;
    if (::tcgetattr(STDIN_FILENO, &settings) == 0 &&
        (settings.c_lflag & ICANON) != 0)
      input.kind = InputKind::Terminal;
  }
}

// Takes the bytes of the last look out of the input: the run has used them.
void takeLookedAt() {
  if (!input.peeked) return;
  take(input.length);
  input.peeked = false;
}

// Looks at the next bytes of the standard input pipe without taking them.
// False at the end of input, or when the pipe cannot be looked at (then the
// kind has become Bytes).
bool peekPipe() {
  takeLookedAt();
  for (;;) {
    // Without waiting first: a wait, when one is needed, lets a stop signal
    // in only while it sleeps.
    ssize_t got = ::tee(STDIN_FILENO, input.peekWrite, sizeof input.buffer,
                        SPLICE_F_NONBLOCK);
    if (got < 0) {
      if (errno == EINTR) {
        stopIfRequested();
        continue;
      }
      if (errno == EAGAIN && waitUntilReady(STDIN_FILENO, false)) continue;
      if (!input.peekWorked) {
        // Nothing was looked at yet, so nothing is lost by reading a byte at
        // a time from here on.
        input.kind = InputKind::Bytes;
        return false;
      }
      input.ended = true;
      return false;
    }
    if (got == 0) {
      input.ended = true;
      return false;
    }
    input.peekWorked = true;
    std::size_t length = 0;
    while (length < static_cast<std::size_t>(got)) {
      ssize_t copied = ::read(input.peekRead, input.buffer + length,
                              static_cast<std::size_t>(got) - length);
      if (copied < 0 && errno == EINTR) continue;
      if (copied <= 0) break;
      length += static_cast<std::size_t>(copied);
    }
    if (length < static_cast<std::size_t>(got)) {
      // The private pipe lost bytes it was given: what is left in it would
      // be read as the next look, out of order, so nothing more is read.
      input.ended = true;
      return false;
    }
    input.position = 0;
    input.length = length;
    input.peeked = true;
    return true;
  }
}

bool peekSocket() {
  takeLookedAt();
  for (;;) {
    ssize_t got = ::recv(STDIN_FILENO, input.buffer, sizeof input.buffer,
                         MSG_PEEK | MSG_DONTWAIT);
    if (got < 0 && errno == EINTR) {
      stopIfRequested();
      continue;
    }
    if (got < 0 && errno == EAGAIN && waitUntilReady(STDIN_FILENO, false))
      continue;
    if (got <= 0) {
      input.ended = true;
      return false;
    }
    input.position = 0;
    input.length = static_cast<std::size_t>(got);
    input.peeked = true;
    return true;
  }
}

bool fillInput() {
  if (!input.initialised) initialiseInput();
  if (input.ended) return false;
  if (input.kind == InputKind::Pipe) {
    if (peekPipe()) return true;
    if (input.ended) return false;
  } else if (input.kind == InputKind::Socket) {
    return peekSocket();
  }
  // A file is read in blocks and given back by seeking, and a terminal gives
  // at most one line a read; anything else a byte at a time, so that what
  // this process does not use stays there.
  std::size_t want =
      input.kind == InputKind::Bytes ? std::size_t{1} : sizeof input.buffer;
  // A terminal or device is waited on first, so that a stop signal that
  // comes just before the read still ends it; a file never waits.
  if (input.kind != InputKind::File) waitUntilReady(STDIN_FILENO, false);
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
  // Printing may wait for the reader, and what is printed after a stop would
  // reach it: a pending stop ends the run first.
  stopIfRequested();
  if (text.empty() || output.failed) return;
  if (capture.text != nullptr) [[unlikely]] {
    keep(text.data(), text.size());
    return;
  }
  if (!output.initialised) initialiseOutput();
  if (output.immediate || text.size() > sizeof output.buffer) {
    writeDirect(text);
    return;
  }
  if (output.length + text.size() > sizeof output.buffer) consoleFlush();
  std::memcpy(output.buffer + output.length, text.data(), text.size());
  output.length += text.size();
}

void consoleFlush() {
  if (output.length > 0) {
    drain(output.buffer, output.start, output.length);
    output.start = output.length = 0;
  }
  if (output.directLeft > 0) {
    std::size_t done = 0;
    const char* data = output.direct;
    std::size_t size = output.directLeft;
    // Progress is kept in the state as it is made, for a stop to finish.
    while (done < size && output.directLeft > 0) {
      WriteOutcome outcome =
          writeFully(STDOUT_FILENO, data + done, size - done);
      done += outcome.count;
      output.direct = data + done;
      output.directLeft = size - done;
      if (outcome.error == EINTR) stopForSignal();
      if (outcome.error != 0) outputRefused();
    }
    output.direct = nullptr;
    output.directLeft = 0;
  }
}

void consoleError(std::string_view text) {
  const char* data = text.data();
  std::size_t size = text.size();
  while (size > 0) {
    ssize_t written = ::write(STDERR_FILENO, data, size);
    if (written < 0 && errno == EINTR) continue;
    // Standard error in non-blocking mode: waited on, as people read it.
    if (written < 0 && errno == EAGAIN) {
      pollfd watched{STDERR_FILENO, POLLOUT, 0};
      if (::poll(&watched, 1, -1) >= 0 || errno == EINTR) continue;
    }
    if (written <= 0) return;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

bool consoleFailed() { return output.failed; }

std::optional<std::string_view> readLineViewFromConsole() {
  stopIfRequested();
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
      ++input.lines;
      std::string_view line(begin, length);
      if (spans) {
        gathered.append(line);
        line = gathered;
      }
      Utf8Check check = checkUtf8(line);
      if (!check.valid) {
        input.dropped = input.lines;
        return std::nullopt;
      }
      input.lineAscii = check.ascii;
      return line;
    }
    gathered.append(begin, available);
    spans = true;
    input.position = input.length;
  }
  if (!readAny) {
    input.dropped = 0;
    return std::nullopt;
  }
  ++input.lines;
  Utf8Check check = checkUtf8(gathered);
  if (!check.valid) {
    input.dropped = input.lines;
    return std::nullopt;
  }
  input.lineAscii = check.ascii;
  return std::string_view(gathered);
}

std::optional<std::string> readLineFromConsole() {
  std::optional<std::string_view> line = readLineViewFromConsole();
  if (!line) return std::nullopt;
  return std::string(*line);
}

bool consoleLineIsAscii() { return input.lineAscii; }

std::uint64_t consoleDroppedLine() { return input.dropped; }

void consoleReleaseInput() {
  if (input.kind == InputKind::File && input.position < input.length) {
    ::lseek(STDIN_FILENO, -static_cast<off_t>(input.length - input.position),
            SEEK_CUR);
  }
  if (input.peeked) {
    // Only what the script used leaves the pipe or socket.
    take(input.position);
    input.peeked = false;
  }
  input.position = input.length = 0;
}

void consoleCapture(std::string* out, std::size_t limit) {
  output.start = output.length = 0;
  output.direct = nullptr;
  output.directLeft = 0;
  output.failed = false;
  output.immediate = false;
  // Captured text needs no look at standard output, and there is no input.
  output.initialised = out != nullptr;
  input.position = input.length = 0;
  input.initialised = out != nullptr;
  input.kind = InputKind::Bytes;
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
  stopIfRequested();
  consoleFlush();
  if (sandbox.on) return;
  sleepOneSecond();
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
