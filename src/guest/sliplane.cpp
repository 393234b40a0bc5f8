// The sliplane debug channel and its sim-support services (61 read, 62 write).
#include "guest/sliplane.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cache/cache_flush.h"
#include "guest/guest_io.h"
#include "guest/paravirtual_services.h"
#include "guest/sim_support.h"
#include "guest/startup_script.h"
#include "memory/memory_map.h"
#include "mmu/ea_copy.h"
#include "mmu/real_mode.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"

namespace
{

int needs_setup = 1;
int disabled = 0;
int listen_socket = -1;
int data_socket = -1;

void sliplane_set_socket_option(int fd, int level, int option)
{
    int one = 1;
    if (setsockopt(fd, level, option, &one, sizeof one) != 0)
        SIM_PRINT("simulator SLIPLANE ERROR:setsockopt(%d, %d, %d) failed\n", fd, level, option);
}

// 1 when the socket became readable within the seconds, 0 on time-out or error.
int sliplane_wait_readable(int fd, int seconds)
{
    for (;;) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval limit{seconds, 0};
        int n = select(fd + 1, &set, nullptr, nullptr, &limit);
        if (n < 0 && errno == EINTR) continue;
        return n > 0 ? 1 : 0;
    }
}

void disable(void)
{
    if (listen_socket >= 0) close(listen_socket);
    listen_socket = -1;
    disabled = 1;
}

void give_up(void)
{
    SIM_PRINT("simulator SLIPLANE: giving up, sliplane disabled\r\n");
    disable();
}

void print_waiting_banner(void)
{
    int port = sliplane_listen_port;
    const char *rule = "--------------------------------------------------\r\n";
    SIM_PRINT("%s", rule);
    SIM_PRINT("You have 2000 seconds to start the sliplane tool:\r\n");
    SIM_PRINT("    sliplane 127.0.0.1 %d %d %d\r\n", port, port + 1, port + 2);
    SIM_PRINT("then point the console, the pondo tool and gdb at ports %d, %d and %d.\r\n", port, port + 1,
              port + 2);
    SIM_PRINT("The default port is 2101; the tool reads Z93_SIMULATOR_PORT.\r\n");
    SIM_PRINT("%s", rule);
}

} // namespace

void sliplane_connect(void)
{
    needs_setup = 0;
    listen_socket = socket(AF_INET, SOCK_STREAM, 0);
    if (listen_socket < 0) {
        SIM_PRINT("simulator SLIPLANE ERROR:socket() failed");
        disable();
        return;
    }
    sliplane_set_socket_option(listen_socket, SOL_SOCKET, SO_REUSEADDR);
    // An unauthenticated channel into the machine: loopback only.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons((uint16_t)sliplane_listen_port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listen_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        SIM_PRINT("simulator SLIPLANE: bind() failed, sliplane disabled\n");
        disable();
        return;
    }
    if (listen(listen_socket, 4) != 0) {
        SIM_PRINT("simulator SLIPLANE ERROR:listen() failed\n");
        disable();
        return;
    }
    SIM_PRINT("simulator SLIPLANE INITIALIZED SUCCESSFULLY\n");
    if (!sliplane_wait_readable(listen_socket, 1)) {
        if (strcmp(get_menv_str("Z93_QUARN_USE_SLIPLANE", "1"), "1") != 0) {
            give_up();
            return;
        }
        print_waiting_banner();
        if (!sliplane_wait_readable(listen_socket, 2000)) {
            give_up();
            return;
        }
    }
    data_socket = accept(listen_socket, nullptr, nullptr);
    if (data_socket < 0) {
        SIM_PRINT("simulator SLIPLANE ERROR:accept() failed\n");
        disable();
        return;
    }
    if (protoent *tcp = getprotobyname("tcp"))
        sliplane_set_socket_option(data_socket, tcp->p_proto, TCP_NODELAY);
    else
        SIM_PRINT("getprotobyname() failed for victim");
    close(listen_socket);
    listen_socket = -1;
    SIM_PRINT("simulator SLIPLANE GOT A DATA CONNECTION\r\n");
}

