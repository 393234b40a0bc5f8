// The fixed-point load and store instructions beside their rows' routines (semantics.h): the
// shared D/DS/X skeletons, the multiple and string loops, the problem-state PCR 2.05 test and the
// external-PID stores, which no row of this instruction table names.
#pragma once

#include <cstdint>

struct IOPDesc;

// Skeletons: the effective address by form, then the access with the IOPDesc's update, algebraic
// and byte-reverse flags. 1 completed, 0 an interrupt was raised.
int semantic_d_load(IOPDesc *iop);
int semantic_ds_load(IOPDesc *iop);
int semantic_x_load(IOPDesc *iop);
int semantic_d_store(IOPDesc *iop);
int semantic_ds_store(IOPDesc *iop);
int semantic_x_store(IOPDesc *iop);

// From the data descriptor's address and element size: registers first .. 31 (advances the
// next-instruction address itself).
int Load_Multiple_Registers(IOPDesc *iop, uint32_t first);
int Store_Multiple_Registers(IOPDesc *iop, uint32_t first);
// The word string loads: form 0 immediate (rb 33), 1 indexed.
int Load_String_Words(IOPDesc *iop, int count, int form, uint32_t rb);
// The doubleword string loads of tags-active state; rb -1: none.
int Load_String_Doublewords(IOPDesc *iop, uint32_t rt, int count, uint32_t ra, int rb);
// The string stores: count bytes from rs on, element 4 (the low words) or 8 bytes per register.
int Store_String_Bytes(IOPDesc *iop, uint32_t rs, int count, int element);
// In problem state with PCR bit 0x2: the illegal-instruction interrupt "2.0.5 is disabled" and 0.
int Check_PCR_2_05_Mode(IOPDesc *iop);

// External-PID stores: privileged, then the indexed store.
int semantic_stbepx(IOPDesc *iop);
int semantic_sthepx(IOPDesc *iop);
int semantic_stwepx(IOPDesc *iop);
int semantic_stdepx(IOPDesc *iop);
