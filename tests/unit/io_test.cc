#include "base/io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

namespace corvel {
namespace {

// A pipe whose end `nonBlocking` (0 read, 1 write) says "try again" instead
// of waiting, as when another process sharing it set O_NONBLOCK.
struct Pipe {
  explicit Pipe(int nonBlocking) {
    EXPECT_EQ(::pipe(ends), 0);
    ::fcntl(ends[nonBlocking], F_SETFL,
            ::fcntl(ends[nonBlocking], F_GETFL) | O_NONBLOCK);
  }
  ~Pipe() {
    for (int end : ends) {
      if (end >= 0) ::close(end);
    }
  }
  void close(int end) {
    ::close(ends[end]);
    ends[end] = -1;
  }
  int ends[2] = {-1, -1};
};

TEST(Io, AReadWaitsForInputOnANonBlockingDescriptor) {
  Pipe pipe(0);
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(::write(pipe.ends[1], "late", 4), 4);
  });
  char buffer[16];
  ssize_t got = readSome(pipe.ends[0], buffer, sizeof buffer);
  writer.join();
  ASSERT_EQ(got, 4);
  EXPECT_EQ(std::string(buffer, 4), "late");
  pipe.close(1);
  EXPECT_EQ(readSome(pipe.ends[0], buffer, sizeof buffer), 0);
}

TEST(Io, AWriteWaitsForRoomOnANonBlockingDescriptor) {
  Pipe pipe(1);
  // Far more than the pipe holds, so the writer meets a full pipe many times.
  std::string text;
  for (int i = 0; text.size() < (1u << 20); ++i) text += std::to_string(i);
  std::string received;
  std::thread reader([&] {
    char buffer[4096];
    for (;;) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      ssize_t got = ::read(pipe.ends[0], buffer, sizeof buffer);
      if (got <= 0) break;
      received.append(buffer, static_cast<std::size_t>(got));
    }
  });
  WriteOutcome outcome = writeFully(pipe.ends[1], text.data(), text.size());
  EXPECT_EQ(outcome.error, 0);
  EXPECT_EQ(outcome.count, text.size());
  pipe.close(1);
  reader.join();
  EXPECT_EQ(received, text);
}

TEST(Io, RefusalsAreReportedNotRetried) {
  int full = ::open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  WriteOutcome outcome = writeFully(full, "lost", 4);
  EXPECT_EQ(outcome.count, 0u);
  EXPECT_EQ(outcome.error, ENOSPC);
  ::close(full);

  // Address 0 of the process is never mapped: reading it is an I/O error.
  int memory = ::open("/proc/self/mem", O_RDONLY);
  ASSERT_GE(memory, 0);
  char buffer[16];
  EXPECT_EQ(readSome(memory, buffer, sizeof buffer), -1);
  EXPECT_EQ(errno, EIO);
  ::close(memory);
}

}  // namespace
}  // namespace corvel
