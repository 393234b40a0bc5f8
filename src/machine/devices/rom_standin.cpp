#include "machine/devices/rom_standin.h"

// STAND-IN: the ROM image, its file name and size defaults come with the ROM device.
void ROM_Add_Default_Values(PropertyList *, const char *) {}

// STAND-IN: the ROM device ("ROM", G_MMAPI_ROM) is not built yet; no ROM element is defined.
void Setup_ROM(MCM *, PropertyList *) {}
