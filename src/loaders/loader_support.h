// Helpers shared by the program-image loaders: copying a host buffer into a chip's physical
// memory (block copies where the device offers them), reading a file completely, and reading
// fixed-width fields of an image with their bounds checked.
#pragma once

#include <cstddef>
#include <cstdint>

struct MemoryClient;

// Copies length bytes to physical address through the client's chip map: one block write per
// 4 KB piece that a single device with a block write holds, byte writes elsewhere. 1 when every
// piece was written.
int Loader_Copy_To_Memory(MemoryClient *client, uint64_t address, const void *buffer, uint64_t length);

// Whether every byte of [address, address + length) is memory in the client's chip map (memory
// regions, FBARs, the RAM block, or overflow memory that no device covers: never a device window
// or a hole), without wrap-around and no longer than the machine's memory. An empty range is.
bool Loader_Range_In_Memory(MemoryClient *client, uint64_t address, uint64_t length);

// Reads up to length bytes, repeating short reads; the count read (less only at end of file),
// or -1 on a read error.
int64_t Loader_Read_Fully(int fd, void *buffer, size_t length);

// Whether [offset, offset + length) lies inside an image of size bytes (no wrap-around).
inline bool Loader_Range_Fits(uint64_t offset, uint64_t length, uint64_t size)
{
    return offset <= size && length <= size - offset;
}

// offset + count * entry_size without wrap-around; false when it would wrap.
inline bool Loader_Table_End(uint64_t offset, uint64_t count, uint64_t entry_size, uint64_t *end)
{
    unsigned __int128 total = (unsigned __int128)count * entry_size + offset;
    if (total > UINT64_MAX) return false;
    *end = (uint64_t)total;
    return true;
}

// An unsigned field of width 1, 2, 4 or 8 bytes at p, in big- or little-endian order.
inline uint64_t Loader_Field(const uint8_t *p, int width, bool little_endian)
{
    uint64_t value = 0;
    if (little_endian) {
        for (int i = width - 1; i >= 0; i--)
            value = value << 8 | p[i];
    } else {
        for (int i = 0; i < width; i++)
            value = value << 8 | p[i];
    }
    return value;
}
