// The thread's current effective-address map.
#include "translator/current_emat.h"

#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "translator/emat.h"
#include "translator/emat_modes.h"

namespace
{

constexpr int DEBUG_CATEGORY_EMAT_DUMP = 113;

int32_t emat_index(ThreadState *thread, uint64_t msr, int fetch)
{
    if (EMAT_XLATE_ON(thread, msr, fetch)) {
        if (msr & MSR_PR) return EMAT_USER_XLATE;
        return (msr & MSR_HV) ? EMAT_HYPER_XLATE : EMAT_SUPER_XLATE;
    }
    if (msr & MSR_PR) return EMAT_USER_REAL;
    if (msr & MSR_HV) return EMAT_HYPER_REAL;
    return (iGET_LPCR(thread->current_iop) & LPCR_VPM0) ? EMAT_SUPER_REAL_VRM : EMAT_SUPER_REAL;
}

} // namespace

emat_s *GET_CURRENT_EMAT(ThreadState *thread, uint64_t msr, int fetch)
{
    int32_t index = emat_index(thread, msr, fetch);
    emat_s *map = thread->emat[index];
    if (!map) {
        map = emat_new(index, thread->mcm);
        thread->emat[index] = map;
    }
    emat_prep(map);
    if (debug_state[DEBUG_CATEGORY_EMAT_DUMP] > 0) {
        emat_dump(map, 4);
        SIM_PRINT("\n");
    }
    return map->top ? map : nullptr;
}
