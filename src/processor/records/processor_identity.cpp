// Processor identity, defaults, decoders and the decrementer record and job.
#include "processor/records/processor_identity.h"

#include <cstdio>
#include <cstring>

#include "kernel/job.h"
#include "processor/config/processor_options.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/time/time_registers.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/psv.h"

const chip_version_info known_chip_versions[] = {
    {"DD1.0", 0x100}, {"DD1.1", 0x101}, {"DD2.0", 0x200}, {"DD2.1", 0x201},
    {"DD3.0", 0x300}, {"DD3.1", 0x301}, {nullptr, 0},
};

namespace
{

constexpr int32_t DECREMENTER_JOB_PRIORITY = 0x7FFFFFFD;

const chip_version_info *end_row()
{
    const chip_version_info *row = known_chip_versions;
    while (row->name)
        row++;
    return row;
}

} // namespace

const chip_version_info *get_chip_version_info_by_numeric(int32_t number)
{
    for (const chip_version_info *row = known_chip_versions; row->name; row++)
        if (row->number == number) return row;
    return end_row();
}

const chip_version_info *get_chip_version_info_by_string(const char *name)
{
    for (const chip_version_info *row = known_chip_versions; row->name; row++)
        if (name && strcmp(row->name, name) == 0) return row;
    return end_row();
}

int Set_Chip_Version(ProcessorState *core, const char *name)
{
    const chip_version_info *row = get_chip_version_info_by_string(name);
    if (!row->name) {
        sim_error("Unknown chip version '%s'.  Using DD2.0.", name ? name : "(null)");
        row = get_chip_version_info_by_string("DD2.0");
    }
    if (core) core->chip_version = const_cast<chip_version_info *>(row);
    return 1;
}

int32_t PROCESSOR_CHIP_VERSION(const ProcessorState *core)
{
    return core && core->chip_version ? core->chip_version->number : 0;
}

int PROCESSOR_CHIP_VERSION_IS_DD20(const ProcessorState *core)
{
    return PROCESSOR_CHIP_VERSION(core) >= 0x200 ? 1 : 0;
}

void RAW_SET_PVR(ProcessorState *core, uint32_t value)
{
    if (!core) return;
    const chip_version_info *row = get_chip_version_info_by_numeric((int32_t)(value & 0xFFFF));
    if (row->name && row != core->chip_version) {
        sim_warning(2, "set PVR (0x%08X) and chip version (%s)", value, row->name);
        Set_Chip_Version(core, row->name);
    }
    core->PVR.value = value;
    core->PVR.written = 1;
}

void Processor_Add_Default_Values(PropertyList *list, const char *section)
{
    const char *type = PropertyList__GetString(list, "processor/type");
    PropertyList__AddDefaultString(list, nullptr, "processor/initial/PVR",
                                   Search_PSV_Value(type, "processor/initial/PVR"),
                                   "Initial Value of PVR register");
    PropertyList__AddDefaultString(list, nullptr, "processor/floating_point_estimate_precision",
                                   Search_PSV_Value(type, "processor/floating_point_estimate_precision"),
                                   "Number of meaningful bits for floating point estimate instructions");
    PropertyList__AddDefaultString(list, nullptr, "processor/PIR_bits_for_thread",
                                   Search_PSV_Value(type, "processor/PIR_bits_for_thread"),
                                   "Number of low order bits in PIR register for the thread id");
    PSV_Add_Default_Values(list, section ? section : "");
    Processor_Option_Add_Default_Values(list, section);
}

void Processor_Option_Add_Default_Values(PropertyList *list, const char *section)
{
    char path[256];
    if (section && *section)
        snprintf(path, sizeof path, "%s/processor_option", section);
    else
        snprintf(path, sizeof path, "processor_option");
    const char *type = PropertyList__GetString(list, "processor/type");
    char key[512];
    for (const ProcessorOption *option = PO_list; option->index != PO_COUNT; option++) {
        snprintf(key, sizeof key, "%s/%s", path, option->name);
        PropertyList__AddDefaultString(list, path, option->name, Search_PSV_Value(type, key), option->help);
        if (option->is_public) PropertyList__Set_Visible_Value(list, path, option->name);
    }
}

