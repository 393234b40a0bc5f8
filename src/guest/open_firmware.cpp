// The Open Firmware client interface (sim-support code 99).
#include "guest/open_firmware.h"

#include <cstring>

#include "guest/claim_list.h"
#include "guest/device_tree.h"
#include "guest/device_tree_build.h"
#include "guest/process_tree.h"
#include "guest/sim_support.h"
#include "devices/console.h"
#include "processor/records/generic_machine.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/records/axd.h"
#include "mmu/physical_access.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/regs/register_file.h"
#include "processor/run/run_control.h"
#include "processor/run/thread_run_state.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"
#include "runtime/stop.h"

namespace
{

constexpr uint32_t MINUS_ONE = 0xFFFFFFFFu;
constexpr int OF_NAME_MAX = 256;
constexpr int OF_STAGING = 32760;
constexpr uint64_t MSR_SF = 1ull << 63;

// One physical access of size bytes (1 or 4) for the call.
bool physical(IOPDesc *iop, uint64_t address, int size, uint64_t *value, bool write)
{
    AXD axd = INITIAL_AXD;
    axd.iop = iop;
    axd.row = iop->row;
    axd.ea = axd.orig_ea = address;
    axd.pa = address;
    axd.size = (int16_t)size;
    axd.kind = write ? AXD_KIND_STORE : AXD_KIND_LOAD;
    axd.wimg = AXD_WIMG_M;
    if (write) return PA_Write_Memory_Effect(iop, *value, &axd, 0) == 0;
    return PA_Read_Memory_Effect(iop, value, &axd, 0) == 0;
}

bool of_read_cell(IOPDesc *iop, uint64_t block, int32_t offset, uint32_t *value)
{
    uint64_t v = 0;
    if (!physical(iop, block + (uint64_t)offset, 4, &v, false)) {
        sim_warning(2, "OpenFirmware: cannot read offset %d", offset);
        return false;
    }
    *value = (uint32_t)v;
    return true;
}

bool of_write_cell(IOPDesc *iop, uint64_t block, int32_t offset, uint32_t value)
{
    uint64_t v = value;
    if (!physical(iop, block + (uint64_t)offset, 4, &v, true)) {
        sim_warning(2, "OpenFirmware: cannot write offset %d", offset);
        return false;
    }
    return true;
}

bool read_cell(IOPDesc *iop, uint64_t block, int cell, uint32_t *value)
{
    return of_read_cell(iop, block, 4 * cell, value);
}

bool write_cell(IOPDesc *iop, uint64_t block, int cell, uint32_t value)
{
    return of_write_cell(iop, block, 4 * cell, value);
}

// Bytes up to and including the first NUL, at most max; the buffer holds max + 1 and is always
// terminated.
bool of_read_string(IOPDesc *iop, uint64_t address, char *buffer, int max)
{
    int i = 0;
    for (; i < max; i++) {
        uint64_t byte = 0;
        if (!physical(iop, address + (uint64_t)i, 1, &byte, false)) {
            sim_warning(2, "OpenFirmware: Failure to read string from address 0x%016lX",
                        (unsigned long)address);
            return false;
        }
        buffer[i] = (char)byte;
        if (!buffer[i]) return true;
    }
    buffer[i] = '\0';
    return true;
}

// Stores text and its NUL, at most max bytes: the count stored when the NUL was stored, max + 1
// when the buffer filled first, 1 for max below 1, 0 after a failed access.
uint32_t of_write_string(IOPDesc *iop, uint64_t address, const char *text, int64_t max)
{
    if (max < 1) return 1;
    for (int64_t i = 0; i < max; i++) {
        uint64_t byte = (uint8_t)text[i];
        if (!physical(iop, address + (uint64_t)i, 1, &byte, true)) {
            sim_warning(2, "OpenFirmware: Failure to write string to address 0x%016lX",
                        (unsigned long)address);
            return 0;
        }
        if (!text[i]) return (uint32_t)(i + 1);
    }
    return (uint32_t)(max + 1);
}

GenericMachine *machine_of(IOPDesc *iop)
{
    return iop->thread->machine;
}

OF_DeviceTree *tree_of(IOPDesc *iop)
{
    return OF_Machine_Tree(machine_of(iop));
}

MCM *chip_of(IOPDesc *iop)
{
    OF_DeviceTree *tree = tree_of(iop);
    return tree && tree->chip ? tree->chip : iop->thread->mcm;
}

// The client interface's child search: the first child, node or property, whose short name is
// the name; an empty name selects the first child.
OF_DeviceTreeNode *child_named(OF_DeviceTreeNode *entry, const char *name)
{
    for (OF_DeviceTreeNode *c = entry ? entry->first_child : nullptr; c; c = c->sibling)
        if (!*name || strcmp(OF_Short_Name(c), name) == 0) return c;
    return nullptr;
}

// ---- the guest encoding of a value ----

struct Staging {
    uint8_t bytes[OF_STAGING];
    int32_t length;

