// The fast interpreter of the LOOSE, FAST and WARMUP modes: common integer, branch, load and store
// instructions run straight out of host memory through the effective-address maps.
#include "exec/hooks/engines.h"

#include <cstring>

#include "exec/fast_interpreter.h"
#include "kernel/delay.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/reservations.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/pturbo_control.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/register_file.h"
#include "processor/translation/xlate_version.h"
#include "runtime/message.h"
#include "runtime/stop.h"
#include "runtime/triggers.h"
#include "translator/current_emat.h"
#include "translator/emat.h"
#include "translator/emat_modes.h"
#include "translator/frame.h"
#include "translator/hooks/cache_warming.h"
#include "translator/tt_triggers.h"

namespace
{

constexpr uint64_t REAL_ADDRESS_LIMIT = 0x0FFFFFFFFFFFFFFFull;
constexpr uint64_t PAGE_OFFSET = 0xFFF;
constexpr uint64_t XER_SO_BIT = 0x80000000ull;
constexpr uint64_t XER_CA_BIT = 0x20000000ull;
constexpr uint64_t XER_OC_BIT = 0x10000000ull;
constexpr uint64_t XER_FXCC_FIELD = 0x0F000000ull;
constexpr uint32_t CR_LT = 8, CR_GT = 4, CR_EQ = 2;
constexpr uint32_t DEFAULT_CACHE_BLOCK = 128;
constexpr uint32_t DEFAULT_WARM_LINE = 128;

enum Spr : uint32_t {
    SPR_XER = 1,
    SPR_LR = 8,
    SPR_CTR = 9,
    SPR_DSISR = 18,
    SPR_DAR = 19,
    SPR_SRR0 = 26,
    SPR_SRR1 = 27,
    SPR_SPRG0 = 272,
    SPR_SPRG3 = 275,
    SPR_PVR = 287,
};

// What a run leaves for the rest of the engine: the map fill the next slow-path access serves.
enum Leave : int32_t { LEAVE_PLAIN = 0, LEAVE_LOAD = EMAT_FILL_READ, LEAVE_STORE = EMAT_FILL_WRITE, LEAVE_FETCH = EMAT_FILL_FETCH };

// The state of one run that does not change while it lasts.
struct Env {
    ThreadState *thread;
    uintptr_t bias;
    const uint64_t *fetch_top;
    const uint64_t *data_top;
    int fetch_mode, data_mode;
    uint64_t fetch_mask, fetch_base, data_mask, data_base, real_mask;
    bool privileged;     // MSR[PR] = 0
    bool fp_available;   // MSR[FP] = 1
    bool others_reserve; // a reservation of another thread of the chip may exist: stores leave
    uint32_t granule_mask;
    uint64_t block_size;      // dcbz
    uint32_t warm_line;       // warming: the first cache's line size
    uint64_t lr_mask, ctr_mask, xer_mask; // implemented bits
    bool xer_read_hides;
    // Processor options that shape results: carries also set XER[OC] (carry out of bit 16 or 40,
    // by RA's high bits), algebraic shifts clear it, the high-word multiplies double or clear
    // their upper word, store-conditionals set XER's FXCC field.
    bool oc_behavior, shift_clears_oc, mulhw_doubles, mulhw_zeros, fxcc;
    bool eieio_supported;
};

inline uint64_t key_of(uint64_t ea, int mode, uint64_t mask, uint64_t base, uint64_t real)
{
    if (mode == XMODE_EA0 && (ea >> 63)) return ea & real & REAL_ADDRESS_LIMIT;
    return (ea & mask) | base;
}

// The page entry of a map key, or null when any level of the map is missing.
inline const emat_page_entry *walk(uintptr_t bias, const uint64_t *top, uint64_t key)
{
    uint64_t second = top[(key >> 46) & (EMAT_TOP_ENTRIES - 1)];
    if (!second) return nullptr;
    const uint64_t *table = reinterpret_cast<const uint64_t *>(bias + second);
    if ((uintptr_t)table == bias) return nullptr;
    uint64_t seg = table[(key >> 28) & (EMAT_SECOND_ENTRIES - 1)];
    if (!seg) return nullptr;
    return &reinterpret_cast<const segment *>(bias + seg)->pages[(key >> 12) & (EMAT_SEGMENT_PAGES - 1)];
}

template <typename T, bool LE> inline T load_value(const uint8_t *p)
{
    T v;
    memcpy(&v, p, sizeof v);
    if constexpr (sizeof(T) == 1) {
        return v;
    } else if constexpr (LE) {
        return v;
    } else if constexpr (sizeof(T) == 2) {
        return __builtin_bswap16(v);
    } else if constexpr (sizeof(T) == 4) {
        return __builtin_bswap32(v);
    } else {
        return __builtin_bswap64(v);
    }
}

template <typename T, bool LE> inline void store_value(uint8_t *p, T v)
{
    if constexpr (sizeof(T) == 1 || LE) {
    } else if constexpr (sizeof(T) == 2) {
        v = __builtin_bswap16(v);
    } else if constexpr (sizeof(T) == 4) {
        v = __builtin_bswap32(v);
    } else {
        v = __builtin_bswap64(v);
    }
    memcpy(p, &v, sizeof v);
}

inline uint64_t rotl64(uint64_t x, unsigned n)
{
    n &= 63;
    return n ? (x << n) | (x >> (64 - n)) : x;
}

inline uint64_t rotl32(uint64_t x, unsigned n)
{
    uint64_t w = x & 0xFFFFFFFFull;
    uint64_t d = w | (w << 32);
    return rotl64(d, n);
}

inline uint64_t exts16(uint32_t v)
{
    return (uint64_t)(int64_t)(int16_t)v;
}

// The interpreter body of one variant; returns the number of instructions not executed.
template <bool M64, bool LE, bool WARM> uint32_t fast_body(const Env &env, uint32_t n, int32_t *leave_kind)
{
    ThreadState *const thread = env.thread;
    Reg64 *const gpr = thread->GPR;
    uint64_t pc = thread->PC.value, lr = thread->LR.value, ctr = thread->CTR.value, xer = thread->XER.value;
    uint32_t cr = thread->CR.value;
    const uint8_t *ipage = nullptr; // host bytes of the instruction page of pc
    uint64_t ipage_ea = 0;
    uint64_t warm_line_ea = ~0ull;
    int32_t leave = LEAVE_PLAIN;

    auto ea_of = [](uint64_t ea) -> uint64_t { return M64 ? ea : (ea & 0xFFFFFFFFull); };
    auto set = [gpr](uint32_t r, uint64_t v) {
        gpr[r].value = v;
        gpr[r].written = 1;
    };
    auto so = [&xer]() -> uint32_t { return (xer & XER_SO_BIT) ? 1u : 0u; };
    auto cr0 = [&](uint64_t v) {
        int64_t s = M64 ? (int64_t)v : (int64_t)(int32_t)v;
        uint32_t bits = s < 0 ? CR_LT : s > 0 ? CR_GT : CR_EQ;
        cr = (cr & 0x0FFFFFFFu) | ((bits | so()) << 28);
    };
    auto set_ca = [&xer](bool ca) { xer = ca ? (xer | XER_CA_BIT) : (xer & ~XER_CA_BIT); };
    auto set_oc = [&xer](bool oc) { xer = oc ? (xer | XER_OC_BIT) : (xer & ~XER_OC_BIT); };
    // x + y + c with the carry out of bit 0 (doubleword) or bit 32 (word) into XER[CA], and XER[OC]
    // when the processor has it; ra is the RA operand that x comes from.
    auto add_carry = [&](uint64_t x, uint64_t y, uint64_t c, uint64_t ra) -> uint64_t {
        if (env.oc_behavior) {
            const uint64_t mw = (ra >> 48) == 0 ? (1ull << 48) - 1 : (1ull << 24) - 1;
            const unsigned w = (ra >> 48) == 0 ? 48 : 24;
            set_oc(((((x & mw) + (y & mw) + c) >> w) & 1) != 0);
        }
        uint64_t r = x + y + c;
        bool carry;
        if (M64) {
            carry = c ? (r <= x) : (r < x);
        } else {
            carry = (((x & 0xFFFFFFFFull) + (y & 0xFFFFFFFFull) + c) >> 32) != 0;
        }
        set_ca(carry);
        return r;
    };
    auto shift_ca = [&](bool ca) {
        set_ca(ca);
        if (env.shift_clears_oc) set_oc(false);
    };
    auto high_word = [&](uint64_t high) -> uint64_t {
        if (env.mulhw_doubles) high = (high & 0xFFFFFFFFull) * 0x100000001ull;
        if (env.mulhw_zeros) high &= 0xFFFFFFFFull;
        return high;
    };
    auto data_entry = [&](uint64_t ea) -> const emat_page_entry * {
        return walk(env.bias, env.data_top, key_of(ea, env.data_mode, env.data_mask, env.data_base, env.real_mask));
    };
    // Host address of a load of size bytes at ea; null after setting leave.
    auto load_host = [&](uint64_t ea, unsigned size) -> const uint8_t * {
        if (ea & (size - 1)) return nullptr;
        const emat_page_entry *e = data_entry(ea);
        if (!e || !e->read_page) {
            leave = LEAVE_LOAD;
            return nullptr;
        }
        const uint8_t *host = reinterpret_cast<const uint8_t *>(env.bias + e->read_page) + (ea & PAGE_OFFSET);
        if constexpr (WARM) {
            if (const frame_s *f = static_cast<const frame_s *>(emat_unbias(e->frame)))
                Cache_nodelay_mode_load(thread->memory_client, ea, f->pa | (ea & PAGE_OFFSET), size);
        }
        return host;
    };
    // Host address of a store; null after setting leave. *pa gets the physical address.
    auto store_host = [&](uint64_t ea, unsigned size, uint64_t *pa) -> uint8_t * {
        if (env.others_reserve || (ea & (size - 1))) return nullptr;
        const emat_page_entry *e = data_entry(ea);
        const frame_s *f = e ? static_cast<const frame_s *>(emat_unbias(e->store_frame)) : nullptr;
        if (!f || !f->fast_write) {
            leave = LEAVE_STORE;
            return nullptr;
        }
        *pa = f->pa | (ea & PAGE_OFFSET);
        if constexpr (WARM) Cache_nodelay_mode_store(thread->memory_client, ea, *pa, size);
        return reinterpret_cast<uint8_t *>(env.bias + f->fast_write) + (ea & PAGE_OFFSET);
    };
    auto after_store = [thread](uint64_t pa) {
        if (thread->held_lock_count) Check_lock_release(thread, pa);
    };
    // The instruction page of pc; false after setting leave.
    auto fetch_page = [&]() -> bool {
        uint64_t ea = ea_of(pc);
        const emat_page_entry *e =
            walk(env.bias, env.fetch_top, key_of(ea, env.fetch_mode, env.fetch_mask, env.fetch_base, env.real_mask));
        const frame_s *f = e ? static_cast<const frame_s *>(emat_unbias(e->fetch_frame)) : nullptr;
        if (!f || !f->host || (f->little_endian != 0) != LE) {
            leave = LEAVE_FETCH;
            ipage = nullptr;
            return false;
        }
        ipage = reinterpret_cast<const uint8_t *>(f->host);
        ipage_ea = ea & ~PAGE_OFFSET;
        return true;
    };
    // A conditional branch's BO test (CTR decremented first unless BO[2]).
    auto bo_ok = [&](uint32_t bo, uint32_t bi) -> bool {
        bool ctr_ok = true;
        if (!(bo & 4)) {
            ctr--;
            uint64_t c = M64 ? ctr : (ctr & 0xFFFFFFFFull);
            ctr_ok = (c != 0) != ((bo & 2) != 0);
        }
        bool cond_ok = (bo & 16) || (((cr >> (31 - bi)) & 1) == ((bo >> 3) & 1));
        return ctr_ok && cond_ok;
    };
    auto trap = [&](uint32_t to, int64_t a, int64_t b) -> bool {
        return ((to & 16) && a < b) || ((to & 8) && a > b) || ((to & 4) && a == b) ||
               ((to & 2) && (uint64_t)a < (uint64_t)b) || ((to & 1) && (uint64_t)a > (uint64_t)b);
    };
    auto compare = [&](uint32_t bf, bool is_signed, bool wide, uint64_t a, uint64_t b) {
        uint32_t bits;
        if (is_signed) {
            int64_t x = wide ? (int64_t)a : (int64_t)(int32_t)a, y = wide ? (int64_t)b : (int64_t)(int32_t)b;
            bits = x < y ? CR_LT : x > y ? CR_GT : CR_EQ;
        } else {
            uint64_t x = wide ? a : (a & 0xFFFFFFFFull), y = wide ? b : (b & 0xFFFFFFFFull);
            bits = x < y ? CR_LT : x > y ? CR_GT : CR_EQ;
        }
        uint32_t shift = 28 - 4 * bf;
        cr = (cr & ~(0xFu << shift)) | ((bits | so()) << shift);
    };
    auto spr_slot = [&](uint32_t spr) -> Reg64 * {
        switch (spr) {
        case SPR_DAR: return &thread->DAR;
        case SPR_SRR0: return &thread->SRR0;
        case SPR_SRR1: return &thread->SRR1;
        case SPR_SPRG0: return &thread->SPRG0;
        case SPR_SPRG0 + 1: return &thread->SPRG1;
        case SPR_SPRG0 + 2: return &thread->SPRG2;
        case SPR_SPRG3: return &thread->SPRG3;
        default: return nullptr;
        }
    };

    if (!fetch_page()) goto out;

    while (n != 0) {
        {
            const uint32_t w = load_value<uint32_t, LE>(ipage + (ea_of(pc) & PAGE_OFFSET));
            const uint32_t rt = (w >> 21) & 31, ra = (w >> 16) & 31, rb = (w >> 11) & 31;
            const bool rc = w & 1;
            uint64_t next = pc + 4;
            bool branched = false;

            switch (w >> 26) {
            case 2: // tdi
                if (trap(rt, (int64_t)gpr[ra].value, (int64_t)exts16(w))) goto out;
                break;
            case 3: // twi
                if (trap(rt, (int32_t)gpr[ra].value, (int32_t)(int16_t)w)) goto out;
                break;
            case 7: // mulli
                set(rt, (uint64_t)((int64_t)gpr[ra].value * (int64_t)exts16(w)));
                break;
            case 8: // subfic
                set(rt, add_carry(~gpr[ra].value, exts16(w), 1, gpr[ra].value));
                break;
            case 10: // cmpli
                if (rt & 2) goto out;
                compare(rt >> 2, false, (rt & 1) != 0, gpr[ra].value, w & 0xFFFF);
                break;
            case 11: // cmpi
                if (rt & 2) goto out;
                compare(rt >> 2, true, (rt & 1) != 0, gpr[ra].value, exts16(w));
                break;
            case 12:   // addic
            case 13: { // addic.
                uint64_t r = add_carry(gpr[ra].value, exts16(w), 0, gpr[ra].value);
                set(rt, r);
                if (w >> 26 == 13) cr0(r);
                break;
            }
            case 14: // addi
                set(rt, (ra ? gpr[ra].value : 0) + exts16(w));
                break;
            case 15: // addis
                set(rt, (ra ? gpr[ra].value : 0) + (exts16(w) << 16));
                break;
            case 16: { // bc, bcl
                if (w & 2) goto out;
                if (w & 1) lr = next;
                if (bo_ok(rt, ra)) next = pc + (uint64_t)(int64_t)(int16_t)(w & 0xFFFC);
                branched = true;
                break;
            }
            case 18: { // b, ba, bl, bla
                uint64_t li = (uint64_t)((int64_t)((int32_t)(w << 6) >> 6) & ~3ll);
                if (w & 1) lr = next;
                next = (w & 2) ? li : pc + li;
                branched = true;
                break;
            }
            case 19:
                switch ((w >> 1) & 0x3FF) {
                case 0: // mcrf
                    if (w & 0x0063F801) goto out;
                    {
                        uint32_t bf = rt >> 2, bfa = ra >> 2;
                        uint32_t field = (cr >> (28 - 4 * bfa)) & 0xF;
                        cr = (cr & ~(0xFu << (28 - 4 * bf))) | (field << (28 - 4 * bf));
                    }
                    break;
                case 16: { // bclr, bclrl
                    if (rb & 3) goto out;
                    uint64_t target = lr & ~3ull;
                    if (w & 1) lr = next;
                    if (bo_ok(rt, ra)) next = target;
                    branched = true;
                    break;
                }
                case 528: { // bcctr, bcctrl
                    if ((rb & 3) || !(rt & 4)) goto out;
                    if (w & 1) lr = next;
                    if (bo_ok(rt, ra)) next = ctr & ~3ull;
                    branched = true;
                    break;
                }
                case 449: // cror
                case 193: { // crxor
                    if (rc) goto out;
                    uint32_t a = (cr >> (31 - ra)) & 1, b = (cr >> (31 - rb)) & 1;
                    uint32_t r = ((w >> 1) & 0x3FF) == 449 ? (a | b) : (a ^ b);
                    cr = (cr & ~(1u << (31 - rt))) | (r << (31 - rt));
                    break;
                }
                case 150: // isync
                    break;
                default: goto out;
                }
                break;
            case 20:   // rlwimi
            case 21:   // rlwinm
            case 23: { // rlwnm
                uint32_t sh = (w >> 26) == 23 ? (uint32_t)(gpr[rb].value & 31) : rb;
                uint32_t mb = (w >> 6) & 31, me = (w >> 1) & 31;
                uint64_t m = masks64[(mb + 32) * 64 + me + 32];
                uint64_t r = rotl32(gpr[rt].value, sh);
                uint64_t v = (w >> 26) == 20 ? ((r & m) | (gpr[ra].value & ~m)) : (r & m);
                set(ra, v);
                if (rc) cr0(v);
                break;
            }
            case 24: // ori
                set(ra, gpr[rt].value | (w & 0xFFFF));
                break;
            case 25: // oris
                set(ra, gpr[rt].value | ((uint64_t)(w & 0xFFFF) << 16));
                break;
            case 26: // xori ("xori n,n,0" are simulator services)
                if ((w & 0xFFFF) == 0 && ra == rt) goto out;
                set(ra, gpr[rt].value ^ (w & 0xFFFF));
                break;
            case 27: // xoris
                set(ra, gpr[rt].value ^ ((uint64_t)(w & 0xFFFF) << 16));
                break;
            case 28: { // andi.
                uint64_t v = gpr[rt].value & (w & 0xFFFF);
                set(ra, v);
                cr0(v);
                break;
            }
            case 29: { // andis.
                uint64_t v = gpr[rt].value & ((uint64_t)(w & 0xFFFF) << 16);
                set(ra, v);
                cr0(v);
                break;
            }
            case 30: { // rldicl, rldicr, rldic, rldimi
                uint32_t sh = rb | ((w & 2) << 4);
                uint32_t mx = ((w >> 6) & 31) | (w & 0x20);
                uint64_t r = rotl64(gpr[rt].value, sh), v;
                switch ((w >> 2) & 7) {
                case 0: v = r & masks64[mx * 64 + 63]; break;
                case 1: v = r & masks64[0 * 64 + mx]; break;
                case 2: v = r & masks64[mx * 64 + (63 - sh)]; break;
                case 3: {
                    uint64_t m = masks64[mx * 64 + (63 - sh)];
                    v = (r & m) | (gpr[ra].value & ~m);
                    break;
                }
                default: goto out;
                }
                set(ra, v);
                if (rc) cr0(v);
                break;
            }
            case 31: {
                const uint32_t xo = (w >> 1) & 0x3FF;
                const uint64_t a = gpr[ra].value, b = gpr[rb].value, s = gpr[rt].value;
                const uint64_t ea_x = ea_of((ra ? a : 0) + b);
                switch (xo) {
                case 0:  // cmp
                case 32: // cmpl
                    if ((rt & 2) || rc) goto out;
                    compare(rt >> 2, xo == 0, (rt & 1) != 0, a, b);
                    break;
                case 4: // tw
                    if (trap(rt, (int32_t)a, (int32_t)b)) goto out;
                    break;
                case 68: // td
                    if (trap(rt, (int64_t)a, (int64_t)b)) goto out;
                    break;
                case 8: { // subfc
                    uint64_t r = add_carry(~a, b, 1, a);
                    set(rt, r);
                    if (rc) cr0(r);
                    break;
                }
                case 10:    // addc
                case 138:   // adde
                case 136:   // subfe
                case 202:   // addze
                case 234: { // addme
                    uint64_t c = (xo == 10) ? 0 : ((xer & XER_CA_BIT) ? 1 : 0);
                    uint64_t x = xo == 136 ? ~a : a;
                    uint64_t y = xo == 202 ? 0 : xo == 234 ? ~0ull : b;
                    if ((xo == 202 || xo == 234) && rb) goto out;
                    uint64_t r = add_carry(x, y, c, a);
                    set(rt, r);
                    if (rc) cr0(r);
                    break;
                }
                case 11: // mulhwu (the record forms are left: CR0 of a high word has undefined bits)
                    if (rc) goto out;
                    set(rt, high_word(((a & 0xFFFFFFFFull) * (b & 0xFFFFFFFFull)) >> 32));
                    break;
                case 75: // mulhw
                    if (rc) goto out;
                    set(rt, high_word((uint64_t)(((int64_t)(int32_t)a * (int64_t)(int32_t)b) >> 32)));
                    break;
                case 235: { // mullw
                    uint64_t r = (uint64_t)((int64_t)(int32_t)a * (int64_t)(int32_t)b);
                    set(rt, r);
                    if (rc) cr0(r);
                    break;
                }
                case 233: { // mulld
                    uint64_t r = (uint64_t)((int64_t)a * (int64_t)b);
                    set(rt, r);
                    if (rc) cr0(r);
                    break;
                }
                case 491:   // divw
                case 459: { // divwu
                    // A zero divisor, an overflowing quotient and the record forms are left.
                    uint32_t d = (uint32_t)b, x = (uint32_t)a;
                    if (rc || d == 0 || (xo == 491 && x == 0x80000000u && d == 0xFFFFFFFFu)) goto out;
                    set(rt, xo == 491 ? (uint64_t)(int64_t)((int32_t)x / (int32_t)d) : (uint64_t)(x / d));
                    break;
                }
                case 489:   // divd
                case 457: { // divdu
                    if (b == 0 || (xo == 489 && a == 0x8000000000000000ull && b == ~0ull) || rc) goto out;
                    set(rt, xo == 489 ? (uint64_t)((int64_t)a / (int64_t)b) : a / b);
                    break;
                }
                case 19: // mfcr
                    if (w & 0x00100000) goto out;
                    set(rt, cr);
                    break;
                case 144: // mtcrf
                    if (w & 0x00100000) goto out;
                    {
                        uint32_t m = crfmasks[(w >> 12) & 0xFF];
                        cr = (cr & ~m) | ((uint32_t)s & m);
                    }
                    break;
                case 83: // mfmsr
                    if (!env.privileged) goto out;
                    set(rt, thread->MSR.value);
                    break;
                case 339:   // mfspr
                case 467: { // mtspr
                    uint32_t spr = ((w >> 16) & 31) | (((w >> 11) & 31) << 5);
                    bool from = xo == 339;
                    if (spr == SPR_XER) {
                        // Outside tags-active mode a read hides TGCC, bit 23, FXCC and bit 28
                        // (unless the processor shows them); a write keeps FXCC unless the
                        // processor has FXCC in XER.
                        if (from)
                            set(rt, env.xer_read_hides ? (xer & 0xE00FFFFFull) : xer);
                        else
                            xer = (env.fxcc ? s : ((s & ~XER_FXCC_FIELD) | (xer & XER_FXCC_FIELD))) & env.xer_mask;
                    } else if (spr == SPR_LR) {
                        if (from)
                            set(rt, lr);
                        else
                            lr = s & env.lr_mask;
                    } else if (spr == SPR_CTR) {
                        if (from)
                            set(rt, ctr);
                        else
                            ctr = s & env.ctr_mask;
                    } else if (!env.privileged) {
                        goto out;
                    } else if (spr == SPR_DSISR) {
                        if (from) {
                            set(rt, thread->DSISR.value);
                        } else {
                            thread->DSISR.value = (uint32_t)(s & Register_Entry_Mask(thread->DSISR.rfe));
                            thread->DSISR.written = 1;
                        }
                    } else if (spr == SPR_PVR) {
                        if (!from) goto out;
                        set(rt, thread->processor->PVR.value);
                    } else if (Reg64 *slot = spr_slot(spr)) {
                        if (slot->trigger) goto out;
                        if (from) {
                            set(rt, slot->value);
                        } else {
                            slot->value = s & Register_Entry_Mask(slot->rfe);
                            slot->written = 1;
                        }
                    } else {
                        goto out;
                    }
                    break;
                }
                case 20:   // lwarx
                case 84: { // ldarx
                    unsigned size = xo == 20 ? 4 : 8;
                    if (rc || (thread->MSR.value & MSR_TS)) goto out;
                    const uint8_t *h = load_host(ea_x, size);
                    const emat_page_entry *e = h ? data_entry(ea_x) : nullptr;
                    const frame_s *f = e ? static_cast<const frame_s *>(emat_unbias(e->frame)) : nullptr;
                    if (!f || !thread->memory_client) goto out;
                    set(rt, size == 4 ? (uint64_t)load_value<uint32_t, LE>(h) : load_value<uint64_t, LE>(h));
                    create_reservation(thread->memory_client, f->pa | (ea_x & PAGE_OFFSET), (int32_t)size);
                    break;
                }
                case 150:   // stwcx.
                case 214: { // stdcx.
                    unsigned size = xo == 150 ? 4 : 8;
                    MemoryClient *client = thread->memory_client;
                    if (!rc || !client || (thread->MSR.value & MSR_TS)) goto out;
                    if (!__atomic_load_n(&client->reservation_valid, __ATOMIC_ACQUIRE) ||
                        client->reservation_length != (int32_t)size)
                        goto out;
                    uint64_t pa;
                    uint8_t *h = store_host(ea_x, size, &pa);
                    if (!h || (pa & env.granule_mask) != client->reservation_address) goto out;
                    clear_reservation_bit(client);
                    if (size == 4)
                        store_value<uint32_t, LE>(h, (uint32_t)s);
                    else
                        store_value<uint64_t, LE>(h, s);
                    cr = (cr & 0x0FFFFFFFu) | ((CR_EQ | so()) << 28);
                    if (env.fxcc) xer = (xer & ~XER_FXCC_FIELD) | 0x02000000ull;
                    Record_a_successful_lock(thread, pa);
                    break;
                }
                case 21: // ldx
                case 53: // ldux
                case 23: // lwzx
                case 55: // lwzux
                case 87: // lbzx
                case 119: // lbzux
                case 279: // lhzx
                case 311: // lhzux
                case 341: // lwax
                case 343: // lhax
                case 534: { // lwbrx
                    if (rc) goto out;
                    bool update = xo == 53 || xo == 55 || xo == 119 || xo == 311;
                    if (update && (ra == 0 || ra == rt)) goto out;
                    unsigned size = (xo == 21 || xo == 53) ? 8 : (xo == 87 || xo == 119) ? 1 : (xo == 279 || xo == 311 || xo == 343) ? 2 : 4;
                    const uint8_t *h = load_host(ea_x, size);
                    if (!h) goto out;
                    uint64_t v;
                    switch (xo) {
                    case 21:
                    case 53: v = load_value<uint64_t, LE>(h); break;
                    case 87:
                    case 119: v = *h; break;
                    case 279:
                    case 311: v = load_value<uint16_t, LE>(h); break;
                    case 343: v = (uint64_t)(int64_t)(int16_t)load_value<uint16_t, LE>(h); break;
                    case 341: v = (uint64_t)(int64_t)(int32_t)load_value<uint32_t, LE>(h); break;
                    case 534: v = load_value<uint32_t, !LE>(h); break;
                    default: v = load_value<uint32_t, LE>(h); break;
                    }
                    set(rt, v);
                    if (update) set(ra, ea_x);
                    break;
                }
                case 149: // stdx
                case 181: // stdux
                case 151: // stwx
                case 183: // stwux
                case 215: // stbx
                case 247: // stbux
                case 407: // sthx
                case 439: // sthux
                case 662: { // stwbrx
                    if (rc) goto out;
                    bool update = xo == 181 || xo == 183 || xo == 247 || xo == 439;
                    if (update && ra == 0) goto out;
                    unsigned size = (xo == 149 || xo == 181) ? 8 : (xo == 215 || xo == 247) ? 1 : (xo == 407 || xo == 439) ? 2 : 4;
                    uint64_t pa;
                    uint8_t *h = store_host(ea_x, size, &pa);
                    if (!h) goto out;
                    switch (size) {
                    case 8: store_value<uint64_t, LE>(h, s); break;
                    case 1: *h = (uint8_t)s; break;
                    case 2: store_value<uint16_t, LE>(h, (uint16_t)s); break;
                    default:
                        if (xo == 662)
                            store_value<uint32_t, !LE>(h, (uint32_t)s);
                        else
                            store_value<uint32_t, LE>(h, (uint32_t)s);
                        break;
                    }
                    after_store(pa);
                    if (update) set(ra, ea_x);
                    break;
                }
                case 24: { // slw
                    uint32_t sh = b & 63;
                    uint64_t v = sh & 32 ? 0 : ((s << sh) & 0xFFFFFFFFull);
                    set(ra, v);
                    if (rc) cr0(v);
                    break;
                }
                case 536: { // srw
                    uint32_t sh = b & 63;
                    uint64_t v = sh & 32 ? 0 : ((s & 0xFFFFFFFFull) >> sh);
                    set(ra, v);
                    if (rc) cr0(v);
                    break;
                }
                case 27: { // sld
                    uint32_t sh = b & 127;
                    uint64_t v = sh & 64 ? 0 : (s << sh);
                    set(ra, v);
                    if (rc) cr0(v);
                    break;
                }
                case 539: { // srd
                    uint32_t sh = b & 127;
                    uint64_t v = sh & 64 ? 0 : (s >> sh);
                    set(ra, v);
                    if (rc) cr0(v);
                    break;
                }
                case 792:   // sraw
                case 824: { // srawi
                    uint32_t sh = xo == 824 ? rb : (uint32_t)(b & 63);
                    int32_t x = (int32_t)s;
                    int64_t v;
                    bool ca;
                    if (sh & 32) {
                        v = x < 0 ? -1 : 0;
                        ca = x < 0;
                    } else {
                        v = (int64_t)(x >> sh);
                        ca = x < 0 && sh && ((uint32_t)x & ((1u << sh) - 1)) != 0;
                    }
                    set(ra, (uint64_t)v);
                    shift_ca(ca);
                    if (rc) cr0((uint64_t)v);
                    break;
                }
                case 794:   // srad
                case 826:   // sradi (sh bit 5 in the low extended-opcode bit)
                case 827: { // sradi
                    uint32_t sh = xo == 794 ? (uint32_t)(b & 127) : (rb | ((w & 2) << 4));
                    int64_t x = (int64_t)s;
                    int64_t v;
                    bool ca;
                    if (sh & 64) {
                        v = x < 0 ? -1 : 0;
                        ca = x < 0;
                    } else {
                        v = x >> sh;
                        ca = x < 0 && sh && ((uint64_t)x & ((1ull << sh) - 1)) != 0;
                    }
                    set(ra, (uint64_t)v);
                    shift_ca(ca);
                    if (rc) cr0((uint64_t)v);
                    break;
                }
                case 26: { // cntlzw
                    uint32_t x = (uint32_t)s;
                    uint64_t v = x ? (uint64_t)__builtin_clz(x) : 32;
                    set(ra, v);
                    if (rc) cr0(v);
                    break;
                }
                case 58: { // cntlzd
                    uint64_t v = s ? (uint64_t)__builtin_clzll(s) : 64;
                    set(ra, v);
                    if (rc) cr0(v);
                    break;
                }
                case 922:   // extsh
                case 954:   // extsb
                case 986: { // extsw
                    uint64_t v = xo == 922 ? (uint64_t)(int64_t)(int16_t)s
                                 : xo == 954 ? (uint64_t)(int64_t)(int8_t)s
                                             : (uint64_t)(int64_t)(int32_t)s;
                    set(ra, v);
                    if (rc) cr0(v);
                    break;
                }
                case 28:    // and
                case 60:    // andc
                case 124:   // nor
                case 284:   // eqv
                case 316:   // xor
                case 412:   // orc
                case 444:   // or
                case 476: { // nand
                    uint64_t v;
                    switch (xo) {
                    case 28:
                        if (rt == 0 && ra == 0 && rb == 0) goto out; // "and 0,0,0"
                        v = s & b;
                        break;
                    case 60: v = s & ~b; break;
                    case 124: v = ~(s | b); break;
                    case 284: v = ~(s ^ b); break;
                    case 316: v = s ^ b; break;
                    case 412: v = s | ~b; break;
                    case 444:
                        if (rt == ra && rt == rb) goto out; // "or n,n,n": priority hints
                        v = s | b;
                        break;
                    default: v = ~(s & b); break;
                    }
                    set(ra, v);
                    if (rc) cr0(v);
                    break;
                }
                case 40:    // subf
                case 266:   // add
                case 104: { // neg
                    if (xo == 104 && rb) goto out;
                    uint64_t v = xo == 40 ? b - a : xo == 266 ? a + b : 0 - a;
                    set(rt, v);
                    if (rc) cr0(v);
                    break;
                }
                case 598: // sync (level 3 is reported)
                    if (rt == 3 || (rt & ~3u) != 0) goto out;
                    break;
                case 854: // eieio
                    if (!env.eieio_supported) goto out;
                    break;
                case 54:    // dcbst
                case 86:    // dcbf
                case 246:   // dcbtst
                case 278:   // dcbt
                case 982: { // icbi
                    if (rt != 0 || rc) goto out;
                    if (!data_entry(ea_x)) {
                        leave = LEAVE_LOAD;
                        goto out;
                    }
                    break;
                }
                case 1014: { // dcbz
                    if (rt != 0 || rc || env.block_size > 0x1000) goto out;
                    uint64_t line = ea_x & ~(env.block_size - 1);
                    uint64_t pa;
                    uint8_t *h = store_host(line, 1, &pa);
                    if (!h) goto out;
                    memset(h, 0, env.block_size);
                    after_store(pa);
                    break;
                }
                default: goto out;
                }
                break;
            }
            case 32: // lwz
            case 33: // lwzu
            case 34: // lbz
            case 35: // lbzu
            case 40: // lhz
            case 41: // lhzu
            case 42: { // lha
                uint32_t po = w >> 26;
                bool update = po & 1;
                if (update && (ra == 0 || ra == rt)) goto out;
                uint64_t ea = ea_of((ra ? gpr[ra].value : 0) + exts16(w));
                unsigned size = po <= 33 ? 4 : po <= 35 ? 1 : 2;
                const uint8_t *h = load_host(ea, size);
                if (!h) goto out;
                uint64_t v = size == 4   ? load_value<uint32_t, LE>(h)
                             : size == 1 ? *h
                             : po == 42  ? (uint64_t)(int64_t)(int16_t)load_value<uint16_t, LE>(h)
                                         : load_value<uint16_t, LE>(h);
                set(rt, v);
                if (update) set(ra, ea);
                break;
            }
            case 36: // stw
            case 37: // stwu
            case 38: // stb
            case 39: // stbu
            case 44: // sth
            case 45: { // sthu
                uint32_t po = w >> 26;
                bool update = po & 1;
                if (update && ra == 0) goto out;
                uint64_t ea = ea_of((ra ? gpr[ra].value : 0) + exts16(w));
                unsigned size = po <= 37 ? 4 : po <= 39 ? 1 : 2;
                uint64_t pa;
                uint8_t *h = store_host(ea, size, &pa);
                if (!h) goto out;
                uint64_t s = gpr[rt].value;
                if (size == 4)
                    store_value<uint32_t, LE>(h, (uint32_t)s);
                else if (size == 1)
                    *h = (uint8_t)s;
                else
                    store_value<uint16_t, LE>(h, (uint16_t)s);
                after_store(pa);
                if (update) set(ra, ea);
                break;
            }
            case 46: { // lmw
                if (LE || ra >= rt) goto out;
                uint64_t ea = ea_of((ra ? gpr[ra].value : 0) + exts16(w));
                uint32_t bytes = 4 * (32 - rt);
                if (ea & 3 || ((ea & PAGE_OFFSET) + bytes) > 0x1000) goto out;
                const uint8_t *h = load_host(ea, 4);
                if (!h) goto out;
                for (uint32_t r = rt; r < 32; r++, h += 4)
                    set(r, load_value<uint32_t, false>(h));
                break;
            }
            case 47: { // stmw
                if (LE) goto out;
                uint64_t ea = ea_of((ra ? gpr[ra].value : 0) + exts16(w));
                uint32_t bytes = 4 * (32 - rt);
                if (ea & 3 || ((ea & PAGE_OFFSET) + bytes) > 0x1000) goto out;
                uint64_t pa;
                uint8_t *h = store_host(ea, 4, &pa);
                if (!h) goto out;
                for (uint32_t r = rt; r < 32; r++, h += 4)
                    store_value<uint32_t, false>(h, (uint32_t)gpr[r].value);
                after_store(pa);
                break;
            }
            case 58: { // ld, ldu, lwa
                uint32_t form = w & 3;
                if (form == 3) goto out;
                if (form == 1 && (ra == 0 || ra == rt)) goto out;
                uint64_t ea = ea_of((ra ? gpr[ra].value : 0) + (exts16(w) & ~3ull));
                unsigned size = form == 2 ? 4 : 8;
                const uint8_t *h = load_host(ea, size);
                if (!h) goto out;
                set(rt, form == 2 ? (uint64_t)(int64_t)(int32_t)load_value<uint32_t, LE>(h) : load_value<uint64_t, LE>(h));
                if (form == 1) set(ra, ea);
                break;
            }
            case 62: { // std, stdu
                uint32_t form = w & 3;
                if (form > 1 || (form == 1 && ra == 0)) goto out;
                uint64_t ea = ea_of((ra ? gpr[ra].value : 0) + (exts16(w) & ~3ull));
                uint64_t pa;
                uint8_t *h = store_host(ea, 8, &pa);
                if (!h) goto out;
                store_value<uint64_t, LE>(h, gpr[rt].value);
                after_store(pa);
                if (form == 1) set(ra, ea);
                break;
            }
            default: goto out;
            }

            n--;
            pc = M64 ? next : (next & 0xFFFFFFFFull);
            if (branched || (pc & PAGE_OFFSET) == 0) {
                if ((ea_of(pc) & ~PAGE_OFFSET) != ipage_ea && !fetch_page()) goto out;
            }
            if constexpr (WARM) {
                uint64_t line = ea_of(pc) & ~(uint64_t)(env.warm_line - 1);
                if (line != warm_line_ea) {
                    warm_line_ea = line;
                    if (const emat_page_entry *e = walk(env.bias, env.fetch_top,
                                                        key_of(ea_of(pc), env.fetch_mode, env.fetch_mask,
                                                               env.fetch_base, env.real_mask)))
                        if (const frame_s *f = static_cast<const frame_s *>(emat_unbias(e->frame)))
                            Cache_nodelay_mode_load(thread->memory_client, ea_of(pc),
                                                    f->pa | (ea_of(pc) & PAGE_OFFSET), env.warm_line);
                }
            }
        }
    }
out:
    // Written back: PC (and its unmasked copy), LR, CTR and XER with their written flags, CR.
    thread->next_pc = pc;
    thread->PC.value = pc & Register_Entry_Mask(thread->PC.rfe);
    thread->PC.written = 1;
    if (thread->LR.value != lr) {
        thread->LR.value = lr & Register_Entry_Mask(thread->LR.rfe);
        thread->LR.written = 1;
    }
    if (thread->CTR.value != ctr) {
        thread->CTR.value = ctr & Register_Entry_Mask(thread->CTR.rfe);
        thread->CTR.written = 1;
    }
    if (thread->XER.value != xer) {
        thread->XER.value = xer & Register_Entry_Mask(thread->XER.rfe);
        thread->XER.written = 1;
    }
    thread->CR.value = (uint32_t)(cr & Register_Entry_Mask(thread->CR.rfe));
    *leave_kind = leave;
    return n;
}

using Body = uint32_t (*)(const Env &, uint32_t, int32_t *);
// By 64-bit addressing, little-endian and cache warming.
const Body bodies[2][2][2] = {
    {{fast_body<false, false, false>, fast_body<false, false, true>},
     {fast_body<false, true, false>, fast_body<false, true, true>}},
    {{fast_body<true, false, false>, fast_body<true, false, true>},
     {fast_body<true, true, false>, fast_body<true, true, true>}},
};

uint64_t ticks_per_cycle(const ThreadState *thread)
{
    const ProcessorState *core = thread->processor;
    return core && core->core_domain && core->core_domain->ticks_per_cycle ? core->core_domain->ticks_per_cycle : 1;
}

// Whether anything the fast interpreter skips (triggers, tracing, single-step and breakpoint
// interrupts, processor options that change the handled forms' results) is in force: the whole
// budget is then interpreted singly.
bool needs_full_machinery(ThreadState *thread, uint64_t msr)
{
    GenericMachine *machine = thread->machine;
    ProcessorState *core = thread->processor;
    if (msr & (MSR_SE | MSR_BE | MSR_SLE | MSR_TS)) return true;
    if ((thread->CIABR.value & 3) != 0 || thread->IRPT_CTL.value != 0) return true;
    if (core->check_imc) return true;
    const TriggerTable *triggers = machine->trigger_table;
    if (triggers && (triggers->pc_count != 0 || triggers->realpc_count != 0 || triggers->memory_enabled != 0))
        return true;
    if (tt_has_memtriggers(thread->mcm)) return true;
    if (prof_is_on() || imix_is_on() || TRC_IS_ON()) return true;
    if (thread->CR.trigger || thread->XER.trigger || thread->LR.trigger || thread->CTR.trigger ||
        thread->PC.trigger || thread->MSR.trigger)
        return true;
    for (int i = 0; i < NUM_GPRS; i++)
        if (thread->GPR[i].trigger) return true;
    const uint32_t *o = core->options;
    // Tags-active mode and FXCC on every CR0 result change many forms' XER effects.
    if ((o[PO_TAGS_ACTIVE] && (msr & MSR_TA)) || (o[PO_FXCC_FIELD_IN_XER] && o[PO_FXCC_ALWAYS_SET]) ||
        (!(msr & MSR_SF) && o[PO_NO_64BIT_OPS_IN_32BIT_MODE]))
        return true;
    return false;
}

} // namespace

