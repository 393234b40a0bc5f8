// Stand-in of the cache model's last data addresses.
#include "exec/hooks/cache_last_ea.h"

// STAND-IN: the cache units do not record their last effective addresses yet; always 0.
__attribute__((weak)) uint64_t Cache_get_last_ea(ThreadState *, int)
{
    return 0;
}
