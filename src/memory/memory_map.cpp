// Memory maps, map lists and elements, memory clients and the physical access operations.
#include "memory/memory_map.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "kernel/fault.h"
#include "memory/hooks/page_tables.h"
#include "memory/memory_bus.h"
#include "memory/memory_region.h"
#include "memory/reservations.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instance_link.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/tcl_output.h"

MapList *MapList_Global_List = nullptr;

namespace
{

constexpr int DEBUG_CATEGORY_MEMORY_MAP = 78;
constexpr uint64_t PAGE_SIZE = 4096;

// The last byte of [address, address + length) within [address, end], without wrapping: an
// access whose last byte lies beyond the element, or beyond 2^64 - 1, does not fit.
inline bool access_fits(const MapListElement *element, uint64_t address, uint64_t length)
{
    return length == 0 || length - 1 <= element->end - address;
}

// The last address of a range, clamped at 2^64 - 1.
inline uint64_t range_last(uint64_t address, uint64_t length)
{
    if (length == 0) return address;
    uint64_t last = address + (length - 1);
    return last < address ? UINT64_MAX : last;
}

MemoryMap *chip_map(MCM *chip)
{
    return chip && chip->mbus ? chip->mbus->memory_map : nullptr;
}

MapList *chip_map_list(MCM *chip)
{
    MemoryMap *map = chip_map(chip);
    return map ? map->map_list : nullptr;
}

void default_print(Tcl_Interp *interpreter, const char *format, const char *name, uint64_t start,
                   uint64_t end, const char *extra)
{
    SIM_TCLPRINT(interpreter, format, name, (unsigned long)start, (unsigned long)end, extra ? extra : "");
}

void quit_instance(MapListElement *element)
{
    if (!element->duplicate && element->ops && element->ops->quit) element->ops->quit(element->instance);
}

// Unlinks and frees every element of the list, quitting instances when asked.
void drop_elements(MapList *list, bool quit)
{
    list->last_hit = nullptr;
    MapList_Changes++;
    while (MapListElement *element = list->first) {
        list->first = element->next;
        list->count--;
        element->owner = nullptr;
        if (quit) quit_instance(element);
        MLE_Free(element);
    }
    list->count = 0;
}

void drop_overflow(MapList *list, bool quit)
{
    if (MapListElement *overflow = list->overflow) {
        MapList_Changes++;
        list->overflow = nullptr;
        overflow->owner = nullptr;
        if (quit) quit_instance(overflow);
        MLE_Free(overflow);
    }
}

} // namespace

uint64_t MapList_Changes = 0;

// ---- maps ----

MemoryMap *MemMap_New(MCM *chip, const char *name)
{
    MemoryMap *map = QUARN_ZALLOC(1, MemoryMap);
    if (!map) sim_panic("Too many mapped devices");
    char text[512];
    if (!name) {
        snprintf(text, sizeof text, "MemoryMap for %s", chip && chip->name ? chip->name : "<null>");
        name = text;
    }
    map->mcm = chip;
    map->name = REMEMBER_STRING(name);
    map->map_list = MapList_Init(name);
    map->page_table = ipt_new(chip);
    map->segment_table = segtab_new();
    return map;
}

MemoryMap *MemMap_Create(MCM *chip)
{
    if (!chip) return nullptr;
    GenericMachine *machine = chip->machine;
    if (machine && machine->distributed_smp) {
        if (MemoryMap *map = chip_map(chip)) return map;
    } else if (machine && machine->memory_maps) {
        return machine->memory_maps;
    }
    MemoryMap *map = MemMap_New(chip, nullptr);
    if (chip->mbus) chip->mbus->memory_map = map;
    if (machine) {
        map->next = machine->memory_maps;
        machine->memory_maps = map;
    }
    gate_init(&map->gate, machine ? machine->tsim : nullptr, 1);
    return map;
}

