// The translation of one 4 KB guest physical page for one addressing width (xframe): the host
// entry address of each of the page's 1,024 instruction slots (and one for the end of the code),
// the page's frame, the translation cursor and chip, and the code sink that the emitters write.
// The code buffer follows the header in the same mapping. Making, entering and freeing
// translations come with the page translator; the emitters need only the record and its accessors.
#pragma once

#include <cstdint>

#include "translator/x86/sink.h"

struct MCM;
struct frame_s;
struct prof_entry;

constexpr int XFRAME_SLOTS = 1024;
constexpr uint64_t XFRAME_CODE_SIZE = 0x100000;
// One mapping per translation: the header, then the code buffer at its end.
constexpr uint64_t XFRAME_MAPPING_SIZE = 1060952;
constexpr uint64_t XFRAME_CODE_OFFSET = XFRAME_MAPPING_SIZE - XFRAME_CODE_SIZE;

struct xframe {
    uint64_t entry[XFRAME_SLOTS + 1]; // host address of slot i's code; entry 1024: end of the code
    uint64_t mapping_size;
    frame_s *frame;      // the guest page
    prof_entry *profile; // profile record of the instruction being translated, or null
    uint64_t cursor;     // host address of the guest word being translated
    MCM *chip;           // whose memory map holds the page
    sink code_sink;      // over the code buffer
    int32_t machine64;   // code for a 64-bit machine (register accesses are 64-bit)
    int32_t mode64;      // code for MSR[SF] = 1
};

static_assert(sizeof(xframe) <= XFRAME_CODE_OFFSET, "the xframe header fits before its code");

struct ThreadState;

// Translations made and freed since the last report.
extern int64_t xframe_new_count;
extern int64_t xframe_free_count;

// A new translation of the frame's whole page for 32-bit or 64-bit mode (block: the budget-test
// distance, "turbo/minimum"); null when no mapping could be had or the translation is unusable
// (its code did not fit, a jump was out of reach, the XMM pool ran out).
xframe *xframe_new(MCM *chip, frame_s *frame, int machine64, int mode64, uint32_t block);
// Unmaps a translation and counts it; nothing for null.
void xframe_free(xframe *x);
// The biased form kept in frames (offset from the address-map bias region; null is 0) and back.
uint64_t xframe_bias(xframe *x);
xframe *xframe_unbias(uint64_t biased);

// Runs the translation from the slot of the guest PC with the budget and the thread's data map,
// the map bias and the fetch map; returns the instructions left.
uint32_t xframe_entry(xframe *x, ThreadState *thread, uint64_t pc, uint32_t budget, void *data_emat,
                      void *bias, void *fetch_emat);

// The guest word at a host address of the page, in guest order.
uint32_t get_ins(xframe *x, uint64_t host_address);
// Whether pages are addressed directly on host memory ("turbo/standalone" with unchunked memory).
int xframe_is_standalone(xframe *x);
int xframe_is_debug(xframe *x);
int xframe_is_dynamic_debug(xframe *x);
int xframe_is_mftb(xframe *x);
int xframe_is_pturbo(xframe *x);
// The periodic report's lines of translations made and freed (reset after printing).
void XFRAME_KIPS(void);

inline uint64_t xframe_code(const xframe *x)
{
    return reinterpret_cast<uint64_t>(x) + XFRAME_CODE_OFFSET;
}
inline uint64_t xframe_xpc_for_index(const xframe *x, int slot)
{
    return x->entry[slot];
}
uint64_t xframe_ma(const xframe *x);

inline sink *xframe_sink(xframe *x)
{
    return &x->code_sink;
}
inline void xframe_emit1(xframe *x, uint32_t byte)
{
    sink_emit1(&x->code_sink, byte);
}
inline uint64_t xframe_xpc(xframe *x)
{
    return sink_xpc(&x->code_sink);
}
inline int xframe_machine64(const xframe *x)
{
    return x->machine64;
}
inline int xframe_mode64(const xframe *x)
{
    return x->mode64;
}
inline uint64_t xframe_mpc(const xframe *x)
{
    return x->cursor;
}
inline MCM *xframe_mcm(const xframe *x)
{
    return x->chip;
}
