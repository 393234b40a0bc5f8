// The contract every semantic routine keeps and the helpers they share.
//
// A routine takes the instruction's IOPDesc and returns 1 when the instruction completed (results
// written, next-instruction address set) and 0 when it raised an interrupt on the IOPDesc or a
// gate refused it; it then returns at once without advancing. Most routines are a gate, a worker
// (core_<name>) and IOP_Advance_NIA. Registers are read and written through the register path of
// processor/regs/iop_registers.h; the held-lock list is with the reservations, Invalid_Form with
// the instruction raisers.
#pragma once

#include <cstdint>

#include "decode/instr_info.h"
#include "interrupts/instruction_raisers.h" // Invalid_Form
#include "memory/reservations.h"            // the held-lock list
#include "processor/hooks/semantics_hooks.h"
#include "processor/regs/iop_registers.h"

// ---- contract helpers ----

// CR0 from a result: LT, GT or EQ of the value (64-bit in 64-bit mode, the low word in 32-bit
// mode) and SO; FXCC too under the XER-field rule. mask (the result bits left undefined) does not
// change CR0.
void SET_CR0(IOPDesc *iop, uint64_t value, uint64_t mask);
// CR0 := bits (4 bits), marked written.
void SET_CR0_value(IOPDesc *iop, uint32_t bits);
// Whether a compare or CR0 result also goes to the XER's FXCC field.
int FXCC_Is_Written(IOPDesc *iop);

// check_64bit_op_ok: processor/hooks/semantics_hooks.h.
// The compatibility gates of problem state: 0 after the illegal-instruction interrupt when the
// partition's PCR selects version 2.05 compatibility (PCR 0x2: the ISA 2.06 additions are
// illegal, "2.0.5 is disabled") or 2.06 compatibility (PCR 0x4: the 2.07 additions, "2.0.6  is
// disabled"), else 1.
int PCR_Gate_v2_05(IOPDesc *iop);
int PCR_Gate_v2_06(IOPDesc *iop);
// The facility gate of facility n (0..9): outside hypervisor state or in problem state HFSCR must
// have its bit, in problem state FSCR too; else the (hypervisor) facility-unavailable interrupt
// with the facility number and the name, and 0.
int Facility_Gate(IOPDesc *iop, int facility, const char *name);
// Whether a micro-coded core would send the instruction to micro-code: never here.
inline int CHECK_FOR_UCODE(void)
{
    return 0;
}

// Debug of interrupt returns (categories 20 and 206): reads the MSR and LPIDR and renders the MSR.
void Interrupt_Return_Debug(IOPDesc *iop);

// Writes the target VSR (word bits 21-25, with bit 0 as the sixth bit): the second result slot in
// the cycle-model form, else the thread's VSR.
void IOP_Write_VSR_T(IOPDesc *iop, uint64_t high, uint64_t low);

// Hooks for targets written by a load while a transaction may be suspended; they do nothing.
void HTM_SmodeUndefTargetGpr(IOPDesc *iop, AXD *axd, uint32_t target);
void HTM_SmodeUndefTargetXerTGCC(IOPDesc *iop, AXD *axd);
void HTM_SmodeUndefTargetVsr(IOPDesc *iop, AXD *axd, uint32_t target);
void HTM_SmodeUndefTargetVmx(IOPDesc *iop, AXD *axd, uint32_t target);

// Semantic routines without a row in the instruction table.
int semantic_stmprofile(IOPDesc *iop);
int semantic_wclr(IOPDesc *iop);
int semantic_wchkall(IOPDesc *iop);
int semantic_ldawx_dot(IOPDesc *iop);
int semantic_rfgi(IOPDesc *iop);
int semantic_ehpriv(IOPDesc *iop);
