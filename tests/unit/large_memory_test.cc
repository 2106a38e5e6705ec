#include "files/large_memory.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace corvel {
namespace {

// The helper gives memory to the blocks a little ahead of the loader, which
// writes them from their starts: whatever the order in which the two meet,
// every value written must be there afterwards, in both blocks.
TEST(BlockFiller, BlocksWrittenWhileFilledKeepEveryValue) {
  for (std::size_t megabytes : {1, 9, 33}) {
    std::vector<std::uint32_t> code;
    std::vector<std::uint32_t> starts;
    code.reserve(megabytes << 18);
    starts.reserve(megabytes << 16);
    {
      BlockFiller filler;
      filler.start({code.data(), code.capacity() * sizeof(std::uint32_t),
                    sizeof(std::uint32_t)},
                   {starts.data(), starts.capacity() * sizeof(std::uint32_t),
                    4 * sizeof(std::uint32_t)});
      for (std::uint32_t i = 0; i < code.capacity(); ++i) {
        code.push_back(i * 2654435761u);
        if (i % 4 == 0) starts.push_back(i);
        if (i % 4096 == 0) filler.reached(i);
      }
    }
    for (std::uint32_t i = 0; i < code.size(); ++i)
      ASSERT_EQ(code[i], i * 2654435761u) << megabytes << " MB, at " << i;
    for (std::uint32_t i = 0; i < starts.size(); ++i)
      ASSERT_EQ(starts[i], 4 * i) << megabytes << " MB, at " << i;
  }
}

// How many bytes of `data` .. `data` + `size` have memory.
std::size_t residentBytes(void* data, std::size_t size) {
  auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  std::vector<unsigned char> pages((size + page - 1) / page);
  EXPECT_EQ(::mincore(data, size, pages.data()), 0);
  std::size_t resident = 0;
  for (unsigned char flags : pages) resident += (flags & 1) ? page : 0;
  return resident;
}

// A block reserved for far more than the writer puts in it (a script whose
// literals hold many `;` has its statements counted high) gets memory only a
// little ahead of what is written, however long the helper is left running.
TEST(BlockFiller, FillsOnlyALittleAheadOfTheWriter) {
  constexpr std::size_t kSize = std::size_t{64} << 20;
  constexpr std::size_t kWritten = std::size_t{1} << 20;
  void* block = ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(block, MAP_FAILED);
  {
    BlockFiller filler;
    filler.start({block, kSize, 1});
    std::memset(block, 'x', kWritten);
    filler.reached(kWritten);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::size_t resident = residentBytes(block, kSize);
  // The written megabyte, the helper's lead of four huge pages, and the small
  // pages at both ends, at most a huge page each.
  EXPECT_LT(resident, std::size_t{16} << 20);
#ifdef MADV_POPULATE_WRITE
  // Where the kernel knows the request, the helper did run ahead.
  bool known =
      ::madvise(block, 1, MADV_POPULATE_WRITE) == 0 || errno != EINVAL;
  if (known) {
    EXPECT_GE(resident, std::size_t{8} << 20);
  }
#endif
  ::munmap(block, kSize);
}

// The loader stops the helper early when a script ends before its blocks are
// full, or fails to load, and a filler that never started has nothing to
// wait for.
TEST(BlockFiller, StopsEarlyAndWaitsOnlyForWhatStarted) {
  std::vector<char> block(64 << 20);
  BlockFiller filler;
  filler.start({block.data(), block.size(), 1});
  block[0] = 'x';
  filler.finish();
  filler.finish();
  EXPECT_EQ(block[0], 'x');
  EXPECT_EQ(block.back(), '\0');
  BlockFiller unused;
  unused.finish();
  BlockFiller empty;
  empty.start({});
}

}  // namespace
}  // namespace corvel
