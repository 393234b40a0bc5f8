// Stand-ins of the SPR table's indexing and definition.
#include "processor/processor_state.h"
#include "processor/register_file.h"
#include "processor/spr_table.h"
#include "runtime/message.h"

// STAND-IN: the SPR table (its creation with the processor's SPR list, its lookups by number
// and name, its teardown) is not built; indexing an existing table serves SPR_Get_ValidRtde.
__attribute__((weak)) spr_table_entry *Index_SPR_Table(ProcessorState *core, int32_t spr)
{
    if (!core || !core->spr_table || spr < 0 || spr >= core->spr_count) {
        sim_warning(2, "SPR number out of range for %d", spr);
        return nullptr;
    }
    return &core->spr_table[spr];
}

// STAND-IN: see Index_SPR_Table; one definition into an existing table.
__attribute__((weak)) spr_table_entry *Define_SPR(ProcessorState *core, int32_t spr, int32_t register_id,
                                                  const char *name, int32_t width, SPRReadFn read,
                                                  uint32_t read_level, SPRWriteFn write, uint32_t write_level,
                                                  SPRToolReadFn tool_read, SPRToolWriteFn tool_write)
{
    spr_table_entry *entry = Index_SPR_Table(core, spr);
    if (!entry) return nullptr;
    if (entry->valid) {
        sim_warning(2, "Two SPRs for %d: %s and %s", spr, entry->rdte ? entry->rdte->name : "", name);
        return nullptr;
    }
    entry->valid = 1;
    entry->register_id = register_id;
    entry->read = read;
    entry->write = write;
    entry->tool_read = tool_read;
    entry->tool_write = tool_write;
    entry->read_level = read_level;
    entry->write_level = write_level;
    entry->only_64bit = 0;
    reg_desc_table_entry *desc = Find_Register_Table_Entry_By_Name(&core->register_descriptions, name);
    if (!desc)
        desc = Register_Table_Entry(&core->register_descriptions, name,
                                    width == 4 ? REG_TYPE_REG32 : REG_TYPE_REG64, width, spr, REG_SCOPE_OTHER,
                                    0);
    desc->spr_number = spr;
    entry->rdte = desc;
    return entry;
}
