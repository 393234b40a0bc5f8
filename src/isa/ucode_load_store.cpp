// The load/store micro-operations of the cycle-level core (see ucode_load_store.h).
#include "isa/ucode_load_store.h"

#include "decode/instr_info.h"
#include "decode/semantics.h"
#include "isa/hooks/vantor_panic.h"
#include "mmu/dawr_eao.h"
#include "mmu/load_store_path.h"
#include "mmu/storage_interrupts.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/instruction_setters.h"
#include "processor/regs/iop_registers.h"

namespace
{

constexpr uint32_t kScratchGpr = 32;

uint32_t rt_field(const IOPDesc *iop)
{
    return (iop->word >> 21) & 31;
}
uint32_t ra_field(const IOPDesc *iop)
{
    return (iop->word >> 16) & 31;
}
uint32_t rb_field(const IOPDesc *iop)
{
    return (iop->word >> 11) & 31;
}
uint64_t d_field(const IOPDesc *iop)
{
    return (uint64_t)(int64_t)(int16_t)(iop->word & 0xFFFF);
}
uint64_t ds_field(const IOPDesc *iop)
{
    return (uint64_t)(int64_t)(int16_t)(iop->word & 0xFFFC);
}
uint64_t dq_field(const IOPDesc *iop)
{
    return (uint64_t)(int64_t)(int16_t)(iop->word & 0xFFF0);
}

// A register result: the result slot in the cycle-model form, else the GPR after its triggers.
void write_gpr(IOPDesc *iop, IOPResultSlot *slot, uint32_t n, uint64_t value)
{
    if (iop->use_slots)
        IOP_Deliver_Result(iop, slot, value);
    else
        SET_GPR(iop, n, value);
}

// Publishes (RA|0) + offset as the data access and runs the overflow check with the access size
// as it stood. Returns the EA through *ea; 0 when the check raised an interrupt.
int address(IOPDesc *iop, uint64_t offset, uint64_t *ea)
{
    const uint32_t ra = ra_field(iop);
    const uint64_t base = ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0;
    AXD *data = &iop->data;
    const int16_t size = data->size;
    data->iop = iop;
    data->row = iop->row;
    *ea = data->ea = data->orig_ea = data->ea2 = base + offset;
    data->size2 = iop->row ? (int16_t)iop->row->access_size : size;
    if (iop->defer_side_effects) iop->operand_slot2[0] = offset;
    return CEA_CHECK_EAO(iop, ra, offset, size > 0 ? size : 0) != 0;
}

int agen(IOPDesc *iop, uint64_t offset, bool update)
{
    uint64_t ea = 0;
    if (!address(iop, offset, &ea)) return 0;
    if (update) write_gpr(iop, &iop->result_gpr1, ra_field(iop), ea);
    return 1;
}

enum class Base { D, DS, DQ, None, X };
enum class Align { None, Base, Element };
enum class Count { Full, Immediate, Register };

struct Element {
    Base base;
    uint32_t step;    // offset per ucode_id
    int16_t length;   // element length in bytes
    bool store;
    Count count;      // how a string's last element is sized
    bool low_word;    // a store sends only the low 32 bits of RS
    Align align;
    int32_t subtype;  // of the alignment interrupt
};

uint64_t base_offset(IOPDesc *iop, Base base)
{
    switch (base) {
    case Base::D:
        return d_field(iop);
    case Base::DS:
        return ds_field(iop);
    case Base::DQ:
        return dq_field(iop);
    case Base::X:
        return IOP_Read_GPR(iop, rb_field(iop), OPERAND_B);
    default:
        return 0;
    }
}

// A string's last element is short when the byte count leaves a remainder.
int16_t element_length(IOPDesc *iop, const Element &e)
{
    if (e.count == Count::Full) return e.length;
    const bool last = e.store ? (iop->iid == -1 || iop->iid == 0) : iop->iid == 0;
    if (!last) return e.length;
    const uint64_t count = e.count == Count::Immediate ? rb_field(iop) : iop->xer_operand;
    const int16_t remainder = (int16_t)(count & (uint64_t)(e.length - 1));
    if (!remainder) return e.length;
    iop->core_rec.short_element = 1;
    return remainder;
}

int element(IOPDesc *iop, const Element &e)
{
    if (e.store && (iop->ucode_id & 1)) VANTOR_PANIC(iop, "ucode_id%%2 != 0");
    uint64_t ea = 0;
    if (!address(iop, base_offset(iop, e.base), &ea)) return 0;
    AXD *data = &iop->data;
    const uint32_t kind = e.store ? AXD_KIND_STORE : AXD_KIND_LOAD;
    if (e.align == Align::Base && (ea & 7)) {
        interrupt_AlignmentException(iop, ea, 0, kind, e.subtype);
        return 0;
    }
    const uint64_t offset = e.align != Align::None && !e.store ? (iop->ucode_id == 2 ? 8 : 0)
                                                                : (uint64_t)e.step * iop->ucode_id;
    data->ea = data->orig_ea = ea + offset;
    data->size = element_length(iop, e);
    data->kind = kind;
    if (e.align == Align::Element && (data->ea & 7)) {
        interrupt_AlignmentException(iop, data->ea, 0, kind, e.subtype);
        return 0;
    }
    if (e.store) {
        uint64_t value = IOP_Read_GPR(iop, rt_field(iop), OPERAND_S);
        if (e.low_word) value &= 0xFFFFFFFFull;
        if (e.count != Count::Full) iop->operand_slot4[0] = value;
        return Store_Memory_Value(iop, value, 0, 0) == 0;
    }
    uint64_t value = 0;
    if (!Load_Memory_Value(iop, &value)) return 0;
    write_gpr(iop, &iop->result_gpr2, rt_field(iop), value);
    return 1;
}

constexpr Element kLmw{Base::D, 4, 4, false, Count::Full, false, Align::None, 0};
constexpr Element kStmw{Base::D, 2, 4, true, Count::Full, true, Align::None, 0};
constexpr Element kLmd{Base::DS, 8, 8, false, Count::Full, false, Align::None, 0};
constexpr Element kStmd{Base::DS, 4, 8, true, Count::Full, false, Align::None, 0};
constexpr Element kLswi{Base::None, 4, 4, false, Count::Immediate, false, Align::None, 0};
constexpr Element kLsdi{Base::None, 8, 8, false, Count::Immediate, false, Align::None, 0};
constexpr Element kLswx{Base::X, 4, 4, false, Count::Register, false, Align::None, 0};
constexpr Element kLsdx{Base::X, 8, 8, false, Count::Register, false, Align::None, 0};
constexpr Element kStswi{Base::None, 2, 4, true, Count::Immediate, true, Align::None, 0};
constexpr Element kStsdi{Base::None, 4, 8, true, Count::Immediate, false, Align::None, 0};
constexpr Element kStswx{Base::X, 2, 4, true, Count::Register, true, Align::None, 0};
constexpr Element kStsdx{Base::X, 4, 8, true, Count::Register, false, Align::None, 0};
constexpr Element kLq{Base::DQ, 0, 8, false, Count::Full, false, Align::Base, EST_ALIGN_LQ_NOT_8_ALIGNED};
constexpr Element kLtptr{Base::DQ, 0, 8, false, Count::Full, false, Align::Base, EST_ALIGN_LTPTR_NOT_8_ALIGNED};
constexpr Element kStq{Base::DS, 4, 8, true, Count::Full, false, Align::Element, EST_ALIGN_STQ_NOT_8_ALIGNED};

} // namespace

