// The paravirtual socket device and its sim-support services (162, 163, 177 to 181).
#include "guest/bogus_socket.h"

#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "devices/interrupt_hook.h"
#include "guest/paravirtual_services.h"
#include "guest/sim_support.h"
#include "kernel/job.h"
#include "mmu/ea_copy.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t MINUS_ONE = ~0ull;
constexpr uint64_t MINUS_THREE = (uint64_t)-3;

// Marks a receive (code 163) in progress.
int receive_guard = 0;

int done(IOPDesc *iop, uint64_t value)
{
    SimSupport_Result(iop, value);
    return 1;
}

int32_t line_of(const BogusSocketDevice *device)
{
    return device->irq - device->irq_offset;
}

BogusSocketDevice *device_of_call(IOPDesc *iop)
{
    int32_t minor = (int32_t)SimSupport_Arg(iop, 4);
    for (BogusSocketDevice *d = iop->thread->machine->bogus_socket_list; d; d = d->next)
        if (d->minor == minor) return d;
    return nullptr;
}

bool hook_connected(const BogusSocketDevice *device)
{
    return device->hook && IntHandler__isSetup(device->hook);
}

// Sends (162 and 178).
int send(IOPDesc *iop, bool bytewise)
{
    const char *who = bytewise ? "bogus_socket_new_send" : "bogus_socket_send";
    BogusSocketDevice *device = device_of_call(iop);
    if (!device) {
        sim_warning(2, "%s: ERROR, device does not exist or not %s", who, bytewise ? "inited" : "init");
        return done(iop, MINUS_THREE);
    }
    uint64_t address = SimSupport_Arg(iop, 5);
    uint64_t length = SimSupport_Arg(iop, 6);
    if (length > BOGUS_SOCKET_BUFFER_SIZE) {
        sim_warning(2, "%s: ERROR, buffer overflow", who);
        return done(iop, MINUS_THREE);
    }
    char buffer[BOGUS_SOCKET_BUFFER_SIZE];
    int copied = bytewise ? EA_copy_string_from_memory_BS(iop, address, buffer, length)
                          : EA_copy_buffer_from_memory(iop, address, buffer, (uint32_t)length);
    if (!copied) {
        sim_warning(2, "%s: ERROR, bad address: 0x%016lX", who, (unsigned long)address);
        return done(iop, MINUS_THREE);
    }
    ssize_t n = ::send(device->fd, buffer, length, MSG_NOSIGNAL);
    if (n < 0 && errno == ENOTSOCK) n = write(device->fd, buffer, length);
    if (n >= 0) return done(iop, (uint64_t)n);
    if (errno == EAGAIN || errno == EWOULDBLOCK) return done(iop, MINUS_ONE);
    // A peer that has gone (EPIPE) is an error of this device, not the end of the simulator.
    if (bytewise)
        sim_warning(2, "bogus_socket_new_send: %s", strerror(errno));
    else
        sim_warning(2, "bogus_socket_send: retval=%d, errno=%d, %s", (int)n, errno, strerror(errno));
    return done(iop, MINUS_THREE);
}

// Receives (163 and 179): the result for GPR3.
uint64_t receive(IOPDesc *iop, BogusSocketDevice *device, bool bytewise)
{
    uint64_t address = SimSupport_Arg(iop, 5);
    uint64_t capacity = SimSupport_Arg(iop, 6);
    if (capacity > BOGUS_SOCKET_BUFFER_SIZE) {
        if (bytewise)
            sim_warning(2, "bogus_socket_new_recv: ERROR, buffer overflow");
        else
            sim_warning(2, "bogus_socket_recv: ERROR, buffer overflow size %ld BUFF_SIZE %d", (long)capacity,
                        (int)BOGUS_SOCKET_BUFFER_SIZE);
        return MINUS_THREE;
    }
    char buffer[BOGUS_SOCKET_BUFFER_SIZE];
    ssize_t n = read(device->fd, buffer, capacity);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK) return MINUS_ONE;
        sim_warning(2, "%s: %s%s", bytewise ? "bogus_socket_new_recv" : "bogus_socket_recv",
                    bytewise ? "" : "ERROR, ", strerror(errno));
        return MINUS_THREE;
    }
    int copied = bytewise ? EA_copy_string_to_memory_BS(iop, address, buffer, (uint64_t)n)
                          : EA_copy_buffer_to_memory(iop, address, buffer, (uint32_t)n);
    if (!copied) {
        sim_warning(2, "%s: ERROR, bad address: 0x%016lX",
                    bytewise ? "bogus_socket_new_recv" : "bogus_socket_recv", (unsigned long)address);
        return MINUS_THREE;
    }
    return (uint64_t)n;
}

