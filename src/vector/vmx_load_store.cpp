// VMX loads and stores.
#include "vector/vmx_load_store.h"

#include "interrupts/interrupt_raisers.h"
#include "mmu/load_store_path.h"
#include "decode/row_ids.h"
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "mmu/address_translate.h"
#include "processor/records/axd.h"
#include "mmu/dawr_eao.h"
#include "mmu/ea_access.h"
#include "processor/records/processor_identity.h"
#include "processor/config/processor_options.h"
#include "processor/regs/value_ops.h"
#include "runtime/message.h"
#include "vector/vec_defs.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"

namespace
{

uint32_t option(const IOPDesc *iop, uint32_t index)
{
    return iop->thread->processor->options[index];
}

// (RA|0) + RB, operands from the slots in cycle-level-core mode; the RB value goes to slot B too
// while the instruction runs without side effects.
struct Address {
    uint64_t ea;
    uint64_t rb_value;
    uint32_t ra;
};
Address effective_address(IOPDesc *iop)
{
    Address a;
    a.ra = VMX_VA(iop->word);
    a.rb_value = IOP_Read_GPR(iop, VMX_VB(iop->word), OPERAND_B);
    if (iop->defer_side_effects) iop->operand_slot2[0] = a.rb_value;
    a.ea = a.rb_value;
    if (a.ra) a.ea += IOP_Read_GPR(iop, a.ra, OPERAND_A);
    return a;
}

// Starts the data descriptor of an access of n bytes at ea.
void start_access(IOPDesc *iop, uint16_t kind, int n, uint64_t ea)
{
    AXD *data = &iop->data;
    data->iop = iop;
    data->row = iop->row;
    data->kind = kind;
    data->size = data->size2 = (int16_t)n;
    data->align = -1;
    data->ea = data->orig_ea = data->ea2 = ea;
    data->row_size = iop->row ? (int16_t)iop->row->access_size : -1;
}

// The probe of the cycle-level core: the request kind and the translation status are recorded.
void record_probe(IOPDesc *iop, uint8_t kind)
{
    iop->core_rec.kind = kind;
    iop->core_rec.result = PPC_MMU_AddressTranslate(0, iop, &iop->data);
}

bool little_endian_data(const IOPDesc *iop)
{
    return IOP_Data_Little_Endian(iop) != 0;
}

// One element read from memory at the data descriptor (1..8 bytes), in the data byte order.
uint32_t read_element(IOPDesc *iop, int n, uint64_t *value)
{
    iop->data.size = (int16_t)n;
    uint64_t read = 0;
    uint32_t status = EA_Read_Memory_Reg(iop, &read, 1);
    if (status) return status;
    *value = little_endian_data(iop) ? Reverse_RegValue(read, n) : read;
    return 0;
}

// The 16 bytes at the (aligned) data descriptor address as a register value: byte element i is
// the byte at EA + i, or at EA + 15 - i for little-endian data.
uint32_t read_quadword(IOPDesc *iop, Vec128 *value)
{
    iop->data.size = 16;
    uint8_t buffer[16] = {};
    uint32_t status = EA_Read_Memory(iop, &iop->data, buffer, 1);
    if (status) return status;
    Vec128 v{0, 0};
    for (int i = 0; i < 16; i++)
        Vec_Set_Byte(&v, i, buffer[i]);
    *value = little_endian_data(iop) ? VSU_Reverse_Bytes(v) : v;
    return 0;
}

// Writes one piece (1..8 bytes) of value at the data descriptor address in the data byte order.
uint32_t write_element(IOPDesc *iop, int n, uint64_t value)
{
    iop->data.size = (int16_t)n;
    if (little_endian_data(iop)) value = Reverse_RegValue(value, n);
    return EA_Write_Memory_VMXReg(iop, value);
}

// The element of size n (1, 2, 4 or 8) that the quadword offset k selects.
uint64_t element_at(Vec128 v, int n, uint32_t k)
{
    switch (n) {
    case 1:
        return Vec_Byte(v, (int)k);
    case 2:
        return Vec_Half(v, (int)(k / 2));
    case 4:
        return Vec_Word(v, (int)(k / 4));
    default:
        return (k & 8) ? v.low : v.high;
    }
}

void set_element_at(Vec128 *v, int n, uint32_t k, uint64_t x)
{
    switch (n) {
    case 1:
        Vec_Set_Byte(v, (int)k, (uint8_t)x);
        break;
    case 2:
        Vec_Set_Half(v, (int)(k / 2), (uint16_t)x);
        break;
    case 4:
        Vec_Set_Word(v, (int)(k / 4), (uint32_t)x);
        break;
    default:
        ((k & 8) ? v->low : v->high) = x;
        break;
    }
}

bool element_row(const IOPDesc *iop)
{
    return iop->row && (iop->row->id == ROW_LVEBX || iop->row->id == ROW_LVEHX || iop->row->id == ROW_LVEWX);
}

// The start of every games-mode partial access: the option gate, the availability check, the
// address and its overflow check. Fills the address; 0 when the routine must return 0.
int games_start(IOPDesc *iop, uint16_t kind, Address *a)
{
    if (option(iop, PO_VRLX_LOAD_STORE_IN_GAMES_ONLY)) {
        interrupt_IllegalInstruction(iop, vec::TEXT_GAMES_ONLY);
        return 0;
    }
    if (!Check_VMX_Available(iop)) return 0;
    *a = effective_address(iop);
    start_access(iop, kind, 16, a->ea);
    return CEA_CHECK_EAO(iop, a->ra, a->rb_value, 16) != 0;
}

// The one translation of the first byte with the partial-vector alignment hint; or the probe.
// 0 when the routine must return 0.
int games_translate(IOPDesc *iop, uint16_t kind)
{
    AXD *data = &iop->data;
    data->size = 1;
    data->align = 16;
    data->kind = kind;
    if (iop->addr_only) {
        record_probe(iop, kind == AXD_KIND_LOAD ? 1 : 2);
        data->align = -1;
        return 0;
    }
    int status = PPC_MMU_AddressTranslate(0, iop, data);
    data->align = -1;
    return status == 0;
}

// Bytes [first, first + count) of the register value as a big-endian number.
uint64_t bytes_of(Vec128 v, int first, int count)
{
    uint64_t x = 0;
    for (int i = 0; i < count; i++)
        x = (x << 8) | Vec_Byte(v, first + i);
    return x;
}

} // namespace

