// SPR routines of the fixed-point and branch registers, VRSAVE, SRR1/HSRR1, SPRG3, the
// identification registers, the time-base family and CTRL.
#include "processor/hooks/reg_reader_queue.h"
#include "decode/instr_info.h"
#include "processor/hooks/semantics_hooks.h"
#include "processor/hooks/spr_interrupt_standins.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/ctrl.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_accessors.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_moves.h"
#include "processor/spr/spr_routines.h"
#include "processor/spr/spr_services.h"
#include "processor/time/time_registers.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t XER_FXCC_FIELD = 0x0F000000;
constexpr uint64_t SIM_CTRL_XER_WHOLE = 0x40;
constexpr uint64_t INSTR_CLASS_FXCC_WRITERS = 0x300000000ull;

// The SRR1/HSRR1 mask of the core: bit 0x1 joins it from chip version 0x300 on.
uint64_t srr1_mask(ProcessorState *core, uint64_t mask)
{
    return PROCESSOR_CHIP_VERSION(core) >= 0x300 ? (mask | 1) : mask;
}

bool vrsave_disabled(IOPDesc *iop)
{
    uint64_t pcr = iGET_PCR(iop);
    return (pcr & 0x8000000000000000ull) && (pcr & 0x2) && In_Problem_State(iop);
}

} // namespace

uint64_t MF_XER(IOPDesc *iop, int32_t *)
{
    ThreadState *thread = iop->thread;
    uint64_t value = iop->use_slots ? iop->xer_operand : thread->XER.value;
    if (SPR_Option(iop, PO_TAGS_ACTIVE) && (thread->MSR.value & MSR_TA)) return value;
    if (iGET_SIM_CTRL(iop) & SIM_CTRL_XER_WHOLE) return value;
    if (Fetch_MSR_Value(iop) & 0x0800000000000000ull) return value & 0xFFFFFFFFE07FFFFFull;
    return value & 0xE00FFFFFull;
}

void MT_XER(IOPDesc *iop, uint64_t value)
{
    ThreadState *thread = iop->thread;
    uint64_t old = thread->XER.value;
    bool new_field = false;
    if (SPR_Option(iop, PO_FXCC_FIELD_IN_XER)) {
        new_field = (SPR_Option(iop, PO_TAGS_ACTIVE) && (thread->MSR.value & MSR_TA)) ||
                    SPR_Option(iop, PO_FXCC_ALWAYS_SET) ||
                    (iop->row && (iop->row->class_flags & INSTR_CLASS_FXCC_WRITERS));
    }
    if (!new_field) value = (value & ~XER_FXCC_FIELD) | (old & XER_FXCC_FIELD);
    if (iop->use_slots) {
        iop->result_xer.value[0] = value;
        iop->result_xer.pending = 1;
        RegMaskReaderQ_release(&iop->result_xer, iop->cthread, 0);
    } else {
        thread->XER.value = value & Register_Entry_Mask(thread->XER.rfe);
        thread->XER.written = 1;
    }
    thread->XER.bits_written.valid = 1;
    thread->XER.bits_written.mask = ~0ull;
}

uint64_t MF_LR(IOPDesc *iop, int32_t *)
{
    if (iop->use_slots) return iop->operand_slot1[0];
    return iGET_LR(iop);
}

void MT_LR(IOPDesc *iop, uint64_t value)
{
    if (iop->use_slots) {
        iop->result_gpr2.value[0] = value;
        RegReaderQ_release(&iop->result_gpr2, iop->cthread);
        return;
    }
    iSET_LR(iop, value);
}

uint64_t MF_CFAR(IOPDesc *iop, int32_t *)
{
    return iGET_CFAR(iop);
}

void MT_CFAR(IOPDesc *iop, uint64_t value)
{
    iSET_CFAR(iop, value & ~3ull);
}

uint64_t MF_VRSAVE(IOPDesc *iop, int32_t *leave)
{
    if (vrsave_disabled(iop)) {
        interrupt_IllegalInstruction(iop, "mfvrsave PCR_Vector=1, PCR_205=1 and MSR/PR=1");
        *leave = 1;
        return 0;
    }
    return iGET_VRSAVE(iop);
}

