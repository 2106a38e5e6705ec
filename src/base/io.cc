// Reads and writes on descriptors as every layer needs them: interrupted calls
// retried unless a stop signal is pending, descriptors in non-blocking mode
// waited on, short transfers continued.
#include "base/io.h"

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "base/interrupt.h"

namespace corvel {

bool waitUntilReady(int descriptor, bool forWriting) {
  pollfd watched{descriptor, static_cast<short>(forWriting ? POLLOUT : POLLIN),
                 0};
  bool ready = false;
  {
    // The stop signals get in only while the wait sleeps, so one that
    // arrives just before it still ends it.
    StopSignalsBlocked blocked;
    while (pendingStop == 0) {
      int result = ::ppoll(&watched, 1, nullptr, &blocked.previous());
      if (result > 0) {
        ready = true;
        break;
      }
      if (result < 0 && errno == EINTR) continue;
      break;
    }
  }
  stopIfRequested();
  return ready;
}

void sleepOneSecond() {
  timespec end;
  ::clock_gettime(CLOCK_MONOTONIC, &end);
  end.tv_sec += 1;
  {
    StopSignalsBlocked blocked;
    while (pendingStop == 0) {
      timespec now;
      ::clock_gettime(CLOCK_MONOTONIC, &now);
      timespec left{end.tv_sec - now.tv_sec, end.tv_nsec - now.tv_nsec};
      if (left.tv_nsec < 0) {
        left.tv_nsec += 1000000000;
        --left.tv_sec;
      }
      if (left.tv_sec < 0) break;
      if (::ppoll(nullptr, 0, &left, &blocked.previous()) == 0) break;
      if (errno != EINTR) break;
    }
  }
  stopIfRequested();
}

ssize_t readSome(int descriptor, void* buffer, std::size_t size) {
  for (;;) {
    ssize_t got = ::read(descriptor, buffer, size);
    if (got >= 0) return got;
    if (errno == EINTR) {
      stopIfRequested();
      continue;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (waitUntilReady(descriptor, false)) continue;
      errno = EAGAIN;
    }
    return got;
  }
}

WriteOutcome writeFully(int descriptor, const char* data, std::size_t size) {
  WriteOutcome outcome;
  while (outcome.count < size) {
    // Checked before every write, which may block: a stop that is pending
    // ends the run now, with this text kept by the caller.
    if (pendingStop != 0) {
      outcome.error = EINTR;
      return outcome;
    }
    ssize_t written =
        ::write(descriptor, data + outcome.count, size - outcome.count);
    if (written > 0) {
      outcome.count += static_cast<std::size_t>(written);
      continue;
    }
    // Nothing written and no reason given: going on could go on for ever.
    if (written == 0) errno = EIO;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      pollfd watched{descriptor, POLLOUT, 0};
      if (::poll(&watched, 1, -1) >= 0 || errno == EINTR) continue;
      errno = EAGAIN;
    }
    outcome.error = errno;
    return outcome;
  }
  return outcome;
}

}  // namespace corvel
