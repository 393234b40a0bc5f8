// The Hypervisor Maintenance interrupt raised by an HMER write.
#pragma once

struct IOPDesc;
struct PowerPCException;
struct ThreadState;

// Raises the Hypervisor Maintenance interrupt (type 39, "Hypervisor Maintenance").
PowerPCException *interrupt_HMI(IOPDesc *iop, ThreadState *thread);
