// Effective-address maps (emat_s): the software TLB of translated code and the fast interpreter,
// one per thread and map kind. Built so far: the record with its top-level table, its life cycle,
// the list of every map, the map names and the bias region that biased pointers are offsets into.
#pragma once

#include <cstdint>

struct MCM;
struct xframe;

// Map kinds, by addressing state (the thread's emat slot).
enum : int32_t {
    EMAT_USER_XLATE = 0,
    EMAT_USER_REAL = 1,
    EMAT_SUPER_XLATE = 2,
    EMAT_SUPER_REAL = 3,
    EMAT_SUPER_REAL_VRM = 4, // LPCR[VPM0] set
    EMAT_HYPER_XLATE = 5,
    EMAT_HYPER_REAL = 6,
};

// ThreadState::emat_fill_request.
enum : int32_t { EMAT_FILL_NONE = 0, EMAT_FILL_READ = 1, EMAT_FILL_WRITE = 2, EMAT_FILL_FETCH = 3 };

constexpr uint64_t EMAT_TOP_ENTRIES = 1ull << 18;
constexpr uint64_t EMAT_BIAS_SIZE = 0x400000;

struct emat_s {
    MCM *chip;    // the thread's chip
    emat_s *next; // in all_emats, newest first
    int32_t kind;
    uint64_t *top; // EMAT_TOP_ENTRIES biased entries; made by emat_prep, null after a clear
};

// Every map of the process, newest first.
extern emat_s *all_emats;

emat_s *emat_new(int32_t kind, MCM *chip);
// Makes the top-level table when it is missing.
void emat_prep(emat_s *map);
// Drops the map's tables (the top table goes; emat_prep makes it again).
void emat_clear(emat_s *map);
// Unlinks, clears and frees a map; nothing for null.
void emat_free(emat_s *map);
// "user_xlate", "user_real", "super_xlate", "super_real" (kinds 3 and 4), "hyper_xlate",
// "hyper_real"; and the number among maps of the same name (1 for kind 4, else 0).
const char *emat_name(const emat_s *map);
int emat_num(const emat_s *map);
// Listing of a map for debug category 113.
void emat_dump(const emat_s *map, int indent);

// The translation of the page that a fetch of EA finds in the map, made on first use; null when the
// map has no fetch entry for the page.
xframe *emat_xframe(emat_s *map, uint64_t ea, int mode64);
// Drops the translations of the page that holds the host address in the chip's table.
void EMAT_XFLUSH(MCM *chip, uint64_t host_address);

// The inaccessible 4 MB region that biased pointers are offsets into; made on the first call.
void *EMAT_GET_BIAS(void);
