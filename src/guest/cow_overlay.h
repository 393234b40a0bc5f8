// The copy-on-write overlay of a paravirtual disk: the guest's writes go to an overlay file of
// 512-byte blocks in the order first written, the base image stays untouched, and the block map
// (a hash of COWhash chains) is kept in the text file "<overlay>.table", one "%lu=%lu" line per
// mapped block.
#pragma once

#include <cstdint>

constexpr uint64_t COW_BLOCK_SIZE = 512;
constexpr int32_t COW_DEFAULT_HASH_SIZE = 1024;

struct COWhash {
    COWhash *next;
    uint64_t disk_block;
    uint64_t cow_block; // all ones: absent
};

struct COWdisk {
    char *path;        // the overlay data file (the copy when restored)
    int32_t temporary; // made up by the disk's set-up: deleted at clean-up
    int32_t hash_size; // buckets
    int base_fd;       // the base image
    int32_t restored;  // the overlay files are copies made by "restcow": deleted at clean-up
    int cow_fd;        // the overlay data file
    int table_fd;      // "<path>.table"
    COWhash **buckets; // chains by disk block mod hash size, newest first
};

// Opens the overlay of the base descriptor. mode "newcow" empties old overlay files, "restcow"
// works on fresh copies of them (the named files stay unchanged), anything else uses them as
// they are (both are created when missing). Null on failure.
COWdisk *COWinit(int base_fd, const char *path, int32_t hash_size, const char *mode, int temporary);
// size / 512 whole blocks from the byte offset (rounded down to its block): mapped blocks from the
// overlay, others from the base. Bytes moved, or -1.
int64_t COWread(COWdisk *cow, void *buffer, uint64_t offset, uint64_t size);
// Writes whole blocks: a mapped block in place, a new one appended to the overlay and mapped.
// Bytes moved, or -1. The base is never written.
int64_t COWwrite(COWdisk *cow, const void *buffer, uint64_t offset, uint64_t size);
// Rewrites the table and flushes the files; 1 or 0.
int COWsync(COWdisk *cow);
// Syncs, frees the map, deletes the files of a temporary or restored overlay, closes the
// descriptors (the base's too) and frees the record.
void COWcleanup(COWdisk *cow);
// The overlay block of a disk block, or all ones when the block is not mapped.
uint64_t COW_Lookup(const COWdisk *cow, uint64_t disk_block);
