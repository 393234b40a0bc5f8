// The data path between the load and store instructions and storage: a routine fills the data
// access descriptor (IOPDesc::data) with the effective address, size and kind; these routines
// translate it, apply the crossing options, move the bytes, put the data into the thread's byte
// order and write the target register. Also the quadword protocol (lq, lqarx, stq) with its
// atomicity validation and memory tags, the reservation storage-attribute rules, the load-string
// length rules and the cycle-level core's store-data micro-operations.
//
// Descriptor fields as this path uses them: ea the current piece, orig_ea the address for DAR,
// ea2 the operand's start, size the piece, size2 the operand's total length, row_size the element
// size of the alignment checks, align the whole-operand size of a quadword (16 for its first
// doubleword, -1 for the second), access_origin 2 for a load-and-reserve or store-conditional
// access. The string-progress flag is the IOPDesc's partial_done.
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;

// ---- byte order and targets ----

// 1 when the thread's data are little-endian: MSR[LE] XOR MSR[SLE] (read without triggers).
int IOP_Data_Little_Endian(const IOPDesc *iop);
// Writes a loaded value to GPR n: the second result slot in the cycle-model form, else the GPR
// after its write triggers.
void IOP_Write_Load_Target(IOPDesc *iop, uint32_t n, uint64_t value);

// ---- loads and stores ----

// Reads the data descriptor's piece: 1 read (the bytes as a big-endian number), 0 not (an
// interrupt was raised, or address-only mode).
int Load_Memory_Value(IOPDesc *iop, uint64_t *value);
// Stores the low size bytes of the value at the descriptor's piece; offset 8 is the second
// doubleword of a quadword store-conditional (no reservation test); reverse: the byte-reversed
// forms. 0 stored, 1 not stored after an interrupt (or address-only mode), 2 not stored without
// an interrupt (a store-conditional that failed).
int Store_Memory_Value(IOPDesc *iop, uint64_t value, int offset, int reverse);
// Sign-extends (algebraic), puts into the thread's byte order (reversed when the data are
// little-endian XOR the byte-reverse flag) and writes RT. Returns 1.
int Load_Value_To_GRT(IOPDesc *iop, uint64_t value);
// The load of a D-, DS- or X-form instruction whose address is computed: reads, writes RT and, for
// an update form, RA; update_base is the displacement or RB value of an allowed invalid update
// form (RA = 0 or RA = RT), else 0. 1 done, 0 an interrupt was raised.
int load_single_register(IOPDesc *iop, int advance, uint64_t update_base);
// The store of such an instruction, with its update. 1 done (a failed store-conditional too),
// 0 an interrupt was raised or the invalid form is illegal.
int store_single_register(IOPDesc *iop, uint64_t value);
// Writes an update form's RA: the first GPR result slot in the cycle-model form, else the GPR.
void UPDATE_EA(IOPDesc *iop, uint32_t reg, uint64_t value);

// ---- quadwords ----

// The gates of lq, lqarx, stq and stqcx.: support, privilege, an odd register (lowered by one under
// LQ_STQ_BACKUP_ON_ODD whatever the outcome). 1 allowed, 0 an interrupt was raised.
int Start_Quadword_Access(IOPDesc *iop, uint32_t must_be_even, uint32_t *reg);
// Loads RT and RT + 1 from (RA|0) + offset with the atomicity validation (up to 11 attempts);
// the first doubleword's physical address goes to *first_pa. 1 done, 0 an interrupt was raised.
int Actual_QuadWord_Load(IOPDesc *iop, uint32_t rt, uint64_t offset, AXD *data, uint64_t *first_pa);
// Sets XER[TGCC] from the quadword's memory tag.
void End_Quadword_Load(IOPDesc *iop, uint64_t pa, uint32_t rt);
// Writes the quadword's tag: from XER bit 20 in tags-active state, with MSR[BTAE] or under
// STQ_ALWAYS_STORES_TAG (1), else 0 (0).
int End_Quadword_Store(IOPDesc *iop, AXD *data);

// ---- shared helpers ----

// The storage-attribute rules of a load-and-reserve or store-conditional access (write-through,
// cache-inhibited); 1 allowed, 0 an interrupt was raised. Other accesses: 1.
int IOP_Check_Reservation_Storage(IOPDesc *iop);
// The bytes a load string really transfers (LSWX_SHORTENED, LSWX_FINISHS_REGISTERS); unit is the
// register width (4 or 8); rb above 32 means no RB.
int Load_String_Length(IOPDesc *iop, int bytes, int ra, int rb, int rt, int unit);
// Under GPRS_UNDEFINED_FOR_LOAD_STRING_EXCEPTION: writes 0 to the count GPRs from first (mod 32)
// after a load string that failed part-way from an unaligned start.
void Load_String_Undefined_Targets(IOPDesc *iop, uint32_t first, uint32_t count);
// The page-cache-mode checker's debug line of an access.
void PageCheckCacheableAccess(const char *name, AXD *axd);
// 1 when the address is a multiple of 4 and not of 8.
int Is_EA_Odd_Word_Aligned(uint32_t address);

// The cycle-level core's no-operation (no row names it; the core installs it).
int semantic_noop(IOPDesc *iop);
