// Stand-ins of the transactional-memory model's exception hooks.
#include "mmu/htm_exception_standin.h"

// STAND-IN: the machine's setting "htm/htm_os_supports_tm" is not read yet; its default (the
// operating system handles interrupts in transactions) is answered, so the hooks below are never
// consulted by the raisers.
__attribute__((weak)) int OS_SUPPORTS_HTM(IOPDesc *)
{
    return 1;
}

// STAND-IN: transactions are not modelled; the failure record (code 0x1600000 with the type) is
// missing and the exception is left to the raiser.
__attribute__((weak)) int htm_handle_exception(IOPDesc *, int32_t)
{
    return 0;
}

// STAND-IN: see htm_handle_exception.
__attribute__((weak)) int htm_handle_interrupt(IOPDesc *, int32_t)
{
    return 0;
}
