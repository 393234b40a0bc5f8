/* Scalar floating-point instructions over a table of operand triples in each rounding mode, for
   comparing the simulator with an independent reference: each line names the instruction, the
   rounding mode and the operand row, then FRT, the low word of FPSCR and CR field 1 after it ran
   from an FPSCR holding only the rounding mode (every enable off) and FRT holding a marker. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

struct State {
    uint64_t a, b, c, fpscr; /* f1, f2, f3 and the FPSCR image loaded with mtfsf */
    uint64_t t, f;           /* FRT and FPSCR after */
    uint32_t cr;
};

#define MARKER "0x5A5A5A5A5A5A5A5A"

/* One instruction: operands into f1 (A), f2 (B), f3 (C), f4 = marker, FPSCR set, then the
   instruction (target f4, CR field 1 for compares and tests), mffs and mfcr. */
#define INSN(fn, text)                                                                             \
    static void fn(struct State *s)                                                                \
    {                                                                                              \
        uint64_t marker = 0x5A5A5A5A5A5A5A5AULL;                                                   \
        uint32_t cr;                                                                               \
        __asm__ volatile("lfd 1,0(%1)\n\t"                                                         \
                         "lfd 2,8(%1)\n\t"                                                         \
                         "lfd 3,16(%1)\n\t"                                                        \
                         "lfd 4,0(%2)\n\t"                                                         \
                         "lfd 0,24(%1)\n\t"                                                        \
                         "mtfsf 0xff,0\n\t"                                                        \
                         "mtcrf 0xff,%3\n\t" text "\n\t"                                           \
                         "mffs 5\n\t"                                                              \
                         "mfcr %0\n\t"                                                             \
                         "stfd 4,32(%1)\n\t"                                                       \
                         "stfd 5,40(%1)\n\t"                                                       \
                         : "=&r"(cr)                                                               \
                         : "b"(s), "b"(&marker), "r"(0)                                            \
                         : "fr0", "fr1", "fr2", "fr3", "fr4", "fr5", "cr0", "cr1", "cr2", "cr3",   \
                           "cr4", "cr5", "cr6", "cr7", "memory");                                  \
        s->cr = cr;                                                                                \
    }

INSN(x_fadd, "fadd. 4,1,2")
INSN(x_fsub, "fsub. 4,1,2")
INSN(x_fmul, "fmul. 4,1,3")
INSN(x_fdiv, "fdiv. 4,1,2")
INSN(x_fmadd, "fmadd. 4,1,3,2")
INSN(x_fmsub, "fmsub. 4,1,3,2")
INSN(x_fnmadd, "fnmadd. 4,1,3,2")
INSN(x_fnmsub, "fnmsub. 4,1,3,2")
INSN(x_fadds, "fadds. 4,1,2")
INSN(x_fsubs, "fsubs. 4,1,2")
INSN(x_fmuls, "fmuls. 4,1,3")
INSN(x_fdivs, "fdivs. 4,1,2")
INSN(x_fmadds, "fmadds. 4,1,3,2")
INSN(x_fmsubs, "fmsubs. 4,1,3,2")
INSN(x_fnmadds, "fnmadds. 4,1,3,2")
INSN(x_fnmsubs, "fnmsubs. 4,1,3,2")
INSN(x_fsqrt, "fsqrt. 4,2")
INSN(x_fsqrts, "fsqrts. 4,2")
INSN(x_frsp, "frsp. 4,2")
INSN(x_fctiw, "fctiw. 4,2")
INSN(x_fctiwz, "fctiwz. 4,2")
INSN(x_fctiwu, "fctiwu. 4,2")
INSN(x_fctiwuz, "fctiwuz. 4,2")
INSN(x_fctid, "fctid. 4,2")
INSN(x_fctidz, "fctidz. 4,2")
INSN(x_fctidu, "fctidu. 4,2")
INSN(x_fctiduz, "fctiduz. 4,2")
INSN(x_fcfid, "fcfid. 4,2")
INSN(x_fcfidu, "fcfidu. 4,2")
INSN(x_fcfids, "fcfids. 4,2")
INSN(x_fcfidus, "fcfidus. 4,2")
INSN(x_frin, "frin. 4,2")
INSN(x_friz, "friz. 4,2")
INSN(x_frip, "frip. 4,2")
INSN(x_frim, "frim. 4,2")
INSN(x_fsel, "fsel. 4,1,3,2")
INSN(x_fabs, "fabs. 4,2")
INSN(x_fnabs, "fnabs. 4,2")
INSN(x_fneg, "fneg. 4,2")
INSN(x_fmr, "fmr. 4,2")
INSN(x_fcpsgn, "fcpsgn. 4,1,2")
INSN(x_fcmpu, "fcmpu 1,1,2")
INSN(x_fcmpo, "fcmpo 1,1,2")
INSN(x_ftdiv, "ftdiv 1,1,2")
INSN(x_ftsqrt, "ftsqrt 1,2")

