// Interrupts raised on behalf of an instruction (system call, VMX unavailable, hypervisor facility
// unavailable, soft patch, instruction storage), the instruction-address breakpoint test and the
// thread-priority hint. A raiser returns the filed record, or null when nothing was filed.
#pragma once

#include <cstdint>

// interrupt_HyperFacilityUnavailable is declared with the processor floor's calls into the
// interrupt code.
#include "processor/hooks/interrupt_hooks.h"

struct IOPDesc;
struct PowerPCException;

PowerPCException *interrupt_SystemCall(IOPDesc *iop);
PowerPCException *interrupt_VMXUnavailable(IOPDesc *iop);
// Type 46, or for cause 0x100000 type 48 (floating-point store rows) or 47; value is the data address.
PowerPCException *interrupt_SoftPatch(IOPDesc *iop, uint64_t value, uint64_t cause);
// Type 13, or 33 when the partition's LPCR sends it to the hypervisor.
PowerPCException *interrupt_InstStorage_ISI(IOPDesc *iop, int32_t subtype);

// 1 when the instruction-address breakpoint (CIABR) matches a fetch at the address, else 0.
int CheckCIABR(IOPDesc *iop, uint64_t address, uint32_t kind);
// The priority hint "or n,n,n": sets the thread's priority from n when the privilege allows it.
void GLENT_Set_Thread_Priority(IOPDesc *iop, uint32_t n);

// 1 when option INVALID_FORMS_ARE_ILLEGAL made it raise the illegal-instruction interrupt, 0 when
// the instruction goes on as if its form were valid.
int Invalid_Form(IOPDesc *iop, const char *reason);
