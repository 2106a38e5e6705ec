// Reading a whole file into memory, as the loader needs its script.
#include "files/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/interrupt.h"
#include "base/io.h"
#include "files/large_memory.h"

namespace corvel {

std::optional<std::string> readWholeFile(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
  // Opening a named pipe waits for a writer; a signal that stops the run ends
  // the wait.
  int fd;
  while ((fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC)) < 0 &&
         errno == EINTR)
    stopIfRequested();
  if (fd < 0) return std::nullopt;
  std::optional<std::string> result;
  struct stat info;
  if (::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode)) {
    std::string bytes;
    BlockFiller filler;
    if (S_ISREG(info.st_mode)) {
      bytes.reserve(static_cast<std::size_t>(info.st_size));
      filler.start({bytes.data(), bytes.capacity(), 1});
    }
    char buffer[1 << 16];
    for (;;) {
      ssize_t got = readSome(fd, buffer, sizeof buffer);
      if (got <= 0) {
        // Part of a script is no script: a refused read gives nothing.
        if (got == 0) result = std::move(bytes);
        break;
      }
      // A file that grew since it was measured moves to a larger block: the
      // helper is stopped before the one it fills is given back.
      if (bytes.size() + static_cast<std::size_t>(got) > bytes.capacity())
        filler.finish();
      bytes.append(buffer, static_cast<std::size_t>(got));
      filler.reached(bytes.size());
    }
  }
  ::close(fd);
  return result;
}

}  // namespace corvel
