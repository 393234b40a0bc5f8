// Physical accesses with side effects: one piece of at most 8 bytes at the physical address of an
// access descriptor, the buffer forms that cut a longer access into such pieces, the memory-tag
// write of a descriptor, and the interrupt for an address no device covers.
//
// Values are the piece's bytes as a big-endian number in the low size bytes. Results: 0 done,
// 1 not done (an interrupt was raised or the access refused), 9 a memory trigger stopped the
// simulation, any other code a status of the cache model passed through.
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;
struct PowerPCException;

// effects non-zero: an architected access (guest instruction); 0: a tool's quiet access.
uint32_t PA_Read_Memory_Effect(IOPDesc *iop, uint64_t *value, AXD *axd, int effects);
uint32_t PA_Write_Memory_Effect(IOPDesc *iop, uint64_t value, AXD *axd, int effects);
// The write from its watchpoint check on, without the assist-thread, trigger and dirty-table steps.
uint32_t PA_Write_Memory_Effect2(IOPDesc *iop, uint64_t value, AXD *axd, int effects);
// size bytes (any size) in memory order, in pieces of at most 8; the descriptor is not changed.
uint32_t PA_Read_Memory_BigEndian_Buffer(IOPDesc *iop, uint8_t *buffer, AXD *axd, int effects);
uint32_t PA_Write_Memory_BigEndian_Buffer(IOPDesc *iop, const uint8_t *buffer, AXD *axd, int effects);
// Sets the tag of every 16-byte granule the descriptor touches; transactional: a transaction may
// capture the change.
void PA_Write_Memory_Tag_AXD(IOPDesc *iop, AXD *axd, int tag, int transactional);
// The access to a physical address no device covers.
PowerPCException *interrupt_BadAddress(IOPDesc *iop, uint64_t address, int is_store);
