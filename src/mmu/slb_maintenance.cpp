// SLB maintenance and the segment instructions.
#include "mmu/slb_maintenance.h"

#include "decode/instr_info.h"
#include "interrupts/hooks/erat_invalidate.h"
#include "interrupts/interrupt_raisers.h"
#include "mmu/erat.h"
#include "mmu/hooks/translator_xlate.h"
#include "mmu/machine_check.h"
#include "mmu/slb_search.h"
#include "mmu/transaction_guard.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/emat_invalidate.h"
#include "processor/hooks/htm.h"
#include "processor/prints/instruction_prints.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/reg_accessors.h"
#include "processor/run/run_control.h"
#include "processor/translation/slb.h"
#include "processor/translation/xlate_version.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t ESID_MASK = ~0xFFFFFFFull;
constexpr uint64_t ESID_MASK_1T = ~0xFFFFFFFFFFull;
constexpr uint64_t RB_NOT_FETCH = 0x800000;
constexpr uint64_t RB_NOT_DATA = 0x400000;
constexpr uint64_t HID4_NO_SR_LARGE = 0x0100000000000000ull;
constexpr uint64_t FXCC = 0x0F000000;
constexpr uint64_t FXCC_FOUND = 0x2000000;
constexpr uint64_t MACHINE_CHECK_SLB_MULTI_HIT = 0x200000;
constexpr uint64_t ROW_SETS_FXCC = 0x300000000ull;
constexpr uint32_t CR0_EQ = 0x2, CR0_SO = 0x1;

// Holds the translator's translation lock while the thread runs in a parallel worker.
class XlateLock
{
  public:
    explicit XlateLock(ThreadState *thread) : held_(thread->turbo.in_pturbo != 0)
    {
        if (held_) pturbo_acquire_xlate_lock();
    }
    ~XlateLock()
    {
        if (held_) pturbo_release_xlate_lock();
    }
    XlateLock(const XlateLock &) = delete;
    XlateLock &operator=(const XlateLock &) = delete;

  private:
    bool held_;
};

void invalidate(ThreadState *thread, SLB *entry, const char *reason)
{
    if (THREAD_IN_CHUNK_MODE(thread)) EMAT_INVALIDATE_EA(thread, entry->esid_base, reason);
    entry->valid = 0;
    entry->SLBE.value = entry->esid_base;
}

uint32_t rb_field(const IOPDesc *iop)
{
    return (iop->word >> 11) & 0x1F;
}

} // namespace

void micro_slbie(ThreadState *thread, uint64_t rb)
{
    XlateLock lock(thread);
    EMAT_INVALIDATE_EA(thread, rb & ESID_MASK, "slbie");
    uint8_t c = (rb >> 27) & 1, b = (rb >> 25) & 3, ta = (rb >> 24) & 1;
    for (int32_t i = 0; thread->slb && i < thread->slb_entries; i++) {
        SLB *e = &thread->slb[i];
        uint64_t mask = e->segment_size ? ESID_MASK_1T : ESID_MASK;
        if (e->segment_size != b || ((e->esid_base ^ (rb & ESID_MASK)) & mask) != 0 || e->c != c ||
            !e->valid || (e->bit57 != 0) != (ta != 0))
            continue;
        bool data_side = !e->noa[1] && !(rb & RB_NOT_DATA);
        bool fetch_side = !e->noa[0] && !(rb & RB_NOT_FETCH);
        if (data_side || fetch_side) invalidate(thread, e, "slbie");
    }
    ERAT_InvalidateAll(thread, ERAT_REASON_SLBIE, "slbie");
    current_xlate_version++;
}

void micro_slbia(ThreadState *thread)
{
    XlateLock lock(thread);
    for (int32_t i = 1; thread->slb && i < thread->slb_entries; i++)
        invalidate(thread, &thread->slb[i], "slbia");
    EMAT_INVALIDATE_ALL(thread, 1, "slbia");
    ERAT_InvalidateAll(thread, ERAT_REASON_SLBIA, "slbia");
    current_xlate_version++;
}

