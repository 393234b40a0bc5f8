// Trigger tables: associative triggers, instruction-address triggers in the run loop and by
// lookup, the process-id and system-call checks, and memory triggers on the storage paths.
#include <gtest/gtest.h>
#include <tcl.h>

#include <string>
#include <vector>

#include "exec/machine_triggers.h"
#include "exec/memory_triggers.h"
#include "exec/pc_triggers.h"
#include "mmu/physical_access.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/run/run_control.h"
#include "run_machine.h"
#include "runtime/common.h"
#include "runtime/stop.h"
#include "runtime/triggers.h"
#include "translator/emat.h"

namespace
{

// What the callbacks saw.
struct Hit {
    ThreadState *thread;
    uint64_t address;
    int64_t length;
    int32_t effective;
    uint64_t value;
    uint64_t count; // the thread's instruction count at the call
};

struct Recorder {
    std::vector<Hit> hits;
    bool stop = false;                  // stop the simulation from the callback
    GenericMachine *remove_from = nullptr; // remove the firing memory trigger from the callback
    Memory_Trigger *own = nullptr;
};

int32_t record(void *data, ThreadState *thread, uint64_t address, int64_t length, int32_t effective, uint64_t value)
{
    auto *recorder = static_cast<Recorder *>(data);
    recorder->hits.push_back({thread, address, length, effective, value, thread ? thread->Instruction_Number : 0});
    if (recorder->stop) Stop_The_Simulation(STOP_USER_TCL);
    if (recorder->remove_from && recorder->own) {
        Memory_Trigger *gone = Trigger_Memory__Remove(recorder->remove_from, recorder->own->start,
                                                      recorder->own->end, recorder->own->read ? 1 : 2);
        if (gone && gone->count == 0) Trigger_Memory__Delete(gone);
        recorder->own = nullptr;
    }
    return 7;
}

// A machine's trigger table made and released as machine creation and quit do.
class TableMachine
{
  public:
    TableMachine()
    {
        machine.name = const_cast<char *>("tables");
        machine.thread_major = -1;
        machine.trigger_table = Triggers_Init();
        Assoc_Trigger_Init(&machine);
    }
    ~TableMachine() { Triggers_Quit(&machine); }
    TriggerTable *table() { return machine.trigger_table; }
    GenericMachine machine{};
};

std::vector<std::string> listing(TriggerTable *table)
{
    std::vector<std::string> names;
    Tcl_HashSearch search;
    for (Tcl_HashEntry *e = Assoc_Trigger_First(table, &search); e; e = Assoc_Trigger_Next(table, &search)) {
        Assoc_TriggerEntry *entry = Assoc_Trigger_Entry(e);
        names.push_back(std::string(entry->name) + (entry->active ? " active" : ""));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// ---- associative triggers ----

TEST(AssocTriggers, TablesHoldTheirEventNamesInactive)
{
    TableMachine m;
    EXPECT_EQ(listing(m.table()),
              (std::vector<std::string>{"ATTN", "BRANCH_SELF", "CALLTHRU", "NOOP", "OBJECT_LOAD", "PTE_LOAD",
                                        "QUIT_MACHINE", "THREAD_RUN", "THREAD_STALL"}));
    EXPECT_EQ(m.table()->assoc_count, 0);

    TriggerTable *saved = quarn_common.trigger_table;
    quarn_common.trigger_table = nullptr;
    Global_Assoc_Trigger_Init();
    EXPECT_EQ(listing(quarn_common.trigger_table),
              (std::vector<std::string>{"FATAL_ERROR", "INTERNAL_ERROR", "NEW_MACHINE", "QUIT", "SIM_START",
                                        "SIM_STOP", "WARNING"}));
    Global_Assoc_Trigger_Quit();
    EXPECT_EQ(quarn_common.trigger_table, nullptr);
    quarn_common.trigger_table = saved;
}

TEST(AssocTriggers, SetClearAndFire)
{
    TableMachine m;
    Tcl_Interp *interp = Tcl_CreateInterp();
    Tcl_Interp *saved = quarn_common.interpreter;
    quarn_common.interpreter = interp;
    Tcl_Eval(interp, "set fired {}; proc rec {args} { lappend ::fired $args }");
    auto fired = [&] { return std::string(Tcl_GetVar(interp, "fired", TCL_GLOBAL_ONLY)); };

    // Only predefined names take a command; "THREAD_WAIT" is not one.
    EXPECT_EQ(Assoc_Trigger_Set(m.table(), "FOO", "rec"), nullptr);
    EXPECT_EQ(Assoc_Trigger_Set(m.table(), "THREAD_WAIT", "rec"), nullptr);
    EXPECT_EQ(m.table()->assoc_count, 0);

    long long zaps = emat_zaps;
    ASSERT_NE(Assoc_Trigger_Set(m.table(), "ATTN", "rec"), nullptr);
    ASSERT_NE(Assoc_Trigger_Set(m.table(), "ATTN", "rec"), nullptr); // re-setting still drops translations
    EXPECT_EQ(emat_zaps - zaps, 2);
    EXPECT_EQ(m.table()->assoc_count, 2);
    EXPECT_EQ(Assoc_Trigger_Fire(m.table(), "ATTN", "{ pc 0x%X }", 0x100), 1);
    EXPECT_EQ(Assoc_Trigger_Fire(m.table(), "FOO", "{}"), 0);
    EXPECT_EQ(Assoc_Trigger_Fire(m.table(), "THREAD_WAIT", "{}"), 0);
    EXPECT_EQ(fired(), "{{ pc 0x100 }}");

    // Set twice, cleared once: the count stays 1, the entry is inactive and does not fire.
    EXPECT_STREQ(Assoc_Trigger_Clear(m.table(), "ATTN"), "rec");
    EXPECT_EQ(m.table()->assoc_count, 1);
    EXPECT_EQ(Assoc_Trigger_Search(m.table(), "ATTN"), nullptr);
    EXPECT_EQ(Assoc_Trigger_Fire(m.table(), "ATTN", "{}"), 0);
    EXPECT_EQ(Assoc_Trigger_Clear(m.table(), "ATTN"), nullptr); // inactive
    EXPECT_EQ(Assoc_Trigger_Clear(m.table(), "FOO"), nullptr);  // undefined
    EXPECT_EQ(m.table()->assoc_count, 1);

    // An empty command leaves the name inactive; a failing command reports 0.
    ASSERT_NE(Assoc_Trigger_Set(m.table(), "NOOP", ""), nullptr);
    EXPECT_EQ(Assoc_Trigger_Search(m.table(), "NOOP"), nullptr);
    ASSERT_NE(Assoc_Trigger_Set(m.table(), "NOOP", "no_such_procedure"), nullptr);
    EXPECT_EQ(Assoc_Trigger_Fire(m.table(), "NOOP", "{}"), 0);

    // A command longer than the field is cut and stays terminated.
    std::string long_command(400, 'x');
    ASSERT_NE(Assoc_Trigger_Set(m.table(), "PTE_LOAD", long_command.c_str()), nullptr);
    EXPECT_EQ(std::string(Assoc_Trigger_Search(m.table(), "PTE_LOAD")->command), long_command.substr(0, 255));

    quarn_common.interpreter = saved;
    Tcl_DeleteInterp(interp);
}

// ---- instruction-address triggers ----

constexpr uint32_t ADDI_R3 = 0x38630001; // addi r3,r3,1
constexpr uint32_t B_BACK = 0x4BFFFFFC;  // b -4

TEST(PcTriggers, FireOncePerInstructionCountAndAgainOnTheNextPass)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.program(0x100, {ADDI_R3, B_BACK});
    Recorder recorder;
    recorder.stop = true;
    Trigger_PC__Add(r.m.machine, 0x104, record, &recorder);

    r.run(10);
    ASSERT_EQ(recorder.hits.size(), 1u);
    EXPECT_EQ(recorder.hits[0].address, 0x104u);
    EXPECT_EQ(recorder.hits[0].length, 4);
    EXPECT_EQ(r.t->PC.value, 0x104u);
    uint64_t first_count = recorder.hits[0].count;

    // Resuming at the same instruction count does not fire again; the next pass does.
    Start_The_Simulation();
    r.run(10);
    ASSERT_EQ(recorder.hits.size(), 2u);
    EXPECT_EQ(recorder.hits[1].count, first_count + 2);
    EXPECT_EQ(r.t->GPR[3].value, 2u);

    PC_TriggerEntry *gone = Trigger_PC__Remove(r.m.machine, 0x104);
    ASSERT_NE(gone, nullptr);
    Trigger_PC__Delete(gone);
    EXPECT_EQ(Trigger_PC__Remove(r.m.machine, 0x104), nullptr);
    Start_The_Simulation();
    r.run(10);
    EXPECT_EQ(recorder.hits.size(), 2u);
}

TEST(PcTriggers, LookupsHitRecordsAndPageOffsets)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    GenericMachine *machine = r.m.machine;
    ThreadState other = {};
    other.object_id = r.t->object_id + 1;
    Recorder recorder;
    Trigger_PC__Add(machine, 0x2340, record, &recorder);

    // Existence only: no call and no hit recorded, so the firing that follows still runs.
    EXPECT_EQ(Trigger_PC__Find(machine, 0x2340, r.t, 0), 1);
    EXPECT_EQ(Trigger_PC__Find(machine, 0x2344, r.t, 1), 0);
    EXPECT_TRUE(recorder.hits.empty());
    EXPECT_EQ(Trigger_PC__Find(machine, 0x2340, r.t, 1), 1);
    EXPECT_EQ(Trigger_PC__Find(machine, 0x2340, r.t, 1), 1); // same count: skipped
    EXPECT_EQ(Trigger_PC__Find(machine, 0x2340, &other, 1), 1);
    ASSERT_EQ(recorder.hits.size(), 2u);
    EXPECT_EQ(recorder.hits[1].thread, &other);

    EXPECT_EQ(Trigger_Has_PC_and_EA(machine, 0x7000340), 1);
    EXPECT_EQ(Trigger_Has_PC_and_EA(machine, 0x7000344), 0);
    EXPECT_EQ(Trigger_PC__Find_OnPage(machine, 0x2FFC, 0xFFF), 1);
    EXPECT_EQ(Trigger_PC__Find_OnPage(machine, 0x3000, 0xFFF), 0);

    // Several triggers on one address: the newest is found first, every one is removed.
    Recorder second;
    Trigger_PC__Add(machine, 0x2340, record, &second);
    EXPECT_EQ(Trigger_PC__Search(machine, 0x2340)->data, &second);
    EXPECT_EQ(Trigger_PC__First(machine)->data, &recorder); // listing in insertion order
    int removed = 0;
    while (PC_TriggerEntry *gone = Trigger_PC__Remove(machine, 0x2340)) {
        Trigger_PC__Delete(gone);
        removed++;
    }
    EXPECT_EQ(removed, 2);
    EXPECT_EQ(machine->trigger_table->pc_count, 0);
    EXPECT_EQ(Trigger_Has_PC_and_EA(machine, 0x340), 0);
}

TEST(PcTriggers, RealAddressTriggersRunBeforeTheFetch)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.program(0x100, {ADDI_R3, B_BACK});
    Recorder recorder;
    recorder.stop = true;
    Trigger_RealPC__Add(r.m.machine, 0x100, record, &recorder);
    r.run(10);
    ASSERT_EQ(recorder.hits.size(), 1u);
    EXPECT_EQ(recorder.hits[0].address, 0x100u);
    EXPECT_EQ(r.t->GPR[3].value, 0u); // stopped before the fetch
    Start_The_Simulation();
    r.run(10);
    ASSERT_EQ(recorder.hits.size(), 2u); // not again at the same count; again on the next pass
    EXPECT_EQ(r.t->GPR[3].value, 1u);
    EXPECT_EQ(r.t->PC.value, 0x100u);
    Trigger_RealPC__Clear_All(r.m.machine);
    EXPECT_EQ(Trigger_RealPC__Search(r.m.machine, 0x100), nullptr);
    EXPECT_EQ(Trigger_RealPC__Find_And_Doit(r.m.machine, r.t, 0x100), 0);
}

