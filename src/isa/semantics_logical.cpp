// Logical, count and extend instructions: and, andc, or, orc, xor, nor, nand, eqv and their record
// forms, the immediate forms, the cycle-level core's internal andi/andis, cntlzw/cntlzd,
// extsb/extsh/extsw, the population counts, parity, bperm and cmpb.
//
// Encodings that do nothing architecturally carry simulator meaning: "or n,n,n" (SMT and program
// priority hints, the "NOOP" trigger), "ori n,n,0" and "and 0,0,0" (no register access at all
// under the KNOW_* options), "xori 0,0,0" (the idle-loop service) and "xori 1,1,0" / "xori 2,2,0"
// (the machine's bit-accurate mode on and off).
#include "decode/semantics.h"
#include "interrupts/instruction_raisers.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/hooks/smt_priority.h"
#include "isa/integer_workers.h"
#include "isa/semantics_helpers.h"
#include "processor/hooks/machine_trigger_table.h"
#include "processor/hooks/pturbo_control.h"
#include "processor/hooks/sim_support_halt.h"
#include "processor/prints/instruction_prints.h"
#include "processor/records/generic_machine.h"
#include "runtime/message.h"
#include "runtime/triggers.h"

namespace
{

enum LogicalOp : uint8_t { AND, ANDC, OR, ORC, XOR, NOR, NAND, EQV };

inline uint64_t logical(LogicalOp op, uint64_t s, uint64_t b)
{
    switch (op) {
    case AND:
        return s & b;
    case ANDC:
        return s & ~b;
    case OR:
        return s | b;
    case ORC:
        return s | ~b;
    case XOR:
        return s ^ b;
    case NOR:
        return ~(s | b);
    case NAND:
        return ~(s & b);
    default:
        return ~(s ^ b);
    }
}

// RA := the result, then CR0 for a record form.
inline int write_ra(IOPDesc *iop, uint64_t value, bool record)
{
    IOP_Write_GPR(iop, FIELD_RA(iop->word), value);
    if (record) SET_CR0(iop, value, 0);
    return 1;
}

inline uint64_t read_rs(IOPDesc *iop)
{
    return IOP_Read_GPR(iop, FIELD_RS(iop->word), OPERAND_S);
}

inline uint64_t read_rb(IOPDesc *iop)
{
    return IOP_Read_GPR(iop, FIELD_RB(iop->word), OPERAND_B);
}

// RA := RS op RB (RS read first).
inline int two_source(IOPDesc *iop, LogicalOp op, bool record)
{
    uint64_t rs = read_rs(iop);
    uint64_t rb = read_rb(iop);
    return write_ra(iop, logical(op, rs, rb), record);
}

inline uint32_t count_leading_zeros_word(uint64_t value)
{
    uint32_t word = (uint32_t)value;
    return word ? (uint32_t)__builtin_clz(word) : 32;
}

inline uint32_t count_leading_zeros_doubleword(uint64_t value)
{
    return value ? (uint32_t)__builtin_clzll(value) : 64;
}

// Each group of `bits` bits (8, 16, 32 or 64) := the number of one bits it holds.
inline uint64_t population_count(uint64_t value, int bits)
{
    const uint64_t group = bits == 64 ? ~0ull : (1ull << bits) - 1;
    uint64_t result = 0;
    for (int shift = 0; shift < 64; shift += bits)
        result |= (uint64_t)__builtin_popcountll((value >> shift) & group) << shift;
    return result;
}

// The XOR of the low bits of the bytes first..last.
inline uint64_t byte_parity(uint64_t value, int first, int last)
{
    uint64_t parity = 0;
    for (int byte = first; byte <= last; byte++)
        parity ^= value >> (8 * byte);
    return parity & 1;
}

// Raises the illegal-instruction interrupt when the option is off; true when the gate passes.
inline bool option_gate(IOPDesc *iop, uint32_t option, const char *name)
{
    if (IOP_Option(iop, option)) return true;
    interrupt_IllegalInstruction(iop, name);
    return false;
}

inline int complete(IOPDesc *iop, int (*worker)(IOPDesc *))
{
    if (!worker(iop)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

// An enabled associative trigger of that name in the thread's machine.
bool assoc_trigger_enabled(IOPDesc *iop, const char *name)
{
    TriggerTable *table = Machine_Trigger_Table(iop->thread->machine);
    return table && table->assoc_count != 0 && Assoc_Trigger_Search(table, name) != nullptr;
}

// The bit-accurate mode switch of "xori 1,1,0" and "xori 2,2,0".
void set_bit_accurate(IOPDesc *iop, int32_t on)
{
    GenericMachine *machine = iop->thread->machine;
    if (machine) machine->bit_accurate = on;
    sim_warning(2, on ? "Bit Accurate Mode being turned on!" : "Bit Accurate Mode being turned off!");
    turbo_xlate_flush(machine);
}

} // namespace

// ---- and, or and the other two-source operations ----

int core_and(IOPDesc *iop)
{
    // "and 0,0,0": RS, RA and RB all 0.
    if ((iop->word & 0x03FFF800) == 0 && IOP_Option(iop, PO_KNOW_AND_ZERO_NOP)) return 1;
    return two_source(iop, AND, false);
}

int core_or(IOPDesc *iop)
{
    SMTA_Adjust_Priorities_for_NOP(iop);
    const uint32_t word = iop->word;
    const uint32_t rs = FIELD_RS(word);
    // "or n,n,n"; RS != RA (mr and every ordinary or) costs one comparison.
    if (rs == FIELD_RA(word) && rs == FIELD_RB(word)) {
        GLENT_Set_Thread_Priority(iop, rs);
        if (rs >= 10 && rs <= 30 && assoc_trigger_enabled(iop, "NOOP")) iop->deferred_triggers = AFTER_NOOP;
        if (IOP_Option(iop, PO_KNOW_OR_NOP)) return 1;
    }
    return two_source(iop, OR, false);
}

#define QUARN_TWO_SOURCE(name, op, record)                                                                   \
    int core_##name(IOPDesc *iop)                                                                            \
    {                                                                                                        \
        return two_source(iop, op, record);                                                                  \
    }
QUARN_TWO_SOURCE(and_dot, AND, true)
QUARN_TWO_SOURCE(andc, ANDC, false)
QUARN_TWO_SOURCE(andc_dot, ANDC, true)
QUARN_TWO_SOURCE(or_dot, OR, true)
QUARN_TWO_SOURCE(orc, ORC, false)
QUARN_TWO_SOURCE(orc_dot, ORC, true)
QUARN_TWO_SOURCE(xor, XOR, false)
QUARN_TWO_SOURCE(xor_dot, XOR, true)
QUARN_TWO_SOURCE(nor, NOR, false)
QUARN_TWO_SOURCE(nor_dot, NOR, true)
QUARN_TWO_SOURCE(nand, NAND, false)
QUARN_TWO_SOURCE(nand_dot, NAND, true)
QUARN_TWO_SOURCE(eqv, EQV, false)
QUARN_TWO_SOURCE(eqv_dot, EQV, true)
#undef QUARN_TWO_SOURCE

// ---- immediate forms ----

int core_andi_dot(IOPDesc *iop)
{
    return write_ra(iop, read_rs(iop) & FIELD_UI(iop->word), true);
}

int core_andis_dot(IOPDesc *iop)
{
    return write_ra(iop, read_rs(iop) & ((uint64_t)FIELD_UI(iop->word) << 16), true);
}

int core_ori(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    const uint32_t ra = FIELD_RA(word);
    const uint32_t ui = FIELD_UI(word);
    if (ui == 0 && ra == FIELD_RS(word) &&
        (IOP_Option(iop, PO_KNOW_ORI_NOP) || (ra == 0 && IOP_Option(iop, PO_KNOW_ORI_ZERO_NOP))))
        return 1;
    return write_ra(iop, read_rs(iop) | ui, false);
}

int core_oris(IOPDesc *iop)
{
    return write_ra(iop, read_rs(iop) | ((uint64_t)FIELD_UI(iop->word) << 16), false);
}

int core_xori(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    uint64_t rs = read_rs(iop);
    const uint32_t ui = FIELD_UI(word);
    const uint32_t ra = FIELD_RA(word);
    if (ui == 0 && ra == FIELD_RS(word)) {
        if (ra == 0)
            SimBogusHalt(iop->thread);
        else if (ra == 1)
            set_bit_accurate(iop, 1);
        else if (ra == 2)
            set_bit_accurate(iop, 0);
    }
    return write_ra(iop, rs ^ ui, false);
}

int core_xoris(IOPDesc *iop)
{
    return write_ra(iop, read_rs(iop) ^ ((uint64_t)FIELD_UI(iop->word) << 16), false);
}

// ---- counts, extends, population counts, parity, bperm, cmpb ----

int core_cntlzw(IOPDesc *iop)
{
    return write_ra(iop, count_leading_zeros_word(read_rs(iop)), false);
}
int core_cntlzw_dot(IOPDesc *iop)
{
    return write_ra(iop, count_leading_zeros_word(read_rs(iop)), true);
}
int core_cntlzd(IOPDesc *iop)
{
    return write_ra(iop, count_leading_zeros_doubleword(read_rs(iop)), false);
}
int core_cntlzd_dot(IOPDesc *iop)
{
    return write_ra(iop, count_leading_zeros_doubleword(read_rs(iop)), true);
}

int core_extsb(IOPDesc *iop)
{
    return write_ra(iop, (uint64_t)(int64_t)(int8_t)read_rs(iop), false);
}
int core_extsb_dot(IOPDesc *iop)
{
    return write_ra(iop, (uint64_t)(int64_t)(int8_t)read_rs(iop), true);
}
int core_extsh(IOPDesc *iop)
{
    return write_ra(iop, (uint64_t)(int64_t)(int16_t)read_rs(iop), false);
}
int core_extsh_dot(IOPDesc *iop)
{
    return write_ra(iop, (uint64_t)(int64_t)(int16_t)read_rs(iop), true);
}
int core_extsw(IOPDesc *iop)
{
    return write_ra(iop, (uint64_t)(int64_t)(int32_t)read_rs(iop), false);
}
int core_extsw_dot(IOPDesc *iop)
{
    return write_ra(iop, (uint64_t)(int64_t)(int32_t)read_rs(iop), true);
}

int core_popcntb(IOPDesc *iop)
{
    return write_ra(iop, population_count(read_rs(iop), 8), false);
}
int core_popcnth(IOPDesc *iop)
{
    return write_ra(iop, population_count(read_rs(iop), 16), false);
}
int core_popcntw(IOPDesc *iop)
{
    return write_ra(iop, population_count(read_rs(iop), 32), false);
}
int core_popcntd(IOPDesc *iop)
{
    return write_ra(iop, population_count(read_rs(iop), 64), false);
}

int core_prtyw(IOPDesc *iop)
{
    uint64_t rs = read_rs(iop);
    return write_ra(iop, byte_parity(rs, 0, 3) | byte_parity(rs, 4, 7) << 32, false);
}

int core_prtyd(IOPDesc *iop)
{
    return write_ra(iop, byte_parity(read_rs(iop), 0, 7), false);
}

int core_bperm(IOPDesc *iop)
{
    uint64_t rs = read_rs(iop);
    uint64_t rb = read_rb(iop);
    uint64_t result = 0;
    for (int i = 0; i < 8; i++) {
        uint32_t index = (uint32_t)(rs >> (56 - 8 * i)) & 0xFF;
        if (index < 64) result |= ((rb >> (63 - index)) & 1) << (7 - i);
    }
    return write_ra(iop, result, false);
}

int core_cmpb(IOPDesc *iop)
{
    uint64_t rs = read_rs(iop);
    uint64_t rb = read_rb(iop);
    uint64_t result = 0;
    for (int shift = 0; shift < 64; shift += 8)
        if (((rs ^ rb) >> shift & 0xFF) == 0) result |= 0xFFull << shift;
    return write_ra(iop, result, false);
}

// ---- semantic routines ----

#define QUARN_PLAIN_ROUTINE(name)                                                                            \
    int semantic_##name(IOPDesc *iop)                                                                        \
    {                                                                                                        \
        return complete(iop, core_##name);                                                                   \
    }
QUARN_PLAIN_ROUTINE(and)
QUARN_PLAIN_ROUTINE(and_dot)
QUARN_PLAIN_ROUTINE(andc)
QUARN_PLAIN_ROUTINE(andc_dot)
QUARN_PLAIN_ROUTINE(or)
QUARN_PLAIN_ROUTINE(or_dot)
QUARN_PLAIN_ROUTINE(orc)
QUARN_PLAIN_ROUTINE(orc_dot)
QUARN_PLAIN_ROUTINE(xor)
QUARN_PLAIN_ROUTINE(xor_dot)
QUARN_PLAIN_ROUTINE(nor)
QUARN_PLAIN_ROUTINE(nor_dot)
QUARN_PLAIN_ROUTINE(nand)
QUARN_PLAIN_ROUTINE(nand_dot)
QUARN_PLAIN_ROUTINE(eqv)
QUARN_PLAIN_ROUTINE(eqv_dot)
QUARN_PLAIN_ROUTINE(andi_dot)
QUARN_PLAIN_ROUTINE(andis_dot)
QUARN_PLAIN_ROUTINE(ori)
QUARN_PLAIN_ROUTINE(oris)
QUARN_PLAIN_ROUTINE(xori)
QUARN_PLAIN_ROUTINE(xoris)
QUARN_PLAIN_ROUTINE(extsb)
QUARN_PLAIN_ROUTINE(extsb_dot)
QUARN_PLAIN_ROUTINE(extsh)
QUARN_PLAIN_ROUTINE(extsh_dot)
#undef QUARN_PLAIN_ROUTINE

// The cycle-level core's internal forms: no CR0, no advance.
int semantic_andi(IOPDesc *iop)
{
    return write_ra(iop, read_rs(iop) & FIELD_UI(iop->word), false);
}

int semantic_andis(IOPDesc *iop)
{
    return write_ra(iop, read_rs(iop) & ((uint64_t)FIELD_UI(iop->word) << 16), false);
}

int semantic_cntlzw(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE()) return 0;
    return complete(iop, core_cntlzw);
}
int semantic_cntlzw_dot(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE()) return 0;
    return complete(iop, core_cntlzw_dot);
}
int semantic_cntlzd(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE() || !check_64bit_op_ok(iop)) return 0;
    return complete(iop, core_cntlzd);
}
int semantic_cntlzd_dot(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE() || !check_64bit_op_ok(iop)) return 0;
    return complete(iop, core_cntlzd_dot);
}

