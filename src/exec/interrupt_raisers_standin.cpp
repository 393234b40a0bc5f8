// Stand-in of the illegal-instruction raiser, with a record of its calls for the tests.
#include "exec/interrupt_raisers.h"
#include "exec/interrupt_raisers_standin.h"
#include "exec/spr_interrupt_standins.h"
#include "processor/exception_record.h"
#include "processor/instruction_record.h"

IllegalInstructionStandinLog illegal_instruction_standin_log = {0, nullptr, nullptr};

// STAND-IN: missing: the transactional-memory pre-check (MSR TS bits, htm_handle_exception), the
// priority and vector of the record, and its filing in priority order by Take_Care_Of_Exception. It
// counts the calls, keeps the last instruction and text, and appends a record of type 28 subtype 221
// (hypervisor 1, srr1_clear 0x783F0000, save_to 1, the instruction word in HEIR, the text as detail)
// to the instruction's list. Defined weakly so that the raiser of the execution engine replaces it.
__attribute__((weak)) PowerPCException *interrupt_IllegalInstruction(IOPDesc *iop, const char *text) {
    ++illegal_instruction_standin_log.calls;
    illegal_instruction_standin_log.last_iop = iop;
    illegal_instruction_standin_log.last_text = text;
    PowerPCException *record = File_Standin_Exception(iop, EXC_TYPE_HEA, EXC_REASON_ILLEGAL, text);
    if (record) {
        record->hypervisor = 1;
        record->srr1_clear = 0x783F0000;
        record->save_to = 1;
        record->heir_valid = 1;
        record->heir = iop->word;
    }
    return record;
}
