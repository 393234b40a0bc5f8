// Processors and hardware threads of a machine built from the default configuration: names and
// registry, the settings Processor_Init reads, the companions of each thread, and teardown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/counter.h"
#include "kernel/job.h"
#include "memory/memory_map.h"
#include "processor/config/processor_options.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/register_file.h"
#include "processor/run/smt.h"
#include "processor/time/time_domain.h"
#include "processor/translation/erat.h"
#include "processor/translation/tlb.h"
#include "runtime/common.h"
#include "runtime/device_manager.h"
#include "runtime/object_registry.h"
#include "runtime/property_list.h"
#include "support/built_machine.h"

namespace
{

ProcessorState *core_of(BuiltMachine &m, int n = 0)
{
    return m.machine ? GenericMachine__Processor(m.machine, n) : nullptr;
}

TEST(ProcessorLifecycle, ThreadsAreNamedAndRegisteredAsObjectsAndDevices)
{
    BuiltMachine m("names"); // the default: one core of 8 threads
    ProcessorState *core = core_of(m);
    ASSERT_NE(core, nullptr);
    EXPECT_EQ(BaseObject__GetType((int32_t)core->object_id), OBJECT_KIND_PROCESSOR);
    EXPECT_EQ(BaseObject__GetObj((int32_t)core->object_id), core);
    ASSERT_EQ(core->num_threads, 8u);
    for (uint32_t i = 0; i < core->num_threads; i++) {
        ThreadState *t = &core->threads[i];
        EXPECT_EQ(t->name, "0:0:" + std::to_string(i));
        EXPECT_EQ(BaseObject__GetType((int32_t)t->object_id), OBJECT_KIND_THREAD);
        EXPECT_EQ(BaseObject__GetObj((int32_t)t->object_id), t);
        EXPECT_EQ(GenericMachine__Thread(m.machine, t->device_number), t);
        EXPECT_EQ(t->thread_id_in_core, (int32_t)i);
        EXPECT_EQ(t->processor, core);
        EXPECT_EQ(t->shared_processor, core);
        // The execution job and the wake counter, both named after the thread.
        ASSERT_NE(t->job, nullptr);
        EXPECT_EQ(job_name(t->job), std::string(t->name));
        EXPECT_EQ(counter_get(&t->wake_counter), 1);
        EXPECT_EQ(t->memory_client->thread, t);
        EXPECT_NE(t->command_table, nullptr);
    }
    EXPECT_EQ(GenericMachine__ThreadCount(m.machine), 8);
}

TEST(ProcessorLifecycle, OneThreadIsNamedLikeItsProcessor)
{
    BuiltMachine m("single", [](BuiltMachine &b) { b.set("processor/number_of_threads", "1"); });
    ProcessorState *core = core_of(m);
    ASSERT_NE(core, nullptr);
    ASSERT_EQ(core->num_threads, 1u);
    EXPECT_STREQ(core->threads[0].name, "0:0");
    EXPECT_EQ(BaseObject__GetType((int32_t)core->threads[0].object_id), OBJECT_KIND_THREAD);
    EXPECT_NE(core->threads[0].object_id, core->object_id);
}

TEST(ProcessorLifecycle, QuitDeletesObjectsDomainsAndJobsOfEveryProcessor)
{
    auto *m = new BuiltMachine("quit", [](BuiltMachine &b) {
        b.set("chips", "2");
        b.set("cpus", "4");
        b.set("processor/number_of_threads", "2");
    });
    ASSERT_NE(m->machine, nullptr);
    ASSERT_EQ(GenericMachine__ProcessorCount(m->machine), 4);
    std::vector<std::pair<int32_t, void *>> objects;
    for (int n = 0; n < 4; n++) {
        ProcessorState *core = core_of(*m, n);
        objects.push_back({OBJECT_KIND_PROCESSOR, core});
        for (uint32_t i = 0; i < core->num_threads; i++)
            objects.push_back({OBJECT_KIND_THREAD, &core->threads[i]});
    }
    ASSERT_NE(TD_find_time_domain(&m->machine->time_domains, "timebase-3"), nullptr);
    for (auto &[kind, object] : objects)
        EXPECT_GE(BaseObject__Find_Object(kind, object), 0);
    delete m;
    for (auto &[kind, object] : objects)
        EXPECT_EQ(BaseObject__Find_Object(kind, object), -1);
    EXPECT_EQ(currentMachine, nullptr);
}

// One machine per row: configuration, then what Processor_Init made of it.
struct InitCase {
    const char *name;
    std::vector<std::pair<const char *, const char *>> keys;
    std::vector<const char *> deleted;
    int standalone;
    void (*check)(BuiltMachine &m);
};

const InitCase INIT_CASES[] = {
    {"real-mode bits",
     {{"processor/real_mode_address_bits", "42"}},
     {},
     0,
     [](BuiltMachine &m) { EXPECT_EQ(core_of(m)->real_mode_mask, 0x3FFFFFFFFFFull); }},
    {"real-mode bits standalone",
     {{"processor/real_mode_address_bits", "42"}, {"standalone_app", "on"}},
     {},
     1,
     [](BuiltMachine &m) { EXPECT_EQ(core_of(m)->real_mode_mask, ~0ull); }},
    {"real-mode bits 64",
     {{"processor/real_mode_address_bits", "64"}},
     {},
     0,
     [](BuiltMachine &m) { EXPECT_EQ(core_of(m)->real_mode_mask, ~0ull); }},
    {"virtual-address bits",
     {{"processor/virtual_address_bits", "68"}, {"processor/slbe_B_field_bits", "2"}},
     {},
     0,
     [](BuiltMachine &m) {
         EXPECT_EQ(core_of(m)->vsid_mask, 0xFFFFFFFFFF000ull);
         EXPECT_EQ(core_of(m)->slbe_b_mask, 3u);
     }},
    {"virtual-address bits beyond 64",
     {{"processor/virtual_address_bits", "100"}},
     {},
     0,
     [](BuiltMachine &m) { EXPECT_EQ(core_of(m)->vsid_mask, 0xFFFFFFFFFFFFF000ull); }},
    {"PIR of processor 2 at chip position 1",
     {{"chips", "2"},
      {"cpus", "4"},
      {"processor/number_of_threads", "4"},
      {"processor/PIR_bits_for_thread", "3"},
      {"processor/PIR_bits_for_processor", "5"},
      {"processor/initial/PIR", "0x777"}},
     {},
     0,
     [](BuiltMachine &m) {
         ProcessorState *core = core_of(m, 2);
         EXPECT_EQ(core->chip_position, 1);
         EXPECT_EQ(core->threads[0].PIR.rfe->desc->initial, 0x30u); // the configured value is replaced
         EXPECT_EQ(core->threads[3].PIR.value, 0x33u);              // the thread number at reset
         EXPECT_EQ(core_of(m, 1)->threads[0].PIR.rfe->desc->initial, 0x8u);
     }},
    {"PIR thread bits missing",
     {{"chips", "1"}, {"cpus", "2"}, {"processor/number_of_threads", "1"}},
     {"processor/PIR_bits_for_thread", "processor/PIR_bits_for_processor"},
     0,
     [](BuiltMachine &m) { EXPECT_EQ(core_of(m, 1)->threads[0].PIR.rfe->desc->initial, 2u); }},
    {"one processor: one time-base domain",
     {},
     {},
     0,
     [](BuiltMachine &m) {
         ASSERT_NE(core_of(m)->timebase_domain, nullptr);
         EXPECT_STREQ(core_of(m)->timebase_domain->name, "timebase");
         EXPECT_EQ(evaluate_frequency_ratio(&core_of(m)->timebase_freq, nullptr), 512000000u);
     }},
    {"two processors: a time-base domain each",
     {{"cpus", "2"}, {"processor/number_of_threads", "1"}},
     {},
     0,
     [](BuiltMachine &m) {
         EXPECT_STREQ(core_of(m, 0)->timebase_domain->name, "timebase-0");
         EXPECT_STREQ(core_of(m, 1)->timebase_domain->name, "timebase-1");
         EXPECT_EQ(TD_find_time_domain(&m.machine->time_domains, "timebase"), nullptr);
     }},
    {"MSR without the IP option, mask open",
     {{"processor/mask/MSR", "0xFFFFFFFFFFFFFFFF"}},
     {},
     0,
     [](BuiltMachine &m) {
         ProcessorState *core = core_of(m);
         EXPECT_EQ(core->options[PO_MSR_IP_BIT], 0u);
         EXPECT_EQ(core->msr_mask & 0x40, 0u); // the configured mask cannot add it
         EXPECT_EQ(core->msr_mask & 0x9000000002803000ull, 0x9000000002803000ull);
     }},
    {"MSR with the IP option",
     {{"processor/mask/MSR", "0xFFFFFFFFFFFFFFFF"}, {"processor_option/MSR_IP_BIT", "TRUE"}},
     {},
     0,
     [](BuiltMachine &m) { EXPECT_EQ(core_of(m)->msr_mask & 0x40, 0x40u); }},
    {"MSR mask only removes bits",
     {{"processor/mask/MSR", "0xFFFFFFFFFFFF0FFF"}},
     {},
     0,
     [](BuiltMachine &m) { EXPECT_EQ(core_of(m)->msr_mask & 0xF000, 0u); }},
    {"SRR1 masks gain the always-implemented bits",
     {{"processor/mask/SRR1", "0x1"}, {"processor/mask/HSRR1", "0x2"}},
     {},
     0,
     [](BuiltMachine &m) {
         ProcessorState *core = core_of(m);
         EXPECT_EQ(core->srr1_mask, 0x702200001ull);
         EXPECT_EQ(core->hsrr1_mask, 0x700000002ull);
         EXPECT_EQ(core->threads[5].SRR1.rfe->desc->mask, 0x702200001ull);
         EXPECT_EQ(core->threads[5].turbo.srr1_bits & ~1ull, 0x702200000ull);
     }},
    {"per-processor SLB count before the general one",
     {{"cpus", "3"}, {"processor/number_of_threads", "1"}, {"processor/2/number_of_SLB_Entries", "4"}},
     {},
     0,
     [](BuiltMachine &m) {
         EXPECT_EQ(core_of(m, 2)->threads[0].slb_entries, 4);
         EXPECT_EQ(core_of(m, 1)->threads[0].slb_entries, 32);
     }},
};

TEST(ProcessorLifecycle, InitReadsEachSettingOnce)
{
    for (const InitCase &c : INIT_CASES) {
        SCOPED_TRACE(c.name);
        int saved = standalone_mode; // a machine takes it from "standalone_app"
        {
            BuiltMachine m("init", [&c](BuiltMachine &b) {
                for (auto &[key, value] : c.keys)
                    b.set(key, value);
                for (const char *key : c.deleted)
                    PropertyList__DeleteValue(b.list, key);
            });
            ASSERT_NE(m.machine, nullptr);
            EXPECT_EQ(standalone_mode, c.standalone);
            c.check(m);
        }
        standalone_mode = saved;
    }
}

TEST(ProcessorLifecycle, CoresOwnTheirTranslationCachesAndThreadsTheirCompanions)
{
    BuiltMachine m("parts");
    ProcessorState *core = core_of(m);
    ASSERT_NE(core, nullptr);
    ASSERT_GE(core->ierat_count, 1u);
    ASSERT_GE(core->derat_count, 1u);
    EXPECT_STREQ(core->ierats[0].name, "0:0_iERAT.0");
    EXPECT_STREQ(core->derats[0].name, "0:0_dERAT.0");
    EXPECT_EQ(core->ierats[0].rows, core->ierat_entries);
    EXPECT_EQ(core->ierats[0].ways, core->ierat_depth);
    EXPECT_EQ(core->ierats[0].msr_mask, 0x50000000000040A0ull);
    ASSERT_NE(core->tlb, nullptr);
    EXPECT_STREQ(core->tlb->name, "0:0_uTLB");
    EXPECT_EQ(core->tlb->num_entries, 512);
    EXPECT_EQ(core->tlb->repl_policy, 1); // "LRU"
    EXPECT_NE(core->spr_table, nullptr);
    EXPECT_GT(core->ex_spr_count, 0);
    EXPECT_EQ(core->x_cpuState, (uint32_t)CPU_NOT_BOOTED);
    EXPECT_EQ(core->cpu_substate, 5u);
    EXPECT_EQ(core->smt_mode, (uint32_t)SMT_MODE_8);
    EXPECT_STREQ(core->type_name, "Ervik");
    EXPECT_NE(core->decoder, nullptr);

    ThreadState *t = &core->threads[6];
    ASSERT_EQ(t->slb_entries, 32);
    for (int i = 0; i < t->slb_entries; i++)
        EXPECT_EQ(t->slb[i].thread, t);
    // Host control words by rounding mode; rounding mode 1 is toward zero, 3 toward -infinity.
    EXPECT_EQ(t->turbo.mxcsr_by_rn[1], 0x7F80u);
    EXPECT_EQ(t->turbo.fpucw_by_rn[1], 0xF7Fu);
    EXPECT_EQ(t->turbo.mxcsr_by_rn[3], 0x3F80u);
    EXPECT_EQ(t->turbo.fpucw_by_rn[3], 0x77Fu);
    EXPECT_EQ(t->turbo.fp_control_zero, 0u);
    EXPECT_EQ(t->turbo.one, 1.0);
    EXPECT_EQ(t->turbo.minus_one, -1);
    EXPECT_EQ(t->turbo.two, 2);
    for (uint64_t *counters : t->turbo.instruction_mix)
        ASSERT_NE(counters, nullptr);
    for (int32_t word : t->fpr_words)
        EXPECT_EQ(word, 3);
    EXPECT_EQ(t->FPR_INVALID_MAP.value, ~0ull);
    EXPECT_NE(t->htm, nullptr);
    EXPECT_NE(t->pmc_info, nullptr);
    EXPECT_NE(t->current_iop, nullptr);
    EXPECT_NE(t->dec_job, nullptr);
    EXPECT_NE(t->decrementer, nullptr);
    EXPECT_NE(t->heartbeat_loop, nullptr);
    EXPECT_STREQ(t->raise_lock.name, "Raise Exception");
    EXPECT_EQ(t->xlate_debug, nullptr); // translation debugging is off
    EXPECT_EQ(t->x_threadState, (uint32_t)CPU_STALLED);
    EXPECT_EQ(t->stall_reason, STALL_INITIAL_STATE);
}

TEST(ProcessorLifecycle, AnSlbOfNoEntriesDefinesNoSlbRegisters)
{
    BuiltMachine m("noslb", [](BuiltMachine &b) { b.set("processor/number_of_SLB_Entries", "0"); });
    ProcessorState *core = core_of(m);
    ASSERT_NE(core, nullptr);
    EXPECT_EQ(core->threads[0].slb, nullptr);
    EXPECT_EQ(core->threads[0].slb_entries, 0);
    EXPECT_EQ(core->threads[0].register_file->count, 221);
    EXPECT_EQ(Search_Register_File(core->threads[0].register_file, "SLBE0"), nullptr);
}

// Fatal ERAT counts end the program at level 0.
TEST(ProcessorLifecycleDeathTest, BadEratCountsAreFatalInternalErrors)
{
    const struct {
        const char *key;
        const char *value;
        const char *message;
    } cases[] = {{"processor/number_of_iERATs", "3", "Num_of_iERATs \\(3\\) isn't a power of 2\\."},
                 {"processor/number_of_dERATs", "6", "Num_of_dERATs \\(6\\) isn't a power of 2\\."},
                 {"processor/number_of_dERATs", "0", "Num_of_dERATs or Num_of_iERATs is 0"},
                 {"processor/number_of_iERATs", "0", "Num_of_dERATs or Num_of_iERATs is 0"}};
    for (const auto &c : cases) {
        EXPECT_DEATH(
            {
                Quarn_Output_File = stderr;
                BuiltMachine m("erat", [&c](BuiltMachine &b) { b.set(c.key, c.value); });
            },
            std::string("FATAL INTERNAL ERROR: .*") + c.message)
            << c.key << " " << c.value;
    }
}

} // namespace
