// The call-outs of special registers whose value translated code cannot simply load or store: the
// decrementer, counting down one per instruction of the pass; XER, whose move routines mask and keep
// fields by the MSR and the processor's options; PURR and SPURR.
#include "decode/instr_tables.h"
#include "processor/config/processor_options.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_routines.h"
#include "processor/time/time_registers.h"
#include "translator/callouts.h"
#include "translator/run_boundary.h"

namespace
{

// The split XER bytes and copy from the register.
void split_xer(ThreadState *thread)
{
    turbo_s &turbo = thread->turbo;
    turbo.xer = thread->XER.value;
    for (int k = 0; k < XER_FLAG_COUNT; k++)
        turbo.xer_flags[k] = (uint8_t)((turbo.xer >> (31 - k)) & 1);
}

} // namespace

uint64_t jit_get_dec(ThreadState *thread, uint64_t left, uint64_t, uint64_t) noexcept
{
    const turbo_s &turbo = thread->turbo;
    const bool frozen = (thread->processor && thread->processor->options[PO_FREEZE_TIME_BASE_AND_DEC]) ||
                        (thread->decrementer && thread->decrementer->frozen);
    if (frozen) return (uint64_t)(int64_t)turbo.dec_at_entry;
    // One tick down for every instruction of the pass before this one.
    const int64_t before = (int64_t)turbo.togo - 1 - (int64_t)(uint32_t)left;
    return (uint64_t)((int64_t)turbo.dec_at_entry - before);
}

uint64_t jit_get_xer(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept
{
    jit_merge_xer(thread);
    IOPDesc record;
    INITIAL_IOP(&record, thread);
    return MF_XER(&record, nullptr);
}

uint64_t jit_set_xer(ThreadState *thread, uint64_t value, uint64_t word, uint64_t) noexcept
{
    jit_merge_xer(thread); // the fields the move keeps come from the current XER
    IOPDesc record;
    INITIAL_IOP(&record, thread);
    record.row =
        Processor_Decode_Instruction(thread->processor, (uint32_t)word); // its class decides the FXCC field
    MT_XER(&record, value);
    split_xer(thread);
    return 0;
}

uint64_t jit_get_purr(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept
{
    return RAW_GET_PURR(thread);
}

uint64_t jit_get_spurr(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept
{
    return RAW_GET_SPURR(thread);
}

uint64_t jit_get_tsrl(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept
{
    turbo_update_smt_priority(thread);
    return smt_ReadTSRL(thread, 1, 0);
}

uint64_t jit_set_tsrl(ThreadState *thread, uint64_t value, uint64_t, uint64_t) noexcept
{
    turbo_request_priority(thread, (int32_t)((value >> 50) & 7));
    return 0;
}

uint64_t jit_set_amr(ThreadState *thread, uint64_t value, uint64_t word, uint64_t) noexcept
{
    IOPDesc record;
    INITIAL_IOP(&record, thread);
    record.word = (uint32_t)word; // AMR or UAMR by its SPR field
    MT_AMR(&record, value);
    if (!record.exceptions) return 1;
    Discard_Instruction_Bound_Exceptions(&record, 0);
    return 0;
}

uint64_t jit_get_tir(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept
{
    IOPDesc record;
    INITIAL_IOP(&record, thread);
    int32_t leave = 0;
    return MF_TIR(&record, &leave);
}
