// A library handle as a host makes it: LIBSIM__Init once per process, a handle per test with its
// machine made on first use, host-served guest memory in a byte array, and the handle destroyed
// at the end of the test.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "embed/libsim.h"
#include "embed/libsim_memory.h"
#include "embed/libsim_threads.h"
#include "processor/records/generic_machine.h"
#include "runtime/property_list.h"
#include "support/sink_capture.h"

// Guest memory of the host: 64 KB from physical address 0, bytes in memory order.
struct HostMemory {
    static constexpr uint64_t SIZE = 0x10000;
    std::array<uint8_t, SIZE> bytes{};
    int reads = 0;
    int writes = 0;
    void *last_object = nullptr;
    int resolve = 1; // 0: the host hands out no pointers, every access goes through read/write
};

extern HostMemory *host_memory;

extern "C" inline int host_read(void *object, uint64_t address, int32_t size, uint8_t *buffer)
{
    if (!host_memory || address + (uint64_t)size > HostMemory::SIZE) return 0;
    host_memory->reads++;
    host_memory->last_object = object;
    memcpy(buffer, &host_memory->bytes[address], (size_t)size);
    return 1;
}

extern "C" inline int host_write(void *object, uint64_t address, int32_t size, const uint8_t *buffer)
{
    if (!host_memory || address + (uint64_t)size > HostMemory::SIZE) return 0;
    host_memory->writes++;
    host_memory->last_object = object;
    memcpy(&host_memory->bytes[address], buffer, (size_t)size);
    return 1;
}

extern "C" inline void *host_resolve(void *, uint64_t address)
{
    if (!host_memory || !host_memory->resolve || address >= HostMemory::SIZE) return nullptr;
    return &host_memory->bytes[address];
}

class LibsimTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        static bool initialised = false;
        if (!initialised) LIBSIM__Init();
        initialised = true;
    }
    void SetUp() override
    {
        host_memory = &memory;
        handle = LIBSIM__Create(1);
        ASSERT_NE(handle, nullptr);
    }
    void TearDown() override
    {
        LIBSIM__Destroy(handle);
        host_memory = nullptr;
    }
    ThreadState *thread0()
    {
        return LIBSIM__GetThread(handle, 0);
    }

    vLIBSIM_data *handle = nullptr;
    HostMemory memory;
    SinkCapture sink;
};
