// The icswx request path into a chip's coprocessors: the request record and its hand-over.
#pragma once

#include <cstdint>

struct IOPDesc;

// The coprocessor request of icswx: the command word taken from RS.
struct CRB {
    uint16_t ccw;  // the top two bits (mask 0xC000) are the request group 0 ... 3
    uint8_t flags; // the flag byte after it
};

// Hands the request to the chip's coprocessor engine: 0 accepted, 1 busy, 2 rejected.
int Signal_Coprocessor(IOPDesc *iop, CRB *request);
