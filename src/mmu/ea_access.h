// Effective-address accesses of the load and store instructions: the D-, DS- and X-form address
// generators with the effective-address overflow check, reads and writes through translation
// (whole, or byte by byte across a page), the family alignment rules and the data-address
// watchpoint test.
//
// The access is the instruction's data descriptor (IOPDesc::data). Values are the access's bytes as
// a big-endian number in the low size bytes; buffers hold the bytes in memory order. Results are
// those of translation and of the physical accesses: 0 done, 1 an interrupt was raised (or the
// access refused), other codes passed through.
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;

// (RA|0) + D, DS × 4 or GPR[RB] into ea, orig_ea and ea2; size, size2 and row_size from the row's
// access size; the displacement or RB value in operand slot B for an instruction in flight.
// The sum is not cut to 32 bits (translation does that).
// Return the overflow check's result: 0 when it raised an interrupt.
int EA_gen_d_loads_stores(IOPDesc *iop);
int EA_gen_ds_loads_stores(IOPDesc *iop);
int EA_gen_x_loads_stores(IOPDesc *iop);
// The effective-address overflow check of tags-active state: 2 fine (or not tested), 1 or 3 an
// overflow found without an interrupt, 0 the interrupt was raised. length 0: not tested.
int CEA_CHECK_EAO(IOPDesc *iop, uint32_t ra, uint64_t value, int64_t length);

// Reads the descriptor's size bytes into buffer (memory order); effects 0 is a quiet read that
// leaves no interrupt.
uint32_t EA_Read_Memory(IOPDesc *iop, AXD *axd, uint8_t *buffer, int effects);
// Reads the data descriptor's size bytes (at most 24; the last 8 form the value); effects 0 is a
// quiet read that leaves no interrupt. The value is written only on result 0.
uint32_t EA_Read_Memory_Reg(IOPDesc *iop, uint64_t *value, int effects);
// Clears the physical address, sets kind "Store" and translates; returns the translation result.
int EA_Write_Memory_Reg_Part1(IOPDesc *iop, int effects);
// Writes the low size bytes of the value by the translation result of Part1; 0 written, 4 written
// and the watchpoint matched, 5 a store-conditional not performed by the cache model, else 1 or
// the code.
uint32_t EA_Write_Memory_Reg_Part2(IOPDesc *iop, uint64_t value, int effects, int status);

// The floating-point operand read (always with effects); sizes above 8 are read byte by byte.
uint32_t EA_Read_Memory_FPReg(IOPDesc *iop, uint64_t *value);
// The memory image of a floating-point store: (instruction, data descriptor, register number,
// translation result).
typedef uint64_t (*FPStoreDataProducer)(IOPDesc *iop, AXD *axd, int reg, int status);
// The floating-point store driver: translates, asks the producer for the image (byte-reversed for
// a little-endian access), stores it and returns the image through value (may be null).
uint32_t EA_Write_Memory_FPReg(IOPDesc *iop, FPStoreDataProducer producer, int reg, uint64_t *value);

// The byte-wise forms on the data descriptor (after a page-crossing translation): big-endian in
// ascending addresses; the little-endian forms reverse the buffer.
uint32_t Read_Data_One_Byte_at_a_Time(IOPDesc *iop, uint8_t *buffer, int effects);
uint32_t Read_LE_Data_One_Byte_at_a_Time(IOPDesc *iop, uint8_t *buffer, int effects);
uint32_t Write_Data_One_Byte_at_a_Time(IOPDesc *iop, const uint8_t *buffer, int effects);
uint32_t Write_LE_Data_One_Byte_at_a_Time(IOPDesc *iop, const uint8_t *buffer, int effects);

// The processor family's alignment rules for the translated access; 1 when no interrupt was raised.
int PPC_MMU_CheckAlignment(IOPDesc *iop, AXD *axd);
// The data-address watchpoint; 1 when it matched and its interrupt was raised.
int CheckDAWR(IOPDesc *iop, uint64_t dar, AXD *axd, int check_end);

// The floating-point drivers. The read always has effects; the write translates, asks the producer
// for the memory image (producer(iop, axd, register, translation result)), reverses it for a
// byte-reversed access and writes it; *value receives the image stored.
typedef uint64_t (*FPStoreDataProducer)(IOPDesc *iop, AXD *axd, int reg, int status);
uint32_t EA_Read_Memory_FPReg(IOPDesc *iop, uint64_t *value);
uint32_t EA_Write_Memory_FPReg(IOPDesc *iop, FPStoreDataProducer producer, int reg, uint64_t *value);
