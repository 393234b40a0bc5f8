// Stand-ins of the fetch lookup and the drop of a stale page until the effective-address maps and
// the translated-page tables are built.
#include "translator/emat.h"
#include "translator/frame.h"
#include "translator/xframe.h"

// STAND-IN support: the frames translated so far (linked through their chain field), in place of
// the translated-page tables.
frame_s *translated_frames_standin = nullptr;

void note_translated_frame_standin(frame_s *frame)
{
    for (frame_s *f = translated_frames_standin; f; f = f->next)
        if (f == frame) return;
    frame->next = translated_frames_standin;
    translated_frames_standin = frame;
}

// STAND-IN: maps hold no fetch entries yet; no translation is found.
__attribute__((weak)) xframe *emat_xframe(emat_s *, uint64_t, int)
{
    return nullptr;
}

// STAND-IN: without the translated-page tables the frame is looked for among the frames
// translated so far.
__attribute__((weak)) void EMAT_XFLUSH(MCM *, uint64_t host_address)
{
    for (frame_s *f = translated_frames_standin; f; f = f->next)
        if (host_address - f->host < 4096) frame_drop_xlate(f);
}
