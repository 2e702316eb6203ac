#include "data/store/FreedMemory.h"

#include <cstdlib> // defines __GLIBC__ where it is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace FreedMemory {

void keepForReuse()
{
#if defined(__GLIBC__)
    // A fixed threshold also stops glibc from moving it up and down with
    // each large block freed. 32 MB is the most it takes.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}

} // namespace FreedMemory
