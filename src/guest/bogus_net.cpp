// The paravirtual network and its sim-support services (119 probe, 120 send, 121 receive, 175 DMA
// send, 176 DMA receive).
#include "guest/bogus_net.h"

#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "devices/interrupt_hook.h"
#include "guest/device_tree.h"
#include "guest/device_tree_build.h"
#include "guest/paravirtual_services.h"
#include "guest/sim_support.h"
#include "kernel/delay.h"
#include "kernel/job.h"
#include "mmu/ea_copy.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "processor/time/time_domain.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t MINUS_ONE = ~0ull;
// Largest frame a DMA send assembles.
constexpr uint32_t MAX_DMA_SEND_FRAME = 65536;

int32_t line_of(const BogusNet *device)
{
    return (int32_t)device->irq - device->irq_offset;
}

void close_transport(BogusNet *device)
{
    if (device->fd >= 0) close(device->fd);
    device->fd = -1;
    if (device->local_path) {
        unlink(device->local_path);
        free(device->local_path);
        device->local_path = nullptr;
    }
}

bool parse_mac(const char *text, uint8_t mac[6])
{
    unsigned int b[6];
    char extra;
    if (sscanf(text, "%x:%x:%x:%x:%x:%x%c", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &extra) != 6)
        return false;
    for (int i = 0; i < 6; i++) {
        if (b[i] > 0xFF) return false;
        mac[i] = (uint8_t)b[i];
    }
    return true;
}

int open_udp(BogusNet *device)
{
    char text[256];
    snprintf(text, sizeof text, "%s", device->transport);
    char *save = nullptr;
    strtok_r(text, ":", &save);
    char *host = strtok_r(nullptr, ":", &save);
    char *port = strtok_r(nullptr, ":", &save);
    if (!host || !port) {
        sim_warning(2, "1: BogusNet: Problem parsing UDP destination");
        return 0;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) {
        sim_warning(2, "1: BogusNet: unknown host %s", host);
        return 0;
    }
    sockaddr_in peer;
    memcpy(&peer, found->ai_addr, sizeof peer);
    freeaddrinfo(found);
    peer.sin_port = htons((uint16_t)strtol(port, nullptr, 10));
    memset(&device->peer, 0, sizeof device->peer);
    memcpy(&device->peer, &peer, sizeof peer);
    device->peer_length = sizeof peer;
    device->fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (device->fd < 0) {
        sim_warning(2, "1: BogusNet: init: could not create socket");
        return 0;
    }
    device->kind = BOGUS_NET_DATAGRAM;
    return 1;
}

int open_tap(BogusNet *device)
{
    int fd = open("/dev/net/tun", O_RDWR);
    if (fd < 0) {
        sim_warning(2, "BogusNet: init: couldn't allocate tun: %s\n", strerror(errno));
        return 0;
    }
    ifreq request{};
    request.ifr_flags = IFF_TAP | IFF_NO_PI;
    snprintf(request.ifr_name, IFNAMSIZ, "%.*s", IFNAMSIZ - 1, device->transport);
    if (ioctl(fd, TUNSETIFF, &request) < 0) {
        close(fd);
        sim_warning(2, "BogusNet: init: ioctl failed");
        perror("ioctl");
        return 1;
    }
    snprintf(device->transport, sizeof device->transport, "%s", request.ifr_name);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    device->fd = fd;
    device->kind = BOGUS_NET_TAP;
    return 1;
}

bool unix_address(sockaddr_un *address, const char *path)
{
    memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (strlen(path) >= sizeof address->sun_path) return false;
    snprintf(address->sun_path, sizeof address->sun_path, "%s", path);
    return true;
}

