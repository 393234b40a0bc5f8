// The Open Firmware client interface: a booting guest calls sim-support code 99 with the address
// of an argument block of 32-bit big-endian cells (service name, argument and result counts,
// arguments, results) and the simulator serves the service from the machine's device tree, the
// memory claim list, the console and the processor threads. Cells, strings and buffers are read
// and written by physical address.
#pragma once

#include <cstdint>

struct GenericMachine;
struct IDNamePair;
struct IOPDesc;

// A service: (row index, block address, instruction).
typedef void (*OF_Service)(int32_t index, uint64_t block, IOPDesc *iop);
struct OF_ServiceRow {
    int32_t index;
    const char *name;
    OF_Service handler;
};
constexpr int OF_SERVICE_COUNT = 25;
extern const OF_ServiceRow of_services[OF_SERVICE_COUNT];

// The whole call (code 99): always completes.
int OpenFirmware(IOPDesc *iop);
// Builds the machine's device tree.
void OpenFirmware_Init(GenericMachine *machine);
// 0 when the name is a service of the table, else -1.
int of_test_service(const char *name);
// The chunk in which the write service moves bytes from the guest to the console.
constexpr uint32_t OF_WRITE_CHUNK = 4096;