void *MemMap_Define(MCM *chip, const char *name, MMAPIentry_s *ops, uint64_t start, uint64_t end,
                    void *instance)
{
    MapList *list = chip_map_list(chip);
    if (!list || !name) return nullptr;
    GenericMachine *machine = chip->machine;
    if (memoryDataless && machine) {
        uint64_t shift = machine->memory_region_id_shift;
        uint64_t region = shift < 64 ? start >> shift : 0;
        if (region >= machine->memory_region_count || start != machine->memory_regions[region].start)
            return nullptr;
    }
    if (MapListElement *existing = MapList_SearchByName(list, name)) {
        if (existing->start == start && existing->end == end) return existing->instance;
        sim_warning(2,
                    "Duplicate device name already exists: %s: 0x%016lX to 0x%016lX and %s: 0x%016lX to "
                    "0x%016lX",
                    existing->name, (unsigned long)existing->start, (unsigned long)existing->end, name,
                    (unsigned long)start, (unsigned long)end);
    }
    if (MapList_CheckForOverlap(list, name, start, end) == 1) {
        MapListElement *found = MapList_SearchByAddr(list, start);
        if (found && found->start == start && found->end == end) return found->instance;
    }
    if (instance) {
        Duplicate_in_MapList(list, name, ops, start, end, instance);
        return instance;
    }
    if (ops && ops->init)
        instance = ops->init(name, machine ? machine->property_list : nullptr, chip->link, start, end);
    Add_to_MapList(list, name, ops, start, end, instance);
    return instance;
}

void *MemMap_Define_Overflow(MapList *list, PropertyList *properties, const char *name, MMAPIentry_s *ops,
                             uint64_t start, uint64_t end)
{
    if (!list) return nullptr;
    void *instance = ops && ops->init ? ops->init(name, properties, nullptr, start, end) : nullptr;
    drop_overflow(list, true);
    MapListElement *element = New_Memory_Map_Entry(name, ops, start, end, instance, 0);
    element->owner = list;
    list->overflow = element;
    MapList_Changes++;
    return instance;
}

void MemMap_Delete(MemoryMap *map, const char *name)
{
    MapListElement *element = map ? MapList_Delete_Element(map->map_list, name) : nullptr;
    if (!element) {
        sim_warning(2, "1: Delete undefined memory mapped region for %s", name ? name : "");
        return;
    }
    quit_instance(element);
    MLE_Free(element);
}

void MemMap_DeleteAll(MemoryMap *map)
{
    if (!map || !map->map_list) return;
    drop_elements(map->map_list, true);
    drop_overflow(map->map_list, true);
}

void MemMap_DeleteMap(MemoryMap *map)
{
    if (!map) return;
    if (map->mcm && map->mcm->machine) {
        for (MemoryMap **link = &map->mcm->machine->memory_maps; *link; link = &(*link)->next) {
            if (*link == map) {
                *link = map->next;
                break;
            }
        }
    }
    MapList_Quit(map->map_list);
    ipt_free(map->page_table);
    gate_cleanup(&map->gate);
    FORGET_STRING(map->name);
    QUARN_FREE(map);
}

MapListElement *MemMap_SearchByAddr(MemoryMap *map, uint64_t address)
{
    return map ? MapList_SearchByAddr(map->map_list, address) : nullptr;
}

int MemMap_ValidAddr(MemoryMap *map, uint64_t address)
{
    return MemMap_SearchByAddr(map, address) != nullptr;
}

ipt *MemMap_GetIptForPA(MemoryMap *map, uint64_t address)
{
    return MemMap_SearchByAddr(map, address) ? map->page_table : nullptr;
}

MapListElement *MemMap_SearchByName(MemoryMap *map, const char *name)
{
    return map ? MapList_SearchByName(map->map_list, name) : nullptr;
}

uint64_t MemMap_StartByName(MemoryMap *map, const char *name)
{
    MapListElement *element = MemMap_SearchByName(map, name);
    return element ? element->start : 0;
}

uint64_t MemMap_EndByName(MemoryMap *map, const char *name)
{
    MapListElement *element = MemMap_SearchByName(map, name);
    return element ? element->end : 0;
}

void default_unmap_proc(void *, MCM *chip, const char *name)
{
    MemMap_Delete(chip_map(chip), name);
}

// ---- map lists and elements ----

MapList *MapList_Init(const char *name)
{
    MapList *list = QUARN_ZALLOC(1, MapList);
    if (!list) sim_panic("Too many mapped devices");
    list->name = REMEMBER_STRING(name ? name : "");
    list->next = MapList_Global_List;
    MapList_Global_List = list;
    return list;
}

