// Stand-ins of the allocation wrappers.
#include <cstdlib>
#include <cstring>

#include "runtime/alloc.h"

// STAND-IN: the allocation wrappers of the runtime are not on this branch; these call the C library
// directly and ignore the type names, positions and host hooks. Defined weakly so that the runtime's
// wrappers replace them.
__attribute__((weak)) void *quarn_malloc(size_t size, size_t, const char *, const char *, int) { return malloc(size ? size : 1); }
__attribute__((weak)) void *quarn_zalloc(size_t size, size_t, const char *, const char *, int) { return calloc(1, size ? size : 1); }
__attribute__((weak)) void quarn_free(void *pointer, const char *, int) { free(pointer); }
