// One instruction at a time: illegal words and the host-call hook, fetch-translation reuse, the
// cost of an instruction, and the keyed instruction tables of processors.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "decode/instr_tables.h"
#include "exec/interpreter.h"
#include "exec/run_machine.h"
#include "exec/thread_job.h"
#include "mmu/xlate_debug.h"
#include "processor/config/processor_options.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/ppc_bits.h"
#include "processor/translation/xlate_version.h"
#include "runtime/debug.h"
#include "support/sink_capture.h"

namespace
{

constexpr uint32_t LI_R3_5 = 0x38600005;
constexpr uint32_t ADDI_R3_R3_1 = 0x38630001;
constexpr uint32_t B_SELF = 0x48000000;
constexpr uint32_t NOP = 0x60000000;
constexpr uint32_t ILLEGAL_WORD = 0x00000000;

int hook_calls = 0;
int claim_word(ThreadState *, uint32_t word)
{
    hook_calls++;
    return word == ILLEGAL_WORD;
}

TEST(Interpreter, UndecodableWordStopsTheRunWithoutExecuting)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.core->options[PO_STOP_ON_ILLEGAL_INSTRUCTION] = 1; // otherwise a program interrupt is taken
    r.program(0x100, {ILLEGAL_WORD, LI_R3_5});
    r.t->GPR[3].value = 77;
    SinkCapture sink;
    r.run(2);
    EXPECT_NE(stop_simulation & STOP_QUARN_ERROR, 0u);
    EXPECT_NE(sink.text().find("FATAL ERROR: "), std::string::npos);
    EXPECT_NE(sink.text().find("Stopping execution.\n"), std::string::npos);
    EXPECT_STREQ(r.t->current_iop->fail, "Illegal Instruction");
    EXPECT_EQ(r.t->PC.value, 0x100u); // neither the word nor the next one ran
    EXPECT_EQ(r.t->GPR[3].value, 77u);
}

TEST(Interpreter, HostCallHookClaimsAnUndecodableWord)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.program(0x100, {ILLEGAL_WORD, LI_R3_5, B_SELF});
    r.t->host_call_hook = claim_word;
    hook_calls = 0;
    SinkCapture sink;
    r.run(2);
    EXPECT_EQ(stop_simulation, (uint32_t)STOP_INSTRUCTION_COUNT);
    EXPECT_EQ(hook_calls, 1);
    EXPECT_EQ(r.t->PC.value, 0x108u);
    EXPECT_EQ(r.t->GPR[3].value, 5u);
    EXPECT_EQ(r.t->Instruction_Number, 2u);
    EXPECT_EQ(r.t->current_iop->fail, nullptr);
    EXPECT_EQ(sink.text(), "");
}

// With a translation-debug record the interpreter marks a reused fetch translation (current text 1)
// and a new one (text 0).
struct ReuseProbe {
    explicit ReuseProbe(ThreadState *t) : thread(t)
    {
        std::memset(&record, 0, sizeof record);
        thread->xlate_debug = &record;
    }
    ~ReuseProbe() { thread->xlate_debug = nullptr; }
    bool reused()
    {
        EXPECT_EQ(run_one_instruction(thread->current_iop), 1);
        return record.current == 1;
    }
    ThreadState *thread;
    Xlate_Debug record;
};

TEST(Interpreter, FetchTranslationIsReusedWithinAPageUntilTheVersionChanges)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.program(0x100, {NOP, NOP, 0x48001000 /* b +0x1000 */, NOP});
    r.program(0x1108, {NOP, NOP});
    ReuseProbe probe(r.t);
    EXPECT_FALSE(probe.reused()); // first fetch
    EXPECT_TRUE(probe.reused());  // 0x104, same page
    EXPECT_TRUE(probe.reused());  // 0x108: the branch
    EXPECT_EQ(r.t->PC.value, 0x1108u);
    EXPECT_FALSE(probe.reused()); // another page
    current_xlate_version++;
    EXPECT_FALSE(probe.reused()); // same page, new version
    EXPECT_EQ(r.t->current_iop->fetch.pa, 0x110Cu);

    // A reused translation keeps the old real address: the offset register changed without a
    // new version reaches the next fetch only after a new translation.
    r.program(0x10000000 + 0x1110, {LI_R3_5});
    r.core->HRMOR.value = 0x10000000;
    r.t->GPR[3].value = 0;
    r.program(0x1110, {NOP});
    EXPECT_TRUE(probe.reused());
    EXPECT_EQ(r.t->GPR[3].value, 0u);
    r.t->PC.value = 0x1110;
    current_xlate_version++;
    EXPECT_FALSE(probe.reused());
    EXPECT_EQ(r.t->GPR[3].value, 5u);
}

