// Interrupts end to end on a hand-made Ervik thread: the exception table and subtype texts, the
// filing of raised records on the instruction, the thread's queue, delivery into the save/restore
// registers with the new MSR and PC, the MSR write, the trace interrupt and machine checks.
#include <string>

#include "interrupts/exception_table.h"
#include "interrupts/exception_types.h"
#include "interrupts/interrupt_delivery.h"
#include "interrupts/interrupt_queue.h"
#include "interrupts/interrupt_raisers.h"
#include "interrupts/msr_write.h"
#include "isa/exec_word.h"
#include "mmu/machine_check.h"
#include "mmu/physical_access.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/translation/xlate_version.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"

namespace
{

constexpr uint32_t TW_31_0_0 = 0x7FE00008; // unconditional trap
constexpr uint32_t NOP = 0x60000000;
constexpr uint64_t HV_REAL = MSR_SF | MSR_HV | MSR_ME;

class Interrupts : public ::testing::Test
{
  protected:
    Interrupts()
    {
        Init_ExceptionStructures();
        saved_stop = stop_simulation;
        stop_simulation = 0;
        ew.core.core->processor_type = 15; // Ervik
        ew.t->MSR.value = HV_REAL;
        ew.t->decrementer = &dec;
        dec.value = 0x7FFFFFFF;
    }
    ~Interrupts() override
    {
        ThreadState *t = ew.t;
        for (PowerPCException *&slot : t->persistent_exceptions)
            slot = nullptr;
        while (PowerPCException *record = t->interrupt_queue.head) {
            UnScheduleException(t, record, "test end");
            FreeException(record, __FILE__, __LINE__);
        }
        t->current_iop = nullptr;
        t->decrementer = nullptr;
        stop_simulation = saved_stop;
        standalone_mode = 0;
    }

    // A fresh instruction record for the word with the thread's MSR recorded, as the interpreter
    // prepares it.
    IOPDesc *prepare(uint32_t word)
    {
        IOPDesc *iop = ew.prepare(word);
        iop->msr = iop->start_msr = ew.t->MSR.value;
        iop->fetch.ea = iop->fetch.xlate_ea = ew.t->PC.value;
        ew.t->current_iop = iop;
        return iop;
    }
    // Runs the word the way the interpreter does: the semantic routine, the flush of what it
    // raised, then delivery. Returns the delivered type (0 none).
    int32_t step(uint32_t word)
    {
        IOPDesc *iop = prepare(word);
        iop->row->semantic(iop);
        FlushException(iop);
        return CheckInterrupts(iop, 1) ? iop->delivered_type : 0;
    }
    int queued()
    {
        int n = 0;
        for (PowerPCException *r = ew.t->interrupt_queue.head; r; r = r->next)
            n++;
        return n;
    }
    PowerPCException *record(int32_t type, int32_t subtype = 0)
    {
        return ThreadState__New_Exception(ew.t, type, subtype);
    }