    void put(uint8_t byte)
    {
        if (length < OF_STAGING) bytes[length++] = byte;
    }
    void put_be(uint64_t value, int size)
    {
        for (int i = size - 1; i >= 0; i--)
            put((uint8_t)(value >> (8 * i)));
    }
};

uint64_t device_start(IOPDesc *iop, const char *name)
{
    MCM *chip = iop->thread->mcm;
    MemoryMap *map = chip && chip->mbus ? chip->mbus->memory_map : nullptr;
    return map ? MemMap_StartByName(map, name) : 0;
}

void encode_value(IOPDesc *iop, OF_DeviceTreeNode *property, Staging *out)
{
    out->length = 0;
    switch (property->kind) {
    case INT:
        out->put_be((uint32_t)property->scalar, 4);
        return;
    case ADDR:
        out->put_be(property->scalar, 8);
        return;
    case STR:
        for (const char *p = property->string_value;; p++) {
            out->put((uint8_t)*p);
            if (!*p) return;
        }
    case ARRAY:
        for (int32_t i = 0; i < property->count; i++)
            out->put_be(((uint32_t *)property->elements)[i], 4);
        return;
    case ARRAY_UINT64:
        for (int32_t i = 0; i < property->count; i++)
            out->put_be(((uint64_t *)property->elements)[i], 8);
        return;
    case BYTE_ARRAY:
        for (int32_t i = 0; i < property->count; i++)
            out->put(((uint8_t *)property->elements)[i]);
        return;
    case ENUM:
        break;
    default:
        return;
    }
    GenericMachine *machine = machine_of(iop);
    switch (property->scalar) {
    case CHOSEN_CPU: {
        // The CPU node of the calling thread's processor (the tree has one per processor).
        OF_DeviceTree *tree = property->tree;
        ProcessorState *core = iop->thread->processor;
        uint32_t index = core ? core->core_id : 0;
        out->put_be(tree && index < (uint32_t)tree->cpu_handle_count ? (uint32_t)tree->cpu_handles[index] : 0,
                    4);
        return;
    }
    case PCI_REG:
        out->put_be((uint32_t)device_start(iop, "PCI"), 4);
        out->put_be(1024, 4);
        return;
    case PCI_BUS_RANGE:
        out->put_be(0, 4);
        out->put_be(12, 4);
        return;
    case SERIAL_REG:
        out->put_be(1, 4);
        out->put_be((uint32_t)device_start(iop, "UART"), 4);
        out->put_be(8, 4);
        return;
    case RTC_REG:
        out->put_be(1, 4);
        out->put_be((uint32_t)device_start(iop, "RTC"), 4);
        return;
    case MEMORY_MAP:
        for (uint32_t r = 0; r < machine->memory_region_count; r++) {
            out->put_be(machine->memory_regions[r].start, 8);
            out->put_be(machine->memory_regions[r].size, 8);
        }
        return;
    case MEMORY_AVAILABLE_MAP:
        of_sort_region_list(chip_of(iop));
        for (of_unclaimed_region *r = of_region_list(machine); r; r = r->next) {
            out->put_be(r->start, 8);
            out->put_be(r->size, 8);
        }
        return;
    case PCI_RANGES:
        for (int32_t i = 0; i < property->count; i++)
            out->put_be(((uint32_t *)property->elements)[i], 4);
        return;
    default:
        // A command can store any kind number; it is reported, never the end of the program.
        sim_error("OpenFirmware: Unknown VALUE_ENUM %ld", (long)property->scalar);
        return;
    }
}

// The integer of a "reg" property by its kind; -1 after the error for kinds without one.
int64_t of_get_int_value(OF_DeviceTreeNode *property)
{
    switch (property->kind) {
    case INT:
    case ADDR:
    case ENUM:
        return (int64_t)property->scalar;
    case ARRAY:
        if (property->count > 1)
            sim_warning(2, "OF_GetIntValue: from multiple entry array.  Returning first entry");
        return property->count ? ((uint32_t *)property->elements)[0] : 0;
    case ARRAY_UINT64:
        if (property->count > 1)
            sim_warning(2, "OF_GetIntValue: from multiple entry array64.  Returning first entry");
        return property->count ? (int64_t)((uint64_t *)property->elements)[0] : 0;
    case STR:
        sim_error("OF_GetIntValue: from string type node");
        return -1;
    case BYTE_ARRAY:
        sim_error("OF_GetIntValue: from byte array node");
        return -1;
    default:
        sim_error("OF_GetIntValue: from EMPTY node");
        return -1;
    }
}

// ---- services ----

void OF_Claim(int32_t, uint64_t block, IOPDesc *iop)
{
    uint32_t virt, size, align;
    if (!read_cell(iop, block, 3, &virt) || !read_cell(iop, block, 4, &size) ||
        !read_cell(iop, block, 5, &align))
        return;
    if (align) sim_warning(2, "Unsupported OF Claim for aligned memory");
    int claimed = of_claim_region(chip_of(iop), virt, size);
    write_cell(iop, block, 6, claimed ? virt : MINUS_ONE);
}

void OF_Release(int32_t, uint64_t block, IOPDesc *iop)
{
    uint32_t virt, size;
    if (!read_cell(iop, block, 3, &virt) || !read_cell(iop, block, 4, &size)) return;
    of_release_region(chip_of(iop), virt, size);
}

void OF_Enter(int32_t, uint64_t, IOPDesc *) {}

void OF_Exit(int32_t, uint64_t, IOPDesc *)
{
    sim_warning(2, "Stopping Simulation based on Open Firmware Exit Call");
    Stop_The_Simulation(STOP_OF_EXIT);
}

// finddevice answers -1 without a match, open answers 0.
void find_entry(uint64_t block, IOPDesc *iop, uint32_t none)
{
    uint32_t address;
    char name[OF_NAME_MAX + 1];
    if (!read_cell(iop, block, 3, &address) || !of_read_string(iop, address, name, OF_NAME_MAX)) return;
    OF_DeviceTree *tree = tree_of(iop);
    for (OF_DeviceTreeNode *e = tree ? tree->first : nullptr; e; e = e->next)
        if (strcmp(e->full_name, name) == 0) {
            write_cell(iop, block, 4, (uint32_t)e->handle);
            return;
        }
    write_cell(iop, block, 4, none);
}

void OF_FindDevice(int32_t, uint64_t block, IOPDesc *iop)
{
    find_entry(block, iop, MINUS_ONE);
}

void OF_Open(int32_t, uint64_t block, IOPDesc *iop)
{
    find_entry(block, iop, 0);
}

void OF_SetProp(int32_t, uint64_t block, IOPDesc *iop)
{
    uint32_t phandle, name_address, buffer, length;
    char name[OF_NAME_MAX + 1];
    if (!read_cell(iop, block, 3, &phandle) || !read_cell(iop, block, 4, &name_address) ||
        !read_cell(iop, block, 5, &buffer) || !read_cell(iop, block, 6, &length))
        return;
    if (!of_read_string(iop, name_address, name, OF_NAME_MAX)) return;
    static uint8_t data[4096];
    uint32_t n = length > sizeof data ? (uint32_t)sizeof data : length;
    for (uint32_t i = 0; i < n; i++) {
        uint64_t byte = 0;
        if (!physical(iop, (uint64_t)buffer + i, 1, &byte, false)) return;
        data[i] = (uint8_t)byte;
    }
    OF_DeviceTree *tree = tree_of(iop);
    OF_DeviceTreeNode *entry = of_handle_to_device_node(tree, (int32_t)phandle);
    if (!entry) return;
    char path[512];
    snprintf(path, sizeof path, "%s/%s", strcmp(entry->full_name, "/") == 0 ? "" : entry->full_name, name);
    OF_AddNode_Array(tree, path, BYTE_ARRAY, data, (int32_t)n);
}

void OF_GetProp(int32_t index, uint64_t block, IOPDesc *iop)
{
    bool length_only = index == 7;
    uint32_t phandle, name_address;
    char name[OF_NAME_MAX + 1];
    if (!read_cell(iop, block, 3, &phandle) || !read_cell(iop, block, 4, &name_address)) return;
    if (!of_read_string(iop, name_address, name, OF_NAME_MAX)) return;
    int result_cell = length_only ? 5 : 7;
    OF_DeviceTreeNode *entry = of_handle_to_device_node(tree_of(iop), (int32_t)phandle);
    OF_DeviceTreeNode *property = entry ? child_named(entry, name) : nullptr;
    if (!property) {
        write_cell(iop, block, result_cell, MINUS_ONE);
        return;
    }
    static Staging staging;
    encode_value(iop, property, &staging);
    if (length_only) {
        write_cell(iop, block, 5, (uint32_t)staging.length);
        return;
    }
    uint32_t buffer, capacity;
    if (!read_cell(iop, block, 5, &buffer) || !read_cell(iop, block, 6, &capacity)) return;
    uint32_t n = (uint32_t)staging.length < capacity ? (uint32_t)staging.length : capacity;
    for (uint32_t i = 0; i < n; i++) {
        uint64_t byte = staging.bytes[i];
        if (!physical(iop, (uint64_t)buffer + i, 1, &byte, true)) {
            sim_warning(2, "2: read error at address 0x%016lX", (unsigned long)buffer + i);
            break;
        }
    }
    write_cell(iop, block, 7, n);
}

void OF_NextProp(int32_t, uint64_t block, IOPDesc *iop)
{
    uint32_t phandle, previous;
    if (!read_cell(iop, block, 3, &phandle) || !read_cell(iop, block, 4, &previous)) return;
    OF_DeviceTreeNode *entry = of_handle_to_device_node(tree_of(iop), (int32_t)phandle);
    if (!entry) {
        write_cell(iop, block, 6, MINUS_ONE);
        return;
    }
    char name[OF_NAME_MAX + 1] = "";
    if (previous && !of_read_string(iop, previous, name, OF_NAME_MAX)) return;
    int32_t flag = 0;
    OF_DeviceTreeNode *walk = entry->first_child;
    if (name[0]) {
        OF_DeviceTreeNode *found = child_named(entry, name);
        if (!found) flag = -1;
        walk = found ? found->sibling : nullptr;
    }
    char next[65] = "";
    if (flag == 0) {
        while (walk && walk->kind == NONE)
            walk = walk->sibling;
        if (walk) {
            flag = 1;
            snprintf(next, sizeof next, "%s", OF_Short_Name(walk));
        }
    }
    if (!write_cell(iop, block, 6, (uint32_t)flag)) return;
    uint32_t buffer;
    if (!read_cell(iop, block, 5, &buffer)) return;
    of_write_string(iop, buffer, next, 64);
}

void OF_Seek(int32_t, uint64_t, IOPDesc *) {}

void OF_Read(int32_t, uint64_t block, IOPDesc *iop)
{
    uint32_t ihandle, address, length;
    if (!read_cell(iop, block, 3, &ihandle) || !read_cell(iop, block, 4, &address) ||
        !read_cell(iop, block, 5, &length))
        return;
    sim_warning(2,
                "OF_Read called with ihandle=0x%x virt=0x%x len=%d (not really supported but seems to be OK)",
                ihandle, address, (int)length);
}

// The bytes go to the console in bounded chunks; a length beyond the machine's memory is refused.
void OF_Write(int32_t, uint64_t block, IOPDesc *iop)
{
    uint32_t ihandle, length, address;
    if (!read_cell(iop, block, 3, &ihandle) || !read_cell(iop, block, 5, &length) ||
        !read_cell(iop, block, 4, &address))
        return;
    GenericMachine *machine = machine_of(iop);
    // A length beyond the machine's memory cannot name a real buffer: it is refused (actual -1)
    // rather than copied byte by byte for up to 4 GiB.
    if (machine && (uint64_t)length > machine->total_memory) {
        sim_warning(2, "OpenFirmware: write of %u bytes is longer than the memory", length);
        write_cell(iop, block, 6, 0xFFFFFFFFu);
        return;
    }
    ConsoleDevice *console = Get_Console(machine);
    static uint8_t chunk[OF_WRITE_CHUNK];
    for (uint64_t done = 0; done < length;) {
        uint32_t n = length - done > OF_WRITE_CHUNK ? OF_WRITE_CHUNK : (uint32_t)(length - done);
        for (uint32_t i = 0; i < n; i++) {
            uint64_t byte = 0;
            if (!physical(iop, (uint64_t)address + done + i, 1, &byte, false)) {
                sim_warning(2, "OpenFirmware: Failure to read string from address 0x%016lX",
                            (unsigned long)address);
                return;
            }
            chunk[i] = (uint8_t)byte;
        }
        if (console)
            for (uint32_t i = 0; i < n; i++)
                Console_Write(console, chunk[i]);
        done += n;
    }
    write_cell(iop, block, 6, length);
}

void OF_Close(int32_t, uint64_t, IOPDesc *) {}

void OF_InstanceToPath(int32_t, uint64_t block, IOPDesc *iop)
{
    uint32_t handle, buffer, length;
    if (!read_cell(iop, block, 3, &handle) || !read_cell(iop, block, 4, &buffer) ||
        !read_cell(iop, block, 5, &length))
        return;
    OF_DeviceTreeNode *entry = of_handle_to_device_node(tree_of(iop), (int32_t)handle);
    if (!entry) {
        write_cell(iop, block, 6, MINUS_ONE);
        return;
    }
    write_cell(iop, block, 6, of_write_string(iop, buffer, entry->full_name, (int32_t)length));
}

void OF_InstanceToPkg(int32_t, uint64_t block, IOPDesc *iop)
{
    uint32_t handle;
    if (!read_cell(iop, block, 3, &handle)) return;
    bool known = of_handle_to_device_node(tree_of(iop), (int32_t)handle) != nullptr;
    write_cell(iop, block, 4, known ? handle : MINUS_ONE);
}

void OF_Relation(int32_t index, uint64_t block, IOPDesc *iop)
{
    uint32_t phandle;
    if (!read_cell(iop, block, 3, &phandle)) return;
    OF_DeviceTree *tree = tree_of(iop);
    uint32_t answer = 0;
    if (index == 16 && phandle == 0) {
        answer = tree && tree->first ? (uint32_t)tree->first->handle : 0;
    } else if (OF_DeviceTreeNode *entry = of_handle_to_device_node(tree, (int32_t)phandle)) {
        OF_DeviceTreeNode *related = index == 15   ? entry->parent
                                     : index == 16 ? of_next_sibling(entry)
                                                   : of_first_child(entry);
        answer = related ? (uint32_t)related->handle : 0;
    }
    write_cell(iop, block, 4, answer);
}

void OF_CallMethod(int32_t, uint64_t block, IOPDesc *iop)
{
    uint32_t method_address;
    char method[OF_NAME_MAX + 1];
    if (!read_cell(iop, block, 3, &method_address) ||
        !of_read_string(iop, method_address, method, OF_NAME_MAX))
        return;
    if (strcmp(method, "instantiate-rtas") != 0) return;
    uint32_t ihandle, base;
    if (!read_cell(iop, block, 4, &ihandle) || !read_cell(iop, block, 5, &base)) return;
    if (!write_cell(iop, block, 6, 0) || !write_cell(iop, block, 7, base)) return;
    uint64_t call = 0x7C0007CA, back = 0x4E800020;
    if (!physical(iop, base, 4, &call, true)) {
        sim_error("1: OpenFirmware: cannot write to 0x%016lX", (unsigned long)base);
        return;
    }
    if (!physical(iop, (uint64_t)base + 4, 4, &back, true))
        sim_error("2: OpenFirmware: cannot write to 0x%016lX", (unsigned long)base + 4);
}

void OF_StartCPU(int32_t, uint64_t block, IOPDesc *iop)
{
    uint32_t phandle, start, argument;
    if (!read_cell(iop, block, 3, &phandle) || !read_cell(iop, block, 4, &start) ||
        !read_cell(iop, block, 5, &argument))
        return;
    OF_DeviceTreeNode *node = of_handle_to_device_node(tree_of(iop), (int32_t)phandle);
    if (!node) {
        sim_error("start-cpu: We didn't find the parent with phandle of %d", (int)phandle);
        return;
    }
    OF_DeviceTreeNode *reg = child_named(node, "reg");
    if (!reg) {
        sim_error("OpenFirmware: StartCPU: Could not find reg field in parent %s", node->full_name);
        return;
    }
    uint64_t number = (uint64_t)of_get_int_value(reg);
    GenericMachine *machine = machine_of(iop);
    int32_t threads = GenericMachine__ThreadCount(machine);
    if (number >= (uint64_t)(int64_t)threads) {
        sim_error("OpenFirmware: StartCPU: CPU %d exceeds max of %d", (int)number, threads);
        return;
    }
    ThreadState *thread = GenericMachine__Thread(machine, (int32_t)number);
    if (!thread) return;
    // The start address is a cell: in 64-bit mode it is taken whole, otherwise its low 32 bits.
    uint64_t address = (iop->thread->MSR.value & MSR_SF) ? (uint64_t)start : (uint32_t)start;
    address &= ~3ull;
    thread->PC.value = address & Register_Entry_Mask(thread->PC.rfe);
    thread->PC.written = 1;
    thread->next_pc = address;
    thread->GPR[3].value = argument;
    SMTA_Start_Thread(thread, 8, address);
    Thread_RunState(thread);
    if (thread->processor) CPU_RunState(thread->processor, "OpenFirmware:start-cpu");
    if (machine->process_tree) PT_SetCurrentProcess(machine->process_tree, thread->device_number, 0);
}

void OF_Canon(int32_t, uint64_t block, IOPDesc *iop)
{
    uint32_t address, buffer, length;
    char name[OF_NAME_MAX + 1];
    if (!read_cell(iop, block, 3, &address) || !of_read_string(iop, address, name, OF_NAME_MAX)) return;
    if (!read_cell(iop, block, 4, &buffer) || !read_cell(iop, block, 5, &length)) return;
    write_cell(iop, block, 6, of_write_string(iop, buffer, name, (int32_t)length));
}

void OF_Test(int32_t, uint64_t block, IOPDesc *iop)
{
    uint32_t address;
    char name[OF_NAME_MAX + 1];
    if (!read_cell(iop, block, 3, &address)) return;
    int missing = of_read_string(iop, address, name, OF_NAME_MAX) ? of_test_service(name) : -1;
    write_cell(iop, block, 4, (uint32_t)missing);
}

void OF_TestMethod(int32_t, uint64_t block, IOPDesc *iop)
{
    uint32_t phandle, address;
    char method[OF_NAME_MAX + 1];
    if (!read_cell(iop, block, 3, &phandle) || !read_cell(iop, block, 4, &address)) return;
    if (!of_read_string(iop, address, method, OF_NAME_MAX)) return;
    if (strcmp(method, "size") == 0 || strcmp(method, "instantiate-rtas") == 0) {
        write_cell(iop, block, 5, 0);
        return;
    }
    sim_warning(2, "test-method: We didn't find method %s", method);
    write_cell(iop, block, 5, MINUS_ONE);
}

} // namespace

