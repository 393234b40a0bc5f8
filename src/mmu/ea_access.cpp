// Effective-address reads and writes: translation, the reservation and crossing rules, then the
// physical accesses (one big-endian buffer, or byte by byte); and the D/DS/X address generators.
#include "mmu/ea_access.h"

#include "decode/instr_info.h"
#include "interrupts/interrupt_delivery.h"
#include "interrupts/interrupt_raisers.h"
#include "mmu/address_translate.h"
#include "mmu/alignment.h"
#include "mmu/dawr_eao.h"
#include "mmu/load_store_path.h"
#include "mmu/physical_access.h"
#include "mmu/storage_interrupts.h"
#include "processor/config/processor_options.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/value_ops.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t PAGE_MASK_4K = ~0xFFFull;
// The largest access the buffered paths carry (a quadword pair of the vector-scalar forms).
constexpr int BUFFER_BYTES = 24;

bool option(const IOPDesc *iop, uint32_t index)
{
    return IOP_Option(iop, index) != 0;
}

// The access crosses a boundary of its own size.
bool crosses_own_size(const AXD *axd)
{
    if (axd->size <= 1) return false;
    uint64_t last = axd->ea + (uint64_t)(axd->size - 1);
    return ((axd->ea ^ last) & ~(uint64_t)(axd->size - 1)) != 0;
}

// Refuses an access the buffered paths cannot hold; never reads or writes past the buffer.
bool buffer_fits(const AXD *axd, const char *who)
{
    if (axd->size >= 0 && axd->size <= BUFFER_BYTES) return true;
    sim_error("1: %s: access size %d exceeds the %d-byte buffer", who, axd->size, BUFFER_BYTES);
    return false;
}

uint64_t big_endian_value(const uint8_t *buffer, int size)
{
    uint64_t value = 0;
    for (int i = 0; i < size; i++)
        value = (value << 8) | buffer[i];
    return value;
}

// The size bytes of value, big-endian, at the start of buffer (zeros above the 8 bytes of value).
void lay_out_big_endian(uint8_t *buffer, uint64_t value, int size)
{
    for (int i = size - 1; i >= 0; i--, value >>= 8)
        buffer[i] = (uint8_t)value;
}

int translate(IOPDesc *iop, AXD *axd, int effects)
{
    int status =
        PPC_MMU_AddressTranslate(effects ? 0 : ADDRESS_TRANSLATE_DATA_NOSIDEEFFECT_NOEXCEPTION, iop, axd);
    if (!effects) Discard_Instruction_Bound_Exceptions(iop, 1);
    return status;
}

// Publishes base + offset as the instruction's data access and runs the overflow check with the
// row's access size.
int publish_ea(IOPDesc *iop, uint32_t ra, uint64_t offset)
{
    uint64_t base = ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0;
    AXD *data = &iop->data;
    int16_t size = iop->row ? (int16_t)iop->row->access_size : -1;
    data->iop = iop;
    data->row = iop->row;
    data->ea = data->orig_ea = data->ea2 = base + offset;
    data->size = data->size2 = data->row_size = size;
    if (iop->defer_side_effects) iop->operand_slot2[0] = offset;
    return CEA_CHECK_EAO(iop, ra, offset, size > 0 ? size : 0);
}

// The state a byte-wise walk changes and restores.
struct SavedAccess {
    uint64_t ea, xlate_ea, pa, orig_ea;
    int16_t size;

    explicit SavedAccess(const AXD *axd)
        : ea(axd->ea), xlate_ea(axd->xlate_ea), pa(axd->pa), orig_ea(axd->orig_ea), size(axd->size)
    {
    }
    void restore(AXD *axd, bool with_orig_ea) const
    {
        axd->ea = ea;
        axd->xlate_ea = xlate_ea;
        axd->pa = pa;
        axd->size = size;
        if (with_orig_ea) axd->orig_ea = orig_ea;
    }
};

// A new page's attributes differ from the previous page's under the same-WIMG crossing rule:
// raises the alignment interrupt at the byte's address.
bool wimg_changed(IOPDesc *iop, AXD *axd, uint32_t before, uint64_t byte_ea, int32_t subtype)
{
    if (!option(iop, PO_LOADS_STORES_CROSSING_4K_BOUNDING_SAME_WIMG_ONLY) || axd->wimg == before) return false;
    interrupt_AlignmentException(iop, byte_ea, 0, axd->kind, subtype);
    return true;
}

} // namespace

int EA_gen_d_loads_stores(IOPDesc *iop)
{
    return publish_ea(iop, FIELD_RA(iop->word), (uint64_t)(int64_t)(int16_t)(iop->word & 0xFFFF));
}

