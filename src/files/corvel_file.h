// The text-file handle held by every file variable: open, read, write, test for
// end, close.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/fault.h"

namespace corvel {

// A handle owns one file descriptor and its own buffer, so that it decides when
// its text reaches the system: never before console text printed earlier, and
// in large blocks otherwise.
class CorvelFile {
 public:
  CorvelFile() = default;
  CorvelFile(const CorvelFile&) = delete;
  CorvelFile& operator=(const CorvelFile&) = delete;
  // A handle that nobody holds any more closes its file, so its text is not
  // lost.
  ~CorvelFile();

  bool isOpen() const { return isOpen_; }
  bool isDone() const { return isDone_; }
  // The first character of the latest open's mode, or 0 for a handle never
  // opened.
  char method() const { return method_; }
  // The path of the latest open; empty before the first open and after a close.
  const std::string& path() const { return path_; }

  // Opens `path` with `mode` ("r", "w" or "a"), closing the file still open
  // first. Any other mode ends the run. A path the system cannot open (or a
  // directory, for reading) still marks the handle open: reads then meet end
  // of file at once and writes end the run.
  void openFile(std::string_view path, std::string_view mode);
  // Closes the file if one is open, marks the handle done and forgets its
  // path. Closing a handle that is not open is no fault.
  void closeFile();
  // Reads one line without its line feed, dropping zero bytes. Gives no string
  // on a handle that is not open or when the bytes are not UTF-8; ends the run
  // when the handle was not opened for reading or the system refuses the
  // read. The view lasts until the next read through this handle.
  std::optional<std::string_view> readLine();
  // Whether the line the latest readLine gave is all ASCII.
  bool lineIsAscii() const { return lineAscii_; }
  // Reads up to `count` bytes, dropping zero bytes. Gives no string on a handle
  // that is not open or when the bytes are not UTF-8, and the empty string for
  // a `count` of 0 or less. A handle open for writing gives the empty string
  // and is done, without touching its file. A refused read ends the run.
  std::optional<std::string> readAmountOfCharacters(std::int32_t count);
  // Writes the bytes of `text`; ends the run unless the handle is open for
  // writing.
  void writeBufferToFile(std::string_view text);

  // Prints `message` framed by line feeds and ends the run with status 1.
  [[noreturn]] static void die(std::string_view message);

 private:
  friend void flushOpenFiles();

  // Gives a run-time note when the file just opened for reading cannot be
  // read: `error` is why it could not be opened (EISDIR for a directory), 0
  // when it was.
  void noteUnreadable(int error) const;
  // Hands the buffered text to the system, console text first; a refusal ends
  // the run with "Cannot write to file: PATH".
  void flush();
  // Closes the descriptor, flushing first; reports a refusal as `flush` does.
  void closeDescriptor();
  // Reads the next block into the buffer; false at end of file (which stays
  // met, as for a stream). A read the system refuses ends the run with
  // "Cannot read file: PATH".
  bool fill();
  // Ends the run because the system refused this handle's text, naming the
  // statement that wrote the first text refused. The handle leaves the list of
  // open ones first, so the end of the run does not report it a second time.
  [[noreturn]] void refused();
  void link();
  void unlink();

  bool isOpen_ = false;
  bool isDone_ = false;
  bool lineAscii_ = false;
  char method_ = 0;
  std::string path_;
  int descriptor_ = -1;
  bool endMet_ = false;
  // Read: bytes from `position_` to `buffer_.size()` are unread. Write: the
  // bytes not yet handed to the system.
  std::string buffer_;
  std::size_t position_ = 0;
  // The statement that wrote the first text the buffer holds: a refusal found
  // later, as the run ends, is named after it.
  std::uint32_t writer_ = kRunningStatement;
  // A line that spans several blocks is gathered here.
  std::string line_;
  // Handles with a descriptor form a list, so the end of the run can flush
  // every one of them.
  CorvelFile* previousOpen_ = nullptr;
  CorvelFile* nextOpen_ = nullptr;
};

// Writes out what every open handle holds, as the run ends or before another
// process may read the files; a refused write ends the run with "Cannot write
// to file: PATH".
void flushOpenFiles();

}  // namespace corvel
