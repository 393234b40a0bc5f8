/* The embedding interface as a C host program sees it: opaque handles and the exported LIBSIM__
 * functions it drives the simulator with. Plain C; the simulator's own sources include it too, so
 * the compiler checks that these declarations match the definitions. */
#ifndef QUARN_EMBED_LIBSIM_API_H
#define QUARN_EMBED_LIBSIM_API_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct vLIBSIM_data vLIBSIM_data;
typedef struct ThreadState ThreadState;
typedef struct PropertyList PropertyList;
typedef struct GenericMachine GenericMachine;

/* The host's guest memory: bytes in memory order (big-endian values); non-zero on success. */
typedef int (*LIBSIM_Read_Func)(void *object, uint64_t address, int32_t size, uint8_t *buffer);
typedef int (*LIBSIM_Write_Func)(void *object, uint64_t address, int32_t size, const uint8_t *buffer);
typedef void *(*LIBSIM_Resolve_Func)(void *object, uint64_t address);
/* Every message of the simulator: (data, level, text). */
typedef int64_t (*LIBSIM_Output_Func)(void *data, unsigned int level, const char *text);

/* Life cycle and run control. */
PropertyList *LIBSIM__Init(void);
vLIBSIM_data *LIBSIM__Create(int processors);
void LIBSIM__Destroy(vLIBSIM_data *handle);
int LIBSIM__RegisterOutputSink(LIBSIM_Output_Func output, void *data);
const char *LIBSIM__GetVersion(void);
uint64_t LIBSIM__Run(vLIBSIM_data *handle);
uint64_t LIBSIM__CycleLimit(vLIBSIM_data *handle, uint64_t n);
void LIBSIM__StopSimulation(vLIBSIM_data *handle);
uint64_t LIBSIM__StepLimit(ThreadState *thread, uint64_t n);
uint64_t LIBSIM__InstCount(ThreadState *thread);
uint64_t LIBSIM__M_Get_Instruction_Number(vLIBSIM_data *handle);
int LIBSIM__SetMode(vLIBSIM_data *handle, const char *name);
const char *LIBSIM__GetMode(vLIBSIM_data *handle);
int LIBSIM__UpdatePropertyValue(vLIBSIM_data *handle, const char *key, const char *value);
const char *LIBSIM__GetPropertyValue(vLIBSIM_data *handle, const char *key);
int LIBSIM__DebugCount(void);
const char *LIBSIM__DebugName(int id);

/* Threads and registers. */
ThreadState *LIBSIM__GetThread(vLIBSIM_data *handle, int number);
ThreadState *LIBSIM__AllocThread(vLIBSIM_data *handle, int number);
const char *LIBSIM__ThreadName(ThreadState *thread);
int LIBSIM__EnableThread(ThreadState *thread);
int LIBSIM__DisableThread(ThreadState *thread);
uint64_t LIBSIM__GetPC(ThreadState *thread);
void LIBSIM__SetPC(ThreadState *thread, uint64_t address);
uint64_t LIBSIM__GetGPR(ThreadState *thread, int n);
void LIBSIM__SetGPR(ThreadState *thread, int n, uint64_t value);
uint64_t LIBSIM__GetFPR(ThreadState *thread, int n);
void LIBSIM__SetFPR(ThreadState *thread, int n, uint64_t value);
uint64_t LIBSIM__GetSPR(ThreadState *thread, int spr);
void LIBSIM__SetSPR(ThreadState *thread, int spr, uint64_t value);
int LIBSIM__EXSR_Count(void);
const char *LIBSIM__EXSR_Name(uint32_t id);
uint64_t LIBSIM__EXSR_Get(ThreadState *thread, uint32_t id);
void LIBSIM__EXSR_Set(ThreadState *thread, uint32_t id, uint64_t value);
int32_t LIBSIM__EXSR_Number(const char *name);

/* Memory and listeners. */
int LIBSIM__RegisterMemory(vLIBSIM_data *handle, LIBSIM_Read_Func read_func, LIBSIM_Write_Func write_func,
                           LIBSIM_Resolve_Func resolve_func);
void LIBSIM__ReleaseMemory(vLIBSIM_data *handle, uint64_t address, uint64_t length);
int LIBSIM__RegisterListener(const char *event_name, void *callback);
int LIBSIM__UnRegisterListener(const char *event_name, void *callback);
int LIBSIM__Set_BogusDisk(vLIBSIM_data *handle, const char *path, const char *cow_path, const char *mode);

/* Trace libraries. */
int32_t LIBSIM__Trc_load(const char *path, int32_t argc, char **argv);
int32_t LIBSIM__Trc_unload(int32_t id);
int LIBSIM__Trc_get_mode(void);

#ifdef __cplusplus
}
#endif

#endif