// With narration on, a fetch translation fills text 0, printed in the summary after the instruction;
// while the fetch translation is reused the text stays (its address following the fetch) and the
// data texts start afresh.
TEST(Interpreter, NarrationRecordBetweenFetches)
{
    constexpr uint32_t LWZ_R4_0_R5 = 0x80850000;
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.program(0x100, {NOP, LWZ_R4_0_R5, NOP});
    r.t->GPR[5].value = 0x2000;
    ReuseProbe probe(r.t);
    Xlate_Debug &record = probe.record;
    Xlate_Debug_Reset(&record);
    struct NarrationOn {
        NarrationOn() { set_debug_flag(27, 1), set_debug_flag(28, 1); }
        ~NarrationOn() { set_debug_flag(27, 0), set_debug_flag(28, 0); }
    } narration;
    SinkCapture sink; // the immediate narration lines
    auto step = [&] { EXPECT_EQ(run_one_instruction(r.t->current_iop), 1); };
    step();
    const std::string fetch_text = record.texts[0].text;
    EXPECT_EQ(fetch_text.rfind("\n*Instruction_Fetch_Translation: \n*Fetch(4) Mode: Ervik_HypvRealMode "
                               "EA=0x0000000000000100 ",
                               0),
              0u)
        << fetch_text;
    EXPECT_EQ(record.texts[0].ea, 0x100);
    EXPECT_EQ(record.texts[0].mode, XLAT_DEBUG_Ervik_HypvRealMode);
    EXPECT_EQ(record.current, 1); // the fetch translation ended
    // After the instruction the summary of its texts (categories 27 and 28 on).
    EXPECT_NE(sink.text().find("\nEXXLATE Summary: " + fetch_text + "\n\n"), std::string::npos);

    step(); // lwz at 0x104: its data page is narrated in text 1
    EXPECT_EQ(record.texts[0].text, fetch_text);
    EXPECT_EQ(record.texts[0].ea, 0x104);
    EXPECT_EQ(std::string(record.texts[1].text).rfind("\n*Data_Page_0_Translation: \n*Load(4) Mode: ", 0), 0u)
        << record.texts[1].text;
    EXPECT_EQ(record.texts[1].ea, 0x2000);
    EXPECT_EQ(record.current, 2);

    step(); // the nop at 0x108 makes no data access
    EXPECT_EQ(record.texts[0].ea, 0x108);
    EXPECT_STREQ(record.texts[1].text, "");
    EXPECT_EQ(record.texts[1].ea, -1);
    EXPECT_EQ(record.texts[1].mode, XLAT_DEBUG_MODE_NOT_SET);
    EXPECT_EQ(record.current, 1);

    // A reuse that finds no fetch text while other texts were written says so in text 0.
    r.t->PC.value = 0x100;
    record.texts[0].text[0] = '\0';
    step();
    EXPECT_STREQ(record.texts[0].text,
                 "SIM_DEBUG_EXXLATE Fetch message error: should be same page as previous accress");
    EXPECT_EQ(record.texts[0].ea, -1);
    EXPECT_EQ(record.texts[0].page_shift, 12);

    // A new fetch translation starts every text again.
    current_xlate_version++;
    step();
    EXPECT_EQ(record.texts[0].ea, 0x104);
    EXPECT_EQ(std::string(record.texts[0].text).rfind("\n*Instruction_Fetch_Translation: \n*Fetch(4)", 0),
              0u);
    EXPECT_EQ(std::string(record.texts[1].text).rfind("\n*Data_Page_0_Translation: \n*Load(4)", 0), 0u);
}

// Code that rewrites itself: the next fetch of the address reads and decodes the new word.
TEST(Interpreter, StoreIntoCodeIsFetchedAndDecodedAfresh)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    constexpr uint32_t STW_R4_0_R5 = 0x90850000;
    constexpr uint32_t B_BACK_8 = 0x4BFFFFF8;
    r.program(0x100, {LI_R3_5, STW_R4_0_R5, B_BACK_8});
    r.t->GPR[4].value = ADDI_R3_R3_1;
    r.t->GPR[5].value = 0x100;
    r.run(3);
    EXPECT_EQ(r.t->GPR[3].value, 5u);
    EXPECT_EQ(r.t->PC.value, 0x100u);
    r.run(1); // the rewritten word at 0x100
    EXPECT_EQ(r.t->GPR[3].value, 6u);
    r.run(3); // it rewrites itself to the same word and runs it again
    EXPECT_EQ(r.t->GPR[3].value, 7u);
}

