// 9P file sharing: one process-wide TCP connection to a host 9P file server, over which the guest
// moves whole protocol messages with sim-support code 186 (paravirtual_services.h). The messages
// are carried, not interpreted. A host or plug-in opens it with Bogus9pConnect; the machine's end
// closes it.
#pragma once

#include <cstdint>

// The connection.
struct Bogus9pSocket {
    char *host; // "listen": wait for the server on 127.0.0.1:port
    int32_t port;
    int fd;
    uint8_t *receive_buffer;
    uint64_t receive_size;
    uint8_t *send_buffer;
    uint64_t send_size;
};

// The process's connection, or null.
extern Bogus9pSocket *bogus9p_connection;

// Connects (host name) or listens ("listen") at the port text (decimal, 0x hexadecimal or 0
// octal); 0 when connected, -1 otherwise. A connection already open is closed first.
int Bogus9pConnect(void *ignored, const char *host, const char *port_text);
void Bogus9pCleanup(void);
