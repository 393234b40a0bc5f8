// The RTAS console window (G_MMAPI_RTAS_CONSOLE, "RTAS_CONSOLE"): an overlay on RAM through which
// firmware publishes console output. A 4-byte store to the word at 0x37FFF570 that advances it
// sends the bytes between the old and the new value to the machine's first console.
#pragma once

#include <cstdint>

#include "memory/memory_map.h"

struct ConsoleDevice;
struct MCM;
struct PropertyList;

constexpr uint64_t RTAS_CONSOLE_WORD = 0x37FFF570ULL;

struct RTAS_CONSOLE {
    uint64_t start;
    uint64_t end; // inclusive
    uint64_t size;
    MapListElement *backing; // the element the window overlays
    ConsoleDevice *console;
};

extern MMAPIentry_s G_MMAPI_RTAS_CONSOLE;

// Places the window over "RTAS_CONSOLE_START".."RTAS_CONSOLE_END" when both are configured and
// one element backs the whole range.
void Setup_RTAS_CONSOLE(PropertyList *list, MCM *chip);

void *RTAS_CONSOLE_INIT_MMAPI_FUNCTION(const char *name, PropertyList *list, InstanceLink *link,
                                       uint64_t start, uint64_t end);
void RTAS_CONSOLE_QUIT_MMAPI_FUNCTION(void *instance);
int RTAS_CONSOLE_READ_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t *value,
                                     int length);
int RTAS_CONSOLE_WRITE_MMAPI_FUNCTION(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t value,
                                      int length);
