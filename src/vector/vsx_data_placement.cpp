// Vector-scalar data placement for the cycle-level core (see vsx_data_placement.h).
#include "vector/vsx_data_placement.h"

#include "decode/instr_info.h"
#include "decode/row_ids.h"
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "processor/hooks/reg_reader_queue.h"
#include "processor/hooks/vsr_access.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/iop_registers.h"
#include "runtime/message.h"

namespace
{

constexpr uint32_t kScratchSlot = 32;

uint32_t vsr_field(const IOPDesc *iop)
{
    return ((iop->word >> 21) & 31) | ((iop->word & 1) << 5);
}
uint16_t row_id(const IOPDesc *iop)
{
    return iop && iop->row ? iop->row->id : (uint16_t)ROW_INVALID;
}
uint64_t big_endian(const uint8_t *bytes, int count)
{
    uint64_t value = 0;
    for (int i = 0; i < count; i++)
        value = (value << 8) | bytes[i];
    return value;
}
void put_big_endian(uint8_t *bytes, int count, uint64_t value)
{
    for (int i = 0; i < count; i++)
        bytes[i] = (uint8_t)(value >> (8 * (count - 1 - i)));
}

} // namespace

InstrInfo *VSX_Load_Data_To_Reg(IOPDesc *iop, const uint8_t *bytes, int size)
{
    const uint16_t row = row_id(iop);
    uint64_t high = 0, low = 0;
    if (size == 16) {
        if (row != ROW_LXVD2X && row != ROW_LXVW4X) sim_panic("VSX_Load_Data_To_Reg: wrong size %d", size);
        high = big_endian(bytes, 8);
        low = big_endian(bytes + 8, 8);
    } else if (row == ROW_LXVDSX) {
        // The splat reads eight bytes: a shorter buffer is the caller's error.
        if (size != 8) sim_panic("VSX_Load_Data_To_Reg: wrong size %d", size);
        high = low = big_endian(bytes, 8);
    } else if (size == 4) {
        high = big_endian(bytes, 4) << 32;
    } else if (size == 8) {
        high = big_endian(bytes, 8);
    } else {
        sim_panic("VSX_Load_Data_To_Reg: wrong size %d", size);
    }
    IOP_Write_VSR_T(iop, high, low);
    return iop->row;
}

void VSX_Prepare_Store_Data(IOPDesc *iop, uint8_t *bytes, int size)
{
    if (size != 4 && size != 8 && size != 16) {
        sim_error("VSX_Prepare_Store_Data: bad N = %d", size);
        return;
    }
    const uint16_t row = row_id(iop);
    if (size == 16 && row != ROW_STXVD2X && row != ROW_STXVW4X && row != ROW_MISAL_STVLX && row != ROW_MISAL_STVRX)
        sim_panic("VSX_Prepare_Store_Data: wrong size %d", size);
    const Vec128 value = iop->use_slots ? Vec128{iop->operand_slot4[0], iop->operand_slot4[1]}
                                        : READ_VSR_SIMPLE(iop, vsr_field(iop), "S");
    if (size == 16) {
        put_big_endian(bytes, 8, value.high);
        put_big_endian(bytes + 8, 8, value.low);
    } else if (size == 8) {
        put_big_endian(bytes, 8, value.high);
    } else {
        put_big_endian(bytes, 4, value.high >> 32);
    }
}

// Scratch slot to FPR FRT, or to VSR XT for the VSX scalar loads (lxsdx and extended opcode 620).
int semantic_misal_gprtofpr(IOPDesc *iop)
{
    if (iop->ucode_id < 5 || iop->ucode_id > 7)
        sim_panic("semantic_misal_gprtofpr wrong ucode_id=%d", (int)iop->ucode_id);
    const uint64_t value = IOP_Read_GPR(iop, kScratchSlot, OPERAND_A);
    const uint32_t xo = (iop->word >> 1) & 0x3FF;
    if ((iop->word >> 26) == 31 && (xo == 588 || xo == 620)) {
        IOP_Write_VSR_T(iop, value, 0);
        return 1;
    }
    const uint32_t frt = (iop->word >> 21) & 31;
    if (iop->use_slots) {
        IOPResultSlot *slot = &iop->result_gpr2;
        slot->value[0] = value;
        slot->ready_time = iop->time_stamp;
        FPRegReaderQ_release(slot, iop->cthread);
    } else {
        WRITE_FPR_SIMPLE(iop, frt, value, "T");
    }
    return 1;
}

// Doubleword 1 of VSR XS to the scratch slot.
int semantic_misal_xxsldwi(IOPDesc *iop)
{
    const uint64_t value = iop->use_slots ? iop->operand_slot4[0] : READ_VSR_SIMPLE(iop, vsr_field(iop), "S").low;
    IOP_Write_GPR(iop, kScratchSlot, value);
    return 1;
}