int semantic_extsw(IOPDesc *iop)
{
    if (!check_64bit_op_ok(iop)) return 0;
    return complete(iop, core_extsw);
}
int semantic_extsw_dot(IOPDesc *iop)
{
    if (!check_64bit_op_ok(iop)) return 0;
    return complete(iop, core_extsw_dot);
}

int semantic_popcntb(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE() || !option_gate(iop, PO_POPCNTB_SUPPORTED, "popcntb")) return 0;
    return complete(iop, core_popcntb);
}

int semantic_popcntw(IOPDesc *iop)
{
    if (!option_gate(iop, PO_POPCNTW_SUPPORTED, "popcntw") || CHECK_FOR_UCODE() || !PCR_Gate_v2_05(iop) ||
        !option_gate(iop, PO_POWERPC_V206, "popcntw"))
        return 0;
    return complete(iop, core_popcntw);
}

int semantic_popcntd(IOPDesc *iop)
{
    if (!option_gate(iop, PO_POPCNTD_SUPPORTED, "popcntd") || !PCR_Gate_v2_05(iop) ||
        !check_64bit_op_ok(iop) || CHECK_FOR_UCODE() || !option_gate(iop, PO_POWERPC_V206, "popcntd"))
        return 0;
    return complete(iop, core_popcntd);
}

int semantic_popcnth(IOPDesc *iop)
{
    if (!PCR_Gate_v2_05(iop) || !option_gate(iop, PO_POWERPC_V206, "popcnth")) return 0;
    return complete(iop, core_popcnth);
}

int semantic_bperm(IOPDesc *iop)
{
    if (!option_gate(iop, PO_BPERMD_SUPPORTED, "bpermd") || CHECK_FOR_UCODE() || !PCR_Gate_v2_05(iop) ||
        !option_gate(iop, PO_POWERPC_V206, "bperm"))
        return 0;
    return complete(iop, core_bperm);
}

int semantic_cmpb(IOPDesc *iop)
{
    if (!option_gate(iop, PO_POWERPC_V202, "cmpb")) return 0;
    return complete(iop, core_cmpb);
}

int semantic_prtyw(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE() || !option_gate(iop, PO_POWERPC_V202, "prtyw")) return 0;
    return complete(iop, core_prtyw);
}

int semantic_prtyd(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE() || !check_64bit_op_ok(iop) || !option_gate(iop, PO_POWERPC_V202, "prtyd")) return 0;
    return complete(iop, core_prtyd);
}
