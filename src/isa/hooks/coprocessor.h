// The coprocessor request of icswx, its gate and the chip's request entry. Declared here for the
// floors that call them: `signal_cop` is defined by the command floor
// (command/instruction_support.cpp), `Signal_Coprocessor` by the coprocessors
// (coproc/coprocessor_request_standin.cpp).
#pragma once

#include <cstdint>

struct IOPDesc;

// What icswx hands on: the 128-byte request block as read from guest memory (in memory order),
// the 32-bit command word (its low 16 bits are the directive, whose top two bits are the request
// group), the machine-state byte placed in the command word's top byte, and the coprocessor type.
struct CRB {
    uint8_t head[8]; // not read by the request entry
    uint8_t image[128];
    uint32_t ccw;
    uint8_t msb; // bit 7 hypervisor, bit 6 problem state, bit 5 data relocation
    uint8_t ct;
};

// The request entry: 0 queued, 1 busy, 2 rejected.
int Signal_Coprocessor(IOPDesc *iop, CRB *request);
// The gate in front of the request entry for the record forms: 0 accepted, 1 busy, 2 rejected,
// 3 (test mode only); the status they show in CR0.
int signal_cop(IOPDesc *iop, CRB *request);