int semantic_d_agen(IOPDesc *iop)
{
    return agen(iop, d_field(iop), false);
}
int semantic_d_agen_update(IOPDesc *iop)
{
    return agen(iop, d_field(iop), true);
}
int semantic_ds_agen(IOPDesc *iop)
{
    return agen(iop, ds_field(iop), false);
}
int semantic_ds_agen_update(IOPDesc *iop)
{
    return agen(iop, ds_field(iop), true);
}
int semantic_x_agen(IOPDesc *iop)
{
    return agen(iop, IOP_Read_GPR(iop, rb_field(iop), OPERAND_B), false);
}
int semantic_x_agen_update(IOPDesc *iop)
{
    return agen(iop, IOP_Read_GPR(iop, rb_field(iop), OPERAND_B), true);
}

int semantic_x_ls_add(IOPDesc *iop)
{
    const uint32_t ra = ra_field(iop);
    const uint64_t rb = IOP_Read_GPR(iop, rb_field(iop), OPERAND_B);
    const uint64_t sum = (ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0) + rb;
    (void)CEA_CHECK_EAO(iop, ra, rb, 1);
    write_gpr(iop, &iop->result_gpr1, kScratchGpr, sum);
    return 1;
}

int semantic_lmw_ucode(IOPDesc *iop)
{
    return element(iop, kLmw);
}
int semantic_stmw_ucode(IOPDesc *iop)
{
    return element(iop, kStmw);
}
int semantic_lmd_ucode(IOPDesc *iop)
{
    return element(iop, kLmd);
}
int semantic_stmd_ucode(IOPDesc *iop)
{
    return element(iop, kStmd);
}
int semantic_lswi_ucode(IOPDesc *iop)
{
    return element(iop, kLswi);
}
int semantic_lsdi_ucode(IOPDesc *iop)
{
    return element(iop, kLsdi);
}
int semantic_lswx_ucode(IOPDesc *iop)
{
    return element(iop, kLswx);
}
int semantic_lsdx_ucode(IOPDesc *iop)
{
    return element(iop, kLsdx);
}
int semantic_stswi_ucode(IOPDesc *iop)
{
    return element(iop, kStswi);
}
int semantic_stsdi_ucode(IOPDesc *iop)
{
    return element(iop, kStsdi);
}
int semantic_stswx_ucode(IOPDesc *iop)
{
    return element(iop, kStswx);
}
int semantic_stsdx_ucode(IOPDesc *iop)
{
    return element(iop, kStsdx);
}
int semantic_lq_ucode(IOPDesc *iop)
{
    return element(iop, kLq);
}
int semantic_ltptr_ucode(IOPDesc *iop)
{
    return element(iop, kLtptr);
}
int semantic_stq_ucode(IOPDesc *iop)
{
    return element(iop, kStq);
}
