// Floating-point loads and stores.
#include "fp/fp_load_store.h"

#include "decode/semantics.h"
#include "fp/format_convert.h"
#include "fp/fp_store_data.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/semantics_helpers.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/reservations.h"
#include "mmu/ea_access.h"
#include "mmu/load_store_path.h"
#include "mmu/storage_interrupts.h"
#include "processor/hooks/reg_reader_queue.h"
#include "processor/hooks/vsr_access.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/regs/value_ops.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t MSR_FP = 0x2000;
constexpr uint64_t CLASS_LOAD = 0x100, CLASS_STORE = 0x1000;

inline uint32_t frt_field(uint32_t word)
{
    return (word >> 21) & 31;
}

const char *mnemonic(const IOPDesc *iop)
{
    return iop->row ? iop->row->mnemonic : "no instruction";
}

// The floating-point facility checks; 0 after raising an interrupt.
int fp_available(IOPDesc *iop)
{
    if (!Facility_Gate(iop, 0, mnemonic(iop))) return 0;
    if (!(iGET_MSR(iop) & MSR_FP)) {
        interrupt_FPUnavailable(iop);
        return 0;
    }
    if (IOP_Option(iop, PO_FP_VSX_TAKES_SOFTPATCH) && iop->row && iop->row->softpatch) {
        iop->row->softpatch(iop);
        if (iop->exceptions && !(iop->row->class_flags & (CLASS_LOAD | CLASS_STORE))) return 0;
    }
    return 1;
}

// The update forms' RA = 0 check; 0 after the illegal-instruction interrupt.
int update_form_ok(IOPDesc *iop, const char *text)
{
    iop->update_form = 1;
    if (IOP_Option(iop, PO_INVALID_LFDUX_WHEN_RA_IS_0) && FIELD_RA(iop->word) == 0) {
        interrupt_IllegalInstruction(iop, text);
        return 0;
    }
    return 1;
}

// Other threads' reservations on a stored address are lost.
void revoke_after_store(IOPDesc *iop, uint32_t mode)
{
    ThreadState *thread = iop->thread;
    MCM *chip = thread->mcm;
    if (mode > MODE_NAMELESS || !chip || !chip->mbus || !chip->mbus->memory_map) return;
    if (chip->mbus->memory_map->reservation_count > 0)
        revoke_core_reservations(chip, thread->memory_client, iop->data.pa);
}

uint32_t machine_mode(const IOPDesc *iop)
{
    GenericMachine *machine = iop->thread->machine;
    return machine ? machine->mode : MODE_SIMPLE;
}

// The paired forms' gates: the option, then the architecture level.
int pair_supported(IOPDesc *iop, const char *name, const char *not_enabled)
{
    if (!IOP_Option(iop, PO_FP_LOAD_STORE_DOUBLE_PAIR_INSTRUCTIONS_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, name);
        return 0;
    }
    if (!IOP_Option(iop, PO_POWERPC_V202)) {
        interrupt_IllegalInstruction(iop, not_enabled);
        return 0;
    }
    return 1;
}

enum class Form { D, DS, X };

int generate(IOPDesc *iop, Form form)
{
    return form == Form::D ? EA_gen_d_loads_stores(iop)
           : form == Form::DS ? EA_gen_ds_loads_stores(iop)
                              : EA_gen_x_loads_stores(iop);
}

