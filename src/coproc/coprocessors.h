// The coprocessors and the coprocessor bus interface of a chip, as the chip's set-up and
// teardown reach them.
#pragma once

struct MCM;
struct PropertyList;

// Adds the coprocessor defaults under the section.
void COP_Add_Default_Values(PropertyList *list, const char *section);
// Loads the chip's coprocessors from the property list.
void Init__Coprocessors(MCM *chip, PropertyList *list);
// Clears / releases the chip's coprocessor bus interface.
void PBIC_Init(MCM *chip);
void PBIC_Quit(MCM *chip);
// Global teardown of the coprocessors: nothing is left to release.
void Quit__Coprocessors(void);
// The nest units' hook in the default configurations.
void Nest_Add_Default_Values(PropertyList *list, const char *section);