uint32_t fast_go(ThreadState *thread, uint32_t n)
{
    if (n == 0) return 0;
    GenericMachine *machine = thread->machine;
    const uint64_t msr = thread->MSR.value;
    if (needs_full_machinery(thread, msr)) return 0;
    emat_s *fetch_map = GET_CURRENT_EMAT(thread, msr, 1);
    emat_s *data_map = GET_CURRENT_EMAT(thread, msr, 0);
    if (!fetch_map || !data_map) return 0;

    Env env;
    env.thread = thread;
    env.bias = reinterpret_cast<uintptr_t>(EMAT_GET_BIAS());
    env.fetch_top = fetch_map->top;
    env.data_top = data_map->top;
    env.fetch_mode = EMAT_XLATE_MODE(thread, 1);
    env.data_mode = EMAT_XLATE_MODE(thread, 0);
    if (env.fetch_mode == XMODE_INVALID || env.data_mode == XMODE_INVALID) return 0;
    env.fetch_mask = env.data_mask = ~0ull;
    env.fetch_base = env.data_base = 0;
    EMAT_COMPUTE_MASKS(thread, env.fetch_mode, &env.fetch_mask, &env.fetch_base);
    EMAT_COMPUTE_MASKS(thread, env.data_mode, &env.data_mask, &env.data_base);
    env.real_mask = thread->processor->real_mode_mask;
    env.privileged = !(msr & MSR_PR);
    env.fp_available = (msr & MSR_FP) != 0;
    MemoryClient *client = thread->memory_client;
    MemoryMap *memory = thread->mcm && thread->mcm->mbus ? thread->mcm->mbus->memory_map : nullptr;
    int32_t live = memory ? __atomic_load_n(&memory->reservation_count, __ATOMIC_ACQUIRE) : 0;
    bool own = client && __atomic_load_n(&client->reservation_valid, __ATOMIC_ACQUIRE);
    env.others_reserve = live > (own ? 1 : 0);
    int32_t granule = thread->mcm && thread->mcm->reservation_granule > 0 ? thread->mcm->reservation_granule : 1;
    env.granule_mask = ~(uint32_t)(granule - 1);
    env.block_size = machine->cache_block_size ? machine->cache_block_size : DEFAULT_CACHE_BLOCK;
    if (env.block_size & (env.block_size - 1)) env.block_size = 0x2000; // dcbz then leaves
    env.lr_mask = Register_Entry_Mask(thread->LR.rfe);
    env.xer_mask = Register_Entry_Mask(thread->XER.rfe);
    env.ctr_mask = Register_Entry_Mask(thread->CTR.rfe);
    const uint32_t *o = thread->processor->options;
    env.oc_behavior = o[PO_XER_OC_BEHAVIOR] != 0;
    env.shift_clears_oc = env.oc_behavior && o[PO_ARITHMETIC_SHIFT_FORCES_XER_OC_ZERO] != 0;
    env.mulhw_doubles = o[PO_MULHW_DOUBLES] != 0;
    env.mulhw_zeros = o[PO_MULHW_ZEROS] != 0;
    env.fxcc = o[PO_FXCC_FIELD_IN_XER] != 0;
    env.eieio_supported = o[PO_EIEIO_SUPPORTED] != 0;
    env.xer_read_hides = !o[PO_TGCC_EVEN_IF_NOT_TAGS_ACTIVE] && !(thread->SIM_CTRL.value & 0x40);
    const bool warm = machine->mode > MODE_SIMPLE;
    env.warm_line = warm ? Cache_nodelay_line_size(machine) : DEFAULT_WARM_LINE;
    if (env.warm_line == 0 || (env.warm_line & (env.warm_line - 1))) env.warm_line = DEFAULT_WARM_LINE;

    thread->emat_fill_request = EMAT_FILL_NONE;
    int32_t leave = LEAVE_PLAIN;
    const Body body = bodies[(msr & MSR_SF) ? 1 : 0][(msr & MSR_LE) ? 1 : 0][warm ? 1 : 0];
    const uint32_t k = n - body(env, n, &leave);
    if (leave != LEAVE_PLAIN) {
        thread->emat_fill_request = leave;
        // The one-instruction interpreter reuses its fetch translation within a page: a fetch fill
        // needs the slow path to run.
        if (leave == LEAVE_FETCH) current_xlate_version++;
    }
    if (k == 0) return 0;

    thread->Instruction_Number += k;
    machine->instruction_count += k;
    if (thread->Instruction_Number == thread->stop_after_instructions) {
        Stop_The_Simulation(STOP_INSTRUCTION_COUNT);
        thread->stop_after_instructions = ~0ull;
    } else if (machine->instruction_count == machine->instruction_limit) {
        Stop_The_Simulation(STOP_INSTRUCTION_COUNT);
        machine->instruction_limit = ~0ull;
    }

    uint64_t t = k;
    if (machine->cpi > 0.0f) t = (uint64_t)((double)((float)k * machine->cpi) + 0.49999);
    if (thread->smt_delay_factor != 0) t *= thread->smt_delay_factor + 1;
    current_delay_ticks(t * ticks_per_cycle(thread));
    return k;
}