static const struct {
    const char *name;
    void (*run)(struct State *);
} insns[] = {
    {"fadd", x_fadd},       {"fsub", x_fsub},       {"fmul", x_fmul},       {"fdiv", x_fdiv},
    {"fmadd", x_fmadd},     {"fmsub", x_fmsub},     {"fnmadd", x_fnmadd},   {"fnmsub", x_fnmsub},
    {"fadds", x_fadds},     {"fsubs", x_fsubs},     {"fmuls", x_fmuls},     {"fdivs", x_fdivs},
    {"fmadds", x_fmadds},   {"fmsubs", x_fmsubs},   {"fnmadds", x_fnmadds}, {"fnmsubs", x_fnmsubs},
    {"fsqrt", x_fsqrt},     {"fsqrts", x_fsqrts},   {"frsp", x_frsp},       {"fctiw", x_fctiw},
    {"fctiwz", x_fctiwz},   {"fctiwu", x_fctiwu},   {"fctiwuz", x_fctiwuz}, {"fctid", x_fctid},
    {"fctidz", x_fctidz},   {"fctidu", x_fctidu},   {"fctiduz", x_fctiduz}, {"fcfid", x_fcfid},
    {"fcfidu", x_fcfidu},   {"fcfids", x_fcfids},   {"fcfidus", x_fcfidus}, {"frin", x_frin},
    {"friz", x_friz},       {"frip", x_frip},       {"frim", x_frim},       {"fsel", x_fsel},
    {"fabs", x_fabs},       {"fnabs", x_fnabs},     {"fneg", x_fneg},       {"fmr", x_fmr},
    {"fcpsgn", x_fcpsgn},   {"fcmpu", x_fcmpu},     {"fcmpo", x_fcmpo},     {"ftdiv", x_ftdiv},
    {"ftsqrt", x_ftsqrt},
};

/* Operand triples (A, B, C) as bit patterns. */
static const uint64_t rows[][3] = {
    {0x3FF0000000000000, 0x4008000000000000, 0x3FE0000000000000}, /* 1, 3, 0.5 */
    {0xC004000000000000, 0x3FB999999999999A, 0x3FD5555555555555}, /* -2.5, 0.1, 1/3 */
    {0x7FEFFFFFFFFFFFFF, 0x7FEFFFFFFFFFFFFF, 0x4000000000000000}, /* largest, largest, 2 */
    {0x0010000000000000, 0x3FF8000000000000, 0x3FE0000000000001}, /* smallest normal */
    {0x000FFFFFFFFFFFFF, 0x8000000000000001, 0x3FF0000000000000}, /* denormals */
    {0x0000000000000000, 0x8000000000000000, 0x7FF0000000000000}, /* +0, -0, +inf */
    {0x7FF0000000000000, 0x7FF0000000000000, 0x0000000000000000}, /* inf, inf, 0 */
    {0xFFF0000000000000, 0x7FF0000000000000, 0x3FF0000000000000}, /* -inf, inf */
    {0x7FF8000000000001, 0x3FF0000000000000, 0x3FF0000000000000}, /* QNaN A */
    {0x3FF0000000000000, 0x7FF4000000000002, 0x3FF0000000000000}, /* SNaN B */
    {0xFFF8000000000003, 0x7FF4000000000004, 0x7FF8000000000005}, /* NaNs everywhere */
    {0x47EFFFFFE0000000, 0x3FF0000000000001, 0x47EFFFFFF0000000}, /* near the single maximum */
    {0x36A0000000000000, 0x3FF0000000000000, 0x380FFFFFFFFFFFFF}, /* single denormal range */
    {0x41DFFFFFFFC00000, 0x41E0000000100000, 0xC1E0000000000000}, /* around 2^31 */
    {0x43E0000000000000, 0xC3E0000000000001, 0x43F0000000000000}, /* around 2^63, 2^64 */
    {0x4002000000000000, 0xC002000000000000, 0x3FF8000000000000}, /* 2.25, -2.25, 1.5 */
    {0x3FE0000000000000, 0xBFE8000000000000, 0x4004000000000000}, /* 0.5, -0.75, 2.5 */
    {0x0000000000000005, 0xFFFFFFFFFFFFFFFB, 0x001FFFFFFFFFFFFF}, /* integers for fcfid */
    {0x7FEFFFFFFFFFFFFF, 0xFFEFFFFFFFFFFFFF, 0x7FEFFFFFFFFFFFFF}, /* overflow in both signs */
    {0x3FF0000000000001, 0x3CA0000000000000, 0xBFF0000000000000}, /* ties and cancellation */
};

int main(void)
{
    for (unsigned n = 0; n < sizeof insns / sizeof insns[0]; n++)
        for (unsigned rn = 0; rn < 4; rn++)
            for (unsigned i = 0; i < sizeof rows / sizeof rows[0]; i++) {
                struct State s;
                memset(&s, 0, sizeof s);
                s.a = rows[i][0];
                s.b = rows[i][1];
                s.c = rows[i][2];
                s.fpscr = rn;
                insns[n].run(&s);
                printf("%s %u %u %016llx %08x %x\n", insns[n].name, rn, i, (unsigned long long)s.t,
                       (unsigned)s.f, (s.cr >> 24) & 0xF);
            }
    return 0;
}
