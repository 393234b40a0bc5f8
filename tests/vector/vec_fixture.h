// The vector instruction fixture: an Ervik test thread (tests/isa/exec_word.h) with the vector
// options of that processor type, a 64-bit hypervisor MSR with FP, VEC and VSX, RAM from address
// 0, and instruction words built from the row file's encodings by mnemonic.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "processor/hooks/vsr_access.h"
#include "interrupts/exception_types.h"
#include "isa/exec_word.h"
#include "processor/regs/msr_rules.h"
#include "processor/config/processor_options.h"
#include "vector/vector_registers.h"

namespace vec_test
{

struct RowEncoding {
    const char *mnemonic;
    uint32_t value;
};

#define INSTR(id, mnemonic, templ, form, operand_class, class_flags, attributes, optype, access_size, tea,   \
              internal, iops, throughput, fpscr_mask, semantic, operands, softpatch, enc_mask, enc_value,    \
              enc_prio)                                                                                      \
    {mnemonic, enc_value},
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

// VX and VA forms: VT (or VS), VA (or RA, UIMM, SIMM), VB (or RB), VC.
inline uint32_t VX(const char *m, uint32_t t, uint32_t a, uint32_t b)
{
    return encoding(m) | (t << 21) | (a << 16) | (b << 11);
}
// XX3 form with 6-bit register numbers; imm goes to bits 8-9 (DM, SHW).
inline uint32_t XX3(const char *m, uint32_t t, uint32_t a, uint32_t b, uint32_t imm = 0)
{
    return encoding(m) | ((t & 31) << 21) | ((a & 31) << 16) | ((b & 31) << 11) | (imm << 8) |
           ((a >> 5) << 2) | ((b >> 5) << 1) | (t >> 5);
}
// XX4 form (xxsel): XC in bits 21-25 with its extension bit 28.
inline uint32_t XX4(const char *m, uint32_t t, uint32_t a, uint32_t b, uint32_t c)
{
    return XX3(m, t, a, b) | ((c & 31) << 6) | ((c >> 5) << 3);
}
// XX1 forms (the GPR moves): XT or XS and RA.
inline uint32_t XX1(const char *m, uint32_t t, uint32_t ra)
{
    return encoding(m) | ((t & 31) << 21) | (ra << 16) | (t >> 5);
}

inline Vec128 words(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3)
{
    return Vec_From_Words(w0, w1, w2, w3);
}

// Options of the Ervik processor type that the vector code reads (the little-endian reversal
// options excepted: they are off in that type's defaults).
constexpr uint32_t kErvikVectorOptions[] = {
    PO_PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS,
    PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED,
    PO_Dravo_VMX,
    PO_VMX_TAKES_SOFTPATCH,
    PO_FP_VSX_TAKES_SOFTPATCH,
    PO_LOAD_Tc_UNDEFINED_BITS_FROM_MEMORY,
    PO_VRLX_LOAD_STORE_IN_GAMES_ONLY,
};

class VecTest : public ::testing::Test
{
  protected:
    VecTest() : ew({{"processor/mask/VSCR", "0x00010001"}, {"processor/mask/VSCR_CHANGE", "0x00010001"}})
    {
        for (uint32_t o : kErvikVectorOptions)
            ew.option(o);
        ew.t->MSR.value = MSR_SF | MSR_HV | MSR_FP | MSR_VMX | MSR_VSX;
        ew.t->HFSCR.value = ~0ull;
        ew.t->FSCR.value = ~0ull;
        ew.t->FPR_INVALID_MAP.value = ~0ull;
    }

    Vec128 vsr(int n) const { return Vec128{ew.t->VSR[n].value[0], ew.t->VSR[n].value[1]}; }
    Vec128 vr(int n) const { return vsr(32 + n); }
    void set_vsr(int n, Vec128 v)
    {
        ew.t->VSR[n].value[0] = v.low;
        ew.t->VSR[n].value[1] = v.high;
    }
    void set_vr(int n, Vec128 v) { set_vsr(32 + n, v); }
    uint32_t vscr() const { return ew.t->VSCR.value; }
    uint32_t vscr_change() const { return ew.t->VSCR_CHANGE.value; }
    uint64_t &gpr(int n) { return ew.gpr(n); }
    uint64_t &pc() { return ew.t->PC.value; }
    uint64_t &msr() { return ew.t->MSR.value; }
    void problem_state() { msr() = (msr() & ~MSR_HV) | MSR_PR; }
    void pcr(uint64_t value) { ew.core.core->PCR.value = value; }
    int run(uint32_t word) { return ew.run(word); }
    PowerPCException *raised() { return ew.raised(); }
    // The type of the first exception the last instruction raised, -1 when none.
    int raised_type() { return raised() ? raised()->type : -1; }

    ExecWord ew;
};

} // namespace vec_test

// Readable values in failure messages.
inline std::ostream &operator<<(std::ostream &out, const Vec128 &v)
{
    char text[48];
    snprintf(text, sizeof text, "%016llX_%016llX", (unsigned long long)v.high, (unsigned long long)v.low);
    return out << text;
}
