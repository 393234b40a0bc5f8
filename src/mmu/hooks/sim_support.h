// The simulator support call, which the old encoding of icread stands for.
// Declared here for the floors that call it; defined by the guest services
// (guest/sim_support_standin.cpp).
#pragma once

struct IOPDesc;

// Performs the support call of the thread (code in GPR3); its result.
int SimSupport(IOPDesc *iop);

// STAND-IN support: the calls made so far (the support calls are not built).
extern long sim_support_standin_calls;
