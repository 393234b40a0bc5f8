// The memory map of a chip: devices (map elements) ordered by address, each served through a
// device operations record, an overflow element for every address no device covers, the
// memory clients that access the map, and the physical read, write, resolve and copy
// operations that the storage path, loaders, coprocessors and commands use.
#pragma once

#include <cstdint>

#include "kernel/gate.h"

struct GenericMachine;
struct InstanceLink;
struct MCM;
struct MemoryClient;
struct PropertyList;
struct Tcl_Interp;
struct ThreadState;
struct ipt;
struct segtab;

// Version of every device operations record.
constexpr int32_t MMAPI_VERSION = 7;

// What a device read or write is handed: the caller's access id, a status the device sets
// non-zero to mark a phantom access, and the issuing client.
struct MMAPI_Access {
    int32_t id;
    int32_t status;
    MemoryClient *client;
};

// Device operations. Values are numbers; devices that store bytes keep them big-endian.
// Read, write and the block forms return 1 on success and 0 on failure.
typedef void *(*MMAPI_Init_Function)(const char *name, PropertyList *list, InstanceLink *link, uint64_t start,
                                     uint64_t end);
typedef void (*MMAPI_Quit_Function)(void *instance);
typedef int (*MMAPI_Read_Function)(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t *value,
                                   int length);
typedef int (*MMAPI_Write_Function)(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t value,
                                    int length);
typedef int (*MMAPI_Block_Read_Function)(MMAPI_Access *access, void *instance, uint64_t offset,
                                         uint64_t length, void *destination);
typedef int (*MMAPI_Block_Write_Function)(MMAPI_Access *access, void *instance, uint64_t offset,
                                          uint64_t length, const void *source);
// The host address of the bytes of the 4 KB page at page_offset, or null.
typedef uint8_t *(*MMAPI_Resolve_Function)(MemoryClient *client, void *instance, uint64_t page_offset);

struct MMAPIentry_s {
    int32_t version; // MMAPI_VERSION
    MMAPI_Init_Function init;
    MMAPI_Quit_Function quit;
    MMAPI_Read_Function read;
    MMAPI_Write_Function write;
    MMAPI_Block_Read_Function block_read;   // may be null
    MMAPI_Block_Write_Function block_write; // may be null
    MMAPI_Resolve_Function resolve;         // may be null
};

struct MapList;

// Prints one element into the interpreter's result: (interpreter, format, name, start, end, extra).
typedef void (*MLE_Print_Function)(Tcl_Interp *interpreter, const char *format, const char *name,
                                   uint64_t start, uint64_t end, const char *extra);

struct MapListElement {
    MapListElement *next;
    char *name; // interned
    MMAPIentry_s *ops;
    void *instance;
    uint64_t start;
    uint64_t end; // inclusive
    int32_t enabled;
    int32_t duplicate; // the instance belongs to another map's element; quitting this one keeps it
    MLE_Print_Function print;
    char *extra; // extra text for printing; none by default
    MapList *owner;
};

struct MapList {
    char *name; // interned
    int32_t count;
    MapListElement *first;    // ordered by inclusive end, nested elements first
    MapListElement *overflow; // catches every address no element covers; not in the list
    MapList *next;            // next of the global list of map lists
    // The element of the last search when no element before it overlaps it, so that it is the
    // answer for every address it covers; dropped by every change of the list.
    MapListElement *last_hit;
};

struct MemoryMap {
    MemoryMap *next; // next map of the machine
    MCM *mcm;
    char *name;
    MemoryClient *clients;
    MemoryClient *reservations;         // clients holding a reservation
    volatile int32_t reservation_count; // changed atomically
    volatile int32_t pturbo_writer_count; // threads holding a load-and-reserve in parallel mode (atomic)
    segtab *segment_table;
    ipt *page_table; // the translator's translated-page table
    gate_s gate;     // serialises the gated fills
    MapList *map_list;
};

// A memory agent of a chip's map: a hardware thread, an accelerator, a coprocessor, a host.
struct MemoryClient {
    uint32_t id; // object id of the issuing agent
    MemoryClient *next;
    MemoryClient *reservation_next;
    char *name; // interned
    GenericMachine *machine;
    MCM *mcm;
    // Reservation state (load-and-reserve).
    volatile int32_t reservation_valid;
    uint64_t reservation_address;
    int32_t reservation_length;
    void (*revoke_callback)(void *data);
    void *revoke_data;
    ThreadState *thread; // when the client is a hardware thread
};

// The global list of all map lists (newest first).
extern MapList *MapList_Global_List;

// Maps.
MemoryMap *MemMap_New(MCM *chip, const char *name);
MemoryMap *MemMap_Create(MCM *chip);
void *MemMap_Define(MCM *chip, const char *name, MMAPIentry_s *ops, uint64_t start, uint64_t end,
                    void *instance);
