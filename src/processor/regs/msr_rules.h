// MSR rules: the fix-up of every MSR write, the values mtmsr and mtmsrd install, installing a new
// MSR with its derived thread flags, a thread's first MSR and PC, the interrupt-enable predicates
// on MSR and LPCR, the choice of the instruction-mix table, and the texts of MSR, CR and WIMG
// values.
#pragma once

#include <cstdint>

struct IOPDesc;
struct PowerPCException;
struct ProcessorState;
struct ThreadState;

// MSR bits by value (bit 0 the least significant).
constexpr uint64_t MSR_LE = 0x1;
constexpr uint64_t MSR_RI = 0x2;
constexpr uint64_t MSR_DR = 0x10;
constexpr uint64_t MSR_IR = 0x20;
constexpr uint64_t MSR_IP = 0x40;
constexpr uint64_t MSR_ME = 0x1000;
constexpr uint64_t MSR_FP = 0x2000;
constexpr uint64_t MSR_PR = 0x4000;
constexpr uint64_t MSR_EE = 0x8000;
constexpr uint64_t MSR_WE = 0x40000;
constexpr uint64_t MSR_VSX = 0x800000;
constexpr uint64_t MSR_VMX = 0x2000000;
constexpr uint64_t MSR_SLE = 0x0400000000000000ull;
constexpr uint64_t MSR_HV = 0x1000000000000000ull;
constexpr uint64_t MSR_TA = 0x4000000000000000ull;
constexpr uint64_t MSR_SF = 0x8000000000000000ull;

// The instruction-mix tables of a thread (its turbo.instruction_mix rows).
enum : int { IMIX_PROBLEM_STATE = 0, IMIX_HYPERVISOR = 1, IMIX_PRIVILEGED = 2 };

// The value an MSR write may install: the WE and tags-active options, SLE cleared by hrfid,
// mtmsrd and rfid in tags-active mode, then the core's MSR mask. The old MSR is not used.
uint64_t WriteMSR_fixup(IOPDesc *iop, uint64_t old_msr, uint64_t value);
// The MSR an rfid makes of the old MSR and SRR1: SRR1's bits under the implemented mask and
// 0xEFFF_FFFF_87C0_EFFF; HV and ME from SRR1 only in hypervisor state; a return to problem state
// turns EE, IR and DR on. A pure function (the translator calls it too).
uint64_t micro_rfid(ProcessorState *core, uint64_t old_msr, uint64_t srr1);
// The MSR after mtmsr with L field l and the 32-bit value.
uint64_t micro_mtmsr(ProcessorState *core, uint32_t l, uint64_t old_msr, uint32_t value);
// The MSR after mtmsrd with L field l.
uint64_t micro_mtmsrd(ProcessorState *core, uint32_t l, uint64_t old_msr, uint64_t value);
// Installs the value (written) with the address width, relocation and problem-state flags, and
// tells the cycle-level core.
void Set_New_MSR(ThreadState *thread, uint64_t value);
// SF and HV (stand-alone: FP, VSX, VMX too), ME kept from the current MSR or an SRR0 with bits
// 0x30000; becomes the MSR's initial value and the thread's MSR.
void Set_Initial_MSR(ThreadState *thread);
// The PC's initial value: 0xFFF00100 when the MSR has IP, else 0x100.
void Set_Initial_PC(ThreadState *thread);
// The value with FP, VSX and VMX set.
uint64_t Stand_Alone_MSR(uint64_t value);
// Whether a hypervisor-decrementer interrupt may be taken now.
int enabled_HDEC_Interrupt(ThreadState *thread);
// For a mediated external interrupt (type 25): EE set and HV clear.
int EnabledMediatedExternalInterrupt(ThreadState *thread, PowerPCException *exception);
// The instruction-mix table for the MSR: problem state, else hypervisor, else privileged.
uint64_t *SelectImixTable(ThreadState *thread, uint64_t msr);

// Texts, in static per-thread buffers that the next call overwrites.
// Room enough for any MSR text.
constexpr int MSR_TEXT_SIZE = 400;
// Into the buffer (at least MSR_TEXT_SIZE bytes) or, without one, a static buffer: "0x%016lX  " then "32,"
// (SF clear), "OS," (PR clear) and the names of the set bits.
char *Prepare_MSR(char *buffer, uint64_t value);
// "0x%08X  " and one character per CR field (".", "S", "=", ">", "<", "X" for combinations).
const char *Prepare_CR(uint32_t value);
// "0x%02X" and the names of the set WIMG bits.
const char *Prepare_WIMG(uint32_t wimg);
// "SAO" for 0x80000000, else four characters "0"/"1" for W, I, M, G.
const char *WIMG_String(uint32_t wimg);