const OF_ServiceRow of_services[OF_SERVICE_COUNT] = {
    {0, "claim", OF_Claim},
    {1, "release", OF_Release},
    {2, "enter", OF_Enter},
    {3, "exit", OF_Exit},
    {4, "finddevice", OF_FindDevice},
    {5, "setprop", OF_SetProp},
    {6, "getprop", OF_GetProp},
    {7, "getproplen", OF_GetProp},
    {8, "nextprop", OF_NextProp},
    {9, "seek", OF_Seek},
    {10, "read", OF_Read},
    {11, "write", OF_Write},
    {12, "close", OF_Close},
    {13, "instance-to-path", OF_InstanceToPath},
    {14, "instance-to-package", OF_InstanceToPkg},
    {15, "parent", OF_Relation},
    {16, "peer", OF_Relation},
    {17, "child", OF_Relation},
    {18, "call-method", OF_CallMethod},
    {19, "start-cpu", OF_StartCPU},
    {20, "package-to-path", OF_InstanceToPath},
    {21, "canon", OF_Canon},
    {22, "test", OF_Test},
    {23, "test-method", OF_TestMethod},
    {24, "open", OF_Open},
};

int of_test_service(const char *name)
{
    for (const OF_ServiceRow &row : of_services)
        if (strcmp(row.name, name) == 0) return 0;
    return -1;
}

void OpenFirmware_Init(GenericMachine *machine)
{
    OF_BuildDeviceTree(OF_Machine_Tree(machine), machine);
}

int OpenFirmware(IOPDesc *iop)
{
    GenericMachine *machine = machine_of(iop);
    OF_DeviceTree *tree = OF_Machine_Tree(machine);
    if (tree && !tree->built) OpenFirmware_Init(machine);
    uint64_t block = SimSupport_Arg(iop, 4);
    uint32_t name_address, arguments, results;
    char name[OF_NAME_MAX + 1];
    if (!read_cell(iop, block, 0, &name_address) || !of_read_string(iop, name_address, name, OF_NAME_MAX) ||
        !read_cell(iop, block, 1, &arguments) || !read_cell(iop, block, 2, &results))
        return 1;
    for (const OF_ServiceRow &row : of_services) {
        if (strcmp(row.name, name) != 0) continue;
        SimSupport_Result(iop, 0);
        row.handler(row.index, block, iop);
        return 1;
    }
    write_cell(iop, block, 6, MINUS_ONE);
    SimSupport_Result(iop, ~0ull);
    sim_warning(2, "Open Firmware: Unsupported service '%s'", name);
    return 1;
}
