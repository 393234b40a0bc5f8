// Stand-ins of the vector-scalar loads and stores of the instruction table: lxvd2x, lxvw4x,
// lxvdsx, lxsdx, lxsspx, lxsiwax, lxsiwzx, stxvd2x, stxvw4x, stxsdx, stxsspx, stxsiwx.
//
// Elements are moved in big-endian element order (element i at EA + i × size), each in the data
// byte order (the storage path reads and writes big-endian, so a little-endian access reverses
// each element here); with option LE_REVERSE_REG a little-endian access reverses each element once
// more. The target is written with IOP_Write_VSR_T.
//
// STAND-IN: the storage unit's own vector-scalar load/store layer is not built. Missing: the
// update and word-scalar forms (no row names them), the page-crossing mark of the elements of a
// vector access, and the cycle-level core's store-data placement. The routines are plain
// definitions (they must win over the illegal-instruction defaults, which are weak): the storage
// unit's routines replace this file.
#include "interrupts/interrupt_delivery.h"
#include "interrupts/interrupt_raisers.h"
#include "fp/format_convert.h"
#include "mmu/load_store_path.h"
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "mmu/address_translate.h"
#include "processor/records/axd.h"
#include "mmu/dawr_eao.h"
#include "mmu/ea_access.h"
#include "processor/regs/value_ops.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"

namespace vsx
{

namespace
{

uint32_t ra_field(const IOPDesc *iop)
{
    return (iop->word >> 16) & 31;
}

// The X-form address of an element access of n bytes and its overflow check: 0 when the check
// raised an interrupt. The address is left in data.ea, orig_ea and ea2.
int address_steps(IOPDesc *iop, uint16_t kind, int n)
{
    AXD *data = &iop->data;
    const uint32_t ra = ra_field(iop);
    const uint64_t rb = IOP_Read_GPR(iop, (iop->word >> 11) & 31, OPERAND_B);
    if (iop->defer_side_effects) iop->operand_slot2[0] = rb;
    const uint64_t ea = rb + (ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0);
    data->iop = iop;
    data->row = iop->row;
    data->kind = kind;
    data->size = data->size2 = (int16_t)n;
    data->align = -1;
    data->ea = data->orig_ea = data->ea2 = ea;
    data->row_size = (int16_t)n;
    return CEA_CHECK_EAO(iop, ra, rb, n) != 0;
}

// Element bytes in the data byte order, and the extra reversal of LE_REVERSE_REG.
uint64_t data_order(IOPDesc *iop, uint64_t value, int n)
{
    if (!IOP_Access_Is_Little_Endian(iop, iop->data.kind)) return value;
    value = Reverse_RegValue(value, n);
    if (IOP_Option(iop, PO_LE_REVERSE_REG)) value = Reverse_RegValue(value, n);
    return value;
}

int probe(IOPDesc *iop, uint8_t kind)
{
    iop->core_rec.kind = kind;
    iop->core_rec.result = PPC_MMU_AddressTranslate(0, iop, &iop->data);
    return 0;
}

int complete(IOPDesc *iop)
{
    IOP_Advance_NIA(iop);
    return 1;
}

// One element of n bytes at EA; 0 read.
uint32_t read_element(IOPDesc *iop, int n, uint64_t *value)
{
    iop->data.size = (int16_t)n;
    uint64_t read = 0;
    uint32_t status = EA_Read_Memory_Reg(iop, &read, 1);
    if (status) return status;
    *value = data_order(iop, read, n);
    return 0;
}

uint32_t store_vsx_value(IOPDesc *iop, uint64_t value)
{
    int status = EA_Write_Memory_Reg_Part1(iop, 1);
    if (iop->addr_only) {
        iop->core_rec.kind = 2;
        iop->core_rec.result = status ? status : 7;
        return 7;
    }
    return EA_Write_Memory_Reg_Part2(iop, value, 1, status);
}

Vec128 source(IOPDesc *iop)
{
    return IOP_Read_VSR(iop, VSX_XT(iop->word), VSX_SLOT_D);
}

void set_element(Vec128 *v, int n, int i, uint64_t x)
{
    if (n == 8)
        (i == 0 ? v->high : v->low) = x;
    else
        Vec_Set_Word(v, i, (uint32_t)x);
}

uint64_t element(Vec128 v, int n, int i)
{
    return n == 8 ? Vec_Dword(v, i) : Vec_Word(v, i);
}

// The PCR gate of the single-element forms of level 2.07.
int level_gate(IOPDesc *iop)
{
    return PCR_Gate_v2_06(iop);
}

} // namespace

int SIM_load_vector(IOPDesc *iop, int n)
{
    if (!Check_VSX_Available(iop)) return 0;
    if (!address_steps(iop, AXD_KIND_LOAD, n)) return 0;
    if (iop->addr_only) return probe(iop, 1);
    AXD *data = &iop->data;
    const uint64_t ea = data->ea;
    data->size2 = 16;
    Vec128 value{0, 0};
    for (int offset = 0; offset < 16; offset += n) {
        data->ea = data->orig_ea = ea + (uint64_t)offset;
        uint64_t x = 0;
        if (read_element(iop, n, &x)) {
            data->ea = ea;
            return 0;
        }
        set_element(&value, n, offset / n, x);
    }
    data->ea = ea;
    IOP_Write_VSR_T(iop, value.high, value.low);
    return complete(iop);
}

int SIM_store_vector(IOPDesc *iop, int n)
{
    if (!address_steps(iop, AXD_KIND_STORE, n)) return 0;
    if (!Check_VSX_Available(iop)) return 0;
    AXD *data = &iop->data;
    if (iop->addr_only) {
        data->size = 16;
        return probe(iop, 2);
    }
    const Vec128 value = source(iop);
    const uint64_t ea = data->ea;
    data->size2 = 16;
    uint32_t status = 0;
    for (int offset = 0; offset < 16 && !status; offset += n) {
        data->ea = ea + (uint64_t)offset;
        data->size = (int16_t)n;
        if (PPC_MMU_AddressTranslate(0, iop, data) == 1) {
            data->ea = ea;
            return 0;
        }
        status = store_vsx_value(iop, data_order(iop, element(value, n, offset / n), n));
    }
    data->ea = ea;
    if (status) return 0;
    return complete(iop);
}

int SIM_load_scalar(IOPDesc *iop, int n)
{
    if (!Check_VSX_Available(iop)) return 0;
    if (!address_steps(iop, AXD_KIND_LOAD, n)) return 0;
    if (iop->addr_only) return probe(iop, 1);
    uint64_t x = 0;
    if (read_element(iop, n, &x)) return 0;
    IOP_Write_VSR_T(iop, n == 8 ? x : x << 32, 0);
    return complete(iop);
}

int SIM_store_scalar(IOPDesc *iop, int n)
{
    const int address_ok = address_steps(iop, AXD_KIND_STORE, n);
    if (!Check_VSX_Available(iop) || !address_ok) return 0;
    if (PPC_MMU_AddressTranslate(0, iop, &iop->data) == 1) return 0;
    iop->data.size = (int16_t)n;
    if (iop->addr_only) return probe(iop, 2);
    const uint64_t dw0 = source(iop).high;
    if (store_vsx_value(iop, data_order(iop, n == 8 ? dw0 : dw0 >> 32, n))) return 0;
    return complete(iop);
}

// lxsspx, lxsiwax, lxsiwzx: one word, converted, into doubleword 0.
template <typename Convert> int load_word(IOPDesc *iop, Convert convert)
{
    if (!level_gate(iop)) return 0;
    if (!Check_VSX_Available(iop)) return 0;
    (void)source(iop); // the target is read once beforehand
    if (!address_steps(iop, AXD_KIND_LOAD, 4)) return 0;
    if (iop->addr_only) return probe(iop, 1);
    uint64_t x = 0;
    if (read_element(iop, 4, &x)) return 0;
    IOP_Write_VSR_T(iop, convert(iop, (uint32_t)x), 0);
    return complete(iop);
}

// stxsiwx, stxsspx: one word of doubleword 0.
template <typename Convert> int store_word(IOPDesc *iop, Convert convert)
{
    if (!level_gate(iop)) return 0;
    if (!address_steps(iop, AXD_KIND_STORE, 4)) return 0;
    if (!Check_VSX_Available(iop)) return 0;
    AXD *data = &iop->data;
    data->size = 1;
    if (PPC_MMU_AddressTranslate(0, iop, data) == 1) return 0;
    data->size = 4;
    if (iop->addr_only) return probe(iop, 2);
    const uint32_t word = convert(iop, source(iop).high);
    if (store_vsx_value(iop, data_order(iop, word, 4))) return 0;
    return complete(iop);
}

} // namespace vsx

