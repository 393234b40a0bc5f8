// Instruction cracking: the tables, their registration and the lookups.
#include "translator/crack.h"

#include <cstdio>
#include <cstring>

uint32_t crack_table[CRACK_TABLE_ENTRIES];
const char *crack_names[CRACK_KINDS];
int32_t crack_rio[CRACK_KINDS];
uint64_t crack_inputs[CRACK_KINDS];
uint64_t crack_outputs[CRACK_KINDS];

namespace
{

bool crack_done = false;

const char *name_or_null(const char *name)
{
    return name ? name : "NULL";
}

} // namespace

void crack_register(const crack_registration *r)
{
    crack_names[r->kind] = r->name;
    const uint32_t base = (uint32_t)r->primary * 2048;
    for (uint32_t low = 0; low < 2048; low++) {
        if ((low & r->fixed) != r->value) continue;
        uint32_t index = base + low;
        uint32_t existing = crack_table[index];
        if (existing != 0) {
            fprintf(stderr, "Crack table error, index = %d, %s(%d) replacing %s(%d)\n", (int)index,
                    name_or_null(r->name), (int)r->kind, name_or_null(crack_names[existing]), (int)existing);
            continue;
        }
        crack_table[index] = r->kind;
        crack_rio[r->kind] = r->rio;
        crack_inputs[r->kind] = r->inputs;
        crack_outputs[r->kind] = r->outputs;
    }
}

void crack_init(void)
{
    if (crack_done) return;
    crack_done = true;
    for (const char *&name : crack_names)
        name = "unknown";
    memset(crack_table, 0, sizeof crack_table);
    for (int i = 0; i < crack_registration_count; i++)
        crack_register(&crack_registrations[i]);
}

uint32_t turbo_id(uint32_t word)
{
    return crack_table[crack_index(word)];
}

const char *turbo_id_name(uint32_t kind)
{
    return kind < (uint32_t)CRACK_KINDS ? crack_names[kind] : "unknown";
}

int CRACK_IS_BRANCH(uint32_t word)
{
    return (crack_outputs[turbo_id(word)] & CRACK_BRANCH) != 0;
}

int is_basicblock_terminator(xframe *, uint32_t word, uint32_t kind)
{
    if (kind >= KIND_B && kind <= KIND_BLA) return 1;
    switch (kind) {
    case KIND_MTMSR:
    case KIND_MTMSRD:
    case KIND_RFID:
    case KIND_SC:
        return 1;
    default:
        return CRACK_IS_BRANCH(word);
    }
}