    ExecWord ew;
    DECREMENTER dec{};
    uint32_t saved_stop = 0;
};

// ---- table, pools and subtype texts ----

TEST_F(Interrupts, TableRowsAndNames)
{
    EXPECT_STREQ(Exception_Type_Name(0), "Illegal Interrupt Table Entry");
    EXPECT_STREQ(Exception_Type_Name(54), "IRPT_CTL_EBB_HYPER");
    EXPECT_EQ(Exception_Type_Name(55), nullptr);
    EXPECT_STREQ(Exception_Type_Name(45), "VECTORED_SYSTEM_CALL");
    EXPECT_EQ(ExceptionInterruptAddress(45), 0xFFFFFFFFFF003000ull);
    EXPECT_EQ(ExceptionInterruptAddress(23), ExceptionInterruptAddress(43)); // TM and facility share 0xF60
    EXPECT_EQ(ExceptionInfo[2].priority, 0x304);

    EXPECT_EQ(est_string(0), nullptr);
    EXPECT_STREQ(est_string(248), "DSI: Page Fault");
    EXPECT_STREQ(est_string(304), "PROGRAM: MMU Bad Thing - LPCR[BoT]=1 &  HR=1 & GR=0");
    EXPECT_STREQ(est_string(6), est_string(24));
    EXPECT_STRNE(est_string(6), est_string(7));
    for (int code = 1; code <= 304; code++)
        EXPECT_NE(est_string(code), nullptr) << code;
}

TEST_F(Interrupts, FamilyPrioritiesOrderBySubtype)
{
    struct Case {
        uint32_t processor_type;
        int32_t type, subtype, priority;
    } cases[] = {
        {15, EXC_DATA_STORAGE, 248, 0x30907},                               // Ervik: Glent table
        {15, EXC_DATA_STORAGE, 0, 0x30900},   {6, EXC_PROGRAM, 218, 0x301}, // FENDRA: low byte replaced
        {6, EXC_PROGRAM, 0, 0x304},           {21, EXC_DATA_STORAGE, 248, 0x30908}, // DURN
        {11, EXC_DATA_STORAGE, 248, 0x30907},                                       // Dravo
        {1, EXC_DATA_STORAGE, 248, 0x309},                                          // no family
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.processor_type << "/" << c.subtype);
        ew.core.core->processor_type = c.processor_type;
        PowerPCException *r = record(c.type, c.subtype);
        EXPECT_EQ(r->priority, c.priority);
        FreeException(r, __FILE__, __LINE__);
    }
    // Subtype 0 is ordered ahead of 248 on Ervik.
    ew.core.core->processor_type = 15;
    IOPDesc *iop = prepare(NOP);
    Take_Care_Of_Exception(iop, IOP_New_Exception(iop, EXC_DATA_STORAGE, 248), "late");
    Take_Care_Of_Exception(iop, IOP_New_Exception(iop, EXC_DATA_STORAGE, 0), "first");
    EXPECT_EQ(iop->exceptions->subtype, 0);
}

TEST_F(Interrupts, PoolsAndListRemoval)
{
    PowerPCException *orphan = GetException(nullptr);
    FreeException(orphan, __FILE__, __LINE__);
    EXPECT_EQ(Free_Exception_Pool_Head, orphan);
    Quit_ExceptionPool(&ew.t->exception_pool);
    EXPECT_EQ(GetException(ew.t), orphan);
    EXPECT_EQ(orphan->thread, ew.t);

    PowerPCException *a = record(EXC_EXTERNAL), *b = record(EXC_PERF_MONITOR);
    PowerPCException *list = a;
    a->next = a->prev = nullptr;
    interrupt_removeException(&list, b); // not in the list: neither unlinked nor freed
    EXPECT_EQ(list, a);
    EXPECT_NE(ew.t->exception_pool, b);
    interrupt_removeException(&list, a);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(ew.t->exception_pool, a);
    FreeException(b, __FILE__, __LINE__);
    FreeException(orphan, __FILE__, __LINE__);
}

// ---- filing and flushing ----

TEST_F(Interrupts, EqualPrioritiesKeepTheFirstAndDiscardTheRest)
{
    IOPDesc *iop = prepare(NOP);
    PowerPCException *first =
        Take_Care_Of_Exception(iop, IOP_New_Exception(iop, EXC_FP_UNAVAILABLE, 0), "one");
    PowerPCException *second =
        Take_Care_Of_Exception(iop, IOP_New_Exception(iop, EXC_VSX_UNAVAILABLE, 0), "two");
    ASSERT_NE(second, nullptr);
    // The same type, subtype and address again is a duplicate, freed silently.
    EXPECT_EQ(Take_Care_Of_Exception(iop, IOP_New_Exception(iop, EXC_VSX_UNAVAILABLE, 0), "two"), nullptr);
    SinkCapture sink;
    FlushException(iop);
    EXPECT_EQ(iop->exceptions, nullptr);
    EXPECT_EQ(ew.t->interrupt_queue.head, first);
    EXPECT_EQ(queued(), 1);
    EXPECT_EQ(sink.text(), "INFO: instruction discarded exception of type VSX_UNAVAILABLE (two)\n");
}

