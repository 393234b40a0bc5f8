// Host-served guest memory, memory notices, memory tags, listeners and disk parameters of the
// embedding interface.
#include "embed/libsim_memory.h"

#include "embed/libsim_api.h"

#include <cstring>

#include "memory/memory_bus.h"
#include "memory/memory_tags.h"
#include "memory/reservations.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"
#include "runtime/plugin_events.h"
#include "translator/emat.h"

namespace
{

constexpr uint64_t PAGE = 4096;
constexpr int MAX_ACCESS = 8;
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "byte-order conversion assumes a little-endian host");

// The handle whose routines serve guest memory.
vLIBSIM_data *serving_handle = nullptr;

// The agent of an access: the client's thread, else thread 0 of its machine (read and write).
void *access_object(MemoryClient *client, bool thread_zero_fallback)
{
    if (!client) return nullptr;
    if (client->thread) return client->thread;
    if (thread_zero_fallback && client->machine) return GenericMachine__Thread(client->machine, 0);
    return nullptr;
}

} // namespace

MMAPIentry_s LIBSIM_MMAPI_Interface = {0,       LIBSIM__INIT_MMAPI_FUNCTION, nullptr, LIBSIM__READ_MMAPI_FUNCTION,
                                       LIBSIM__WRITE_MMAPI_FUNCTION, nullptr, nullptr,
                                       LIBSIM__RESOLVE_MMAPI_FUNCTION};

int LIBSIM_Pack_Bytes(uint64_t value, int size, uint8_t *buffer)
{
    if (size < 0 || size > MAX_ACCESS) return 0;
    // The low `size` bytes move to the top, then the byte swap puts the most significant first in
    // memory (the host is little-endian).
    uint64_t big = size == 0 ? 0 : __builtin_bswap64(value << ((8 * (MAX_ACCESS - size)) & 63));
    memcpy(buffer, &big, MAX_ACCESS);
    return 1;
}

uint64_t LIBSIM_Unpack_Bytes(const uint8_t *buffer, int size)
{
    uint64_t big;
    memcpy(&big, buffer, MAX_ACCESS);
    big = __builtin_bswap64(big);
    switch (size) {
    case 1: return big >> 56;
    case 2: return big >> 48;
    case 4: return big >> 32;
    case 8: return big;
    default: return 0;
    }
}

int LIBSIM__RegisterMemory(vLIBSIM_data *handle, LIBSIM_Read_Func read_func, LIBSIM_Write_Func write_func,
                           LIBSIM_Resolve_Func resolve_func)
{
    const char *already = handle->read_func    ? "read_func"
                          : handle->write_func ? "write_func"
                          : handle->resolve_func ? "resolve_func"
                                                 : nullptr;
    if (already) {
        sim_error("LIBSIM__RegisterMemory: %s already set!  ignoring register memory call", already);
        return 0;
    }
    handle->read_func = read_func;
    handle->write_func = write_func;
    handle->resolve_func = resolve_func;
    LIBSIM__INIT_MMAPI_FUNCTION((const char *)(void *)handle, nullptr, nullptr, 0, 0);
    MCM *chip = LSD_MCM(handle);
    if (chip && chip->mbus && chip->mbus->memory_map)
        MemMap_Define_Overflow(chip->mbus->memory_map->map_list, handle->machine->property_list,
                               "SIMICS_MEMORY_OVERFLOW", &LIBSIM_MMAPI_Interface, 0, ~0ull);
    return 1;
}

void *LIBSIM__INIT_MMAPI_FUNCTION(const char *first, PropertyList *list, InstanceLink *, uint64_t, uint64_t)
{
    if (list) return serving_handle;
    serving_handle = (vLIBSIM_data *)(void *)first;
    return nullptr;
}

int LIBSIM__READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t address, uint64_t *value, int size)
{
    vLIBSIM_data *handle = (vLIBSIM_data *)instance;
    if (!handle || !handle->read_func) {
        sim_error("LIBSIM__READ_MMAPI_FUNCTION: read_func NOT set!");
        return 0;
    }
    // The host's buffer holds 8 bytes: wider accesses are refused.
    if (size < 0 || size > MAX_ACCESS) return 0;
    uint8_t buffer[MAX_ACCESS] = {};
    if (!handle->read_func(access_object(access ? access->client : nullptr, true), address, size, buffer)) return 0;
    *value = LIBSIM_Unpack_Bytes(buffer, size);
    return 1;
}

int LIBSIM__WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t address, uint64_t value, int size)
{
    vLIBSIM_data *handle = (vLIBSIM_data *)instance;
    if (!handle || !handle->write_func) {
        sim_error("LIBSIM__WRITE_MMAPI_FUNCTION: write_func NOT set!");
        return 0;
    }
    uint8_t buffer[MAX_ACCESS];
    if (!LIBSIM_Pack_Bytes(value, size, buffer)) return 0;
    return handle->write_func(access_object(access ? access->client : nullptr, true), address, size, buffer) ? 1
                                                                                                            : 0;
}

uint8_t *LIBSIM__RESOLVE_MMAPI_FUNCTION(MemoryClient *client, void *instance, uint64_t address)
{
    vLIBSIM_data *handle = (vLIBSIM_data *)instance;
    if (!handle || !handle->resolve_func) {
        sim_error("LIBSIM__RESOLVE_MMAPI_FUNCTION: resolve_func NOT set!");
        if (handle) LSD_Machine(handle);
        return nullptr;
    }
    uint8_t *pointer = (uint8_t *)handle->resolve_func(access_object(client, false), address);
    LSD_Machine(handle);
    return pointer;
}

