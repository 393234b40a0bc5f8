// The vector-scalar loads and stores (see vsx_load_store.h).
#include "vector/vsx_load_store.h"

#include "decode/semantics.h"
#include "fp/format_convert.h"
#include "interrupts/interrupt_delivery.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/semantics_helpers.h"
#include "mmu/address_translate.h"
#include "mmu/dawr_eao.h"
#include "mmu/ea_access.h"
#include "mmu/load_store_path.h"
#include "processor/records/axd.h"
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
int address_steps(IOPDesc *iop, uint16_t kind, int n, bool row_size)
{
    AXD *data = &iop->data;
    const uint32_t ra = ra_field(iop);
    const uint64_t rb = IOP_Read_GPR(iop, (iop->word >> 11) & 31, OPERAND_B);
    if (iop->defer_side_effects) iop->operand_slot2[0] = rb;
    const uint64_t ea = rb + (ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0);
    data->iop = iop;
    data->row = iop->row;
    data->kind = kind;
    data->size = (int16_t)n;
    data->ea = data->orig_ea = data->ea2 = ea;
    if (row_size) data->row_size = iop->row ? (int16_t)iop->row->access_size : (int16_t)n;
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

// The address-only stop: the update of RA when asked, then the kind (1 load, 2 store) and a
// fresh translation's result for the cycle-level core. Always 0.
int address_only(IOPDesc *iop, uint8_t kind, bool update)
{
    if (update && iop->update_form) UPDATE_EA(iop, ra_field(iop), iop->data.ea);
    iop->core_rec.kind = kind;
    iop->core_rec.result = PPC_MMU_AddressTranslate(0, iop, &iop->data);
    return 0;
}

int complete(IOPDesc *iop)
{
    if (iop->update_form) UPDATE_EA(iop, ra_field(iop), iop->data.ea);
    IOP_Advance_NIA(iop);
    return 1;
}

// The element at EA + offset of a 16-byte access whose first byte is ea2 is marked as crossing
// when the access spans two pages and the element is not on the first one.
void mark_crossing(AXD *data)
{
    const uint64_t page = ~((1ull << data->page_shift) - 1);
    if ((data->ea2 & page) != ((data->ea2 + 15) & page) && (data->ea & page) != (data->ea2 & page))
        data->crosses = 1;
}

// One element of n bytes at data.ea, in the data byte order; non-zero when the read failed.
uint32_t read_element(IOPDesc *iop, int n, uint64_t *value)
{
    iop->data.size = (int16_t)n;
    uint64_t read = 0;
    uint32_t status = EA_Read_Memory_Reg(iop, &read, 1);
    if (status) return status;
    *value = data_order(iop, read, n);
    return 0;
}

Vec128 store_source(IOPDesc *iop)
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

// The word-scalar forms exist only with EXTENDED_VSX_INSTRUCTIONS_SUPPORTED.
int extended(IOPDesc *iop, const char *name)
{
    if (IOP_Option(iop, PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED)) return 1;
    interrupt_IllegalInstruction(iop, name);
    return 0;
}

template <typename Routine> int update(IOPDesc *iop, Routine routine)
{
    iop->update_form = 1;
    return routine(iop);
}

// lxsspx, lxsiwax, lxsiwzx: one word, converted, into doubleword 0.
template <typename Convert> int load_word(IOPDesc *iop, Convert convert)
{
    if (!PCR_Gate_v2_06(iop)) return 0;
    if (!Check_VSX_Available(iop)) return 0;
    (void)store_source(iop); // the target is read once beforehand
    if (!address_steps(iop, AXD_KIND_LOAD, 4, false)) return 0;
    if (iop->addr_only) return address_only(iop, 1, true);
    uint64_t x = 0;
    const uint32_t status = read_element(iop, 4, &x);
    const uint64_t value = convert(iop, (uint32_t)x);
    if (status) return 0;
    IOP_Write_VSR_T(iop, value, 0);
    return complete(iop);
}

// stxsiwx, stxsspx: one word of doubleword 0.
template <typename Convert> int store_word(IOPDesc *iop, Convert convert)
{
    if (!PCR_Gate_v2_06(iop)) return 0;
    if (!address_steps(iop, AXD_KIND_STORE, 4, false)) return 0;
    if (!Check_VSX_Available(iop)) return 0;
    AXD *data = &iop->data;
    data->size = 1;
    if (PPC_MMU_AddressTranslate(0, iop, data) == 1) return 0;
    data->size = 4;
    if (iop->addr_only) return address_only(iop, 2, true);
    const uint32_t word = convert(iop, store_source(iop).high);
    if (store_vsx_value(iop, data_order(iop, word, 4))) return 0;
    return complete(iop);
}

} // namespace

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