TEST_F(Interrupts, AddressOrderWithTheOption)
{
    struct Case {
        const char *what;
        int32_t type_a;
        uint64_t address_a;
        int32_t type_b;
        uint64_t address_b;
        int32_t first_type;
    } cases[] = {
        {"lower address wins over priority", EXC_DATA_STORAGE, 0x2000, EXC_ALIGNMENT, 0x1000, EXC_ALIGNMENT},
        {"negative addresses sort low", EXC_DATA_STORAGE, 0x1000, EXC_ALIGNMENT, 0xFFFF000000000010ull,
         EXC_ALIGNMENT},
        {"equal addresses fall back to priority", EXC_ALIGNMENT, 0x1000, EXC_DATA_STORAGE, 0x1000,
         EXC_DATA_STORAGE},
    };
    ew.option(PO_EXCEPTION_ADDRESS_OVERRIDES_PRIORITY);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        IOPDesc *iop = prepare(NOP);
        for (auto [type, address] : {std::pair{c.type_a, c.address_a}, std::pair{c.type_b, c.address_b}}) {
            PowerPCException *r = IOP_New_Exception(iop, type, 0);
            r->address = address;
            r->address_valid = 1;
            Take_Care_Of_Exception(iop, r, "x");
        }
        EXPECT_EQ(iop->exceptions->type, c.first_type);
    }
    // Without the option the priority decides.
    ew.option(PO_EXCEPTION_ADDRESS_OVERRIDES_PRIORITY, 0);
    IOPDesc *iop = prepare(NOP);
    for (auto [type, address] : {std::pair{EXC_DATA_STORAGE, 0x2000}, std::pair{EXC_ALIGNMENT, 0x1000}}) {
        PowerPCException *r = IOP_New_Exception(iop, type, 0);
        r->address = (uint64_t)address;
        r->address_valid = 1;
        Take_Care_Of_Exception(iop, r, "x");
    }
    EXPECT_EQ(iop->exceptions->type, EXC_DATA_STORAGE);
}

TEST_F(Interrupts, SystemCallReturnAddressesAndVectors)
{
    ew.t->PC.value = 0x700;
    IOPDesc *iop = prepare(NOP);
    iop->length = 4;
    PowerPCException *hv = interrupt_HvSystemCall(iop);
    ASSERT_NE(hv, nullptr);
    EXPECT_EQ(hv->instruction_address, 0x704u);
    EXPECT_EQ(hv->vector, 0xC00u);

    iop = prepare(NOP);
    iop->length = 4;
    PowerPCException *scv = interrupt_VectoredSystemCall(iop, 0x85);
    ASSERT_NE(scv, nullptr);
    EXPECT_EQ(scv->vector, 0xFFFFFFFFFF003000ull | 0xA0);
    EXPECT_EQ(scv->instruction_address, 0x704u);
    EXPECT_EQ(scv->msr_at_instruction, ~0ull); // straight from the pool
}

TEST_F(Interrupts, TestGeneratorInterruptControl)
{
    struct Case {
        uint64_t control;
        int32_t type;
        uint64_t vector;
        int no_relocation, save_to, hypervisor;
    } cases[] = {
        {0x50B, EXC_IRPT_CTL_EBB, 0x508, 1, 2, 0},
        {0x508, EXC_IRPT_CTL_HYPER, 0x500, 0, 1, 1},
        {0x200, EXC_IRPT_CTL, 0x200, 0, 0, 1}, // machine check goes to the hypervisor by SRR0/SRR1
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.control);
        ew.t->IRPT_CTL.value = c.control;
        ew.t->IRPT_CTL_MSR.value = 0x10;
        ew.t->IRPT_CTL_MSR_MASK.value = 0x30;
        IOPDesc *iop = prepare(NOP);
        EXPECT_EQ(process_wolk_IRPT_CTL_interrupt(iop), 1);
        PowerPCException *r = iop->exceptions;
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->type, c.type);
        EXPECT_EQ(r->subtype, EST_IRPT_CTL);
        EXPECT_EQ(r->vector, c.vector);
        EXPECT_EQ(r->no_relocation, c.no_relocation);
        EXPECT_EQ(r->save_to, c.save_to);
        EXPECT_EQ(r->hypervisor, c.hypervisor);
        EXPECT_EQ(r->msr_override_mask, 0x30u);
        EXPECT_EQ(ew.t->IRPT_CTL.value, 0u);
        EXPECT_EQ(ew.t->IRPT_CTL_MSR_MASK.value, 0u);
    }
    EXPECT_EQ(process_wolk_IRPT_CTL_interrupt(prepare(NOP)), 0);
}

