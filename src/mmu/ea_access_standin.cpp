// Stand-ins of the effective-address accesses, built on the stand-in translation and the physical
// accesses.
#include "mmu/ea_access.h"

#include "isa/instr_info.h"
#include "isa/load_store_path.h"
#include "isa/semantics_helpers.h"
#include "mmu/address_translate.h"
#include "mmu/axd.h"
#include "mmu/physical_access.h"
#include "mmu/storage_interrupts.h"
#include "processor/exception_record.h"
#include "processor/instruction_record.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t PAGE_MASK_4K = ~0xFFFull;
constexpr int BUFFER_BYTES = 24;

// Publishes the effective address base + offset and runs the overflow check.
int publish_ea(IOPDesc *iop, uint32_t ra, uint64_t offset)
{
    uint64_t base = ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0;
    AXD *data = &iop->data;
    uint64_t ea = base + offset;
    int16_t size = iop->row ? (int16_t)iop->row->access_size : 0;
    data->iop = iop;
    data->row = iop->row;
    data->ea = data->orig_ea = data->ea2 = ea;
    data->size = data->size2 = data->row_size = size;
    if (iop->defer_side_effects) iop->operand_slot2[0] = offset;
    return CEA_CHECK_EAO(iop, ra, offset, size);
}

uint64_t big_endian_value(const uint8_t *buffer, int size)
{
    uint64_t value = 0;
    for (int i = 0; i < size; i++)
        value = (value << 8) | buffer[i];
    return value;
}

} // namespace

// STAND-IN: the address-generation module is not built yet; this computes the three address sums
// (the micro-coded forms' generators are missing).
__attribute__((weak)) int EA_gen_d_loads_stores(IOPDesc *iop)
{
    return publish_ea(iop, FIELD_RA(iop->word), FIELD_SI(iop->word));
}

// STAND-IN: see EA_gen_d_loads_stores.
__attribute__((weak)) int EA_gen_ds_loads_stores(IOPDesc *iop)
{
    return publish_ea(iop, FIELD_RA(iop->word), (uint64_t)(int64_t)(int16_t)(iop->word & 0xFFFC));
}

// STAND-IN: see EA_gen_d_loads_stores.
__attribute__((weak)) int EA_gen_x_loads_stores(IOPDesc *iop)
{
    return publish_ea(iop, FIELD_RA(iop->word), IOP_Read_GPR(iop, FIELD_RB(iop->word), OPERAND_B));
}

// STAND-IN: the family alignment rules are not built: no access is refused.
__attribute__((weak)) int PPC_MMU_CheckAlignment(IOPDesc *, AXD *)
{
    return 1;
}

// STAND-IN: the effective-address read, complete but built on the stand-in translation and
// physical read.
__attribute__((weak)) uint32_t EA_Read_Memory_Reg(IOPDesc *iop, uint64_t *value, int effects)
{
    AXD *data = &iop->data;
    data->kind = AXD_KIND_LOAD;
    int status =
        PPC_MMU_AddressTranslate(effects ? 0 : ADDRESS_TRANSLATE_DATA_NOSIDEEFFECT_NOEXCEPTION, iop, data);
    if (!effects) Discard_Instruction_Bound_Exceptions(iop, 1);
    if (iop->addr_only) {
        iop->core_rec.kind = 1;
        return 7;
    }
    if (data->size < 0 || data->size > BUFFER_BYTES) return 1;
    uint8_t buffer[BUFFER_BYTES] = {};
    uint32_t result;
    switch (status) {
    case XLATE_OK:
        if (effects && !IOP_Check_Reservation_Storage(iop)) return 1;
        if (effects && data->size > 0 &&
            IOP_Option(iop, PO_LOADS_STORES_CROSSING_OPERAND_BOUNDARY_CAUSE_ALIGNMENT_EXCEPTION) &&
            ((data->ea ^ (data->ea + (uint64_t)(data->size - 1))) & ~(uint64_t)(data->size - 1))) {
            interrupt_AlignmentException(iop, data->orig_ea, 0, data->kind, EST_ALIGN_LOAD_CROSSES_BOUNDARY);
            return 1;
        }
        result = PA_Read_Memory_BigEndian_Buffer(iop, buffer, data, effects);
        break;
    case XLATE_EXCEPTION:
    case XLATE_ADDRESS_ONLY:
        return (uint32_t)status;
    case XLATE_CROSSES_PAGE:
        if (effects && IOP_Option(iop, PO_LOADS_STORES_CROSSING_4K_BOUNDARY_CAUSE_ALIGNMENT_EXCEPTION)) {
            interrupt_AlignmentException(iop, data->orig_ea, 0, data->kind, EST_ALIGN_LOAD_CROSSES_BOUNDARY);
            return 1;
        }
        data->crosses = 1;
        result = Read_Data_One_Byte_at_a_Time(iop, buffer, 1);
        data->crosses = 0;
        break;
    default:
        sim_error("1: EA_Read_Memory: Unexpected return status of address translation : %d", status);
        return (uint32_t)status;
    }
    if (result == 0) {
        int size = data->size;
        *value = size > 8 ? big_endian_value(buffer + size - 8, 8) : big_endian_value(buffer, size);
    }
    return result;
}

