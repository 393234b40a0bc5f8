#include "mmu/checkers.h"

// STAND-IN: the cache-contained checker is not built yet; every type name reads as type 0.
int32_t cc_getCacheTypeByName(const char *)
{
    return 0;
}

// STAND-IN: the cache-contained checker is not built yet (it is off by default); no container.
void *cc_CacheContainer_init(const char *, int32_t)
{
    return nullptr;
}
