// Advice to the kernel about the few large blocks a long script needs.
#include "files/large_memory.h"

#include <sys/mman.h>
#include <unistd.h>

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

}  // namespace corvel
