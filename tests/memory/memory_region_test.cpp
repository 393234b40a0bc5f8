#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "memory/hole.h"
#include "memory/memory_bus.h"
#include "memory/memory_region.h"
#include "memory/overflow_agent.h"
#include "memory/ram_block.h"
#include "runtime/stop.h"
#include "runtime/utils_mmap.h"
#include "support/sink_capture.h"
#include "support/test_machine.h"

namespace
{

constexpr uint64_t MiB = 1024 * 1024;

// A region record set up as the machine does: init, then the chunking for region `number`.
sim_memory *make_region(GenericMachine *machine, uint64_t size, uint32_t number = 0, uint64_t start = 0)
{
    void *region = MEMORY_INIT_MMAPI_FUNCTION("MEMORY-REGION", nullptr, nullptr, start, start + size - 1);
    MEMORY_SETUP_FUNCTION(machine, region, number);
    return static_cast<sim_memory *>(region);
}

TEST(MemoryRegions, ChunkingFollowsTheAllocationSize)
{
    const struct {
        uint64_t size;
        int64_t alloc;
        int64_t chunk_size;
        int32_t chunks;
        uint32_t shift, index_mask;
        uint64_t offset_mask;
    } cases[] = {
        {64 * MiB, 256 * MiB, 64 * MiB, 1, 0, 0, 64 * MiB - 1},
        {768 * MiB, 256 * MiB, 256 * MiB, 3, 28, 3, 256 * MiB - 1},
        {1024 * MiB, 100 * MiB, 128 * MiB, 8, 27, 7, 128 * MiB - 1},
        {96 * MiB, 48 * MiB, 96 * MiB, 1, 0, 0, 128 * MiB - 1}, // 48M is not a power of two
        {4096 * MiB, 256 * MiB, 256 * MiB, 16, 28, 15, 256 * MiB - 1},
        {64 * 1024, 1024, 4096, 16, 12, 15, 4095}, // raised to 4096
        {100, 0, 4096, 1, 0, 0, 127},
        {64 * MiB, 0, 64 * MiB, 1, 0, 0, 64 * MiB - 1}, // not configured
    };
    GenericMachine machine{};
    for (const auto &c : cases) {
        machine.memory_alloc_size = c.alloc;
        sim_memory *region = make_region(&machine, c.size);
        SCOPED_TRACE(std::to_string(c.size) + " / " + std::to_string(c.alloc));
        EXPECT_EQ(region->chunk_size, c.chunk_size);
        EXPECT_EQ(region->num_chunks, c.chunks);
        EXPECT_EQ(region->chunk_shift, c.shift);
        EXPECT_EQ(region->chunk_index_mask, c.index_mask);
        EXPECT_EQ(region->offset_mask, c.offset_mask);
        for (int32_t i = 0; i < region->num_chunks; i++) {
            EXPECT_EQ(region->chunks[i], nullptr);
            EXPECT_EQ(region->fds[i], -1);
        }
        MEMORY_QUIT_MMAPI_FUNCTION(region);
    }
    // Without data every region is one 4 KB chunk.
    memoryDataless = 1;
    machine.memory_alloc_size = 256 * MiB;
    sim_memory *region = make_region(&machine, 64 * MiB);
    EXPECT_EQ(region->chunk_size, 4096);
    EXPECT_EQ(region->num_chunks, 1);
    memoryDataless = 0;
    MEMORY_QUIT_MMAPI_FUNCTION(region);
}

TEST(MemoryRegions, ChunkFileIsUnlinkedAtTheFirstTouch)
{
    GenericMachine machine{};
    machine.memory_alloc_size = 256 * MiB;
    sim_memory *region = make_region(&machine, 64 * MiB, 0);
    std::string path = "/tmp/quarn_memory_" + std::to_string(getpid()) + "_0_0";
    EXPECT_EQ(region->fds[0], -1);
    uint8_t *bytes = MEM_PA_OFFSET_TO_SIM_MEMORY(&machine, region, 0x1000, 8);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes, region->chunks[0] + 0x1000);
    ASSERT_GE(region->fds[0], 0);
    struct stat info;
    EXPECT_NE(stat(path.c_str(), &info), 0); // gone from the directory
    char link[PATH_MAX] = {};
    std::string fd_path = "/proc/self/fd/" + std::to_string(region->fds[0]);
    ASSERT_GT(readlink(fd_path.c_str(), link, sizeof link - 1), 0);
    EXPECT_EQ(std::string(link), path + " (deleted)");
    ASSERT_EQ(fstat(region->fds[0], &info), 0);
    EXPECT_EQ((uint64_t)info.st_size, 64 * MiB);
    int fd = region->fds[0];
    MEMORY_QUIT_MMAPI_FUNCTION(region);
    EXPECT_EQ(fcntl(fd, F_GETFD), -1); // closed with the region
}