void *MemMap_Define_Overflow(MapList *list, PropertyList *properties, const char *name, MMAPIentry_s *ops,
                             uint64_t start, uint64_t end);
void MemMap_Delete(MemoryMap *map, const char *name);
void MemMap_DeleteAll(MemoryMap *map);
void MemMap_DeleteMap(MemoryMap *map);
MapListElement *MemMap_SearchByAddr(MemoryMap *map, uint64_t address);
int MemMap_ValidAddr(MemoryMap *map, uint64_t address);
ipt *MemMap_GetIptForPA(MemoryMap *map, uint64_t address);
MapListElement *MemMap_SearchByName(MemoryMap *map, const char *name);
uint64_t MemMap_StartByName(MemoryMap *map, const char *name);
uint64_t MemMap_EndByName(MemoryMap *map, const char *name);
void default_unmap_proc(void *ignored, MCM *chip, const char *name);

// Map lists and elements.
MapList *MapList_Init(const char *name);
void MapList_Add_Element(MapList *list, MapListElement *element);
MapListElement *MapList_First(MapList *list);
MapListElement *MapList_SearchByAddr(MapList *list, uint64_t address);
MapListElement *MapList_SearchForUniqueByAddr(MapList *list, uint64_t address, uint64_t length);
MapListElement *MapList_SearchByName(MapList *list, const char *name);
MapListElement *MapList_Delete_Element(MapList *list, const char *name);
int MapList_CheckForOverlap(MapList *list, const char *name, uint64_t start, uint64_t end);
void MapList_Quit(MapList *list);
void MapList_Quit_All(MapList *list);
void MapList_Clear(MapList *list);
void *MapList_Define(MapList *list, PropertyList *properties, const char *name, MMAPIentry_s *ops,
                     uint64_t start, uint64_t end, void *instance);
MapListElement *New_Memory_Map_Entry(const char *name, MMAPIentry_s *ops, uint64_t start, uint64_t end,
                                     void *instance, int duplicate);
MapListElement *Add_to_MapList(MapList *list, const char *name, MMAPIentry_s *ops, uint64_t start,
                               uint64_t end, void *instance);
MapListElement *Duplicate_in_MapList(MapList *list, const char *name, MMAPIentry_s *ops, uint64_t start,
                                     uint64_t end, void *instance);
MapListElement *mmap_mapping_create(MapList *list, const char *name, void *instance);
void MLE_enable(MapListElement *element);
void MLE_duplicate(MapListElement *element);
void MLE_set_range(MapListElement *element, uint64_t start, uint64_t size);
void MLE_Free(MapListElement *element);
void MapList_Print(MapList *list);
void MapList_TCL_Print(MapList *list, Tcl_Interp *interpreter, const char *format);
void MapList_TCL_Dump_Map_By_Name(Tcl_Interp *interpreter, const char *prefix, const char *format);
MMAPIentry_s *new_mmapi_entry(void);
void mmapi_free_dynamic_entries(void);

// Accesses.
int Read_Mapped_Memory_Reg(MemoryClient *client, uint64_t address, int length, uint64_t *value,
                           int32_t access_id, int warn);
int Write_Mapped_Memory_Reg(MemoryClient *client, uint64_t address, int length, uint64_t value,
                            int32_t access_id);
// Raised by every change of any map list (an element added or removed): host addresses kept from
// a map are valid while it is unchanged.
extern uint64_t MapList_Changes;
uint8_t *Resolve_Mapped_Memory(MemoryClient *client, uint64_t address);
uint8_t *Resolve_Mapped_Memory_MCM(MemoryClient *client, MCM *chip, uint64_t address);
int PA_copy_buffer_directly_from_memory(MemoryClient *client, uint64_t address, void *buffer, int64_t length,
                                        int warn);
int PA_copy_buffer_directly_to_memory(MemoryClient *client, uint64_t address, const void *buffer,
                                      int64_t length, int warn);
int PA_copy_memory_directly_to_memory(MemoryClient *client, uint64_t destination, uint64_t source,
                                      int64_t length, int warn);
int PA_clear_memory_directly(ThreadState *thread, uint64_t address, int64_t length, int warn);
int PA_set_memory_directly(ThreadState *thread, uint64_t address, int64_t length, uint8_t byte, int warn);

// Clients.
MemoryClient *MemoryClientCreate(GenericMachine *machine, MCM *chip, const char *name, uint32_t id);
void MemoryClientDelete(MCM *chip, MemoryClient *client);
void MemoryClientRemoveFromReservationList(MemoryMap *map, MemoryClient *client);
