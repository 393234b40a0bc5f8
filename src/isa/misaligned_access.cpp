// The access micro-operations of misaligned loads and stores (see misaligned_access.h).
#include "isa/misaligned_access.h"

#include "decode/instr_info.h"
#include "decode/semantics.h"
#include "mmu/dawr_eao.h"
#include "mmu/load_store_path.h"
#include "processor/hooks/reg_reader_queue.h"
#include "processor/hooks/vsr_access.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/iop_registers.h"
#include "runtime/message.h"

namespace
{

constexpr uint32_t kScratch32 = 32, kScratch33 = 33, kScratch34 = 34;

uint32_t rs_field(const IOPDesc *iop)
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
uint32_t opcd(const IOPDesc *iop)
{
    return iop->word >> 26;
}
// The VSR number of the XS/XT field: the low bit of the word selects the upper 32 registers.
uint32_t vsr_field(const IOPDesc *iop)
{
    return rs_field(iop) | ((iop->word & 1) << 5);
}
uint64_t d_field(const IOPDesc *iop)
{
    return (uint64_t)(int64_t)(int16_t)(iop->word & 0xFFFF);
}
uint64_t ds_field(const IOPDesc *iop)
{
    return (uint64_t)(int64_t)(int16_t)(iop->word & 0xFFFC);
}

// Operands: the base (slot A), the index (slot B) and the datum (slot S) of an in-flight piece
// come from the operand slots whatever register the word names.
uint64_t base_reg(IOPDesc *iop, uint32_t n)
{
    return IOP_Read_GPR(iop, n, OPERAND_A);
}
uint64_t ra_or_0(IOPDesc *iop)
{
    const uint32_t ra = ra_field(iop);
    return ra ? base_reg(iop, ra) : 0;
}
// GPR RB, GPR 0 included.
uint64_t rb_value(IOPDesc *iop)
{
    return IOP_Read_GPR(iop, rb_field(iop), OPERAND_B);
}
// GPR RB, with RB = 0 adding nothing.
uint64_t rb_or_0(IOPDesc *iop)
{
    const uint32_t rb = rb_field(iop);
    return rb ? IOP_Read_GPR(iop, rb, OPERAND_B) : 0;
}
uint64_t datum(IOPDesc *iop, uint32_t n)
{
    return IOP_Read_GPR(iop, n, OPERAND_S);
}

// Publishes base + offset as the piece's address and runs the overflow check on it with the
// given size (its interrupt, if any, stays on the record). only_ea: the piece writes the address
// and nothing else of the descriptor.
void place(IOPDesc *iop, uint64_t base, uint64_t offset, uint32_t kind, int64_t check_size,
           bool only_ea = false)
{
    AXD *data = &iop->data;
    data->iop = iop;
    data->row = iop->row;
    data->kind = (uint16_t)kind;
    data->ea = base + offset;
    if (!only_ea) {
        data->orig_ea = data->ea2 = data->ea;
        data->size2 = iop->row ? (int16_t)iop->row->access_size : data->size;
    }
    if (iop->defer_side_effects) iop->operand_slot2[0] = offset;
    (void)CEA_CHECK_EAO(iop, ra_field(iop), offset, check_size);
}
void place_load(IOPDesc *iop, uint64_t base, uint64_t offset, int64_t check_size, bool only_ea = false)
{
    place(iop, base, offset, AXD_KIND_LOAD, check_size, only_ea);
}
void place_store(IOPDesc *iop, uint64_t base, uint64_t offset, int64_t check_size)
{
    place(iop, base, offset, AXD_KIND_STORE, check_size);
}
int64_t core_size(const IOPDesc *iop)
{
    return iop->data.size > 0 ? iop->data.size : 0;
}

// Reads the placed piece into scratch GPR n (the second result slot of an in-flight piece).
int load_into(IOPDesc *iop, uint32_t n)
{
    uint64_t value = 0;
    if (!Load_Memory_Value(iop, &value)) return 0;
    if (iop->use_slots)
        IOP_Deliver_Result(iop, &iop->result_gpr2, value);
    else
        SET_GPR(iop, n, value);
    return 1;
}
int store(IOPDesc *iop, uint64_t value)
{
    return store_single_register(iop, value);
}

// The string micro-ops replace the core's total by the row's access size when the row has one.
void take_row_total(IOPDesc *iop)
{
    const InstrInfo *row = iop->row;
    if (row && (row->class_flags & MISAL_STRING_CLASS) && row->access_size)
        iop->misal_total = (uint8_t)row->access_size;
}

// The string instruction a piece belongs to: indexed forms take the byte count from XER, the
// immediate forms from NB (0 meaning 32).
bool indexed_string(const IOPDesc *iop, bool store)
{
    if (opcd(iop) != 31) return false;
    const uint32_t xo = (iop->word >> 1) & 0x3FF;
    return store ? (xo == 661 || xo == 693) : (xo == 533 || xo == 565);
}
int64_t string_count(const IOPDesc *iop, bool indexed)
{
    if (indexed) return (int64_t)iop->xer_operand;
    const uint32_t nb = rb_field(iop);
    return nb ? nb : 32;
}

// Cuts a piece that would pass the end of the string: the first piece of element j (at offset)
// keeps n - offset bytes, the second piece loses what lies beyond n. A piece left with no bytes
// is not accessed.
bool cut_first(IOPDesc *iop, int64_t n, int64_t offset)
{
    if (n < offset + iop->data.size) iop->data.size = (int16_t)(n - offset);
    return iop->data.size > 0;
}
bool cut_second(IOPDesc *iop, int64_t n, int64_t end)
{
    if (n < end) iop->data.size = (int16_t)(iop->data.size + n - end);
    return iop->data.size > 0;
}

// Element j of a misaligned string load: its first piece (id 4 + 4j) into scratch 34, its second
// (id 5 + 4j) into scratch 33.
int string_load_piece(IOPDesc *iop)
{
    const uint32_t id = iop->ucode_id;
    const int64_t j = id / 4 - 1;
    const bool indexed = indexed_string(iop, false);
    const int64_t n = string_count(iop, indexed);
    const int64_t total = iop->misal_total;
    if (id % 4 == 0) {
        uint64_t base = 0;
        if (!indexed)
            base = ra_or_0(iop);
        else if (id == 4)
            base = ra_or_0(iop) + rb_or_0(iop);
        else
            base = base_reg(iop, kScratch33);
        const int64_t offset = total * j;
        if (!cut_first(iop, n, offset)) return 0;
        place_load(iop, base, (uint64_t)offset, core_size(iop));
        return load_into(iop, kScratch34);
    }
    if (id % 4 == 1) {
        const uint64_t base = indexed ? base_reg(iop, kScratch33) : ra_or_0(iop);
        const int64_t end = total * (j + 1);
        const int64_t offset = end - iop->data.size;
        if (!cut_second(iop, n, end)) return 0;
        place_load(iop, base, (uint64_t)offset, core_size(iop));
        return load_into(iop, kScratch33);
    }
    return 0;
}

// Element j of a misaligned string store: its first piece (id 5 + 4j) sends GPR RS + j, its
// second (id 6 + 4j) scratch 32.
int string_store_piece(IOPDesc *iop)
{
    const uint32_t id = iop->ucode_id;
    const int64_t j = id / 4 - 1;
    const bool indexed = indexed_string(iop, true);
    const int64_t n = string_count(iop, indexed);
    const int64_t total = iop->misal_total;
    const uint64_t base = indexed ? base_reg(iop, kScratch33) : ra_or_0(iop);
    uint64_t value = 0;
    if (id % 4 == 1) {
        const int64_t offset = total * j;
        if (!cut_first(iop, n, offset)) return 0;
        place_store(iop, base, (uint64_t)offset, core_size(iop));
        value = datum(iop, (rs_field(iop) + (uint32_t)j) % 32);
    } else {
        const int64_t end = total * (j + 1);
        const int64_t offset = end - iop->data.size;
        if (!cut_second(iop, n, end)) return 0;
        place_store(iop, base, (uint64_t)offset, core_size(iop));
        value = datum(iop, kScratch32);
    }
    return store(iop, value);
}

// Doubleword 0 (the FPR half) and doubleword 1 of VSR XS; an in-flight piece has them in the store
// operand slot, doubleword 0 in its high half.
Vec128 vsr_source(IOPDesc *iop)
{
    if (iop->use_slots) return Vec128{iop->operand_slot4[0], iop->operand_slot4[1]};
    return READ_VSR_SIMPLE(iop, vsr_field(iop), "S");
}

} // namespace

