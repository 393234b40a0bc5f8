// A guest page's translations: made on first use per width, dropped together.
#include "translator/frame.h"

#include "machine/generic_machine.h"
#include "processor/mcm.h"
#include "translator/emat.h"
#include "translator/page_tables_standin.h"
#include "translator/pturbo_control.h"
#include "translator/xframe.h"

// STAND-IN support: see page_translation_standin.cpp.
void note_translated_frame_standin(frame_s *frame);

xframe *frame_xlate(frame_s *frame, int wide)
{
    if (!frame || frame->untranslatable) return nullptr;
    uint64_t &slot = wide ? frame->xframe64 : frame->xframe32;
    if (!slot) {
        MCM *chip = ipt_mcm(frame->owner);
        uint32_t block = chip && chip->machine ? (uint32_t)chip->machine->turbo_minimum : 20;
        slot = xframe_bias(xframe_new(chip, frame, 1, wide, block));
        note_translated_frame_standin(frame);
    }
    return xframe_unbias(slot);
}

void frame_drop_xlate(frame_s *frame)
{
    if (!frame) return;
    xframe_free(xframe_unbias(frame->xframe32));
    xframe_free(xframe_unbias(frame->xframe64));
    frame->xframe32 = 0;
    frame->xframe64 = 0;
    frame->untranslatable = 0;
    frame->fast_write = frame->host ? frame->host - reinterpret_cast<uint64_t>(EMAT_GET_BIAS()) : 0;
    pturbo_zap_all_threads_now("frame_drop_xlate");
}
