// The transaction checkpoint of a thread (its htm_user_state): saved when a transaction begins or
// is recheckpointed, restored when it fails or is reclaimed.
#pragma once

struct IOPDesc;
struct Register_File_Entry;
struct ThreadState;

// The current registers become the checkpoint (read with their read triggers).
void htm_checkpoint_save(IOPDesc *iop);
// The checkpoint becomes the current registers (masked stores, written flags, change masks).
void htm_checkpoint_restore(ThreadState *thread);
// Whether the register is one the checkpoint keeps (the GPRs and VSRs, FPSCR, FPR_INVALID_MAP, VSCR,
// LR, CTR, XER, CR, VRSAVE, AMR, PPR, TAR, DSCR).
bool Is_HTM_Checkpoint_Register(Register_File_Entry *entry);
