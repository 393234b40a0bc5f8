// Chips: creation, teardown, renaming, the fix step and the chip and processor defaults.
#include "machine/mcm_lifecycle.h"

#include "machine/chip_setup.h"
#include "machine/hooks/command_hooks.h"

#include <cstdio>

#include "coproc/coprocessors.h"
#include "coproc/scom_sets.h"
#include "devices/interrupt_hook.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "mmu/ha_dirty_table.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instance_link.h"
#include "processor/spr/scom_blocks.h"
#include "runtime/alloc.h"
#include "runtime/callbacks.h"
#include "runtime/object_registry.h"
#include "runtime/property_list.h"
#include "runtime/psv.h"

namespace
{

// How a default key's value is found.
enum class DefaultSource { Literal, PSV };

struct DefaultKey {
    const char *key;
    DefaultSource source;
    const char *value; // the literal value
    const char *description;
    bool in_section; // added under the given section (else with no section)
    bool is_public;
};

// The chip and processor keys, in the order they are added.
constexpr DefaultKey MCM_DEFAULT_KEYS[] = {
    {"nodes", DefaultSource::Literal, "1", "number of nodes", true, false},
    {"chips", DefaultSource::Literal, "1", "number of chips", true, false},
    {"cpus", DefaultSource::Literal, "1", "number of cpus per MCM", true, true},
    {"cpi", DefaultSource::Literal, "0", "cycles per instruction", true, false},
    {"standalone_app", DefaultSource::Literal, "off", "is this a standalone simulation", true, false},
    {"coherence_block_size", DefaultSource::PSV, nullptr, "coherence block size", true, false},
    {"cache_block_size", DefaultSource::PSV, nullptr, "cache block size", true, false},
    {"processor/cpu_frequency", DefaultSource::PSV, nullptr, "cpu frequency", true, false},
    {"processor/timebase_frequency", DefaultSource::PSV, nullptr, "timebase frequency", true, false},
    {"processor/number_of_threads", DefaultSource::PSV, nullptr, "number of threads per cpu", true, false},
    {"processor/quarn_msr_bit", DefaultSource::PSV, nullptr, "MSR bit(s) to indicate execution on Quarn",
     true, false},
    {"processor/hid4_spr_number", DefaultSource::PSV, nullptr, "SPR number for HID4", true, false},
    {"processor/hid5_spr_number", DefaultSource::PSV, nullptr, "SPR number for HID5", true, false},
    {"processor/siar_spr_number", DefaultSource::PSV, nullptr, "SPR number for SIAR", true, false},
    {"processor/number_of_SLB_Entries", DefaultSource::PSV, nullptr, "number of entries in the SLB", true,
     false},
    {"processor/number_of_TLB_entries", DefaultSource::PSV, nullptr, "number of entries in the TLB", true,
     false},
    {"processor/TLB_associativity", DefaultSource::PSV, nullptr, "number of ways in the TLB", true, false},
    {"processor/TLB_associativity", DefaultSource::PSV, nullptr, "number of ways of TLB", true, false},
    {"processor/TLB_repl_policy", DefaultSource::PSV, nullptr, "TLB replacement policy", true, false},
    {"processor/TLB_tlbie_clears_class", DefaultSource::PSV, nullptr,
     "tlbie instructions clears entire TLB congruence class", true, false},
    {"processor/number_of_iERATs", DefaultSource::PSV, nullptr, "number of I-ERATs", true, false},
    {"processor/number_of_dERATs", DefaultSource::PSV, nullptr, "number of D-ERATs", true, false},
    {"processor/number_of_iERAT_entries", DefaultSource::PSV, nullptr, "number of entries in each iERAT",
     true, false},
    {"processor/number_of_dERAT_entries", DefaultSource::PSV, nullptr, "number of entries in the dERAT", true,
     false},
    {"processor/iERAT_depth", DefaultSource::PSV, nullptr, "size of congruence class for iERAT", true, false},
    {"processor/dERAT_depth", DefaultSource::PSV, nullptr, "size of congruence class for dERAT", true, false},
    {"processor/DERAT_mapped_large_page", DefaultSource::PSV, nullptr,
     "size of largest page supported in DERAT", false, false},
    {"processor/IERAT_mapped_large_page", DefaultSource::PSV, nullptr,
     "size of largest page supported in IERAT", false, false},
    {"processor/IERAT_mapped_base_page", DefaultSource::Literal, "0x1000", "", false, false},
    {"processor/DERAT_mapped_base_page", DefaultSource::Literal, "0x1000", "", false, false},
    {"processor/chip_version", DefaultSource::PSV, nullptr, "chip version number", true, false},
};

template <typename T> T *zeroed_block(const char *type_name)
{
    return static_cast<T *>(quarn_zalloc(sizeof(T), sizeof(T), type_name, __FILE__, __LINE__));
}

} // namespace

