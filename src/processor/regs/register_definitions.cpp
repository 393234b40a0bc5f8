// The register definitions of a thread and of a processor: every slot of the records bound to an
// entry of its owner's register file and to the processor's shared description of that name.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/ctrl.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/register_file.h"
#include "processor/time/time_base.h"
#include "processor/time/time_registers.h"

namespace
{

constexpr int32_t kind_of_width(int width)
{
    return width == 32 ? REG_TYPE_REG32 : REG_TYPE_REG64;
}

// "<prefix><n>" in a buffer of its own.
struct IndexedName {
    char text[32];
    IndexedName(const char *prefix, int n) { snprintf(text, sizeof text, "%s%d", prefix, n); }
};

// The registers marked special after the last definition, in this order.
constexpr const char *LATE_SPECIAL[] = {"SCOMD", "TRIG0", "TRIG1", "TRIG2", "DEC", "PID", "TFMR"};

// The named thread registers marked special right after their own definition.
bool special_at_definition(const char *name)
{
    for (const char *s :
         {"MSR", "CR", "FPSCR", "FPSCR_CHANGE", "VSCR", "VSCR_CHANGE", "FPR_INVALID_MAP", "CTRL", "PC"})
        if (strcmp(s, name) == 0) return true;
    return false;
}

// Raw accessors of a named register of that width.
template <int Width> struct ByWidth;
template <> struct ByWidth<32> {
    static constexpr RegGenericRead read = Read_Register_Reg32;
    static constexpr RegGenericWrite write = Write_Register_Reg32;
};
template <> struct ByWidth<64> {
    static constexpr RegGenericRead read = Read_Register_Reg64;
    static constexpr RegGenericWrite write = Write_Register_Reg64;
};

} // namespace

void Define_Thread_Registers(ThreadState *t)
{
    ProcessorState *p = t->processor;
    for (int n = 0; n < NUM_GPRS; n++)
        Define_Register(nullptr, nullptr, t, IndexedName("GPR", n).text, REG_TYPE_REG64, n, 8, &t->GPR[n],
                        Read_Register_GPR, Write_Register_GPR, nullptr, nullptr);
    for (int n = 0; n < NUM_VSRS; n++)
        Define_Register(nullptr, nullptr, t, IndexedName("VSR", n).text, REG_TYPE_REG128, n, 16, &t->VSR[n],
                        Read_Register_VSR, Write_Register_VSR, nullptr, nullptr);
    for (int n = 0; n < NUM_BHRB_ENTRIES; n++)
        Define_Register(nullptr, nullptr, t, IndexedName("BHRBE", n).text, REG_TYPE_REG64, n, 8, &t->BHRBE[n],
                        Read_Register_Word, Write_Register_Word, nullptr, nullptr);
    for (int n = 0; t->slb && n < t->slb_entries; n++) {
        Define_Register(nullptr, nullptr, t, IndexedName("SLBE", n).text, REG_TYPE_REG64, n, 8,
                        &t->slb[n].SLBE, Read_Register_SLBE, Write_Register_SLBE, nullptr, nullptr);
        Define_Register(nullptr, nullptr, t, IndexedName("SLBV", n).text, REG_TYPE_REG64, n, 8,
                        &t->slb[n].SLBV, Read_Register_SLBV, Write_Register_SLBV, nullptr, nullptr);
    }

    // The named registers; FPSCR has its own raw accessors.
#define QUARN_DEFINE_NAMED(member, file_name, width, owner, family)                                          \
    {                                                                                                        \
        bool fpscr = strcmp(file_name, "FPSCR") == 0;                                                        \
        Define_Register(nullptr, nullptr, t, file_name, kind_of_width(width), 0, width / 8, &t->member,      \
                        fpscr ? Read_Register_FPSCR : ByWidth<width>::read,                                  \
                        fpscr ? Write_Register_FPSCR : ByWidth<width>::write,                                \
                        (RegCookedFn)tCOOKED_GET_##member, (RegCookedFn)tCOOKED_SET_##member);               \
        if (special_at_definition(file_name) && p)                                                           \
            make_register_special(&p->register_descriptions, file_name);                                     \
    }
    QUARN_THREAD_REGISTERS(QUARN_DEFINE_NAMED)
#undef QUARN_DEFINE_NAMED

    if (p)
        for (const char *name : LATE_SPECIAL)
            make_register_special(&p->register_descriptions, name);
}

void Define_Processor_Registers(ProcessorState *p)
{
    Init_TimeBase(p);
    Init_HDecrementer(p);
    ThreadState *owner = p->num_threads && p->threads ? &p->threads[0] : nullptr;
    Define_Register(nullptr, p, owner, "CTRL", REG_TYPE_REG32, 0, 4, &p->CTRL, Read_Register_CTRL,
                    Write_Register_CTRL, nullptr, nullptr);
#define QUARN_DEFINE_CORE(member, file_name, width, owner_kind, family)                                      \
    Define_Register(nullptr, p, owner, file_name, kind_of_width(width), 0, width / 8, &p->member,            \
                    ByWidth<width>::read, ByWidth<width>::write, (RegCookedFn)tCOOKED_GET_##member,          \
                    (RegCookedFn)tCOOKED_SET_##member);
    QUARN_CORE_REGISTERS(QUARN_DEFINE_CORE)
#undef QUARN_DEFINE_CORE
}
