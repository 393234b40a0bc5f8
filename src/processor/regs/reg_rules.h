// The rules of the register accessor layers, shared by the generated thread-level and
// instruction-level members. For every register of the register lists RegDef<Id> says where its
// slot is; Rules<Id> gives its raw, cooked, guess and force access, by default the plain rules:
//   raw get      the slot in the thread, or in the thread's core (0 without a core);
//   raw set      store unmasked, written flag 1 (nothing without a core);
//   cooked get   the slot in the owner: thread, core or partition core;
//   cooked set   store masked, written flag 1;
//   guess/force  as cooked get/set.
// Registers with their own behaviour specialise Rules below. Internal to the accessor sources.
#pragma once

#include <cstdint>

#include "processor/hooks/interrupt_hooks.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_identity.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/ctrl.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/regs/register_file.h"
#include "processor/regs/register_list.h"
#include "processor/spr/instruction_match.h"
#include "processor/time/time_registers.h"
#include "processor/translation/xlate_version.h"

namespace quarn_registers
{

enum RegId : int {
#define QUARN_REG_ID(member, file_name, width, owner, family) REG_ID_##member,
    QUARN_THREAD_REGISTERS(QUARN_REG_ID) QUARN_CORE_REGISTERS(QUARN_REG_ID)
#undef QUARN_REG_ID
        REG_ID_COUNT
};
static_assert(REG_ID_COUNT == 179, "the accessor families cover 179 registers");

// The owner record of a register for the cooked layers, and for the raw layer.
#define QUARN_OWNER_T(thread) (thread)
#define QUARN_OWNER_C(thread) ((thread)->processor)
#define QUARN_OWNER_P(thread) ((thread)->shared_processor)
#define QUARN_RAW_OWNER_T(thread) (thread)
#define QUARN_RAW_OWNER_C(thread) ((thread)->processor)
#define QUARN_RAW_OWNER_P(thread) ((thread)->processor)

template <int Id> struct RegDef;

#define QUARN_REG_DEF(member, file_name, width, owner, family)                                               \
    template <> struct RegDef<REG_ID_##member> {                                                             \
        using Slot = Reg##width;                                                                             \
        using V = QUARN_REG_VALUE(width);                                                                    \
        static Slot *own(ThreadState *thread) { return &QUARN_OWNER_##owner(thread)->member; }               \
        static Slot *raw(ThreadState *thread)                                                                \
        {                                                                                                    \
            auto *record = QUARN_RAW_OWNER_##owner(thread);                                                  \
            return record ? &record->member : nullptr;                                                       \
        }                                                                                                    \
    };
QUARN_THREAD_REGISTERS(QUARN_REG_DEF)
QUARN_CORE_REGISTERS(QUARN_REG_DEF)
#undef QUARN_REG_DEF

template <int Id> struct Rules;

template <int Id> struct DefaultRules {
    using D = RegDef<Id>;
    using Slot = typename D::Slot;
    using V = typename D::V;
    // Whether the instruction-level members fire the register's triggers.
    static constexpr bool triggers = true;

    static V mask(const Slot *slot) { return (V)Register_Entry_Mask(slot->rfe); }
    static V raw_get(ThreadState *thread)
    {
        Slot *slot = D::raw(thread);
        return slot ? slot->value : 0;
    }
    static void raw_set(ThreadState *thread, V value)
    {
        if (Slot *slot = D::raw(thread)) {
            slot->value = value;
            slot->written = 1;
        }
    }
    static V cooked_get(ThreadState *thread, uint32_t) { return D::own(thread)->value; }
    static V cooked_set(ThreadState *thread, V value, uint32_t)
    {
        Slot *slot = D::own(thread);
        slot->written = 1;
        slot->value = value & mask(slot);
        return slot->value;
    }
    static V guess(ThreadState *thread, uint32_t kind) { return Rules<Id>::cooked_get(thread, kind); }
    static V force(ThreadState *thread, V value, uint32_t kind)
    {
        return Rules<Id>::cooked_set(thread, value, kind);
    }
};

template <int Id> struct Rules : DefaultRules<Id> {
};

// Masked stores that leave the written flag alone.
template <int Id> struct UnflaggedRules : DefaultRules<Id> {
    using Base = DefaultRules<Id>;
    static typename Base::V cooked_set(ThreadState *thread, typename Base::V value, uint32_t)
    {
        auto *slot = Base::D::own(thread);
        slot->value = value & Base::mask(slot);
        return slot->value;
    }
};
template <> struct Rules<REG_ID_CR> : UnflaggedRules<REG_ID_CR> {
};
template <> struct Rules<REG_ID_VSCR> : UnflaggedRules<REG_ID_VSCR> {
};
template <> struct Rules<REG_ID_VSCR_CHANGE> : UnflaggedRules<REG_ID_VSCR_CHANGE> {
};
template <> struct Rules<REG_ID_FPSCR> : UnflaggedRules<REG_ID_FPSCR> {
};
template <> struct Rules<REG_ID_FPSCR_CHANGE> : UnflaggedRules<REG_ID_FPSCR_CHANGE> {
};

// FPR_INVALID_MAP: stored as given, no mask, no written flag.
template <> struct Rules<REG_ID_FPR_INVALID_MAP> : DefaultRules<REG_ID_FPR_INVALID_MAP> {
    static uint64_t cooked_set(ThreadState *thread, uint64_t value, uint32_t)
    {
        thread->FPR_INVALID_MAP.value = value;
        return value;
    }
};

// PID: 32 bits, and every write is a change of translation state.
template <> struct Rules<REG_ID_PID> : DefaultRules<REG_ID_PID> {
    static uint64_t cooked_set(ThreadState *thread, uint64_t value, uint32_t)
    {
        Reg64 *slot = &thread->PID;
        slot->written = 1;
        slot->value = (uint32_t)value & (uint32_t)mask(slot);
        current_xlate_version++;
        return slot->value;
    }
};

// IMA0-IMA4, IMA8-IMA12: masked even in the raw layer, written flag untouched, then the core's
// instruction-match decision.
template <int Id, int Number> struct InstructionMatchRules : DefaultRules<Id> {
    using Base = DefaultRules<Id>;
    static uint64_t store(ThreadState *thread, uint64_t value)
    {
        Reg64 *slot = Base::D::own(thread);
        slot->value = value & Base::mask(slot);
        Decide_if_we_want_to_check_IMC(thread->processor, Number, slot->value);
        return slot->value;
    }
    static void raw_set(ThreadState *thread, uint64_t value)
    {
        if (thread->processor) store(thread, value);
    }
    static uint64_t cooked_set(ThreadState *thread, uint64_t value, uint32_t) { return store(thread, value); }
};
template <> struct Rules<REG_ID_IMA0> : InstructionMatchRules<REG_ID_IMA0, 0> {
};
template <> struct Rules<REG_ID_IMA1> : InstructionMatchRules<REG_ID_IMA1, 1> {
};
template <> struct Rules<REG_ID_IMA2> : InstructionMatchRules<REG_ID_IMA2, 2> {
};
template <> struct Rules<REG_ID_IMA3> : InstructionMatchRules<REG_ID_IMA3, 3> {
};
template <> struct Rules<REG_ID_IMA4> : InstructionMatchRules<REG_ID_IMA4, 4> {
};
template <> struct Rules<REG_ID_IMA8> : InstructionMatchRules<REG_ID_IMA8, 8> {
};
template <> struct Rules<REG_ID_IMA9> : InstructionMatchRules<REG_ID_IMA9, 9> {
};
template <> struct Rules<REG_ID_IMA10> : InstructionMatchRules<REG_ID_IMA10, 10> {
};
template <> struct Rules<REG_ID_IMA11> : InstructionMatchRules<REG_ID_IMA11, 11> {
};
template <> struct Rules<REG_ID_IMA12> : InstructionMatchRules<REG_ID_IMA12, 12> {
};

template <> struct Rules<REG_ID_SIM_CTRL> : DefaultRules<REG_ID_SIM_CTRL> {
    static void raw_set(ThreadState *thread, uint64_t value)
    {
        Apply_Dravo_DSCR_Mask(thread, value);
        thread->SIM_CTRL.value = value;
        thread->SIM_CTRL.written = 1;
    }
    static uint64_t cooked_set(ThreadState *thread, uint64_t value, uint32_t kind)
    {
        COOKED_SET_SIM_CTRL(thread, value, kind);
        return thread->SIM_CTRL.value;
    }
};

// PC: a force also sets the unmasked next-instruction address.
template <> struct Rules<REG_ID_PC> : DefaultRules<REG_ID_PC> {
    static uint64_t force(ThreadState *thread, uint64_t value, uint32_t kind)
    {
        thread->next_pc = value;
        return cooked_set(thread, value, kind);
    }
};

// TIR reads as the thread's number whatever the slot holds.
template <> struct Rules<REG_ID_TIR> : DefaultRules<REG_ID_TIR> {
    static uint64_t cooked_get(ThreadState *thread, uint32_t kind) { return COOKED_GET_TIR(thread, kind); }
    static uint64_t force(ThreadState *thread, uint64_t value, uint32_t kind)
    {
        DefaultRules::cooked_set(thread, value, kind);
        return COOKED_GET_TIR(thread, kind);
    }
};

template <> struct Rules<REG_ID_HID0> : DefaultRules<REG_ID_HID0> {
    static uint64_t cooked_get(ThreadState *thread, uint32_t kind) { return COOKED_GET_HID0(thread, kind); }
    static uint64_t cooked_set(ThreadState *thread, uint64_t value, uint32_t kind)
    {
        COOKED_SET_HID0(thread, value);
        return COOKED_GET_HID0(thread, kind);
    }
};

template <> struct Rules<REG_ID_TSRL> : DefaultRules<REG_ID_TSRL> {
    static uint64_t cooked_get(ThreadState *thread, uint32_t kind) { return COOKED_GET_TSRL(thread, kind); }
    static uint64_t cooked_set(ThreadState *thread, uint64_t value, uint32_t kind)
    {
        COOKED_SET_TSRL(thread, value);
        return COOKED_GET_TSRL(thread, kind);
    }
};

template <> struct Rules<REG_ID_TFMR> : DefaultRules<REG_ID_TFMR> {
    static uint64_t raw_get(ThreadState *thread) { return RAW_GET_TFMR(thread); }
    static void raw_set(ThreadState *thread, uint64_t value) { RAW_SET_TFMR(thread, value); }
    static uint64_t cooked_get(ThreadState *thread, uint32_t) { return RAW_GET_TFMR(thread); }
    static uint64_t cooked_set(ThreadState *thread, uint64_t value, uint32_t)
    {
        RAW_SET_TFMR(thread, value & mask(&thread->TFMR));
        return RAW_GET_TFMR(thread);
    }
};

template <> struct Rules<REG_ID_CTRL> : DefaultRules<REG_ID_CTRL> {
    static uint32_t cooked_get(ThreadState *thread, uint32_t kind) { return cooked_get_CTRL(thread, kind); }
    static uint32_t guess(ThreadState *thread, uint32_t kind) { return GUESS_CTRL(thread, kind); }
    static uint32_t cooked_set(ThreadState *thread, uint32_t value, uint32_t)
    {
        cooked_set_CTRL(thread, value);
        return thread->CTRL.value;
    }
};

template <> struct Rules<REG_ID_MSR> : DefaultRules<REG_ID_MSR> {
    static uint64_t cooked_set(ThreadState *thread, uint64_t value, uint32_t)
    {
        _WriteMSR(thread, value & mask(&thread->MSR), 0, 0, __FILE__, __LINE__);
        return thread->MSR.value;
    }
};

template <> struct Rules<REG_ID_PVR> : DefaultRules<REG_ID_PVR> {
    static void raw_set(ThreadState *thread, uint32_t value)
    {
        if (thread->processor) RAW_SET_PVR(thread->processor, value);
    }
    static uint32_t cooked_set(ThreadState *thread, uint32_t value, uint32_t)
    {
        ProcessorState *partition = thread->shared_processor;
        RAW_SET_PVR(partition, value & mask(&partition->PVR));
        return partition->PVR.value;
    }
};

// Time registers: values computed or applied through the time-base and decrementer state.
template <> struct Rules<REG_ID_TB> : DefaultRules<REG_ID_TB> {
    static uint64_t raw_get(ThreadState *thread)
    {
        return thread->processor ? ProcessorState__GetTB(thread->processor) : 0;
    }
    static void raw_set(ThreadState *thread, uint64_t value)
    {
        if (thread->processor) RAW_SET_TB(thread->processor, value);
    }
    static uint64_t cooked_get(ThreadState *thread, uint32_t)
    {
        return ProcessorState__GetTB(thread->shared_processor);
    }
    static uint64_t cooked_set(ThreadState *thread, uint64_t value, uint32_t)
    {
        ProcessorState *partition = thread->shared_processor;
        RAW_SET_TB(partition, value & mask(&partition->TB));
        return ProcessorState__GetTB(partition);
    }
};

template <> struct Rules<REG_ID_TBU> : DefaultRules<REG_ID_TBU> {
    static uint32_t raw_get(ThreadState *thread)
    {
        return thread->processor ? ProcessorState__GetTBU(thread->processor) : 0;
    }
    static void raw_set(ThreadState *thread, uint32_t value)
    {
        if (thread->processor) RAW_SET_TBU(thread->processor, value);
    }
    static uint32_t cooked_get(ThreadState *thread, uint32_t)
    {
        return ProcessorState__GetTBU(thread->shared_processor);
    }
    static uint32_t cooked_set(ThreadState *thread, uint32_t value, uint32_t)
    {
        ProcessorState *partition = thread->shared_processor;
        RAW_SET_TBU(partition, value & mask(&partition->TBU));
        return ProcessorState__GetTBU(partition);
    }
};

template <> struct Rules<REG_ID_TBL> : DefaultRules<REG_ID_TBL> {
    static uint32_t raw_get(ThreadState *thread)
    {
        return thread->processor ? ProcessorState__GetTBL(thread->processor) : 0;
    }
    static void raw_set(ThreadState *thread, uint32_t value)
    {
        if (thread->processor) RAW_SET_TBL(thread->processor, value);
    }
    static uint32_t cooked_get(ThreadState *thread, uint32_t)
    {
        return ProcessorState__GetTBL(thread->shared_processor);
    }
    static uint32_t cooked_set(ThreadState *thread, uint32_t value, uint32_t)
    {
        ProcessorState *partition = thread->shared_processor;
        RAW_SET_TBL(partition, value & mask(&partition->TBL));
        return ProcessorState__GetTBL(partition);
    }
};

template <> struct Rules<REG_ID_HDEC> : DefaultRules<REG_ID_HDEC> {
    static uint32_t raw_get(ThreadState *thread)
    {
        return thread->processor ? ProcessorState__GetHDEC(thread->processor) : 0;
    }
    static void raw_set(ThreadState *thread, uint32_t value)
    {
        if (thread->processor) ProcessorState__SetHDEC(thread->processor, value);
    }
    static uint32_t cooked_get(ThreadState *thread, uint32_t)
    {
        return ProcessorState__GetHDEC(thread->shared_processor);
    }
    static uint32_t cooked_set(ThreadState *thread, uint32_t value, uint32_t)
    {
        ProcessorState *partition = thread->shared_processor;
        ProcessorState__SetHDEC(partition, value & mask(&partition->HDEC));
        return ProcessorState__GetHDEC(partition);
    }
};

template <> struct Rules<REG_ID_DEC> : DefaultRules<REG_ID_DEC> {
    static uint32_t raw_get(ThreadState *thread) { return ThreadState__GetDEC(thread); }
    static void raw_set(ThreadState *thread, uint32_t value) { ThreadState__SetDEC(thread, value); }
    static uint32_t cooked_get(ThreadState *thread, uint32_t) { return ThreadState__GetDEC(thread); }
    static uint32_t cooked_set(ThreadState *thread, uint32_t value, uint32_t)
    {
        ThreadState__SetDEC(thread, value & mask(&thread->DEC));
        return ThreadState__GetDEC(thread);
    }
};

template <> struct Rules<REG_ID_PURR> : DefaultRules<REG_ID_PURR> {
    static uint64_t raw_get(ThreadState *thread) { return RAW_GET_PURR(thread); }
    static void raw_set(ThreadState *thread, uint64_t value) { RAW_SET_PURR(thread, value); }
    static uint64_t cooked_get(ThreadState *thread, uint32_t) { return RAW_GET_PURR(thread); }
    static uint64_t cooked_set(ThreadState *thread, uint64_t value, uint32_t)
    {
        RAW_SET_PURR(thread, value & mask(&thread->PURR));
        return RAW_GET_PURR(thread);
    }
};

template <> struct Rules<REG_ID_SPURR> : DefaultRules<REG_ID_SPURR> {
    static uint64_t raw_get(ThreadState *thread) { return RAW_GET_SPURR(thread); }
    static void raw_set(ThreadState *thread, uint64_t value) { RAW_SET_SPURR(thread, value); }
    static uint64_t cooked_get(ThreadState *thread, uint32_t) { return RAW_GET_SPURR(thread); }
    static uint64_t cooked_set(ThreadState *thread, uint64_t value, uint32_t)
    {
        RAW_SET_SPURR(thread, value & mask(&thread->SPURR));
        return RAW_GET_SPURR(thread);
    }
};

// The performance-monitor counters fire no triggers at the instruction level.
template <int Id> struct CounterRules : DefaultRules<Id> {
    static constexpr bool triggers = false;
};
template <> struct Rules<REG_ID_PMC1> : CounterRules<REG_ID_PMC1> {
};
template <> struct Rules<REG_ID_PMC2> : CounterRules<REG_ID_PMC2> {
};
template <> struct Rules<REG_ID_PMC3> : CounterRules<REG_ID_PMC3> {
};
template <> struct Rules<REG_ID_PMC4> : CounterRules<REG_ID_PMC4> {
};
template <> struct Rules<REG_ID_PMC5> : CounterRules<REG_ID_PMC5> {
};
template <> struct Rules<REG_ID_PMC6> : CounterRules<REG_ID_PMC6> {
};

// ---- instruction level ----

// Reads the register for an instruction, then offers the value to its read triggers (only noted
// while the instruction is in flight in the cycle-level core).
template <int Id> inline typename RegDef<Id>::V instruction_get(IOPDesc *iop, uint32_t kind)
{
    ThreadState *thread = iop->thread;
    typename RegDef<Id>::V value = Rules<Id>::cooked_get(thread, kind);
    if constexpr (Rules<Id>::triggers) {
        Reg_Trigger_Desc *record = RegDef<Id>::own(thread)->trigger;
        if (Reg_Read_Triggers_Armed(record)) {
            if (iop->defer_side_effects)
                iop->deferred_triggers |= DEFERRED_READ_TRIGGER;
            else
                Invoke_Reg_Read_Triggers(iop, record, value);
        }
    }
    return value;
}

// Writes the register for an instruction: the write triggers see the old and the unmasked new
// value before the register changes; the result is the register read back.
template <int Id> inline typename RegDef<Id>::V instruction_set(IOPDesc *iop, typename RegDef<Id>::V value)
{
    ThreadState *thread = iop->thread;
    uint64_t old = Rules<Id>::cooked_get(thread, REG_ACCESS_INSTRUCTION);
    if constexpr (Rules<Id>::triggers) {
        Reg_Trigger_Desc *record = RegDef<Id>::own(thread)->trigger;
        if (Reg_Write_Triggers_Armed(record)) {
            if (iop->defer_side_effects)
                iop->deferred_triggers |= DEFERRED_WRITE_TRIGGER;
            else
                Invoke_Reg_Write_Triggers(iop, record, &old, value);
        }
    }
    (void)old;
    Rules<Id>::cooked_set(thread, value, REG_ACCESS_INSTRUCTION);
    return Rules<Id>::cooked_get(thread, REG_ACCESS_INSTRUCTION);
}

} // namespace quarn_registers