void MapList_Add_Element(MapList *list, MapListElement *element)
{
    if (!list || !element) return;
    MapListElement **link = &list->first;
    for (MapListElement *e = list->first; e; link = &e->next, e = e->next) {
        bool inside = e->start < element->start && element->end <= e->end;
        bool ends_first = e->start >= element->start && element->end < e->end;
        if (inside || ends_first) break;
    }
    element->next = *link;
    *link = element;
    list->count++;
    element->owner = list;
    list->last_hit = nullptr;
    MapList_Changes++;
}

MapListElement *MapList_First(MapList *list)
{
    return list ? list->first : nullptr;
}

MapListElement *MapList_SearchByAddr(MapList *list, uint64_t address)
{
    if (!list) return nullptr;
    // Searches may come from several host threads: the remembered element is one atomic word.
    MapListElement *hit = __atomic_load_n(&list->last_hit, __ATOMIC_RELAXED);
    if (hit && hit->start <= address && address <= hit->end) return hit;
    for (MapListElement *e = list->first; e; e = e->next) {
        if (e->start <= address && address <= e->end) {
            bool shadowed = false;
            for (MapListElement *before = list->first; before != e; before = before->next)
                if (before->start <= e->end && e->start <= before->end) shadowed = true;
            __atomic_store_n(&list->last_hit, shadowed ? nullptr : e, __ATOMIC_RELAXED);
            return e;
        }
    }
    return list->overflow;
}

MapListElement *MapList_SearchForUniqueByAddr(MapList *list, uint64_t address, uint64_t length)
{
    if (!list) return nullptr;
    uint64_t last = range_last(address, length);
    MapListElement *found = nullptr;
    int count = 0;
    for (MapListElement *e = list->first; e; e = e->next) {
        if (address <= e->end && last >= e->start) {
            found = e;
            if (++count > 1) return nullptr;
        }
    }
    if (count == 1) return found;
    MapListElement *overflow = list->overflow;
    if (overflow && address <= overflow->end && last >= overflow->start) return overflow;
    return nullptr;
}

MapListElement *MapList_SearchByName(MapList *list, const char *name)
{
    if (!list || !name) return nullptr;
    for (MapListElement *e = list->first; e; e = e->next)
        if (strcmp(e->name, name) == 0) return e;
    return nullptr;
}

MapListElement *MapList_Delete_Element(MapList *list, const char *name)
{
    if (!list || !name) return nullptr;
    for (MapListElement **link = &list->first; *link; link = &(*link)->next) {
        MapListElement *e = *link;
        if (strcmp(e->name, name) == 0) {
            *link = e->next;
            e->next = nullptr;
            list->count--;
            list->last_hit = nullptr;
            MapList_Changes++;
            e->owner = nullptr;
            return e;
        }
    }
    return nullptr;
}

int MapList_CheckForOverlap(MapList *list, const char *name, uint64_t start, uint64_t end)
{
    if (!list) return 1;
    for (MapListElement *e = list->first; e; e = e->next) {
        if (!e->enabled || start > e->end || end < e->start) continue;
        if (name && strcmp(e->name, name) == 0 && e->start == start && e->end == end) return 1;
        sim_warning(2,
                    "Address overlap between previous %s (0x%016lX,0x%016lX) and new %s (0x%016lX,0x%016lX)",
                    e->name, (unsigned long)e->start, (unsigned long)e->end, name ? name : "",
                    (unsigned long)start, (unsigned long)end);
    }
    return 0;
}

void MapList_Quit(MapList *list)
{
    if (!list) return;
    if (list->count > 0) {
        sim_warning(2, "deleting non-empty maplist: %s", list->name);
        MapList_Print(list);
    }
    drop_elements(list, false);
    drop_overflow(list, false);
    MapList **link = &MapList_Global_List;
    while (*link && *link != list)
        link = &(*link)->next;
    if (*link)
        *link = list->next;
    else
        sim_error("maplist '%s' missing from global map list", list->name);
    FORGET_STRING(list->name);
    QUARN_FREE(list);
}

void MapList_Quit_All(MapList *list)
{
    if (!list) return;
    while (list->first) {
        MapListElement *element = MapList_Delete_Element(list, list->first->name);
        quit_instance(element);
        MLE_Free(element);
    }
    drop_overflow(list, true);
}

void MapList_Clear(MapList *list)
{
    if (!list) return;
    drop_elements(list, false);
}

