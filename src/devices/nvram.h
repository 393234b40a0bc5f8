// The NVRAM image: a file mapped privately (changes never reach the file) that the RTAS NVRAM
// services read and write; a missing file is created zero-filled and given its initial layout in
// the mapping. The machine's image "halvo_nvram.<pid>.bin" is deleted when the machine quits.
#pragma once

#include <cstdint>

struct halvo_nvram {
    int32_t fd;
    uint8_t *image;
    char *name; // interned
    uint64_t length;
    int32_t anonymous; // the image is an anonymous copy of a file shorter than the length
};

// The handle, or none (always none in standalone mode).
halvo_nvram *halvo_nvram_open(const char *name, uint64_t length);
// Unmaps, closes and deletes the file, frees the handle.
void halvo_nvram_close(halvo_nvram *nvram);
// 1 and the byte, or 0 (byte 0) without a handle or at a position not below the length.
int halvo_nvram_read(halvo_nvram *nvram, uint8_t *byte, uint64_t position);
int halvo_nvram_write(halvo_nvram *nvram, uint8_t byte, uint64_t position);
// Writes the image into an existing file.
void halvo_nvram_copy(halvo_nvram *nvram, const char *name);
// The initial layout: the "common" partition with its variables, then a free-space partition.
void write_new_nvram_file(uint8_t *image, uint64_t length);
// The header checksum: 8-bit sum with end-around carry of header bytes 0 and 2 to 15.
uint8_t nvram_header_checksum(const uint8_t *header);
