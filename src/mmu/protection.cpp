// Storage protection and storage keys.
#include "mmu/protection.h"

#include "mmu/xlate_debug.h"
#include "mmu/xlate_internal.h"
#include "mmu/real_mode.h"
#include "processor/config/processor_options.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/reg_accessors.h"
#include "runtime/message.h"

const uint64_t protValues[10] = {
    0x04040044EFEFEEFFull, // Load
    0x47474477ull,         // Store
    0x04040044EFEFEEFFull, // Fetch
    0x04040044EFEFEEFFull, // CacheLoad
    0,                     // CacheTouch
    0x04040044EFEFEEFFull, // CacheFlush
    0x47474477ull,         // CacheInvalidate
    0,                     // CacheStore
    0,                     // CacheSet
    0,                     // Unknown
};

const uint32_t TA_protValues[10] = {
    0xFF7FF575, // Load
    0xED2DE121, // Store
    0xFF7FF575, // Fetch
    0xFF7FF575, // CacheLoad
    0xFFFFFFFF, // CacheTouch
    0xFF7FF575, // CacheFlush
    0xED2DE121, // CacheInvalidate
    0,          // CacheStore
    0,          // CacheSet
    0,          // Unknown
};

namespace
{

constexpr uint64_t LPCR_VPM0 = 0x8000000000000000ull;
constexpr uint64_t MSR_BIT_0x80 = 0x80;
constexpr uint8_t PERM_PP = 0x3;
constexpr uint8_t PERM_KP = 0x4;
constexpr uint8_t PERM_KS = 0x8;
constexpr uint8_t PERM_PP0 = 0x20;

} // namespace

int MMU_MAPPING(uint32_t kind, int, uint64_t value, uint64_t *out)
{
    if (out) *out = value;
    switch (kind) {
    case AXD_KIND_LOAD:
    case AXD_KIND_CACHE_LOAD:
    case AXD_KIND_CACHE_TOUCH:
    case AXD_KIND_CACHE_FLUSH:
        return 0;
    case AXD_KIND_STORE:
    case AXD_KIND_CACHE_INVALIDATE:
    case AXD_KIND_CACHE_STORE:
    case AXD_KIND_CACHE_SET:
        return 1;
    case AXD_KIND_FETCH:
        return 2;
    }
    sim_warning(2, "expected MMUFunction; got %s", "Unknown");
    return 2;
}

int PPC_MMU_Check_Access(IOPDesc *iop, AXD *axd)
{
    uint64_t msr = iGET_MSR(iop);
    uint32_t kind = axd->kind > AXD_KIND_UNKNOWN ? (uint32_t)AXD_KIND_UNKNOWN : axd->kind;
    uint32_t pp = axd->perm & PERM_PP;
    uint32_t pp0 = (axd->perm & PERM_PP0) ? 1 : 0;
    uint32_t pr = (msr & MSR_PR) ? 1 : 0;
    if (IOP_Option(iop, PO_TAGS_ACTIVE) && (msr & MSR_TA) && !axd->vrma) {
        uint32_t t = pr << 4 | ((msr & MSR_BIT_0x80) ? 1u : 0u) << 3 | pp0 << 2 | pp;
        return (TA_protValues[kind] >> (31 - t)) & 1;
    }
    uint32_t index = (IOP_Option(iop, PO_PP_IS_3_BITS) ? pp0 << 5 : 0) | pr << 4 |
                     ((axd->perm & PERM_KS) ? 1u : 0u) << 3 | ((axd->perm & PERM_KP) ? 1u : 0u) << 2 | pp;
    bool relocated = kind == AXD_KIND_FETCH ? (msr & MSR_IR) != 0 : (msr & MSR_DR) != 0;
    if (!relocated && IOP_Option(iop, PO_POWERPC_V206)) {
        bool hypervisor = (msr & MSR_HV) && !(msr & MSR_PR);
        // The virtual real mode area of a partition: key 0 applies.
        if (!hypervisor && (iGET_LPCR(iop) & LPCR_VPM0) && LPES1_Effective(iop)) index &= 0xE7;
    }
    return (protValues[kind] >> index) & 1;
}

uint32_t PTE_Storage_Key(uint64_t dw1)
{
    return (uint32_t)(((dw1 >> 60) & 3) << 3 | ((dw1 >> 9) & 7));
}

uint64_t Storage_Key_Violation(IOPDesc *iop, AXD *axd, uint32_t key)
{
    ThreadState *thread = iop->thread;
    int32_t keys = (int32_t)thread->processor->storage_keys;
    if ((int32_t)key > keys - 1) sim_warning(2, "Un-Supported-Key (> %d): key=%d", keys - 1, (int)key);
    int cls = MMU_MAPPING(axd->kind, 0, 0, nullptr);
    if (cls == 2) {
        uint64_t iamr = iGET_IAMR(iop);
        uint32_t pair = (uint32_t)((iamr >> (62 - 2 * key)) & 3);
        if (!(pair & 1)) return 0;
        XLATE_DEBUG(thread, XLAT_DEBUG_INFO, axd,
                    "Key Protection Violation: Storage keys (IAMR:0x%016lX,key=%d,key_field=0x%08X) ",
                    (unsigned long)iamr, (int)key, pair);
        return KEY_CAUSE_IAMR;
    }
    uint64_t amr = iGET_AMR(iop);
    uint32_t pair = (uint32_t)((amr >> (62 - 2 * key)) & 3);
    if (!(pair & (cls == 1 ? 2u : 1u))) return 0;
    XLATE_DEBUG(thread, XLAT_DEBUG_INFO, axd,
                "Protection Violation: Storage keys (AMR:0x%016lX,key=%d,key_field=0x%08X) ",
                (unsigned long)amr, (int)key, pair);
    return KEY_CAUSE_AMR;
}
