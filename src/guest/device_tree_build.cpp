// Construction of a machine's default device tree.
#include "guest/device_tree_build.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "cache/cache_services.h"
#include "guest/claim_list.h"
#include "guest/device_tree.h"
#include "processor/records/generic_machine.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/records/mcm.h"
#include "processor/config/processor_options.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/time/time_domain.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "guest/hooks/guest_hooks.h"

int32_t OF_stdout_ihandle = -1;

void Set_stdout_handle(int32_t handle)
{
    if (OF_stdout_ihandle == -1) OF_stdout_ihandle = handle;
}

namespace
{

constexpr int DEBUG_PRINT_DEVICE_TREE = 174;
constexpr uint64_t REAL_MODE_INTERRUPT_BITS = 0x3FFFE000000ull; // bits 25 to 41

// The properties of one node; the root's properties hang below "" so that they read "/name".
struct NodeWriter {
    OF_DeviceTree *tree;
    char path[256];

    NodeWriter(OF_DeviceTree *t, const char *parent, const char *name) : tree(t)
    {
        Define_OF_Node(tree, path, parent, name);
    }
    const char *base() const { return strcmp(path, "/") == 0 ? "" : path; }
    void integer(const char *name, uint64_t value)
    {
        OF_AddNode_Property(tree, base(), name, INT, value, nullptr);
    }
    void string(const char *name, const char *text) { OF_AddNode_Property(tree, base(), name, STR, 0, text); }
    void empty(const char *name) { OF_AddNode_Property(tree, base(), name, EMPTY, 0, nullptr); }
    void enumeration(const char *name, uint64_t kind)
    {
        OF_AddNode_Property(tree, base(), name, ENUM, kind, nullptr);
    }
    void cells(const char *name, const std::vector<uint32_t> &values)
    {
        OF_AddNode_Property_Array(tree, base(), name, ARRAY, 0, values.data(), (int32_t)values.size());
    }
    void doublewords(const char *name, const std::vector<uint64_t> &values)
    {
        OF_AddNode_Property_Array(tree, base(), name, ARRAY_UINT64, 0, values.data(), (int32_t)values.size());
    }
};

// A frequency above 4 GHz is given in MHz.
uint64_t frequency_cell(uint64_t hz)
{
    return hz > 4000000000ull ? hz / 1000000 : hz;
}

const char *unit_format(int32_t threads)
{
    return threads <= 16 ? "PowerPC@%x" : threads <= 256 ? "PowerPC@%02x" : "PowerPC@%03x";
}

struct RtasToken {
    const char *name;
    uint32_t value;
};

const RtasToken rtas_tokens[] = {
    {"restart-rtas", 1000},
    {"nvram-fetch", 1001},
    {"nvram-store", 1002},
    {"get-time-of-day", 1003},
    {"set-time-of-day", 1004},
    {"set-time-for-power-on", 1005},
    {"freeze-time-base", 1029},
    {"thaw-time-base", 1030},
    {"start-cpu", 1032},
    {"stop-self", 1031},
    {"query-cpu-stopped-state", 1033},
    {"event-scan", 1006},
    {"rtas-event-scan-rate", 1},
    {"check-exception", 1007},
    {"read-pci-config", 1009},
    {"write-pci-config", 1010},
    {"qzb,read-pci-config", 1011},
    {"qzb,write-pci-config", 1012},
    {"qzb,get-xive", 1050},
    {"qzb,set-xive", 1051},
    {"qzb,int-on", 1052},
    {"qzb,int-off", 1053},
    {"set-indicator", 1014},
    {"display-character", 1013},
    {"system-reboot", 1023},
    {"qzb,nmi-register", 1037},
    {"rtas-version", 1},
    {"qzb,display-line-length", 80},
};

MemoryMap *chip_map(MCM *chip)
{
    return chip && chip->mbus ? chip->mbus->memory_map : nullptr;
}

void build_cpus(OF_DeviceTree *tree, GenericMachine *machine, int32_t threads)
{
    NodeWriter cpus(tree, "", "cpus");
    cpus.string("name", "cpus");
    cpus.integer("#address-cells", 1);
    cpus.integer("#size-cells", 0);
    if (threads > 1) cpus.string("smp-enabled", "");

    CacheLevelConfig l1i{}, l1d{}, l2{};
    Cache_Global_Config(machine, "cache/l1i", &l1i);
    Cache_Global_Config(machine, "cache/l1d", &l1d);
    Cache_Global_Config(machine, "cache/l2", &l2);
    uint64_t l2_slice = l2.num_slices ? l2.size / l2.num_slices : l2.size;

    int32_t processors = GenericMachine__ProcessorCount(machine);
    free(tree->cpu_handles);
    tree->cpu_handles = (int32_t *)calloc((size_t)(processors > 0 ? processors : 1), sizeof(int32_t));
    tree->cpu_handle_count = tree->cpu_handles ? processors : 0;
    uint32_t first_thread = 0;
    for (int32_t p = 0; p < processors; p++) {
        ProcessorState *core = GenericMachine__Processor(machine, p);
        if (!core) continue;
        uint32_t t = first_thread, n = core->num_threads;
        first_thread += n;
        char unit[32];
        snprintf(unit, sizeof unit, unit_format(threads), t);
        NodeWriter cpu(tree, "/cpus", unit);
        if (p < tree->cpu_handle_count) tree->cpu_handles[p] = tree->count;
        cpu.integer("reg", t);
        cpu.string("status", "okay");
        char name[300];
        snprintf(name, sizeof name, "PowerPC,%s", core->type_name ? core->type_name : "");
        cpu.string("name", name);
        cpu.string("device_type", "cpu");
        cpu.integer("cpu-version", 0x0F000004);
        cpu.integer("clock-frequency",
                    frequency_cell(core->core_freq ? evaluate_frequency_ratio(core->core_freq, nullptr) : 0));
        cpu.integer("timebase-frequency",
                    frequency_cell(evaluate_frequency_ratio(&core->timebase_freq, nullptr)));
        std::vector<uint32_t> servers, gservers;
        for (uint32_t i = 0; i < n; i++) {
            servers.push_back(t + i);
            gservers.push_back(t + i);
            gservers.push_back(255);
        }
        cpu.cells("qzb,ppc-interrupt-server#s", servers);
        cpu.cells("qzb,ppc-interrupt-gserver#s", gservers);
        uint32_t chip_index = core->mcm ? (uint32_t)core->mcm->number : 0;
        if (machine->machine_options[MO_ASSOCIATIVE]) cpu.cells("qzb,associativity", {2, 0, chip_index});
        uint32_t slb = core->threads && n ? (uint32_t)core->threads[0].slb_entries : 0;
        cpu.integer("qzb,slb-size", slb);
        cpu.integer("slb-size", slb);
        cpu.integer("i-cache-size", (uint32_t)l1i.size);
        cpu.integer("i-cache-sets", l1i.associativity);
        cpu.integer("i-cache-block-size", l1i.line_size);
        cpu.integer("i-cache-line-size", l1i.line_size);
        cpu.integer("d-cache-size", (uint32_t)l1d.size);
        cpu.integer("d-cache-sets", l1d.associativity);
        cpu.integer("d-cache-block-size", l1d.line_size);
        cpu.integer("d-cache-line-size", l1d.line_size);
        cpu.integer("l2-cache-size", (uint32_t)l2_slice);
        cpu.empty("64-bit");
        cpu.integer("qzb,vmx", 2);
        cpu.integer("qzb,dfp", 1);
        cpu.integer("qzb,purr", 1);
        cpu.integer("qzb,spurr", 1);
        cpu.integer("reservation-granule-size", core->mcm ? (uint32_t)core->mcm->reservation_granule : 0);
        cpu.empty("32-64-bridge");
        if (core->options[PO_FP_GENERAL_PURPOSE_INSTRUCTIONS_SUPPORTED]) cpu.empty("general-purpose");
        if (core->options[PO_FP_GRAPHICS_INSTRUCTIONS_SUPPORTED]) cpu.empty("graphics");
        // A configuration the interrupt presentation cannot serve is reported, never the end of
        // the program.
        if ((core->real_mode_mask & REAL_MODE_INTERRUPT_BITS) != REAL_MODE_INTERRUPT_BITS)
            sim_error("REAL_MODE_MASK must be at least 42 bits for PowerPC Interrupt Controller");
    }
}

void build_memory(OF_DeviceTree *tree, GenericMachine *machine)
{
    uint32_t chips = machine->num_mcms ? machine->num_mcms : 1;
    for (uint32_t r = 0; r < machine->memory_region_count; r++) {
        const MemoryRegionDesc &region = machine->memory_regions[r];
        uint64_t share = region.size / chips;
        for (uint32_t c = 0; c < chips; c++) {
            uint64_t base = region.start + c * share;
            char unit[40];
            snprintf(unit, sizeof unit, "memory@%lX", (unsigned long)base);
            NodeWriter memory(tree, "", unit);
            memory.string("name", "memory");
            memory.string("device_type", "memory");
            memory.enumeration("available", MEMORY_AVAILABLE_MAP);
            memory.doublewords("reg", {base, share});
            if (machine->machine_options[MO_ASSOCIATIVE]) memory.cells("qzb,associativity", {2, 0, c});
        }
    }
    of_free_region_list(machine);
    for (uint32_t r = 0; r < machine->memory_region_count; r++)
        of_add_available_region(tree->chip, machine->memory_regions[r].start,
                                machine->memory_regions[r].size);
}

} // namespace

