// Guest-memory copies for tools and services: strings and buffers moved between host memory and
// guest memory given by effective or physical address, translated anew at every 4 KB page
// without guest interrupts (unless asked for), and the decode of the instruction at an address.
//
// Each copy works on a private one-byte access descriptor on behalf of the IOPDesc (usually the
// calling instruction's). Results: 1 success, 0 failure (a translation or physical read failed;
// what was copied so far stays and a string is then not terminated).
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// A NUL-terminated guest string of at most size - 1 characters into buffer, terminated. size 0
// or ea 0: 1 with the buffer untouched; size 1: an empty string.
int EA_copy_string_from_memory(IOPDesc *iop, uint64_t ea, char *buffer, uint32_t size);
// size bytes from guest memory; raise non-zero translates with interrupts.
int EA_copy_buffer_from_memory_exception(IOPDesc *iop, uint64_t ea, void *buffer, uint32_t size, int raise);
int EA_copy_buffer_from_memory(IOPDesc *iop, uint64_t ea, void *buffer, uint32_t size);
// A host string of at most size - 1 characters and its NUL into guest memory. size 0, ea 0 or
// no string: 1, nothing written.
int EA_copy_string_to_memory(IOPDesc *iop, uint64_t ea, const char *string, uint32_t size);
// size bytes into guest memory, page by page: straight into simulated RAM in the functional
// modes (up to SIMPLE) when the page is directly backed, else byte by byte through the write path.
int EA_copy_buffer_to_memory_exception(IOPDesc *iop, uint64_t ea, const void *source, uint32_t size, int raise);
int EA_copy_buffer_to_memory(IOPDesc *iop, uint64_t ea, const void *source, uint32_t size);
// size bytes at a physical address with the caller's WIMG (ea is only carried for triggers and
// traces); always 1.
int PA_copy_buffer_to_memory(IOPDesc *iop, uint64_t ea, uint64_t pa, uint32_t wimg, const void *source,
                             uint32_t size);
// A NUL-terminated string at a physical address, read without side effects; the buffer (at least
// one byte) is terminated where the read stopped and returned.
char *PA_read_string_NoEffect(IOPDesc *iop, uint64_t pa, char *buffer, uint32_t size, uint64_t ea);

// The mnemonic of the instruction at ea for the thread: "no instruction" when the word does not
// decode, null when it cannot be read.
extern "C" const char *LIBSIM__ThreadDecode(ThreadState *thread, uint64_t ea);