int pair_load(IOPDesc *iop, Form form)
{
    if (!fp_available(iop)) return 0;
    iop->data.kind = AXD_KIND_LOAD;
    if (!generate(iop, form)) return 0;
    if (form == Form::X) iop->update_form = 0;
    iop->data.size = 8; // each register of the pair is its own doubleword access
    const uint32_t field = frt_field(iop->word), ra = FIELD_RA(iop->word);
    iop->data.align = 16;
    if (!load_fp(iop, field & ~1u, ra)) {
        iop->byte_reversed = 0;
        return 0;
    }
    Define_FP_representation(iop, field & ~1u);
    iop->data.ea += 8;
    iop->data.align = -1;
    int done = load_fp(iop, field | 1u, ra);
    Define_FP_representation(iop, field | 1u);
    if (!done) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

int pair_store(IOPDesc *iop, Form form)
{
    if (!fp_available(iop)) return 0;
    iop->data.kind = AXD_KIND_STORE;
    if (!generate(iop, form)) return 0;
    iop->update_form = 0;
    iop->data.size = 8; // each register of the pair is its own doubleword access
    const uint32_t field = frt_field(iop->word), ra = FIELD_RA(iop->word);
    iop->data.align = 16;
    if (!store_fp(iop, field & ~1u, ra)) {
        iop->byte_reversed = 0;
        return 0;
    }
    iop->data.ea += 8;
    iop->data.align = -1;
    if (!store_fp(iop, field | 1u, ra)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

// One element of a paired access for the cycle-level core's micro-ops; returns 0.
int pair_element(IOPDesc *iop, bool indexed, bool store, int32_t subtype)
{
    const uint32_t word = iop->word, ra = FIELD_RA(word);
    if (store && (iop->ucode_id & 1)) {
        sim_error("ucode_id%%2 != 0");
        return 0;
    }
    const uint64_t base = ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0;
    const uint64_t offset = indexed ? IOP_Read_GPR(iop, FIELD_RB(word), OPERAND_B)
                                    : (uint64_t)(int64_t)(int16_t)(word & 0xFFFC);
    const uint64_t ea = base + offset;
    AXD *data = &iop->data;
    data->ea = data->orig_ea = data->ea2 = ea;
    if (!CEA_CHECK_EAO(iop, ra, offset, data->size)) return 0;
    data->size = 8;
    if (ea & 0xF) {
        interrupt_AlignmentException(iop, ea, 0, store ? AXD_KIND_STORE : AXD_KIND_LOAD, subtype);
        return 0;
    }
    data->ea = ea + (uint64_t)iop->ucode_id * (store ? 4 : 8);
    data->kind = store ? AXD_KIND_STORE : AXD_KIND_LOAD;
    if (store)
        store_fp(iop, frt_field(word), ra);
    else
        load_fp(iop, frt_field(word), ra);
    return 0;
}

} // namespace

// ---- workers ----

void HTM_SmodeUndefTargetFPR(IOPDesc *iop, AXD *, uint32_t)
{
    (void)iGET_MSR(iop);
}

void Define_FP_representation(IOPDesc *iop, uint32_t n)
{
    iop->thread->VSR[n & 31].fpr_form = iop->data.row_size == 4 ? 3 : 2;
}

void Load_Value_To_FRT(IOPDesc *iop, uint32_t frt, uint64_t value)
{
    const int size = iop->data.size;
    uint64_t image;
    if (IOP_Data_Little_Endian(iop)) {
        switch (size) {
        case 8:
            image = Reverse_RegValue(value, 8);
            break;
        case 4:
            image = load_single_float(iop, (uint32_t)Reverse_RegValue(value & 0xFFFFFFFFull, 4));
            break;
        case 2:
            image = load_single_float(iop, (uint32_t)Reverse_RegValue(value & 0xFFFF, 2));
            break;
        case 1:
            image = load_single_float(iop, (uint32_t)value);
            break;
        default:
            sim_error("Reverse_RegValue: Unknown length: %d\n", size);
            image = load_single_float(iop, (uint32_t)value);
            break;
        }
    } else {
        image = size == 8 ? value : load_single_float(iop, (uint32_t)value);
    }
    if (iop->use_slots) {
        iop->result_gpr2.value[0] = image;
        iop->result_gpr2.ready_time = iop->time_stamp;
        FPRegReaderQ_release(&iop->result_gpr2, iop->cthread);
    } else {
        WRITE_FPR_SIMPLE(iop, frt, image, "T");
    }
    HTM_SmodeUndefTargetFPR(iop, &iop->data, frt);
}

int load_fp(IOPDesc *iop, uint32_t frt, uint32_t ra)
{
    const uint64_t ea = iop->data.ea;
    if (iop->update_form && iop->addr_only) UPDATE_EA(iop, ra, ea);
    uint64_t value = 0;
    if (EA_Read_Memory_FPReg(iop, &value) != 0) return 0;
    Load_Value_To_FRT(iop, frt, value);
    if (iop->update_form && !iop->addr_only) UPDATE_EA(iop, ra, ea);
    return 1;
}

int store_fp(IOPDesc *iop, uint32_t frs, uint32_t ra)
{
    const uint32_t mode = machine_mode(iop);
    iop->data.kind = AXD_KIND_STORE;
    const uint64_t ea = iop->data.ea;
    if (iop->update_form && iop->addr_only) UPDATE_EA(iop, ra, ea);
    uint64_t image = 0;
    if (EA_Write_Memory_FPReg(iop, store_fp_data, (int)frs, &image) != 0) return 0;
    if (iop->update_form && !iop->addr_only) UPDATE_EA(iop, ra, ea);
    revoke_after_store(iop, mode);
    return 1;
}

// ---- skeletons ----

namespace
{

int load_skeleton(IOPDesc *iop, Form form)
{
    if (!fp_available(iop)) return 0;
    iop->data.kind = AXD_KIND_LOAD;
    if (!generate(iop, form)) return 0;
    const uint32_t frt = frt_field(iop->word);
    int done = load_fp(iop, frt, FIELD_RA(iop->word));
    Define_FP_representation(iop, frt);
    if (!done) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

int store_skeleton(IOPDesc *iop, Form form)
{
    iop->data.kind = AXD_KIND_STORE;
    int generated = generate(iop, form); // the address first: its overflow check comes first
    if (!fp_available(iop)) return 0;
    if (!generated) return 0;
    if (!store_fp(iop, frt_field(iop->word), FIELD_RA(iop->word))) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

int semantic_d_load_fp(IOPDesc *iop)
{
    return load_skeleton(iop, Form::D);
}
int semantic_x_load_fp(IOPDesc *iop)
{
    return load_skeleton(iop, Form::X);
}
int semantic_d_store_fp(IOPDesc *iop)
{
    return store_skeleton(iop, Form::D);
}
int semantic_x_store_fp(IOPDesc *iop)
{
    return store_skeleton(iop, Form::X);
}

// ---- rows ----

int semantic_lfs(IOPDesc *iop)
{
    return semantic_d_load_fp(iop);
}
int semantic_lfd(IOPDesc *iop)
{
    return semantic_d_load_fp(iop);
}
int semantic_lfsx(IOPDesc *iop)
{
    return semantic_x_load_fp(iop);
}
int semantic_lfdx(IOPDesc *iop)
{
    return semantic_x_load_fp(iop);
}
int semantic_lfsu(IOPDesc *iop)
{
    return update_form_ok(iop, "lfsu is invalid when RA=0") ? semantic_d_load_fp(iop) : 0;
}
int semantic_lfdu(IOPDesc *iop)
{
    return update_form_ok(iop, "lfdu is invalid when RA=0") ? semantic_d_load_fp(iop) : 0;
}
int semantic_lfsux(IOPDesc *iop)
{
    return update_form_ok(iop, "lfsux is invalid when RA=0") ? semantic_x_load_fp(iop) : 0;
}
int semantic_lfdux(IOPDesc *iop)
{
    return update_form_ok(iop, "lfdux is invalid when RA=0") ? semantic_x_load_fp(iop) : 0;
}
int semantic_lfdepx(IOPDesc *iop)
{
    if (iGET_MSR(iop) & MSR_PR) {
        interrupt_PrivilegedInstruction(iop);
        return 0;
    }
    return semantic_x_load_fp(iop);
}

int semantic_stfs(IOPDesc *iop)
{
    return semantic_d_store_fp(iop);
}
int semantic_stfd(IOPDesc *iop)
{
    return semantic_d_store_fp(iop);
}
int semantic_stfsx(IOPDesc *iop)
{
    return semantic_x_store_fp(iop);
}
int semantic_stfdx(IOPDesc *iop)
{
    return semantic_x_store_fp(iop);
}
int semantic_stfsu(IOPDesc *iop)
{
    return update_form_ok(iop, "stfsu is invalid when RA=0") ? semantic_d_store_fp(iop) : 0;
}
int semantic_stfdu(IOPDesc *iop)
{
    return update_form_ok(iop, "stfdu is invalid when RA=0") ? semantic_d_store_fp(iop) : 0;
}
int semantic_stfsux(IOPDesc *iop)
{
    return update_form_ok(iop, "stfsux is invalid when RA=0") ? semantic_x_store_fp(iop) : 0;
}
int semantic_stfdux(IOPDesc *iop)
{
    return update_form_ok(iop, "stfdux is invalid when RA=0") ? semantic_x_store_fp(iop) : 0;
}
int semantic_stfdepx(IOPDesc *iop)
{
    if (iGET_MSR(iop) & MSR_PR) {
        interrupt_PrivilegedInstruction(iop);
        return 0;
    }
    return semantic_x_store_fp(iop);
}

int semantic_stfiwx(IOPDesc *iop)
{
    const uint32_t word = iop->word, ra = FIELD_RA(word);
    AXD *data = &iop->data;
    data->kind = AXD_KIND_STORE;
    data->size = 4;
    const uint64_t base = ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0;
    const uint64_t index = IOP_Read_GPR(iop, FIELD_RB(word), OPERAND_B);
    if (iop->defer_side_effects) iop->operand_slot2[0] = index;
    const uint64_t ea = base + index;
    data->ea = data->orig_ea = data->ea2 = ea;
    if (iop->row) data->row_size = (int16_t)iop->row->access_size;
    int eao = CEA_CHECK_EAO(iop, ra, index, 4);
    if (!fp_available(iop)) return 0;
    if (!eao) return 0;
    const uint32_t mode = machine_mode(iop);
    uint64_t image = 0;
    if (EA_Write_Memory_FPReg(iop, stfiwx_store_data, (int)frt_field(word), &image) != 0) return 0;
    revoke_after_store(iop, mode);
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_lfdp(IOPDesc *iop)
{
    return pair_supported(iop, "lfdp", "lfdp: not cirn enabled") ? pair_load(iop, Form::DS) : 0;
}
int semantic_lfdpx(IOPDesc *iop)
{
    return pair_supported(iop, "lfdpx", "lfdpx: not cirn enabled") ? pair_load(iop, Form::X) : 0;
}
int semantic_stfdp(IOPDesc *iop)
{
    return pair_supported(iop, "stfdp", "stfdp: not cirn enabled") ? pair_store(iop, Form::DS) : 0;
}
int semantic_stfdpx(IOPDesc *iop)
{
    return pair_supported(iop, "stfdpx", "stfdpx: not cirn enabled") ? pair_store(iop, Form::X) : 0;
}

int semantic_stfdpx_ucode(IOPDesc *iop)
{
    return pair_element(iop, true, true, 174);
}
int semantic_stfdp_ucode(IOPDesc *iop)
{
    return pair_element(iop, false, true, 170);
}
int semantic_lfdpx_ucode(IOPDesc *iop)
{
    return pair_element(iop, true, false, 92);
}
int semantic_lfdp_ucode(IOPDesc *iop)
{
    return pair_element(iop, false, false, 95);
}
