// Register-state copies: the detached-thread hand-over and the assist-thread start.
#include "processor/run/assist_threads.h"

#include "processor/config/processor_options.h"
#include "processor/hooks/interrupt_hooks.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/ctrl.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/register_file.h"
#include "processor/run/smt.h"
#include "processor/run/thread_run_state.h"
#include "processor/time/time_registers.h"
#include "processor/translation/slb.h"
#include "runtime/alloc.h"

namespace
{

constexpr uint64_t MSR_FP = 0x2000, MSR_VEC = 0x2000000, MSR_VSX = 0x800000;
constexpr uint64_t SIM_CTRL_DSCR_WIDE = 0x1000000000000ull;

template <typename Slot> void copy_written(const Slot &source, Slot &destination)
{
    if (!source.written) return;
    destination.value = source.value;
    destination.written = 1;
}

template <typename Slot> uint64_t mask_of(const Slot &slot)
{
    return Register_Entry_Mask(slot.rfe);
}

template <typename Slot> void set_masked(Slot &slot, uint64_t value)
{
    slot.value = (decltype(slot.value))(value & mask_of(slot));
    slot.written = 1;
}

// A live processor keeps its time registers lazily; a detached one holds plain values.
bool has_time(const ProcessorState *core)
{
    return core->machine != nullptr;
}

} // namespace

void Copy_Processor_Register_State(ProcessorState *source, ProcessorState *destination)
{
    const bool time = has_time(source) && has_time(destination);
#define QUARN_COPY_CORE_REGISTER(member, file_name, width, owner, family)                                    \
    copy_written(source->member, destination->member);
    QUARN_CORE_REGISTERS(QUARN_COPY_CORE_REGISTER)
#undef QUARN_COPY_CORE_REGISTER
    // The exceptions to the plain copy.
    if (source->TB.written && time) ProcessorState__SetTB(destination, ProcessorState__GetTB(source));
    if (source->TBU.written && time) ProcessorState__SetTBU(destination, ProcessorState__GetTBU(source));
    if (source->TBL.written && time) ProcessorState__SetTBL(destination, ProcessorState__GetTBL(source));
    if (source->HDEC.written && time) ProcessorState__SetHDEC(destination, ProcessorState__GetHDEC(source));
    Reg64 *const sources[] = {&source->IMA0, &source->IMA1, &source->IMA2,  &source->IMA3,  &source->IMA4,
                              &source->IMA8, &source->IMA9, &source->IMA10, &source->IMA11, &source->IMA12};
    Reg64 *const targets[] = {&destination->IMA0, &destination->IMA1,  &destination->IMA2,
                              &destination->IMA3, &destination->IMA4,  &destination->IMA8,
                              &destination->IMA9, &destination->IMA10, &destination->IMA11,
                              &destination->IMA12};
    for (int n = 0; n < 10; n++) {
        if (!sources[n]->written) continue;
        targets[n]->value = sources[n]->value & mask_of(*targets[n]);
        targets[n]->written = 0;
    }
}

void Copy_Thread_Register_State(ThreadState *source, ThreadState *destination)
{
    ProcessorState *core = destination->processor;
    const bool time = source->processor && has_time(source->processor) && core && has_time(core);
    if (source->SIM_CTRL.written && core && core->options[PO_Dravo_DSCR])
        Apply_Dravo_DSCR_Mask(destination, source->SIM_CTRL.value & SIM_CTRL_DSCR_WIDE);
#define QUARN_COPY_THREAD_REGISTER(member, file_name, width, owner, family)                                  \
    copy_written(source->member, destination->member);
    QUARN_THREAD_REGISTERS(QUARN_COPY_THREAD_REGISTER)
#undef QUARN_COPY_THREAD_REGISTER
    if (source->DEC.written && time) ThreadState__SetDEC(destination, ThreadState__GetDEC(source));
}

extern "C" void LIBSIM__CopyAndFreeThreadState(ThreadState *source, ThreadState *destination)
{
    if (!source || !destination) return;
    if (source->processor && destination->processor)
        Copy_Processor_Register_State(source->processor, destination->processor);
    Copy_Thread_Register_State(source, destination);
    QUARN_FREE(source->processor);
    QUARN_FREE(source);
}

void Copy_Assist_Thread_Registers(ThreadState *parent, ThreadState *assist, int with_vector)
{
    uint64_t msr = parent->MSR.value;
    if (!with_vector) msr &= ~(MSR_FP | MSR_VEC | MSR_VSX);
    _WriteMSR(assist, msr & mask_of(assist->MSR), 0, assist->PC.value, __FILE__, __LINE__);
    for (int n = 0; n < 32; n++)
        assist->GPR[n].value = parent->GPR[n].value;
    if (with_vector) {
        assist->FPSCR.value = 0;
        assist->VSCR.value = 0;
        for (int n = 0; n < NUM_VSRS; n++) {
            assist->VSR[n].value[0] = parent->VSR[n].value[0];
            assist->VSR[n].value[1] = parent->VSR[n].value[1];
            if (assist->VSR[n].rfe) assist->VSR[n].rfe->access_kind = 1;
        }
    }
    assist->CR.value = (uint32_t)(parent->CR.value & mask_of(assist->CR));
    set_masked(assist->LR, parent->LR.value);
    set_masked(assist->CTR, parent->CTR.value);
    set_masked(assist->XER, 0);
    set_masked(assist->TAR, 0);
    set_masked(assist->DSCR, 0);
    set_masked(assist->VRSAVE, parent->VRSAVE.value);
    tFORCE_CTRL(assist, GUESS_CTRL(parent, REG_ACCESS_COMMAND), 0);
    set_masked(assist->APSCR, parent->APSCR.value);
    set_masked(assist->PPR32, parent->PPR32.value);
    set_masked(assist->LPCR, parent->LPCR.value);
    set_masked(assist->AMR, parent->AMR.value);
    set_masked(assist->IAMR, parent->IAMR.value);
    const int32_t entries =
        parent->slb_entries < assist->slb_entries ? parent->slb_entries : assist->slb_entries;
    for (int32_t n = 0; parent->slb && assist->slb && n < entries; n++) {
        SLB *from = &parent->slb[n], *to = &assist->slb[n];
        to->SLBE.value = from->SLBE.value;
        to->esid_base = from->esid_base;
        to->valid = from->valid;
        SLB_Set_VSID_Word(to, from->SLBV.value);
    }
}

void Start_Assist_Thread(IOPDesc *iop, ThreadState *assist, uint64_t start, int with_vector)
{
    ThreadState *parent = iop->thread;
    assist->is_assist_thread = 1;
    assist->assist_parent = parent;
    assist->next_assist = parent->next_assist;
    parent->next_assist = assist;
    Copy_Assist_Thread_Registers(parent, assist, with_vector);
    assist->pc_initial = start;
    set_masked(assist->PC, start);
    set_masked(assist->APSCR, 0);
    const uint64_t old = iGET_APSCR(iop);
    const uint64_t updated =
        (old & 0xFFull) | (old & ~0xFFFFull) | 0x80 | (((uint64_t)assist->thread_id_in_core & 0xFF) << 8);
    iSET_APSCR(iop, updated);
    Thread_RunState(assist);
}
