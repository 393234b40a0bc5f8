// Effective-address maps (emat_s): the software TLB of translated code and the fast interpreter,
// one per thread and map kind. A map's top table leads through second-level tables to segments of
// page entries; every pointer in them is biased (an offset from an inaccessible 4 MB region), so
// a walk through an empty slot faults instead of testing. Segments are shared through each memory
// map's segment table by key and context. Here also: installing a page after a slow-path
// translation (emat_add), the fetch lookup (emat_xframe), the invalidations, the full zap, the
// mapping limit and the listings.
#pragma once

#include <cstdint>

struct AXD;
struct MCM;
struct ThreadState;
struct frame_s;
struct segment;
struct segtab;
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
constexpr uint64_t EMAT_SECOND_ENTRIES = 1ull << 18;
constexpr uint64_t EMAT_SEGMENT_PAGES = 1ull << 16;
constexpr uint64_t EMAT_BIAS_SIZE = 0x400000;
constexpr uint64_t EMAT_REGION_MASK = ~0x0FFFFFFFull; // a 256 MB region
constexpr uint32_t SEGTAB_BUCKETS = 1u << 20;

// One 256 MB region of a map that has a segment installed; one second-level table made.
struct emat_entry_s {
    emat_entry_s *next;
    uint64_t ea; // low 28 bits zero
};
struct emat_entry2_s {
    emat_entry2_s *next;
    uint64_t *table;
};

struct emat_s {
    MCM *chip;    // the thread's chip
    emat_s *next; // in all_emats, newest first
    int32_t kind;
    uint64_t *top;              // EMAT_TOP_ENTRIES biased entries; made by emat_prep, null after a clear
    emat_entry_s *free_regions; // spare region records
    emat_entry_s *regions;      // one per region with a segment
    emat_entry2_s *tables;      // one per second-level table
};

// A page's entry in a segment: four biased slots (0 = none).
struct emat_page_entry {
    uint64_t store_frame; // the frame to store through (its fast-write pointer gives the host page)
    uint64_t read_page;   // host address of the page's bytes
    uint64_t fetch_frame; // the frame whose translation serves instruction fetch
    uint64_t frame;       // the page's frame, whatever the access
};

// Key bits above the 52-bit VSID.
constexpr uint64_t SEGMENT_KEY_B = 1ull << 52; // one-terabyte segment
constexpr uint64_t SEGMENT_KEY_V = 1ull << 53; // translated (relocated) addresses
constexpr uint64_t SEGMENT_KEY_N = 1ull << 54; // no-execute
constexpr uint64_t SEGMENT_KEY_K = 1ull << 55; // storage key of the translation in force
constexpr uint64_t SEGMENT_KEY_VSID = (1ull << 52) - 1;

// The page entries of one 256 MB region, shared by key and context, and its trailer.
struct segment {
    emat_page_entry pages[EMAT_SEGMENT_PAGES];
    uint64_t key;
    uint64_t lpidr;
    uint64_t amr;
    uint64_t sdr1;
    segment *next;           // in its bucket
    int32_t reference_count; // second-level slots that point at it
};

struct segtab_bucket {
    segment *first;
    segtab_bucket *next_nonempty;
};

// One per memory map: 2^20 buckets by VSID & 0xFFFFF, and the list of the non-empty ones.
struct segtab {
    segtab_bucket buckets[SEGTAB_BUCKETS];
    segtab *next; // global list of tables, newest first
    segtab_bucket *first_nonempty;
};

// Every map of the process, newest first; every segment table.
extern emat_s *all_emats;
extern segtab *all_segment_tables;
// Zaps since the last report, and the physical-address zaps (raised by nothing).
extern long long emat_zaps;
extern long long emat_pa_zaps;
// Mapping count at the last limit zap, and the value last printed.
extern int64_t utils_leak_baseline;
extern int64_t utils_leak_printed;

emat_s *emat_new(int32_t kind, MCM *chip);
// Makes the top-level table when it is missing.
void emat_prep(emat_s *map);
// Drops every region and table of the map (the top table goes; emat_prep makes it again).
void emat_clear(emat_s *map);
// Unlinks, clears and frees a map; nothing for null.
void emat_free(emat_s *map);
// The second-level table of EA (biased entries), made with create; null without one.
uint64_t *emat_lookup_segs(emat_s *map, uint64_t ea, int create);
// Stores the segment (or none) in the second-level slot of EA's region, keeping reference counts.
void emat_set_segment(emat_s *map, uint64_t ea, segment *seg);
// The segment installed for EA's region, or null.
segment *emat_get_segment(emat_s *map, uint64_t ea);
// Installs the page of a completed slow-path translation; 0.
int emat_add(emat_s *map, ThreadState *thread, AXD *axd);
// The translation of the page that a fetch of EA finds in the map, made on first use; null when the
// map has no fetch entry for the page.
xframe *emat_xframe(emat_s *map, uint64_t ea, int mode64);

// Slot offsets of a page entry for the emitters.
int EMAT_READ_OFFSET(void);
int EMAT_WRITE_OFFSET(void);
int EMAT_FETCH_OFFSET(void);
// The inaccessible 4 MB region that biased pointers are offsets into; made on the first call.
void *EMAT_GET_BIAS(void);
// Biased form of a pointer (0 for null) and back.
uint64_t emat_bias(const void *pointer);
void *emat_unbias(uint64_t biased);

// Invalidations.
void EMAT_INVALIDATE_EA(ThreadState *thread, uint64_t ea, const char *reason);
void EMAT_INVALIDATE_ALL(ThreadState *thread, int32_t unused, const char *reason);
void EMAT_TLBIA(ThreadState *thread, const char *reason);
void segtab_tlbie(segtab *table, ThreadState *thread, uint64_t va, int vsid_bits, int page_shift, int is);
// Drops the translations of the page that holds the host address in the chip's table.
void EMAT_XFLUSH(MCM *chip, uint64_t host_address);
void EMAT_ZAP_(const char *reason, const char *file, int line);
void EMAT_ZAP_MA_(uint64_t address, const char *reason, const char *file, int line);
void EMAT_ZAP_PA_(uint64_t address, const char *reason, const char *file, int line);

// Segment tables.
segtab *segtab_new(void);
segment *segtab_lookup(segtab *table, ThreadState *thread, uint64_t vsid, int flag56, int k, int n, int v,
                       int b, int create);
void segtab_remove_segs(segtab *table);
void SEGTAB_REMOVE_SEGS(void);
void segment_set_frame(segment *seg, frame_s *frame, uint64_t ea, AXD *axd, int mode64);

// The mapping limit: more than limit mappings since the last limit zap zap everything.
void utils_check(int64_t limit);

// "user_xlate", "user_real", "super_xlate", "super_real" (kinds 3 and 4), "hyper_xlate",
// "hyper_real"; and the number among maps of the same name (1 for kind 4, else 0).
const char *emat_name(const emat_s *map);
int emat_num(const emat_s *map);
// Listings for debug category 113.
void EMAT_NL(int indent);
void emat_dump(const emat_s *map, int indent);
void segment_dump(const segment *seg, int indent);
// Statistics fragments: " [%lld Zaps  %lld PA-Zaps]" and " [%d leaks]".
void EMAT_KIPS(void);
void UTILS_KIPS(void);

// Warnings of the maps and tables go to the general warning call; a test may watch them.
using translator_warning_fn = void (*)(const char *text);
extern translator_warning_fn translator_warning_hook;
void translator_warning(const char *format, ...) __attribute__((format(printf, 1, 2)));
