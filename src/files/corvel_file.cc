// The text-file handle held by every file variable: open, read, write, test for
// end, close.
#include "files/corvel_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/console.h"
#include "base/fault.h"
#include "base/interrupt.h"
#include "base/io.h"
#include "base/sandbox.h"
#include "base/text.h"
#include "files/corvel_dir.h"

namespace corvel {

namespace {

// Head of the list of handles that own a descriptor. Plain data: it outlives
// every handle.
CorvelFile* openHandles = nullptr;

// Reads and writes reach the system in blocks of this size.
constexpr std::size_t kBlock = std::size_t{1} << 16;

// Removes the zero bytes of `text`: lines are text, and text has none.
void dropZeros(std::string& text) {
  if (std::memchr(text.data(), 0, text.size()) == nullptr) return;
  text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
}

// Writes `text` to `descriptor`; the bytes not written are left in `rest`.
// Returns the error that stopped it, or 0; EINTR means a stop signal is
// pending.
int writeOut(int descriptor, std::string_view text, std::string_view& rest) {
  if (sandbox.on) [[unlikely]]
    text = text.substr(0, sandboxFileBytes(text.size()));
  WriteOutcome outcome = writeFully(descriptor, text.data(), text.size());
  rest = text.substr(outcome.count);
  return outcome.error;
}

}  // namespace

CorvelFile::~CorvelFile() {
  if (descriptor_ >= 0) closeDescriptor();
}

void CorvelFile::link() {
  nextOpen_ = openHandles;
  previousOpen_ = nullptr;
  if (openHandles != nullptr) openHandles->previousOpen_ = this;
  openHandles = this;
}

void CorvelFile::unlink() {
  if (previousOpen_ != nullptr) {
    previousOpen_->nextOpen_ = nextOpen_;
  } else if (openHandles == this) {
    openHandles = nextOpen_;
  }
  if (nextOpen_ != nullptr) nextOpen_->previousOpen_ = previousOpen_;
  previousOpen_ = nextOpen_ = nullptr;
}

void CorvelFile::flush() {
  if (method_ == 'r' || buffer_.empty()) return;
  // Console text printed before this file text reaches the system first, in
  // case both go to the same place.
  consoleFlush();
  std::string_view rest;
  int error = writeOut(descriptor_, buffer_, rest);
  if (error == EINTR) {
    // The end of the run writes what is left, after the console text.
    buffer_.erase(0, buffer_.size() - rest.size());
    stopForSignal();
  }
  buffer_.clear();
  if (error != 0) refused();
}

void CorvelFile::closeDescriptor() {
  flush();
  unlink();
  int descriptor = descriptor_;
  descriptor_ = -1;
  buffer_.clear();
  line_.clear();
  if (::close(descriptor) != 0 && errno != EINTR && method_ != 'r') refused();
}

void CorvelFile::refused() {
  unlink();
  if (descriptor_ >= 0) {
    ::close(descriptor_);
    descriptor_ = -1;
  }
  buffer_.clear();
  failAt(writer_, "\nCannot write to file: " + path_ + "\n", 1);
}

void CorvelFile::openFile(std::string_view path, std::string_view mode) {
  if (isOpen_) {
    if (descriptor_ >= 0) closeDescriptor();
    isOpen_ = false;
  }
  isDone_ = false;
  if (mode != "w" && mode != "r" && mode != "a") {
    die("Unknow open method.  Please consult documentation.");
  }
  path_ = std::string(path);
  endMet_ = false;
  buffer_.clear();
  position_ = 0;
  // A path that names nothing is as missing as a file that is not there.
  int openError = ENOENT;
  if (!namesNothing(path_)) {
    int flags = O_CLOEXEC;
    if (mode == "r") {
      flags |= O_RDONLY;
    } else if (mode == "w") {
      flags |= O_WRONLY | O_CREAT | O_TRUNC;
    } else {
      flags |= O_WRONLY | O_CREAT | O_APPEND;
    }
    // Opening a named pipe waits for the other end; a stop signal ends the
    // wait and the run.
    while ((descriptor_ = ::open(path_.c_str(), flags, 0666)) < 0 &&
           errno == EINTR)
      stopIfRequested();
    if (descriptor_ < 0) openError = errno;
    // A directory opens for reading but gives no bytes: it reads as a path
    // that could not be opened, so that only real read errors are reported.
    struct stat info;
    if (descriptor_ >= 0 && mode == "r" && ::fstat(descriptor_, &info) == 0 &&
        S_ISDIR(info.st_mode)) {
      ::close(descriptor_);
      descriptor_ = -1;
      openError = EISDIR;
    }
    if (descriptor_ >= 0) {
      link();
      onFlush(flushOpenFiles);
    }
  }
  isOpen_ = true;
  method_ = mode[0];
  if (method_ == 'r' && notesWanted()) [[unlikely]]
    noteUnreadable(descriptor_ < 0 ? openError : 0);
}

void CorvelFile::noteUnreadable(int error) const {
  // A file that cannot be opened reads as empty, and so does a folder (opened,
  // then let go as one that could not be).
  if (error == 0) return;
  note("fopen cannot read '" + path_ + "' (" + std::strerror(error) +
       "); it reads as empty");
}

void CorvelFile::closeFile() {
  if (isOpen_) {
    if (descriptor_ >= 0) closeDescriptor();
    isOpen_ = false;
  }
  isDone_ = true;
  path_.clear();
}

bool CorvelFile::fill() {
  if (endMet_) return false;
  buffer_.resize(kBlock);
  ssize_t got = readSome(descriptor_, buffer_.data(), kBlock);
  position_ = 0;
  if (got < 0) {
    // Taking a failed read for the end would hand the script part of the file
    // as if it were all of it.
    buffer_.clear();
    die("Cannot read file: " + path_);
  }
  if (got == 0) {
    // The end stays met, as for a stream.
    endMet_ = true;
    buffer_.clear();
    return false;
  }
  buffer_.resize(static_cast<std::size_t>(got));
  return true;
}

std::optional<std::string_view> CorvelFile::readLine() {
  if (!isOpen_) return std::nullopt;
  if (method_ != 'r') die("File not opened for writing.");
  line_.clear();
  lineAscii_ = false;
  if (descriptor_ < 0) {
    isDone_ = true;
    return std::string_view(line_);
  }
  bool gathered = false;
  for (;;) {
    if (position_ == buffer_.size() && !fill()) {
      isDone_ = true;
      break;
    }
    const char* begin = buffer_.data() + position_;
    std::size_t available = buffer_.size() - position_;
    const auto* feed =
        static_cast<const char*>(std::memchr(begin, '\n', available));
    if (feed == nullptr) {
      line_.append(begin, available);
      position_ = buffer_.size();
      gathered = true;
      continue;
    }
    auto length = static_cast<std::size_t>(feed - begin);
    position_ += length + 1;
    std::string_view piece(begin, length);
    // Most lines sit whole in the block: hand out a view of it.
    if (!gathered && std::memchr(begin, 0, length) == nullptr) {
      Utf8Check check = checkUtf8(piece);
      if (!check.valid) return std::nullopt;
      lineAscii_ = check.ascii;
      return piece;
    }
    line_.append(piece);
    break;
  }
  dropZeros(line_);
  Utf8Check check = checkUtf8(line_);
  if (!check.valid) return std::nullopt;
  lineAscii_ = check.ascii;
  return std::string_view(line_);
}

std::optional<std::string> CorvelFile::readAmountOfCharacters(
    std::int32_t count) {
  if (!isOpen_) return std::nullopt;
  std::string text;
  if (count <= 0) return text;
  // A handle without a file, or one open for writing, meets its end at once;
  // its file is not touched, so later writes and the close still report only
  // real refusals.
  if (method_ != 'r' || descriptor_ < 0) {
    isDone_ = true;
    return text;
  }
  auto remaining = static_cast<std::size_t>(count);
  while (remaining > 0) {
    if (position_ == buffer_.size() && !fill()) {
      isDone_ = true;
      break;
    }
    std::size_t take = std::min(remaining, buffer_.size() - position_);
    text.append(buffer_, position_, take);
    position_ += take;
    remaining -= take;
  }
  dropZeros(text);
  if (!isValidUtf8(text)) return std::nullopt;
  return text;
}

void CorvelFile::writeBufferToFile(std::string_view text) {
  if (method_ != 'w' && method_ != 'a') die("File not opened for writing.");
  if (!isOpen_ || descriptor_ < 0)
    die("Cannot write to file that is not open.");
  if (text.empty()) return;
  if (buffer_.size() + text.size() > kBlock) {
    flush();
    if (text.size() >= kBlock) {
      writer_ = runningStatement();
      consoleFlush();
      std::string_view rest;
      int error = writeOut(descriptor_, text, rest);
      if (error == EINTR) {
        buffer_.assign(rest);
        stopForSignal();
      }
      if (error != 0) refused();
      return;
    }
  }
  // A refusal found later is blamed on the statement whose text the buffer
  // holds first: from there on, the text was lost.
  if (buffer_.empty()) writer_ = runningStatement();
  buffer_.append(text);
}

void CorvelFile::die(std::string_view message) {
  std::string framed;
  framed.reserve(message.size() + 2);
  framed += '\n';
  framed += message;
  framed += '\n';
  fail(framed, 1);
}

void flushOpenFiles() {
  // A refused handle leaves the list before the run ends, so the flush at the
  // end does not report it a second time.
  for (CorvelFile* handle = openHandles; handle != nullptr;
       handle = handle->nextOpen_) {
    handle->flush();
  }
}

}  // namespace corvel