void print_bytes(const char *label, const void *bytes, int size)
{
    const uint8_t *p = static_cast<const uint8_t *>(bytes);
    printf("%s[<%p>] : nbytes=%d -> ", label, bytes, size);
    for (int i = 0; i < 8; i++)
        printf("%02X ", p[i]);
    printf("\n");
}

// The byte-order self-test printed by code 177.
void byte_order_self_test(void)
{
    uint8_t buf[8];
    uint64_t value = 0;
    for (int size : {8, 4, 2}) {
        for (int i = 0; i < 8; i++)
            buf[i] = (uint8_t)(i + 1);
        value = 0;
        print_bytes("buf", buf, size);
        print_bytes("value", &value, size);
        uint64_t converted = 0;
        for (int i = 0; i < size; i++)
            converted = converted << 8 | buf[i];
        value = converted;
        print_bytes("BE_HO_Swizzle: value set to", &value, size);
    }
    for (int size : {8, 4}) {
        uint8_t pattern[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        memcpy(&value, pattern, sizeof value);
        memset(buf, 0, sizeof buf);
        print_bytes("value", &value, size);
        print_bytes("buf", buf, size);
        uint64_t host = size == 8 ? value : (uint32_t)value;
        for (int i = size - 1; i >= 0; i--) {
            buf[i] = (uint8_t)host;
            host >>= 8;
        }
        print_bytes("HO_BE_Swizzle: buf set to", buf, size);
    }
    fflush(stdout);
}

} // namespace

void BogusSocketSetup(GenericMachine *machine)
{
    machine->bogus_socket_list = nullptr;
    machine->bogus_socket_job = nullptr;
}

void BogusSocketCleanup(GenericMachine *machine)
{
    while (BogusSocketDevice *device = machine->bogus_socket_list) {
        machine->bogus_socket_list = device->next;
        if (device->fd >= 0) close(device->fd);
        QUARN_FREE(device);
    }
    if (machine->bogus_socket_job) job_free(machine->bogus_socket_job);
    machine->bogus_socket_job = nullptr;
}

void BogusSocket_Add(GenericMachine *machine, BogusSocketDevice *device)
{
    device->next = machine->bogus_socket_list;
    machine->bogus_socket_list = device;
}

void bogus_socket_interrupt_check(GenericMachine *machine)
{
    BogusSocketDevice *device = machine ? machine->bogus_socket_list : nullptr;
    if (!device || !device->interrupts_enabled || device->fd < 0 || device->fd >= FD_SETSIZE) return;
    if (device->hook &&
        (IntHandler__State(device->hook, 0, line_of(device)) || IntHandler__Status(device->hook) == 1))
        return;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(device->fd, &set);
    timeval zero{0, 0};
    if (select(device->fd + 1, &set, nullptr, nullptr, &zero) > 0 && hook_connected(device))
        IntHandler__Raise(device->hook, 0, line_of(device), "bogus_socket_interrupt_check");
}

int EA_copy_string_from_memory_BS(IOPDesc *iop, uint64_t address, void *buffer, uint64_t length)
{
    if (length == 0 || address == 0) return 1;
    if (length > 0xFFFFFFFFull || !EA_copy_buffer_from_memory(iop, address, buffer, (uint32_t)length)) {
        printf("EA_copy_string_from_memory_BS: address translation failed.");
        return 0;
    }
    return 1;
}

int EA_copy_string_to_memory_BS(IOPDesc *iop, uint64_t address, const void *data, uint64_t length)
{
    if (length == 0 || address == 0 || !data) return 1;
    if (length > 0xFFFFFFFFull || !EA_copy_buffer_to_memory(iop, address, data, (uint32_t)length)) {
        printf("EA_copy_string_to_memory_BS: address translation failed.");
        return 0;
    }
    return 1;
}

int EA_copy_char_to_memory_BS(IOPDesc *iop, uint64_t address, uint8_t byte, uint64_t count)
{
    if (count == 0 || address == 0) {
        printf("EA_copy_char_to_memory_BS: called, bytes == 0 || eAddr == 0 \n");
        return 1;
    }
    uint8_t chunk[4096];
    memset(chunk, byte, sizeof chunk);
    // Page by page, so that the fill stops at the first page that does not translate.
    while (count) {
        uint64_t room = 4096 - (address & 4095);
        uint64_t n = count < room ? count : room;
        if (!EA_copy_buffer_to_memory(iop, address, chunk, (uint32_t)n)) {
            printf("EA_copy_char_to_memory_BS: address translation FAILED, 0x%016lX -> 0x%016lX\n",
                   (unsigned long)address, 0ul);
            return 0;
        }
        address += n;
        count -= n;
    }
    return 1;
}