TEST(ProcessTriggers, ChecksWithoutAndWithTriggers)
{
    TableMachine m;
    EXPECT_EQ(Trigger_PID__Check(&m.machine, nullptr, 42), 1);
    EXPECT_EQ(Trigger_Syscall__Check(&m.machine, nullptr, 42), 0);
    Recorder recorder;
    PID_TrackEntry pid{};
    pid.hash.key0 = 42;
    pid.callback = record;
    pid.data = &recorder;
    Trigger_PID__Add(&m.machine, &pid);
    EXPECT_EQ(Trigger_PID__Check(&m.machine, nullptr, 42), 7);
    EXPECT_EQ(Trigger_PID__Check(&m.machine, nullptr, 43), 1);
    EXPECT_EQ(Trigger_PID__Remove(&m.machine, 42), &pid);
    EXPECT_EQ(Trigger_PID__Check(&m.machine, nullptr, 42), 1);
}

// ---- memory triggers ----

class MemoryTriggers : public ::testing::Test
{
  protected:
    void SetUp() override { ASSERT_TRUE(r.ok()); }
    int32_t check(uint64_t address, int64_t length, int effective, uint32_t kind, uint64_t stamp, int fire = 1)
    {
        return Trigger_Memory__Check_Addr(r.m.machine, r.t, address, length, effective, kind, r.t->object_id, stamp,
                                          fire);
    }
    int list_length()
    {
        int n = 0;
        for (Memory_Trigger *t = r.m.machine->trigger_table->memory_head; t; t = t->next) n++;
        return n;
    }
    RunMachine r;
    Recorder recorder;
};

