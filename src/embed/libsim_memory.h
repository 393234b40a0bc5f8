// The embedding interface's guest memory served by the host (the device operations record
// LIBSIM_MMAPI_Interface over the host's read, write and resolve routines), the host's notices
// that memory changed, memory tags, plug-in event listeners and the paravirtual disk parameters.
#pragma once

#include <cstdint>

#include "embed/libsim.h"
#include "memory/memory_map.h"
#include "processor/records/generic_machine.h"

extern "C" {
extern MMAPIentry_s LIBSIM_MMAPI_Interface;

int LIBSIM__RegisterMemory(vLIBSIM_data *handle, LIBSIM_Read_Func read_func, LIBSIM_Write_Func write_func,
                           LIBSIM_Resolve_Func resolve_func);
// The record's slots. Init with a property list answers the serving handle; without one it makes
// its first argument (a handle) the serving handle and answers null.
void *LIBSIM__INIT_MMAPI_FUNCTION(const char *first, PropertyList *list, InstanceLink *link, uint64_t start,
                                  uint64_t end);
int LIBSIM__READ_MMAPI_FUNCTION(MMAPI_Access *access, void *handle, uint64_t address, uint64_t *value, int size);
int LIBSIM__WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *handle, uint64_t address, uint64_t value, int size);
uint8_t *LIBSIM__RESOLVE_MMAPI_FUNCTION(MemoryClient *client, void *handle, uint64_t address);

void LIBSIM__ReleaseMemory(vLIBSIM_data *handle, uint64_t address, uint64_t length);
void LIBSIM__ReleaseMemory_ByPtr(vLIBSIM_data *handle, uint64_t address, uint64_t host_address, uint64_t length);
int LIBSIM__PA_Read_Memory_Reg(void);
int LIBSIM__PA_Write_Memory_Reg(void);
int LIBSIM__Register_Memory_Tag_Functions(vLIBSIM_data *handle, MemoryTagReadFunction read,
                                          MemoryTagWriteFunction write, MemoryTagResolveFunction query);

// Plug-in event listeners without an owner: 1 when added (removed), 0 for an unknown event (no
// such listener).
int LIBSIM__RegisterListener(const char *event_name, void *callback);
int LIBSIM__RegisterMemoryListener(const char *event_name, void *callback);
int LIBSIM__RegisterCOP_InterruptListener(const char *event_name, void *callback);
int LIBSIM__UnRegisterListener(const char *event_name, void *callback);
int LIBSIM__UnRegisterMemoryListener(const char *event_name, void *callback);
int LIBSIM__UnRegisterCOP_InterruptListener(const char *event_name, void *callback);

BogusDiskParams *LIBSIM__Get_BogusDisk(vLIBSIM_data *handle);
int LIBSIM__Set_BogusDisk(vLIBSIM_data *handle, const char *path, const char *cow_path, const char *mode);
}

// The number of 4 KB pages LIBSIM__ReleaseMemory processes for a length.
uint64_t LIBSIM_Release_Page_Count(uint64_t length);
// Fills an 8-byte buffer with the low `size` bytes of value, most significant first; 0 for sizes
// above 8. Reads the value of `size` bytes back (sizes 1, 2, 4, 8; any other gives 0).
int LIBSIM_Pack_Bytes(uint64_t value, int size, uint8_t *buffer);
uint64_t LIBSIM_Unpack_Bytes(const uint8_t *buffer, int size);
