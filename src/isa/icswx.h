// The coprocessor request instruction icswx (and icswx., and the external-PID forms icswepx and
// icswepx.): the gates, the command word from RS and the machine state, the access control of
// the coprocessor type through ACOP and HACOP, the command word stored at the block's address,
// the 128-byte block read back and handed to the coprocessor; the record forms set CR0 from the
// answer.
#pragma once

#include <cstdint>

#include "isa/hooks/coprocessor.h"

struct IOPDesc;

// Builds the request: 1 when it is ready, 2 when a transaction recorded its failure and nothing
// is to be sent, 0 when an interrupt was raised or the block could not be read. external_pid: the state bits come from ELPIDR and EPID.
int icswx_prepare_request(IOPDesc *iop, CRB *request, bool external_pid = false);

int semantic_icswepx(IOPDesc *iop);
int semantic_icswepx_dot(IOPDesc *iop);

// CR0 of the record forms from the coprocessor's answer: 0 gives 0b1000, 1 0b0100, 2 0b0010
// (the low bit XER[SO] under ICSWX_SETS_CR_FROM_XER_SO); other answers leave CR0.
void IOP_Set_CR0_For_Icswx(IOPDesc *iop, int status);
