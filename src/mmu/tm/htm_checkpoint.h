// The transaction checkpoint of a thread (its htm_user_state): saved when a transaction begins or
// is recheckpointed, restored when it fails or is reclaimed.
#pragma once

struct IOPDesc;
struct ThreadState;

// The current registers become the checkpoint (read with their read triggers).
void htm_checkpoint_save(IOPDesc *iop);
// The checkpoint becomes the current registers (masked stores, written flags, change masks).
void htm_checkpoint_restore(ThreadState *thread);
