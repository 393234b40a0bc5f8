// Stand-ins of the cache model's entries for the cache-block and ordering instructions.
#include "isa/hooks/cache_entries.h"

// STAND-IN: the cache hierarchy timing model is not built; every request is accepted and has no
// effect (the entries are reached only in the timed simulation modes).
__attribute__((weak)) int Cache_dcbt(MemoryClient *, AXD *)
{
    return 0;
}

// STAND-IN: see Cache_dcbt.
__attribute__((weak)) int Cache_dcbtst(MemoryClient *, AXD *)
{
    return 0;
}

// STAND-IN: see Cache_dcbt.
__attribute__((weak)) int Cache_dcbst(MemoryClient *, AXD *)
{
    return 0;
}

// STAND-IN: see Cache_dcbt.
__attribute__((weak)) int Cache_dcbf(MemoryClient *, AXD *)
{
    return 0;
}

// STAND-IN: see Cache_dcbt.
__attribute__((weak)) int Cache_dcbz(MemoryClient *, AXD *)
{
    return 0;
}

// STAND-IN: see Cache_dcbt.
__attribute__((weak)) int Cache_icbi(MemoryClient *, AXD *)
{
    return 0;
}

// STAND-IN: see Cache_dcbt.
__attribute__((weak)) int Cache_sync(MemoryClient *, IOPDesc *)
{
    return 0;
}

// STAND-IN: see Cache_dcbt.
__attribute__((weak)) int Cache_eieio(MemoryClient *, IOPDesc *)
{
    return 0;
}

// STAND-IN: see Cache_dcbt.
__attribute__((weak)) int Cache_ptesync(MemoryClient *, IOPDesc *)
{
    return 0;
}
