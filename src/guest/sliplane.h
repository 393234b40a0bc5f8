// The sliplane debug channel: a byte pipe between the guest (sim-support codes 61 read and 62
// write, see paravirtual_services.h) and one external tool that connects over TCP to
// 127.0.0.1:sliplane_listen_port. The channel is set up on first use, once per process; once
// disabled it stays disabled.
#pragma once

#include <cstdint>

// Largest transfer of one call.
constexpr int SLIPLANE_MAX_TRANSFER = 4096;

// Listens, waits for the tool and accepts it; disables the channel when that fails or nobody
// comes (with Z93_QUARN_USE_SLIPLANE other than "1" after one second, else after 2000 seconds).
void sliplane_connect(void);
// Bytes written (at most 4096), 0 after a write error, -1 when the channel is disabled.
int sliplane_write(int length, const void *data);
// Bytes read (at most 4096), 0 when nothing came within 65 seconds or after a read error, -1 when
// the channel is disabled.
int sliplane_read(int capacity, void *buffer);
