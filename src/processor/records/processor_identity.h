// Processor identity and the small set-up and teardown operations of a core: the chip-version
// (DD level) table and its link to the PVR, the processor defaults and option defaults, the
// external instruction decoders of a thread, the decrementer record and job.
#pragma once

#include <cstdint>

struct ProcessorState;
struct PropertyList;
struct ThreadState;

struct chip_version_info {
    const char *name; // null ends the table
    int32_t number;
};

extern const chip_version_info known_chip_versions[];

// The first row with that number / exactly that name, else the end row.
const chip_version_info *get_chip_version_info_by_numeric(int32_t number);
const chip_version_info *get_chip_version_info_by_string(const char *name);
// Sets the core's chip version; an unknown name is an error and "DD2.0" is used. Returns 1.
int Set_Chip_Version(ProcessorState *core, const char *name);
int32_t PROCESSOR_CHIP_VERSION(const ProcessorState *core);
int PROCESSOR_CHIP_VERSION_IS_DD20(const ProcessorState *core);

// Stores the PVR (written); a low half naming another known chip version switches the core to it.
void RAW_SET_PVR(ProcessorState *core, uint32_t value);

// The processor defaults (initial PVR, estimate precision, PIR bits, every processor-specific
// value, the option defaults) for the list's processor type.
void Processor_Add_Default_Values(PropertyList *list, const char *section);
// One default per processor option under "<section>/processor_option" (or "processor_option").
void Processor_Option_Add_Default_Values(PropertyList *list, const char *section);
// Prints every option with its key and the core's value.
void Processor_Options_List(ProcessorState *core);

// External instruction decoders that a library host attaches to a thread.
typedef uint32_t (*ExternalDecoderFunction)(void *data, uint32_t first, uint32_t second);
struct ExternalDecoder_t {
    ExternalDecoderFunction decoder;
    void *data;
    ExternalDecoder_t *next;
};
ExternalDecoder_t *ThreadState_register_decoder(ThreadState *thread, ExternalDecoderFunction decoder,
                                                void *data);
extern "C" int LIBSIM__RegisterDecoder(ThreadState *thread, ExternalDecoderFunction decoder, void *data);
// The OR of every decoder's result, newest first; 0 for none.
uint32_t ThreadState_check_decoders(ThreadState *thread, uint32_t first, uint32_t second);
// Frees the thread's decoders.
void ThreadState_free_decoders(ThreadState *thread);

void Init_Decrementer(ThreadState *thread);
void Quit_Decrementer(ThreadState *thread);
// Creates the thread's decrementer job "dec <thread>" (priority 0x7FFFFFFD) unless the core freezes
// the time base and decrementers or the thread has one.
void ereg_dec(ThreadState *thread);

// A zeroed thread linked to a zeroed processor, for library hosts.
extern "C" ThreadState *LIBSIM__CallocThread(void);
void ProcessorState__SetStandaloneModeInitialState(ProcessorState *core);
// Reason 0: TRACK_ARCHITECTURALLY_UNDEFINED_BITS; reason 1: TRACK_UNMODELED_BITS; else 0.
int u_acceptable_reason(const ProcessorState *core, int32_t reason);
