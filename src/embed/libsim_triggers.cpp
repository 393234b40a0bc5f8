// Breakpoints and watch points of the embedding interface, on the handle's machine.
#include "embed/libsim_triggers.h"

#include "exec/memory_triggers.h"
#include "exec/pc_triggers.h"
#include "processor/hooks/emat_zap.h"
#include "processor/hooks/embed_hooks.h"

namespace
{

void *clear_memory(vLIBSIM_data *handle, uint64_t start, uint64_t end, uint32_t kind)
{
    GenericMachine *machine = LSD_Machine(handle);
    while (Memory_Trigger *trigger = Trigger_Memory__Remove(machine, start, end, kind))
        if (trigger->count == 0) Trigger_Memory__Delete(trigger);
    return nullptr;
}

} // namespace

void LIBSIM__SetCallbackTrigger_PC(vLIBSIM_data *handle, uint64_t ea, Trigger_Callback callback, void *data)
{
    Trigger_PC__Add(LSD_Machine(handle), ea, callback, data);
}

void LIBSIM__SetCallbackTrigger_RealPC(vLIBSIM_data *handle, uint64_t pa, Trigger_Callback callback, void *data)
{
    Trigger_RealPC__Add(LSD_Machine(handle), pa, callback, data);
}

void *LIBSIM__ClearCallbackTrigger_PC(vLIBSIM_data *handle, uint64_t ea)
{
    GenericMachine *machine = LSD_Machine(handle);
    while (PC_TriggerEntry *entry = Trigger_PC__Remove(machine, ea)) Trigger_PC__Delete(entry);
    return nullptr;
}

void *LIBSIM__ClearCallbackTrigger_RealPC(vLIBSIM_data *handle, uint64_t pa)
{
    GenericMachine *machine = LSD_Machine(handle);
    while (PC_TriggerEntry *entry = Trigger_RealPC__Remove(machine, pa)) Trigger_RealPC__Delete(entry);
    return nullptr;
}

Memory_Trigger *LIBSIM__SetCallbackTrigger_RealRead(vLIBSIM_data *handle, uint64_t start, uint64_t end,
                                                    Trigger_Callback callback, void *data)
{
    return Trigger_Memory__Add(LSD_Machine(handle), start, end, 0, MEMORY_TRIGGER_READ, 0, callback, data);
}

Memory_Trigger *LIBSIM__SetCallbackTrigger_RealWrite(vLIBSIM_data *handle, uint64_t start, uint64_t end,
                                                     Trigger_Callback callback, void *data)
{
    return Trigger_Memory__Add(LSD_Machine(handle), start, end, 0, MEMORY_TRIGGER_WRITE, 0, callback, data);
}

void *LIBSIM__ClearCallbackTrigger_RealRead(vLIBSIM_data *handle, uint64_t start, uint64_t end)
{
    return clear_memory(handle, start, end, MEMORY_TRIGGER_READ);
}

void *LIBSIM__ClearCallbackTrigger_RealWrite(vLIBSIM_data *handle, uint64_t start, uint64_t end)
{
    return clear_memory(handle, start, end, MEMORY_TRIGGER_WRITE);
}

void LIBSIM__ClearAllBreakpoints_Effective(vLIBSIM_data *handle)
{
    GenericMachine *machine = LSD_Machine(handle);
    if (!machine) return;
    Trigger_PC__Clear_All(machine);
    Trigger_Memory_Effective__Remove(machine);
}

void LIBSIM__ClearAllBreakpoints_Real(vLIBSIM_data *handle)
{
    GenericMachine *machine = LSD_Machine(handle);
    Trigger_RealPC__Clear_All(machine);
    Trigger_Memory_Real__Remove(machine);
}

void LIBSIM__FlushTranslations(vLIBSIM_data *handle)
{
    LSD_Machine(handle);
    EMAT_ZAP_("LIBSIM__FlushTranslations", __FILE__, __LINE__);
}

void LIBSIM__ForgetAllMemory(vLIBSIM_data *handle)
{
    if (LSD_Machine(handle)) EMAT_ZAP_("LIBSIM__ForgetAllMemory", __FILE__, __LINE__);
}