// A word decoded before is decoded again in the table the processor uses now.
TEST(Interpreter, RowsComeFromTheTableInUseWhenItChanges)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.program(0x100, {ADDI_R3_R3_1, ADDI_R3_R3_1});
    r.run(1);
    EXPECT_EQ(r.t->current_iop->row, &instruction_info_table[ROW_ADDI]);
    InstrInfo *saved = r.core->instruction_table;
    InstrInfo *private_table = InstrInfo__id2table(5);
    ASSERT_NE(private_table, nullptr);
    r.core->instruction_table = private_table;
    r.run(1);
    EXPECT_EQ(r.t->current_iop->row, &private_table[ROW_ADDI]);
    EXPECT_EQ(r.t->GPR[3].value, 2u);
    r.core->instruction_table = saved;
    InstrInfo__Quit();
}

// Registers the step tests only when they are set: a CIABR armed mid-run matches its address, a
// forced-interrupt control set mid-run is taken before the next instruction.
TEST(Interpreter, CiabrAndForcedInterruptSetMidRunAreSeen)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.core->options[PO_PROCESS_TRACE_EXCEPTIONS] = 1;
    r.program(0x100, {NOP, NOP, NOP, NOP});
    r.run(1);
    EXPECT_EQ(r.t->PC.value, 0x104u);
    r.t->CIABR.value = 0x108 | 3; // hypervisor state
    r.run(2);                      // 0x104, then 0x108 matches and the trace interrupt follows it
    EXPECT_EQ(r.t->PC.value, 0xD00u);
    EXPECT_EQ(r.t->SRR0.value, 0x10Cu);

    r.t->CIABR.value = 0;
    r.t->PC.value = 0x100;
    r.run(1);
    EXPECT_EQ(r.t->PC.value, 0x104u);
    r.t->IRPT_CTL.value = 0x200; // machine check, forced at any address
    r.run(1);
    EXPECT_EQ(r.t->IRPT_CTL.value, 0u);
    EXPECT_EQ(r.t->SRR0.value, 0x104u);
    EXPECT_EQ(r.t->PC.value, 0x200u);
}

// A device mapped over the code page: the next fetch goes to it, not to the memory page that the
// earlier fetches read.
struct WordDevice {
    uint32_t word;
    int reads = 0;
};
WordDevice patch_device{ADDI_R3_R3_1};
void *word_init(const char *, PropertyList *, InstanceLink *, uint64_t, uint64_t)
{
    return &patch_device;
}
int word_read(MMAPI_Access *, void *instance, uint64_t, uint64_t *value, int)
{
    auto *device = static_cast<WordDevice *>(instance);
    device->reads++;
    *value = device->word;
    return 1;
}
MMAPIentry_s WORD_DEVICE = {MMAPI_VERSION, word_init, nullptr, word_read, nullptr, nullptr, nullptr, nullptr};

TEST(Interpreter, FetchFollowsAChangeOfTheMemoryMap)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.program(0x100, {LI_R3_5, LI_R3_5});
    r.run(1);
    EXPECT_EQ(r.t->GPR[3].value, 5u);
    MCM *chip = r.t->memory_client->mcm;
    patch_device.reads = 0;
    ASSERT_NE(MemMap_Define(chip, "PATCH", &WORD_DEVICE, 0x100, 0x10F, nullptr), nullptr);
    r.run(1); // 0x104, now the device's word
    EXPECT_EQ(r.t->GPR[3].value, 6u);
    EXPECT_EQ(patch_device.reads, 1);
    MemMap_Delete(MemMap_Create(chip), "PATCH");
    r.t->PC.value = 0x100;
    r.run(1); // the memory's word again
    EXPECT_EQ(r.t->GPR[3].value, 5u);
    EXPECT_EQ(patch_device.reads, 1);
}

