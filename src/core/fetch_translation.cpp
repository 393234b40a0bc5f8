// The fetch translation carried into instruction records for the instruction-trace plug-in.
#include "core/fetch_translation.h"

#include "core/decoded_inst.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/fast_malloc.h"
#include "runtime/message.h"
#include "runtime/plugin_events.h"

namespace
{

// The translation fields that travel: everything but the addresses.
void copy_translation(AXD *to, const AXD *from)
{
    to->vsid = from->vsid;
    to->wimg = from->wimg;
    to->erat_class = from->erat_class;
    to->perm = from->perm;
    to->llp = from->llp;
    to->seg_b = from->seg_b;
    to->page_shift = from->page_shift;
}

bool option(const IOPDesc *iop, int index)
{
    const ProcessorState *core = iop->thread ? iop->thread->processor : nullptr;
    return core && core->options[index] != 0;
}

} // namespace

void DecodedInst_set_addr_axd(DecodedInst *decoded, AXD *axd)
{
    if (!decoded || !axd) return;
    if (!jqAXDPool) jqAXDPool = FastMalloc_New("jqAXDPool", (int)sizeof(AXD), 1024, 1024);
    if (decoded->trace_axd) FastMalloc_Put(jqAXDPool, decoded->trace_axd); // never consumed
    AXD *saved = static_cast<AXD *>(FastMalloc_Get(jqAXDPool));
    *saved = INITIAL_AXD;
    saved->ea = decoded->pc;
    saved->pa = decoded->pc + (axd->pa - axd->ea);
    copy_translation(saved, axd);
    decoded->trace_axd = saved;
}

void IOP_set_addr_axd(IOPDesc *iop, DecodedInst *decoded)
{
    if (!iop) return;
    AXD *saved = decoded ? decoded->trace_axd : nullptr;
    if (!saved) {
        iop->fetch.pa = 1;
        if (jqRampedUp) sim_warning(2, "No PC-RPN for iop(%ld)", (long)iop->sequence_number);
        return;
    }
    jqRampedUp = 1;
    iop->fetch.ea = saved->ea;
    iop->fetch.pa = saved->pa;
    copy_translation(&iop->fetch, saved);
    if (!option(iop, PO_SUPPORTS_WIMG_W_BIT)) iop->fetch.wimg &= ~AXD_WIMG_W;
    if (!option(iop, PO_SUPPORTS_WIMG_M_BIT)) iop->fetch.wimg &= ~AXD_WIMG_M;
    // Earlier micro-operations of a micro-coded instruction leave the record for the next.
    if (iop->iid == 0) {
        if (jqAXDPool) FastMalloc_Put(jqAXDPool, saved);
        decoded->trace_axd = nullptr;
    }
}
