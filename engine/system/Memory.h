// The allocation front-end: operator new and delete (replaced for the whole program) and the C-style
// functions the libraries are pointed at. Each request goes to the block pools of AllocPool while
// one exists, else to the general heap (malloc, which mimalloc provides in normal builds and the C
// library in sanitizer builds).
#pragma once

#include <cstddef>

#include "system/Types.h"

namespace Vorn {

void* Malloc(size_t size);
// Null when n * size overflows or no memory is left.
void* Calloc(size_t n, size_t size);
// Null when no new block can be had; the old block then stays valid.
void* Realloc(void* p, size_t size);
void Free(void* p);

namespace Memory {
// Byte counts for the debug overlay; this platform reports none.
s32 GetUsed();
s32 GetFree();
} // namespace Memory

} // namespace Vorn
