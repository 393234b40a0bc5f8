// The Hypervisor Maintenance interrupt, raised by an HMER write, the dirty-tracking table and the
// interrupt command. Declared here for the floors that call it; defined by the vector unit
// (vector/hmi.cpp).
#pragma once

struct IOPDesc;
struct PowerPCException;
struct ThreadState;

// Raises the Hypervisor Maintenance interrupt (type 39, through HSRR0 and HSRR1, SRR1 bits
// 0x783F0000 cleared). With an instruction that has side effects, each of MSR[EE] = 0, MSR[PR] = 0
// and MSR[HV] = 1 is reported as a fatal error and the interrupt is raised anyway. Inside a
// transaction that the guest operating system does not handle, the transaction fails first. The
// record goes on the instruction's list ("Hypervisor Maintenance"), or without an instruction on
// the thread's asynchronous queue. Returns the record filed, or null.
PowerPCException *interrupt_HMI(IOPDesc *iop, ThreadState *thread);
