// Stand-in of the processor record's instruction-table accessor.
#include "exec/instr_tables.h"

// STAND-IN: ProcessorState is not built yet. The real accessor returns the processor's `instruction_table`
// field (the table InstrInfo__id2table gave for its "private_ii_table" key at Processor_Init); this one
// always answers the static table. Defined weakly so that the processor records replace it.
__attribute__((weak)) InstrInfo *ProcessorState__InstructionTable(ProcessorState *) { return instruction_info_table; }
