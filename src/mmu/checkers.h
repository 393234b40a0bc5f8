// The per-processor checkers of the storage path: the cache-contained checker (a cache container
// per processor) and the page-cacheability checker.
#pragma once

#include <cstdint>

// The cache-container type id of a type name.
int32_t cc_getCacheTypeByName(const char *name);
// A cache container of that type for one processor's cache-contained checker.
void *cc_CacheContainer_init(const char *name, int32_t type);
// A page-cacheability checker for one processor.
void *PageCacheableCheck_init(const char *name);
