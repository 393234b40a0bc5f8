// Texts of the instruction trace and debug output.
#include "processor/prints/trace_text.h"

#include <cinttypes>
#include <cstdio>

#include "processor/hooks/interrupt_hooks.h"
#include "decode/instr_info.h"
#include "decode/operand_fields.h"
#include "processor/records/generic_machine.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/utils.h"

namespace
{

constexpr int DEBUG_EXERCISER_TRACE = 14;

const char *mnemonic_of(const IOPDesc *iop)
{
    return iop && iop->row ? iop->row->mnemonic : "no instruction";
}

} // namespace

void print_iparameter(IOPDesc *iop)
{
    if (!iop || !iop->row || iop->row->operand_class >= (uint32_t)IPARAMETER_TABLE_SIZE) return;
    const uint32_t *fields = iparameter_table[iop->row->operand_class];
    if (!fields) return;
    for (; *fields; fields++) {
        if (*fields >= (uint32_t)NIF_TABLE_SIZE || !nif_table[*fields]) continue;
        SIM_PRINT(" ");
        nif_table[*fields](iop->word);
    }
}

void Print_Spindrel_Trace(IOPDesc *iop)
{
    if (!iop || !iop->thread) return;
    const ThreadState *t = iop->thread;
    SIM_PRINT(" %d, ", t->processor ? (int)t->processor->core_id : 0);
    SIM_PRINT("%d, ", (int)t->thread_id_in_core);
    SIM_PRINT("0x%016lX, ", (unsigned long)iop->fetch.ea);
    SIM_PRINT("0x%016lX, ", (unsigned long)iop->fetch.pa);
    SIM_PRINT("0x%08X, ", iop->word);
    SIM_PRINT("%s", mnemonic_of(iop));
    print_iparameter(iop);
    for (PowerPCException *e = iop->exceptions; e; e = e->next) {
        const char *subtype = est_string(e->subtype);
        SIM_PRINT(", Exception: (%s, %s, %s)", Exception_Name(e), subtype ? subtype : "",
                  e->detail ? e->detail : "");
    }
    SIM_PRINT("\n");
}

void Set_Spindrel_Trace_Mode(GenericMachine *machine, int32_t mode)
{
    if (machine) machine->exerciser_trace_mode = mode;
    set_debug_flag(DEBUG_EXERCISER_TRACE, mode ? 1 : 0);
}

char *Format_Signed_Hex_Immediate(char *buffer, size_t size, int64_t value)
{
    uint64_t magnitude = value < 0 ? 0 - (uint64_t)value : (uint64_t)value;
    if (size) snprintf(buffer, size, "$%c0x%" PRIX64, value < 0 ? '-' : '+', magnitude);
    return buffer;
}

char *Format_Immediate(char *buffer, size_t size, int32_t value)
{
    if (!size) return buffer;
    if (value > 30 && value % 10 != 0)
        snprintf(buffer, size, "0x%X", (unsigned)value);
    else
        snprintf(buffer, size, "%d", value);
    return buffer;
}

char *Format_Branch_Coverage_Fields(char *buffer, size_t size, IOPDesc *iop, const char *suffix)
{
    if (!size) return buffer;
    buffer[0] = '\0';
    if (!iop) return buffer;
    const uint32_t w = iop->word;
    const unsigned bo = (w >> 21) & 0x1F, bi = (w >> 16) & 0x1F, bh = (w >> 11) & 3;
    char name[64];
    snprintf(name, sizeof name, "bc%s%s", suffix ? suffix : "", (w & 1) ? "l" : "");
    char line[128];
    if (!(bo & 0x10)) {
        snprintf(line, sizeof line, "%s, cr, %u\n", name, (w >> 18) & 7);
        safe_strcat(buffer, line, size);
    }
    snprintf(line, sizeof line, "%s, bo, %u\n", name, bo);
    safe_strcat(buffer, line, size);
    snprintf(line, sizeof line, "%s, bi, %u\n", name, bi);
    safe_strcat(buffer, line, size);
    snprintf(line, sizeof line, "%s, bh, %u\n", name, bh);
    safe_strcat(buffer, line, size);
    return buffer;
}

char *Format_Branch_Mnemonic(char *buffer, size_t size, IOPDesc *iop, const char *suffix)
{
    if (!size) return buffer;
    buffer[0] = '\0';
    if (!iop) return buffer;
    static const char *const true_names[4] = {"lt", "gt", "eq", "so"};
    static const char *const false_names[4] = {"ge", "le", "ne", "ns"};
    const uint32_t w = iop->word;
    const unsigned bo = (w >> 21) & 0x1F, bi = (w >> 16) & 0x1F, bh = (w >> 11) & 3;
    const char *s = suffix ? suffix : "";
    const char *k = (w & 1) ? "l" : "";
    char operands[96];
    snprintf(operands, sizeof operands, "%.40s 0x%X,0x%X,0x%X", mnemonic_of(iop), bo, bi, bh);
    operands[24] = '\0'; // at most 24 characters
    const char *condition = (bo & 0x08) ? true_names[bi & 3] : false_names[bi & 3];
    char mnemonic[64];
    if (bo & 0x04) {
        if (bo & 0x10)
            snprintf(mnemonic, sizeof mnemonic, "b%s%s", s, k);
        else
            snprintf(mnemonic, sizeof mnemonic, "b%s%s%s", condition, s, k);
    } else {
        const char *counter = (bo & 0x02) ? "z" : "nz";
        if (bo & 0x10)
            snprintf(mnemonic, sizeof mnemonic, "bd%s%s%s", counter, s, k);
        else
            snprintf(mnemonic, sizeof mnemonic, "bd%s%s%s%s%s", counter, (bo & 0x08) ? "t" : "f", s, k,
                     condition);
    }
    if (bo & 0x10) {
        snprintf(buffer, size, "%-7s (%s)", mnemonic, operands);
    } else {
        char field[8];
        snprintf(field, sizeof field, "cr%u", bi >> 2);
        snprintf(buffer, size, "%-7s %s  (%s)", mnemonic, field, operands);
    }
    return buffer;
}

const char *Constrain_Mask2String(const InstrInfo *row)
{
    const uint32_t bits = row ? row->attributes : 0;
    if ((bits & 0x30) == 0x30) return "FL";
    if (bits & 0x10) return "Fx";
    if (bits & 0x20) return "xL";
    return "xx";
}

const char *Serialize_Mask2String(const InstrInfo *row)
{
    const uint32_t bits = row ? row->attributes : 0;
    if (bits & 0x1) return "SI";
    if (bits & 0x2) return "SD";
    if (bits & 0x4) return "SE";
    return "xx";
}

void Print_Scaled_Value(const char *name, double rate)
{
    const char *prefix = "";
    if (rate >= 1e9) {
        rate /= 1e9;
        prefix = "Giga-";
    } else if (rate >= 1e6) {
        rate /= 1e6;
        prefix = "Mega-";
    } else if (rate >= 1e3) {
        rate /= 1e3;
        prefix = "Kilo-";
    }
    SIM_PRINT("%8.1f %s%s", rate, prefix, name ? name : "");
}

const char *SquashArgV(int count, char **words)
{
    static char buffer[1024];
    buffer[0] = '\0';
    for (int i = 1; i < count; i++) {
        if (i > 1) safe_strcat(buffer, "/", sizeof buffer);
        safe_strcat(buffer, words[i] ? words[i] : "", sizeof buffer);
    }
    return buffer;
}