TEST(MemoryRegions, BytesAreBigEndianAndSpanChunks)
{
    GenericMachine machine{};
    machine.memory_alloc_size = 4096;
    sim_memory *region = make_region(&machine, 8192);
    region->anonymous = 1;
    MMAPI_Access access{};
    EXPECT_EQ(MEMORY_WRITE_MMAPI_FUNCTION(&access, region, 0, 0x01020304, 4), 1);
    uint8_t *host = MEM_PA_OFFSET_TO_SIM_MEMORY(&machine, region, 0, 4);
    EXPECT_EQ(host[0], 0x01);
    EXPECT_EQ(host[3], 0x04);
    EXPECT_EQ(region->fds[0], -1); // anonymous chunks have no file
    uint64_t value = 0;
    MEMORY_READ_MMAPI_FUNCTION(&access, region, 1, &value, 2);
    EXPECT_EQ(value, 0x0203u);
    // Odd lengths: a write stores the low bytes, a read gives them back (as across chunks).
    MEMORY_WRITE_MMAPI_FUNCTION(&access, region, 8, 0xAABBCCDD, 3);
    EXPECT_EQ(memcmp(host + 8, "\xBB\xCC\xDD", 3), 0);
    MEMORY_READ_MMAPI_FUNCTION(&access, region, 8, &value, 3);
    EXPECT_EQ(value, 0xBBCCDDu);

    // Across the chunk boundary at 4096: served byte by byte, equal to two aligned reads.
    EXPECT_EQ(MEM_PA_OFFSET_TO_SIM_MEMORY(&machine, region, 4092, 8), nullptr);
    EXPECT_EQ(MEMORY_WRITE_MMAPI_FUNCTION(&access, region, 4092, 0x1122334455667788, 8), 1);
    uint64_t low = 0, high = 0, whole = 0;
    MEMORY_READ_MMAPI_FUNCTION(&access, region, 4092, &low, 4);
    MEMORY_READ_MMAPI_FUNCTION(&access, region, 4096, &high, 4);
    EXPECT_EQ(MEMORY_READ_MMAPI_FUNCTION(&access, region, 4092, &whole, 8), 1);
    EXPECT_EQ(whole, low << 32 | high);
    EXPECT_EQ(whole, 0x1122334455667788u);
    EXPECT_NE(region->chunks[1], nullptr);

    // Blocks: one copy, or byte by byte across chunks.
    uint8_t block[16];
    EXPECT_EQ(MEMORY_BLOCK_READ_MMAPI_FUNCTION(&access, region, 4088, sizeof block, block), 1);
    EXPECT_EQ(memcmp(block + 4, "\x11\x22\x33\x44\x55\x66\x77\x88", 8), 0);
    EXPECT_EQ(MEMORY_BLOCK_WRITE_MMAPI_FUNCTION(&access, region, 16, 4, "\x0A\x0B\x0C\x0D"), 1);
    MEMORY_READ_MMAPI_FUNCTION(&access, region, 16, &value, 4);
    EXPECT_EQ(value, 0x0A0B0C0Du);
    // Resolve gives the host page; nothing lies beyond the region's chunks.
    EXPECT_EQ(MEMORY_RESOLVE_MMAPI_FUNCTION(nullptr, region, 4096), region->chunks[1]);
    EXPECT_EQ(MEM_PA_OFFSET_TO_SIM_MEMORY(&machine, region, 8192, 1), nullptr);
    EXPECT_EQ(MEM_PA_OFFSET_TO_SIM_MEMORY(&machine, region, UINT64_MAX, 2), nullptr);
    EXPECT_EQ(MEMORY_READ_MMAPI_FUNCTION(&access, region, 8190, &value, 4), 0);
    MEMORY_QUIT_MMAPI_FUNCTION(region);
}