// STAND-IN: complete, but built on the stand-in translation.
__attribute__((weak)) int EA_Write_Memory_Reg_Part1(IOPDesc *iop, int effects)
{
    AXD *data = &iop->data;
    data->pa = 0;
    data->kind = AXD_KIND_STORE;
    int status =
        PPC_MMU_AddressTranslate(effects ? 0 : ADDRESS_TRANSLATE_DATA_NOSIDEEFFECT_NOEXCEPTION, iop, data);
    if (!effects) Discard_Instruction_Bound_Exceptions(iop, 1);
    return status;
}

// STAND-IN: complete, but built on the stand-in translation and physical write.
__attribute__((weak)) uint32_t EA_Write_Memory_Reg_Part2(IOPDesc *iop, uint64_t value, int effects,
                                                         int status)
{
    AXD *data = &iop->data;
    if (data->size < 8 && data->size >= 0) value &= (1ull << (8 * data->size)) - 1;
    switch (status) {
    case XLATE_OK: {
        if (!effects) return PA_Write_Memory_Effect(iop, value, data, 0);
        if (!IOP_Check_Reservation_Storage(iop)) return 1;
        uint32_t result = PA_Write_Memory_Effect(iop, value, data, 1);
        if (CheckDAWR(iop, data->ea, data, 1)) return 4;
        return result;
    }
    case XLATE_EXCEPTION:
    case XLATE_ADDRESS_ONLY:
        return (uint32_t)status;
    case XLATE_CROSSES_PAGE: {
        if (data->size < 0 || data->size > 8) return 1;
        uint8_t buffer[BUFFER_BYTES] = {};
        for (int i = data->size - 1; i >= 0; i--, value >>= 8)
            buffer[i] = (uint8_t)value;
        data->crosses = 1;
        uint32_t result = Write_Data_One_Byte_at_a_Time(iop, buffer, effects);
        data->crosses = 0;
        return result;
    }
    default:
        sim_error("EA_Write_Memory_Reg: Unexpected return status of address translation : %d", status);
        return (uint32_t)status;
    }
}

namespace
{

// The byte-wise walk: each byte translated when it starts a new 4 KB page (every byte for the
// little-endian forms), then read or written; ea, xlate_ea, pa and size are restored on success.
template <typename Access> uint32_t bytewise(IOPDesc *iop, bool every_byte, bool store, Access access)
{
    AXD *data = &iop->data;
    uint64_t ea = data->ea, xlate_ea = data->xlate_ea, pa = data->pa, orig_ea = data->orig_ea;
    int16_t size = data->size;
    if (data->size2 == -1 || store) data->size2 = size;
    data->size = 1;
    uint32_t result = 0;
    uint64_t page_pa = 0;
    for (int i = 0; i < size; i++) {
        uint64_t byte_ea = ea + (uint64_t)i;
        data->ea = byte_ea;
        if (every_byte || i == 0 || (byte_ea & ~PAGE_MASK_4K) == 0) {
            data->orig_ea = byte_ea;
            int status = PPC_MMU_AddressTranslate(0, iop, data);
            if (status != XLATE_OK) {
                if (i > 0) iop->partial_done = 1;
                return (uint32_t)status;
            }
            page_pa = data->pa - (byte_ea & ~PAGE_MASK_4K);
        } else {
            data->pa = page_pa + (byte_ea & ~PAGE_MASK_4K);
        }
        result = access(i, data);
    }
    data->ea = ea;
    data->xlate_ea = xlate_ea;
    data->pa = pa;
    data->size = size;
    if (store) data->orig_ea = orig_ea;
    return result;
}

} // namespace

// STAND-IN: the partial-load translation and the same-WIMG crossing rule are missing.
__attribute__((weak)) uint32_t Read_Data_One_Byte_at_a_Time(IOPDesc *iop, uint8_t *buffer, int effects)
{
    return bytewise(iop, false, false, [&](int i, AXD *data) {
        uint64_t byte = 0;
        uint32_t result = PA_Read_Memory_Effect(iop, &byte, data, effects);
        buffer[i] = (uint8_t)byte;
        return result;
    });
}

// STAND-IN: complete, but built on the stand-in translation and physical read.
__attribute__((weak)) uint32_t Read_LE_Data_One_Byte_at_a_Time(IOPDesc *iop, uint8_t *buffer, int effects)
{
    int last = iop->data.size - 1;
    return bytewise(iop, true, false, [&](int i, AXD *data) {
        uint64_t byte = 0;
        uint32_t result = PA_Read_Memory_Effect(iop, &byte, data, effects);
        buffer[last - i] = (uint8_t)byte;
        return result;
    });
}

// STAND-IN: the partial-load translation, the per-byte watchpoint test and the same-WIMG crossing
// rule are missing.
__attribute__((weak)) uint32_t Write_Data_One_Byte_at_a_Time(IOPDesc *iop, const uint8_t *buffer, int effects)
{
    return bytewise(iop, false, true,
                    [&](int i, AXD *data) { return PA_Write_Memory_Effect(iop, buffer[i], data, effects); });
}
