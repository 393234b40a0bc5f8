// The RTAS console window.
#include "devices/rtas_console.h"

#include "devices/console.h"
#include "memory/memory_bus.h"
#include "processor/config/config_getters.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

MMAPIentry_s G_MMAPI_RTAS_CONSOLE = {
    MMAPI_VERSION,
    RTAS_CONSOLE_INIT_MMAPI_FUNCTION,
    RTAS_CONSOLE_QUIT_MMAPI_FUNCTION,
    RTAS_CONSOLE_READ_MMAPI_FUNCTION,
    RTAS_CONSOLE_WRITE_MMAPI_FUNCTION,
    nullptr,
    nullptr,
    nullptr,
};

namespace
{

// Reads from the backing element at a physical address; 0 when it lies outside it.
int backing_read(MMAPI_Access *access, const RTAS_CONSOLE *window, uint64_t address, uint64_t *value,
                 int length)
{
    const MapListElement *backing = window->backing;
    if (!backing || !backing->ops || !backing->ops->read || address < backing->start ||
        address + (uint64_t)length - 1 > backing->end || address + (uint64_t)length - 1 < address)
        return 0;
    return backing->ops->read(access, backing->instance, address - backing->start, value, length);
}

} // namespace

void Setup_RTAS_CONSOLE(PropertyList *list, MCM *chip)
{
    if (!chip || !chip->mbus) return;
    uint64_t start = 0, end = 0;
    if (!PropertyList__GetU64Pair(list, "RTAS_CONSOLE_START", &start, "RTAS_CONSOLE_END", &end)) return;
    if (start >= end) {
        sim_warning(2, "found RTAS_CONSOLE, but start = 0x%016lX, end = 0x%016lX", (unsigned long)start,
                    (unsigned long)end);
        return;
    }
    MemoryMap *map = chip->mbus->memory_map;
    MapListElement *first = MemMap_SearchByAddr(map, start);
    MapListElement *last = MemMap_SearchByAddr(map, end);
    if (!first || first != last) {
        sim_warning(2, "RTAS_CONSOLE (from 0x%016lX to 0x%016lX) is backed by two different devices (%s,%s)",
                    (unsigned long)start, (unsigned long)end, first ? first->name : "none",
                    last ? last->name : "none");
        return;
    }
    auto *window = static_cast<RTAS_CONSOLE *>(
        MemMap_Define(chip, "RTAS_CONSOLE", &G_MMAPI_RTAS_CONSOLE, start, end, nullptr));
    if (!window) return;
    window->backing = first;
    window->console = Get_Console(chip->machine);
}

void *RTAS_CONSOLE_INIT_MMAPI_FUNCTION(const char *, PropertyList *, InstanceLink *, uint64_t start,
                                       uint64_t end)
{
    RTAS_CONSOLE *window = (RTAS_CONSOLE *)quarn_zalloc(sizeof(RTAS_CONSOLE), sizeof(RTAS_CONSOLE),
                                                        "RTAS_CONSOLE", __FILE__, __LINE__);
    if (!window) return nullptr;
    window->start = start;
    window->end = end;
    window->size = end - start + 1;
    return window;
}

void RTAS_CONSOLE_QUIT_MMAPI_FUNCTION(void *instance)
{
    QUARN_FREE(instance);
}

int RTAS_CONSOLE_READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t *value,
                                     int length)
{
    auto *window = static_cast<RTAS_CONSOLE *>(instance);
    if (length <= 0 || offset + (uint64_t)length > window->size) {
        sim_error(
            "RTAS_CONSOLE_Read: reference exceeds size of memory 0x%016lX + length %d = 0x%016lX > 0x%016lX",
            (unsigned long)offset, length, (unsigned long)(offset + length - 1), (unsigned long)window->size);
        *value = 0;
        return 0;
    }
    return backing_read(access, window, window->start + offset, value, length);
}

int RTAS_CONSOLE_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t value,
                                      int length)
{
    auto *window = static_cast<RTAS_CONSOLE *>(instance);
    if (length <= 0 || offset + (uint64_t)length > window->size) {
        sim_error(
            "RTAS_CONSOLE_Write: reference exceeds size of memory 0x%016lX + length %d = 0x%016lX > 0x%016lX",
            (unsigned long)offset, length, (unsigned long)(offset + length - 1), (unsigned long)window->size);
        return 0;
    }
    uint64_t address = window->start + offset;
    if (length == 4 && address == RTAS_CONSOLE_WORD) {
        uint64_t old = 0;
        if (backing_read(access, window, address, &old, 4)) {
            int32_t count = (int32_t)((uint32_t)value - (uint32_t)old);
            for (int32_t i = 0; i < count; i++) {
                uint64_t byte = 0;
                // Bytes outside the backing element end the output.
                if (!backing_read(access, window, (uint32_t)old + (uint64_t)i, &byte, 1)) break;
                Console_Write(window->console, (int)byte);
            }
        }
    }
    const MapListElement *backing = window->backing;
    if (!backing || !backing->ops || !backing->ops->write) return 0;
    return backing->ops->write(access, backing->instance, address - backing->start, value, length);
}
