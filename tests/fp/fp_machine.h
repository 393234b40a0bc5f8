// A machine of the Ervik processor built as "define machine" builds it (tests/support/built_machine.h;
// one machine at a time), for running single floating-point instruction words on thread 0: the
// processor's own options and register masks, RAM from address 0, a 64-bit hypervisor MSR with
// MSR[FP] set, FPSCR 0. Each run decodes the word and calls its row's semantic routine on a fresh
// IOPDesc; tests look at the FPRs, FPSCR, CR, the FPR invalid map and the interrupts filed.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>

#include "decode/decoder.h"
#include "decode/instr_info.h"
#include "interrupts/exception_types.h"
#include "processor/config/processor_options.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "support/built_machine.h"

class FPMachine
{
  public:
    explicit FPMachine(const BuiltMachine::Configure &configure = {})
        : name("fp" + std::to_string(++serial)), m(name.c_str(), configure)
    {
        if (!DecodeInstr) SelectDecoder("Ervik");
        core = m.machine ? GenericMachine__Processor(m.machine, 0) : nullptr;
        EXPECT_NE(core, nullptr);
        t = &core->threads[0];
        t->MSR.value = MSR_SF | MSR_HV | MSR_FP;
        t->PC.value = 0x1000;
        t->FPSCR.value = 0;
        t->CR.value = 0;
    }
    ~FPMachine()
    {
        for (IOPDesc &record : records)
            Discard_Instruction_Bound_Exceptions(&record, 0);
    }
    FPMachine(const FPMachine &) = delete;
    FPMachine &operator=(const FPMachine &) = delete;

    // A fresh IOPDesc of thread 0 for the word, decoded; not run.
    IOPDesc *prepare(uint32_t word)
    {
        records.emplace_back();
        iop = &records.back();
        memset(iop, 0, sizeof *iop);
        iop->thread = t;
        iop->length = 4;
        iop->word = word;
        iop->row = DecodeInstr(instruction_info_table, word);
        return iop;
    }
    // Runs the word's semantic routine; returns its answer.
    int run(uint32_t word)
    {
        prepare(word);
        EXPECT_NE(iop->row, nullptr) << std::hex << word;
        return iop->row ? iop->row->semantic(iop) : 0;
    }

    void option(int index, bool on) { core->options[index] = on ? 1 : 0; }
    uint64_t &fpr(int n) { return t->VSR[n].value[1]; }
    uint64_t &fpscr() { return t->FPSCR.value; }
    uint32_t cr_field(int f) const { return (t->CR.value >> (28 - 4 * f)) & 0xF; }
    int marker(int n) const { return t->VSR[n].fpr_form; }
    bool dirty(int n) const { return !(t->FPR_INVALID_MAP.value & (1ull << (63 - n))); }
    // The type of the first interrupt the last instruction raised, -1 when none.
    int raised() const { return iop && iop->exceptions ? iop->exceptions->type : -1; }

    std::string name;
    BuiltMachine m;
    ProcessorState *core = nullptr;
    ThreadState *t = nullptr;
    IOPDesc *iop = nullptr;

  private:
    static inline int serial = 0;
    std::deque<IOPDesc> records;
};

// Encodings (primary opcode 63, or 59 for the single-precision A forms).
inline uint32_t A_FORM(uint32_t opcode, uint32_t xo, uint32_t frt, uint32_t fra, uint32_t frb, uint32_t frc,
                       uint32_t rc = 0)
{
    return (opcode << 26) | (frt << 21) | (fra << 16) | (frb << 11) | (frc << 6) | (xo << 1) | rc;
}
inline uint32_t X_FORM(uint32_t opcode, uint32_t xo, uint32_t t, uint32_t a, uint32_t b, uint32_t rc = 0)
{
    return (opcode << 26) | (t << 21) | (a << 16) | (b << 11) | (xo << 1) | rc;
}

inline uint32_t MTFSF(uint32_t flm, uint32_t frb, uint32_t l = 0, uint32_t w = 0, uint32_t rc = 0)
{
    return (63u << 26) | (l << 25) | (flm << 17) | (w << 16) | (frb << 11) | (711u << 1) | rc;
}

// A-form extended opcodes.
enum : uint32_t { XO_FDIV = 18, XO_FSUB = 20, XO_FADD = 21, XO_FSQRT = 22, XO_FSEL = 23, XO_FRE = 24,
                  XO_FMUL = 25, XO_FRSQRTE = 26, XO_FMSUB = 28, XO_FMADD = 29, XO_FNMSUB = 30,
                  XO_FNMADD = 31 };
// X-form extended opcodes of primary 63.
enum : uint32_t { XO_FCMPU = 0, XO_FRSP = 12, XO_FCTIW = 14, XO_FCTIWZ = 15, XO_FCMPO = 32, XO_MTFSB1 = 38,
                  XO_FNEG = 40, XO_MCRFS = 64, XO_MTFSB0 = 70, XO_FMR = 72, XO_FTDIV = 128, XO_FTSQRT = 160,
                  XO_MTFSFI = 134, XO_FNABS = 136, XO_FCTIWU = 142, XO_FABS = 264, XO_FRIN = 392,
                  XO_FRIZ = 424, XO_FRIP = 456, XO_FRIM = 488, XO_MFFS = 583, XO_MTFSF = 711,
                  XO_FCTID = 814, XO_FCFID = 846, XO_FCPSGN = 8, XO_FEXPTES = 17 };

inline uint64_t bits_of(double d)
{
    uint64_t b;
    memcpy(&b, &d, sizeof b);
    return b;
}

constexpr uint64_t QNAN = 0x7FF8000000000000ull;
constexpr uint64_t ONE = 0x3FF0000000000000ull;
constexpr uint64_t MINUS_ZERO = 0x8000000000000000ull;
constexpr uint64_t PLUS_INF = 0x7FF0000000000000ull;
