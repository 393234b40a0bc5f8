// The PCI host bridge: its register page and the interrupt vector table read.
#include "devices/phb.h"

#include <string>

#include "devices/ppcic.h"
#include "memory/memory_bus.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t IVT_ENABLE = 0x8000000000000000ull;
constexpr uint64_t IVT_BASE_MASK = 0x3FFFFFFFF8000ull; // bits 15-49
constexpr uint64_t IVT_LENGTH_MASK = 0xFFF;            // bits 0-11
constexpr uint32_t IVT_MAX_LENGTH = 2048;
constexpr uint64_t LARGE_ENTRY_BIT = 1ull << 39;
constexpr uint64_t SMALL_ENTRY_SIZE = 16;
constexpr uint64_t LARGE_ENTRY_SIZE = 128;
constexpr uint32_t MASKED_PRIORITY = 0xFF;

bool access_ok(uint64_t offset, int length)
{
    if (length == 8 && (offset & 7) == 0) return true;
    sim_warning(2, "PHB: Only 8 byte accesses are allowed: Address 0x%016lX and length %d",
                (unsigned long)offset, length);
    return false;
}

const char *phb_name(const PHB_State *phb)
{
    return phb->name ? phb->name : "PHB";
}

// The table's index mask from its length (bits 0-11 of the base register); 0 for a bad length.
uint32_t ivt_mask(const PHB_State *phb)
{
    uint32_t length = (uint32_t)(phb->ivt_bar & IVT_LENGTH_MASK);
    if (length == 0) {
        sim_warning(2, "PHB_IVT_BAR[IVT Length][%s]: %u cannot be 0", phb_name(phb), length);
        return 0;
    }
    if (length > IVT_MAX_LENGTH) {
        sim_warning(2, "PHB_IVT_BAR[IVT Length][%s]: %u > %u", phb_name(phb), length, IVT_MAX_LENGTH);
        return 0;
    }
    if (length & (length - 1)) {
        sim_warning(2, "PHB_IVT_BAR[IVT Length][%s]: %u is not a power of 2", phb_name(phb), length);
        return 0;
    }
    return length - 1;
}

// Discards the controller's sources once a table read has linked the list: the next interrupt
// reads its entry again.
void discard_sources(PHB_State *phb)
{
    if (!phb->sources || !phb->controller) return;
    PPCIC_Free_Sources(phb->controller);
}

void *PHB_INIT_MMAPI_FUNCTION(const char *, PropertyList *, InstanceLink *, uint64_t, uint64_t)
{
    return nullptr;
}

void PHB_QUIT_MMAPI_FUNCTION(void *instance)
{
    auto *phb = static_cast<PHB_State *>(instance);
    if (!phb) return;
    discard_sources(phb);
    phb->created = 0;
}

int PHB_READ_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t *value, int length)
{
    auto *phb = static_cast<PHB_State *>(instance);
    if (!phb || !access_ok(offset, length)) return 0;
    switch (offset) {
    case PHB_IVT_BAR:
        *value = phb->ivt_bar;
        break;
    case PHB_REG_238:
        *value = phb->reg_238;
        break;
    case PHB_REG_240:
        *value = phb->reg_240;
        break;
    case PHB_IVC_INVALIDATE:
        *value = phb->ivc_invalidate;
        break;
    case PHB_REG_2A8:
        *value = phb->reg_2a8;
        break;
    case PHB_REG_810:
        *value = phb->reg_810;
        break;
    default:
        *value = 0;
        break;
    }
    return 1;
}

int PHB_WRITE_MMAPI_FUNCTION(MMAPI_Access *, void *instance, uint64_t offset, uint64_t value, int length)
{
    auto *phb = static_cast<PHB_State *>(instance);
    if (!phb || !access_ok(offset, length)) return 0;
    switch (offset) {
    case PHB_IVT_BAR:
        phb->ivt_bar = value;
        if (value & IVT_ENABLE) ivt_mask(phb);
        break;
    case PHB_REG_238:
        phb->reg_238 = value;
        break;
    case PHB_REG_240:
        phb->reg_240 = value;
        break;
    case PHB_IVC_INVALIDATE:
        phb->ivc_invalidate = value;
        discard_sources(phb);
        break;
    case PHB_REG_2A8:
        phb->reg_2a8 = value;
        break;
    case PHB_REG_810:
        phb->reg_810 = value;
        phb->large_entries = (value & LARGE_ENTRY_BIT) ? 1 : 0;
        break;
    default:
        sim_warning(2, "PHB: attempt to write unsupported offset");
        break;
    }
    return 1;
}

} // namespace