int SIM_load_vector(IOPDesc *iop, int n)
{
    if (!Check_VSX_Available(iop)) return 0;
    if (!address_steps(iop, AXD_KIND_LOAD, n, true)) return 0;
    if (iop->addr_only) return address_only(iop, 1, true);
    AXD *data = &iop->data;
    const uint64_t ea = data->ea;
    data->size2 = 16;
    Vec128 value{0, 0};
    for (int offset = 0; offset < 16; offset += n) {
        data->ea = data->orig_ea = ea + (uint64_t)offset;
        mark_crossing(data);
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
    if (!address_steps(iop, AXD_KIND_STORE, n, true)) return 0;
    if (!Check_VSX_Available(iop)) return 0;
    AXD *data = &iop->data;
    if (iop->addr_only) {
        data->size = 16;
        return address_only(iop, 2, false);
    }
    const Vec128 value = store_source(iop);
    const uint64_t ea = data->ea;
    data->size2 = 16;
    uint32_t status = 0;
    for (int offset = 0; offset < 16 && !status; offset += n) {
        data->ea = ea + (uint64_t)offset;
        data->size = (int16_t)n;
        mark_crossing(data);
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
    if (!address_steps(iop, AXD_KIND_LOAD, n, true)) return 0;
    if (iop->addr_only) return address_only(iop, 1, true);
    uint64_t x = 0;
    if (read_element(iop, n, &x)) return 0;
    IOP_Write_VSR_T(iop, n == 8 ? x : x << 32, 0);
    return complete(iop);
}

int SIM_store_scalar(IOPDesc *iop, int n)
{
    const int address_ok = address_steps(iop, AXD_KIND_STORE, n, true);
    if (!Check_VSX_Available(iop) || !address_ok) return 0;
    if (PPC_MMU_AddressTranslate(0, iop, &iop->data) == 1) return 0;
    iop->data.size = (int16_t)n;
    if (iop->addr_only) return address_only(iop, 2, true);
    const uint64_t dw0 = store_source(iop).high;
    if (store_vsx_value(iop, data_order(iop, n == 8 ? dw0 : dw0 >> 32, n))) return 0;
    return complete(iop);
}

} // namespace vsx

int semantic_lxvd2x(IOPDesc *iop)
{
    return vsx::SIM_load_vector(iop, 8);
}
int semantic_lxvd2ux(IOPDesc *iop)
{
    return vsx::update(iop, semantic_lxvd2x);
}
int semantic_lxvw4x(IOPDesc *iop)
{
    return vsx::SIM_load_vector(iop, 4);
}
int semantic_lxvw4ux(IOPDesc *iop)
{
    return vsx::update(iop, semantic_lxvw4x);
}
int semantic_lxsdx(IOPDesc *iop)
{
    return vsx::SIM_load_scalar(iop, 8);
}
int semantic_lxsdux(IOPDesc *iop)
{
    return vsx::update(iop, semantic_lxsdx);
}
int semantic_lxswx(IOPDesc *iop)
{
    if (!vsx::extended(iop, "lxswx")) return 0;
    return vsx::SIM_load_scalar(iop, 4);
}
int semantic_lxswux(IOPDesc *iop)
{
    if (!vsx::extended(iop, "lxswux")) return 0;
    iop->update_form = 1;
    return vsx::SIM_load_scalar(iop, 4);
}

int semantic_stxvd2x(IOPDesc *iop)
{
    return vsx::SIM_store_vector(iop, 8);
}
int semantic_stxvd2ux(IOPDesc *iop)
{
    return vsx::update(iop, semantic_stxvd2x);
}
int semantic_stxvw4x(IOPDesc *iop)
{
    return vsx::SIM_store_vector(iop, 4);
}
int semantic_stxvw4ux(IOPDesc *iop)
{
    return vsx::update(iop, semantic_stxvw4x);
}
int semantic_stxsdx(IOPDesc *iop)
{
    return vsx::SIM_store_scalar(iop, 8);
}
int semantic_stxsdux(IOPDesc *iop)
{
    return vsx::update(iop, semantic_stxsdx);
}
int semantic_stxswx(IOPDesc *iop)
{
    if (!vsx::extended(iop, "stxswx")) return 0;
    return vsx::SIM_store_scalar(iop, 4);
}
int semantic_stxswux(IOPDesc *iop)
{
    if (!vsx::extended(iop, "stxswux")) return 0;
    iop->update_form = 1;
    return vsx::SIM_store_scalar(iop, 4);
}

int semantic_lxvdsx(IOPDesc *iop)
{
    if (!Check_VSX_Available(iop)) return 0;
    if (!vsx::address_steps(iop, AXD_KIND_LOAD, 8, false)) return 0;
    if (iop->addr_only) return vsx::address_only(iop, 1, true);
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