// ---- the queue ----

TEST_F(Interrupts, QueueOrdersByPriorityThenArrival)
{
    PowerPCException *a = record(EXC_EXTERNAL), *b = record(EXC_DECREMENTER), *c = record(EXC_SYSTEM_RESET);
    EXPECT_EQ(a->priority, 0x45000);
    for (PowerPCException *r : {a, b, c})
        ScheduleException(ew.t, r);
    PowerPCException *head = ew.t->interrupt_queue.head;
    ASSERT_EQ(queued(), 3);
    EXPECT_EQ(head, c);
    EXPECT_EQ(head->next, a);
    EXPECT_EQ(head->next->next, b);
    EXPECT_EQ(b->prev, a);
}

TEST_F(Interrupts, DecrementerIsQueuedOnceAndNeverStandalone)
{
    ASSERT_NE(interrupt_Decrementer(ew.t), nullptr);
    EXPECT_EQ(ew.t->pending_decrementer_exception, 1u);
    EXPECT_EQ(interrupt_Decrementer(ew.t), nullptr);
    EXPECT_EQ(queued(), 1);
    ASSERT_NE(interrupt_HV_Decrementer(ew.t), nullptr);
    EXPECT_EQ(interrupt_HV_Decrementer(ew.t), nullptr);
    EXPECT_EQ(queued(), 2);

    UnScheduleException(ew.t, ew.t->interrupt_queue.head->next, "test");
    ew.t->pending_decrementer_exception = 0;
    standalone_mode = 1;
    EXPECT_EQ(interrupt_Decrementer(ew.t), nullptr);
    EXPECT_EQ(ew.t->pending_decrementer_exception, 0u);
}

TEST_F(Interrupts, ExternalLineMakesOnePersistentRecord)
{
    EXPECT_EQ(raise_persistent_external(ew.t), 1);
    PowerPCException *line = ew.t->persistent_exceptions[0];
    EXPECT_EQ(raise_persistent_external(ew.t), 0);
    EXPECT_EQ(queued(), 1);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->persistent, 1);

    // Delivery leaves it queued; it is taken again while enabled.
    ew.t->MSR.value |= MSR_EE;
    EXPECT_EQ(step(NOP), EXC_EXTERNAL);
    EXPECT_EQ(ew.t->interrupt_queue.head, line);

    lower_persistent_exception(ew.t, 0);
    EXPECT_EQ(queued(), 0);
    EXPECT_EQ(ew.t->persistent_exceptions[0], nullptr);
    EXPECT_EQ(ew.t->exception_pool, line);
}

TEST_F(Interrupts, DoorbellWakesANappingThreadByLpcr)
{
    struct Case {
        int32_t type;
        uint64_t lpcr;
        int woke;
    } cases[] = {
        {EXC_P_DBELL, 0x8000, 1},  {EXC_P_DBELL, 0x10000, 1}, {EXC_P_DBELL, 0, 0},
        {EXC_H_DBELL, 0x10000, 0}, {EXC_H_DBELL, 0x8000, 1},  {EXC_EXTERNAL, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.type << " lpcr " << std::hex << c.lpcr);
        ew.t->x_smt_enable = 0;
        ew.t->stall_reason = 15; // nap
        ew.t->LPCR.value = c.lpcr;
        PowerPCException *r = record(c.type);
        ScheduleException(ew.t, r);
        EXPECT_EQ(r->woke_thread, c.woke);
        EXPECT_EQ(ew.t->interrupt_queue.head, r); // queued either way
        UnScheduleException(ew.t, r, "test");
        FreeException(r, __FILE__, __LINE__);
    }
}