int VMX_LE_Reverse_Active(IOPDesc *iop)
{
    if (!option(iop, PO_LE_REVERSE_VMX)) return 0;
    const uint64_t msr = iGET_MSR(iop);
    const bool sle = (msr & vec::MSR_SLE) && iop->data.kind != AXD_KIND_FETCH;
    if (((msr & vec::MSR_LE) != 0) == sle) return 0;
    return option(iop, PO_LE_REVERSE_REG) || PROCESSOR_CHIP_VERSION(iop->thread->processor) >= 0x300;
}

uint32_t EA_Write_Memory_VMXReg(IOPDesc *iop, uint64_t value)
{
    int status = EA_Write_Memory_Reg_Part1(iop, 1);
    if (iop->addr_only) {
        iop->core_rec.kind = 2;
        iop->core_rec.result = status ? status : 7;
        return 7;
    }
    return EA_Write_Memory_Reg_Part2(iop, value, 1, status);
}

int vmx::SIM_load_vector(IOPDesc *iop, int n)
{
    if (!Check_VMX_Available(iop)) return 0;
    const Address a = effective_address(iop);
    start_access(iop, AXD_KIND_LOAD, n, a.ea);
    if (!CEA_CHECK_EAO(iop, a.ra, a.rb_value, n)) return 0;

    AXD *data = &iop->data;
    const uint64_t aligned = n > 0 ? a.ea & ~(uint64_t)(n - 1) : a.ea;
    data->ea = data->orig_ea = data->ea2 = aligned;
    if (option(iop, PO_Dravo_VMX) && element_row(iop)) data->ea2 = a.ea;

    if (iop->addr_only) {
        record_probe(iop, 1);
        return 0;
    }

    Vec128 value{0, 0};
    uint32_t status;
    if (option(iop, PO_LOAD_Tc_UNDEFINED_BITS_FROM_MEMORY) && (n == 1 || n == 2 || n == 4 || n == 16)) {
        data->ea = aligned & ~0xFull;
        status = read_quadword(iop, &value);
    } else if (n == 16) {
        status = read_quadword(iop, &value);
    } else if (n == 1 || n == 2 || n == 4) {
        if (!option(iop, PO_LOAD_Tc_UNDEFINED_BITS_WITH_ZERO))
            value = iop->use_slots ? Vec128{iop->operand_slot4[0], iop->operand_slot4[1]}
                                   : READ_VMXR_SIMPLE(iop, VMX_VT(iop->word), "T");
        uint64_t element = 0;
        status = read_element(iop, n, &element);
        if (!status) set_element_at(&value, n, (uint32_t)(aligned & 0xF), element);
    } else {
        sim_error("2: SIM_load_vector: bad N = %d", n);
        return 0;
    }
    if (status) return 0;
    if (VMX_LE_Reverse_Active(iop)) value = VSU_Reverse_Bytes(value);
    IOP_Write_VMXR_T_Load(iop, value.low, value.high);
    IOP_Advance_NIA(iop);
    return 1;
}

