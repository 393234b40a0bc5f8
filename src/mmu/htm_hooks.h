// What the load, store and cache instructions ask of the transactional-memory model: failure
// recording, the store footprint, touch collisions, the reservation-taken state, the
// transactional block clear and the machine's count of threads inside a transaction.
#pragma once

#include <cstdint>

#include "mmu/htm_spr_standin.h" // htm_record_failure

struct AXD;
struct GenericMachine;
struct IOPDesc;
struct ThreadState;

// Failure causes recorded by the instructions.
enum : uint64_t {
    HTM_FAILURE_STCX_TO_FOOTPRINT = 0x1100000, // failed store-conditional to the store footprint
    HTM_FAILURE_NOT_ALLOWED = 0x1800000,       // instruction not allowed in transactional state
    HTM_FAILURE_ATTN = 0x1010000,              // attn in a transaction
};

// Whether the physical address lies in the transaction's store footprint.
int Is_PA_To_HTM_Store_Footprint(IOPDesc *iop, uint64_t address);
// Checks a touched or cache-operated line against the other threads' footprints.
void htm_check_touch_collision(IOPDesc *iop, int32_t thread_number, uint64_t address, int ignored, int kind);
// Records whether the reservation just taken was taken in transactional state.
void htm_record_reservation_taken_state(IOPDesc *iop, AXD *axd);
// Zeroes size bytes at the descriptor's physical address through the transactional store path.
void HTM_PA_Clear_Memory_Directly(IOPDesc *iop, AXD *axd, int64_t size);
// The number of the machine's threads inside a transaction.
int32_t HTM_Threads_In_Transaction(GenericMachine *machine);
