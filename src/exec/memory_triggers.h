// Memory triggers: watched address ranges (effective or physical, read or write) in a machine's
// sorted trigger list, with per-kind summaries that reject most accesses in three comparisons.
#pragma once

#include <cstdint>

#include "mmu/hooks/pc_triggers.h"
#include "runtime/triggers.h"

struct GenericMachine;
struct ThreadState;

// The request bits of add and remove.
enum : uint32_t { MEMORY_TRIGGER_READ = 1, MEMORY_TRIGGER_WRITE = 2 };

// Adds a write trigger (bit 2) and then a read trigger (bit 1) as requested; an equal trigger
// already in the list only has its count raised. The trigger that holds the last kind handled,
// null when kinds has neither bit.
Memory_Trigger *Trigger_Memory__Add_token(GenericMachine *machine, uint64_t start, uint64_t end, int32_t effective,
                                          uint32_t kinds, int32_t token, Trigger_Callback callback, void *data);
// The same without a token; the sixth argument is not used.
Memory_Trigger *Trigger_Memory__Add(GenericMachine *machine, uint64_t start, uint64_t end, int32_t effective,
                                    uint32_t kinds, int32_t ignored, Trigger_Callback callback, void *data);
// Drops one reference of the first trigger with this range and a requested kind; the trigger,
// which belongs to the caller once its count reached 0; null when there is none.
Memory_Trigger *Trigger_Memory__Remove(GenericMachine *machine, uint64_t start, uint64_t end, uint32_t kinds);
// Drops one reference and unlinks the trigger at count 0; recomputes the summaries.
void Trigger_Memory__Remove_From_List(TriggerTable *table, Memory_Trigger *trigger);
// Drops one reference of every effective (real) trigger with the token; the triggers unlinked are
// released. The table's copy of the last one removed.
Memory_Trigger *Trigger_Memory_Effective__Remove_token(GenericMachine *machine, int32_t token);
Memory_Trigger *Trigger_Memory_Real__Remove_token(GenericMachine *machine, int32_t token);
Memory_Trigger *Trigger_Memory_Effective__Remove(GenericMachine *machine);
Memory_Trigger *Trigger_Memory_Real__Remove(GenericMachine *machine);
void Trigger_Memory__Delete(Memory_Trigger *trigger);
// The enabled triggers of the list, in order.
Memory_Trigger *Trigger_Memory__First(GenericMachine *machine);
Memory_Trigger *Trigger_Memory__Next(GenericMachine *machine, Memory_Trigger *trigger);
int Trigger_Memory__Equal(const Memory_Trigger *a, const Memory_Trigger *b);
int32_t Trigger_Memory__get_token(void);
void Trigger_Memory__Update_Summary(TriggerTable *table);
// Releases every memory trigger of the table.
void Trigger_Memory__Free_All(TriggerTable *table);
