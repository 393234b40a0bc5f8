// The paravirtual network: Ethernet frames between the guest and a host transport (a UDP
// destination, a Unix-domain datagram socket or a TAP interface), found by the guest in the
// device tree under "/tervalink/bogus-net@N", moved with sim-support codes 119 to 121, 175 and 176
// (paravirtual_services.h). A polling job in simulated time raises a device's interrupt when a
// frame is waiting. Devices live in the machine's list, newest first.
#pragma once

#include <sys/socket.h>

#include <cstdint>

struct GenericMachine;
struct IntHandler;
struct job_s;

// Largest frame of a send (code 120) and of a DMA receive (code 176); a receive (121) reads at most
// BOGUS_NET_MAX_FRAME bytes.
constexpr int BOGUS_NET_MAX_FRAME = 4096;
constexpr int BOGUS_NET_MAX_DMA_FRAME = 32768;
constexpr int BOGUS_NET_HANDSHAKE_SIZE = 1500;
constexpr uint32_t BOGUS_NET_MAX_FRAGMENTS = 18;
// Transport kinds.
enum : int32_t { BOGUS_NET_DATAGRAM = 0, BOGUS_NET_TAP = 2 };

struct BogusNet {
    BogusNet *next;
    GenericMachine *machine;
    int32_t minor;
    int32_t interrupts_enabled; // receive interrupts
    int32_t kind;
    int fd; // socket or TAP descriptor; -1 when none
    char transport[256];
    char mac_text[32];
    char *local_path; // bound Unix address, removed at clean-up; null for other transports
    uint8_t mac[6];
    sockaddr_storage peer;
    socklen_t peer_length;
    int16_t irq;
    int32_t irq_offset;
    IntHandler *hook; // "b_net"
};

// Creates or reuses the device of that minor and opens its transport; 1 or 0 (a failed set-up
// leaves the record in the list).
int init_bogusnet(GenericMachine *machine, int32_t minor, const char *mac_text, const char *transport,
                  int32_t irq, int32_t irq_offset);
BogusNet *bogusnet_New(GenericMachine *machine, int32_t minor);
// The device of that minor, or null.
BogusNet *BogusNet_Find(GenericMachine *machine, int32_t minor);
void BogusNetSetup(GenericMachine *machine);
void BogusNetCleanup(GenericMachine *machine);
void BogusNet__Register_Outgoing_IntHandler(BogusNet *device, const IntHandler *hook);
void BogusNet__Register_Outgoing_IntHandler_2(BogusNet *device,
                                              int (*controller)(void *, int32_t, int32_t, uint64_t),
                                              void *context);
// Raises the line of every device with receive interrupts on whose transport has a frame waiting.
void BogusNet_InterruptCheck(GenericMachine *machine);
// The polling job's body: every 1000 cycles, BogusNet_InterruptCheck.
void BogusNet_PollJob(void *machine);
// Ones'-complement sum of big-endian 16-bit words with the carries folded twice (an odd length is
// padded with a zero byte), not complemented; 0 for fewer than 2 bytes.
uint16_t BogusNet_Sum16(const uint8_t *data, uint64_t length);