TEST_F(Interrupts, FacilityChecksByState)
{
    struct Case {
        const char *what;
        uint64_t msr, hfscr, fscr;
        int32_t facility;
        int result;
        int32_t raised;
    } cases[] = {
        {"hypervisor state", MSR_SF | MSR_HV, 0, 0, 2, 1, 0},
        {"guest, HFSCR bit clear", MSR_SF, 0, 0, 2, 0, EXC_HYPER_FACILITY_UNAVAILABLE},
        {"guest kernel, FSCR not asked", MSR_SF, 0x4, 0, 2, 1, 0},
        {"problem state, FSCR bit clear", MSR_SF | MSR_PR, 0x4, 0, 2, 0, EXC_FACILITY_UNAVAILABLE},
        {"problem state, facility without FSCR bit", MSR_SF | MSR_PR, 0x1, 0, 0, 1, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ew.t->MSR.value = c.msr;
        ew.t->HFSCR.value = c.hfscr;
        ew.t->FSCR.value = c.fscr;
        IOPDesc *iop = prepare(NOP);
        EXPECT_EQ(Check_Facility_Enabled(iop, c.facility, "test"), c.result);
        EXPECT_EQ(iop->exceptions ? iop->exceptions->type : 0, c.raised);
    }
}

TEST_F(Interrupts, MediatedExternalFollowsLpcrMer)
{
    ew.t->MSR.value = MSR_SF | MSR_EE; // guest, EE on
    ew.t->LPCR.value = 0x800;          // MER
    IOPDesc *iop = prepare(NOP);
    CheckForMediatedInterrupt(iop);
    PowerPCException *r = ew.t->interrupt_queue.head;
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->type, EXC_MEDIATED_EXTERNAL);
    EXPECT_EQ(r->save_to, 1);
    EXPECT_EQ(r->srr1_set, 0x200000u);
    EXPECT_EQ(interrupt_MER(iop), nullptr); // one at a time
    CheckForMediatedInterruptOff(iop);      // MER still on
    EXPECT_EQ(queued(), 1);
    ew.t->LPCR.value = 0;
    CheckForMediatedInterruptOff(iop);
    EXPECT_EQ(queued(), 0);
    EXPECT_EQ(ew.t->exception_pool, r);
}

TEST_F(Interrupts, UnschedulingARecordNotQueuedIsAnError)
{
    PowerPCException *r = record(EXC_SYSTEM_ERROR);
    SinkCapture sink;
    UnScheduleException(ew.t, r, "why");
    EXPECT_EQ(sink.text(), "FATAL ERROR: UnSchedule Exception: Exception not found in list!!!!  " +
                               std::string(ew.t->name) + " : (Type=SYSTEM_ERROR Cause=why)\n\n");
    FreeException(r, __FILE__, __LINE__);
}

TEST_F(Interrupts, UnknownSprNameIsMinusOne)
{
    // Without an embedding handle's machine there is no processor to ask.
    EXPECT_EQ(LIBSIM__Find_SPR_Number(nullptr, "NO_SUCH_SPR"), -1);
}

// ---- delivery ----

TEST_F(Interrupts, TrapDeliversProgramWithTheSavedImage)
{
    const uint64_t msr = HV_REAL | MSR_EE | 0x787F0000 | MSR_RI;
    ew.t->MSR.value = msr;
    ew.t->PC.value = 0x2468;
    EXPECT_EQ(step(TW_31_0_0), EXC_PROGRAM);
    EXPECT_EQ(ew.t->PC.value, 0x700u);
    EXPECT_EQ(ew.t->SRR0.value, 0x2468u);
    EXPECT_EQ(ew.t->SRR1.value, (msr & 0xFFFFFFFF8780FFFFull) | 0x20000);
    EXPECT_EQ(ew.t->SRR1.value & 0x787F0000, 0x20000u);
    EXPECT_EQ(ew.t->MSR.value & (MSR_EE | MSR_IR | MSR_DR), 0u);
    EXPECT_NE(ew.t->MSR.value & MSR_HV, 0u);
    EXPECT_EQ(queued(), 0);
}

