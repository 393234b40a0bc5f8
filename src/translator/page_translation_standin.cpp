// Stand-ins of page translation, the shared stubs, the fault hook and the translated-page tables
// until they are built. With emat_xframe finding no translation, every pass of turbo_go ends with
// the "fetch" exit and the engine interprets.
#include "translator/emat.h"
#include "translator/jit_stubs.h"
#include "translator/xframe.h"

thread_local tsim_fault_hook_fn old_sig11_handler = nullptr;

// STAND-IN: pages are not translated and maps hold no fetch entries; no translation is found.
__attribute__((weak)) xframe *emat_xframe(emat_s *, uint64_t, int)
{
    return nullptr;
}

// STAND-IN: no translation exists to enter (emat_xframe finds none); nothing runs, nothing is left
// undone.
__attribute__((weak)) uint32_t xframe_entry(xframe *, ThreadState *, uint64_t, uint32_t budget, void *,
                                            void *, void *)
{
    return budget;
}

// STAND-IN: the translated-page tables are not built; there is no translation to drop.
__attribute__((weak)) void EMAT_XFLUSH(MCM *, uint64_t) {}

// STAND-IN: the shared stubs are not generated yet; nothing to map or protect.
__attribute__((weak)) int jit_init(int)
{
    return 0;
}

// STAND-IN: no translated code runs, so no host fault is the translator's.
__attribute__((weak)) int turbo_handler(int, siginfo_t *, void *)
{
    return 0;
}