TEST(Interpreter, CostFollowsCpiOrTheRowThroughput)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.program(0x100, {NOP, NOP, NOP, NOP});
    IOPDesc *iop = r.t->current_iop;
    r.core->cpi = 1.5f;
    r.core->cpi_fraction = 0.0f;
    for (int expected : {2, 1, 2, 1}) {
        iop->cycles = 0;
        ASSERT_EQ(run_one_instruction(iop), 1);
        EXPECT_EQ(iop->cycles, expected);
    }

    // cpi off: the row's throughput, nothing for a row of throughput 0.
    r.core->cpi = 0.0f;
    InstrInfo *table = InstrInfo__id2table(41);
    ASSERT_NE(table, nullptr);
    InstrInfo *saved = r.core->instruction_table;
    r.core->instruction_table = table;
    r.program(0x110, {ADDI_R3_R3_1, ADDI_R3_R3_1, ADDI_R3_R3_1});
    r.t->PC.value = 0x110;
    Set_instr_throughput_and_iops(table, "addi", 3, 1);
    iop->cycles = 0;
    ASSERT_EQ(run_one_instruction(iop), 1);
    EXPECT_EQ(iop->cycles, 3);
    Set_instr_throughput_and_iops(table, "addi", 0, 1);
    iop->cycles = 0;
    ASSERT_EQ(run_one_instruction(iop), 1);
    EXPECT_EQ(iop->cycles, 0);
    EXPECT_EQ(r.t->GPR[3].value, 2u);
    r.core->instruction_table = saved;
    InstrInfo__Quit();
}

TEST(Interpreter, ProcessorsWithTheSamePrivateKeyShareOneTable)
{
    RunMachine r([](BuiltMachine &b) {
        b.set("cpus", "2");
        b.set("core/private_ii_table", "3");
    });
    ASSERT_TRUE(r.ok());
    ProcessorState *second = GenericMachine__Processor(r.m.machine, 1);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(r.core->instruction_table, instruction_info_table);
    EXPECT_EQ(second->instruction_table, r.core->instruction_table);
    Set_instr_throughput_and_iops(InstrInfo__id2table(3), "addi", 7, 1);
    EXPECT_EQ(second->instruction_table[16].throughput, 7u);
    EXPECT_EQ(instruction_info_table[ROW_ADDI].throughput, 1u);
    InstrInfo__Quit();
}

// Without the stop option an undecodable word is a hypervisor emulation assist: HSRR0/HSRR1 get
// the return state, HEIR the word, and the thread goes on at 0xE40 with SRR0/SRR1 untouched.
TEST(Interpreter, UndecodableWordTakesTheHypervisorEmulationAssist)
{
    constexpr uint32_t UNDECODABLE = 0x00001234;
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.core->options[PO_STOP_ON_ILLEGAL_INSTRUCTION] = 0;
    r.program(0x100, {UNDECODABLE});
    r.program(0xE40, {LI_R3_5});
    SinkCapture sink;
    r.run(2);
    EXPECT_EQ(stop_simulation, (uint32_t)STOP_INSTRUCTION_COUNT) << sink.text();
    EXPECT_EQ(r.t->GPR[3].value, 5u);
    EXPECT_EQ(r.t->PC.value, 0xE44u);
    EXPECT_EQ(r.t->HSRR0.value, 0x100u);
    EXPECT_EQ(r.t->HSRR1.value, 0x9000000000000000ull);
    EXPECT_EQ(r.t->HEIR.value, UNDECODABLE);
    EXPECT_EQ(r.t->SRR0.value, 0u);
    EXPECT_EQ(r.t->SRR1.value, 0u);
    EXPECT_EQ(r.t->MSR.value, 0x9000000000000000ull);
    EXPECT_EQ(r.t->Instruction_Number, 2u);
}

// In a machine with an operating system, sc goes to 0xC00 with SRR0 the address after it.
TEST(Interpreter, SystemCallTakesTheSystemCallInterrupt)
{
    constexpr uint32_t SC = 0x44000002;
    RunMachine r;
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(standalone_mode, 0);
    r.t->MSR.value |= MSR_EE;
    r.program(0x100, {SC});
    r.program(0xC00, {LI_R3_5});
    SinkCapture sink;
    r.run(2);
    EXPECT_EQ(stop_simulation, (uint32_t)STOP_INSTRUCTION_COUNT) << sink.text();
    EXPECT_EQ(r.t->GPR[3].value, 5u);
    EXPECT_EQ(r.t->PC.value, 0xC04u);
    EXPECT_EQ(r.t->SRR0.value, 0x104u);
    EXPECT_EQ(r.t->SRR1.value, 0x9000000000008000ull);
    EXPECT_EQ(r.t->MSR.value, 0x9000000000000000ull); // EE off in the handler
    EXPECT_EQ(r.t->HSRR0.value, 0u);
    EXPECT_EQ(r.t->Instruction_Number, 2u);
}

} // namespace