TEST_F(Interrupts, HypervisorRecordsWriteTheHypervisorFaultRegisters)
{
    for (int hypervisor : {0, 1}) {
        SCOPED_TRACE(hypervisor);
        ew.t->DAR.value = ew.t->HDAR.value = 0;
        ew.t->DSISR.value = ew.t->HDSISR.value = 0;
        PowerPCException *r = record(EXC_DATA_STORAGE);
        r->hypervisor = hypervisor;
        r->dar_valid = r->dsisr_valid = 1;
        r->dar = 0xABC0;
        r->dsisr = 0x40000000;
        ScheduleException(ew.t, r);
        EXPECT_EQ(DeliverException(prepare(NOP)), EXC_DATA_STORAGE);
        EXPECT_EQ(ew.t->HDAR.value, hypervisor ? 0xABC0u : 0u);
        EXPECT_EQ(ew.t->HDSISR.value, hypervisor ? 0x40000000u : 0u);
        EXPECT_EQ(ew.t->DAR.value, hypervisor ? 0u : 0xABC0u);
        EXPECT_EQ(ew.t->DSISR.value, hypervisor ? 0u : 0x40000000u);
    }
}

TEST_F(Interrupts, InterruptVectorRelocation)
{
    // With LPES1 gone the interrupt stays in the OS (HV kept clear); without it the new MSR has HV
    // set and the interrupt goes to the hypervisor.
    struct Case {
        const char *what;
        uint64_t ail;
        bool to_hypervisor;
        uint64_t pc;
        bool relocated;
    } cases[] = {
        {"AIL 3 in an OS", 3, false, 0xC000000000004300ull, true},
        {"AIL 2 in an OS", 2, false, 0x18300, true},
        {"AIL 3 to a hypervisor", 3, true, 0x300, false},
        {"AIL 0", 0, false, 0x300, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ew.option(PO_LPES_1_REMOVED, !c.to_hypervisor);
        ew.t->MSR.value = MSR_SF | MSR_ME | MSR_IR | MSR_DR;
        ew.t->LPCR.value = c.ail << 23;
        ScheduleException(ew.t, record(EXC_DATA_STORAGE));
        EXPECT_EQ(DeliverException(prepare(NOP)), EXC_DATA_STORAGE);
        EXPECT_EQ(ew.t->PC.value, c.pc);
        EXPECT_EQ((ew.t->MSR.value & (MSR_IR | MSR_DR)) != 0, c.relocated);
        EXPECT_EQ((ew.t->MSR.value & MSR_HV) != 0, c.to_hypervisor);
    }
    // A record that ignores AIL.
    ew.option(PO_LPES_1_REMOVED);
    ew.t->MSR.value = MSR_SF | MSR_ME | MSR_IR | MSR_DR;
    ew.t->LPCR.value = 3ull << 23;
    PowerPCException *r = record(EXC_DATA_STORAGE);
    r->no_relocation = 1;
    ScheduleException(ew.t, r);
    EXPECT_EQ(DeliverException(prepare(NOP)), EXC_DATA_STORAGE);
    EXPECT_EQ(ew.t->PC.value, 0x300u);
}

TEST_F(Interrupts, ContinuousInterruptStopsUnlessIgnored)
{
    // The first trap settles the MSR a PROGRAM interrupt installs; a trap at its own vector then
    // goes nowhere.
    step(TW_31_0_0);
    for (bool ignore : {false, true}) {
        SCOPED_TRACE(ignore);
        ew.option(PO_IGNORE_CONTINUOUS_INTERRUPTS, ignore);
        stop_simulation = 0;
        EXPECT_EQ(ew.t->PC.value, 0x700u);
        EXPECT_EQ(step(TW_31_0_0), EXC_PROGRAM);
        EXPECT_EQ(ew.t->PC.value, 0x700u);
        EXPECT_EQ(stop_simulation, ignore ? 0u : (uint32_t)STOP_CONTINUOUS_INTERRUPT);
    }
}

TEST_F(Interrupts, DisabledExternalIsSkippedAndDisabledDecrementerSquashed)
{
    ew.t->MSR.value = HV_REAL | MSR_EE;
    dec.value = -5;
    ASSERT_NE(interrupt_Decrementer(ew.t), nullptr);
    ScheduleException(ew.t, record(EXC_EXTERNAL));
    ScheduleException(ew.t, record(EXC_PERF_MONITOR));
    ew.t->MSR.value &= ~MSR_EE;
    IOPDesc *iop = prepare(NOP);
    EXPECT_EQ(AnyExceptionDeliverable(iop), 1);
    EXPECT_EQ(DeliverException(iop), EXC_PERF_MONITOR);
    EXPECT_EQ(ew.t->pending_decrementer_exception, 0u); // "DEC got disabled"
    ASSERT_EQ(queued(), 1);
    EXPECT_EQ(ew.t->interrupt_queue.head->type, EXC_EXTERNAL);
    EXPECT_EQ(AnyExceptionDeliverable(prepare(NOP)), 0);
    EXPECT_EQ(DeliverException(prepare(NOP)), 0);
}

TEST_F(Interrupts, DoorbellsToAGuest)
{
    ew.t->MSR.value = MSR_SF | MSR_ME; // guest, EE clear
    ScheduleException(ew.t, record(EXC_P_DBELL));
    EXPECT_EQ(DeliverException(prepare(NOP)), 0);
    ScheduleException(ew.t, record(EXC_H_DBELL));
    ew.t->PC.value = 0x5000;
    EXPECT_EQ(DeliverException(prepare(NOP)), EXC_H_DBELL);
    EXPECT_EQ(ew.t->HSRR0.value, 0x5000u);
    EXPECT_EQ(ew.t->PC.value, 0xE80u);
}

TEST_F(Interrupts, VectoredSystemCallSavesIntoLinkAndCount)
{
    ew.t->PC.value = 0x1000;
    ew.t->SRR0.value = 0x77;
    IOPDesc *iop = prepare(NOP);
    iop->length = 4;
    interrupt_VectoredSystemCall(iop, 0);
    FlushException(iop);
    EXPECT_EQ(DeliverException(iop), EXC_VECTORED_SYSTEM_CALL);
    EXPECT_EQ(ew.t->LR.value, 0x1004u);
    EXPECT_EQ(ew.t->CTR.value, HV_REAL & 0xFFFFFFFF8780FFFFull);
    EXPECT_EQ(ew.t->SRR0.value, 0x77u);
}

TEST_F(Interrupts, DeliveryInStandaloneModeIsFatal)
{
    IOPDesc *iop = prepare(TW_31_0_0);
    iop->row->semantic(iop);
    FlushException(iop);
    standalone_mode = 1;
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            DeliverException(iop);
        },
        "FATAL INTERNAL ERROR: .*Exception in standalone mode: PROGRAM: Trap Instruction");
}