MCM *MCM__Init(GenericMachine *machine, int32_t number, PropertyList *list)
{
    MCM *chip = QUARN_ZALLOC(1, MCM);
    if (!chip) return nullptr;
    chip->number = number;
    chip->machine = machine;
    chip->link = InstanceLink__New(machine, machine ? machine->tsim : nullptr, chip, MemMap_Define);
    chip->command_table = build_mcm_Cmd_table(chip);
    chip->fix_done = 0;
    chip->cores_per_chip = machine && machine->num_mcms ? machine->total_cores / machine->num_mcms : 0;

    char name[256];
    const char *machine_name = machine && machine->name ? machine->name : "";
    if (!machine || machine->num_mcms < 2)
        snprintf(name, sizeof name, "%s", machine_name);
    else
        snprintf(name, sizeof name, "%s:%d", machine_name, number);
    rename_mcm(chip, name);
    chip->object_id = BaseObject__New(chip->name, OBJECT_KIND_MEMORY_SPACE, chip);

    char path[64];
    snprintf(path, sizeof path, "/MCM/%d", number);
    chip->path = REMEMBER_STRING(path);
    chip->path_copy = REMEMBER_STRING(path);

    chip->mbus = MBUS__Init(chip, chip->name);
    PBIC_Init(chip);
    Init__Coprocessors(chip, list);

    for (void *&word : chip->cop_units)
        word = nullptr;

    chip->nx_scom_regs = zeroed_block<nx_scom_registers_s>("nx_scom_registers_s");
    chip->as_scom_regs = zeroed_block<as_scom_registers_s>("as_scom_registers_s");
    chip->phb_scom_regs = zeroed_block<phb_scom_registers_s>("phb_scom_registers_s");
    chip->pcie_scom_regs = zeroed_block<pcie_scom_registers_s>("pcie_scom_registers_s");
    chip->icp_scom_regs = zeroed_block<icp_scom_registers_s>("icp_scom_registers_s");
    chip->hca_scom_regs = hca_scom_init(chip);
    nx_scom_init(chip);
    as_scom_init(chip);
    phb_scom_init(chip);
    pcie_scom_init(chip);
    icp_scom_init(chip);

    chip->last_word = nullptr;
    return chip;
}

void MCM__Quit(MCM *chip)
{
    if (!chip) return;
    Quit__Coprocessors();
    PBIC_Quit(chip);
    MBUS__Quit(chip->mbus);
    chip->mbus = nullptr;
    // The device hook belongs to the interrupt controller, which the memory map quits.
    IntHandler__Delete(chip->processor_hook);
    chip->processor_hook = nullptr;
    chip->int_handler = nullptr;
    chip->ppcic = nullptr;
    Quit_SimCmdTable(chip->command_table);
    chip->command_table = nullptr;
    FORGET_STRING(chip->path);
    FORGET_STRING(chip->path_copy);
    chip->path = nullptr;
    chip->path_copy = nullptr;
    InstanceLink__Free(chip->link);
    chip->link = nullptr;
    // The SCOM blocks belong to the chip alone.
    QUARN_FREE(chip->nx_scom_regs);
    QUARN_FREE(chip->as_scom_regs);
    QUARN_FREE(chip->phb_scom_regs);
    QUARN_FREE(chip->pcie_scom_regs);
    QUARN_FREE(chip->icp_scom_regs);
    QUARN_FREE(chip->hca_scom_regs);
    while (chip->ha_dirty_table)
        ha_delete_entry(&chip->ha_dirty_table, chip->ha_dirty_table);
    rename_mcm(chip, nullptr);
    BaseObject__Delete(chip->object_id);
    QUARN_FREE(chip);
}

void rename_mcm(MCM *chip, const char *name)
{
    if (!chip) return;
    if (name) {
        char *new_name = REMEMBER_STRING(name);
        if (chip->name) {
            BaseObject__ChangeName(chip->object_id, new_name);
            FORGET_STRING(chip->name);
        }
        chip->name = new_name;
    } else if (chip->name) {
        FORGET_STRING(chip->name);
        chip->name = nullptr;
    }
}

int MCM_Fix(MCM *chip)
{
    if (!chip || chip->fix_done) return 1;
    GenericMachine *machine = chip->machine;
    if (machine && !machine->cycle_domain) machine->cycle_domain = machine->base_domain;
    chip->fix_done = 1;
    return 1;
}

void undeclare_MCM_time_domains(MCM *chip)
{
    if (chip) chip->domain = nullptr;
}

void MCM_Add_Default_Values(PropertyList *list, const char *section)
{
    const char *type = PropertyList__GetString(list, "processor/type");
    for (const DefaultKey &row : MCM_DEFAULT_KEYS) {
        const char *value = row.source == DefaultSource::PSV ? Search_PSV_Value(type, row.key) : row.value;
        const char *where = row.in_section ? section : nullptr;
        if (row.is_public)
            PropertyList__AddDefaultString_Public(list, where, row.key, value, row.description);
        else
            PropertyList__AddDefaultString(list, where, row.key, value, row.description);
    }
    for (Callback_Function *entry = callBackFunctionLists[CALLBACK_CREATE_DEFAULT_PROPERTY_LIST].head; entry;
         entry = entry->next)
        reinterpret_cast<void (*)(void *, PropertyList *)>(entry->function)(entry->data, list);
}
