// What the triggers tell the translator: its memory-trigger summary is stale, or the translations
// that tested register triggers must go.
// Declared here for the floors that call it; defined by the translator (translator/page_tables.cpp
// and translator/tt_memtrigger_standin.cpp).
#pragma once

#include <cstdint>

struct GenericMachine;

// The machine list of memory triggers changed: translated code rebuilds its summary.
void tt_memtrigger_reset(void);
// Drops the translated pages of the machine that test register triggers.
int32_t tt_regtrigger_xlate_flush(GenericMachine *machine);
