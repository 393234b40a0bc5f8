// The ROM as the memory bus reaches it: its defaults and its placement on a chip.
#pragma once

struct MCM;
struct PropertyList;

// STAND-IN: the ROM is not built yet; it adds no defaults.
void ROM_Add_Default_Values(PropertyList *list, const char *section);
// STAND-IN: the ROM is not built yet; nothing is placed.
void Setup_ROM(MCM *chip, PropertyList *list);
