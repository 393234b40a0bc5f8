// Stand-ins of the floating-point drivers of the effective-address reads and writes.
#include "mmu/ea_access.h"

#include "mmu/address_translate.h"
#include "mmu/axd.h"
#include "processor/instruction_record.h"
#include "processor/msr_rules.h"
#include "processor/thread_state.h"
#include "processor/value_ops.h"

// STAND-IN: accesses above 8 bytes and the operand-boundary and 4 KB crossing alignment rules are
// missing; the operand is read through the fixed-point read.
__attribute__((weak)) uint32_t EA_Read_Memory_FPReg(IOPDesc *iop, uint64_t *value)
{
    uint64_t read = 0;
    uint32_t result = EA_Read_Memory_Reg(iop, &read, 1);
    if (result == 0) *value = read;
    return result;
}

// STAND-IN: the 16-byte split write is missing; the image goes through the fixed-point write (or
// byte by byte when the access crosses a page).
__attribute__((weak)) uint32_t EA_Write_Memory_FPReg(IOPDesc *iop, FPStoreDataProducer producer, int reg,
                                                     uint64_t *value)
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
    uint64_t msr = iop->thread->MSR.value;
    if (((msr & MSR_LE) != 0) != ((msr & MSR_SLE) != 0 && data->kind != AXD_KIND_FETCH))
        image = Reverse_RegValue(image, data->size);
    if (value) *value = image;
    if (status == XLATE_OK && data->size <= 8) return EA_Write_Memory_Reg_Part2(iop, image, 1, 0);
    uint8_t bytes[8];
    int size = data->size <= 8 ? data->size : 8;
    for (int i = 0; i < size; i++)
        bytes[i] = (uint8_t)(image >> (8 * (size - 1 - i)));
    return Write_Data_One_Byte_at_a_Time(iop, bytes, 1);
}
