// Advice to the kernel about the few large blocks a long script needs.
#include "files/large_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace corvel {

void adviseLargeBlock(void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
  // Below a few huge pages the advice gains nothing.
  constexpr std::size_t kWorthIt = std::size_t{4} << 20;
  if (data == nullptr || size < kWorthIt) return;
  long page = ::sysconf(_SC_PAGESIZE);
  if (page <= 0) return;
  auto step = static_cast<std::uintptr_t>(page);
  auto begin = reinterpret_cast<std::uintptr_t>(data);
  std::uintptr_t first = (begin + step - 1) / step * step;
  std::uintptr_t last = (begin + size) / step * step;
  if (last <= first) return;
  // Advice only: a kernel without huge pages refuses it, and nothing changes.
  ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

}  // namespace corvel
