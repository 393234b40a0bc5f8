// The guest disassembler: one line of assembler text per 32-bit instruction word, by the
// translator's operation kinds.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "translator/crack.h"
#include "translator/disassembler.h"

extern "C" {
const char *const cond_names[4] = {"lt", "gt", "eq", "so"};
const char *const negative_cond_names[4] = {"ge", "le", "ne", "nso"};
const char *const trap_names[32] = {
    "0",      ">u",    "<u",    ">u<u",    "=",     ">u=",    "<u=",    ">u<u=",   ">",      ">u>",    "<u>",
    ">u<u>",  "=>",    ">u=>",  "<u=>",    ">u<u=>", "<",     ">u<",    "<u<",     ">u<u<",  "=<",     ">u=<",
    "<u=<",   ">u<u=<", "><",   ">u><",    "<u><",   ">u<u><", "=><",   ">u=><",   "<u=><",  ">u<u=><",
};
}

namespace
{

enum Format : uint8_t {
    F_NONE,
    F_RT_RA_RB,
    F_RT_RA_SI,
    F_RT_RA,
    F_RA_RS_RB,
    F_RA_RS_UI,
    F_RA_RS,
    F_CMP,
    F_CMPI,
    F_CMPLI,
    F_CR,
    F_RA_RB,
    F_D,
    F_DS,
    F_LSWI,
    F_RLDIC,
    F_RLDICL,
    F_RLDICR,
    F_RLWINM,
    F_RLWNM,
    F_SRADI,
    F_SRAWI,
    F_TW,
    F_TWI,
    F_NAME,
    F_SC,
    F_SYNC,
    F_MCRF,
    F_MFCR,
    F_MTCRF,
    F_MFTB,
    F_MFSPR,
    F_MTSPR,
    F_B,
    F_BC,
    F_BCLR,
    F_BCCTR,
    F_FRT_FRB,
    F_FRT_FRA_FRB,
    F_FRT_FRA_FRC,
    F_FMA,
    F_FCMP,
    F_FD,
    F_FX,
    F_MFFS,
    F_MCRFS,
    F_MTFSB,
    F_MTFSF,
    F_MTFSFI,
    F_V_RR,
    F_VVVV,
    F_VSPLT,
    F_VSPLTI,
    F_VVV,
    F_X_RR,
    F_XX,
    F_XXX,
    F_XXPERMDI,
};

struct FormatRow {
    Format format;
    const char *names; // blank-separated kind names
};

// Which kinds print in which form; every other kind prints "**** name (word)".
const FormatRow format_rows[] = {
    {F_RT_RA_RB, "add add. addc adde divd divdu divw divw. divwu divwu. divwuo divwuo. mulhd mulhd. mulhdu "
                 "mulhdu. mulhw mulhw. mulhwu mulhwu. mulld mulld. mullw mullw. mullwo mullwo. lbzux lbzx ldarx "
                 "ldx lhax lhzx lwax lsdx lswx lwarx lhbrx lwbrx ldbrx lwzx stbux stbx stdcx. stdux stdx sthx "
                 "stsdx stswx sthbrx stwbrx"},
    {F_RT_RA_SI, "addi addic addic. addis mulli subfic"},
    {F_RT_RA, "addme addme. addmeo addmeo. addze addze. addzeo addzeo. neg neg. nego nego. subfme subfme. "
              "subfmeo subfmeo. subfze subfze. subfzeo subfzeo."},
    {F_RA_RS_RB, "and and. andc andc. eqv eqv. nand nand. nor nor. or or. orc orc. sld sld. slw slw. srad srad. "
                 "sraw sraw. srd srd. srw srw. xor xor."},
    {F_RA_RS_UI, "andi. andis. ori oris xori xoris"},
    {F_RA_RS, "cntlzd cntlzd. cntlzw cntlzw. extsb extsb. extsh extsh. extsw extsw."},
    {F_CMP, "cmp cmpl"},
    {F_CMPI, "cmpi"},
    {F_CMPLI, "cmpli"},
    {F_CR, "crand crandc creqv crnand crnor cror crorc crxor"},
    {F_RA_RB, "dcbst dcbf dcbt dcbtst dcbz icbi"},
    {F_D, "lbz lbzu lha lhau lhz lhzu lmw lwz lwzu stb stbu sth sthu stmw stw stwu"},
    {F_DS, "ld ldu lmd lwa std stdu stmd"},
    {F_LSWI, "lswi stswi"},
    {F_RLDIC, "rldic rldimi"},
    {F_RLDICL, "rldicl rldicl."},
    {F_RLDICR, "rldicr rldicr."},
    {F_RLWINM, "rlwimi rlwimi. rlwinm rlwinm."},
    {F_RLWNM, "rlwnm rlwnm."},
    {F_SRADI, "sradi sradi."},
    {F_SRAWI, "srawi srawi."},
    {F_TW, "tw"},
    {F_TWI, "twi"},
    {F_NAME, "isync"},
    {F_SYNC, "sync"},
    {F_MCRF, "mcrf"},
    {F_MFCR, "mfcr"},
    {F_MTCRF, "mtcrf"},
    {F_MFTB, "mftb"},
    {F_MFSPR, "mfspr"},
    {F_MTSPR, "mtspr"},
    {F_B, "b ba bl bla"},
    {F_BC, "bc bcl bca bcla"},
    {F_BCLR, "bclr bclrl"},
    {F_BCCTR, "bcctr bcctrl"},
    {F_FRT_FRB, "fabs fabs. fnabs fnabs. fneg fneg. fcfid fmr fmr. frsp"},
    {F_FRT_FRA_FRB, "fadd fadds fdiv fdivs fsub fsubs"},
    {F_FRT_FRA_FRC, "fmul fmuls"},
    {F_FMA, "fmadd fmadd. fmadds fmadds. fmsub fmsub. fmsubs fmsubs. fnmadd fnmadd. fnmadds fnmadds. fnmsub "
            "fnmsub. fnmsubs fnmsubs. fsel"},
    {F_FCMP, "fcmpo fcmpu"},
    {F_FD, "lfd lfdu lfs lfsu stfd stfdu stfs stfsu"},
    {F_FX, "lfdx lfdux lfsx stfdx stfdux stfsx stfsux stfiwx"},
    {F_MFFS, "mffs mffs."},
    {F_MCRFS, "mcrfs"},
    {F_MTFSB, "mtfsb0 mtfsb0. mtfsb1 mtfsb1."},
    {F_MTFSF, "mtfsf mtfsf."},
    {F_MTFSFI, "mtfsfi mtfsfi."},
    {F_V_RR, "lvx lvsl lvsr stvx"},
    {F_VVVV, "vperm vsel"},
    {F_VSPLT, "vspltb vsplth vspltw"},
    {F_VSPLTI, "vspltisb vspltish vspltisw"},
    {F_VVV, "vcmpequb vcmpequb. vcmpequh vcmpequh. vcmpequw vcmpequw. vcmpgtsb vcmpgtsb. vcmpgtsh vcmpgtsh. "
            "vcmpgtsw vcmpgtsw."},
    {F_X_RR, "lxsdx lxvdsx lxvd2ux lxvd2x lxvw4x stxsdx stxvd2ux stxvd2x stxvw4x"},
    {F_XX, "xsabsdp xscvsxddp xscvdpsxws xsnegdp xsrdpim xsrdpip xsrdpiz xvabsdp xvcvdpsxws xvcvspdp xvcvsxwsp "
           "xvcvspsxws xvcvsxwdp xxspltw"},
    {F_XXX, "xsadddp xscmpudp xsdivdp xsmaddadp xsmaddmdp xsmsubadp xsmsubmdp xsnmaddadp xsnmaddmdp xsnmsubadp "
            "xsnmsubmdp xsmuldp xssubdp xvadddp xvaddsp xvcpsgndp xvmaddadp xvmaddasp xvmaddmdp xvmaddmsp "
            "xvmsubadp xvmsubasp xvmsubmdp xvmsubmsp xvnmaddadp xvnmaddasp xvnmaddmdp xvnmaddmsp xvnmsubadp "
            "xvnmsubasp xvnmsubmdp xvnmsubmsp xvmuldp xvsubdp xvmulsp xxland xxlandc xxlor xxmrghw xxmrglw"},
    {F_XXPERMDI, "xxpermdi"},
};

Format kind_format[CRACK_KINDS];
bool dis_done = false;

bool in_list(const char *list, const char *name)
{
    std::string_view all(list), wanted(name);
    size_t at = 0;
    while (at < all.size()) {
        size_t end = all.find(' ', at);
        if (end == std::string_view::npos) end = all.size();
        if (all.substr(at, end - at) == wanted) return true;
        at = end + 1;
    }
    return false;
}

// Bits m to n (inclusive, bit 0 the most significant) of the word, right-justified.
uint32_t bits(uint32_t w, int m, int n)
{
    const int width = n - m + 1;
    const uint32_t mask = width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1);
    return (w >> (31 - n)) & mask;
}

