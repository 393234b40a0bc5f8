// The embedding interface's handle: its record, the lazy creation of its one machine, and the
// exported functions for life cycle, run control, simulation mode, machine settings, statistics,
// debug categories and configuration values.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guest/bogus_disk.h"
#include "processor/hooks/embed_hooks.h"

struct GenericMachine;
struct MCM;
struct MemoryClient;
struct PropertyList;
struct ThreadState;

// The host's guest-memory routines: (object, physical address, size, 8-byte buffer in memory order)
// → non-zero on success; resolve gives a host pointer for the address or null.
extern "C" {
typedef int (*LIBSIM_Read_Func)(void *object, uint64_t address, int32_t size, uint8_t *buffer);
typedef int (*LIBSIM_Write_Func)(void *object, uint64_t address, int32_t size, const uint8_t *buffer);
typedef void *(*LIBSIM_Resolve_Func)(void *object, uint64_t address);
}

// The paravirtual disk parameters a host sees through LIBSIM__Get_BogusDisk (path, mode,
// cow_path, block size).
typedef BogusDiskSpec BogusDiskParams;

struct vLIBSIM_data {
    GenericMachine *machine; // made on first need (LSD_Machine)
    MCM *mcm;                // chip 0, kept by LSD_MCM
    PropertyList *plist;
    MemoryClient *memory_client; // "Simics" on chip 0, made by LSD_MemoryClient
    LIBSIM_Read_Func read_func;
    LIBSIM_Write_Func write_func;
    LIBSIM_Resolve_Func resolve_func;
    BogusDiskParams disk;
};

// The configuration that LIBSIM__Init made and the next LIBSIM__Create takes over.
extern PropertyList *global_property_list;

// Chip 0 of the handle's machine (kept); null when the machine has none.
MCM *LSD_MCM(vLIBSIM_data *handle);
// The handle's memory client "Simics" on chip 0, made on first use.
MemoryClient *LSD_MemoryClient(vLIBSIM_data *handle);

extern "C" {
typedef void (*LIBSIM_Free_Func)(void *pointer, const char *file, int line);
typedef void *(*LIBSIM_Malloc_Func)(size_t size, size_t element_size, const char *type_name, const char *file,
                                    int line);
typedef void *(*LIBSIM_Realloc_Func)(void *pointer, size_t size, size_t element_size, const char *type_name,
                                     const char *file, int line);
typedef int64_t (*LIBSIM_Output_Func)(void *data, unsigned int level, const char *text);

// Life cycle.
PropertyList *LIBSIM__Init(void);
vLIBSIM_data *LIBSIM__Create(int processors);
void LIBSIM__Destroy(vLIBSIM_data *handle);
void LIBSIM__ChangeMemMgmtCalls(LIBSIM_Free_Func free_func, LIBSIM_Malloc_Func malloc_func,
                                LIBSIM_Malloc_Func zalloc_func, LIBSIM_Realloc_Func realloc_func);
int LIBSIM__RegisterOutputSink(LIBSIM_Output_Func output, void *data);
const char *LIBSIM__GetVersion(void);

// Run control (LIBSIM__Run, LIBSIM__CycleLimit and the tick functions: processor/run/run_control.h).
uint64_t LIBSIM__GetCycles(vLIBSIM_data *handle);
void LIBSIM__StopSimulation(vLIBSIM_data *handle);
uint64_t LIBSIM__StepLimit(ThreadState *thread, uint64_t n);
uint64_t LIBSIM__InstCount(ThreadState *thread);
uint64_t LIBSIM__M_Get_Instruction_Number(vLIBSIM_data *handle);
void LIBSIM__M_Set_Instruction_Number(vLIBSIM_data *handle, uint64_t count);
int LIBSIM__GetChunkSize(vLIBSIM_data *handle);
void LIBSIM__SetChunkSize(vLIBSIM_data *handle, int size);

// Simulation mode.
int LIBSIM__SetMode(vLIBSIM_data *handle, const char *name);
void LIBSIM__SetMode_ID(vLIBSIM_data *handle, int mode);
void LIBSIM__TurboMode(vLIBSIM_data *handle);

// Machine settings.
int LIBSIM__GetBitAccurateMode(vLIBSIM_data *handle);
int LIBSIM__SetBitAccurateMode(vLIBSIM_data *handle, int value);
int LIBSIM__Get_TurboDelayOnPriorityLow(vLIBSIM_data *handle);
void LIBSIM__Set_TurboDelayOnPriorityLow(vLIBSIM_data *handle, int value);
uint64_t LIBSIM__GetNoopCycleDelay(vLIBSIM_data *handle);
void LIBSIM__SetNoopCycleDelay(vLIBSIM_data *handle, int value);
int LIBSIM__GetInstProfilingState(vLIBSIM_data *handle);
int LIBSIM__SetInstProfilingState(vLIBSIM_data *handle);

// Statistics and vocabulary.
void LIBSIM__StatsReset(vLIBSIM_data *handle);
void LIBSIM__StatsPrint(vLIBSIM_data *handle);
int LIBSIM__ExceptionCount(vLIBSIM_data *handle);
const char *LIBSIM__ExceptionName(vLIBSIM_data *handle, int type);

// Debug categories.
int LIBSIM__DebugCount(void);
const char *LIBSIM__DebugName(int id);
void LIBSIM__SetDebugState(int id, int level);
int LIBSIM__GetDebugState(int id);
void LIBSIM__SpecialDebugOn(void);
void LIBSIM__Debug(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Configuration values.
int LIBSIM__UpdatePropertyValue(vLIBSIM_data *handle, const char *key, const char *value);
const char *LIBSIM__GetPropertyValue(vLIBSIM_data *handle, const char *key);
}
