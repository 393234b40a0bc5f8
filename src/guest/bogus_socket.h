// The paravirtual socket device: a guest driver's byte streams over a host descriptor (normally a
// connected socket), with an interrupt when input is waiting, and guest-to-guest memory copy and
// fill (sim-support codes 162, 163 and 177 to 181, paravirtual_services.h). The machine keeps a
// list of devices; nothing in the simulator adds to it: a plug-in or an embedding host links
// entries in (BogusSocket_Add).
#pragma once

#include <cstdint>

struct GenericMachine;
struct IOPDesc;
struct IntHandler;

// Largest transfer of one call.
constexpr uint64_t BOGUS_SOCKET_BUFFER_SIZE = 5120;

struct BogusSocketDevice {
    BogusSocketDevice *next;
    int32_t minor;
    int fd; // closed at clean-up
    int32_t irq;
    int32_t irq_offset;
    int32_t interrupts_enabled;
    IntHandler *hook; // may be null
};

void BogusSocketSetup(GenericMachine *machine);
void BogusSocketCleanup(GenericMachine *machine);
// Links a device into the machine's list; the list owns it from then on (freed at clean-up).
void BogusSocket_Add(GenericMachine *machine, BogusSocketDevice *device);
void bogus_socket_interrupt_check(GenericMachine *machine);

// Byte-wise copies between host buffers and guest effective addresses, translated without
// interrupts at the start and at every 4 KB page. A length or an address of 0 succeeds without
// copying. 1 or 0.
int EA_copy_string_from_memory_BS(IOPDesc *iop, uint64_t address, void *buffer, uint64_t length);
int EA_copy_string_to_memory_BS(IOPDesc *iop, uint64_t address, const void *data, uint64_t length);
int EA_copy_char_to_memory_BS(IOPDesc *iop, uint64_t address, uint8_t byte, uint64_t count);
