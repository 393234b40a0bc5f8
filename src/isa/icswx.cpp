// The coprocessor request instruction (see icswx.h).
#include "isa/icswx.h"

#include <cstring>

#include "decode/semantics.h"
#include "interrupts/instruction_raisers.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/semantics_helpers.h"
#include "mmu/address_translate.h"
#include "mmu/ea_access.h"
#include "mmu/load_store_path.h"
#include "mmu/physical_access.h"
#include "mmu/storage_interrupts.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/htm.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/regs/value_ops.h"

namespace
{

constexpr uint64_t kMsrTransactional = 0x400000000ull, kMsrSuspended = 0x200000000ull;
constexpr uint64_t kHid1ProblemIcswxOff = 0x20000000000000ull;

bool transactional(uint64_t msr)
{
    return (msr & kMsrTransactional) && !(msr & kMsrSuspended);
}

// The "disallowed" failure of a transaction.
void disallowed(IOPDesc *iop, uint64_t msr)
{
    htm_record_failure(iop->thread, HTM_FAILURE_NOT_ALLOWED, IOP_Current_Address(iop), 0, 0, msr);
}

uint8_t state_byte(IOPDesc *iop, uint64_t msr, bool external_pid)
{
    uint8_t s = 0;
    if (external_pid) {
        if (iGET_ELPIDR(iop) & 0x80000000u) s |= 0x80;
        const uint64_t epid = iGET_EPID(iop);
        if (epid & (1ull << 63)) s |= 0x40;
        if (epid & (1ull << 62)) s |= 0x20;
    } else {
        if (msr & MSR_HV) s |= 0x80;
        if (msr & MSR_PR) s |= 0x40;
        if (msr & MSR_DR) s |= 0x20;
    }
    if (msr & MSR_TA) s |= 0x10;
    if (msr & 0x80) s |= 0x08;
    if (msr & MSR_SF) s |= 0x04;
    bool le = (msr & MSR_LE) != 0;
    if (!external_pid && (msr & MSR_SLE)) le = !le;
    if (le) s |= 0x02;
    return s;
}

// The X-form address and its translation; 0 when the address generation raised an interrupt
// (a translation interrupt stays queued on the record).
int address(IOPDesc *iop)
{
    if (!EA_gen_x_loads_stores(iop)) return 0;
    // The row carries no access size: the access is the 4-byte command word.
    iop->data.size = 4;
    iop->data.kind = AXD_KIND_STORE;
    (void)PPC_MMU_AddressTranslate(0, iop, &iop->data);
    return 1;
}

int plain(IOPDesc *iop, bool external_pid)
{
    CRB request{};
    const int ready = icswx_prepare_request(iop, &request, external_pid);
    IOP_Advance_NIA(iop);
    if (!ready) return 0;
    if (ready == 1) Signal_Coprocessor(iop, &request);
    return 1;
}

int record(IOPDesc *iop, bool external_pid)
{
    CRB request{};
    const int ready = icswx_prepare_request(iop, &request, external_pid);
    if (!ready) return 0;
    // Inside a transaction nothing was read: CR0 shows a rejected request.
    IOP_Set_CR0_For_Icswx(iop, ready == 1 ? signal_cop(iop, &request) : 2);
    IOP_Advance_NIA(iop);
    return 1;
}

// The gates of icswx and icswx.; 0 after an interrupt.
int gates(IOPDesc *iop, const char *name)
{
    if (!IOP_Option(iop, PO_ICSWX_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, name);
        return 0;
    }
    if ((iGET_MSR(iop) & MSR_PR) && (iGET_HID1(iop) & kHid1ProblemIcswxOff)) {
        interrupt_IllegalInstruction(iop, name);
        return 0;
    }
    return PCR_Gate_v2_05(iop);
}

} // namespace

int icswx_prepare_request(IOPDesc *iop, CRB *request, bool external_pid)
{
    const uint64_t msr = iGET_MSR(iop);
    if (external_pid && (msr & MSR_PR)) {
        interrupt_PrivilegedInstruction(iop);
        return 0;
    }
    if (transactional(msr)) {
        disallowed(iop, msr);
        return 2;
    }
    AXD *data = &iop->data;
    data->size = 4;
    data->kind = AXD_KIND_STORE;
    data->align = 128;
    iop->update_form = 0;
    const bool delayed = IOP_Option(iop, PO_ICSWX_DELAYS_ADDRESS_TRANSLATION) != 0;
    if (!delayed && !address(iop)) return 0;

    uint64_t rs = IOP_Read_GPR(iop, (iop->word >> 21) & 31, OPERAND_S);
    if (IOP_Data_Little_Endian(iop)) {
        rs = Reverse_RegValue(rs, 4);
        iop->byte_reversed = 1;
    }
    const uint8_t ct = (uint8_t)((rs >> 16) & 0x3F);
    const uint8_t state = state_byte(iop, msr, external_pid);
    const uint32_t field = IOP_Option(iop, PO_ICSWX_HAS_8_BIT_CT_FIELD) ? 0xFFFFFF : 0x3FFFFF;
    const uint32_t command = ((uint32_t)state << 24) | ((uint32_t)rs & field);

    if (!((state & 0x80) && !(state & 0x40))) {
        uint64_t mask = 1ull << (63 - ct);
        if ((state & 0x40) || IOP_Option(iop, PO_ICSWX_ALWAYS_TESTS_ACOP)) mask &= iGET_ACOP(iop);
        if (IOP_Option(iop, PO_HACOP_EXISTS)) mask &= iGET_HACOP(iop);
        if ((IOP_Option(iop, PO_Dravo_Ervik_ICSWX) && (ct >> 3) != 7) || !mask) {
            interrupt_ICSWX(iop, data->ea, ((uint32_t)ct | 0x40) << 8);
            return 0;
        }
    }
    if (delayed && !address(iop)) return 0;
    if (iop->exceptions) return 0;
    if (store_single_register(iop, command) != 1 || iop->exceptions) return 0;
    if (IOP_Option(iop, PO_TAGS_ACTIVE) && (msr & MSR_TA)) PA_Write_Memory_Tag_AXD(iop, data, 0, 1);

    request->ccw = command;
    request->msb = state;
    request->ct = ct;
    data->size = 128;
    data->kind = AXD_KIND_LOAD;
    const uint32_t result = PA_Read_Memory_BigEndian_Buffer(iop, request->image, data, 1);
    return result == 1 || result == 4 ? 0 : 1;
}

int semantic_icswx(IOPDesc *iop)
{
    if (!gates(iop, "icswx")) return 0;
    const uint64_t msr = iGET_MSR(iop);
    if (transactional(msr)) {
        disallowed(iop, msr);
        IOP_Advance_NIA(iop);
        return 1;
    }
    return plain(iop, false);
}

int semantic_icswx_dot(IOPDesc *iop)
{
    if (!gates(iop, "icswx_dot")) return 0;
    return record(iop, false);
}

int semantic_icswepx(IOPDesc *iop)
{
    return plain(iop, true);
}

int semantic_icswepx_dot(IOPDesc *iop)
{
    return record(iop, true);
}
