// The device-tree commands ("of"): walk, read, change and print the Open Firmware device tree a
// machine offers its guest, and answer the questions scripts ask when they build or check a tree
// (memory-map ranges, computed-property kinds, RTAS tokens, client-interface services, processor
// and cache parameters into the array "machine_info").
#pragma once

#include <cstdint>

struct GenericMachine;
struct OF_DeviceTree;
struct SimCmdTable;

// The machine's device tree, built first when nothing has built it yet.
OF_DeviceTree *OF_Get_Device_Tree(GenericMachine *machine);
// Reads hexadecimal digit pairs from the text (other characters skipped; an odd last digit is the
// high half of a byte) into buffer (at most size bytes), or only counts them without a buffer.
int32_t OF_Hex_To_Bytes(const char *text, uint8_t *buffer, int32_t size);

SimCmdTable *build_of_cmd_table(void *argument);
