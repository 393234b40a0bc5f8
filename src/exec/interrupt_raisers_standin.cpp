// Stand-in of the illegal-instruction raiser, with a record of its calls for the tests.
#include "exec/interrupt_raisers.h"
#include "exec/interrupt_raisers_standin.h"

IllegalInstructionStandinLog illegal_instruction_standin_log = {0, nullptr, nullptr};

// STAND-IN: raises nothing. Missing: the transactional-memory pre-check (MSR TS bits, htm_handle_exception),
// the exception record of type 28 subtype 221 from IOP_New_Exception with hypervisor 1, srr1_clear
// 0x783F0000, save_to 1 and the instruction word in HEIR, and its filing by Take_Care_Of_Exception. It only
// counts the calls and keeps the last instruction and text. Defined weakly so that the raiser of the
// execution engine replaces it.
__attribute__((weak)) PowerPCException *interrupt_IllegalInstruction(IOPDesc *iop, const char *text) {
    ++illegal_instruction_standin_log.calls;
    illegal_instruction_standin_log.last_iop = iop;
    illegal_instruction_standin_log.last_text = text;
    return nullptr;
}
