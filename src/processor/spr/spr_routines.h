// The read and write routines of the SPR table and the tool accessors of SPRs without a register
// slot of their own. Read routines are called as (instruction, leave-target-unchanged flag) and
// return the value; write routines as (instruction, value); tool accessors as (thread[, value],
// argument). The level checks of the row have been made by mfspr/mtspr when a routine runs.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

#define QUARN_SPR_READ(name) uint64_t name(IOPDesc *iop, int32_t *leave_target);
#define QUARN_SPR_WRITE(name) void name(IOPDesc *iop, uint64_t value);
#define QUARN_SPR_TOOL_READ(name) uint64_t name(ThreadState *thread, uint32_t argument);
#define QUARN_SPR_TOOL_WRITE(name) void name(ThreadState *thread, uint64_t value, uint32_t argument);

// Base, time-base and control SPRs.
#define QUARN_SPR_BASE_READS(X)                                                                              \
    X(MF_XER) X(MF_LR) X(MF_CFAR) X(MF_VRSAVE) X(MF_SRR1) X(MF_HSRR1) X(MF_SPRG3) X(MF_TIR) X(MF_TB)        \
    X(MF_TBU) X(MF_TB40) X(MF_CTRL_ro) X(MF_CTRL)
#define QUARN_SPR_BASE_WRITES(X)                                                                             \
    X(MT_XER) X(MT_LR) X(MT_CFAR) X(MT_VRSAVE) X(MT_SRR1) X(MT_HSRR1) X(MT_SPRG3) X(MT_PVR) X(MT_PIR)       \
    X(MT_TB) X(MT_TBU) X(MT_TBL) X(MT_TB40) X(MT_CTRL_ro) X(MT_CTRL)

// Performance-monitor SPRs.
#define QUARN_SPR_PMU_READS(X)                                                                               \
    X(MF_PMC1) X(MF_PMC2) X(MF_PMC3) X(MF_PMC4) X(MF_PMC5) X(MF_PMC6) X(MF_MMCR0) X(MF_MMCR1) X(MF_MMCR2)   \
    X(MF_MMCRA) X(MF_SIER) X(MF_SIAR) X(MF_SDAR) X(MF_SPMC1) X(MF_SPMC2) X(MF_MMCRS) X(MF_UPMC1)           \
    X(MF_UPMC2) X(MF_UPMC3) X(MF_UPMC4) X(MF_UPMC5) X(MF_UPMC6) X(MF_UMMCR0) X(MF_UMMCR1) X(MF_UMMCR2)     \
    X(MF_UMMCRA) X(MF_USIER) X(MF_USIAR) X(MF_USDAR)
#define QUARN_SPR_PMU_WRITES(X)                                                                              \
    X(MT_PMC1) X(MT_PMC2) X(MT_PMC3) X(MT_PMC4) X(MT_PMC5) X(MT_PMC6) X(MT_MMCR0) X(MT_MMCR1) X(MT_MMCR2)   \
    X(MT_MMCRA) X(MT_SIER) X(MT_SIAR) X(MT_SDAR) X(MT_SPMC1) X(MT_SPMC2) X(MT_MMCRS) X(MT_UPMC1)           \
    X(MT_UPMC2) X(MT_UPMC3) X(MT_UPMC4) X(MT_UPMC5) X(MT_UPMC6) X(MT_UMMCR0) X(MT_UMMCR1) X(MT_UMMCR2)     \
    X(MT_UMMCRA) X(MT_USIER) X(MT_USIAR) X(MT_USDAR)
#define QUARN_SPR_PMU_TOOL_READS(X)                                                                          \
    X(PGUESS_PMC1) X(PGUESS_PMC2) X(PGUESS_PMC3) X(PGUESS_PMC4) X(PGUESS_PMC5) X(PGUESS_PMC6)
#define QUARN_SPR_PMU_TOOL_WRITES(X)                                                                         \
    X(PFORCE_PMC1) X(PFORCE_PMC2) X(PFORCE_PMC3) X(PFORCE_PMC4) X(PFORCE_PMC5) X(PFORCE_PMC6)

// Partition, storage-key and translation-control SPRs.
#define QUARN_SPR_PARTITION_READS(X)                                                                         \
    X(MF_UAMR) X(MF_AMOR) X(MF_UAMOR) X(MF_IAMR) X(MF_LPCR) X(MF_LPIDR) X(MF_SDR1) X(MF_RMOR) X(MF_HRMOR)   \
    X(MF_PCR) X(MF_HID4) X(MF_DPDES)
#define QUARN_SPR_PARTITION_WRITES(X)                                                                        \
    X(MT_AMR) X(MT_AMOR) X(MT_UAMOR) X(MT_IAMR) X(MT_LPCR) X(MT_LPIDR) X(MT_SDR1) X(MT_RMOR) X(MT_HRMOR)   \
    X(MT_PCR) X(MT_HID0) X(MT_HID1) X(MT_HID4) X(MT_HID5) X(MT_DAWR0) X(MT_DAWRX0) X(MT_DPDES)

// Transactional-memory, event-based-branch and facility SPRs.
#define QUARN_SPR_TM_READS(X)                                                                                \
    X(MF_TFHAR) X(MF_TFIAR) X(MF_TEXASR) X(MF_TEXASRU) X(MF_APSCRU) X(MF_BESCR) X(MF_BESCRU) X(MF_EBBHR)    \
    X(MF_EBBRR) X(MF_DSCR) X(MF_DSCR_user) X(MF_TAR)
