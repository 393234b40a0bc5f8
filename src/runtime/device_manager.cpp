// The device manager.
#include "runtime/device_manager.h"

#include <cstring>

#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

DeviceMajor *find_major(DeviceMgr *manager, int32_t class_number)
{
    if (!manager) {
        sim_error("DeviceMgr_GetMajor: NULL mgr pointer");
        return nullptr;
    }
    for (DeviceMajor *m = manager->classes; m; m = m->next)
        if (m->number == class_number) return m;
    return nullptr;
}

// Unlinks an entry from its class list and its bucket, releases it and lowers the count.
void unlink_minor(DeviceMgr *manager, DeviceMajor *major, DeviceMinor *entry)
{
    for (DeviceMinor **link = &major->minors; *link; link = &(*link)->next) {
        if (*link == entry) {
            *link = entry->next;
            break;
        }
    }
    uint32_t bucket = DeviceMgr_Bucket(entry->class_number, entry->minor_number);
    for (DeviceMinor **link = &manager->buckets[bucket]; *link; link = &(*link)->next_in_bucket) {
        if (*link == entry) {
            *link = entry->next_in_bucket;
            break;
        }
    }
    if (manager->killing == entry) manager->killing = nullptr;
    major->count--;
    QUARN_FREE(entry);
}

} // namespace

DeviceMgr *DeviceMgr__New(const char *name)
{
    DeviceMgr *manager = QUARN_ZALLOC(1, DeviceMgr);
    if (!manager) {
        sim_error("DeviceMgr__New: failed to allocate space for manager");
        return nullptr;
    }
    manager->name = REMEMBER_STRING(name);
    manager->next_class_number = 0;
    return manager;
}

int32_t DeviceMgr__GetDeviceMajorNum(DeviceMgr *manager, const char *class_name)
{
    if (!manager) {
        sim_error("DeviceMgr__GetDeviceMajorNum: NULL mgr pointer");
        return -1;
    }
    if (!class_name) return -1;
    for (DeviceMajor *m = manager->classes; m; m = m->next)
        if (strcmp(m->name, class_name) == 0) return m->number;

    DeviceMajor *major = QUARN_ZALLOC(1, DeviceMajor);
    if (!major) {
        sim_error("DeviceMajor_New: failed to allocate space");
        return -1;
    }
    major->name = REMEMBER_STRING(class_name);
    if (!major->name) {
        sim_error("DeviceMajor_New: unable to alloc space to save device name %s", class_name);
        QUARN_FREE(major);
        return -1;
    }
    major->number = manager->next_class_number++;
    major->next = manager->classes;
    manager->classes = major;
    return major->number;
}

int32_t DeviceMgr__AddDevice(DeviceMgr *manager, void *object, int32_t class_number, int32_t minor,
                             DeviceDestroyFunction destroy)
{
    DeviceMajor *major = find_major(manager, class_number);
    if (!major) return -1;
    if (minor == -1) minor = major->count;
    DeviceMgr__RemoveDevice(manager, class_number, minor);

    DeviceMinor *entry = QUARN_ZALLOC(1, DeviceMinor);
    if (!entry) {
        sim_error("DeviceMinor_New: failed to allocate space");
        sim_error("DeviceMgr__AddDevice: DeviceMinor_New failed");
        return -1;
    }
    entry->class_number = class_number;
    entry->minor_number = minor;
    entry->destroy = destroy;
    entry->object = object;

    // Class list in descending minor order, after every entry with a greater or equal minor.
    DeviceMinor **link = &major->minors;
    while (*link && (*link)->minor_number >= minor)
        link = &(*link)->next;
    entry->next = *link;
    *link = entry;

    uint32_t bucket = DeviceMgr_Bucket(class_number, minor);
    entry->next_in_bucket = manager->buckets[bucket];
    manager->buckets[bucket] = entry;
    major->count++;
    return minor;
}

int32_t DeviceMgr__GetDeviceCount(DeviceMgr *manager, int32_t class_number)
{
    DeviceMajor *major = find_major(manager, class_number);
    return major ? major->count : 0;
}

int32_t DeviceMgr__GetIndexMinor(DeviceMgr *manager, int32_t class_number, int32_t index)
{
    DeviceMajor *major = find_major(manager, class_number);
    if (!major || index < 0) return -1;
    if (index >= major->count) {
        sim_error("DeviceMgr__GetDeviceIndex: bad index value %d (valid range is 0 - %d)", index,
                  major->count - 1);
        return -1;
    }
    DeviceMinor *d = major->minors;
    for (int32_t i = 0; d && i < index; i++)
        d = d->next;
    return d ? d->minor_number : -1;
}

int DeviceMgr__RemoveDevice(DeviceMgr *manager, int32_t class_number, int32_t minor)
{
    DeviceMajor *major = find_major(manager, class_number);
    if (!major) return 0;
    for (DeviceMinor *d = major->minors; d; d = d->next) {
        if (d->minor_number == minor) {
            unlink_minor(manager, major, d);
            return 1;
        }
    }
    return 0;
}

void DeviceMgr__KillDevices(DeviceMgr *manager, int32_t class_number)
{
    DeviceMajor *major = find_major(manager, class_number);
    if (!major) return;
    // The destroy function may remove other objects of the class (or this one): restart at
    // the head each time, and unlink the entry only when it is still registered.
    while (DeviceMinor *head = major->minors) {
        manager->killing = head;
        if (head->destroy) head->destroy(head->object);
        if (manager->killing == head) unlink_minor(manager, major, head);
        manager->killing = nullptr;
    }
}

void DeviceMgr__Quit(DeviceMgr *manager)
{
    if (!manager) return;
    while (DeviceMajor *major = manager->classes) {
        DeviceMgr__KillDevices(manager, major->number);
        manager->classes = major->next;
        FORGET_STRING(major->name);
        QUARN_FREE(major);
    }
    FORGET_STRING(manager->name);
    QUARN_FREE(manager);
}
