// The internal operations the cycle-level core issues in place of whole instructions: the pieces of
// cracked fixed-point instructions, the micro-coded CR, XER and segment-register moves, and the
// arithmetic and combining steps of misaligned accesses; with the two GPR writes the steps share
// and the listing printers of load and store multiples.
//
// Every step takes the IOPDesc (ucode_id selects the step of a sequence) and returns 1 when done,
// 0 when nothing was done; none advances the next-instruction address. With use_slots the sources
// are the operand slots and the results go to the result slots; otherwise the thread's registers
// are used with their triggers. GPRs 32 to 35 are the micro-code scratch registers.
// Steps of the table's internal rows are declared in decode/semantics.h; the routines below are
// the ones the core installs into its private table copy.
#pragma once

#include <cstddef>
#include <cstdint>

struct IOPDesc;

// GPR or scratch register n (0..35): the first GPR result slot in the cycle-model form, else the
// register with its write triggers.
void iSET_GPR(IOPDesc *iop, uint32_t n, uint64_t value);
// The same through the second result slot.
void iSET_GPR_Second(IOPDesc *iop, uint32_t n, uint64_t value);

// First piece of rlwimi: scratch 32 := ROTL64(RS low word doubled, SH) AND MASK(MB + 32, ME + 32).
int semantic_rlwinm_i(IOPDesc *iop);
// The select pieces: ucode_id 0 writes 0 to RA; any other runs the instruction's own routine.
int semantic_selii_crack(IOPDesc *iop);
int semantic_selir_crack(IOPDesc *iop);
int semantic_selri_crack(IOPDesc *iop);
int semantic_selrr_crack(IOPDesc *iop);

// The seven-step mfcr and mfxer sequences (ucode_id the step).
int semantic_mfcr_ucode(IOPDesc *iop);
int semantic_mfxer_ucode(IOPDesc *iop);
// The cracked mfcrf: RT := the CR operand's lowest-numbered field named by FXM (0 when none).
int semantic_mfcrf_ucode(IOPDesc *iop);
// One step of the eight-step mtcrf: CR field (iid + 7) & 7 when FXM names it.
int semantic_mtcrf_ucode(IOPDesc *iop);
// The four mtxer steps in one routine, selected by ucode_id.
int semantic_mtxer_ucode(IOPDesc *iop);
// The segment-register moves: step 0 runs the instruction, steps 1-3 do nothing.
int semantic_mfsr_ucode(IOPDesc *iop);
int semantic_mfsrin_ucode(IOPDesc *iop);
int semantic_mtsr_ucode(IOPDesc *iop);
int semantic_mtsrin_ucode(IOPDesc *iop);

// Listing texts of the load and store multiples ("lmd", "lmw", "lfd"; "stmd", "stmw", "stfd").
void Disassemble_Load_Multiple_Ucode(char *text, size_t size, const IOPDesc *iop);
void Disassemble_Store_Multiple_Ucode(char *text, size_t size, const IOPDesc *iop);
