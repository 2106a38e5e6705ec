// Reads, writes and opens on file descriptors that see a call through the
// system's interruptions: a call cut short by a signal is made again, one that
// would block waits until it can go on, and a short write is continued.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace corvel {

// Reads up to `size` bytes from `descriptor` into `buffer`. Returns how many
// were read, 0 at the end, or -1 with errno set when the system refuses. A
// signal that asks the run to stop ends it instead of the read.
ssize_t readDescriptor(int descriptor, char* buffer, std::size_t size);

// Writes all `size` bytes of `data` to `descriptor`; false, with errno set,
// when the system refuses them.
bool writeDescriptor(int descriptor, const char* data, std::size_t size);

// Opens `path` with `flags` (and `mode` for a file it creates); -1 with errno
// set on a refusal. A named pipe waits for its other end; a signal that asks
// the run to stop ends that wait and the run.
int openDescriptor(const char* path, int flags, mode_t mode = 0);

}  // namespace corvel
