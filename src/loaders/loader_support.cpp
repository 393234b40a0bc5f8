// Loader helpers: memory copies and file reads.
#include "loaders/loader_support.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "memory/hooks/page_tables.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/memory_region.h"
#include "memory/ram_block.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"

namespace
{

constexpr uint64_t PIECE_SIZE = 4096;

MemoryMap *client_map(MemoryClient *client)
{
    MCM *chip = client ? client->mcm : nullptr;
    return chip && chip->mbus ? chip->mbus->memory_map : nullptr;
}

} // namespace

int Loader_Copy_To_Memory(MemoryClient *client, uint64_t address, const void *buffer, uint64_t length)
{
    MemoryMap *map = client_map(client);
    if (!map) return 0;
    GenericMachine *machine = client->machine;
    bool translated = machine && (machine->mode == MODE_TURBO || machine->mode == MODE_PTURBO ||
                                  machine->mode == MODE_NAMELESS);
    const uint8_t *bytes = static_cast<const uint8_t *>(buffer);
    int result = 1;
    uint64_t done = 0;
    while (done < length) {
        uint64_t a = address + done;
        uint64_t piece = std::min(length - done, PIECE_SIZE - (a & (PIECE_SIZE - 1)));
        MapListElement *element = MapList_SearchForUniqueByAddr(map->map_list, a, piece);
        bool block = element && element->ops && element->ops->block_write && element->start <= a &&
                     piece - 1 <= element->end - a;
        if (block) {
            MMAPI_Access access = {0, 0, client};
            if (!element->ops->block_write(&access, element->instance, a - element->start, piece,
                                           bytes + done))
                result = 0;
            if (translated) turbo_xlate_flush_for_pa(a & ~(PIECE_SIZE - 1), map->page_table, client);
        } else if (!PA_copy_buffer_directly_to_memory(client, a, bytes + done, (int64_t)piece, 0)) {
            result = 0;
        }
        done += piece;
    }
    return result;
}

int64_t Loader_Read_Fully(int fd, void *buffer, size_t length)
{
    uint8_t *bytes = static_cast<uint8_t *>(buffer);
    size_t got = 0;
    while (got < length) {
        ssize_t n = read(fd, bytes + got, length - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        got += (size_t)n;
    }
    return (int64_t)got;
}

bool Loader_Range_In_Memory(MemoryClient *client, uint64_t address, uint64_t length)
{
    MemoryMap *map = client_map(client);
    GenericMachine *machine = client ? client->machine : nullptr;
    if (!map || !map->map_list || !machine) return false;
    if (length == 0) return true;
    uint64_t last = address + length - 1;
    if (last < address || length > machine->total_memory) return false;
    // Walk the range piece by piece: each must be memory (a memory region, an FBAR, the RAM
    // block) or the overflow memory no device covers; a device window or a hole refuses it.
    for (uint64_t at = address;;) {
        MapListElement *element = MapList_SearchByAddr(map->map_list, at);
        if (!element) return false; // no device and no overflow memory
        uint64_t piece_end;
        if (element != map->map_list->overflow) {
            if (element->ops != &G_MMAPI_MEMORY && element->ops != &G_MMAPI_FBAR &&
                element->ops != &G_MMAPI_RAM)
                return false;
            piece_end = element->end;
        } else {
            piece_end = ~uint64_t(0); // up to the next element above
            for (MapListElement *e = map->map_list->first; e; e = e->next)
                if (e->start > at && e->start - 1 < piece_end) piece_end = e->start - 1;
        }
        if (piece_end >= last) return true;
        at = piece_end + 1;
    }
}