int EA_gen_ds_loads_stores(IOPDesc *iop)
{
    return publish_ea(iop, FIELD_RA(iop->word), (uint64_t)(int64_t)(int16_t)(iop->word & 0xFFFC));
}

int EA_gen_x_loads_stores(IOPDesc *iop)
{
    return publish_ea(iop, FIELD_RA(iop->word), IOP_Read_GPR(iop, FIELD_RB(iop->word), OPERAND_B));
}

uint32_t EA_Read_Memory(IOPDesc *iop, AXD *axd, uint8_t *buffer, int effects)
{
    axd->kind = AXD_KIND_LOAD;
    int status = translate(iop, axd, effects);
    if (iop->addr_only) {
        iop->core_rec.kind = 1;
        return 7;
    }
    switch (status) {
    case XLATE_OK:
        if (effects) {
            if (!IOP_Check_Reservation_Storage(iop)) return 1;
            if (option(iop, PO_LOADS_STORES_CROSSING_OPERAND_BOUNDARY_CAUSE_ALIGNMENT_EXCEPTION) &&
                TEST_BIT_XUCR0_FLSTA_AFLSTA() && crosses_own_size(axd)) {
                interrupt_AlignmentException(iop, axd->orig_ea, 0, axd->kind, EST_ALIGN_LOAD_CROSSES_BOUNDARY);
                return 1;
            }
        }
        return PA_Read_Memory_BigEndian_Buffer(iop, buffer, axd, effects);
    case XLATE_EXCEPTION:
    case XLATE_ADDRESS_ONLY:
        return (uint32_t)status;
    case XLATE_CROSSES_PAGE: {
        if (effects && option(iop, PO_LOADS_STORES_CROSSING_4K_BOUNDARY_CAUSE_ALIGNMENT_EXCEPTION) &&
            TEST_BIT_XUCR0_FLSTA_AFLSTA()) {
            interrupt_AlignmentException(iop, axd->orig_ea, 0, axd->kind, EST_ALIGN_LOAD_CROSSES_BOUNDARY);
            return 1;
        }
        // A quiet read stays quiet byte by byte too: no interrupt from the second page.
        AXD *data = &iop->data;
        data->crosses = 1;
        uint32_t result = Read_Data_One_Byte_at_a_Time(iop, buffer, effects);
        data->crosses = 0;
        return result;
    }
    default:
        sim_error("1: EA_Read_Memory: Unexpected return status of address translation : %d", status);
        return (uint32_t)status;
    }
}

uint32_t EA_Read_Memory_Reg(IOPDesc *iop, uint64_t *value, int effects)
{
    AXD *data = &iop->data;
    if (!buffer_fits(data, "EA_Read_Memory_Reg")) return 1;
    uint8_t buffer[BUFFER_BYTES] = {};
    uint32_t result = EA_Read_Memory(iop, data, buffer, effects);
    if (result == 0) *value = big_endian_value(buffer, data->size);
    return result;
}

int EA_Write_Memory_Reg_Part1(IOPDesc *iop, int effects)
{
    AXD *data = &iop->data;
    data->pa = 0;
    data->kind = AXD_KIND_STORE;
    return translate(iop, data, effects);
}

