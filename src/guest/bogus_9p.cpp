// 9P file sharing and its sim-support service (186).
#include "guest/bogus_9p.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "guest/paravirtual_services.h"
#include "guest/sim_support.h"
#include "mmu/ea_copy.h"
#include "runtime/message.h"
#include "runtime/stop.h"

Bogus9pSocket *bogus9p_connection = nullptr;

namespace
{

constexpr uint64_t MINUS_ONE = ~0ull;
constexpr uint64_t INITIAL_BUFFER = 4096;

bool interrupted(void)
{
    return (stop_simulation & STOP_USER_INTERRUPT) != 0;
}

void free_record(Bogus9pSocket *record)
{
    if (!record) return;
    if (record->fd >= 0) close(record->fd);
    free(record->host);
    free(record->receive_buffer);
    free(record->send_buffer);
    free(record);
}

// Waits for the server on 127.0.0.1:port; the connected socket (non-blocking) or -1.
int listen_for_server(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        sim_warning(2, "socket creation failed: %s\n", strerror(errno));
        return -1;
    }
    int one = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0) {
        sim_warning(2, "socket setsockopt failed: %s\n", strerror(errno));
        close(fd);
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons((uint16_t)port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        sim_warning(2, "socket bind failed: %s\n", strerror(errno));
        close(fd);
        return -1;
    }
    if (listen(fd, 1) != 0) {
        sim_warning(2, "socket listen failed: %s\n", strerror(errno));
        close(fd);
        return -1;
    }
    for (;;) {
        if (interrupted() || fd >= FD_SETSIZE) {
            close(fd);
            return -1;
        }
        fd_set set;
        FD_ZERO(&set);
        FD_SET(fd, &set);
        timeval second{1, 0};
        int n = select(fd + 1, &set, nullptr, nullptr, &second);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return -1;
        }
        if (n > 0) break;
    }
    int client = accept(fd, nullptr, nullptr);
    close(fd);
    if (client < 0) {
        sim_warning(2, "socket accept failed: %s\n", strerror(errno));
        return -1;
    }
    if (fcntl(client, F_SETFL, fcntl(client, F_GETFL) | O_NONBLOCK) != 0) {
        sim_warning(2, "socket fcntl failed: %s\n", strerror(errno));
        close(client);
        return -1;
    }
    return client;
}

// Connects to the server, waiting while it refuses; the socket (blocking) or -1.
int connect_to_server(const char *host, int port)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) {
        sim_warning(2, "host '%s' not found\n", host);
        return -1;
    }
    sockaddr_in address;
    memcpy(&address, found->ai_addr, sizeof address);
    freeaddrinfo(found);
    address.sin_port = htons((uint16_t)port);
    for (;;) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0) {
            sim_warning(2, "socket creation failed: %s\n", strerror(errno));
            return -1;
        }
        if (connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) return fd;
        int error = errno;
        close(fd);
        if (error != ECONNREFUSED || interrupted()) {
            errno = error;
            return -1;
        }
        sim_warning(2, "waiting for server\n");
        sleep(5);
    }
}

// Grows a buffer to at least size bytes; false when it cannot.
bool grow(uint8_t **buffer, uint64_t *size, uint64_t wanted)
{
    if (*size >= wanted) return true;
    uint8_t *grown = static_cast<uint8_t *>(realloc(*buffer, wanted));
    if (!grown) {
        sim_error("call to REALLOC() failed)");
        return false;
    }
    *buffer = grown;
    *size = wanted;
    return true;
}

} // namespace

int Bogus9pConnect(void *, const char *host, const char *port_text)
{
    if (!host || !port_text) return -1;
    Bogus9pSocket *record = static_cast<Bogus9pSocket *>(calloc(1, sizeof(Bogus9pSocket)));
    if (!record) return -1;
    record->fd = -1;
    record->host = strdup(host);
    long port = strtol(port_text, nullptr, 0);
    if (!record->host || port < 1 || port > 65535) {
        sim_warning(2, "Bogus9p Connect: bad port value");
        free_record(record);
        return -1;
    }
    record->port = (int32_t)port;
    SIM_INFO("Bogus9p: waiting for 9p connection to %s:%d", host, record->port);
    record->fd =
        strcmp(host, "listen") == 0 ? listen_for_server(record->port) : connect_to_server(host, record->port);
    if (record->fd < 0) {
        sim_warning(2, "Bogus9p: connect to %s:%d: %s", host, record->port, strerror(errno));
        free_record(record);
        return -1;
    }
    if (interrupted()) {
        free_record(record);
        return -1;
    }
    record->receive_buffer = static_cast<uint8_t *>(calloc(1, INITIAL_BUFFER));
    record->send_buffer = static_cast<uint8_t *>(calloc(1, INITIAL_BUFFER));
    if (!record->receive_buffer || !record->send_buffer) {
        free_record(record);
        return -1;
    }
    record->receive_size = record->send_size = INITIAL_BUFFER;
    // One connection per process: the one it replaces is closed, not leaked.
    Bogus9pCleanup();
    bogus9p_connection = record;
    return 0;
}

void Bogus9pCleanup(void)
{
    Bogus9pSocket *record = bogus9p_connection;
    bogus9p_connection = nullptr;
    free_record(record);
}

// GPR6 selects the direction: 0 send, anything else receive.
int Bogus9pMux(IOPDesc *iop)
{
    Bogus9pSocket *c = bogus9p_connection;
    if (!c) {
        sim_warning(2, "Bogus9p: no socket connectsion established");
        SimSupport_Result(iop, MINUS_ONE);
        return 1;
    }
    uint64_t address = SimSupport_Arg(iop, 4);
    uint64_t count = SimSupport_Arg(iop, 5);
    bool receive = SimSupport_Arg(iop, 6) != 0;
    uint64_t answer = MINUS_ONE;
    if (count > 0xFFFFFFFFull) {
        sim_warning(2, "Bogus9P: cannot access memory at: 0x%016lX", (unsigned long)address);
    } else if (!receive) {
        if (grow(&c->send_buffer, &c->send_size, count)) {
            if (!EA_copy_buffer_from_memory(iop, address, c->send_buffer, (uint32_t)count)) {
                sim_warning(2, "Bogus9P: cannot access memory at: 0x%016lX", (unsigned long)address);
            } else {
                ssize_t n = send(c->fd, c->send_buffer, count, MSG_NOSIGNAL);
                if (n < 0)
                    sim_error("Bogus9P: send: %s", strerror(errno));
                else if ((uint64_t)n < count)
                    sim_error("Bogus9P: send: incomplete: %d < %d", (int)n, (int)count);
                else
                    answer = 0;
            }
        }
    } else if (grow(&c->receive_buffer, &c->receive_size, count)) {
        ssize_t n = read(c->fd, c->receive_buffer, count);
        if (n < 0)
            sim_error("Bogus9P: recv: %s", strerror(errno));
        else if ((uint64_t)n < count)
            sim_error("Bogus9P: recv: incomplete: %d < %d", (int)n, (int)count);
        else if (!EA_copy_buffer_to_memory(iop, address, c->receive_buffer, (uint32_t)count))
            sim_warning(2, "Bogus9P: cannot access memory at: 0x%016lX", (unsigned long)address);
        else
            answer = 0;
    }
    SimSupport_Result(iop, answer);
    return 1;
}
