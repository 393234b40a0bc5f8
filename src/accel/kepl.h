// The accelerator attach unit (KEPL) of a chip as the unit-creation commands reach it.
#pragma once

#include <cstdint>

struct MCM;
struct KEPL_State;

// 1 when made, 0 when it cannot be.
int kepl_create(MCM *chip, uint64_t p1_base, uint64_t p2_base, int32_t slices);
int kepl_connect(MCM *chip, int32_t slice, uint64_t frequency, char *host, int32_t port);
int kepl_attach(MCM *chip, int32_t slice, uint64_t frequency, int32_t type);
int kepl_debug(MCM *chip, int32_t level);
int kepl_dump(MCM *chip, int32_t slice);
// Non-zero when the effective address of the slice translates.
int kepl_EA2PA(KEPL_State *unit, int32_t slice, uint64_t ea, uint64_t *pa);
// The chip's unit, or null before kepl_create.
KEPL_State *kepl_of_chip(MCM *chip);
uint64_t kepl_get_p1_base(KEPL_State *unit);
uint64_t kepl_get_p2_base(KEPL_State *unit);
int32_t kepl_get_slices(KEPL_State *unit);
int32_t kepl_get_max_lock_timeout(KEPL_State *unit);
int kepl_get_enable_new_features(void);
void kepl_set_enable_new_features(int on);
