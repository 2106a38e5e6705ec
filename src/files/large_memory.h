// Advice to the kernel about the few large blocks a long script needs.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace corvel {

// Asks the kernel to back the part of the block `data` .. `data` + `size` that
// whole huge pages cover with huge pages, where it offers them. A script of a
// million lines fills tens of megabytes at once, and touching them a small
// page at a time costs more than compiling them. Does nothing for a small
// block, or where the advice is not known.
void adviseLargeBlock(void* data, std::size_t size);

// Gives the blocks of a long script their memory on the other core while this
// one fills them from their start. Memory the kernel has to clear before first
// use costs as much as the compiling on a virtual machine that has lain idle,
// and the two can overlap. The helper keeps a few huge pages ahead of the
// writer, never further: a block reserved for more than it turns out to hold
// (the instructions of a script whose literals hold many `;`) is not filled
// beyond what is written. Where no helper can be started, the blocks are left
// to the faults.
class BlockFiller {
 public:
  // A block that the writer fills from its start, `unit` bytes an item.
  struct Block {
    void* data = nullptr;
    std::size_t size = 0;
    std::size_t unit = 1;
  };

  BlockFiller() = default;
  BlockFiller(const BlockFiller&) = delete;
  BlockFiller& operator=(const BlockFiller&) = delete;
  // Stops the helper and waits for it.
  ~BlockFiller() { finish(); }

  // Advises each block as `adviseLargeBlock` does, then starts filling those
  // of several huge pages. Called once.
  void start(Block first, Block second);
  void start(Block only) { start(only, Block{nullptr, 0, 1}); }
  // The writer has written `items` items of every block.
  void reached(std::size_t items) {
    written_.store(items, std::memory_order_relaxed);
  }
  // Stops the helper after the huge page it is on, and waits for it.
  void finish();

 private:
  struct Range {
    std::uintptr_t origin = 0;  // where the block starts
    std::uintptr_t next = 0;    // the next huge page to fill
    std::uintptr_t end = 0;
    std::size_t unit = 1;
  };
  static void* work(void* self);

  Range ranges_[2];
  std::atomic<std::size_t> written_{0};
  std::atomic<bool> stop_{false};
  pthread_t thread_{};
  bool running_ = false;
};

}  // namespace corvel