uint32_t EA_Write_Memory_Reg_Part2(IOPDesc *iop, uint64_t value, int effects, int status)
{
    AXD *data = &iop->data;
    if (data->size >= 0 && data->size < 8) value &= (1ull << (8 * data->size)) - 1;
    switch (status) {
    case XLATE_OK: {
        if (!effects) return PA_Write_Memory_Effect(iop, value, data, 0);
        if (!IOP_Check_Reservation_Storage(iop)) return 1;
        uint32_t result = PA_Write_Memory_Effect(iop, value, data, 1);
        if (CheckDAWR(iop, data->ea, data, 1) == 1) return 4;
        return result;
    }
    case XLATE_EXCEPTION:
    case XLATE_ADDRESS_ONLY:
        return (uint32_t)status;
    case XLATE_CROSSES_PAGE: {
        if (!buffer_fits(data, "EA_Write_Memory_Reg")) return 1;
        uint8_t buffer[BUFFER_BYTES] = {};
        lay_out_big_endian(buffer, value, data->size);
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

uint32_t EA_Read_Memory_FPReg(IOPDesc *iop, uint64_t *value)
{
    AXD *data = &iop->data;
    if (data->size <= 8) {
        uint64_t read = 0;
        uint32_t result = EA_Read_Memory_Reg(iop, &read, 1);
        if (result == 0) *value = read;
        return result;
    }
    if (!buffer_fits(data, "EA_Read_Memory_FPReg")) return 1;
    data->kind = AXD_KIND_LOAD;
    int status = PPC_MMU_AddressTranslate(0, iop, data);
    if (status == XLATE_EXCEPTION) return (uint32_t)status;
    if (!IOP_Check_Reservation_Storage(iop)) return 1;
    uint8_t buffer[BUFFER_BYTES] = {};
    uint32_t result = Read_Data_One_Byte_at_a_Time(iop, buffer, 1);
    if (result != 0) return result;
    *value = big_endian_value(buffer, data->size);
    bool refuse = false;
    if (status == XLATE_OK)
        refuse = option(iop, PO_LOADS_STORES_CROSSING_OPERAND_BOUNDARY_CAUSE_ALIGNMENT_EXCEPTION) &&
                 crosses_own_size(data);
    else if (status == XLATE_CROSSES_PAGE)
        refuse = option(iop, PO_LOADS_STORES_CROSSING_4K_BOUNDARY_CAUSE_ALIGNMENT_EXCEPTION);
    if (!refuse || !TEST_BIT_XUCR0_FLSTA_AFLSTA()) return 0;
    interrupt_AlignmentException(iop, data->orig_ea, 0, data->kind, EST_ALIGN_FP_LOAD_CROSSES_PAGE);
    return 1;
}

uint32_t EA_Write_Memory_FPReg(IOPDesc *iop, FPStoreDataProducer producer, int reg, uint64_t *value_out)
{
    AXD *data = &iop->data;
    data->kind = AXD_KIND_STORE;
    int status = EA_Write_Memory_Reg_Part1(iop, 1);
    if (iop->addr_only) {
        iop->core_rec.kind = 2;
        iop->core_rec.result = status;
        return (uint32_t)status;
    }
    if (status == XLATE_EXCEPTION || status == XLATE_ADDRESS_ONLY) return (uint32_t)status;
    uint64_t image = producer(iop, data, reg, status);
    if (IOP_Access_Is_Little_Endian(iop, data->kind)) image = Reverse_RegValue(image, data->size);

    uint32_t result;
    if (status == XLATE_OK && data->size <= 8) {
        result = EA_Write_Memory_Reg_Part2(iop, image, 1, XLATE_OK);
    } else if (status == XLATE_OK && data->size == 16) {
        // Two doublewords: the image's high part, then its low word zero-extended.
        uint64_t ea = data->ea, orig_ea = data->orig_ea, xlate_ea = data->xlate_ea, pa = data->pa;
        data->size = 8;
        result = EA_Write_Memory_Reg_Part2(iop, image >> 32, 1, XLATE_OK);
        // A watchpoint match on the first half still completes the store.
        if (result == 0 || result == 4) {
            uint32_t first = result;
            data->ea = ea + 8;
            data->orig_ea = orig_ea + 8;
            data->xlate_ea = xlate_ea + 8;
            data->pa = pa + 8;
            result = EA_Write_Memory_Reg_Part2(iop, image & 0xFFFFFFFFull, 1, XLATE_OK);
            if (result == 0) result = first;
        }
        data->ea = ea;
        data->orig_ea = orig_ea;
        data->xlate_ea = xlate_ea;
        data->pa = pa;
        data->size = 16;
    } else {
        if (!buffer_fits(data, "EA_Write_Memory_FPReg")) return 1;
        uint8_t buffer[BUFFER_BYTES] = {};
        lay_out_big_endian(buffer, image, data->size);
        result = Write_Data_One_Byte_at_a_Time(iop, buffer, 1);
    }
    if (value_out) *value_out = image;
    return result;
}

uint32_t Read_Data_One_Byte_at_a_Time(IOPDesc *iop, uint8_t *buffer, int effects)
{
    AXD *data = &iop->data;
    SavedAccess saved(data);
    data->kind = AXD_KIND_LOAD;
    if (data->size2 < 1) data->size2 = saved.size;
    data->size = 1;
    uint32_t result = 0;
    uint64_t first_page = saved.ea & PAGE_MASK_4K;
    uint64_t page_pa = 0;
    for (int i = 0; i < saved.size; i++) {
        uint64_t byte_ea = saved.ea + (uint64_t)i;
        data->ea = data->xlate_ea = byte_ea;
        if (i == 0 || (byte_ea & PAGE_MASK_4K) != first_page) {
            uint32_t before = data->wimg;
            data->orig_ea = byte_ea;
            int status = Partial_Load_Translation(iop, data, byte_ea, saved.size, effects);
            if (status != XLATE_OK && status != XLATE_CROSSES_PAGE) {
                if (i > 0) iop->partial_done = 1;
                saved.restore(data, false);
                return (uint32_t)status;
            }
            if (i > 0 && wimg_changed(iop, data, before, byte_ea, EST_ALIGN_LOAD_WIMG)) {
                iop->partial_done = 1;
                saved.restore(data, false);
                return 1;
            }
            page_pa = data->pa & PAGE_MASK_4K;
        } else {
            data->pa = page_pa | (byte_ea & ~PAGE_MASK_4K);
            if (CheckDAWR(iop, byte_ea, data, 0) == 1) {
                saved.restore(data, false);
                return 1;
            }
        }
        uint64_t byte = 0;
        result = PA_Read_Memory_Effect(iop, &byte, data, effects);
        buffer[i] = (uint8_t)byte;
    }
    saved.restore(data, false);
    return result;
}

uint32_t Write_Data_One_Byte_at_a_Time(IOPDesc *iop, const uint8_t *buffer, int effects)
{
    AXD *data = &iop->data;
    SavedAccess saved(data);
    data->kind = AXD_KIND_STORE;
    data->size2 = saved.size;
    data->size = 1;
    uint32_t result = 0;
    uint64_t page_pa = 0;
    for (int i = 0; i < saved.size; i++) {
        uint64_t byte_ea = saved.ea + (uint64_t)i;
        data->ea = data->xlate_ea = byte_ea;
        bool new_page = i == 0 || (byte_ea & ~PAGE_MASK_4K) == 0;
        if (new_page) {
            uint32_t before = data->wimg;
            data->orig_ea = byte_ea;
            int status = Partial_Load_Translation(iop, data, byte_ea, i == 0 ? 1 : saved.size, effects);
            if (status != XLATE_OK && status != XLATE_CROSSES_PAGE) {
                if (i > 0) iop->partial_done = 1;
                saved.restore(data, true);
                return (uint32_t)status;
            }
            if (i > 0 && wimg_changed(iop, data, before, byte_ea, EST_ALIGN_STORE_WIMG)) {
                iop->partial_done = 1;
                saved.restore(data, true);
                return 1;
            }
            page_pa = data->pa & PAGE_MASK_4K;
        } else {
            data->pa = page_pa | (byte_ea & ~PAGE_MASK_4K);
            if (CheckDAWR(iop, byte_ea, data, 0) == 1) {
                iop->partial_done = 1;
                saved.restore(data, true);
                return 1;
            }
        }
        result = PA_Write_Memory_Effect(iop, buffer[i], data, effects ? 1 : 0);
    }
    saved.restore(data, true);
    return result;
}

namespace
{

// The little-endian walks: every byte translated with all checks, buffer position mapped by
// position(i), orig_ea following the byte.
template <typename Access>
uint32_t little_endian_walk(IOPDesc *iop, uint16_t kind, bool restore_orig_ea, Access access)
{
    AXD *data = &iop->data;
    SavedAccess saved(data);
    data->kind = kind;
    if (data->size2 < 1) data->size2 = saved.size;
    data->size = 1;
    uint32_t result = 0;
    for (int i = 0; i < saved.size; i++) {
        uint64_t byte_ea = saved.ea + (uint64_t)i;
        data->ea = data->xlate_ea = data->orig_ea = byte_ea;
        int status = PPC_MMU_AddressTranslate(0, iop, data);
        if (status != XLATE_OK) {
            if (i > 0) iop->partial_done = 1;
            saved.restore(data, restore_orig_ea);
            return (uint32_t)status;
        }
        result = access(i, saved.size, data);
    }
    saved.restore(data, restore_orig_ea);
    return result;
}

} // namespace

uint32_t Read_LE_Data_One_Byte_at_a_Time(IOPDesc *iop, uint8_t *buffer, int effects)
{
    return little_endian_walk(iop, AXD_KIND_LOAD, false, [&](int i, int size, AXD *data) {
        uint64_t byte = 0;
        uint32_t result = PA_Read_Memory_Effect(iop, &byte, data, effects);
        buffer[size - 1 - i] = (uint8_t)byte;
        return result;
    });
}

uint32_t Write_LE_Data_One_Byte_at_a_Time(IOPDesc *iop, const uint8_t *buffer, int effects)
{
    return little_endian_walk(iop, AXD_KIND_STORE, true, [&](int i, int size, AXD *data) {
        return PA_Write_Memory_Effect(iop, buffer[size - 1 - i], data, effects);
    });
}
