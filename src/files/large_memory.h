// Advice to the kernel about the few large blocks a long script needs.
#pragma once

#include <cstddef>

namespace corvel {

// Asks the kernel to back the part of the block `data` .. `data` + `size` that
// whole huge pages cover with huge pages, where it offers them. A script of a
// million lines fills tens of megabytes at once, and touching them a small
// page at a time costs more than compiling them. Does nothing for a small
// block, or where the advice is not known.
void adviseLargeBlock(void* data, std::size_t size);

}  // namespace corvel
