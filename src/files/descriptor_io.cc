// Reads, writes and opens on file descriptors that see a call through the
// system's interruptions.
#include "files/descriptor_io.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "base/interrupt.h"

namespace corvel {

namespace {

// Waits until `descriptor` is ready for `events`, after a call that would have
// blocked: a descriptor in non-blocking mode (shared with another process that
// set it) says "try again" instead of waiting. False when it cannot wait, with
// errno as the original call left it.
bool waitUntilReady(int descriptor, short events) {
  pollfd watched{descriptor, events, 0};
  for (;;) {
    if (::poll(&watched, 1, -1) >= 0) return true;
    if (errno != EINTR) {
      errno = EAGAIN;
      return false;
    }
    stopIfRequested();
  }
}

}  // namespace

ssize_t readDescriptor(int descriptor, char* buffer, std::size_t size) {
  for (;;) {
    ssize_t got = ::read(descriptor, buffer, size);
    if (got >= 0) return got;
    if (errno == EINTR) {
      stopIfRequested();
    } else if (errno != EAGAIN || !waitUntilReady(descriptor, POLLIN)) {
      return -1;
    }
  }
}

bool writeDescriptor(int descriptor, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(descriptor, data, size);
    if (written < 0) {
      // An interrupted write is made again: the text is written out whole
      // first.
      if (errno == EINTR) continue;
      if (errno == EAGAIN && waitUntilReady(descriptor, POLLOUT)) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

int openDescriptor(const char* path, int flags, mode_t mode) {
  for (;;) {
    int descriptor = ::open(path, flags, mode);
    if (descriptor >= 0 || errno != EINTR) return descriptor;
    stopIfRequested();
  }
}

}  // namespace corvel