int open_unix(BogusNet *device)
{
    const char *peer_path = strcmp(device->transport, "loopback") == 0 ? device->mac_text : device->transport;
    sockaddr_un peer, local;
    char local_path[sizeof local.sun_path + 8];
    snprintf(local_path, sizeof local_path, "/tmp/%s", device->mac_text);
    if (!unix_address(&peer, peer_path) || !unix_address(&local, local_path)) {
        sim_warning(2, "1: BogusNet: init : couldn't bind to my socket");
        return 0;
    }
    memset(&device->peer, 0, sizeof device->peer);
    memcpy(&device->peer, &peer, sizeof peer);
    device->peer_length = sizeof peer;
    unlink(local_path);
    device->fd = socket(AF_UNIX, SOCK_DGRAM, 0);
    if (device->fd < 0) {
        sim_warning(2, "2: BogusNet: init: could not create socket");
        return 0;
    }
    if (bind(device->fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0) {
        sim_warning(2, "1: BogusNet: init : couldn't bind to my socket");
        return 0;
    }
    device->local_path = strdup(local_path);
    device->kind = BOGUS_NET_DATAGRAM;
    return 1;
}

void add_tree_node(BogusNet *device)
{
    GenericMachine *machine = device->machine;
    OF_DeviceTree *tree = OF_Machine_Tree(machine);
    if (!tree) return;
    OF_BuildDeviceTree(tree, machine);
    char node[OF_PATH_SIZE];
    snprintf(node, sizeof node, "%s@%d", "/tervalink/bogus-net", device->minor);
    if (of_find_device(tree, node)) return; // set up again: the node stays
    char property[OF_PATH_SIZE + 32];
    OF_AddNode(tree, node, NONE, 0, nullptr);
    snprintf(property, sizeof property, "%s/mac-address", node);
    OF_AddNode_Array(tree, property, BYTE_ARRAY, device->mac, 6);
    snprintf(property, sizeof property, "%s/name", node);
    OF_AddNode(tree, property, STR, 0, "sim/bogus-net");
    snprintf(property, sizeof property, "%s/device_type", node);
    OF_AddNode(tree, property, STR, 0, "network");
    snprintf(property, sizeof property, "%s/reg", node);
    OF_AddNode(tree, property, INT, (uint64_t)(uint32_t)device->minor, nullptr);
    snprintf(property, sizeof property, "%s/version", node);
    OF_AddNode(tree, property, INT, 2, nullptr);
    if (device->irq != 0) {
        snprintf(property, sizeof property, "%s/interrupts", node);
        OF_AddNode(tree, property, INT, (uint64_t)(uint32_t)line_of(device), nullptr);
    }
}

// Sends a whole frame on the device's transport; true when it went.
bool send_frame(BogusNet *device, const uint8_t *frame, size_t length)
{
    if (device->fd < 0) return false;
    ssize_t n;
    if (device->kind == BOGUS_NET_TAP)
        n = write(device->fd, frame, length);
    else
        n = sendto(device->fd, frame, length, MSG_DONTWAIT | MSG_NOSIGNAL,
                   reinterpret_cast<const sockaddr *>(&device->peer), device->peer_length);
    return n == (ssize_t)length;
}

// One waiting frame of at most capacity bytes, without waiting; its length, 0 when none.
ssize_t receive_frame(BogusNet *device, uint8_t *frame, size_t capacity)
{
    if (device->fd < 0) return 0;
    ssize_t n;
    if (device->kind == BOGUS_NET_TAP)
        n = read(device->fd, frame, capacity);
    else
        n = recvfrom(device->fd, frame, capacity, MSG_DONTWAIT, nullptr, nullptr);
    return n > 0 ? n : 0;
}

uint32_t be32(const uint8_t *p)
{
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

uint64_t be64(const uint8_t *p)
{
    return (uint64_t)be32(p) << 32 | be32(p + 4);
}

int done(IOPDesc *iop, uint64_t value)
{
    SimSupport_Result(iop, value);
    return 1;
}

BogusNet *device_of_call(IOPDesc *iop)
{
    return BogusNet_Find(iop->thread->machine, (int32_t)SimSupport_Arg(iop, 4));
}

void lower(BogusNet *device)
{
    if (IntHandler__isSetup(device->hook)) IntHandler__Lower(device->hook, 0, line_of(device));
}

// Receive (121) and DMA receive (176): one frame of at most limit bytes to GPR5.
int receive(IOPDesc *iop, size_t limit, bool with_checksum)
{
    BogusNet *device = device_of_call(iop);
    if (!device) return done(iop, MINUS_ONE);
    uint64_t address = SimSupport_Arg(iop, 5);
    uint64_t capacity = SimSupport_Arg(iop, 6);
    std::vector<uint8_t> frame(limit);
    ssize_t length = receive_frame(device, frame.data(), limit);
    if (length == 0) return done(iop, 0);
    if (with_checksum) {
        uint64_t checksum_address = SimSupport_Arg(iop, 7);
        if (checksum_address) {
            // The IPv4 payload's sum; the header length from byte 14, bounded by the frame.
            uint16_t sum = 0;
            if (length > 14) {
                uint64_t start = 14 + (uint64_t)(frame[14] & 0xF) * 4;
                if (start < (uint64_t)length)
                    sum = BogusNet_Sum16(frame.data() + start, (uint64_t)length - start);
            }
            uint8_t bytes[2] = {(uint8_t)(sum >> 8), (uint8_t)sum};
            if (!EA_copy_buffer_to_memory(iop, checksum_address, bytes, 2)) return done(iop, MINUS_ONE);
        }
    }
    uint64_t count = capacity < (uint64_t)length ? capacity : (uint64_t)length;
    uint64_t answer =
        EA_copy_buffer_to_memory(iop, address, frame.data(), (uint32_t)count) ? count : MINUS_ONE;
    SimSupport_Result(iop, answer);
    lower(device);
    BogusNet_InterruptCheck(iop->thread->machine);
    return 1;
}

} // namespace

uint16_t BogusNet_Sum16(const uint8_t *data, uint64_t length)
{
    if (length < 2) return 0;
    uint64_t sum = 0;
    uint64_t i = 0;
    for (; i + 1 < length; i += 2)
        sum += (uint32_t)data[i] << 8 | data[i + 1];
    if (i < length) sum += (uint32_t)data[i] << 8;
    sum = (sum & 0xFFFF) + (sum >> 16);
    sum = (sum & 0xFFFF) + (sum >> 16);
    sum = (sum & 0xFFFF) + (sum >> 16);
    return (uint16_t)sum;
}

BogusNet *bogusnet_New(GenericMachine *machine, int32_t minor)
{
    BogusNet *device = QUARN_ZALLOC(1, BogusNet);
    if (!device) return nullptr;
    device->machine = machine;
    device->minor = minor;
    device->fd = -1;
    device->irq = 20;
    device->irq_offset = 16;
    device->hook = IntHandler__New("b_net");
    device->next = machine->bogus_net_list;
    machine->bogus_net_list = device;
    return device;
}

BogusNet *BogusNet_Find(GenericMachine *machine, int32_t minor)
{
    for (BogusNet *device = machine ? machine->bogus_net_list : nullptr; device; device = device->next)
        if (device->minor == minor) return device;
    return nullptr;
}

int init_bogusnet(GenericMachine *machine, int32_t minor, const char *mac_text, const char *transport,
                  int32_t irq, int32_t irq_offset)
{
    if (!machine) return 0;
    BogusNet *device = BogusNet_Find(machine, minor);
    if (!device) device = bogusnet_New(machine, minor);
    if (!device) return 0;
    close_transport(device); // set up again: the old transport goes
    snprintf(device->transport, sizeof device->transport, "%s", transport ? transport : "");
    snprintf(device->mac_text, sizeof device->mac_text, "%s", mac_text ? mac_text : "");
    device->irq = (int16_t)(irq & 0xFFFF);
    device->irq_offset = irq_offset;

    int opened;
    if (strncmp(device->transport, "udp", 3) == 0)
        opened = open_udp(device);
    else if (strncmp(device->transport, "tap", 3) == 0)
        opened = open_tap(device);
    else
        opened = open_unix(device);
    if (!opened) return 0;
    if (!parse_mac(device->mac_text, device->mac)) {
        sim_warning(2, "1: BogusNet: init: bad MAC address");
        return 0;
    }
    if (device->kind == BOGUS_NET_DATAGRAM) {
        uint8_t handshake[BOGUS_NET_HANDSHAKE_SIZE] = {};
        memcpy(handshake + 6, device->mac, 6);
        handshake[12] = 0x66;
        handshake[13] = 0x66;
        if (!send_frame(device, handshake, sizeof handshake)) {
            int error = errno;
            perror("sendto");
            sim_warning(2, "1: BogusNet: init : couldn't transmit handshake (%d)", error);
            return 0;
        }
    }
    add_tree_node(device);
    if (device->irq == 0) return 1;
    if (!machine->bogus_net_job && machine->tsim)
        machine->bogus_net_job = job_new_exec(machine->tsim, "Bogus Net", nullptr, BogusNet_PollJob, machine);
    MCM *chip = GenericMachine__GetMCM(machine, 0);
    if (chip && chip->int_handler) BogusNet__Register_Outgoing_IntHandler(device, chip->int_handler);
    return 1;
}

void BogusNetSetup(GenericMachine *machine)
{
    machine->bogus_net_list = nullptr;
    machine->bogus_net_job = nullptr;
}

void BogusNetCleanup(GenericMachine *machine)
{
    while (BogusNet *device = machine->bogus_net_list) {
        machine->bogus_net_list = device->next;
        close_transport(device);
        IntHandler__Delete(device->hook);
        QUARN_FREE(device);
    }
    if (machine->bogus_net_job) job_free(machine->bogus_net_job);
    machine->bogus_net_job = nullptr;
}

void BogusNet__Register_Outgoing_IntHandler(BogusNet *device, const IntHandler *hook)
{
    if (device && hook) IntHandler__Copy(device->hook, hook);
}

void BogusNet__Register_Outgoing_IntHandler_2(BogusNet *device,
                                              int (*controller)(void *, int32_t, int32_t, uint64_t),
                                              void *context)
{
    if (device) IntHandler__Set(device->hook, controller, context);
}

void BogusNet_InterruptCheck(GenericMachine *machine)
{
    fd_set set;
    FD_ZERO(&set);
    int highest = -1;
    for (BogusNet *device = machine ? machine->bogus_net_list : nullptr; device; device = device->next) {
        if (!device->interrupts_enabled || device->fd < 0 || device->fd >= FD_SETSIZE) continue;
        if (IntHandler__State(device->hook, 0, line_of(device))) continue;
        FD_SET(device->fd, &set);
        if (device->fd > highest) highest = device->fd;
    }
    if (highest < 0) return;
    timeval zero{0, 0};
    int ready = select(highest + 1, &set, nullptr, nullptr, &zero);
    for (BogusNet *device = machine->bogus_net_list; device && ready > 0; device = device->next) {
        if (!device->interrupts_enabled || device->fd < 0 || device->fd >= FD_SETSIZE) continue;
        if (!FD_ISSET(device->fd, &set)) continue;
        ready--;
        if (IntHandler__isSetup(device->hook))
            IntHandler__Raise(device->hook, 0, line_of(device), "BogusNet_InterruptCheck");
    }
}

void BogusNet_PollJob(void *argument)
{
    GenericMachine *machine = static_cast<GenericMachine *>(argument);
    for (;;) {
        time_domain *domain = machine->base_domain;
        uint64_t per_cycle = domain && domain->ticks_per_cycle ? domain->ticks_per_cycle : 1;
        current_delay_ticks(1000 * per_cycle);
        BogusNet_InterruptCheck(machine);
    }
}

// ---- sim-support services ----

int BogusNetProbe(IOPDesc *iop)
{
    BogusNet *device = device_of_call(iop);
    if (!device) return done(iop, MINUS_ONE);
    uint64_t mode = SimSupport_Arg(iop, 5);
    if (mode == MINUS_ONE) {
        device->interrupts_enabled = 0;
    } else if (mode == 0) {
        device->interrupts_enabled = 1;
        lower(device);
    } else if (!EA_copy_buffer_to_memory(iop, mode, device->mac, 6)) {
        return done(iop, MINUS_ONE);
    }
    return done(iop, (uint64_t)(int64_t)device->irq);
}

int BogusNetSend(IOPDesc *iop)
{
    BogusNet *device = device_of_call(iop);
    if (!device) {
        sim_warning(2, "1: BogusNetSend: device index not in linked list..wierd");
        return done(iop, MINUS_ONE);
    }
    uint64_t address = SimSupport_Arg(iop, 5);
    uint64_t length = SimSupport_Arg(iop, 6);
    if (length > BOGUS_NET_MAX_FRAME) length = BOGUS_NET_MAX_FRAME;
    uint8_t frame[BOGUS_NET_MAX_FRAME];
    if (!EA_copy_buffer_from_memory(iop, address, frame, (uint32_t)length)) return done(iop, MINUS_ONE);
    if (!send_frame(device, frame, length)) {
        sim_warning(2, "1: BogusNetSend: Could not send packet");
        return done(iop, MINUS_ONE);
    }
    return done(iop, 0);
}

int BogusNetReceive(IOPDesc *iop)
{
    return receive(iop, BOGUS_NET_MAX_FRAME, false);
}

int BogusNetDMAReceive(IOPDesc *iop)
{
    return receive(iop, BOGUS_NET_MAX_DMA_FRAME, true);
}

int BogusNetDMASend(IOPDesc *iop)
{
    uint8_t descriptor[32];
    if (!EA_copy_buffer_from_memory(iop, SimSupport_Arg(iop, 6), descriptor, sizeof descriptor))
        return done(iop, MINUS_ONE);
    BogusNet *device = device_of_call(iop);
    if (!device) {
        sim_warning(2, "1: BogusNetDMASend: device index not in linked list..wierd");
        return done(iop, MINUS_ONE);
    }
    uint32_t total = be32(descriptor + 0);
    uint32_t flags = be32(descriptor + 4);
    uint32_t checksum_start = be32(descriptor + 8);
    uint32_t checksum_field = be32(descriptor + 12);
    uint32_t first_length = be32(descriptor + 24);
    uint32_t fragments = be32(descriptor + 28);
    // Every piece must fit in the frame the descriptor announces.
    if (first_length > 0xFFFF || total > MAX_DMA_SEND_FRAME || first_length > total)
        return done(iop, MINUS_ONE);
    std::vector<uint8_t> frame(total);
    if (!EA_copy_buffer_from_memory(iop, SimSupport_Arg(iop, 5), frame.data(), first_length))
        return done(iop, MINUS_ONE);
    if (fragments > BOGUS_NET_MAX_FRAGMENTS) return done(iop, MINUS_ONE);
    if (fragments >= 2 || (flags & 0x1)) {
        uint8_t entries[BOGUS_NET_MAX_FRAGMENTS * 16];
        if (!EA_copy_buffer_from_memory(iop, SimSupport_Arg(iop, 7), entries, fragments * 16))
            return done(iop, MINUS_ONE);
        uint32_t at = first_length;
        for (uint32_t i = 0; i < fragments; i++) {
            const uint8_t *entry = entries + 16 * i;
            uint64_t address = be64(entry) + be32(entry + 8);
            uint32_t length = be32(entry + 12);
            if (length > total - at) return done(iop, MINUS_ONE);
            if (!EA_copy_buffer_from_memory(iop, address, frame.data() + at, length))
                return done(iop, MINUS_ONE);
            at += length;
        }
    }
    if (flags & 0x8) {
        if (checksum_start > total || checksum_field > total - checksum_start ||
            total - checksum_start - checksum_field < 2)
            return done(iop, MINUS_ONE);
        uint32_t segment = total - checksum_start;
        std::vector<uint8_t> block(12 + segment);
        memcpy(block.data(), descriptor + 16, 8); // source and destination, big-endian already
        block[8] = 0;
        block[9] = 6;
        block[10] = (uint8_t)(segment >> 8);
        block[11] = (uint8_t)segment;
        memcpy(block.data() + 12, frame.data() + checksum_start, segment);
        block[12 + checksum_field] = 0;
        block[12 + checksum_field + 1] = 0;
        uint16_t checksum = (uint16_t)~BogusNet_Sum16(block.data(), block.size());
        frame[checksum_start + checksum_field] = (uint8_t)(checksum >> 8);
        frame[checksum_start + checksum_field + 1] = (uint8_t)checksum;
    }
    if (!send_frame(device, frame.data(), frame.size())) {
        sim_warning(2, "1: BogusNetDMASend: Could not send packet");
        return done(iop, MINUS_ONE);
    }
    return done(iop, 0);
}
