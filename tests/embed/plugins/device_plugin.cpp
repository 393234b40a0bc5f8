// A "device" plug-in for the tests. plugin_init answers the words after the path as device class
// names (none: "C"). Classes "C" and "a" exist: each maps a device whose every byte reads as
// 0x5A and that keeps the last value written; "dud" initialises to nothing. The plug-in also
// listens to the exception event. Counters let a test see which entry points ran.
#include <cstdint>
#include <cstring>

#include "memory/memory_map.h"

extern "C" {

int dp_c_quits = 0;
int dp_a_quits = 0;
int dp_dud_quits = 0;
int dp_exceptions = 0;
uint64_t dp_last_write = 0;

static char *names[16];
static char default_name[] = "C";

static void *device_init(const char *, PropertyList *, InstanceLink *, uint64_t, uint64_t)
{
    return &dp_last_write;
}

static int device_read(MMAPI_Access *, void *, uint64_t, uint64_t *value, int)
{
    *value = 0x5A;
    return 1;
}

static int device_write(MMAPI_Access *, void *instance, uint64_t, uint64_t value, int)
{
    *(uint64_t *)instance = value;
    return 1;
}

static MMAPIentry_s c_ops = {MMAPI_VERSION, device_init, nullptr, device_read, device_write, nullptr, nullptr, nullptr};
static MMAPIentry_s a_ops = {MMAPI_VERSION, device_init, nullptr, device_read, device_write, nullptr, nullptr, nullptr};

char **plugin_init(int argc, char **argv, void *)
{
    int n = 0;
    for (int i = 1; i < argc && n < 15; i++) names[n++] = argv[i];
    if (n == 0) names[n++] = default_name;
    names[n] = nullptr;
    return names;
}

MMAPIentry_s *C_init(void *)
{
    return &c_ops;
}

void C_quit(void)
{
    dp_c_quits++;
}

MMAPIentry_s *a_init(void *)
{
    return &a_ops;
}

void a_quit(void)
{
    dp_a_quits++;
}

MMAPIentry_s *dud_init(void *)
{
    return nullptr;
}

void dud_quit(void)
{
    dp_dud_quits++;
}

int Event_Core_Exception(void *, uint32_t)
{
    dp_exceptions++;
    return 0;
}
}