TEST_F(MemoryTriggers, RangesKindsAndOncePerInstruction)
{
    Trigger_Memory__Add(r.m.machine, 0x1000, 0x1007, 0, MEMORY_TRIGGER_READ, 0, record, &recorder);
    struct Case {
        uint64_t address;
        int64_t length;
        int effective;
        uint32_t kind;
        bool fires;
    } cases[] = {
        {0xFFE, 4, 0, AXD_KIND_LOAD, true},     // overlaps the first bytes
        {0x1004, 8, 0, AXD_KIND_LOAD, true},    // overlaps the last bytes
        {0x1008, 4, 0, AXD_KIND_LOAD, false},   // just after
        {0xFFC, 4, 0, AXD_KIND_LOAD, false},    // just before
        {0x1000, 4, 0, AXD_KIND_STORE, false},  // a read trigger and a write
        {0x1000, 4, 1, AXD_KIND_LOAD, false},   // effective check of a physical trigger
        {0x1000, 4, 0, AXD_KIND_FETCH, false},  // fetches never fire
    };
    uint64_t stamp = 100;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.address);
        size_t before = recorder.hits.size();
        stamp += 10;
        EXPECT_EQ(check(c.address, c.length, c.effective, c.kind, stamp), c.fires ? 7 : 0);
        EXPECT_EQ(recorder.hits.size(), before + (c.fires ? 1 : 0));
    }
    // The same access at count n and n + 1 fires once; at n + 2 again.
    size_t before = recorder.hits.size();
    check(0x1000, 4, 0, AXD_KIND_LOAD, 500);
    check(0x1000, 4, 0, AXD_KIND_LOAD, 501);
    EXPECT_EQ(recorder.hits.size(), before + 1);
    check(0x1000, 4, 0, AXD_KIND_LOAD, 503);
    EXPECT_EQ(recorder.hits.size(), before + 2);
    // A thread's very first instruction (count 0) fires too.
    Memory_Trigger *fresh = Trigger_Memory__Add(r.m.machine, 0x3000, 0x3000, 0, MEMORY_TRIGGER_READ, 0, record,
                                                &recorder);
    EXPECT_EQ(check(0x3000, 1, 0, AXD_KIND_LOAD, 0), 7);
    EXPECT_EQ(fresh->last_hit_address, 0x3000u);
    // Existence only: no call.
    before = recorder.hits.size();
    EXPECT_EQ(check(0x1000, 4, 0, AXD_KIND_LOAD, 900, 0), 1);
    EXPECT_EQ(recorder.hits.size(), before);
}

