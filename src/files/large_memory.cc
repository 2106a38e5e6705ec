// Advice to the kernel about the few large blocks a long script needs.
#include "files/large_memory.h"

#include <signal.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace corvel {

void adviseLargeBlock(void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
  // The usual huge page; below one the advice gains nothing.
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  if (data == nullptr || size < kHuge) return;
  long page = ::sysconf(_SC_PAGESIZE);
  if (page <= 0) return;
  auto step = static_cast<std::uintptr_t>(page);
  auto begin = reinterpret_cast<std::uintptr_t>(data);
  std::uintptr_t first = (begin + step - 1) / step * step;
  std::uintptr_t last = (begin + size) / step * step;
  if (last <= first) return;
  // Advice only: a kernel without huge pages refuses it, and nothing changes.
  ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
  // A block rarely starts or ends on a huge page boundary: the parts before
  // the first boundary and after the last are small pages, which would each
  // cost a fault of their own when first written (a thousand of them for a
  // million lines, a tenth of the time to load them). The block is written
  // from its start and filled to near its end, so both parts are filled here
  // at once; a kernel that does not know the advice leaves them to the faults.
  std::uintptr_t hugeFirst = (first + kHuge - 1) / kHuge * kHuge;
  std::uintptr_t hugeLast = last / kHuge * kHuge;
  auto fill = [](std::uintptr_t from, std::uintptr_t to) {
    if (to > from)
      ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
  };
  if (hugeFirst >= hugeLast) {
    fill(first, last);
  } else {
    fill(first, hugeFirst);
    fill(hugeLast, last);
  }
#endif
#else
  (void)data;
  (void)size;
#endif
}

namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
// Below this much memory in all, starting a helper costs more than it saves.
constexpr std::uintptr_t kWorthAHelper = 4 * kHugePage;
// How far the helper runs ahead of the writer: enough that the writer does
// not catch up while a page is cleared, little enough to waste nothing much.
constexpr std::uintptr_t kLead = 4 * kHugePage;

}  // namespace

void BlockFiller::start(Block first, Block second) {
  adviseLargeBlock(first.data, first.size);
  adviseLargeBlock(second.data, second.size);
#ifdef MADV_POPULATE_WRITE
  std::uintptr_t total = 0;
  const Block blocks[2] = {first, second};
  for (int i = 0; i < 2; ++i) {
    const Block& block = blocks[i];
    if (block.data == nullptr || block.size < kWorthAHelper / 2) continue;
    auto begin = reinterpret_cast<std::uintptr_t>(block.data);
    // Whole huge pages only: the ends are filled by `adviseLargeBlock`.
    Range& range = ranges_[i];
    range.origin = begin;
    range.next = (begin + kHugePage - 1) / kHugePage * kHugePage;
    range.end = (begin + block.size) / kHugePage * kHugePage;
    range.unit = block.unit;
    if (range.end <= range.next) range = Range{};
    total += range.end - range.next;
  }
  if (total < kWorthAHelper) return;
  pthread_attr_t attributes;
  if (::pthread_attr_init(&attributes) != 0) return;
  // The helper only makes system calls: a small stack keeps it cheap under a
  // tight address space limit, where a refused helper changes nothing.
  ::pthread_attr_setstacksize(&attributes, std::size_t{64} << 10);
  // Stop signals belong to the thread that runs the script.
  sigset_t all;
  sigset_t old;
  ::sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &old);
  running_ = ::pthread_create(&thread_, &attributes, &BlockFiller::work,
                              this) == 0;
  ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
  ::pthread_attr_destroy(&attributes);
#endif
}

void* BlockFiller::work(void* self) {
#ifdef MADV_POPULATE_WRITE
  auto* filler = static_cast<BlockFiller*>(self);
  for (;;) {
    if (filler->stop_.load(std::memory_order_relaxed)) return nullptr;
    std::size_t written = filler->written_.load(std::memory_order_relaxed);
    bool left = false;
    bool filled = false;
    // One huge page of each block in turn, since the writer fills them side
    // by side.
    for (Range& range : filler->ranges_) {
      if (range.next >= range.end) continue;
      left = true;
      if (range.next >= range.origin + written * range.unit + kLead) continue;
      // A kernel that does not know the advice refuses it at once.
      if (::madvise(reinterpret_cast<void*>(range.next), kHugePage,
                    MADV_POPULATE_WRITE) != 0 &&
          errno == EINVAL)
        return nullptr;
      range.next += kHugePage;
      filled = true;
    }
    if (!left) return nullptr;
    if (!filled) {
      // Far enough ahead: wait for the writer.
      struct timespec pause = {0, 100'000};
      ::nanosleep(&pause, nullptr);
    }
  }
#else
  (void)self;
#endif
  return nullptr;
}

void BlockFiller::finish() {
  if (!running_) return;
  stop_.store(true, std::memory_order_relaxed);
  ::pthread_join(thread_, nullptr);
  running_ = false;
}

}  // namespace corvel