int64_t sext(uint64_t value, int width)
{
    const uint64_t sign = 1ull << (width - 1);
    return (int64_t)((value ^ sign) - sign);
}

uint32_t mask32(uint32_t x, uint32_t y)
{
    const uint32_t from = 0xFFFFFFFFu >> x;
    const uint32_t to = 0xFFFFFFFFu << (31 - y);
    return x <= y ? (from & to) : (from | to);
}

uint64_t mask64(uint32_t x, uint32_t y)
{
    const uint64_t from = ~0ull >> x;
    const uint64_t to = ~0ull << (63 - y);
    return x <= y ? (from & to) : (from | to);
}

int out(char *buffer, size_t size, const char *format, ...) __attribute__((format(printf, 3, 4)));
int out(char *buffer, size_t size, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, size, format, args);
    va_end(args);
    return n;
}

void *pointer(uint64_t address)
{
    return reinterpret_cast<void *>(address);
}

// The conditional-branch forms; `suffix` is "a"/"" for bc and "lr"/"ctr" for the register forms,
// `target` null for the register forms.
int branch_text(char *b, size_t n, uint32_t w, const char *suffix, const uint64_t *target)
{
    const uint32_t bo = bits(w, 6, 10), bi = bits(w, 11, 15);
    const char *l = (w & 1) ? "l" : "";
    if ((bo & 0x1C) == 0x0C || (bo & 0x1C) == 0x04) {
        const char *cond = ((bo & 0x1C) == 0x0C ? cond_names : negative_cond_names)[bi & 3];
        if (target) return out(b, n, "b%s%s%s cr%d,<%p>", cond, suffix, l, bi >> 2, pointer(*target));
        return out(b, n, "b%s%s%s cr%d", cond, suffix, l, bi >> 2);
    }
    if ((bo & 0x14) == 0x14) {
        if (target) return out(b, n, "b%s%s <%p>", suffix, l, pointer(*target));
        return out(b, n, "b%s%s", suffix, l);
    }
    if (target) return out(b, n, "bc%s%s %d,%d,<%p>", suffix, l, bo, bi, pointer(*target));
    return out(b, n, "bc%s%s %d,%d", suffix, l, bo, bi);
}

} // namespace