void OF_BuildDeviceTree(OF_DeviceTree *tree, GenericMachine *machine)
{
    if (!tree || !machine) return;
    if (tree->built) {
        sim_warning(2, "OF_BuildDeviceTree: Tree already built");
        return;
    }
    MCM *chip = machine->num_mcms && machine->mcms ? machine->mcms[0] : nullptr;
    if (!chip) {
        sim_error("bad mcm number: %d", 0);
        return;
    }
    tree->built = 1;
    while (OF_DeviceTreeNode *entry = tree->first) { // entries of an earlier build, if any
        tree->first = entry->next;
        of_free_device_node(entry);
    }
    OF_Empty_Device_Tree(tree);
    tree->chip = chip;
    tree->machine = machine;
    int32_t threads = GenericMachine__ThreadCount(machine);

    NodeWriter root(tree, "", "");
    root.string("model", "Quarn,Simulated-System");
    root.string("name", "device-tree");
    root.string("device_type", MachineType_2_Name(machine->machine_type));
    root.string("compatible", "PowerPC-System");
    root.integer("#address-cells", 2);
    root.integer("#size-cells", 2);

    build_cpus(tree, machine, threads);
    build_memory(tree, machine);

    NodeWriter openprom(tree, "", "openprom");
    openprom.string("name", "openprom");
    openprom.string("device_type", "BootROM");
    openprom.string("model", "OpenFirmware 3 Emulation by Quarn");
    openprom.string("relative-addressing", "");

    NodeWriter options(tree, "", "options");
    options.string("name", "options");
    options.string("qzb,fw-clientipaddr", "127.0.0.1");
    options.string("qzb,fw-gatewayipaddr", "255.255.255.255");
    options.string("qzb,fw-netmask", "127.0.0.1");

    if (machine->enable_rtas_support) {
        NodeWriter rtas(tree, "", "rtas");
        rtas.string("name", "rtas");
        rtas.integer("rtas-size", 0x8000);
        for (const RtasToken &token : rtas_tokens)
            rtas.integer(token.name, token.value);
        if (machine->machine_options[MO_ASSOCIATIVE])
            rtas.cells("qzb,associativity-reference-points", {0, 2});
    }

    for (const char *name : {"tervalink", "quarn"}) {
        NodeWriter node(tree, "", name);
        node.string("name", name);
        node.integer("#address-cells", 1);
        node.integer("version", get_quarn_version_info());
    }

    NodeWriter controller(tree, "", "interrupt-controller");
    controller.string("name", "interrupt-controller");
    controller.string("device_type", "PowerPC-External-Interrupt-Presentation");
    controller.empty("interrupt-controller");
    controller.string("compatible", "qzb,ppc-xicp");
    controller.string("model", "QZB, Sorvel, PowerPC-PIC, 00");
    controller.cells("qzb,interrupt-server-ranges", {0, (uint32_t)threads});
    controller.integer("qzb,interrupt-buid-size", 20);
    controller.empty("built-in");
    ProcessorState *first_core = GenericMachine__Processor(machine, 0);
    uint64_t per_chip = (uint64_t)chip->cores_per_chip * (first_core ? first_core->num_threads : 1);
    if (per_chip == 0) per_chip = 1;
    std::vector<uint64_t> presenters;
    for (int32_t i = 0; i < threads; i++) {
        char name[32];
        snprintf(name, sizeof name, "PPCIC_%d", (int)((uint64_t)i / per_chip));
        presenters.push_back(MemMap_StartByName(chip_map(chip), name) + ((uint64_t)i % per_chip) * 4096);
        presenters.push_back(4096);
    }
    controller.doublewords("reg", presenters);

    NodeWriter nvram(tree, "", "nvram");
    nvram.string("name", "nvram");
    nvram.string("device_type", "nvram");
    nvram.empty("used-by-rtas");
    nvram.empty("built-in");
    nvram.string("qzb,loc-code", "U0.1-P1-X1");
    nvram.integer("#bytes", 0x1e000);

    NodeWriter chosen(tree, "", "chosen");
    chosen.string("name", "chosen");
    chosen.integer("stdin", 0);
    if (OF_stdout_ihandle == -1) OF_stdout_ihandle = tree->count + 1;
    chosen.integer("stdout", (uint32_t)OF_stdout_ihandle);
    chosen.integer("cpu", tree->cpu_handle_count ? (uint32_t)tree->cpu_handles[0] : 0);
    chosen.string("bootpath", "/pci@fff7f09000/ide@1/hd0,1:yaboot.chrp");
    chosen.integer("mmu", 0xdeadbeef);
    chosen.string("bootargs", "rw ppcdbg=phb_init");

    if (debug_state[DEBUG_PRINT_DEVICE_TREE] > 0) OF_Print_Device_Tree(tree);
}