MMAPIentry_s G_MMAPI_PHB_BASE = {
    MMAPI_VERSION,
    PHB_INIT_MMAPI_FUNCTION,
    PHB_QUIT_MMAPI_FUNCTION,
    PHB_READ_MMAPI_FUNCTION,
    PHB_WRITE_MMAPI_FUNCTION,
    nullptr,
    nullptr,
    nullptr,
};

int phb_create(MCM *chip, uint64_t base)
{
    PPCIC_s *controller = PPCIC_Of_Chip(chip);
    if (!controller) {
        sim_warning(2, "PHB: chip has no interrupt controller to hold a bridge");
        return 0;
    }
    PHB_State *phb = &controller->phb;
    if (phb->created) {
        sim_warning(2, "PHB: %s already created at 0x%016lX", phb_name(phb), (unsigned long)phb->base);
        return 0;
    }
    if (base > ~0ull - (PHB_PAGE_SIZE - 1)) {
        sim_warning(2, "PHB: register page at 0x%016lX does not fit the address space", (unsigned long)base);
        return 0;
    }
    if (!phb->name) phb->name = REMEMBER_STRING(MCM_Unique_Name(chip, "PHB"));
    ThreadState *first = GenericMachine__Thread(chip->machine, 0);
    phb->client = first ? first->memory_client : nullptr;
    phb->controller = controller;
    phb->sources = nullptr;
    std::string page = std::string(phb->name) + "_p1";
    MemMap_Define(chip, page.c_str(), &G_MMAPI_PHB_BASE, base, base + PHB_PAGE_SIZE - 1, phb);
    phb->base = base;
    phb->created = 1;
    return 1;
}

PPC_Int_Source_s *PPC_PHB_IVT_Read(PPCIC_s *controller, int32_t irq)
{
    PHB_State *phb = controller ? &controller->phb : nullptr;
    if (!phb || !phb->created) return nullptr;
    if (!(phb->ivt_bar & IVT_ENABLE)) {
        sim_warning(2, "IVT_BAR[%s]: not Enabled", phb_name(phb));
        return nullptr;
    }
    uint32_t mask = ivt_mask(phb);
    if (mask == 0) sim_warning(2, "PHB_IVT_BAR[IVT Length][%s]: is bad", phb_name(phb));
    uint32_t index = (uint32_t)irq & mask;
    uint64_t entry_size = phb->large_entries ? LARGE_ENTRY_SIZE : SMALL_ENTRY_SIZE;
    uint64_t address = (phb->ivt_bar & IVT_BASE_MASK) + index * entry_size;
    uint64_t entry = 0;
    if (!Read_Mapped_Memory_Reg(phb->client, address, 8, &entry, 0, 0)) {
        sim_warning(2, "PHB: error reading IVT Table 0x%016lX", (unsigned long)address);
        return nullptr;
    }
    if (index != (uint32_t)irq) {
        if (index == 0 && irq != 0)
            sim_warning(2, "IVTE is 0 for IRQ %u, ivt_mask = %u", (uint32_t)irq, mask);
        sim_warning(2, "IVT[%u] doesn't match IRQ %u !!", index, (uint32_t)irq);
        sim_warning(2,
                    "Note: IVT[index] has a max depth of 2K, per kestor spec. `IVT Base Address and Length "
                    "Register`.");
        sim_warning(2, "      IVT Length is: %u", (uint32_t)(phb->ivt_bar & IVT_LENGTH_MASK));
        sim_warning(2, "      IVTE is derived by: IRQ & IVT Length.");
        sim_warning(2, "      In this case, IRQ is exceeding the defined IVT Length.");
    }
    PPC_Int_Source_s *source = int_source_new(irq);
    if (!source) return nullptr;
    source->server = (uint32_t)(entry >> 42);
    source->priority = (uint32_t)(entry >> 32) & 0xFF;
    source->enabled = source->priority != MASKED_PRIORITY;
    source->next = controller->sources;
    controller->sources = source;
    phb->sources = &controller->sources;
    return source;
}
