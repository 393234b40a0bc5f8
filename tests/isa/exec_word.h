// Runs single instruction words on a hand-made thread: a core with its threads and every register
// defined (tests/processor/register_fixture.h), the options of the Ervik processor type that the
// fixed-point, branch, move and system code reads (on by default for that type), a 64-bit hypervisor MSR, and
// for each word a fresh IOPDesc decoded through DecodeInstr whose row's semantic routine is called. Tests
// then look at the registers, XER, CR, PC and the exceptions filed on the IOPDesc.
//
// Memory: memory() gives the machine chip 0 with its memory map and RAM from address 0, a memory
// client per thread, a cache-block size and reservation granule of 128 bytes and the default
// memory tags; read()/write() reach the RAM as the chip map's client, big-endian.
//
// Trigger helpers: a Tcl interpreter whose procedure "record" appends its arguments to ::fired,
// and associative triggers defined by name (the test double of the trigger-table lookup lives in
// after_instruction_test.cpp).
#pragma once

#include <gtest/gtest.h>
#include <tcl.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "decode/decoder.h"
#include "decode/instr_info.h"
#include "memory/memory_map.h"
#include "memory/memory_tags.h"
#include "memory/ram_block.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/sim_support_halt.h"
#include "processor/records/exception_record.h"
#include "processor/records/mcm.h"
#include "processor/register_fixture.h"
#include "processor/regs/ppc_bits.h"
#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/triggers.h"

// ---- test doubles (after_instruction_test.cpp) ----

// The trigger table of every ExecWord machine, with the machine's event names; Define gives a name
// its command, Clear deactivates them all.
inline constexpr const char *TEST_ASSOC_NAMES[] = {"ATTN",         "BRANCH_SELF", "CALLTHRU",  "NOOP",
                                                   "OBJECT_LOAD",  "PTE_LOAD",    "QUIT_MACHINE",
                                                   "THREAD_RUN",   "THREAD_STALL"};
inline TriggerTable *Test_Assoc_Table()
{
    static TriggerTable *table = [] {
        TriggerTable *made = QUARN_ZALLOC(1, TriggerTable);
        for (const char *name : TEST_ASSOC_NAMES) Assoc_Trigger_Register(made, name);
        return made;
    }();
    return table;
}
inline void Test_Assoc_Define(const char *name, const char *command)
{
    Assoc_Trigger_Set(Test_Assoc_Table(), name, command);
}
inline void Test_Assoc_Clear()
{
    TriggerTable *table = Test_Assoc_Table();
    for (const char *name : TEST_ASSOC_NAMES) Assoc_Trigger_Clear(table, name);
    table->assoc_count = 0;
}

// Calls of the cache model's entries and of the plug-in events (cache_test.cpp), cleared by
// Test_Storage_Calls_Clear.
struct TestStorageCall {
    std::string name; // "Cache_dcbt", ..., "Event_DCBZ_Start_End", ...
    ThreadState *thread;
    MemoryClient *client;
    uint64_t ea, pa;
    int64_t size; // the access size, the dcbz size, the sync kind or the attn code
};
extern std::vector<TestStorageCall> test_storage_calls;
void Test_Storage_Calls_Clear();
// The calls of one name.
std::vector<TestStorageCall> Test_Storage_Calls(const char *name);

// A Tcl interpreter installed as the simulator's, with the procedure "record".
class TclRecorder
{
  public:
    TclRecorder()
    {
        interp = Tcl_CreateInterp();
        saved = quarn_common.interpreter;
        quarn_common.interpreter = interp;
        Tcl_Eval(interp, "set ::fired {}; proc record {args} { lappend ::fired $args }");
    }
    ~TclRecorder()
    {
        quarn_common.interpreter = saved;
        Tcl_DeleteInterp(interp);
    }
    TclRecorder(const TclRecorder &) = delete;
    TclRecorder &operator=(const TclRecorder &) = delete;
    std::string fired() { return Tcl_GetVar(interp, "fired", TCL_GLOBAL_ONLY); }
    // How many recorded firings name the register.
    int count(const std::string &reg)
    {
        std::string all = fired(), key = "reg " + reg + " ";
        int n = 0;
        for (size_t at = all.find(key); at != std::string::npos; at = all.find(key, at + 1))
            n++;
        return n;
    }
    void clear() { Tcl_SetVar(interp, "fired", "", TCL_GLOBAL_ONLY); }

