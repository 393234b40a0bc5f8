// CR, XER, the deferred FPSCR result class and the SMT priority around a pass of translated code.
#include "translator/run_boundary.h"

#include <cstring>

#include "fp/fp160.h"
#include "isa/hooks/smt_priority.h"
#include "isa/hooks/trace_events.h"
#include "processor/hooks/fpscr_text.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "translator/callouts.h"
#include "translator/turbo_go.h"
#include "translator/turbo_reason.h"

namespace
{

constexpr uint64_t FPSCR_FPRF_MASK = 0x1F000;
constexpr uint64_t XER_FLAG_BITS = 0xFF000000;
constexpr int32_t SMT_PRIORITY_LOW = 2;

// Eight flag bytes (0 or 1) for each byte value, the most significant bit first in memory.
struct FlagBytes {
    uint64_t of[256];
    constexpr FlagBytes() : of()
    {
        for (int n = 0; n < 256; n++)
            for (int i = 0; i < 8; i++)
                of[n] |= (uint64_t)((n >> (7 - i)) & 1) << (8 * i);
    }
};
constexpr FlagBytes flag_bytes;

// The byte value of eight flag bytes (the first in memory the most significant bit): one multiply
// gathers the low bit of every byte into the top byte.
inline uint32_t pack_flags(const uint8_t *bytes)
{
    uint64_t v;
    memcpy(&v, bytes, 8);
    return (uint32_t)(((v & 0x0101010101010101ull) * 0x8040201008040201ull) >> 56);
}

inline void unpack_flags(uint8_t *bytes, uint32_t value)
{
    memcpy(bytes, &flag_bytes.of[value & 0xFF], 8);
}

} // namespace

void jit_before(ThreadState *thread, xframe *)
{
    turbo_s &turbo = thread->turbo;
    const uint32_t cr = thread->CR.value;
    for (int i = 0; i < 4; i++)
        unpack_flags(&turbo.cr[8 * i], cr >> (24 - 8 * i));
    turbo.in_callout = 0;
    turbo.xer = thread->XER.value;
    unpack_flags(turbo.xer_flags, (uint32_t)(turbo.xer >> 24));
}

uint64_t jit_merge_xer(ThreadState *thread)
{
    turbo_s &turbo = thread->turbo;
    const uint64_t xer = (turbo.xer & ~XER_FLAG_BITS) | (uint64_t)pack_flags(turbo.xer_flags) << 24;
    return tCOOKED_SET_XER(thread, xer, 0);
}

uint32_t jit_after(ThreadState *thread, uint32_t left)
{
    jit_merge_xer(thread);
    uint32_t cr = 0;
    for (int i = 0; i < 4; i++)
        cr = cr << 8 | pack_flags(&thread->turbo.cr[8 * i]);
    tCOOKED_SET_CR(thread, cr, 0);
    return left;
}

int64_t turbo_update_FPSCR(ThreadState *thread, uint64_t, uint64_t, uint64_t)
{
    turbo_s &turbo = thread->turbo;
    if (turbo.pending_fprf_register != -1) {
        uint64_t fpscr = thread->FPSCR.value & ~FPSCR_FPRF_MASK;
        fpscr |= (uint64_t)(micro_DBL_FPRF(turbo.pending_fprf_value, 3) & 0x1F) << 12;
        thread->FPSCR.value = fpscr;
        Prepare_FPSCR(fpscr);
        turbo.pending_fprf_register = -1;
    } else if (turbo.pending_fpcc_field != -1) {
        const int f = turbo.pending_fpcc_field & 7;
        uint64_t fpcc = 0;
        for (int i = 0; i < 4; i++)
            fpcc = fpcc << 1 | (turbo.cr[4 * f + i] & 1);
        uint64_t fpscr = (thread->FPSCR.value & ~FPSCR_FPRF_MASK) | fpcc << 12;
        thread->FPSCR.value = fpscr;
        Prepare_FPSCR(fpscr);
    }
    turbo.pending_fpcc_field = -1;
    return 0;
}

int32_t turbo_update_smt_priority(ThreadState *thread)
{
    turbo_s &turbo = thread->turbo;
    if (turbo.smt_priority != (int32_t)thread->x_smt_priority) {
        SMTA_Adjust_Priorities(thread->current_iop, turbo.smt_priority);
        turbo.smt_priority = thread->x_smt_priority;
    }
    return turbo.smt_priority;
}

int32_t turbo_request_priority(ThreadState *thread, int32_t priority)
{
    IOPDesc record;
    INITIAL_IOP(&record, thread);
    turbo_s &turbo = thread->turbo;
    if (SMTA_Check_Priority(&record, priority)) {
        if (priority == SMT_PRIORITY_LOW)
            turbo.low_priority_count--;
        else
            turbo.low_priority_count = TURBO_LOW_PRIORITY_COUNT;
        turbo.smt_priority = priority;
    }
    return 0;
}

uint64_t jit_set_priority(ThreadState *thread, uint64_t priority, uint64_t, uint64_t) noexcept
{
    turbo_request_priority(thread, (int32_t)priority);
    turbo_s &turbo = thread->turbo;
    if (turbo.low_priority_count <= 0) {
        turbo.low_priority_count = TURBO_LOW_PRIORITY_COUNT;
        return 2;
    }
    return 0;
}

void trc_uncount_unfinished(int32_t reason)
{
    switch (reason) {
    case EXIT_BRANCH_SELF:
    case EXIT_MFTB:
    case EXIT_LIMIT:
    case EXIT_FETCH:
    case EXIT_PRIORITY_CHANGE:
    case EXIT_PRIORITY_LOW_LOW:
    case EXIT_DELAY_1000:
    case EXIT_MSR_DONE:
    case EXIT_XFLUSH:
        break;
    default:
        trc_counts()[0]--;
        break;
    }
}