void *MapList_Define(MapList *list, PropertyList *properties, const char *name, MMAPIentry_s *ops,
                     uint64_t start, uint64_t end, void *instance)
{
    if (!list) return nullptr;
    if (!instance && ops && ops->init) instance = ops->init(name, properties, nullptr, start, end);
    Add_to_MapList(list, name, ops, start, end, instance);
    if (get_debug_flag(DEBUG_CATEGORY_MEMORY_MAP) > 0) MapList_Print(list);
    return instance;
}

MapListElement *New_Memory_Map_Entry(const char *name, MMAPIentry_s *ops, uint64_t start, uint64_t end,
                                     void *instance, int duplicate)
{
    MapListElement *element = QUARN_ZALLOC(1, MapListElement);
    if (!element) sim_panic("Too many mapped devices");
    element->name = REMEMBER_STRING(name ? name : "");
    element->ops = ops;
    element->instance = instance;
    element->start = start;
    element->end = end;
    element->enabled = 1;
    element->duplicate = duplicate;
    element->print = default_print;
    return element;
}

MapListElement *Add_to_MapList(MapList *list, const char *name, MMAPIentry_s *ops, uint64_t start,
                               uint64_t end, void *instance)
{
    MapListElement *element = New_Memory_Map_Entry(name, ops, start, end, instance, 0);
    MapList_Add_Element(list, element);
    return element;
}

MapListElement *Duplicate_in_MapList(MapList *list, const char *name, MMAPIentry_s *ops, uint64_t start,
                                     uint64_t end, void *instance)
{
    MapListElement *element = New_Memory_Map_Entry(name, ops, start, end, instance, 1);
    MapList_Add_Element(list, element);
    return element;
}

MapListElement *mmap_mapping_create(MapList *list, const char *name, void *instance)
{
    return Add_to_MapList(list, name, nullptr, 0, 0, instance);
}

void MLE_enable(MapListElement *element)
{
    if (!element) return;
    element->enabled = 1;
    if (element->owner) MapList_CheckForOverlap(element->owner, element->name, element->start, element->end);
}

void MLE_duplicate(MapListElement *element)
{
    if (element) element->duplicate = 1;
}

void MLE_set_range(MapListElement *element, uint64_t start, uint64_t size)
{
    if (!element) return;
    MapList *list = element->owner;
    if (list) MapList_Delete_Element(list, element->name);
    element->start = start;
    element->end = start + size - 1;
    if (list) {
        MapList_CheckForOverlap(list, element->name, element->start, element->end);
        MapList_Add_Element(list, element);
    }
}

void MLE_Free(MapListElement *element)
{
    if (!element) return;
    FORGET_STRING(element->name);
    QUARN_FREE(element);
}

void MapList_Print(MapList *list)
{
    if (!list) return;
    for (MapListElement *e = list->first; e; e = e->next)
        SIM_PRINT("%s: start: 0x%016lX, end: 0x%016lX\n", e->name, (unsigned long)e->start,
                  (unsigned long)e->end);
    if (MapListElement *o = list->overflow)
        SIM_PRINT("%s (Overflow Agent): start: 0x%016lX, end: 0x%016lX\n", o->name, (unsigned long)o->start,
                  (unsigned long)o->end);
}

void MapList_TCL_Print(MapList *list, Tcl_Interp *interpreter, const char *format)
{
    if (!list) return;
    for (MapListElement *e = list->first; e; e = e->next)
        if (e->print) e->print(interpreter, format, e->name, e->start, e->end, e->extra);
}

void MapList_TCL_Dump_Map_By_Name(Tcl_Interp *interpreter, const char *prefix, const char *format)
{
    size_t prefix_length = prefix ? strlen(prefix) : 0;
    for (MapList *list = MapList_Global_List; list; list = list->next) {
        if (prefix && strncasecmp(list->name, prefix, prefix_length) != 0) continue;
        SIM_TCLPRINT(interpreter, "LIST: %s", list->name);
        if (list->overflow) SIM_TCLPRINT(interpreter, " (Overflow: %s)", list->overflow->name);
        SIM_TCLPRINT(interpreter, "\n");
        MapList_TCL_Print(list, interpreter, format);
        SIM_TCLPRINT(interpreter, "\n");
    }
}