  private:
    Tcl_Interp *interp;
    Tcl_Interp *saved;
};

class ExecWord
{
  public:
    // settings: configuration keys (register masks, initial values) applied before the registers
    // are defined; views: partition views of a split core.
    explicit ExecWord(std::initializer_list<std::pair<const char *, const char *>> settings = {},
                      int threads = 1, int views = 0)
        : core(threads, views)
    {
        if (!DecodeInstr) SelectDecoder("Ervik");
        for (const auto &[key, value] : settings)
            core.set(key, value);
        core.build();
        t = core.thread(0);
        for (uint32_t option : std::initializer_list<uint32_t>{
                 PO_TAGS_ACTIVE, PO_XER_OC_BEHAVIOR, PO_XER_SET_OV_REPORTS_SO, PO_MAX_SUPPORTED,
                 PO_FXCC_FIELD_IN_XER, PO_BCCTR_CAN_DECREMENT_CTR,
                 // logical, rotate, multiply, divide, moves, system calls and power saving
                 PO_DIVW_CLEARS_RT0_31, PO_MULHW_DOUBLES, PO_DIVDE_SUPPORTED, PO_DIVWE_SUPPORTED,
                 PO_DIVIDE_W_UPDATE_DO_NOT_SET_XER_OV, PO_KNOW_OR_NOP, PO_KNOW_ORI_NOP, PO_KNOW_ORI_ZERO_NOP,
                 PO_KNOW_AND_ZERO_NOP, PO_POPCNTB_SUPPORTED, PO_POPCNTW_SUPPORTED, PO_POPCNTD_SUPPORTED,
                 PO_BPERMD_SUPPORTED, PO_POWERPC_V202, PO_POWERPC_V206,
                 PO_ARITHMETIC_SHIFT_FORCES_XER_OC_ZERO, PO_MFTB_SUPPORTED, PO_MFOCRF_SUPPORTED,
                 PO_MTOCRF_SUPPORTED, PO_OMFCR_BITS_ZERO, PO_OMFCR_IGNORE_INVALID, PO_OMFCR_DOUBLES_NIBBLE,
                 PO_OMFCR_CRM_EQ_0_MOVES_CR8, PO_SC00_FORM_SUPPORTED, PO_SCV_SUPPORTED,
                 PO_NAP_OPS_VALID_HV_MODE_ONLY})
            core.core->options[option] = 1;
        t->MSR.value = MSR_SF | MSR_HV;
        t->PC.value = 0x1000;
        core.test_machine.machine.trigger_table = Test_Assoc_Table();
        iop = core.iop();
        made.push_back(iop);
    }
    ~ExecWord()
    {
        core.test_machine.machine.trigger_table = nullptr;
        for (IOPDesc *record : made)
            Discard_Instruction_Bound_Exceptions(record, 0);
        for (int i = 0; i < (int)core.core->num_threads; i++)
            Quit_ExceptionPool(&core.thread(i)->exception_pool);
    }
    ExecWord(const ExecWord &) = delete;
    ExecWord &operator=(const ExecWord &) = delete;

    void option(uint32_t index, uint32_t value = 1) { core.core->options[index] = value; }

    // A chip with RAM [0, ram_size) and a memory client for each thread.
    void memory(uint64_t ram_size = 0x40000)
    {
        TestMachine &m = core.test_machine;
        m.create_chips();
        chip = m.chip();
        chip->reservation_granule = 128;
        m.machine.cache_block_size = 128;
        MemMap_Define(chip, "RAM", &G_MMAPI_RAM, 0, ram_size - 1, nullptr);
        Default_Init_Memory_Tag_Structures(&m.machine);
        core.core->mcm = chip;
        for (int i = 0; i < (int)core.core->num_threads; i++) {
            ThreadState *thread = core.thread(i);
            thread->mcm = chip;
            thread->memory_client = MemoryClientCreate(&m.machine, chip, thread->name, (uint32_t)i);
            thread->memory_client->thread = thread;
        }
    }
    // Another RAM block of the chip (for a second range such as the cache-inhibited window).
    void more_memory(const char *name, uint64_t start, uint64_t size)
    {
        MemMap_Define(chip, name, &G_MMAPI_RAM, start, start + size - 1, nullptr);
    }
    uint64_t read(uint64_t address, int size)
    {
        uint64_t value = 0;
        EXPECT_EQ(Read_Mapped_Memory_Reg(t->memory_client, address, size, &value, 0, 1), 1);
        return value;
    }
    void write(uint64_t address, int size, uint64_t value)
    {
        EXPECT_EQ(Write_Mapped_Memory_Reg(t->memory_client, address, size, value, 0), 1);
    }
    void little_endian() { t->MSR.value |= MSR_LE; }
    void mode32() { t->MSR.value &= ~MSR_SF; }
    void mode64() { t->MSR.value |= MSR_SF; }
    uint64_t &gpr(int n) { return t->GPR[n].value; }
    uint64_t &xer() { return t->XER.value; }
    uint32_t &cr() { return t->CR.value; }

