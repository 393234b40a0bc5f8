// Effective-address maps (emat_s) of a hardware thread.
#pragma once

struct emat_s;

// Frees a map and its entries (nothing for null).
void emat_free(emat_s *map);
