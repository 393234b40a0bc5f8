// Whether an external instruction decoder claims a word, for the page translation.
#include "translator/hooks/external_decoders.h"

#include "processor/records/generic_machine.h"
#include "processor/records/processor_identity.h"

int external_decoders_exist(GenericMachine *machine, uint32_t word)
{
    ThreadState *thread = machine ? GenericMachine__Thread(machine, 0) : nullptr;
    if (!thread) return 0;
    return ThreadState_check_decoders(thread, word, 1) != 0 ? 1 : 0;
}
