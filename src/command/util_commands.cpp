// The "Util" table: address translation, disassembly and instruction stuffing.
#include "command/util_commands.h"

#include <strings.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "command/cmd_table.h"
#include "command/later_tables.h"
#include "command/selector.h"
#include "decode/instr_tables.h"
#include "interrupts/interrupt_raisers.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "mmu/address_translate.h"
#include "processor/hooks/disassembler.h"
#include "processor/hooks/emat_invalidate.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_triggers.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

constexpr uint32_t WIMG_MARKER = 0xDEADBEEF;

// Reads address and size, translates; 0 with the descriptor filled, else 1 after the message.
int translate(ThreadState *thread, Tcl_Interp *interpreter, int argc, char **argv, int data, AXD *axd)
{
    if (argc < 2) {
        SIM_TCLPRINT(interpreter, "Usage: %s <address> {<size>=1}\n", argv[0]);
        return 1;
    }
    int ok = 0;
    uint64_t address = STRING2INT_rc(argv[1], &ok);
    if (!ok) {
        SIM_TCLPRINT(interpreter, "Error reading address got 0x%016lX from %s\n", address, argv[1]);
        return 1;
    }
    int16_t size = 1;
    if (argc > 2) {
        size = (int16_t)STRING2INT_rc(argv[2], &ok);
        if (!ok) {
            SIM_TCLPRINT(interpreter, "Error reading length got %d from %s\n", size, argv[2]);
            return 1;
        }
    }
    if (!thread) return 1;
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    *axd = INITIAL_AXD;
    axd->ea = axd->orig_ea = address;
    axd->size = size;
    axd->kind = data ? AXD_KIND_LOAD : AXD_KIND_FETCH;
    axd->wimg = WIMG_MARKER;
    axd->iop = &iop;
    int status = PPC_MMU_AddressTranslate(XLATE_NOSIDEEFFECT | XLATE_NOEXCEPTION | XLATE_NOCHECK, &iop, axd);
    // The temporary instruction leaves no trace on the thread.
    Discard_Instruction_Bound_Exceptions(&iop, data ? 1 : 0);
    axd->iop = nullptr;
    if (status == XLATE_OK) return 0;
    if (data) {
        SIM_TCLPRINT(interpreter, "data address translation for 0x%016lX failed", address);
        return 1;
    }
    MCM *chip = thread->mcm;
    MemoryMap *map = chip && chip->mbus ? chip->mbus->memory_map : nullptr;
    if (map && MemMap_ValidAddr(map, address)) {
        axd->pa = address;
        return 0;
    }
    SIM_TCLPRINT(interpreter, "inst address translation for 0x%016lX failed", address);
    return 1;
}

// Reads the whole word as a number in base 0.
bool whole_number(const char *text, unsigned long long *value)
{
    char *end = nullptr;
    errno = 0;
    *value = strtoull(text, &end, 0);
    return end != text && *end == '\0' && errno == 0;
}

} // namespace

int UTIL_AddrTransCmd(ThreadState *thread, Tcl_Interp *interpreter, int argc, char **argv, int data)
{
    AXD axd;
    if (translate(thread, interpreter, argc, argv, data, &axd)) return 1;
    SIM_TCLPRINT(interpreter, "0x%016lX", axd.pa);
    return 0;
}

int UTIL_AddrTransWIMG_Cmd(ThreadState *thread, Tcl_Interp *interpreter, int argc, char **argv, int data)
{
    AXD axd;
    if (translate(thread, interpreter, argc, argv, data, &axd)) return 1;
    // An instruction address taken as its own physical address has no translated attributes: the
    // marker is still in place, and a real-mode fetch is coherent memory.
    if (axd.wimg == WIMG_MARKER) axd.wimg = AXD_WIMG_M;
    SIM_TCLPRINT(interpreter, "%s", Prepare_WIMG(axd.wimg));
    return 0;
}

int UTIL_dTransCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return UTIL_AddrTransCmd(select_thread(selector), interpreter, argc, argv, 1);
}

int UTIL_iTransCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return UTIL_AddrTransCmd(select_thread(selector), interpreter, argc, argv, 0);
}

int UTIL_Thread_dTransCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return UTIL_AddrTransCmd(select_thread(selector), interpreter, argc, argv, 1);
}

int UTIL_Thread_iTransCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return UTIL_AddrTransCmd(select_thread(selector), interpreter, argc, argv, 0);
}

int UTIL_dTransWIMG_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return UTIL_AddrTransWIMG_Cmd(select_thread(selector), interpreter, argc, argv, 1);
}

int UTIL_iTransWIMG_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return UTIL_AddrTransWIMG_Cmd(select_thread(selector), interpreter, argc, argv, 0);
}

int PPC_DisasmCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    unsigned long long word, address;
    if (!whole_number(argv[1], &word) || word > 0xFFFFFFFFull) {
        SIM_TCLPRINT(interpreter, "disasm: error reading encoding %s", argv[1]);
        return 1;
    }
    if (!whole_number(argv[2], &address)) {
        SIM_TCLPRINT(interpreter, "disasm: error reading address %s", argv[2]);
        return 1;
    }
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    IOPDesc iop;
    INITIAL_IOP(&iop, nullptr);
    iop.thread = thread;
    iop.fetch.ea = address;
    uint32_t instruction = (uint32_t)word;
    if (thread->MSR.value & 1) instruction = __builtin_bswap32(instruction);
    iop.word = instruction;
    iop.row = Processor_Decode_Instruction(thread->processor, instruction);
    char text[400];
    disassemble(text, sizeof text, &iop, 0);
    SIM_TCLPRINT(interpreter, "%s", text);
    return 0;
}

int PPC_StuffCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    uint32_t word = (uint32_t)strtoul(argv[1], nullptr, 0);
    if (word == 0) {
        SIM_TCLPRINT(interpreter, "sorry cannot support mnemomics: %s", argv[1]);
        return 1;
    }
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    iop.word = word;
    if (StuffInstr(&iop)) return 0;
    SIM_TCLPRINT(interpreter, "Stuff Failed of: 0x%x", word);
    return 1;
}

int EMAT_Set_Cmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    if (strncasecmp(argv[1], "reset", 5) == 0) {
        ThreadState *thread = select_thread(selector);
        if (thread) EMAT_INVALIDATE_ALL(thread, 0, "tcl");
    }
    return 0;
}

SimCmdTable *build_UtilCmd_table(void *)
{
    static const char EMPTY[] = "";
    SimCmdTable *table = Init_SimCmdTable("Util");
    add_simcommand(table, "ppc_disasm", PPC_DisasmCmd, "PPC_DisasmCmd", 2, 0, "{instruction} {address}");
    add_simcommand(table, "stuff", PPC_StuffCmd, "PPC_StuffCmd", 1, 0, "{instruction}");
    add_simcommand(table, "itranslate_wimg", UTIL_iTransWIMG_Cmd, "UTIL_iTransWIMG_Cmd", -1, 0, EMPTY);
    add_simcommand(table, "itranslate", UTIL_iTransCmd, "UTIL_iTransCmd", -1, 0, EMPTY);
    add_simcommand(table, "dtranslate_wimg", UTIL_dTransWIMG_Cmd, "UTIL_dTransWIMG_Cmd", -1, 0, EMPTY);
    add_simcommand(table, "dtranslate", UTIL_dTransCmd, "UTIL_dTransCmd", -1, 0, EMPTY);
    return table;
}
