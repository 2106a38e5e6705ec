// The text-file handle held by every file variable: open, read, write, test for
// end, close.
#include "files/corvel_file.h"

#include "interpreter/console.h"
#include "values/text.h"

namespace corvel {

namespace {

// Head of the list of handles that own a stream. Plain data: it outlives every
// handle.
CorvelFile* openHandles = nullptr;

std::optional<std::string> decoded(std::string&& bytes) {
  if (!isValidUtf8(bytes)) return std::nullopt;
  return std::move(bytes);
}

}  // namespace

CorvelFile::~CorvelFile() {
  if (stream_) closeStream();
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

void CorvelFile::closeStream() {
  unlink();
  std::FILE* stream = stream_.release();
  if (std::fclose(stream) != 0 && method_ != 'r') refused();
}

void CorvelFile::refused() {
  unlink();
  die("Cannot write to file: " + path_);
}

void CorvelFile::openFile(std::string_view path, std::string_view mode) {
  if (isOpen_) {
    if (stream_) closeStream();
    isOpen_ = false;
  }
  isDone_ = false;
  if (mode != "w" && mode != "r" && mode != "a") {
    die("Unknow open method.  Please consult documentation.");
  }
  path_ = std::string(path);
  // A path with a zero byte inside names no file; the system would see only its
  // first part.
  if (path_.find('\0') == std::string::npos) {
    stream_.reset(std::fopen(path_.c_str(), std::string(mode).c_str()));
    if (stream_) {
      std::setvbuf(stream_.get(), nullptr, _IOFBF, 1 << 16);
      link();
    }
  }
  isOpen_ = true;
  method_ = mode[0];
}

void CorvelFile::closeFile() {
  if (isOpen_) {
    if (stream_) closeStream();
    isOpen_ = false;
  }
  isDone_ = true;
  path_.clear();
}

std::optional<std::string> CorvelFile::readLine() {
  if (!isOpen_) return std::nullopt;
  if (method_ != 'r') die("File not opened for writing.");
  std::string line;
  if (!stream_) {
    isDone_ = true;
    return line;
  }
  std::FILE* stream = stream_.get();
  for (;;) {
    int byte = getc_unlocked(stream);
    if (byte == EOF) {
      isDone_ = true;
      break;
    }
    if (byte == '\n') break;
    // Zero bytes are dropped: lines are text.
    if (byte != 0) line.push_back(static_cast<char>(byte));
  }
  return decoded(std::move(line));
}

std::optional<std::string> CorvelFile::readAmountOfCharacters(
    std::int32_t count) {
  if (!isOpen_) return std::nullopt;
  std::string text;
  if (count <= 0) return text;
  if (!stream_) {
    isDone_ = true;
    return text;
  }
  std::FILE* stream = stream_.get();
  for (std::int32_t i = 0; i < count; ++i) {
    int byte = getc_unlocked(stream);
    if (byte == EOF) {
      isDone_ = true;
      break;
    }
    if (byte != 0) text.push_back(static_cast<char>(byte));
  }
  return decoded(std::move(text));
}

void CorvelFile::writeBufferToFile(std::string_view text) {
  if (method_ != 'w' && method_ != 'a') die("File not opened for writing.");
  if (!isOpen_ || !stream_) die("Cannot write to file that is not open.");
  if (std::fwrite(text.data(), 1, text.size(), stream_.get()) != text.size() ||
      std::ferror(stream_.get()) != 0) {
    refused();
  }
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
    if (handle->method_ != 'r' && std::fflush(handle->stream_.get()) != 0)
      handle->refused();
  }
}

}  // namespace corvel
