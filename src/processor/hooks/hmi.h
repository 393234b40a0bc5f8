// The Hypervisor Maintenance interrupt raised by an HMER write.
// Declared here for the floors that call it; defined by the vector unit (vector/hmi_standin.cpp).
#pragma once

struct IOPDesc;
struct PowerPCException;
struct ThreadState;

// Raises the Hypervisor Maintenance interrupt (type 39, "Hypervisor Maintenance").
PowerPCException *interrupt_HMI(IOPDesc *iop, ThreadState *thread);
