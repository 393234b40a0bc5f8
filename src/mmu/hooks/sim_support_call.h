// The sim-support call, as the old encoding of it (an "icread" with zero operand fields) reaches
// it from the storage floor. Declared here for that caller; defined by the guest services
// (guest/sim_support.cpp).
#pragma once

struct IOPDesc;

// 1 when the call completed (the instruction advances), 0 when a storage interrupt was raised.
int SimSupport(IOPDesc *iop);