// ---- byte at a time (the byte-reversed forms) ----

int semantic_misal_lbz(IOPDesc *iop)
{
    const uint32_t id = iop->ucode_id;
    if (id == 1) {
        place_load(iop, ra_or_0(iop), rb_value(iop), core_size(iop));
        return load_into(iop, kScratch34);
    }
    if (id < 2 || id > 20 || (id - 2) % 3) return 0;
    place_load(iop, base_reg(iop, kScratch32), (id + 1) / 3, 1);
    return load_into(iop, kScratch33);
}

int semantic_misal_stb(IOPDesc *iop)
{
    const uint32_t id = iop->ucode_id;
    uint64_t offset = 0;
    uint32_t source = kScratch33;
    switch (id) {
    case 0:
    case 1:
        place_store(iop, ra_or_0(iop), rb_value(iop), 1);
        return store(iop, datum(iop, rs_field(iop)));
    case 4:
        offset = 1;
        source = kScratch32;
        break;
    case 5:
        offset = 1;
        break;
    case 8:
        offset = 2;
        break;
    case 10:
        offset = 3;
        break;
    case 13:
        offset = 4;
        break;
    case 16:
        offset = 5;
        break;
    case 18:
        offset = 6;
        break;
    case 21:
        offset = 7;
        break;
    default:
        return 0;
    }
    place_store(iop, ra_or_0(iop), offset, 1);
    return store(iop, datum(iop, source));
}