// ---- sim-support services ----

int BogusSocketSend(IOPDesc *iop)
{
    return send(iop, false);
}

int BogusSocketSendBytewise(IOPDesc *iop)
{
    return send(iop, true);
}

int BogusSocketReceive(IOPDesc *iop)
{
    if (receive_guard) {
        // Re-entered: answer the error instead of ending the simulator.
        sim_warning(2, "bogus_socket_recv: ERROR, in bogus_socket_recv multiple times, check=%d",
                    receive_guard);
        return done(iop, MINUS_THREE);
    }
    receive_guard = 1;
    BogusSocketDevice *device = device_of_call(iop);
    if (!device) {
        sim_warning(2, "bogus_socket_recv: ERROR, device does not exist or not init");
        receive_guard = 0;
        return done(iop, MINUS_THREE);
    }
    SimSupport_Result(iop, receive(iop, device, false));
    if (hook_connected(device)) IntHandler__Lower(device->hook, 0, line_of(device));
    bogus_socket_interrupt_check(iop->thread->machine);
    receive_guard = 0;
    return 1;
}

int BogusSocketReceiveBytewise(IOPDesc *iop)
{
    BogusSocketDevice *device = device_of_call(iop);
    if (!device) {
        sim_warning(2, "bogus_socket_recv: ERROR, device does not exist or not init");
        return done(iop, MINUS_THREE);
    }
    SimSupport_Result(iop, receive(iop, device, true));
    if (hook_connected(device)) IntHandler__Lower(device->hook, 0, line_of(device));
    bogus_socket_interrupt_check(iop->thread->machine);
    return 1;
}

int BogusSocketProbe(IOPDesc *iop)
{
    byte_order_self_test();
    BogusSocketDevice *device = device_of_call(iop);
    if (!device) return done(iop, MINUS_ONE);
    if (SimSupport_Arg(iop, 5) == 0) {
        device->interrupts_enabled = 1;
        if (hook_connected(device)) IntHandler__Lower(device->hook, 0, line_of(device));
    }
    return done(iop, (uint64_t)(int64_t)device->irq);
}

int BogusSocketMemcpy(IOPDesc *iop)
{
    if (!device_of_call(iop)) {
        sim_warning(2, "bogus_socket_memcpy: ERROR, device does not exist or not init");
        return done(iop, MINUS_ONE);
    }
    uint64_t destination = SimSupport_Arg(iop, 5);
    uint64_t source = SimSupport_Arg(iop, 6);
    uint64_t length = SimSupport_Arg(iop, 7);
    if (length > BOGUS_SOCKET_BUFFER_SIZE) {
        sim_warning(2, "bogus_socket_memcpy: ERROR, buffer overflow");
        return done(iop, MINUS_ONE);
    }
    char buffer[BOGUS_SOCKET_BUFFER_SIZE];
    if (!EA_copy_string_from_memory_BS(iop, source, buffer, length)) {
        sim_warning(2, "bogus_socket_memcpy: ERROR, fails on EA_copy_string_from_memory_BS");
        sim_warning(2, "bogus_socket_memcpy: bufAddrSrc = 0x%016lX ", (unsigned long)source);
        sim_warning(2, "bogus_socket_memcpy: buffer = <%p>", (void *)buffer);
        sim_warning(2, "bogus_socket_memcpy: size = %lu", (unsigned long)length);
        return done(iop, MINUS_ONE);
    }
    if (!EA_copy_string_to_memory_BS(iop, destination, buffer, length)) {
        sim_warning(2, "bogus_socket_memcpy: ERROR, fails on EA_copy_string_to_memory_BS");
        return done(iop, MINUS_ONE);
    }
    return done(iop, 0);
}

int BogusSocketMemset(IOPDesc *iop)
{
    if (!device_of_call(iop)) {
        sim_warning(2, "bogus_socket_memset: ERROR, device does not exist or not inited");
        return done(iop, MINUS_ONE);
    }
    uint64_t destination = SimSupport_Arg(iop, 5);
    uint8_t byte = (uint8_t)SimSupport_Arg(iop, 6);
    uint64_t count = SimSupport_Arg(iop, 7);
    return done(iop, EA_copy_char_to_memory_BS(iop, destination, byte, count) ? 0 : MINUS_ONE);
}
