// Stand-in of the CR0 setter of the icswx record forms.
#include "isa/icswx.h"
#include "isa/semantics_helpers.h"
#include "processor/config/processor_options.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"

// STAND-IN: the condition-register helpers of the semantics layer (with the XER field rules of
// FXCC) are not built; CR0 is set from the answer, SO from XER under ICSWX_SETS_CR_FROM_XER_SO.
__attribute__((weak)) void IOP_Set_CR0_For_Icswx(IOPDesc *iop, int status)
{
    static const uint32_t kCr0[] = {0x8, 0x4, 0x2};
    if (status < 0 || status > 2) return;
    uint32_t bits = kCr0[status];
    if (IOP_Option(iop, PO_ICSWX_SETS_CR_FROM_XER_SO) && (iop->thread->XER.value & 0x80000000u)) bits |= 1;
    SET_CR0_value(iop, bits);
}