void MT_VRSAVE(IOPDesc *iop, uint64_t value)
{
    if (vrsave_disabled(iop)) {
        interrupt_IllegalInstruction(iop, "mfvrsave PCR_Vector=1, PCR_205=1 and MSR/PR=1");
        return;
    }
    iSET_VRSAVE(iop, (uint32_t)value);
}

uint64_t MF_SRR1(IOPDesc *iop, int32_t *)
{
    ProcessorState *core = iop->thread->processor;
    return iGET_SRR1(iop) & srr1_mask(core, core->srr1_mask);
}

uint64_t MF_HSRR1(IOPDesc *iop, int32_t *)
{
    ProcessorState *core = iop->thread->processor;
    return iGET_HSRR1(iop) & srr1_mask(core, core->hsrr1_mask);
}

void MT_SRR1(IOPDesc *iop, uint64_t value)
{
    ProcessorState *core = iop->thread->processor;
    iSET_SRR1(iop, value & srr1_mask(core, core->srr1_mask));
}

void MT_HSRR1(IOPDesc *iop, uint64_t value)
{
    ProcessorState *core = iop->thread->processor;
    iSET_HSRR1(iop, value & srr1_mask(core, core->hsrr1_mask));
}

uint64_t MF_SPRG3(IOPDesc *iop, int32_t *leave)
{
    if (SPR_Assist_Read_Guard(iop)) {
        *leave = 1;
        return 0;
    }
    return iGET_SPRG3(iop);
}

void MT_SPRG3(IOPDesc *iop, uint64_t value)
{
    if (SPR_Assist_Write_Guard(iop, 1)) return;
    iSET_SPRG3(iop, value);
}

void MT_PVR(IOPDesc *iop, uint64_t)
{
    sim_warning(2, "PVR SPR is not writable.");
    if (!SPR_Option(iop, PO_WRITE_ONLY_SPR_IGNORE)) interrupt_IllegalInstruction(iop, "write to read-only spr");
}

void MT_PIR(IOPDesc *iop, uint64_t value)
{
    if (SPR_Option(iop, PO_PIR_IS_WRITABLE)) {
        iSET_PIR(iop, (uint32_t)value);
        return;
    }
    sim_warning(2, "PIR SPR is not writable.");
    if (!SPR_Option(iop, PO_WRITE_ONLY_SPR_IGNORE)) interrupt_IllegalInstruction(iop, "mtspr pir (read-only)");
}

uint64_t MF_TIR(IOPDesc *iop, int32_t *)
{
    ThreadState *thread = iop->thread;
    uint64_t value = COOKED_GET_TIR(thread, REG_ACCESS_MOVE_FROM);
    Invoke_SPR_Read_Triggers(iop, thread->TIR.trigger, value);
    if (!Is_Hypervisor_State(iop) && SPR_Option(iop, PO_GLENT_EN_4_LPAR_SYSTEM)) {
        uint64_t hid0 = COOKED_GET_HID0(thread, REG_ACCESS_MOVE_FROM);
        if (hid0 & HID0_TWO_PARTITIONS)
            value &= 3;
        else if (hid0 & HID0_FOUR_PARTITIONS)
            value &= 1;
    }
    return value;
}

uint64_t MF_TB(IOPDesc *iop, int32_t *leave)
{
    if (SPR_Assist_Read_Guard(iop)) {
        *leave = 1;
        return 0;
    }
    ProcessorState *partition = iop->thread->shared_processor;
    uint64_t value = ProcessorState__GetTB(partition);
    Invoke_SPR_Read_Triggers(iop, partition->TB.trigger, value);
    return value;
}

void MT_TB(IOPDesc *iop, uint64_t value)
{
    if (SPR_Assist_Write_Guard(iop, 1)) return;
    ProcessorState *partition = iop->thread->shared_processor;
    uint64_t old = ProcessorState__GetTB(partition);
    Invoke_SPR_Write_Triggers(iop, partition->TB.trigger, old, value);
    RAW_SET_TB(partition, value & Register_Entry_Mask(partition->TB.rfe));
}

