// The coprocessor request of icswx and the chip's request entry. Declared here for the floors
// that call it; defined by the coprocessors (coproc/coprocessor_request_standin.cpp).
#pragma once

#include <cstdint>

struct IOPDesc;

// What icswx hands on: the 128-byte request block as read from guest memory (in memory order),
// the 32-bit command word, its top byte (the state byte) and the coprocessor type.
struct CoprocessorRequest {
    uint8_t unread[8]; // not read by the request entry
    uint8_t block[128];
    uint32_t command_word;
    uint8_t state_byte;
    uint8_t ct;
};

// The request entry: 0 queued, 1 busy, 2 rejected.
int Signal_Coprocessor(IOPDesc *iop, CoprocessorRequest *request);
// The request path of the record forms: the status they show in CR0.
int signal_cop(IOPDesc *iop, CoprocessorRequest *request);
