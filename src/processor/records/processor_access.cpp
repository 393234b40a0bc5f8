// Accessors of the processor record used by other subsystems.
#include "processor/records/processor_state.h"

InstrInfo *ProcessorState__InstructionTable(ProcessorState *processor)
{
    return processor ? processor->instruction_table : nullptr;
}