int vmx::SIM_store_vector(IOPDesc *iop, int n)
{
    if (!Check_VMX_Available(iop)) return 0;
    const Address a = effective_address(iop);
    start_access(iop, AXD_KIND_STORE, n, a.ea);
    if (!CEA_CHECK_EAO(iop, a.ra, a.rb_value, n)) return 0;

    AXD *data = &iop->data;
    const uint64_t aligned = n > 0 ? a.ea & ~(uint64_t)(n - 1) : a.ea;
    data->ea = data->orig_ea = data->ea2 = aligned;

    if (iop->addr_only) {
        record_probe(iop, 2);
        return 0;
    }

    Vec128 value = iop->use_slots ? Vec128{iop->operand_slot4[0], iop->operand_slot4[1]}
                                  : READ_VMXR_SIMPLE(iop, VMX_VT(iop->word), "S");
    if (VMX_LE_Reverse_Active(iop)) value = VSU_Reverse_Bytes(value);

    const uint32_t k = (uint32_t)(aligned & 0xF);
    uint32_t status;
    switch (n) {
    case 1:
    case 2:
    case 4:
        status = write_element(iop, n, element_at(value, n, k));
        break;
    case 16: {
        data->size = 16;
        if (PPC_MMU_AddressTranslate(0, iop, data) != 0) return 0;
        // Little-endian data: the quadword's mirror image, doubleword 1 at the lower address.
        const bool little = little_endian_data(iop);
        status = write_element(iop, 8, little ? value.low : value.high);
        if (!status) {
            data->ea = aligned + 8;
            status = write_element(iop, 8, little ? value.high : value.low);
            data->ea = aligned;
        }
        break;
    }
    default:
        sim_error("SIM_store_vector: bad N = %d", n);
        return 0;
    }
    if (status) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

InstrInfo *VMX_Load_Data_To_Reg(IOPDesc *iop, const uint8_t *bytes, int size)
{
    Vec128 value{0, 0};
    if (size == 16) {
        for (int i = 0; i < 16; i++)
            Vec_Set_Byte(&value, i, bytes[i]);
    } else if (size == 1 || size == 2 || size == 4 || size == 8) {
        uint64_t element = 0;
        for (int i = 0; i < size; i++)
            element = (element << 8) | bytes[i];
        set_element_at(&value, size, (uint32_t)(iop->data.ea & 0xF), element);
    } else {
        sim_panic("VMX_Load_Data_To_Reg: wrong size %d", size);
    }
    if (VMX_LE_Reverse_Active(iop)) value = VSU_Reverse_Bytes(value);
    IOP_Write_VMXR_T_Load(iop, value.low, value.high);
    return iop->row;
}

void VMX_Prepare_Store_Data(IOPDesc *iop, uint8_t *bytes, int size)
{
    if (size != 1 && size != 2 && size != 4 && size != 8 && size != 16) {
        sim_error("VMX_Prepare_Store_Data: bad N = %d", size);
        return;
    }
    Vec128 value = iop->use_slots ? Vec128{iop->operand_slot4[0], iop->operand_slot4[1]}
                                  : READ_VMXR_SIMPLE(iop, VMX_VT(iop->word), "S");
    if (VMX_LE_Reverse_Active(iop)) value = VSU_Reverse_Bytes(value);
    if (size == 16) {
        for (int i = 0; i < 16; i++)
            bytes[i] = Vec_Byte(value, i);
        return;
    }
    const uint64_t element = element_at(value, size, (uint32_t)(iop->data.ea & 0xF));
    for (int i = 0; i < size; i++)
        bytes[i] = (uint8_t)(element >> (8 * (size - 1 - i)));
}

// ---- the routines ----

int semantic_lvx(IOPDesc *iop)
{
    return vmx::SIM_load_vector(iop, 16);
}
int semantic_lvxl(IOPDesc *iop)
{
    return vmx::SIM_load_vector(iop, 16);
}
int semantic_lvewx(IOPDesc *iop)
{
    return vmx::SIM_load_vector(iop, 4);
}
int semantic_lvehx(IOPDesc *iop)
{
    return vmx::SIM_load_vector(iop, 2);
}
int semantic_lvebx(IOPDesc *iop)
{
    return vmx::SIM_load_vector(iop, 1);
}
int semantic_stvx(IOPDesc *iop)
{
    return vmx::SIM_store_vector(iop, 16);
}
int semantic_stvxl(IOPDesc *iop)
{
    return vmx::SIM_store_vector(iop, 16);
}
int semantic_stvewx(IOPDesc *iop)
{
    return vmx::SIM_store_vector(iop, 4);
}
int semantic_stvehx(IOPDesc *iop)
{
    return vmx::SIM_store_vector(iop, 2);
}
int semantic_stvebx(IOPDesc *iop)
{
    return vmx::SIM_store_vector(iop, 1);
}

namespace
{

// lvsl (left) and lvsr: byte element i is sh + i, or 16 - sh + i.
int permute_control(IOPDesc *iop, bool left)
{
    if (!Check_VMX_Available(iop)) return 0;
    const uint32_t sh = (uint32_t)(effective_address(iop).ea & 0xF);
    Vec128 value{0, 0};
    for (int i = 0; i < 16; i++)
        Vec_Set_Byte(&value, i, (uint8_t)(left ? sh + i : 16 - sh + i));
    IOP_Write_VMXR_T(iop, value.low, value.high);
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

int semantic_lvsl(IOPDesc *iop)
{
    return permute_control(iop, true);
}
int semantic_lvsr(IOPDesc *iop)
{
    return permute_control(iop, false);
}

// ---- games-mode partial accesses ----

int semantic_lvlx(IOPDesc *iop)
{
    Address a;
    if (!games_start(iop, AXD_KIND_LOAD, &a)) return 0;
    const uint32_t off = (uint32_t)(a.ea & 0xF);
    const uint64_t qa = a.ea & ~0xFull;
    if (off != 0 && !games_translate(iop, AXD_KIND_LOAD)) return 0;
    if (off == 0 && iop->addr_only) {
        record_probe(iop, 1);
        return 0;
    }
    Vec128 memory{0, 0};
    AXD *data = &iop->data;
    if (off < 8) {
        data->ea = qa;
        if (read_element(iop, 8, &memory.high)) return 0;
    }
    data->ea = qa + 8;
    if (read_element(iop, 8, &memory.low)) return 0;
    data->ea = a.ea;
    Vec128 value{0, 0};
    for (uint32_t i = 0; i + off < 16; i++)
        Vec_Set_Byte(&value, (int)i, Vec_Byte(memory, (int)(i + off)));
    if (VMX_LE_Reverse_Active(iop)) value = VSU_Reverse_Bytes(value);
    IOP_Write_VMXR_T_Load(iop, value.low, value.high);
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_lvrx(IOPDesc *iop)
{
    Address a;
    if (!games_start(iop, AXD_KIND_LOAD, &a)) return 0;
    const uint32_t off = (uint32_t)(a.ea & 0xF);
    const uint64_t qa = a.ea & ~0xFull;
    Vec128 value{0, 0};
    if (off != 0) {
        if (!games_translate(iop, AXD_KIND_LOAD)) return 0;
        Vec128 memory{0, 0};
        AXD *data = &iop->data;
        data->ea = qa;
        if (read_element(iop, 8, &memory.high)) return 0;
        if (off > 8) {
            data->ea = qa + 8;
            if (read_element(iop, 8, &memory.low)) return 0;
        }
        data->ea = a.ea;
        for (uint32_t i = 0; i < off; i++)
            Vec_Set_Byte(&value, (int)(16 - off + i), Vec_Byte(memory, (int)i));
        if (VMX_LE_Reverse_Active(iop)) value = VSU_Reverse_Bytes(value);
    } else if (iop->addr_only) {
        record_probe(iop, 1);
        return 0;
    }
    IOP_Write_VMXR_T(iop, value.low, value.high);
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_stvlx(IOPDesc *iop)
{
    Address a;
    if (!games_start(iop, AXD_KIND_STORE, &a)) return 0;
    if (!games_translate(iop, AXD_KIND_STORE)) return 0;
    const uint32_t off = (uint32_t)(a.ea & 0xF);
    Vec128 value = iop->use_slots ? Vec128{iop->operand_slot4[0], iop->operand_slot4[1]}
                                  : READ_VMXR_SIMPLE(iop, VMX_VT(iop->word), "S");
    if (VMX_LE_Reverse_Active(iop)) value = VSU_Reverse_Bytes(value);
    AXD *data = &iop->data;
    uint32_t status;
    if (off < 8) {
        data->ea = a.ea;
        status = write_element(iop, 8, bytes_of(value, 0, 8));
        if (!status) {
            data->ea = a.ea + 8;
            status = write_element(iop, (int)(8 - off), bytes_of(value, 8, (int)(8 - off)));
        }
    } else {
        data->ea = a.ea;
        status = write_element(iop, (int)(16 - off), bytes_of(value, 0, (int)(16 - off)));
    }
    data->ea = a.ea;
    if (status) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_stvrx(IOPDesc *iop)
{
    Address a;
    if (!games_start(iop, AXD_KIND_STORE, &a)) return 0;
    const uint32_t off = (uint32_t)(a.ea & 0xF);
    const uint64_t qa = a.ea & ~0xFull;
    if (off != 0) {
        if (!games_translate(iop, AXD_KIND_STORE)) return 0;
        Vec128 value = iop->use_slots ? Vec128{iop->operand_slot4[0], iop->operand_slot4[1]}
                                      : READ_VMXR_SIMPLE(iop, VMX_VT(iop->word), "S");
        if (VMX_LE_Reverse_Active(iop)) value = VSU_Reverse_Bytes(value);
        // The bytes to store: byte element 16 - off + i goes to qa + i.
        Vec128 placed{0, 0};
        for (uint32_t i = 0; i < off; i++)
            Vec_Set_Byte(&placed, (int)i, Vec_Byte(value, (int)(16 - off + i)));
        AXD *data = &iop->data;
        uint32_t status = 0;
        if (option(iop, PO_Dravo_VMX)) {
            const uint32_t first = off < 8 ? off : 8;
            data->ea = qa;
            status = write_element(iop, (int)first, bytes_of(placed, 0, (int)first));
            if (!status && off > 8) {
                data->ea = qa + 8;
                status = write_element(iop, (int)(off - 8), bytes_of(placed, 8, (int)(off - 8)));
            }
        } else {
            // Whole doublewords: the partly covered one is merged with memory first.
            for (uint32_t dw = 0; dw < 2 && !status && dw * 8 < off; dw++) {
                data->ea = qa + 8 * dw;
                uint64_t piece = Vec_Dword(placed, (int)dw);
                const uint32_t covered = off - 8 * dw < 8 ? off - 8 * dw : 8;
                if (covered < 8) {
                    uint64_t old = 0;
                    status = read_element(iop, 8, &old);
                    if (status) break;
                    const uint64_t kept = ~0ull >> (8 * covered);
                    piece = (piece & ~kept) | (old & kept);
                }
                status = write_element(iop, 8, piece);
            }
        }
        data->ea = a.ea;
        if (status) return 0;
    } else if (iop->addr_only) {
        record_probe(iop, 2);
        return 0;
    }
    IOP_Advance_NIA(iop);
    return 1;
}
