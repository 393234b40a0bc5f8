// The device manager: one per machine, a registry of the machine's simulated objects by named
// class ("Processor", "Thread", device classes) and minor number, found through a 4096-bucket
// table, by position in a class or by count.
#pragma once

#include <cstdint>

#include "runtime/message.h"

typedef void (*DeviceDestroyFunction)(void *object);

struct DeviceMinor {
    DeviceMinor *next;           // next object of the class (lower minor)
    DeviceMinor *next_in_bucket; // next entry of the same lookup chain
    int32_t class_number;
    int32_t minor_number;
    DeviceDestroyFunction destroy; // called when the class's objects are killed
    void *object;
};

struct DeviceMajor {
    DeviceMajor *next; // next class (lower number)
    int32_t number;
    char *name; // compared case-sensitively
    int32_t count;
    DeviceMinor *minors; // highest minor first
};

constexpr int DEVICE_MGR_BUCKETS = 4096;

struct DeviceMgr {
    char *name;
    int32_t next_class_number;
    DeviceMajor *classes; // highest number first
    DeviceMinor *buckets[DEVICE_MGR_BUCKETS];
    DeviceMinor *killing; // the entry whose destroy function DeviceMgr__KillDevices is running
};

// The bucket of (class, minor).
inline uint32_t DeviceMgr_Bucket(int32_t class_number, int32_t minor)
{
    return (((uint32_t)class_number << 10) ^ (uint32_t)minor) & (DEVICE_MGR_BUCKETS - 1);
}

DeviceMgr *DeviceMgr__New(const char *name);
int32_t DeviceMgr__GetDeviceMajorNum(DeviceMgr *manager, const char *class_name);
int32_t DeviceMgr__AddDevice(DeviceMgr *manager, void *object, int32_t class_number, int32_t minor,
                             DeviceDestroyFunction destroy);
int32_t DeviceMgr__GetDeviceCount(DeviceMgr *manager, int32_t class_number);
int32_t DeviceMgr__GetIndexMinor(DeviceMgr *manager, int32_t class_number, int32_t index);
int DeviceMgr__RemoveDevice(DeviceMgr *manager, int32_t class_number, int32_t minor);
void DeviceMgr__KillDevices(DeviceMgr *manager, int32_t class_number);
void DeviceMgr__Quit(DeviceMgr *manager);

// The object registered under (class, minor), or null. On hot paths: new entries are in front
// of their bucket, so the usual numbers take one or two steps.
inline void *DeviceMgr__GetDevice(DeviceMgr *manager, int32_t class_number, int32_t minor)
{
    if (!manager) return nullptr;
    for (DeviceMinor *d = manager->buckets[DeviceMgr_Bucket(class_number, minor)]; d; d = d->next_in_bucket) {
        if (d->class_number == class_number && d->minor_number == minor) return d->object;
        sim_warning(2, "DeviceMgr__GetDevice: going deeper in hash bucket for major %d minor %d",
                    class_number, minor);
    }
    return nullptr;
}
