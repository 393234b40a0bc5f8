// Processor identity, option table and defaults, decoders, the decrementer job, and the chip
// set-up services of the processor unit.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "devices/interrupt_hook.h"
#include "devices/ppcic.h"
#include "kernel/job.h"
#include "machine/chip_setup.h"
#include "processor/config/processor_options.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_identity.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/property_list.h"
#include "runtime/psv.h"
#include "runtime/stop.h"
#include "support/built_machine.h"
#include "support/sink_capture.h"

namespace
{

TEST(ChipVersion, PvrSelectsAKnownVersion)
{
    ProcessorState core{};
    Set_Chip_Version(&core, "DD2.0");
    EXPECT_EQ(PROCESSOR_CHIP_VERSION(&core), 0x200);
    RAW_SET_PVR(&core, 0x004B0201);
    EXPECT_STREQ(core.chip_version->name, "DD2.1");
    EXPECT_EQ(core.PVR.value, 0x004B0201u);
    EXPECT_EQ(core.PVR.written, 1u);
    RAW_SET_PVR(&core, 0x004B0205); // no such version: the version stays
    EXPECT_STREQ(core.chip_version->name, "DD2.1");
    EXPECT_EQ(core.PVR.value, 0x004B0205u);

    SinkCapture sink;
    EXPECT_EQ(Set_Chip_Version(&core, "DD4.0"), 1);
    EXPECT_EQ(sink.text(), "FATAL ERROR: Unknown chip version 'DD4.0'.  Using DD2.0.\n");
    EXPECT_STREQ(core.chip_version->name, "DD2.0");
    EXPECT_EQ(PROCESSOR_CHIP_VERSION_IS_DD20(&core), 1);
    Set_Chip_Version(&core, "DD1.1");
    EXPECT_EQ(PROCESSOR_CHIP_VERSION_IS_DD20(&core), 0);
    EXPECT_EQ(get_chip_version_info_by_numeric(0x999)->name, nullptr);
    EXPECT_EQ(get_chip_version_info_by_string("dd2.0")->name, nullptr); // exact names only
    Start_The_Simulation();
}

uint32_t decoder_one(void *, uint32_t, uint32_t)
{
    return 1;
}
uint32_t decoder_four(void *data, uint32_t first, uint32_t second)
{
    *static_cast<uint32_t *>(data) = first + second;
    return 4;
}

TEST(Decoders, ResultsAreOred)
{
    ThreadState thread{};
    EXPECT_EQ(ThreadState_check_decoders(&thread, 1, 2), 0u);
    uint32_t seen = 0;
    ThreadState_register_decoder(&thread, decoder_one, nullptr);
    EXPECT_EQ(LIBSIM__RegisterDecoder(&thread, decoder_four, &seen), 1);
    EXPECT_EQ(thread.decoders->decoder, decoder_four); // newest first
    EXPECT_EQ(ThreadState_check_decoders(&thread, 3, 4), 5u);
    EXPECT_EQ(seen, 7u);
    ThreadState_free_decoders(&thread);
    EXPECT_EQ(thread.decoders, nullptr);
}

TEST(ProcessorOptions, TableKeepsItsFixedIndices)
{
    std::set<uint32_t> indices;
    std::set<std::string> names;
    uint32_t previous = 0;
    int rows = 0;
    for (const ProcessorOption *option = PO_list; option->index != PO_COUNT; option++, rows++) {
        EXPECT_LT(option->index, (uint32_t)PO_COUNT);
        if (rows) {
            EXPECT_GT(option->index, previous);
        }
        previous = option->index;
        EXPECT_TRUE(names.insert(option->name).second) << option->name;
    }
    EXPECT_GT(rows, 326); // every option with a processor-specific value, and the rest named
    const struct {
        uint32_t index;
        const char *name;
    } fixed[] = {{29, "DIVW_CLEARS_RT0_31"},
                 {115, "NO_64BIT_OPS_IN_32BIT_MODE"},
                 {151, "FREEZE_TIME_BASE_AND_DEC"},
                 {160, "TAGS_ACTIVE"},
                 {193, "SUPPORTS_WIMG_M_BIT"},
                 {305, "Dravo_DSCR"},
                 {382, "DIVIDE_W_UPDATE_DO_NOT_SET_XER_OV"},
                 {417, "KEPL_DISABLE_XLATE"}};
    for (const auto &f : fixed) {
        const ProcessorOption *found = nullptr;
        for (const ProcessorOption *option = PO_list; option->index != PO_COUNT; option++)
            if (option->index == f.index) found = option;
        ASSERT_NE(found, nullptr) << f.index;
        EXPECT_STREQ(found->name, f.name);
    }
}

TEST(ProcessorOptions, ValuesComeFromTheMostSpecificKey)
{
    PropertyList *list = PropertyList__New("options-lookup");
    ProcessorState core{};
    core.core_id = 1;
    auto value = [&](const char *key, const char *text) {
        PropertyList__UpdatePropertyValue(list, key, text, nullptr, 1);
        Processor_Options_Init(&core, list);
        return core.options[PO_POWERPC_V2];
    };
    Processor_Options_Init(&core, list);
    EXPECT_EQ(core.options[PO_POWERPC_V2], 0u);
    EXPECT_EQ(value("processor_option/POWERPC_V2", "true"), 1u);
    EXPECT_EQ(value("cpu/processor_option/POWERPC_V2", "false"), 0u);
    EXPECT_EQ(value("cpu/1/processor_option/POWERPC_V2", "on"), 1u);
    core.core_id = 2; // processor 2 falls back to "cpu/processor_option/..."
    Processor_Options_Init(&core, list);
    EXPECT_EQ(core.options[PO_POWERPC_V2], 0u);
    PropertyList__Delete(list);
}

TEST(ProcessorDefaults, OptionsUnderTheirSection)
{
    if (!PSV_List) Init_PSV_Table();
    PropertyList *list = PropertyList__New("option-defaults");
    PropertyList__UpdatePropertyValue(list, "processor/type", "Ervik", nullptr, 1);
    Processor_Option_Add_Default_Values(list, "sect");
    ConfigEntry *entry = PropertyList__FindEntry(list, "sect/processor_option/Dravo_DSCR");
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ(entry->value, "0"); // no processor-specific value under a section
    EXPECT_STREQ(entry->description, "Is DSCR configuration like Dravo DD1 or DD2?");
    EXPECT_EQ(entry->visible, 0);

    Processor_Add_Default_Values(list, "");
    EXPECT_STREQ(PropertyList__GetString(list, "processor_option/TAGS_ACTIVE"),
                 Search_PSV_Value("Ervik", "processor_option/TAGS_ACTIVE"));
    ConfigEntry *pvr = PropertyList__FindEntry(list, "processor/initial/PVR");
    ASSERT_NE(pvr, nullptr);
    EXPECT_STREQ(pvr->description, "Initial Value of PVR register");
    EXPECT_EQ(pvr->visible, 0);
    PropertyList__Delete(list);
}

TEST(Decrementer, JobUnlessTheTimeBaseIsFrozen)
{
    BuiltMachine m("dec");
    ASSERT_NE(m.machine, nullptr);
    ThreadState *thread = GenericMachine__Thread(m.machine, 1);
    ASSERT_NE(thread, nullptr);
    ASSERT_NE(thread->decrementer, nullptr);
    ASSERT_NE(thread->dec_job, nullptr); // made with the thread
    EXPECT_STREQ(job_name(thread->dec_job), "dec 0:0:1");
    EXPECT_EQ(job_get_priority(thread->dec_job), 0x7FFFFFFD);
    job_s *first = thread->dec_job;
    ereg_dec(thread);
    EXPECT_EQ(thread->dec_job, first); // one per thread

    // Without a job yet, a frozen time base gives none (the kernel keeps and frees the old one).
    ThreadState *frozen = GenericMachine__Thread(m.machine, 2);
    frozen->dec_job = nullptr;
    frozen->processor->options[PO_FREEZE_TIME_BASE_AND_DEC] = 1;
    ereg_dec(frozen);
    EXPECT_EQ(frozen->dec_job, nullptr);
    frozen->processor->options[PO_FREEZE_TIME_BASE_AND_DEC] = 0;
    ereg_dec(frozen);
    EXPECT_NE(frozen->dec_job, nullptr);
    Quit_Decrementer(thread);
    EXPECT_EQ(thread->decrementer, nullptr);
}

TEST(ChipSetup, AssignMcmWalksTheChipsCoreCounts)
{
    GenericMachine machine{};
    MCM chips[2]{};
    MCM *array[2] = {&chips[0], &chips[1]};
    chips[0].cores_per_chip = 4;
    chips[1].cores_per_chip = 4;
    machine.mcms = array;
    machine.num_mcms = 2;
    int32_t local = -1;
    EXPECT_EQ(Assign_MCM(&machine, 5, &local), &chips[1]);
    EXPECT_EQ(local, 1);
    EXPECT_EQ(Assign_MCM(&machine, 3, &local), &chips[0]);
    EXPECT_EQ(local, 3);
    EXPECT_EQ(Assign_MCM(&machine, 9, &local), &chips[1]);
    EXPECT_EQ(local, 5);
    EXPECT_EQ(chips[1].cores_per_chip, 6u);
}

TEST(ChipSetup, TheProcessorHookRaisesAThreadsExternalInterrupt)
{
    BuiltMachine m("hook");
    ASSERT_NE(m.machine, nullptr);
    MCM *chip = m.machine->mcms[0];
    ASSERT_NE(chip->processor_hook, nullptr);
    ThreadState *thread = GenericMachine__Thread(m.machine, 5);
    EXPECT_EQ(IntHandler__Raise(chip->processor_hook, 5, 0, "test"), 1);
    EXPECT_EQ(thread->persistent_exceptions[0] != nullptr, true);
    EXPECT_EQ(IntHandler__State(chip->processor_hook, 5, 0), 1);
    EXPECT_EQ(IntHandler__Lower(chip->processor_hook, 5, 0), 0);
    EXPECT_EQ(thread->persistent_exceptions[0], nullptr);
    SinkCapture sink;
    IntHandler__Message(chip->processor_hook, 5, 0);
    EXPECT_EQ(sink.text(), "FATAL ERROR: 1: Processor_Interrupt_Handler: Unhandled event_type 3\n");
    // A raise through the chip's device hook reaches the thread once the source is enabled.
    ThreadState *server = GenericMachine__Thread(m.machine, 0);
    set_InterruptSource_Config(server, 0x40, 5, 4);
    enable_InterruptSource(server, 0x40);
    IntHandler__Raise(chip->int_handler, 0, 0x40, "device");
    EXPECT_EQ(thread->persistent_exceptions[0] != nullptr, true);
    Start_The_Simulation();
}

} // namespace
