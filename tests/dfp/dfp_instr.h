// The decimal instruction fixture: an Ervik test thread (tests/isa/exec_word.h) with the decimal
// options of that processor type on, a 64-bit hypervisor MSR with FP, and instruction words built
// from the row file's encodings by mnemonic.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "interrupts/exception_types.h"
#include "isa/exec_word.h"
#include "processor/regs/msr_rules.h"

namespace dfp_test
{

struct RowEncoding {
    const char *mnemonic;
    uint32_t value;
    uint32_t fpscr_mask;
};

#define INSTR(id, mnemonic, templ, form, operand_class, class_flags, attributes, optype, access_size, tea,   \
              internal, iops, throughput, fpscr_mask, semantic, operands, softpatch, enc_mask, enc_value,    \
              enc_prio)                                                                                      \
    {mnemonic, enc_value, fpscr_mask},
inline const RowEncoding kRowEncodings[] = {
#include "decode/instructions.def"
};
#undef INSTR

// The fixed bits of the row's encoding.
inline uint32_t encoding(const char *mnemonic)
{
    for (const RowEncoding &r : kRowEncodings)
        if (strcmp(r.mnemonic, mnemonic) == 0) return r.value;
    ADD_FAILURE() << "no row " << mnemonic;
    return 0;
}

// X form: T (or BF << 2), A (or TE, R, S, SP), B; Z forms add RMC (bits 9-10) or SH (bits 10-15).
inline uint32_t X(const char *m, uint32_t t, uint32_t a, uint32_t b)
{
    return encoding(m) | (t << 21) | (a << 16) | (b << 11);
}
inline uint32_t Z23(const char *m, uint32_t t, uint32_t a, uint32_t b, uint32_t rmc)
{
    return X(m, t, a, b) | (rmc << 9);
}
inline uint32_t Z22(const char *m, uint32_t t, uint32_t a, uint32_t sh)
{
    return encoding(m) | (t << 21) | (a << 16) | (sh << 10);
}
inline uint32_t BFX(const char *m, uint32_t bf, uint32_t a, uint32_t b)
{
    return X(m, bf << 2, a, b);
}

constexpr uint64_t kD64One = 0x2238000000000001;                       // 1
constexpr uint64_t kD64Three = 0x2238000000000003;                     // 3
constexpr uint64_t kQuadOneHigh = 0x2208000000000000, kQuadOneLow = 1; // decimal128 1

class DfpInstr : public ::testing::Test
{
  protected:
    DfpInstr() { ervik_thread(ew); }

  public:
    // The decimal options of the Ervik processor type, its initial HFSCR, FSCR and FPR invalid
    // map, and MSR SF, HV and FP.
    static void ervik_thread(ExecWord &w)
    {
        for (uint32_t o : {PO_DFP_SUPPORTED, PO_DFP_DCTFIX_LEAVES_FPRF_ZERO, PO_FP_VSX_TAKES_SOFTPATCH,
                           PO_SUPPORTS_FP_SOFTPATCH, PO_POWERPC_V202})
            w.option(o);
        w.t->HFSCR.value = 0x0F000000000003FF;
        w.t->FSCR.value = 0x0F000000000003C4;
        w.t->FPR_INVALID_MAP.value = ~0ull;
        w.t->MSR.value = MSR_SF | MSR_HV | MSR_FP;
    }

  protected:
    uint64_t &fpr(int n) { return ew.t->VSR[n].value[1]; }
    uint64_t &low(int n) { return ew.t->VSR[n].value[0]; } // the VSR's other doubleword
    uint64_t &fpscr() { return ew.t->FPSCR.value; }
    uint64_t &change() { return ew.t->FPSCR_CHANGE.value; }
    uint32_t &cr() { return ew.t->CR.value; }
    uint64_t &pc() { return ew.t->PC.value; }
    int run(uint32_t word) { return ew.run(word); }
    PowerPCException *raised() { return ew.raised(); }

    ExecWord ew;
};

} // namespace dfp_test
