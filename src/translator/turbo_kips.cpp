// The translator's report.
#include "translator/turbo_kips.h"

#include "processor/records/generic_machine.h"
#include "processor/records/thread_state.h"
#include "processor/spr/spr_table.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "translator/crack.h"
#include "translator/emat.h"
#include "translator/turbo_stats.h"
#include "translator/xframe.h"

namespace
{

constexpr int DEBUG_TURBO_REPORT = 209;
constexpr uint32_t KIND_SUPPORT = 386, KIND_MFSPR = 224, KIND_MTSPR = 226;

double percent(uint32_t count, uint64_t total)
{
    return (double)count * 100.0 / (double)total;
}

void reasons(turbo_counts_s &now, turbo_counts_s &before)
{
    SIM_PRINT("======== JIT ========\n");
    uint64_t total = 0;
    for (int r = 0; r < TURBO_EXIT_REASONS; r++)
        total += now.reasons[r];
    for (int r = 0; r < TURBO_EXIT_REASONS; r++) {
        if (!now.reasons[r]) continue;
        SIM_PRINT("    %-20s=%11d (%5.2f%%) +%10d\n", turbo_reason((unsigned)r), (int)now.reasons[r],
                  percent(now.reasons[r], total), (int)(now.reasons[r] - before.reasons[r]));
        before.reasons[r] = now.reasons[r];
    }
    SIM_PRINT("    %-20s=%11ld\n", "Total", (long)total);
}

void unknowns(turbo_counts_s &now, turbo_counts_s &before, ProcessorState *core)
{
    const uint32_t unknown = now.reasons[EXIT_UNKNOWN];
    if (!unknown) return;
    SIM_PRINT("\t======== unknown frequency ========\n");
    uint64_t kinds = 0;
    for (int k = 0; k < CRACK_KINDS; k++) {
        const uint32_t count = now.unknown_kinds[k];
        if (!count) continue;
        kinds += count;
        const char *name = turbo_id_name((uint32_t)k);
        SIM_PRINT("\t    %-16s=%10d (%5.2f%%) +%10d\n", name ? name : "??", (int)count,
                  percent(count, unknown), (int)(count - before.unknown_kinds[k]));
        before.unknown_kinds[k] = count;
    }
    SIM_PRINT("\t    %-16s=%10d\n", "unknown unknowns", (int)(unknown - kinds));

    if (now.unknown_kinds[KIND_SUPPORT]) {
        SIM_PRINT("\t======== sim support codes ========\n");
        for (int c = 0; c < TURBO_SUPPORT_CODES; c++) {
            if (!now.support_codes[c]) continue;
            SIM_PRINT("\t    %3d=%10d +%10d\n", c, (int)now.support_codes[c],
                      (int)(now.support_codes[c] - before.support_codes[c]));
            before.support_codes[c] = now.support_codes[c];
        }
    }
    const uint32_t from_all = now.unknown_kinds[KIND_MFSPR], to_all = now.unknown_kinds[KIND_MTSPR];
    if (!from_all && !to_all) return;
    SIM_PRINT("\t======== m*spr codes  [move from count (%% of all move from) (delta), move to count (%% of "
              "all move to) (delta)] ========\n");
    for (int s = 0; s < TURBO_SPR_NUMBERS; s++) {
        const uint32_t from = now.mfspr[s], to = now.mtspr[s];
        if (!from && !to) continue;
        const char *name = core ? Find_SPR_Name(core, s) : nullptr;
        SIM_PRINT("\t    %4d=[%10d (%5.2f%%) (%10d),%10d (%5.2f%%) (%10d)]  (%s)\n", s, (int)from,
                  percent(from, from_all), (int)(from - before.mfspr[s]), (int)to, percent(to, to_all),
                  (int)(to - before.mtspr[s]), name ? name : "??");
        before.mfspr[s] = from;
        before.mtspr[s] = to;
    }
}

} // namespace

void turbo_kips_internal(GenericMachine *machine)
{
    if (!machine) return;
    if (machine->mode != MODE_TURBO && machine->mode != MODE_PTURBO && machine->mode != MODE_NAMELESS) return;
    turbo_counts_s &now = turbo_stats.counts;
    turbo_counts_s &before = turbo_stats.previous;
    reasons(now, before);
    unknowns(now, before, GenericMachine__Processor(machine, 0));
    XFRAME_KIPS();
    EMAT_KIPS();
}

void turbo_kips(ThreadState *thread)
{
    if (thread) turbo_kips_internal(thread->machine);
}

void turbo_kips_periodic(void *, ThreadState *thread, const char *, uint64_t)
{
    if (get_debug_flag(DEBUG_TURBO_REPORT) > 0 && thread && thread->device_number == 0) turbo_kips(thread);
}