TEST(MemoryRegions, ConcurrentFirstTouchesMakeOneChunk)
{
    GenericMachine machine{};
    machine.memory_alloc_size = 4096;
    sim_memory *region = make_region(&machine, 64 * 4096, 3);
    region->anonymous = 1;
    constexpr int THREADS = 8;
    std::vector<uint8_t *> seen(THREADS * 64);
    std::atomic<int> ready{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < THREADS; t++) {
        workers.emplace_back([&, t] {
            ready++;
            while (ready < THREADS) {
            }
            for (int c = 0; c < 64; c++)
                seen[t * 64 + c] = MEM_PA_OFFSET_TO_SIM_MEMORY(&machine, region, (uint64_t)c * 4096, 8);
        });
    }
    for (std::thread &w : workers)
        w.join();
    for (int t = 0; t < THREADS; t++)
        for (int c = 0; c < 64; c++)
            ASSERT_EQ(seen[t * 64 + c], region->chunks[c]) << t << " " << c;
    MEMORY_QUIT_MMAPI_FUNCTION(region);
}

TEST(MemoryRegions, FbarRegionsUseTheSameStore)
{
    GenericMachine machine{};
    machine.memory_alloc_size = 4096;
    void *fbar = FBAR_INIT_MMAPI_FUNCTION("FBAR-REGION-0", nullptr, nullptr, 0x1000, 0x2FFF);
    FBAR_SETUP_FUNCTION(&machine, fbar, 2);
    sim_memory *region = static_cast<sim_memory *>(fbar);
    EXPECT_EQ(region->number, 2u);
    EXPECT_EQ(region->num_chunks, 2);
    MMAPI_Access access{};
    EXPECT_EQ(FBAR_WRITE_MMAPI_FUNCTION(&access, fbar, 4094, 0xCAFE1234, 4), 1);
    uint64_t value = 0;
    EXPECT_EQ(FBAR_READ_MMAPI_FUNCTION(&access, fbar, 4094, &value, 4), 1);
    EXPECT_EQ(value, 0xCAFE1234u);
    EXPECT_EQ(MEM_PA_OFFSET_TO_SIM_FBAR(&machine, fbar, 4096, 2)[0], 0x12);
    FBAR_QUIT_MMAPI_FUNCTION(fbar);
}

TEST(MemoryRegions, ValidSystemAddressesLieInsideRegions)
{
    TestMachine m("valid");
    m.machine.memory_alloc_size = 256 * MiB;
    m.machine.memory_region_count = 2;
    m.machine.memory_region_id_shift = 32;
    m.machine.region_instances = QUARN_ZALLOC(2, sim_memory *);
    m.machine.region_instances[0] = make_region(&m.machine, 64 * MiB, 0);
    m.machine.region_instances[1] = make_region(&m.machine, 64 * MiB, 1, 0x100000000);
    EXPECT_EQ(VALID_SYSTEM_PA_ADDRESS(&m.machine, 0x3FFFFFF), 1);
    EXPECT_EQ(VALID_SYSTEM_PA_ADDRESS(&m.machine, 0x4000000), 0);
    EXPECT_EQ(VALID_SYSTEM_PA_ADDRESS(&m.machine, 0x100000010), 1);
    EXPECT_EQ(VALID_SYSTEM_PA_ADDRESS(&m.machine, 0x200000000), 0);
    MEMORY_QUIT_MMAPI_FUNCTION(m.machine.region_instances[0]);
    MEMORY_QUIT_MMAPI_FUNCTION(m.machine.region_instances[1]);
}

TEST(RamBlock, BoundsAreCheckedByTheBlock)
{
    void *ram = RAM_INIT_MMAPI_FUNCTION("RAM", nullptr, nullptr, 0xFFFF0000, 0xFFFFFFFF);
    ASSERT_NE(ram, nullptr);
    EXPECT_EQ(static_cast<RAM_block *>(ram)->size, 0x10000u);
    MMAPI_Access access{};
    uint64_t value = 1;
    EXPECT_EQ(RAM_READ_MMAPI_FUNCTION(&access, ram, 0x10, &value, 8), 1);
    EXPECT_EQ(value, 0u); // zeroed
    EXPECT_EQ(RAM_WRITE_MMAPI_FUNCTION(&access, ram, 0xFFF8, 0x0102030405060708, 8), 1);
    EXPECT_EQ(RAM_READ_MMAPI_FUNCTION(&access, ram, 0xFFFC, &value, 4), 1);
    EXPECT_EQ(value, 0x05060708u);
    RAM_WRITE_MMAPI_FUNCTION(&access, ram, 0x20, 0xFFEEDD, 3);
    RAM_READ_MMAPI_FUNCTION(&access, ram, 0x20, &value, 4);
    EXPECT_EQ(value, 0xFFEEDD00u);

    uint32_t saved_stop = stop_simulation;
    {
        SinkCapture capture;
        EXPECT_EQ(RAM_READ_MMAPI_FUNCTION(&access, ram, 0xFFFC, &value, 8), 0);
        EXPECT_EQ(RAM_WRITE_MMAPI_FUNCTION(&access, ram, UINT64_MAX, 0, 2), 0);
        EXPECT_EQ(capture.text(),
                  "FATAL ERROR: RAM_Read: reference exceeds size of memory 0x000000000000FFFC + length 8 = "
                  "0x0000000000010004 > 0x0000000000010000\n"
                  "FATAL ERROR: RAM_Write: reference exceeds size of memory 0xFFFFFFFFFFFFFFFF + length 2 = "
                  "0x0000000000000001 > 0x0000000000010000\n");
    }
    stop_simulation = saved_stop;
    RAM_QUIT_MMAPI_FUNCTION(ram);
}