TEST_F(MemoryTriggers, AddingRemovingAndTokens)
{
    GenericMachine *m = r.m.machine;
    Memory_Trigger *a = Trigger_Memory__Add(m, 0x2000, 0x20FF, 0, MEMORY_TRIGGER_READ, 0, record, &recorder);
    EXPECT_EQ(Trigger_Memory__Add(m, 0x2000, 0x20FF, 0, MEMORY_TRIGGER_READ, 0, record, &recorder), a);
    EXPECT_EQ(a->count, 2);
    EXPECT_EQ(list_length(), 1);
    // Both kinds: a write trigger and a read trigger.
    Trigger_Memory__Add(m, 0x500, 0x5FF, 1, MEMORY_TRIGGER_READ | MEMORY_TRIGGER_WRITE, 0, record, &recorder);
    EXPECT_EQ(list_length(), 3);
    EXPECT_EQ(m->trigger_table->memory_head->start, 0x500u); // the lowest start heads the list
    int32_t token = Trigger_Memory__get_token();
    EXPECT_GT(token, 0);
    Trigger_Memory__Add_token(m, 0x100, 0x1FF, 0, MEMORY_TRIGGER_WRITE, token, record, &recorder);
    uint64_t previous = 0;
    for (Memory_Trigger *t = Trigger_Memory__First(m); t; t = Trigger_Memory__Next(m, t)) {
        EXPECT_GE(t->start, previous);
        previous = t->start;
    }

    // One removal drops one reference; the second unlinks.
    EXPECT_EQ(Trigger_Memory__Remove(m, 0x2000, 0x20FF, MEMORY_TRIGGER_READ), a);
    EXPECT_EQ(a->count, 1);
    EXPECT_EQ(Trigger_Memory__Remove(m, 0x2000, 0x20FF, MEMORY_TRIGGER_READ), a);
    EXPECT_EQ(a->count, 0);
    Trigger_Memory__Delete(a);
    EXPECT_EQ(Trigger_Memory__Remove(m, 0x2000, 0x20FF, MEMORY_TRIGGER_READ), nullptr);
    // Each kind is found by a removal of its own kind.
    Memory_Trigger *w = Trigger_Memory__Remove(m, 0x500, 0x5FF, MEMORY_TRIGGER_WRITE);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->read, 0);
    Trigger_Memory__Delete(w);

    // Removal by token 0 leaves the tokened trigger; the token removes it.
    Trigger_Memory_Effective__Remove(m);
    Trigger_Memory_Real__Remove(m);
    ASSERT_EQ(list_length(), 1);
    EXPECT_EQ(m->trigger_table->memory_head->token, token);
    Memory_Trigger *copy = Trigger_Memory_Real__Remove_token(m, token);
    EXPECT_EQ(copy->start, 0x100u);
    EXPECT_EQ(list_length(), 0);
    EXPECT_EQ(m->trigger_table->memory_enabled, 0);
    EXPECT_EQ(check(0x100, 4, 0, AXD_KIND_STORE, 1), 0);
}