int sliplane_write(int length, const void *data)
{
    if (needs_setup) sliplane_connect();
    if (disabled) return -1;
    if (length <= 0) return 0;
    if (length > SLIPLANE_MAX_TRANSFER) length = SLIPLANE_MAX_TRANSFER;
    ssize_t n = send(data_socket, data, (size_t)length, MSG_NOSIGNAL);
    if (n < 0) {
        SIM_PRINT("simulator SLIPLANE GOT A WRITE ERROR %d\n", errno);
        return 0;
    }
    return (int)n;
}

int sliplane_read(int capacity, void *buffer)
{
    if (needs_setup) sliplane_connect();
    if (disabled) return -1;
    if (capacity <= 0) return 0;
    if (capacity > SLIPLANE_MAX_TRANSFER) {
        SIM_PRINT("simulator SLIPLANE TRUNCATING READ FIXME\n");
        capacity = SLIPLANE_MAX_TRANSFER;
    }
    if (!sliplane_wait_readable(data_socket, 5)) {
        SIM_PRINT("waiting for input from sliplane on %d\n", data_socket);
        if (!sliplane_wait_readable(data_socket, 60)) {
            SIM_PRINT("no input from sliplane on %d\n", data_socket);
            return 0;
        }
    }
    ssize_t n = read(data_socket, buffer, (size_t)capacity);
    if (n < 0) {
        SIM_PRINT("simulator SLIPLANE GOT A READ ERROR %d\n", errno);
        return 0;
    }
    return (int)n;
}

// ---- sim-support services ----

namespace
{

int done(IOPDesc *iop, uint64_t value)
{
    SimSupport_Result(iop, value);
    return 1;
}

// The host buffer of a call: the channel moves at most 4096 bytes at a time.
int capped(uint64_t length)
{
    return length > SLIPLANE_MAX_TRANSFER ? SLIPLANE_MAX_TRANSFER : (int)length;
}

} // namespace

int SliplaneRead(IOPDesc *iop)
{
    uint64_t address = SimSupport_Arg(iop, 4);
    uint64_t length = SimSupport_Arg(iop, 5);
    char buffer[SLIPLANE_MAX_TRANSFER];
    // The capacity as asked, so that a larger request still reports its truncation.
    int capacity = length > (uint64_t)0x7FFFFFFF ? 0x7FFFFFFF : (int)length;
    int n = sliplane_read(capacity, buffer);
    if (n < 0) return done(iop, ~0ull); // disabled: nothing to copy
    if (n > 0 && !EA_copy_buffer_to_memory(iop, address, buffer, (uint32_t)n)) return done(iop, 0);
    return done(iop, (uint64_t)n);
}

int RavlinWrite(IOPDesc *iop)
{
    uint64_t address = SimSupport_Arg(iop, 4);
    uint64_t length = SimSupport_Arg(iop, 5);
    uint64_t mode = SimSupport_Arg(iop, 6);
    char buffer[SLIPLANE_MAX_TRANSFER];
    int n = capped(length);
    if (mode == 1) {
        if (!EA_copy_buffer_from_memory(iop, address, buffer, (uint32_t)n)) {
            sim_error("6: RavlinWrite bad address 0x%016lX (1)", (unsigned long)address);
            return done(iop, ~0ull);
        }
    } else {
        GenericMachine *machine = iop->thread->machine;
        uint64_t real = address;
        int refused = 0;
        if (!PA_canonical(iop, &real, &refused) || refused ||
            (n > 0 && !Guest_Physical_Range_Valid(machine, real, (uint64_t)n))) {
            sim_error("7: RavlinWrite bad address 0x%016lX (2)", (unsigned long)address);
            return done(iop, ~0ull);
        }
        if (n > 0) {
            Cache_Flush_Lines_For_Range(machine, real, (uint64_t)n);
            PA_copy_buffer_directly_from_memory(iop->thread->memory_client, real, buffer, n, 0);
        }
    }
    return done(iop, (uint64_t)(int64_t)sliplane_write(n, buffer));
}