#define QUARN_SPR_TM_WRITES(X)                                                                               \
    X(MT_TFHAR) X(MT_TFIAR) X(MT_TEXASR) X(MT_TEXASRU) X(MT_APSCRU) X(MT_BESCR) X(MT_BESCRS) X(MT_BESCRSU)  \
    X(MT_BESCRR) X(MT_BESCRRU) X(MT_EBBHR) X(MT_EBBRR) X(MT_FSCR) X(MT_HFSCR) X(MT_DSCR) X(MT_DSCR_user)   \
    X(MT_TAR)
#define QUARN_SPR_TM_TOOL_READS(X) X(xGUESS_TEXASRU) X(xGUESS_APSCRU)
#define QUARN_SPR_TM_TOOL_WRITES(X) X(xFORCE_TEXASR) X(xFORCE_TEXASRU) X(xFORCE_APSCRU)

// Core control, nest and debug SPRs.
#define QUARN_SPR_CORE_READS(X)                                                                              \
    X(MF_TFMR) X(MF_SCOMD) X(MF_CSIGR) X(MF_TACR) X(MF_TCSCR) X(MF_WORC) X(MF_WORT) X(MF_MPPR) X(MF_PMSR)   \
    X(MF_IMC) X(MF_L2MVSR0) X(MF_L2MVSR1) X(MF_L2HADSR) X(MF_L3HAWPR) X(MF_L3HARPR) X(MF_L2QOSR) X(MF_TRIG)
#define QUARN_SPR_CORE_WRITES(X)                                                                             \
    X(MT_HMER) X(MT_TFMR) X(MT_SCOMC) X(MT_SCOMD) X(MT_CSIGR) X(MT_TCSCR) X(MT_TACR) X(MT_WORC) X(MT_WORT)  \
    X(MT_MPPR) X(MT_PMSR) X(MT_PMCR) X(MT_IMC) X(MT_L2QOSR) X(MT_L3HARPR) X(MT_L2HADSR) X(MT_L2MVSR0)      \
    X(MT_L2MVSR1) X(MT_L3HAWPR) X(MT_TRACE) X(MT_TRIG) X(MT_TTR) X(MT_TSCR)

// Thread-priority SPRs.
#define QUARN_SPR_PRIORITY_READS(X) X(MF_TSRL) X(MF_PPR32)
#define QUARN_SPR_PRIORITY_WRITES(X) X(MT_TSRL) X(MT_PPR32)
#define QUARN_SPR_PRIORITY_TOOL_READS(X) X(xGUESS_TSR1)
#define QUARN_SPR_PRIORITY_TOOL_WRITES(X) X(xFORCE_TSR1)

// Time-base and decrementer tool accessors.
#define QUARN_SPR_TIME_TOOL_READS(X) X(xGUESS_TB40) X(xGUESS_DEC)
#define QUARN_SPR_TIME_TOOL_WRITES(X) X(xFORCE_TB40) X(xFORCE_DEC)

QUARN_SPR_BASE_READS(QUARN_SPR_READ)
QUARN_SPR_BASE_WRITES(QUARN_SPR_WRITE)
QUARN_SPR_PMU_READS(QUARN_SPR_READ)
QUARN_SPR_PMU_WRITES(QUARN_SPR_WRITE)
QUARN_SPR_PMU_TOOL_READS(QUARN_SPR_TOOL_READ)
QUARN_SPR_PMU_TOOL_WRITES(QUARN_SPR_TOOL_WRITE)
QUARN_SPR_PARTITION_READS(QUARN_SPR_READ)
QUARN_SPR_PARTITION_WRITES(QUARN_SPR_WRITE)
QUARN_SPR_TM_READS(QUARN_SPR_READ)
QUARN_SPR_TM_WRITES(QUARN_SPR_WRITE)
QUARN_SPR_TM_TOOL_READS(QUARN_SPR_TOOL_READ)
QUARN_SPR_TM_TOOL_WRITES(QUARN_SPR_TOOL_WRITE)
QUARN_SPR_CORE_READS(QUARN_SPR_READ)
QUARN_SPR_CORE_WRITES(QUARN_SPR_WRITE)
QUARN_SPR_PRIORITY_READS(QUARN_SPR_READ)
QUARN_SPR_PRIORITY_WRITES(QUARN_SPR_WRITE)
QUARN_SPR_PRIORITY_TOOL_READS(QUARN_SPR_TOOL_READ)
QUARN_SPR_PRIORITY_TOOL_WRITES(QUARN_SPR_TOOL_WRITE)
QUARN_SPR_TIME_TOOL_READS(QUARN_SPR_TOOL_READ)
QUARN_SPR_TIME_TOOL_WRITES(QUARN_SPR_TOOL_WRITE)

// The performance-monitor terms shared by the monitor routines.
// (MMCR0 >> 18) AND 3, MMCR0 read with its triggers.
uint32_t Get_MMCR0_PMCC(IOPDesc *iop);
// HID5's protection (0x80 >> slot) and masking (0x08 >> slot) bits of the thread's partition slot.
int check_value(IOPDesc *iop);
int check_value2(IOPDesc *iop);
// MMCR0 freezes the counters in the thread's current state.
int Frozen_PMC(IOPDesc *iop);

// The TRACE tool functions (exported, without callers).
int32_t Find_Read_TRACE(ThreadState *thread);
void Find_Write_TRACE(ThreadState *thread, uint64_t value);
uint64_t xGUESS_TRACE(ThreadState *thread, uint32_t argument);
uint64_t xGUESS_TRACE_wrap(IOPDesc *iop);
void xFORCE_TRACE(ThreadState *thread, uint64_t value, uint32_t argument);
// The SCOMD value adjustment of the instruction-match write.
void GLENT_MtimcFullMatch(IOPDesc *iop, uint64_t current, uint64_t *value);