TEST_F(MemoryTriggers, ACallbackRemovingItsOwnTriggerKeepsTheWalkSound)
{
    GenericMachine *m = r.m.machine;
    Recorder other;
    recorder.remove_from = m;
    recorder.own = Trigger_Memory__Add(m, 0x4000, 0x4007, 1, MEMORY_TRIGGER_WRITE, 0, record, &recorder);
    Trigger_Memory__Add(m, 0x4004, 0x400F, 1, MEMORY_TRIGGER_WRITE, 0, record, &other);
    EXPECT_EQ(check(0x4000, 8, 1, AXD_KIND_STORE, 10), 7);
    EXPECT_EQ(recorder.hits.size(), 1u);
    EXPECT_EQ(other.hits.size(), 1u);
    EXPECT_EQ(list_length(), 1);
}

TEST_F(MemoryTriggers, AStopInsideAPhysicalWriteLeavesMemoryUnchanged)
{
    r.write(0x6000, 4, 0x11111111);
    recorder.stop = true;
    Trigger_Memory__Add(r.m.machine, 0x6000, 0x6003, 0, MEMORY_TRIGGER_WRITE, 0, record, &recorder);
    IOPDesc iop = {};
    iop.thread = r.t;
    AXD axd = {};
    axd.ea = axd.pa = 0x6000;
    axd.size = 4;
    axd.kind = AXD_KIND_STORE;
    axd.iop = &iop;
    EXPECT_EQ(PA_Write_Memory_Effect(&iop, 0x22222222, &axd, 1), 9u);
    ASSERT_EQ(recorder.hits.size(), 1u);
    EXPECT_EQ(recorder.hits[0].value, 0x22222222u); // the value being stored
    EXPECT_EQ(r.read(0x6000, 4), 0x11111111u);
    Start_The_Simulation();
}

} // namespace