TEST(Hole, EveryAccessFailsAtTheMap)
{
    TestMachine m("holes");
    m.create_chips();
    void *instance = MemMap_Define(m.chip(), "FBAR-HOLE-0", &G_MMAPI_HOLE, 0x10000, 0x1FFFF, nullptr);
    ASSERT_NE(instance, nullptr);
    HOLE_SETUP_FUNCTION(&m.machine, instance, 0);
    EXPECT_EQ(static_cast<hole *>(instance)->size, 0x10000);
    MemoryClient *client = MemoryClientCreate(&m.machine, m.chip(), "c", 0);
    uint64_t value = 0;
    EXPECT_EQ(Read_Mapped_Memory_Reg(client, 0x10000, 4, &value, 0, 0), 0);
    EXPECT_EQ(Write_Mapped_Memory_Reg(client, 0x10000, 4, 1, 0), 0);
    uint8_t buffer[4];
    MMAPI_Access access{};
    EXPECT_EQ(HOLE_BLOCK_READ_MMAPI_FUNCTION(&access, instance, 0, 4, buffer), 0);
    EXPECT_EQ(HOLE_BLOCK_WRITE_MMAPI_FUNCTION(&access, instance, 0, 4, buffer), 0);
    EXPECT_EQ(Resolve_Mapped_Memory(client, 0x10000), nullptr);
    QUARN_FREE(instance);
}

class OverflowAgent : public ::testing::Test
{
  protected:
    void SetUp() override { list = PropertyList__New("overflow-agent-test"); }
    void TearDown() override
    {
        if (agent) MEMORY_OVERFLOW_QUIT_MMAPI_FUNCTION(agent);
        PropertyList__Delete(list);
    }
    void set(const char *key, const char *value)
    {
        PropertyList__UpdatePropertyValue(list, key, value, nullptr, 1);
    }
    overflow_memory *make()
    {
        agent = static_cast<overflow_memory *>(
            MEMORY_OVERFLOW_INIT_MMAPI_FUNCTION("MEMORY_OVERFLOW", list, nullptr, 0, UINT64_MAX));
        return agent;
    }
    uint64_t read(uint64_t offset, int length)
    {
        uint64_t value = 0xDEAD;
        EXPECT_EQ(MEMORY_OVERFLOW_READ_MMAPI_FUNCTION(&access, agent, offset, &value, length), 1);
        return value;
    }

    PropertyList *list = nullptr;
    overflow_memory *agent = nullptr;
    MMAPI_Access access{};
};

TEST_F(OverflowAgent, ConstantReadsRepeatTheBigEndianPattern)
{
    set("MEMORY_OVERFLOW/constant_reads", "TRUE");
    set("MEMORY_OVERFLOW/alignment", "8");
    set("MEMORY_OVERFLOW/value", "0x0102030405060708");
    make();
    EXPECT_EQ(read(2, 2), 0x0304u);
    EXPECT_EQ(read(10, 2), 0x0304u);
    EXPECT_EQ(read(0x123456780, 8), 0x0102030405060708u);
    EXPECT_EQ(read(7, 1), 0x08u);
    EXPECT_EQ(agent->root, nullptr); // no page is made for constant reads
}

TEST_F(OverflowAgent, AlignmentOutsideOneToEightFallsBackToEight)
{
    const struct {
        const char *alignment;
        int32_t used;
        uint64_t byte_at_2;
    } cases[] = {{"4", 4, 0xCC}, {"1", 1, 0xDD}, {"0", 8, 0x03}, {"12", 8, 0x03}};
    set("MEMORY_OVERFLOW/constant_reads", "TRUE");
    set("MEMORY_OVERFLOW/value", "0x01020304AABBCCDD");
    for (const auto &c : cases) {
        set("MEMORY_OVERFLOW/alignment", c.alignment);
        make();
        EXPECT_EQ(agent->alignment, c.used) << c.alignment;
        EXPECT_EQ(read(2, 1), c.byte_at_2) << c.alignment;
        MEMORY_OVERFLOW_QUIT_MMAPI_FUNCTION(agent);
        agent = nullptr;
    }
}

