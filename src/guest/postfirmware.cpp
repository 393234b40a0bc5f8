// Post-firmware processor settings.
#include "guest/postfirmware.h"

#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/register_file.h"

namespace
{

constexpr uint64_t POSTFIRMWARE_HID4 = 0x8800000000000000ull;

} // namespace

void POSTFIRMWARE_SETTINGS(GenericMachine *machine)
{
    int32_t count = GenericMachine__ThreadCount(machine);
    for (int32_t n = 0; n < count; n++) {
        ThreadState *thread = GenericMachine__Thread(machine, n);
        ProcessorState *core = thread ? thread->processor : nullptr;
        if (!core) continue;
        core->HID1.value = 0;
        core->HID1.written = 1;
        core->HID4.value = POSTFIRMWARE_HID4 & Register_Entry_Mask(core->HID4.rfe);
        core->HID4.written = 1;
    }
}