void Processor_Options_List(ProcessorState *core)
{
    if (!core) return;
    char key[256];
    for (const ProcessorOption *option = PO_list; option->index != PO_COUNT; option++) {
        snprintf(key, sizeof key, "processor_option/%s", option->name);
        SIM_PRINT("Processor_Option_List(): item = %d, value = %d, name = %s\n", (int)option->index,
                  (int)core->options[option->index], key);
    }
}

ExternalDecoder_t *ThreadState_register_decoder(ThreadState *thread, ExternalDecoderFunction decoder,
                                                void *data)
{
    if (!thread) return nullptr;
    ExternalDecoder_t *entry = QUARN_ZALLOC(1, ExternalDecoder_t);
    if (!entry) return nullptr;
    entry->decoder = decoder;
    entry->data = data;
    entry->next = thread->decoders;
    thread->decoders = entry;
    return entry;
}

extern "C" int LIBSIM__RegisterDecoder(ThreadState *thread, ExternalDecoderFunction decoder, void *data)
{
    ThreadState_register_decoder(thread, decoder, data);
    return 1;
}

uint32_t ThreadState_check_decoders(ThreadState *thread, uint32_t first, uint32_t second)
{
    uint32_t result = 0;
    for (ExternalDecoder_t *entry = thread ? thread->decoders : nullptr; entry; entry = entry->next)
        if (entry->decoder) result |= entry->decoder(entry->data, first, second);
    return result;
}

void ThreadState_free_decoders(ThreadState *thread)
{
    if (!thread) return;
    while (ExternalDecoder_t *entry = thread->decoders) {
        thread->decoders = entry->next;
        QUARN_FREE(entry);
    }
}

void Init_Decrementer(ThreadState *thread)
{
    if (thread && !thread->decrementer) thread->decrementer = QUARN_ZALLOC(1, DECREMENTER);
}

void Quit_Decrementer(ThreadState *thread)
{
    if (!thread) return;
    QUARN_FREE(thread->decrementer);
    thread->decrementer = nullptr;
}

void ereg_dec(ThreadState *thread)
{
    if (!thread || !thread->processor) return;
    if (thread->processor->options[PO_FREEZE_TIME_BASE_AND_DEC]) return;
    if (thread->dec_job) return;
    GenericMachine *machine = thread->machine;
    if (!machine || !machine->tsim) return;
    char name[256];
    snprintf(name, sizeof name, "dec %s", thread->name ? thread->name : "");
    thread->dec_job = job_new(machine->tsim, name, ereg_dec_callback, thread);
    if (!thread->dec_job) return;
    job_set_priority(thread->dec_job, DECREMENTER_JOB_PRIORITY);
    job_set(thread->dec_job, 0);
}

extern "C" ThreadState *LIBSIM__CallocThread(void)
{
    ThreadState *thread = QUARN_ZALLOC(1, ThreadState);
    ProcessorState *core = QUARN_ZALLOC(1, ProcessorState);
    if (!thread || !core) {
        QUARN_FREE(thread);
        QUARN_FREE(core);
        return nullptr;
    }
    thread->processor = core;
    return thread;
}

void ProcessorState__SetStandaloneModeInitialState(ProcessorState *) {}

int u_acceptable_reason(const ProcessorState *core, int32_t reason)
{
    if (!core) return 0;
    if (reason == 0) return core->options[PO_TRACK_ARCHITECTURALLY_UNDEFINED_BITS] ? 1 : 0;
    if (reason == 1) return core->options[PO_TRACK_UNMODELED_BITS] ? 1 : 0;
    return 0;
}