void dis_init(void)
{
    if (dis_done) return;
    dis_done = true;
    crack_init();
    for (uint32_t kind = 1; kind <= 592; kind++) {
        const char *name = crack_names[kind];
        if (!name) continue;
        // The second "sc" kind has no form of its own.
        if (kind == KIND_SC_LEV) continue;
        for (const FormatRow &row : format_rows) {
            if (in_list(row.names, name)) {
                kind_format[kind] = row.format;
                break;
            }
        }
        if (kind == KIND_SC) kind_format[kind] = F_SC;
    }
}

int dis_instruction(uint32_t w, char *b, size_t n, uint64_t address)
{
    dis_init();
    const uint32_t kind = crack_table[crack_index(w)];
    if (kind == 0) return out(b, n, "**** unknown 0x%x, op = %d, xop = %d", w, w >> 26, (w >> 1) & 0x3FF);
    const char *name = crack_names[kind] ? crack_names[kind] : "unknown";
    const Format format = kind < (uint32_t)CRACK_KINDS && kind <= 592 ? kind_format[kind] : F_NONE;

    const uint32_t rt = bits(w, 6, 10), ra = bits(w, 11, 15), rb = bits(w, 16, 20), rc = bits(w, 21, 25);
    const uint32_t mb = bits(w, 21, 25), me = bits(w, 26, 30), bf = bits(w, 6, 8), bfa = bits(w, 11, 13);
    const uint32_t ui = bits(w, 16, 31);
    const int64_t si = sext(ui, 16);
    const int64_t ds = sext(bits(w, 16, 29) << 2, 16);
    const uint32_t spr = bits(w, 11, 15) | (bits(w, 16, 20) << 5);
    const uint32_t xt = rt + 32 * bits(w, 31, 31), xa = ra + 32 * bits(w, 29, 29), xb = rb + 32 * bits(w, 30, 30);
    const uint32_t sh6 = rb + 32 * bits(w, 30, 30), mb6 = mb + 32 * bits(w, 26, 26);
    const char *dw = bits(w, 10, 10) ? "d" : "w";

    switch (format) {
    case F_RT_RA_RB: return out(b, n, "%s r%d,r%d,r%d", name, rt, ra, rb);
    case F_RT_RA_SI: return out(b, n, "%s r%d,r%d,0x%X", name, rt, ra, (uint32_t)si);
    case F_RT_RA: return out(b, n, "%s r%d,r%d", name, rt, ra);
    case F_RA_RS_RB: return out(b, n, "%s r%d,r%d,r%d", name, ra, rt, rb);
    case F_RA_RS_UI: return out(b, n, "%s r%d,r%d,0x%X", name, ra, rt, ui);
    case F_RA_RS: return out(b, n, "%s r%d,r%d", name, ra, rt);
    case F_CMP: return out(b, n, "%s%s cr%d,r%d,r%d", name, dw, bf, ra, rb);
    case F_CMPI: return out(b, n, "cmp%si cr%d,r%d,0x%lx", dw, bf, ra, (unsigned long)si);
    case F_CMPLI: return out(b, n, "cmpl%si cr%d,r%d,0x%lx", dw, bf, ra, (unsigned long)ui);
    case F_CR: return out(b, n, "%s %d,%d,%d", name, rt, ra, rb);
    case F_RA_RB: return out(b, n, "%s r%d,r%d", name, ra, rb);
    case F_D: return out(b, n, "%s r%d,%ld(r%d)", name, rt, (long)si, ra);
    case F_DS: return out(b, n, "%s r%d,%ld(r%d)", name, rt, (long)ds, ra);
    case F_LSWI: return out(b, n, "%s r%d,r%d,%d", name, rt, ra, rb);
    case F_RLDIC:
        return out(b, n, "%s r%d,r%d,%d,%d(0x%016llx)", name, ra, rt, sh6, mb6,
                   (unsigned long long)mask64(mb6, 63 - sh6));
    case F_RLDICL:
        return out(b, n, "%s r%d,r%d,%d,%d(0x%016llx)", name, ra, rt, sh6, mb6, (unsigned long long)mask64(mb6, 63));
    case F_RLDICR:
        return out(b, n, "%s r%d,r%d,%d,%d(0x%016llx)", name, ra, rt, sh6, mb6, (unsigned long long)mask64(0, mb6));
    case F_RLWINM: return out(b, n, "%s r%d,r%d,%d,0x%08X", name, ra, rt, rb, mask32(mb, me));
    case F_RLWNM: return out(b, n, "%s r%d,r%d,r%d,0x%08X", name, ra, rt, rb, mask32(mb, me));
    case F_SRADI: return out(b, n, "%s r%d,r%d,%d", name, ra, rt, sh6);
    case F_SRAWI: return out(b, n, "%s r%d,r%d,%d", name, ra, rt, rb);
    case F_TW: return out(b, n, "%s %s,r%d,r%d", name, trap_names[rt], ra, rb);
    case F_TWI: return out(b, n, "%s %s,r%d,%d", name, trap_names[rt], ra, (int)si);
    case F_NAME: return out(b, n, "%s", name);
    case F_SC: return out(b, n, "sc %d", bits(w, 20, 26));
    case F_SYNC: {
        const uint32_t l = bits(w, 9, 10);
        if (l == 0) return out(b, n, "sync");
        if (l == 1) return out(b, n, "lwsync");
        return out(b, n, "sync %d", l);
    }
    case F_MCRF: return out(b, n, "mcrf %d,%d", bf, bfa);
    case F_MFCR: return out(b, n, "mfcr r%d", rt);
    case F_MTCRF: return out(b, n, "mtcrf 0x%X,r%d", bits(w, 12, 19), rt);
    case F_MFTB:
        if (spr == 268) return out(b, n, "mftb r%d", rt);
        if (spr == 269) return out(b, n, "mftbu r%d", rt);
        return out(b, n, "mftb,r%d,%d", rt, spr);
    case F_MFSPR:
        if (spr == 1) return out(b, n, "mfxer,r%d", rt);
        if (spr == 8) return out(b, n, "mflr r%d", rt);
        if (spr == 9) return out(b, n, "mfctr r%d", rt);
        return out(b, n, "mfspr %d,r%d", spr, rt);
    case F_MTSPR:
        if (spr == 1) return out(b, n, "mtxer r%d", rt);
        if (spr == 8) return out(b, n, "mtlr r%d", rt);
        if (spr == 9) return out(b, n, "mtctr r%d", rt);
        return out(b, n, "mtspr %d,r%d", spr, rt);
    case F_B: {
        uint64_t target = (uint64_t)sext(w & 0x03FFFFFCu, 26);
        if (!(w & 2)) target += address;
        return out(b, n, "b%s%s <%p>", (w & 1) ? "l" : "", (w & 2) ? "a" : "", pointer(target));
    }
    case F_BC: {
        uint64_t target = bits(w, 16, 29) << 2;
        if (!(w & 2)) target = (uint64_t)sext(target, 16) + address;
        return branch_text(b, n, w, (w & 2) ? "a" : "", &target);
    }
    case F_BCLR: return branch_text(b, n, w, "lr", nullptr);
    case F_BCCTR: return branch_text(b, n, w, "ctr", nullptr);
    case F_FRT_FRB: return out(b, n, "%s f%d,f%d", name, rt, rb);
    case F_FRT_FRA_FRB: return out(b, n, "%s f%d,f%d,f%d", name, rt, ra, rb);
    case F_FRT_FRA_FRC: return out(b, n, "%s f%d,f%d,f%d", name, rt, ra, rc);
    case F_FMA: return out(b, n, "%s f%d,f%d,f%d,f%d", name, rt, ra, rc, rb);
    case F_FCMP: return out(b, n, "%s %d,f%d,f%d", name, bf, ra, rb);
    case F_FD: return out(b, n, "%s f%d,%ld(r%d)", name, rt, (long)si, ra);
    case F_FX: return out(b, n, "%s f%d,r%d,r%d", name, rt, ra, rb);
    case F_MFFS: return out(b, n, "%s f%d", name, rt);
    case F_MCRFS: return out(b, n, "%s %d,%d", name, bf, bfa);
    case F_MTFSB: return out(b, n, "%s %d", name, rt);
    case F_MTFSF: return out(b, n, "%s 0x%X,f%d", name, bits(w, 7, 14), rb);
    case F_MTFSFI: return out(b, n, "%s 0x%x,0x%X", name, bf, bits(w, 16, 19));
    case F_V_RR: return out(b, n, "%s v%d,r%d,r%d", name, rt, ra, rb);
    case F_VVVV: return out(b, n, "%s v%d,v%d,v%d,v%d", name, rt, ra, rb, rc);
    case F_VSPLT: {
        const int from = strcmp(name, "vspltb") == 0 ? 12 : strcmp(name, "vsplth") == 0 ? 13 : 14;
        return out(b, n, "%s v%d,v%d,%d", name, rt, rb, bits(w, from, 15));
    }
    case F_VSPLTI: return out(b, n, "%s v%d,%d", name, rt, ra);
    case F_VVV: return out(b, n, "%s v%d,v%d,v%d", name, rt, ra, rb);
    case F_X_RR: return out(b, n, "%s x%d,r%d,r%d", name, xt, ra, rb);
    case F_XX: return out(b, n, "%s x%d,x%d", name, xt, xb);
    case F_XXX: return out(b, n, "%s x%d,x%d,x%d", name, xt, xa, xb);
    case F_XXPERMDI: return out(b, n, "%s x%d,x%d,x%d,0x%x", name, xt, xa, xb, bits(w, 22, 23));
    case F_NONE: break;
    }
    return out(b, n, "**** %s (0x%08x)", name, w);
}

void dis_guest_word(uint64_t host_address, int little_endian)
{
    uint32_t word;
    memcpy(&word, reinterpret_cast<const void *>(host_address), sizeof word);
    if (!little_endian) word = __builtin_bswap32(word);
    char text[512];
    dis_instruction(word, text, 500, host_address);
    printf("%016llx: %08x  %s\n", (unsigned long long)host_address, word, text);
}