// ---- MSR writes and the trace interrupt ----

TEST_F(Interrupts, MsrWrites)
{
    ew.t->PC.value = 0x123456789ABCull;
    prepare(NOP);
    uint64_t version = current_xlate_version;
    _WriteMSR(ew.t, MSR_HV | MSR_ME, 0, 0, __FILE__, __LINE__);
    EXPECT_EQ(ew.t->PC.value, 0x56789ABCu);
    _WriteMSR(ew.t, MSR_HV | MSR_ME, 0, 0, __FILE__, __LINE__);
    EXPECT_EQ(current_xlate_version, version + 2);

    // EE turning on with a negative decrementer queues it at once.
    dec.value = -1;
    EXPECT_EQ(queued(), 0);
    _WriteMSR(ew.t, MSR_SF | MSR_HV | MSR_ME | MSR_EE, 0, 0, __FILE__, __LINE__);
    ASSERT_EQ(queued(), 1);
    EXPECT_EQ(ew.t->interrupt_queue.head->type, EXC_DECREMENTER);
}

TEST_F(Interrupts, EnablingFloatingPointExceptionsChecksTheFpscr)
{
    ew.t->FPSCR.value = 0x40000000; // FEX
    IOPDesc *iop = prepare(NOP);
    _WriteMSR(ew.t, HV_REAL | 0x800, 0, 0, __FILE__, __LINE__); // FE0 on
    ASSERT_NE(iop->exceptions, nullptr);
    EXPECT_EQ(iop->exceptions->type, EXC_FLOATING_POINT);
    EXPECT_EQ(iop->exceptions->srr1_set, 0x110000u);
    EXPECT_EQ(iop->msr, HV_REAL | 0x800);

    // Already enabled: no new check.
    iop = prepare(NOP);
    _WriteMSR(ew.t, HV_REAL | 0x900, 0, 0, __FILE__, __LINE__);
    EXPECT_EQ(iop->exceptions, nullptr);
}

