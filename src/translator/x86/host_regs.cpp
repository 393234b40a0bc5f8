// Host register roles and the XMM pool.
#include "translator/x86/host_regs.h"

#include "runtime/message.h"

thread_local int xmm_next = XMM_POOL_FIRST;
thread_local int xmm_exhausted = 0;

int jit_scratch0(void)
{
    return HOST_RAX;
}
int jit_scratch1(void)
{
    return HOST_RCX;
}
int jit_scratch2(void)
{
    return HOST_RDX;
}
int jit_temp0(void)
{
    return HOST_R9;
}
int jit_temp1(void)
{
    return HOST_R10;
}
int jit_temp2(void)
{
    return HOST_R11;
}

int xmm_reserve(void)
{
    if (xmm_next >= XMM_POOL_END) {
        sim_error("no XMM registers available");
        xmm_exhausted = 1;
        return -1;
    }
    return xmm_next++;
}