TEST_F(OverflowAgent, IgnoredWritesReadAsFreshPagesOrThePattern)
{
    set("MEMORY_OVERFLOW/ignore_writes", "TRUE");
    make();
    EXPECT_EQ(MEMORY_OVERFLOW_WRITE_MMAPI_FUNCTION(&access, agent, 0x5000, 0xFFFFFFFF, 4), 1);
    EXPECT_EQ(read(0x5000, 4), 0u);
    MEMORY_OVERFLOW_QUIT_MMAPI_FUNCTION(agent);
    set("MEMORY_OVERFLOW/constant_reads", "TRUE");
    set("MEMORY_OVERFLOW/alignment", "2");
    set("MEMORY_OVERFLOW/value", "0xA55A");
    make();
    EXPECT_EQ(MEMORY_OVERFLOW_WRITE_MMAPI_FUNCTION(&access, agent, 0x5000, 0, 2), 1);
    EXPECT_EQ(read(0x5000, 2), 0xA55Au);
    EXPECT_EQ(read(0x5003, 1), 0x5Au);
}

TEST_F(OverflowAgent, PagesAreMadeOnDemandWithTheirTagRegions)
{
    TestMachine m("overflow");
    int64_t mappings = utils_mapping_count;
    make();
    MEMORY_OVERFLOW_SETUP_FUNCTION(&m.machine, agent);
    // An 8-byte write across a page boundary lands in two pages.
    EXPECT_EQ(MEMORY_OVERFLOW_WRITE_MMAPI_FUNCTION(&access, agent, 0x10000FFC, 0x1122334455667788, 8), 1);
    EXPECT_EQ(read(0x10000FFC, 8), 0x1122334455667788u);
    EXPECT_EQ(read(0x10001000, 2), 0x5566u);
    overflow_memory_page *first = find_overflow_page(agent, 0x10000000);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->data[0xFFC], 0x11);
    EXPECT_EQ(MEMORY_OVERFLOW_RESOLVE_MMAPI_FUNCTION(nullptr, agent, 0x10001000),
              find_overflow_page(agent, 0x10001000)->data);
    tag_region *tags = Tag_Region_Search(m.machine.tag_regions, 0x10000800);
    ASSERT_NE(tags, nullptr);
    EXPECT_EQ(tags->start, 0x10000000u);
    EXPECT_EQ(tags->end, 0x10000FFFu);
    // Many pages stay a search tree.
    for (uint64_t page = 0; page < 100; page++)
        EXPECT_EQ(MEMORY_OVERFLOW_WRITE_MMAPI_FUNCTION(&access, agent, page << 12, page, 1), 1);
    for (uint64_t page = 0; page < 100; page++)
        EXPECT_EQ(read(page << 12, 1), page & 0xFF);
    // Each page is one counted host mapping, returned when the agent quits.
    EXPECT_EQ(utils_mapping_count, mappings + 102);
    MEMORY_OVERFLOW_QUIT_MMAPI_FUNCTION(agent);
    agent = nullptr;
    EXPECT_EQ(utils_mapping_count, mappings);
}

TEST(HostMappings, FailedMappingsReportAndGiveTheFallback)
{
    int64_t mappings = utils_mapping_count, bytes = utils_mapped_bytes;
    int fallback = 0;
    uint32_t saved_stop = stop_simulation;
    {
        SinkCapture capture;
        // Far more than any host can commit.
        void *p = utils_mmap("huge table", 1ULL << 56, PROT_READ | PROT_WRITE, 1, &fallback);
        EXPECT_EQ(p, &fallback);
        EXPECT_EQ(capture.text(), "FATAL ERROR: can't allocate huge table (0 bytes)\n\n");
    }
    stop_simulation = saved_stop;
    EXPECT_EQ(utils_mapping_count, mappings + 1); // counted all the same
    EXPECT_EQ(utils_mapped_bytes, bytes + (int64_t)(1ULL << 56));
    utils_mapping_count = mappings;
    utils_mapped_bytes = bytes;
    void *page = utils_mmap("page", 4096, PROT_READ | PROT_WRITE, 0, nullptr);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(static_cast<uint8_t *>(page)[100], 0);
    utils_unmap(page, 4096);
    utils_unmap(nullptr, 4096);
    EXPECT_EQ(utils_mapping_count, mappings);
    EXPECT_EQ(utils_mapped_bytes, bytes);
}

} // namespace
