#include "files/large_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace corvel {
namespace {

// The helper gives memory to the blocks from their ends while the loader
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
      filler.start(code.data(), code.capacity() * sizeof(std::uint32_t),
                   starts.data(), starts.capacity() * sizeof(std::uint32_t));
      for (std::uint32_t i = 0; i < code.capacity(); ++i) {
        code.push_back(i * 2654435761u);
        if (i % 4 == 0) starts.push_back(i);
      }
    }
    for (std::uint32_t i = 0; i < code.size(); ++i)
      ASSERT_EQ(code[i], i * 2654435761u) << megabytes << " MB, at " << i;
    for (std::uint32_t i = 0; i < starts.size(); ++i)
      ASSERT_EQ(starts[i], 4 * i) << megabytes << " MB, at " << i;
  }
}

// The loader stops the helper early when a script ends before its blocks are
// full, or fails to load, and a filler that never started has nothing to
// wait for.
TEST(BlockFiller, StopsEarlyAndWaitsOnlyForWhatStarted) {
  std::vector<char> block(64 << 20);
  BlockFiller filler;
  filler.start(block.data(), block.size());
  block[0] = 'x';
  filler.finish();
  filler.finish();
  EXPECT_EQ(block[0], 'x');
  EXPECT_EQ(block.back(), '\0');
  BlockFiller unused;
  unused.finish();
  BlockFiller empty;
  empty.start(nullptr, 0);
}

}  // namespace
}  // namespace corvel