// ---- two pieces of a scalar access, and string elements ----

int semantic_misal_lsw(IOPDesc *iop)
{
    take_row_total(iop);
    const uint32_t id = iop->ucode_id;
    const uint64_t behind = (uint64_t)iop->misal_total - (uint64_t)iop->data.size;
    switch (id) {
    case 0:
        place_load(iop, ra_or_0(iop), d_field(iop), core_size(iop));
        return load_into(iop, kScratch32);
    case 1:
        place_load(iop, ra_or_0(iop), d_field(iop) + behind, core_size(iop));
        return load_into(iop, kScratch33);
    case 2:
        place_load(iop, base_reg(iop, kScratch34), behind, core_size(iop), true);
        return load_into(iop, kScratch33);
    case 3:
        return 0;
    default:
        return string_load_piece(iop);
    }
}

int semantic_misal_lsw_ds(IOPDesc *iop)
{
    if (iop->ucode_id != 0) return 0;
    place_load(iop, ra_or_0(iop), ds_field(iop), core_size(iop));
    return load_into(iop, kScratch32);
}

int semantic_misal_lswx(IOPDesc *iop)
{
    if (iop->ucode_id != 0) return 0;
    place_load(iop, ra_or_0(iop), rb_or_0(iop), core_size(iop));
    return load_into(iop, kScratch32);
}

int semantic_misal_stsw(IOPDesc *iop)
{
    take_row_total(iop);
    iop->update_form = 0; // the pieces never update a base register
    const uint32_t id = iop->ucode_id;
    const uint64_t behind = (uint64_t)iop->misal_total - (uint64_t)iop->data.size;
    switch (id) {
    case 1:
        place_store(iop, ra_or_0(iop), d_field(iop), core_size(iop));
        return store(iop, datum(iop, rs_field(iop)));
    case 2:
        place_store(iop, ra_or_0(iop), d_field(iop) + behind, core_size(iop));
        return store(iop, datum(iop, kScratch32));
    case 3: {
        const uint32_t ra = ra_field(iop);
        const bool low_bits = (iop->word & 3) != 0;
        if (opcd(iop) != 62 || (low_bits && ra == 0))
            sim_panic("semantic_misal_stsw: ucode_id=%d, OPCD=0x%x", (int)id, opcd(iop));
        const uint64_t base = low_bits ? base_reg(iop, ra) : base_reg(iop, kScratch33);
        place_store(iop, base, behind, core_size(iop));
        return store(iop, datum(iop, kScratch32));
    }
    case 4: {
        const uint32_t rs = rs_field(iop);
        place_store(iop, rs ? base_reg(iop, rs) : 0, behind, core_size(iop));
        return store(iop, datum(iop, kScratch32));
    }
    default:
        if (id >= 5 && (id % 4 == 1 || id % 4 == 2)) return string_store_piece(iop);
        return 0;
    }
}

