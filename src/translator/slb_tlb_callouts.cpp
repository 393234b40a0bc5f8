// The call-outs of the SLB and TLB instructions in translated code: the storage subsystem's workers
// on the register values the emitted code passes. Their privilege checks are the translation's
// guards. The workers drop the effective-address maps they make stale in place, so translated code
// goes on with its map registers; the translation version they raise reaches the next pass.
#include "isa/translation_instructions.h"
#include "mmu/slb_maintenance.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "translator/callouts.h"

uint64_t jit_do_slbmfee(ThreadState *thread, uint64_t rb, uint64_t, uint64_t) noexcept
{
    return micro_slbmfee(thread, rb, nullptr);
}

uint64_t jit_do_slbmfev(ThreadState *thread, uint64_t rb, uint64_t, uint64_t) noexcept
{
    return micro_slbmfev(thread, rb, nullptr);
}

uint64_t jit_do_slbmte(ThreadState *thread, uint64_t rs, uint64_t rb, uint64_t) noexcept
{
    micro_slbmte(thread, rs, rb);
    return 0;
}

uint64_t jit_do_slbie(ThreadState *thread, uint64_t rb, uint64_t, uint64_t) noexcept
{
    if (!(thread->MSR.value & MSR_SF)) rb &= 0xFFFFFFFFull; // as the instruction reads RB
    micro_slbie(thread, rb);
    return 0;
}

uint64_t jit_do_slbia(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept
{
    micro_slbia(thread);
    return 0;
}

namespace
{

uint64_t tlb_invalidation(ThreadState *thread, uint64_t rs_number, uint64_t rb, uint64_t word, int global)
{
    IOPDesc record;
    INITIAL_IOP(&record, thread);
    record.word = (uint32_t)word; // its L field names the page size
    tlbie_with_regs(&record, (int)rs_number, rb, global);
    Discard_Instruction_Bound_Exceptions(&record, 0);
    return 0;
}

} // namespace

uint64_t jit_do_tlbie(ThreadState *thread, uint64_t rs_number, uint64_t rb, uint64_t word) noexcept
{
    return tlb_invalidation(thread, rs_number, rb, word, 1);
}

uint64_t jit_do_tlbiel(ThreadState *thread, uint64_t rs_number, uint64_t rb, uint64_t word) noexcept
{
    return tlb_invalidation(thread, rs_number, rb, word, 0);
}