TEST_F(Interrupts, TraceRecordsDescribeTheInstruction)
{
    ew.memory();
    struct Case {
        const char *what;
        uint32_t word;
        int32_t subtype;
        uint64_t srr1_set;
        bool sdar;
    } cases[] = {
        {"lwz single step", D_FORM(32, 3, 4, 0x10), 0, 0x50000000, true},
        {"stwcx. single step", XO_FORM(150, 3, 4, 5, 1), 0, 0x48200000, true},
        {"lwz CIABR match", D_FORM(32, 3, 4, 0x10), EST_TRACE_CIABR, 0x40100000, false},
        {"add single step", XO_FORM(266, 3, 4, 5), 0, 0x40000000, false},
    };
    ew.option(PO_TRACE_EXCEPTION_SETS_SIAR);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ew.gpr(4) = 0x2000;
        ew.gpr(5) = 0x10;
        IOPDesc *iop = prepare(c.word);
        iop->row->semantic(iop);
        Discard_Instruction_Bound_Exceptions(iop, 0);
        PowerPCException *r = interrupt_TraceSingleStep(iop, c.subtype);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->type, EXC_TRACE);
        EXPECT_EQ(r->srr1_set, c.srr1_set);
        EXPECT_EQ(r->sdar_valid, c.sdar ? 1 : 0);
        if (c.sdar) {
            EXPECT_EQ(r->sdar, 0x2010u);
        }
        EXPECT_EQ(r->siar_valid, c.subtype == EST_TRACE_CIABR ? 0 : 1);
    }
}

// ---- machine checks ----

TEST_F(Interrupts, BadAddressesByStrictnessAndMe)
{
    ew.memory(0x1000);
    ew.t->MSR.value = HV_REAL | MSR_RI;
    GenericMachine &machine = ew.core.test_machine.machine;
    machine.machine_options[MO_STRICT] = 1;
    {
        SinkCapture sink;
        ew.t->PC.value = 0x100;
        EXPECT_EQ(step(D_FORM(32, 3, 0, 0x2000)), EXC_MACHINE_CHECK); // lwz r3,0x2000(0)
        EXPECT_EQ(ew.t->PC.value, 0x200u);
        EXPECT_EQ(ew.t->SRR1.value & MSR_RI, 0u);
        EXPECT_EQ(ew.t->SRR0.value, 0x100u);
    }
    {
        SinkCapture sink;
        ew.t->MSR.value = MSR_SF | MSR_HV;
        ew.t->PC.value = 0x100;
        EXPECT_EQ(step(D_FORM(32, 3, 0, 0x2000)), 0);
        EXPECT_NE(sink.text().find("FATAL ERROR: Check Stop for " + std::string(ew.t->name) +
                                   ": Machine Check with ME bit of MSR off\n"),
                  std::string::npos);
        EXPECT_EQ(ew.core.core->x_cpuState, (uint32_t)CPU_CHECKSTOP);
        EXPECT_NE(stop_simulation & STOP_MACHINE_CHECK, 0u);
        EXPECT_EQ(ew.t->PC.value, 0x100u);
    }
    {
        SinkCapture sink;
        machine.machine_options[MO_STRICT] = 0;
        IOPDesc *iop = prepare(D_FORM(36, 3, 0, 0x2000)); // stw r3,0x2000(0)
        iop->row->semantic(iop);
        EXPECT_EQ(iop->exceptions, nullptr);
        EXPECT_NE(sink.text().find("FATAL ERROR: Attempt to store non-existent address 0x0000000000002000\n"),
                  std::string::npos);
    }
}

TEST_F(Interrupts, PreciseMachineCheckWithMeOff)
{
    ew.t->MSR.value = MSR_SF | MSR_HV;
    SinkCapture sink;
    EXPECT_EQ(interrupt_PreciseMachineCheck(prepare(NOP)), nullptr);
    EXPECT_EQ(sink.text(), "FATAL ERROR: Check Stop: Precise Machine Check with ME bit of MSR off\n");
    EXPECT_NE(stop_simulation & STOP_MACHINE_CHECK, 0u);

    // With the WE bit of no effect the machine check is raised as usual.
    ew.core.test_machine.machine.we_bit_ignored = 1;
    PowerPCException *r = interrupt_PreciseMachineCheck(prepare(NOP));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->srr1_set, 2u);
}

} // namespace