int semantic_misal_stsw_ds(IOPDesc *iop)
{
    place_store(iop, ra_or_0(iop), ds_field(iop), core_size(iop));
    if (iop->ucode_id != 1) return 0;
    return store(iop, datum(iop, rs_field(iop)));
}

int semantic_misal_stswx(IOPDesc *iop)
{
    const uint32_t id = iop->ucode_id;
    if (id != 1 && id != 2) return 0;
    iop->update_form = 0;
    place_store(iop, ra_or_0(iop), rb_or_0(iop), core_size(iop));
    return store(iop, datum(iop, id == 1 ? rs_field(iop) : kScratch32));
}

// The two words of a floating-point doubleword store.
int semantic_misal_stfd(IOPDesc *iop)
{
    // The FPR datum: doubleword 0 of its VSR, which an in-flight piece has in the high half of the
    // store operand slot.
    const uint32_t id = iop->ucode_id;
    if (id > 2) return 0;
    if (id == 0)
        place_store(iop, ra_or_0(iop), opcd(iop) == 54 ? d_field(iop) : rb_value(iop), core_size(iop));
    else if (id == 1)
        place_store(iop, ra_or_0(iop), d_field(iop) + 4, core_size(iop));
    else
        place_store(iop, base_reg(iop, kScratch32), 4, core_size(iop));
    const uint64_t frs = iop->use_slots ? iop->operand_slot4[1] : READ_FPR_SIMPLE(iop, rs_field(iop), "S");
    return store(iop, id == 0 ? frs >> 32 : frs & 0xFFFFFFFFull);
}

// ---- vector and vector-scalar halves ----

int semantic_misal_lvlx(IOPDesc *iop)
{
    place_load(iop, ra_or_0(iop), rb_value(iop), 8);
    return load_into(iop, kScratch32);
}

int semantic_misal_lvrx(IOPDesc *iop)
{
    place_load(iop, base_reg(iop, kScratch33), 4, 8);
    return load_into(iop, kScratch33);
}

int semantic_misal_stvlx(IOPDesc *iop)
{
    iop->data.size = 8;
    place_store(iop, ra_or_0(iop), rb_or_0(iop), 8);
    return store(iop, vsr_source(iop).high);
}

int semantic_misal_stvrx(IOPDesc *iop)
{
    iop->data.size = 8;
    place_store(iop, base_reg(iop, kScratch33), 8, 8);
    return store(iop, vsr_source(iop).low);
}

int semantic_misal_stxswx(IOPDesc *iop)
{
    const uint32_t id = iop->ucode_id;
    if (id != 1 && id != 3) return 0;
    iop->data.size = 4;
    if (id == 1)
        place_store(iop, ra_or_0(iop), rb_or_0(iop), 4);
    else
        place_store(iop, base_reg(iop, kScratch33), 4, 4);
    const uint64_t dw0 = vsr_source(iop).high;
    return store(iop, id == 1 ? dw0 >> 32 : dw0 & 0xFFFFFFFFull);
}

// Joins scratch 32 (doubleword 0) and scratch 33 (doubleword 1) into VSR XT.
int semantic_misal_xxlor(IOPDesc *iop)
{
    const uint64_t dw0 = IOP_Read_GPR(iop, kScratch32, OPERAND_A);
    const uint64_t dw1 = IOP_Read_GPR(iop, kScratch33, OPERAND_B);
    if (iop->use_slots) {
        IOPResultSlot *slot = &iop->result_gpr2;
        slot->value[0] = dw0;
        slot->value[1] = dw1;
        slot->ready_time = iop->time_stamp;
        VRegReaderQ_release(slot, iop->cthread);
    } else {
        WRITE_VSR_SIMPLE(iop, vsr_field(iop), dw0, dw1, "T");
    }
    return 1;
}
