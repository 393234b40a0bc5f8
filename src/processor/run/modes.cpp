// Simulation modes and mode switching.
#include "processor/run/modes.h"

#include <cstdio>

#include "kernel/counter.h"
#include "kernel/tsim.h"
#include "processor/hooks/emat_zap.h"
#include "processor/records/generic_machine.h"
#include "runtime/callbacks.h"
#include "runtime/message.h"

const IDNamePair modeTypesName[] = {
    {MODE_LOOSE, "LOOSE"},           {MODE_FAST, "FAST"},
    {MODE_SIMPLE, "SIMPLE"},         {MODE_WARMUP, "WARMUP"},
    {MODE_CACHE_ONLY, "CACHE_ONLY"}, {MODE_FULL, "FULL"},
    {MODE_CYCLE, "CYCLE"},           {MODE_TURBO, "TURBO"},
    {MODE_PTURBO, "PTURBO"},         {MODE_SIMPLE_WARMUP, "SIMPLE_WARMUP"},
    {MODE_TURBO, "FASTEST"},         {0, nullptr},
};

namespace
{

// The machine's current time in base cycles: 0 at tick 0, without a kernel or a base domain.
uint64_t machine_base_cycles(GenericMachine *machine)
{
    if (!machine->tsim || !machine->base_domain) return 0;
    uint64_t tick = machine->tsim->now;
    uint64_t per_cycle = machine->base_domain->ticks_per_cycle ? machine->base_domain->ticks_per_cycle : 1;
    return tick / per_cycle + (tick % per_cycle != 0);
}

} // namespace

void Mode_Change(GenericMachine *machine, uint32_t mode)
{
    if (!machine) return;
    if (machine->switch_mode_status && counter_get(machine->switch_mode_status) > 0) {
        // ID2Name keeps one buffer: copy the first name before asking for the second.
        char pending[64];
        snprintf(pending, sizeof pending, "%s", ID2Name(modeTypesName, (int32_t)machine->pending_mode));
        SIM_INFO("Simulator is switching to %s, cannot switch to %s now.", pending,
                 ID2Name(modeTypesName, (int32_t)mode));
        return;
    }
    if (machine->pending_mode ? mode == machine->pending_mode : mode == machine->mode) return;
    machine->pending_mode = mode;
    if (machine_base_cycles(machine) == 0) Mode_Switched(machine);
}

void Mode_Switched(GenericMachine *machine)
{
    if (!machine) return;
    typedef void (*SwitchModeFunction)(void *data, GenericMachine *machine, uint32_t mode);
    for (Callback_Function *f = callBackFunctionLists[CALLBACK_SWITCH_MODE].head; f; f = f->next)
        if (f->function)
            reinterpret_cast<SwitchModeFunction>(f->function)(f->data, machine, machine->pending_mode);
    machine->mode = machine->pending_mode;
    machine->pending_mode = 0;
    if (machine->switch_mode_status) counter_set(machine->switch_mode_status, 0);
    int cycle = machine->mode == MODE_CYCLE;
    if (machine->functional_mode) counter_set(machine->functional_mode, cycle ? 1 : 0);
    if (machine->cycle_mode) counter_set(machine->cycle_mode, cycle ? 0 : 1);
    EMAT_ZAP_("switch mode", __FILE__, __LINE__);
    SIM_INFO("!!!!!! Simulator now in %s mode !!!!!!", ID2Name(modeTypesName, (int32_t)machine->mode));
}