int core_slbia(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    uint64_t msr = iGET_MSR(iop);
    if (msr & MSR_PR) {
        interrupt_PrivilegedInstruction(iop);
        return 0;
    }
    if ((msr & MSR_TS) == MSR_TS_TRANSACTIONAL) {
        HTM_Debug_Failure(iop, "Unsupported instruction: '%s' in Transactional mode.", "slbia");
        // The SLB stays as it is; the rollback sets the next instruction.
        htm_record_failure(thread, HTM_FAILURE_NOT_ALLOWED, thread->PC.value, 1, 0, msr);
        return 1;
    }
    micro_slbia(thread);
    return 1;
}

void WriteSR(ThreadState *thread, uint32_t n, uint32_t value, uint64_t rb)
{
    if (!thread->slb || thread->slb_entries <= 0) return;
    ProcessorState *core = thread->processor;
    SLB *e = &thread->slb[n & (uint32_t)(thread->slb_entries - 1)];
    uint64_t esid = (uint64_t)n << 28;
    if (core->options[PO_SEGMENT_INSTRS_USE_WHOLE_GRB])
        esid |= rb & 0xFFFFFFFF00000000ull;
    else
        esid &= 0xFFFFFFFFull;
    e->esid_base = esid;
    e->ks = (value >> 30) & 1;
    e->kp = (value >> 29) & 1;
    e->n = (value >> 28) & 1;
    e->l = (core->HID4.value & HID4_NO_SR_LARGE) ? 0 : (value >> 27) & 1;
    e->c = e->bit57 = e->lp = e->segment_size = 0;
    e->noa[0] = e->noa[1] = 0;
    uint64_t vsid = ((uint64_t)(value & 0x7FFFFFF) << 12) | (((uint64_t)value & core->slbe_esid_mask) << 7);
    if (!(thread->MSR.value & MSR_SF)) vsid &= 0x7FFFFFFFFFull;
    e->vsid = vsid;
    e->valid = 1;
    e->SLBE.value = esid | 0x8000000;
    e->SLBV.value =
        vsid | (uint64_t)e->ks << 11 | (uint64_t)e->kp << 10 | (uint64_t)e->n << 9 | (uint64_t)e->l << 8;
}

int core_slbfee_dot(IOPDesc *iop)
{
    uint64_t rb = IOP_Read_GPR(iop, rb_field(iop), OPERAND_B);
    uint64_t msr = iGET_MSR(iop);
    uint64_t address = (msr & MSR_SF) ? rb : rb & 0xFFFFFFFFull;
    PowerPCException *before = iop->exceptions;
    int multiple = 0;
    SLB *entry = PPC_MMU_Search_SLB(iop, address, 0, &multiple);
    if (iop->exceptions != before) return 0;
    uint32_t so = IOP_Read_SO(iop);
    uint32_t rt = (iop->word >> 21) & 0x1F;
    uint32_t eq = 0;
    if (!entry) {
        IOP_Write_GPR(iop, rt, 0);
    } else if (multiple && !(rb & (RB_NOT_FETCH | RB_NOT_DATA))) {
        sim_warning(2, "slbfee w/ RB NOI=NOD=0 and multiple SLB matches. RB=0x%016lX", (unsigned long)rb);
        PrintInstruction(iop);
        interrupt_MachineCheck(iop, MACHINE_CHECK_SLB_MULTI_HIT);
        return 0;
    } else {
        uint64_t word = entry->SLBV.value;
        if (((word >> 62) & 3) == 1) word &= ~0xFFF000ull;
        IOP_Write_GPR(iop, rt, word);
        eq = 1;
    }
    if (IOP_Option(iop, PO_FXCC_FIELD_IN_XER) && (Tags_Active(iop) || IOP_Option(iop, PO_FXCC_ALWAYS_SET) ||
                                                  (iop->row && (iop->row->class_flags & ROW_SETS_FXCC)))) {
        IOP_Write_XER_Field(iop, FXCC, entry ? FXCC_FOUND : 0);
        XER_Mark_Written(iop, FXCC);
    }
    IOP_Write_CR_Field(iop, 0, (eq ? CR0_EQ : 0) | (so ? CR0_SO : 0));
    return 1;
}

int core_slbie(IOPDesc *iop)
{
    uint64_t rb = IOP_Read_GPR(iop, rb_field(iop), OPERAND_B);
    if (!(iGET_MSR(iop) & MSR_SF)) rb &= 0xFFFFFFFFull;
    micro_slbie(iop->thread, rb);
    return 1;
}