uint64_t LIBSIM_Release_Page_Count(uint64_t length)
{
    return (length + 1) / PAGE;
}

void LIBSIM__ReleaseMemory(vLIBSIM_data *handle, uint64_t address, uint64_t length)
{
    GenericMachine *machine = LSD_Machine(handle);
    if (!machine) return;
    ThreadState *thread = GenericMachine__Thread(machine, 0);
    uint64_t page = address & ~(PAGE - 1);
    for (uint64_t i = 0, pages = LIBSIM_Release_Page_Count(length); i < pages; i++, page += PAGE) {
        EMAT_ZAP_PA_(page, "LIBSIM__ReleaseMemory", __FILE__, __LINE__);
        if (thread && thread->mcm) revoke_core_reservations_range(thread->mcm, nullptr, page, PAGE);
    }
}

void LIBSIM__ReleaseMemory_ByPtr(vLIBSIM_data *handle, uint64_t address, uint64_t host_address, uint64_t length)
{
    GenericMachine *machine = LSD_Machine(handle);
    if (!machine) return;
    ThreadState *thread = GenericMachine__Thread(machine, 0);
    uint64_t host_page = host_address & ~(PAGE - 1);
    for (uint64_t i = 0, pages = LIBSIM_Release_Page_Count(length); i < pages; i++) {
        EMAT_ZAP_MA_(host_page + i * PAGE, "LIBSIM__ReleaseMemory", __FILE__, __LINE__);
        if (thread && thread->mcm) revoke_core_reservations_range(thread->mcm, nullptr, address + i * PAGE, PAGE);
    }
}

int LIBSIM__PA_Read_Memory_Reg(void)
{
    return 0;
}

int LIBSIM__PA_Write_Memory_Reg(void)
{
    return 0;
}

int LIBSIM__Register_Memory_Tag_Functions(vLIBSIM_data *handle, MemoryTagReadFunction read,
                                          MemoryTagWriteFunction write, MemoryTagResolveFunction query)
{
    if (GenericMachine *machine = LSD_Machine(handle)) Register_Memory_Tag_Functions(machine, read, write, query, handle);
    return 1;
}

// ---- listeners ----

int LIBSIM__RegisterListener(const char *event_name, void *callback)
{
    return FindListener(event_name) && RegisterListener(event_name, callback, nullptr) ? 1 : 0;
}

int LIBSIM__RegisterMemoryListener(const char *event_name, void *callback)
{
    return LIBSIM__RegisterListener(event_name, callback);
}

int LIBSIM__RegisterCOP_InterruptListener(const char *event_name, void *callback)
{
    return LIBSIM__RegisterListener(event_name, callback);
}

int LIBSIM__UnRegisterListener(const char *event_name, void *callback)
{
    return UnRegisterListener(event_name, callback);
}

int LIBSIM__UnRegisterMemoryListener(const char *event_name, void *callback)
{
    return UnRegisterListener(event_name, callback);
}

int LIBSIM__UnRegisterCOP_InterruptListener(const char *event_name, void *callback)
{
    return UnRegisterListener(event_name, callback);
}

// ---- paravirtual disk ----

BogusDiskParams *LIBSIM__Get_BogusDisk(vLIBSIM_data *handle)
{
    return &handle->disk;
}

namespace
{
// Stores text into a field of `size` bytes; a text that leaves no room for its NUL is refused.
bool store_field(char *field, int size, const char *text)
{
    if ((int)strlen(text) >= size) return false;
    memcpy(field, text, strlen(text) + 1);
    return true;
}
} // namespace

int LIBSIM__Set_BogusDisk(vLIBSIM_data *handle, const char *path, const char *cow_path, const char *mode)
{
    if (!handle) {
        sim_warning(2, "LIBSIM__Set_BogusDisk: called with NULL lsd");
        return 0;
    }
    GenericMachine *machine = LSD_Machine(handle);
    BogusDiskParams *disk = &handle->disk;
    if (!cow_path) cow_path = "simple.cow";
    if (!store_field(disk->cow_path, BOGUS_DISK_PATH_SIZE, cow_path)) {
        sim_warning(2, "LIBSIM__Set_BogusDisk: called with cow_path (\"%s\"), length (%d) greater than allowed (%d)",
                    cow_path, (int)strlen(cow_path), BOGUS_DISK_PATH_SIZE);
        return 0;
    }
    if (!mode) mode = "newcow";
    if (!store_field(disk->mode, BOGUS_DISK_MODE_SIZE, mode)) {
        sim_warning(2, "LIBSIM__Set_BogusDisk: called with mode (%s) length (%d) greater than allowed (%d)", mode,
                    (int)strlen(mode), BOGUS_DISK_MODE_SIZE);
        return 0;
    }
    if (!path) {
        sim_warning(2, "LIBSIM__Set_BogusDisk: called with NULL path");
        return 0;
    }
    if (!store_field(disk->path, BOGUS_DISK_PATH_SIZE, path)) {
        sim_warning(2, "LIBSIM__Set_BogusDisk: called with path (%s) length (%d) greater than allowed (%d)", path,
                    (int)strlen(path), BOGUS_DISK_PATH_SIZE);
        return 0;
    }
    if (disk->path[0] == '\0') {
        SIM_PRINT("Skipping bogus disk\n");
        return 1;
    }
    disk->hash_size = 1024;
    if (!machine || !init_bogusdisk(machine->device_manager, 0, disk)) SIM_PRINT("init_bogusdisk failed.\n");
    return 1;
}
