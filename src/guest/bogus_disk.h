// The paravirtual disk: block storage backed by a host file, optionally behind a copy-on-write
// overlay, registered as devices of class "bogus_disk" in the machine's device manager. The guest
// moves whole 512-byte blocks with sim-support codes 116 (read), 117 (write) and 118
// (information); see paravirtual_services.h for the services.
#pragma once

#include <cstdint>

struct COWdisk;
struct DeviceMgr;
struct PropertyList;

constexpr int BOGUS_DISK_PATH_SIZE = 4096;
constexpr int BOGUS_DISK_MODE_SIZE = 12;

// What a disk is opened from. An empty mode means "cow", an empty overlay path none, a hash size
// of 0 means 1024.
struct BogusDiskSpec {
    char path[BOGUS_DISK_PATH_SIZE];
    char mode[BOGUS_DISK_MODE_SIZE];
    char cow_path[BOGUS_DISK_PATH_SIZE];
    int32_t hash_size;
};

struct BogusDisk {
    char *path;
    char mode[BOGUS_DISK_MODE_SIZE];
    int32_t setup;
    int32_t media_changed;
    int fd;        // the base image
    COWdisk *cow;  // or null
    int64_t blksz; // 4096
    int64_t devsz; // image size / 1024
    uint8_t *buffer;
    uint64_t buffer_size;
    uint64_t bytes_read;
    uint64_t bytes_written;
};

// Fills the disk settings from the properties "path", "mode", "cowpath" and "hash_size" under the
// prefix.
void get_plist_bogusdisk_spec(PropertyList *list, const char *prefix, BogusDiskSpec *spec);
// Opens the disk and registers it under "bogus_disk" with that minor (a disk already there is
// closed first); 1 or 0.
int init_bogusdisk(DeviceMgr *manager, int32_t minor, BogusDiskSpec *spec);
BogusDisk *BogusDiskInit(const char *description, BogusDiskSpec *spec);
// The disk of that minor, or null.
BogusDisk *BogusDisk_Find(DeviceMgr *manager, int32_t minor);
int64_t read_from_BogusDisk_to_buffer(BogusDisk *disk, void *buffer, uint64_t offset, uint64_t size);
int64_t write_to_BogusDisk_from_buffer(BogusDisk *disk, const void *buffer, uint64_t offset, uint64_t size);
// 1 when the transfer buffer holds size bytes (grown when smaller), 0 when it cannot.
int BogusDisk__AssertBufferSize(BogusDisk *disk, uint64_t size);
// Flushes the disk: the overlay's table and files, or the base image. 1 or 0.
int BogusDisk_Sync(BogusDisk *disk);
void BogusDisk_Quit(BogusDisk *disk);
void BogusDiskCleanup(DeviceMgr *manager);