uint64_t MF_TBU(IOPDesc *iop, int32_t *leave)
{
    if (SPR_Assist_Read_Guard(iop)) {
        *leave = 1;
        return 0;
    }
    ProcessorState *partition = iop->thread->shared_processor;
    uint32_t value = ProcessorState__GetTBU(partition);
    Invoke_SPR_Read_Triggers(iop, partition->TBU.trigger, value);
    return value;
}

void MT_TBU(IOPDesc *iop, uint64_t value)
{
    if (SPR_Assist_Write_Guard(iop, 1)) return;
    ThreadState__SetTBU(iop->thread, (uint32_t)value);
}

void MT_TBL(IOPDesc *iop, uint64_t value)
{
    ThreadState__SetTBL(iop->thread, (uint32_t)value);
}

uint64_t MF_TB40(IOPDesc *iop, int32_t *leave)
{
    if (In_Problem_State(iop)) interrupt_PrivilegedInstruction(iop);
    *leave = 1;
    return 0;
}

void MT_TB40(IOPDesc *iop, uint64_t value)
{
    ThreadState__SetTB40(iop->thread, value);
}

uint64_t xGUESS_TB40(ThreadState *thread, uint32_t)
{
    return ProcessorState__GetTB(thread->processor);
}

void xFORCE_TB40(ThreadState *thread, uint64_t value, uint32_t)
{
    ProcessorState__SetTB40(thread->processor, value);
}

uint64_t xGUESS_DEC(ThreadState *thread, uint32_t)
{
    return ThreadState__GetDEC(thread);
}

void xFORCE_DEC(ThreadState *thread, uint64_t value, uint32_t)
{
    ThreadState__SetDEC(thread, (uint32_t)(value & Register_Entry_Mask(thread->DEC.rfe)));
}

uint64_t MF_CTRL_ro(IOPDesc *iop, int32_t *)
{
    ThreadState *thread = iop->thread;
    uint32_t image = Read_CTRL(iop);
    iGET_SIM_CTRL(iop);
    if (!SPR_Option(iop, PO_GLENT_STYLE_CTRL)) return image;
    image &= ~1u;
    const int n = thread->thread_id_in_core;
    const uint32_t own = n < 16 ? 0x8000u >> n : 0;
    auto hypervisor_view = [&]() { return (image & own) ? (image | 1u) : image; };
    if (Is_Hypervisor_State(iop)) return hypervisor_view();
    if (In_Problem_State(iop)) {
        uint32_t value = (image & own) << n;
        return value ? (value | 1u) : value;
    }
    if (SPR_Option(iop, PO_GLENT_EN_4_LPAR_SYSTEM)) {
        uint64_t hid0 = Fetch_HID0_Value(iop);
        if (hid0 & HID0_MULTI_PARTITION) {
            const int s = thread->partition_index;
            uint32_t value;
            if (hid0 & HID0_FOUR_PARTITIONS)
                value = (image & (0xC000u >> (2 * s))) << (2 * s);
            else
                value = (image & (0xF000u >> (4 * s))) << (4 * s);
            value &= 0xFFFF;
            if (value & (0x8000u >> thread->thread_id_in_partition)) value |= 1u;
            return value;
        }
    }
    return hypervisor_view();
}

void MT_CTRL_ro(IOPDesc *, uint64_t) {}

uint64_t MF_CTRL(IOPDesc *, int32_t *leave)
{
    *leave = 1;
    return 0;
}

void MT_CTRL(IOPDesc *iop, uint64_t value)
{
    if (SPR_Option(iop, PO_GLENT_STYLE_CTRL)) {
        if (Fetch_MSR_Value(iop) & MSR_PR) {
            interrupt_PrivilegedInstruction(iop);
            return;
        }
        if (HTM_NON_CKPT_REG_MODIFIED(iop, "CTRL")) return;
        value &= 1;
    }
    Write_CTRL(iop, (uint32_t)(value & ~0xF0ull));
    iGET_SIM_CTRL(iop);
}
