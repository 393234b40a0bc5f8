// The vector status and control register: the saturation step of the saturating VMX instructions
// and the moves to and from VSCR. VSCR holds NJ (0x10000) and SAT (0x1); VSCR_CHANGE records the
// VSCR bits instructions wrote. The move routines (semantic_mtvscr, semantic_mfvscr) and the
// data-stream touches (semantic_dst, semantic_dstst, semantic_dss, no-operations that only
// advance) are declared with every routine in isa/semantics.h.
#pragma once

struct IOPDesc;

// Records that the instruction saturated: VSCR[SAT] on the functional path (or the instruction's
// saturation-pending flag in cycle-level-core mode, VSCR then waiting for the commit), and SAT in
// VSCR_CHANGE in both modes. Plain stores under the implemented-bits masks: no triggers, no
// written flag. Called at most once per instruction, after the target write.
void IOP_Set_VSCR_SAT(IOPDesc *iop);
// The first step of IOP_Set_VSCR_SAT alone (VSCR_CHANGE untouched): the double-precision lane modes.
void IOP_Set_VSCR_SAT_Only(IOPDesc *iop);