MMAPIentry_s *new_mmapi_entry(void)
{
    return QUARN_ZALLOC(1, MMAPIentry_s);
}

void mmapi_free_dynamic_entries(void) {}

// ---- accesses ----

int Read_Mapped_Memory_Reg(MemoryClient *client, uint64_t address, int length, uint64_t *value,
                           int32_t access_id, int warn)
{
    MCM *chip = client ? client->mcm : nullptr;
    MapListElement *element = MapList_SearchByAddr(chip_map_list(chip), address);
    if (!element) {
        if (warn)
            sim_warning(2, "Read_Memory_Reg: Unknown address: 0x%016lX, length=%d", (unsigned long)address,
                        length);
        return 0;
    }
    if (!access_fits(element, address, (uint64_t)(uint32_t)length) || !element->ops || !element->ops->read) {
        if (warn)
            sim_warning(2, "Read_Memory_Reg (2): Unknown address: 0x%016lX, length=%d",
                        (unsigned long)address, length);
        return 0;
    }
    MMAPI_Access access = {access_id, 0, client};
    int result = element->ops->read(&access, element->instance, address - element->start, value, length);
    GenericMachine *machine = chip->machine;
    if (access.status && machine && machine->phantom_mmio) {
        *value = chip->mbus->phantom_value;
        return 1;
    }
    return result;
}

int Write_Mapped_Memory_Reg(MemoryClient *client, uint64_t address, int length, uint64_t value,
                            int32_t access_id)
{
    MCM *chip = client ? client->mcm : nullptr;
    MemoryMap *map = chip_map(chip);
    MapListElement *element = MapList_SearchByAddr(map ? map->map_list : nullptr, address);
    if (!element) {
        sim_warning(2, "Write_Mapped_Memory_Reg: Unknown address: 0x%016lX, length=%d",
                    (unsigned long)address, length);
        if (!regress_mode) tsim_calling_job_stack_trace();
        return 0;
    }
    if (!access_fits(element, address, (uint64_t)(uint32_t)length) || !element->ops || !element->ops->write) {
        sim_warning(2, "Write_Mapped_Memory_Reg (2): Unknown address: 0x%016lX, length=%d",
                    (unsigned long)address, length);
        return 0;
    }
    MMAPI_Access access = {access_id, 0, client};
    int result = element->ops->write(&access, element->instance, address - element->start, value, length);
    GenericMachine *machine = chip->machine;
    if (machine &&
        (machine->mode == MODE_TURBO || machine->mode == MODE_PTURBO || machine->mode == MODE_NAMELESS)) {
        // Translated code may hold the written bytes: drop it for every page the write touched.
        uint64_t last = range_last(address, (uint64_t)(uint32_t)length);
        for (uint64_t page = address & ~(PAGE_SIZE - 1);; page += PAGE_SIZE) {
            turbo_xlate_flush_for_pa(page, map->page_table, client);
            if (page >= (last & ~(PAGE_SIZE - 1))) break;
        }
    }
    if (access.status && machine && machine->phantom_mmio) {
        chip->mbus->phantom_value = value;
        return 1;
    }
    return result;
}

uint8_t *Resolve_Mapped_Memory(MemoryClient *client, uint64_t address)
{
    return Resolve_Mapped_Memory_MCM(client, client ? client->mcm : nullptr, address);
}

uint8_t *Resolve_Mapped_Memory_MCM(MemoryClient *client, MCM *chip, uint64_t address)
{
    uint64_t page = address & ~(PAGE_SIZE - 1);
    MapListElement *element = MapList_SearchForUniqueByAddr(chip_map_list(chip), page, PAGE_SIZE);
    if (!element) return nullptr;
    if (!element->ops || !element->ops->resolve) {
        sim_warning(2, "resolve is null for %s", element->name);
        return nullptr;
    }
    return element->ops->resolve(client, element->instance, page - element->start);
}

int PA_copy_buffer_directly_from_memory(MemoryClient *client, uint64_t address, void *buffer, int64_t length,
                                        int warn)
{
    int result = 0;
    uint8_t *bytes = static_cast<uint8_t *>(buffer);
    for (int64_t i = 0; i < length; i++) {
        uint64_t value = 0;
        result = Read_Mapped_Memory_Reg(client, address + (uint64_t)i, 1, &value, 0, warn);
        bytes[i] = result ? (uint8_t)value : 0;
    }
    return result;
}

