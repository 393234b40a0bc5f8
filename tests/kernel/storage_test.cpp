// Kernel storage: default space, object pools, growable buffers, module data.
#include <cstring>
#include <deque>

#include "kernel_fixture.h"
#include "runtime/alloc.h"
#include "support/sink_capture.h"

namespace {

TEST(Storage, PoolReturnsTheLastPutElement)
{
    heap_s pool;
    heap_init(&pool, space_default(), 40);
    void *a = heap_get(&pool); // empty pool: allocates
    void *b = heap_get(&pool);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    heap_put(&pool, a);
    EXPECT_EQ(pool.free_count, 1);
    EXPECT_EQ(heap_get(&pool), a);
    EXPECT_EQ(pool.free_count, 0);
    heap_put(&pool, a);
    heap_put(&pool, b);
    heap_cleanup(&pool);
    EXPECT_EQ(pool.free_count, 0);
    EXPECT_EQ(pool.free_list, nullptr);
}

TEST(Storage, BufferGrowsWithSlackKeepsContentsAndZeroesTheRest)
{
    buffer_s buffer;
    buffer_init(&buffer, space_default(), 80);
    ASSERT_EQ(buffer_ensure(&buffer, 100), 1);
    EXPECT_EQ(buffer_size(&buffer), 228u);
    auto *data = static_cast<unsigned char *>(buffer_data(&buffer));
    for (size_t i = 0; i < 228; i++) ASSERT_EQ(data[i], 0) << i;
    memset(data, 0xAB, 228);

    EXPECT_EQ(buffer_ensure(&buffer, 200), 1);
    EXPECT_EQ(buffer_data(&buffer), data);
    EXPECT_EQ(buffer_size(&buffer), 228u);

    auto *at = static_cast<unsigned char *>(buffer_offset(&buffer, 1000, 8));
    data = static_cast<unsigned char *>(buffer_data(&buffer));
    EXPECT_EQ(buffer_size(&buffer), 1136u);
    EXPECT_EQ(at, data + 1000);
    EXPECT_EQ(data[227], 0xAB); // old contents kept
    EXPECT_EQ(data[228], 0);    // the rest zeroed
    EXPECT_EQ(data[1135], 0);
    EXPECT_EQ(buffer_array(&buffer, 16, 3), data + 48);
    EXPECT_EQ(buffer_offset(&buffer, SIZE_MAX - 4, 8), nullptr); // wraps: refused
    buffer_cleanup(&buffer);
    EXPECT_EQ(buffer_data(&buffer), nullptr);
    EXPECT_EQ(buffer_size(&buffer), 0u);
}

void *failing_malloc(size_t, size_t, const char *, const char *, int) { return nullptr; }

TEST(Storage, FailedDefaultSpaceAllocationIsReported)
{
    SinkCapture out;
    mm_change_functions(nullptr, failing_malloc, nullptr, nullptr);
    void *block = space_get(space_default(), 100, __FILE__, __LINE__);
    mm_change_functions(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(out.text(), "jobs : ERROR : jobs : can't allocate 100 bytes from default heapjobs : \n");
}

TEST(Storage, ModulesAreNumberedInRegistrationOrder)
{
    // Descriptors live as long as the process: the global table keeps them.
    static std::deque<module_s> descriptors;
    module_s &first = descriptors.emplace_back(module_s{-1, 0, nullptr, nullptr, 0, nullptr, nullptr});
    module_s &second = descriptors.emplace_back(module_s{-1, 0, nullptr, nullptr, 0, nullptr, nullptr});
    int next = module_count(); // 0 in a process that registered nothing yet
    EXPECT_EQ(module_add(&first), next);
    EXPECT_EQ(module_add(&second), next + 1);
    EXPECT_EQ(module_add(&first), next); // already registered
    EXPECT_EQ(module_index(&second), next + 1);
    EXPECT_EQ(module_count(), next + 2);
}

struct ModuleLog {
    int kernel_inits = 0, kernel_finis = 0, job_finis = 0;
};
ModuleLog module_log;

using StorageModuleTest = KernelTest;

TEST_F(StorageModuleTest, ModuleDataIsCreatedOnFirstUseAndFinalised)
{
    static module_s module = {
        -1,
        sizeof(int),
        [](module_s *, void *, void *data) -> void * {
            module_log.kernel_inits++;
            *static_cast<int *>(data) = 42;
            return data;
        },
        [](module_s *, void *, void *, void *) { module_log.kernel_finis++; },
        32,
        nullptr, // zeroed without an initialiser
        [](module_s *, void *, void *, void *) { module_log.job_finis++; },
    };
    module_log = {};
    int *data = static_cast<int *>(tsim_module_data(tsim, &module));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(*data, 42);
    EXPECT_EQ(tsim_module_data(tsim, &module), data);
    EXPECT_EQ(module_log.kernel_inits, 1);

    spawn("j", [&] {
        auto *job_data = static_cast<unsigned char *>(job_module_data(tsim_active_job, &module));
        ASSERT_NE(job_data, nullptr);
        for (int i = 0; i < 32; i++) EXPECT_EQ(job_data[i], 0);
    });
    run();
    EXPECT_EQ(module_log.job_finis, 1); // at the job's end
    tsim_free(tsim);
    tsim = nullptr;
    EXPECT_EQ(module_log.kernel_finis, 1); // at the kernel's cleanup
}

TEST(Storage, KeptStringsAreCopies)
{
    char text[] = "name";
    char *copy = tsim_keep_string(nullptr, text);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, text);
    EXPECT_STREQ(copy, "name");
    tsim_free_string(nullptr, copy);
    EXPECT_EQ(tsim_keep_string(nullptr, nullptr), nullptr);
}

} // namespace