    // A fresh IOPDesc of the thread for the word, decoded; not run.
    IOPDesc *prepare(uint32_t word)
    {
        iop = core.iop();
        made.push_back(iop);
        iop->word = word;
        iop->row = DecodeInstr(instruction_info_table, word);
        return iop;
    }
    // Decodes the word and runs its row's routine on a fresh IOPDesc; returns the routine's result.
    int run(uint32_t word)
    {
        prepare(word);
        return iop->row->semantic(iop);
    }
    const char *mnemonic() const { return iop->row ? iop->row->mnemonic : ""; }
    // The first exception the last instruction raised (null when none).
    PowerPCException *raised() const { return iop->exceptions; }

    TestCore core;
    ThreadState *t = nullptr;
    MCM *chip = nullptr;
    IOPDesc *iop = nullptr;

  private:
    std::vector<IOPDesc *> made;
};

// Instruction encodings.
inline uint32_t XO_FORM(uint32_t xo, uint32_t rt, uint32_t ra, uint32_t rb, uint32_t rc = 0)
{
    return (31u << 26) | (rt << 21) | (ra << 16) | (rb << 11) | (xo << 1) | rc;
}
inline uint32_t D_FORM(uint32_t opcode, uint32_t rt, uint32_t ra, uint32_t immediate)
{
    return (opcode << 26) | (rt << 21) | (ra << 16) | (immediate & 0xFFFF);
}
// M-form word rotates (rlwinm 21, rlwnm 23, rlwimi 20): SH is RB's field for rlwnm.
inline uint32_t M_FORM(uint32_t opcode, uint32_t rs, uint32_t ra, uint32_t sh, uint32_t mb, uint32_t me,
                       uint32_t rc = 0)
{
    return (opcode << 26) | (rs << 21) | (ra << 16) | (sh << 11) | (mb << 6) | (me << 1) | rc;
}
// MD-form doubleword rotates (xo: rldicl 0, rldicr 1, rldic 2, rldimi 3), 6-bit sh and mb/me.
inline uint32_t MD_FORM(uint32_t xo, uint32_t rs, uint32_t ra, uint32_t sh, uint32_t mb, uint32_t rc = 0)
{
    return (30u << 26) | (rs << 21) | (ra << 16) | ((sh & 31) << 11) | ((mb & 31) << 6) | ((mb >> 5) << 5) |
           (xo << 2) | ((sh >> 5) << 1) | rc;
}
// MDS-form rldcl (xo 8) and rldcr (xo 9).
inline uint32_t MDS_FORM(uint32_t xo, uint32_t rs, uint32_t ra, uint32_t rb, uint32_t mb, uint32_t rc = 0)
{
    return (30u << 26) | (rs << 21) | (ra << 16) | (rb << 11) | ((mb & 31) << 6) | ((mb >> 5) << 5) |
           (xo << 1) | rc;
}
// XS-form sradi.
inline uint32_t SRADI(uint32_t rs, uint32_t ra, uint32_t sh, uint32_t rc = 0)
{
    return (31u << 26) | (rs << 21) | (ra << 16) | ((sh & 31) << 11) | (413u << 2) | ((sh >> 5) << 1) | rc;
}
inline uint32_t DS_FORM(uint32_t opcode, uint32_t rt, uint32_t ra, int32_t displacement, uint32_t xo)
{
    return (opcode << 26) | (rt << 21) | (ra << 16) | ((uint32_t)displacement & 0xFFFC) | xo;
}
