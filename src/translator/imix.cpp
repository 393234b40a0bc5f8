// The instruction mix.
#include "translator/imix.h"

#include <cstdio>
#include <cstring>

#include "processor/records/generic_machine.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "translator/crack.h"

namespace
{

int imix_on;

template <typename F> void each_thread(GenericMachine *machine, F f)
{
    const int32_t n = GenericMachine__ThreadCount(machine);
    for (int32_t i = 0; i < n; i++)
        if (ThreadState *thread = GenericMachine__Thread(machine, i)) f(i, thread);
}

uint64_t entry(ThreadState *thread, int table, uint32_t kind)
{
    const uint64_t *t = thread->turbo.instruction_mix[table];
    return t ? t[kind] : 0;
}

void clear(ThreadState *thread, int table, uint32_t kind)
{
    if (uint64_t *t = thread->turbo.instruction_mix[table]) t[kind] = 0;
}

void print_machine(GenericMachine *machine)
{
    printf("t tu ts th");
    each_thread(machine, [](int32_t i, ThreadState *) { printf(" u%d s%d h%d", i, i, i); });
    printf("\n");
    for (uint32_t kind = 0; kind < (uint32_t)CRACK_KINDS; kind++) {
        uint64_t u = 0, s = 0, h = 0;
        each_thread(machine, [&](int32_t, ThreadState *thread) {
            u += entry(thread, IMIX_PROBLEM_STATE, kind);
            s += entry(thread, IMIX_PRIVILEGED, kind);
            h += entry(thread, IMIX_HYPERVISOR, kind);
        });
        if (u == 0 && s == 0 && h == 0) continue;
        printf("%s %lld", turbo_id_name(kind), (long long)(u + s + h));
        printf(" %lld %lld %lld", (long long)u, (long long)s, (long long)h);
        each_thread(machine, [&](int32_t, ThreadState *thread) {
            printf(" %lld %lld %ld", (long long)entry(thread, IMIX_PROBLEM_STATE, kind),
                   (long long)entry(thread, IMIX_PRIVILEGED, kind), (long)entry(thread, IMIX_HYPERVISOR, kind));
            clear(thread, IMIX_PROBLEM_STATE, kind);
            clear(thread, IMIX_PRIVILEGED, kind);
            clear(thread, IMIX_HYPERVISOR, kind);
        });
        printf("\n");
    }
}

} // namespace

int imix_is_on(void)
{
    return imix_on;
}

void trc_imix_on(void)
{
    crack_init(); // counts go by operation kind
    imix_on = 1;
    for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next)
        each_thread(machine, [](int32_t, ThreadState *thread) {
            for (uint64_t *table : thread->turbo.instruction_mix)
                if (table) memset(table, 0, NUM_INSTRUCTION_MIX_COUNTERS * sizeof(uint64_t));
        });
}

void trc_imix_off(void)
{
    imix_on = 0;
    for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next)
        print_machine(machine);
    fflush(stdout);
}

void TRC_IMIX_ON(void)
{
    trc_imix_on();
}

void TRC_IMIX_OFF(void)
{
    trc_imix_off();
}