int semantic_lxvd2x(IOPDesc *iop)
{
    return vsx::SIM_load_vector(iop, 8);
}
int semantic_lxvw4x(IOPDesc *iop)
{
    return vsx::SIM_load_vector(iop, 4);
}
int semantic_stxvd2x(IOPDesc *iop)
{
    return vsx::SIM_store_vector(iop, 8);
}
int semantic_stxvw4x(IOPDesc *iop)
{
    return vsx::SIM_store_vector(iop, 4);
}
int semantic_lxsdx(IOPDesc *iop)
{
    return vsx::SIM_load_scalar(iop, 8);
}
int semantic_stxsdx(IOPDesc *iop)
{
    return vsx::SIM_store_scalar(iop, 8);
}

int semantic_lxvdsx(IOPDesc *iop)
{
    if (!Check_VSX_Available(iop)) return 0;
    if (!vsx::address_steps(iop, AXD_KIND_LOAD, 8)) return 0;
    if (iop->addr_only) return vsx::probe(iop, 1);
    uint64_t x = 0;
    if (vsx::read_element(iop, 8, &x)) return 0;
    IOP_Write_VSR_T(iop, x, x);
    return vsx::complete(iop);
}

int semantic_lxsspx(IOPDesc *iop)
{
    return vsx::load_word(iop, [](IOPDesc *i, uint32_t w) { return load_single_float(i, w); });
}
int semantic_lxsiwax(IOPDesc *iop)
{
    return vsx::load_word(iop, [](IOPDesc *, uint32_t w) { return (uint64_t)(int64_t)(int32_t)w; });
}
int semantic_lxsiwzx(IOPDesc *iop)
{
    return vsx::load_word(iop, [](IOPDesc *, uint32_t w) { return (uint64_t)w; });
}
int semantic_stxsiwx(IOPDesc *iop)
{
    return vsx::store_word(iop, [](IOPDesc *, uint64_t dw0) { return (uint32_t)dw0; });
}
int semantic_stxsspx(IOPDesc *iop)
{
    return vsx::store_word(iop, [](IOPDesc *i, uint64_t dw0) { return store_single_float(i, dw0); });
}
