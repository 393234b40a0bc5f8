// Translation modes and address-map key masks.
#include "translator/emat_modes.h"

#include "processor/config/processor_options.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t REAL_ADDRESS_LIMIT = 0x0FFFFFFFFFFFFFFFull;
constexpr uint64_t VRM_MASK = 0xFFFFFFFFFFull;

const char *const xmode_names[] = {"PA", "EA0", "HRMOR0", "RMOR", "RMOR0", "INVALID", "VRM", "EMAT"};

} // namespace

int EMAT_XLATE_ON(ThreadState *, uint64_t msr, int fetch)
{
    return (msr & (fetch ? MSR_IR : MSR_DR)) ? 1 : 0;
}

int EMAT_XLATE_MODE(ThreadState *thread, int fetch)
{
    IOPDesc *iop = thread->current_iop;
    uint64_t msr = thread->MSR.value;
    if (EMAT_XLATE_ON(thread, msr, fetch)) return XMODE_EMAT;
    if (msr & MSR_HV) return iGET_HRMOR(iop) != 0 ? XMODE_EA0 : XMODE_HRMOR0;
    uint64_t lpcr = iGET_LPCR(iop);
    if (!thread->processor->options[PO_LPES_1_REMOVED] && !(lpcr & LPCR_LPES1_BIT)) return XMODE_INVALID;
    if (lpcr & LPCR_VPM0) return XMODE_VRM;
    return iGET_RMOR(iop) != 0 ? XMODE_RMOR : XMODE_RMOR0;
}

void EMAT_COMPUTE_MASKS(ThreadState *thread, int mode, uint64_t *mask, uint64_t *base)
{
    const uint64_t real = thread->processor->real_mode_mask;
    IOPDesc *iop = thread->current_iop;
    switch (mode) {
    case XMODE_PA:
    case XMODE_INVALID:
        *mask = real;
        *base = 0;
        break;
    case XMODE_EA0:
        *mask = real & REAL_ADDRESS_LIMIT;
        *base = iGET_HRMOR(iop) & real;
        break;
    case XMODE_HRMOR0:
    case XMODE_RMOR0:
        *mask = real & REAL_ADDRESS_LIMIT;
        *base = 0;
        break;
    case XMODE_RMOR:
        *mask = real & REAL_ADDRESS_LIMIT;
        *base = iGET_RMOR(iop) & real;
        break;
    case XMODE_VRM:
        *mask = VRM_MASK;
        *base = 0;
        break;
    case XMODE_EMAT:
        *mask = ~0ull;
        *base = 0;
        break;
    default:
        sim_error("unknown xmode, %s(%d)", EMAT_XLATE_NAME(mode), mode);
        break;
    }
}

const char *EMAT_XLATE_NAME(int mode)
{
    return mode >= 0 && mode < 8 ? xmode_names[mode] : "?";
}
