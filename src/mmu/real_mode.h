// Real-mode addressing: which real-mode case applies to an access (hypervisor offset, partition
// offset and limit, or the virtual real mode area), the completion of a real-mode translation and
// the predicates of the real-mode limit and storage control.
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;
struct SLB;
struct ThreadState;

// The real-mode limits by LPCR[RMLS].
extern const uint64_t HV_rmlr[16];

// 1 when real mode decided the access (refused 0: *address is the real address; refused 1: the
// access is refused); 0 when it goes through the virtual real mode area (nothing changed).
int PA_canonical(IOPDesc *iop, uint64_t *address, int *refused);
// 1 when finished (*result holds the translation result), 0 when segment holds the virtual real
// mode segment and the page stage follows.
int PPC_MMU_Xlate_Real(int mode, ThreadState *thread, IOPDesc *iop, AXD *axd, SLB *segment, int *result);

uint64_t Get_RMLR(IOPDesc *iop);
int LPES1_Effective(IOPDesc *iop);
int RMSC_Applies(IOPDesc *iop, uint64_t address);
uint64_t Read_LPCR(IOPDesc *iop);
uint64_t Read_MSR(IOPDesc *iop);
