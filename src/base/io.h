// Reads and writes on descriptors as every layer needs them: interrupted calls
// retried unless a stop signal is pending, descriptors in non-blocking mode
// waited on, short transfers continued.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace corvel {

// Reads up to `size` bytes from `descriptor` into `buffer`, as read(2) does,
// except that it waits through EAGAIN and through signals that do not stop
// the run; a stop signal ends the run (nothing read is lost by that).
ssize_t readSome(int descriptor, void* buffer, std::size_t size);

// Waits until `descriptor` can be read (`forWriting` false) or written; a
// stop signal ends the run, also one that arrives just before the wait. False
// when the descriptor cannot be waited on.
bool waitUntilReady(int descriptor, bool forWriting);

// Sleeps one second; a stop signal ends the run, also one that arrives just
// before the sleep.
void sleepOneSecond();

// How a write of a block ended: `count` bytes were written, and `error` is 0
// when that is all of them, EINTR when a stop signal is pending (the caller
// keeps the rest and stops), or the error the system gave.
struct WriteOutcome {
  std::size_t count = 0;
  int error = 0;
};

// Writes `size` bytes from `data` to `descriptor`, continuing short writes and
// waiting through EAGAIN and through signals that do not stop the run.
WriteOutcome writeFully(int descriptor, const char* data, std::size_t size);

}  // namespace corvel