int PA_copy_buffer_directly_to_memory(MemoryClient *client, uint64_t address, const void *buffer,
                                      int64_t length, int)
{
    int result = 0;
    const uint8_t *bytes = static_cast<const uint8_t *>(buffer);
    for (int64_t i = 0; i < length; i++)
        result = Write_Mapped_Memory_Reg(client, address + (uint64_t)i, 1, bytes[i], 0);
    return result;
}

int PA_copy_memory_directly_to_memory(MemoryClient *client, uint64_t destination, uint64_t source,
                                      int64_t length, int warn)
{
    int result = 0;
    for (int64_t i = 0; i < length; i++) {
        uint64_t value = 0;
        if (!Read_Mapped_Memory_Reg(client, source + (uint64_t)i, 1, &value, 0, warn)) value = 0;
        result = Write_Mapped_Memory_Reg(client, destination + (uint64_t)i, 1, value & 0xFF, 0);
    }
    return result;
}

namespace
{

// The gated fills: one step for other kernel jobs, with the reservations on the address revoked.
template <typename Fill> int gated_fill(ThreadState *thread, uint64_t address, Fill fill)
{
    MemoryClient *client = thread ? thread->memory_client : nullptr;
    MCM *chip = thread ? thread->mcm : nullptr;
    MemoryMap *map = chip_map(chip);
    if (!client || !map) return 0;
    gate_enter(&map->gate);
    GenericMachine *machine = chip->machine;
    if (machine && machine->mode <= MODE_NAMELESS && map->reservation_count > 0)
        revoke_core_reservations(chip, nullptr, address);
    int result = fill(client);
    gate_leave(&map->gate);
    return result;
}

} // namespace

int PA_clear_memory_directly(ThreadState *thread, uint64_t address, int64_t length, int)
{
    return gated_fill(thread, address, [&](MemoryClient *client) {
        int result = 1;
        uint64_t a = address;
        int64_t left = length;
        for (; left >= 8; left -= 8, a += 8)
            result &= Write_Mapped_Memory_Reg(client, a, 8, 0, 0);
        if (left > 0) result &= Write_Mapped_Memory_Reg(client, a, (int)left, 0, 0);
        return result;
    });
}

int PA_set_memory_directly(ThreadState *thread, uint64_t address, int64_t length, uint8_t byte, int)
{
    return gated_fill(thread, address, [&](MemoryClient *client) {
        int result = 1;
        for (int64_t i = 0; i < length; i++)
            result &= Write_Mapped_Memory_Reg(client, address + (uint64_t)i, 1, byte, 0);
        return result;
    });
}

// ---- clients ----

MemoryClient *MemoryClientCreate(GenericMachine *machine, MCM *chip, const char *name, uint32_t id)
{
    MemoryClient *client = QUARN_ZALLOC(1, MemoryClient);
    if (!client) return nullptr;
    client->id = id;
    client->mcm = chip;
    client->machine = machine;
    client->name = REMEMBER_STRING(name ? name : "");
    if (MemoryMap *map = chip_map(chip)) {
        client->next = map->clients;
        map->clients = client;
    }
    return client;
}

void MemoryClientRemoveFromReservationList(MemoryMap *map, MemoryClient *client)
{
    if (!map || !client) return;
    for (MemoryClient **link = &map->reservations; *link; link = &(*link)->reservation_next) {
        if (*link == client) {
            *link = client->reservation_next;
            break;
        }
    }
    client->reservation_next = nullptr;
}

void MemoryClientDelete(MCM *chip, MemoryClient *client)
{
    if (!client) return;
    MemoryMap *map = chip_map(chip);
    // A client that still holds a reservation gives it back, so the map's count stays exact.
    clear_reservation_bit_notrace(client);
    MemoryClientRemoveFromReservationList(map, client);
    MemoryClient **link = map ? &map->clients : nullptr;
    while (link && *link && *link != client)
        link = &(*link)->next;
    if (!link || !*link) {
        sim_warning(2,
                    "MemoryClientDelete for MCM %s, client %s failed.  Client not found on mcm clients list.",
                    chip && chip->name ? chip->name : "", client->name);
        return;
    }
    *link = client->next;
    FORGET_STRING(client->name);
    QUARN_FREE(client);
}
