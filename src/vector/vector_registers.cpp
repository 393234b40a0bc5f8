// The vector register layer: operands, targets, CR field 6 and 128-bit bit fields.
#include "vector/vector_registers.h"

#include "processor/hooks/reg_reader_queue.h"
#include "isa/semantics_helpers.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"

namespace
{

Vec128 slot(const uint64_t *operand)
{
    return Vec128{operand[0], operand[1]};
}

// A mask of the low n bits, n = 1..64.
uint64_t low_bits(uint32_t n)
{
    return n >= 64 ? ~0ull : (1ull << n) - 1;
}

uint64_t byte_swap(uint64_t x)
{
    return __builtin_bswap64(x);
}

} // namespace

Vec128 IOP_Read_VMXR_A(IOPDesc *iop)
{
    if (iop->use_slots) return slot(iop->operand_slot1);
    return READ_VMXR_SIMPLE(iop, VMX_VA(iop->word), "A");
}

Vec128 IOP_Read_VMXR_B(IOPDesc *iop)
{
    if (iop->use_slots) return slot(iop->operand_slot2);
    return READ_VMXR_SIMPLE(iop, VMX_VB(iop->word), "B");
}

Vec128 IOP_Read_VMXR_C(IOPDesc *iop)
{
    if (iop->use_slots) return slot(iop->operand_slot3);
    return READ_VMXR_SIMPLE(iop, VMX_VC(iop->word), "C");
}

void IOP_Deliver_Vector_Result(IOPDesc *iop, Vec128 value)
{
    IOPResultSlot *record = &iop->result_gpr2;
    record->value[0] = value.high;
    record->value[1] = value.low;
    record->ready_time = iop->time_stamp;
    VRegReaderQ_release(record, iop->cthread);
}

void IOP_Write_VMXR_T(IOPDesc *iop, uint64_t low, uint64_t high)
{
    if (iop->use_slots) {
        IOP_Deliver_Vector_Result(iop, Vec128{low, high});
        return;
    }
    WRITE_VMXR_SIMPLE(iop, VMX_VT(iop->word), low, high, "T");
}

void IOP_Write_VMXR_T_Load(IOPDesc *iop, uint64_t low, uint64_t high)
{
    IOP_Write_VMXR_T(iop, low, high);
    if (iop->row && (iop->row->class_flags & II_LOAD))
        HTM_SmodeUndefTargetVmx(iop, &iop->data, VMX_VT(iop->word));
}

Vec128 IOP_Read_VSR(IOPDesc *iop, uint32_t n, int which)
{
    if (iop->use_slots) {
        switch (which) {
        case VSX_SLOT_A:
            return slot(iop->operand_slot1);
        case VSX_SLOT_B:
            return slot(iop->operand_slot2);
        case VSX_SLOT_C:
            return slot(iop->operand_slot3);
        default:
            return slot(iop->operand_slot4);
        }
    }
    return READ_VSR_SIMPLE(iop, n, "S");
}

void IOP_Set_CR6(IOPDesc *iop, uint32_t value)
{
    IOP_Write_CR_Field(iop, 6, value & 0xF);
}

uint64_t VSU_Get_Bits128(Vec128 value, uint32_t first, uint32_t last)
{
    auto word = [&](uint32_t bit) { return bit < 64 ? value.high : value.low; };
    const uint32_t pos_first = first % 64, pos_last = last % 64;
    const uint64_t d = word(last) >> (63 - pos_last);
    if ((first < 64) == (last < 64)) return d & low_bits(last - first + 1);
    // The field spans both words: bits pos_first..63 of the high word above the low word's part.
    return d | ((word(first) & low_bits(64 - pos_first)) << (pos_last + 1));
}

void VSU_Set_Bits128(Vec128 *value, uint32_t first, uint32_t last, uint64_t field)
{
    const uint32_t pos_last = last % 64;
    uint32_t start = first % 64;
    if ((first < 64) != (last < 64)) {
        // Bits start..63 of the high word take the top of the field; pos_last + 1 <= 63 here.
        const uint64_t mask = low_bits(64 - start);
        value->high = (value->high & ~mask) | ((field >> (pos_last + 1)) & mask);
        start = 0;
    }
    uint64_t &word = last < 64 ? value->high : value->low;
    const uint64_t mask = low_bits(pos_last - start + 1) << (63 - pos_last);
    word = (word & ~mask) | ((field << (63 - pos_last)) & mask);
}

Vec128 VSU_Reverse_Bytes(Vec128 value)
{
    return Vec128{byte_swap(value.high), byte_swap(value.low)};
}
