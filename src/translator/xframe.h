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

struct ThreadState;

// Runs the translation from the slot of the guest PC with the budget and the thread's data map,
// the map bias and the fetch map; returns the instructions left.
uint32_t xframe_entry(xframe *x, ThreadState *thread, uint64_t pc, uint32_t budget, void *data_emat,
                      void *bias, void *fetch_emat);

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
