// The embedding interface driven as a host drives it: handle life cycle, host-served memory,
// running, registers and state registers.
#include "libsim_fixture.h"

#include "embed/libsim_exsr.h"
#include "embed/libsim_names.h"
#include "processor/spr/ex_spr.h"
#include "memory/memory_map.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/run_control.h"
#include "processor/run/thread_run_state.h"
#include "processor/time/time_domain.h"
#include "memory/reservations.h"
#include "processor/regs/reg_accessors.h"
#include "runtime/callbacks.h"
#include "runtime/debug.h"
#include "runtime/plugin_events.h"

#include <string>

#include <vector>

HostMemory *host_memory = nullptr;

namespace
{

void put_word(HostMemory &m, uint64_t address, uint32_t word)
{
    for (int i = 0; i < 4; i++) m.bytes[address + i] = (uint8_t)(word >> (24 - 8 * i));
}

// Registers the host memory, points thread 0 at the program and runs n instructions.
ThreadState *run_program(vLIBSIM_data *handle, HostMemory &memory, const std::vector<uint32_t> &words, int n)
{
    EXPECT_EQ(LIBSIM__RegisterMemory(handle, host_read, host_write, host_resolve), 1);
    for (size_t i = 0; i < words.size(); i++) put_word(memory, 0x1000 + 4 * i, words[i]);
    ThreadState *t = LIBSIM__GetThread(handle, 0);
    if (!t) return nullptr;
    LIBSIM__SetPC(t, 0x1000);
    LIBSIM__EnableThread(t);
    LIBSIM__StepLimit(t, (uint64_t)n);
    LIBSIM__Run(handle);
    return t;
}

TEST_F(LibsimTest, RunsInstructionsFromHostMemory)
{
    ThreadState *t = run_program(handle, memory,
                                 {0x38600005,  // li r3,5
                                  0x38630007,  // addi r3,r3,7
                                  0x38830001,  // addi r4,r3,1
                                  0x38A00063}, // li r5,99: beyond the step limit
                                 3);
    ASSERT_NE(t, nullptr);
    // The machine was made by the first handle operation, and no disk path was set.
    EXPECT_EQ(sink.text(), "init_bogusdisk failed.\n");
    EXPECT_EQ(LIBSIM__InstCount(t), 3u);
    EXPECT_EQ(LIBSIM__GetGPR(t, 3), 12u);
    EXPECT_EQ(LIBSIM__GetGPR(t, 4), 13u);
    EXPECT_EQ(LIBSIM__GetGPR(t, 5), 0u);
    EXPECT_EQ(LIBSIM__GetPC(t), 0x100Cu);
    EXPECT_EQ(LIBSIM__M_Get_Instruction_Number(handle), 3u);
    // The machine exists: its configuration no longer changes.
    EXPECT_EQ(LIBSIM__UpdatePropertyValue(handle, "cpi", "2.0"), 0);
}

TEST_F(LibsimTest, GuestAccessesGoThroughTheHostRoutinesInMemoryOrder)
{
    memory.resolve = 0; // no host pointers: fetches, loads and stores call read and write
    const uint8_t data[4] = {0x12, 0x34, 0x56, 0x78};
    memcpy(&memory.bytes[0x2000], data, 4);
    ThreadState *t = run_program(handle, memory,
                                 {0x80C02000,  // lwz r6,0x2000(0)
                                  0x38E0ABCD,  // li r7,0xABCD (sign-extended)
                                  0xB0E02010}, // sth r7,0x2010(0)
                                 3);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(LIBSIM__GetGPR(t, 6), 0x12345678u);
    EXPECT_EQ(memory.bytes[0x2010], 0xAB);
    EXPECT_EQ(memory.bytes[0x2011], 0xCD);
    EXPECT_GE(memory.reads, 4);
    EXPECT_EQ(memory.writes, 1);
    EXPECT_EQ(memory.last_object, t); // the accessing thread is the object
}

TEST_F(LibsimTest, RegisteringMemoryTwiceKeepsTheFirstRoutines)
{
    EXPECT_EQ(LIBSIM__RegisterMemory(handle, host_read, host_write, host_resolve), 1);
    EXPECT_EQ(LIBSIM__RegisterMemory(handle, host_read, nullptr, nullptr), 0);
    EXPECT_NE(sink.text().find("LIBSIM__RegisterMemory: read_func already set!  ignoring register memory call"),
              std::string::npos);
    EXPECT_EQ(handle->write_func, host_write);
}

TEST(LibsimBytes, PackAndUnpackInMemoryOrder)
{
    struct Case {
        int size;
        uint64_t value;
        std::vector<uint8_t> bytes;
    };
    const Case writes[] = {
        {1, 0x1122334455667788, {0x88}},
        {2, 0xABCD, {0xAB, 0xCD}},
        {3, 0x99112233, {0x11, 0x22, 0x33}},
        {4, 0x12345678, {0x12, 0x34, 0x56, 0x78}},
        {5, 0x0102030405, {1, 2, 3, 4, 5}},
        {7, 0x01020304050607, {1, 2, 3, 4, 5, 6, 7}},
        {8, 0x0102030405060708, {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const Case &c : writes) {
        uint8_t buffer[8];
        memset(buffer, 0xEE, sizeof buffer);
        ASSERT_EQ(LIBSIM_Pack_Bytes(c.value, c.size, buffer), 1);
        EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + c.size), c.bytes) << "size " << c.size;
    }
    uint8_t big[16] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    EXPECT_EQ(LIBSIM_Unpack_Bytes(big, 1), 0x12u);
    EXPECT_EQ(LIBSIM_Unpack_Bytes(big, 2), 0x1234u);
    EXPECT_EQ(LIBSIM_Unpack_Bytes(big, 4), 0x12345678u);
    EXPECT_EQ(LIBSIM_Unpack_Bytes(big, 8), 0x123456789ABCDEF0u);
    for (int size : {3, 5, 6, 7}) EXPECT_EQ(LIBSIM_Unpack_Bytes(big, size), 0u) << size;
    // Wider than the 8-byte buffer: refused.
    EXPECT_EQ(LIBSIM_Pack_Bytes(1, 9, big), 0);
}

TEST_F(LibsimTest, DeviceRecordRefusesAccessesWiderThanItsBuffer)
{
    ASSERT_EQ(LIBSIM__RegisterMemory(handle, host_read, host_write, host_resolve), 1);
    uint64_t value = 7;
    EXPECT_EQ(LIBSIM__READ_MMAPI_FUNCTION(nullptr, handle, 0x100, &value, 16), 0);
    EXPECT_EQ(LIBSIM__WRITE_MMAPI_FUNCTION(nullptr, handle, 0x100, 1, 16), 0);
    EXPECT_EQ(memory.reads + memory.writes, 0);
    memory.bytes[0x100] = 0x5A;
    EXPECT_EQ(LIBSIM__READ_MMAPI_FUNCTION(nullptr, handle, 0x100, &value, 3), 1);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(LIBSIM__READ_MMAPI_FUNCTION(nullptr, handle, 0x100, &value, 1), 1);
    EXPECT_EQ(value, 0x5Au);
}

TEST_F(LibsimTest, EachCreateAfterOneInitGetsItsOwnConfiguration)
{
    // The fixture's handle took (or made) its list; a second handle makes a fresh one.
    vLIBSIM_data *second = LIBSIM__Create(4);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second->plist, handle->plist);
    EXPECT_STREQ(LIBSIM__GetPropertyValue(handle, "cpus"), "1");
    EXPECT_STREQ(LIBSIM__GetPropertyValue(second, "cpus"), "4");
    EXPECT_EQ(LIBSIM__UpdatePropertyValue(second, "cpi", "3.0"), 1);
    EXPECT_STREQ(LIBSIM__GetPropertyValue(second, "cpi"), "3.0");
    // Destroying a handle that never ran makes and tears down its machine; the other is untouched.
    EXPECT_EQ(second->machine, nullptr);
    LIBSIM__Destroy(second);
    EXPECT_EQ(handle->machine, nullptr);
}

TEST_F(LibsimTest, ModesChunkSizeAndDebugIds)
{
    EXPECT_EQ(LIBSIM__SetMode(handle, "simple"), 5);
    EXPECT_STREQ(LIBSIM__GetMode(handle), "SIMPLE");
    EXPECT_EQ(LIBSIM__SetMode(handle, "no-such-mode"), 0);
    EXPECT_EQ(LIBSIM__SetMode(nullptr, "simple"), 0);

    LIBSIM__SetChunkSize(handle, -5);
    EXPECT_EQ(LIBSIM__GetChunkSize(handle), 0);
    LIBSIM__SetChunkSize(handle, 40);
    EXPECT_EQ(LIBSIM__GetChunkSize(handle), 40);
    LIBSIM__SetChunkSize(handle, 0);

    int count = LIBSIM__DebugCount();
    EXPECT_EQ(count, 24);
    EXPECT_EQ(LIBSIM__DebugName(count), nullptr);
    EXPECT_EQ(LIBSIM__DebugName(-1), nullptr);
    ASSERT_NE(LIBSIM__DebugName(0), nullptr);
    EXPECT_EQ(LIBSIM__DebugNumber(LIBSIM__DebugName(3)), 3);
    LIBSIM__SetDebugState(3, 1);
    EXPECT_EQ(LIBSIM__GetDebugState(3), 1);
    LIBSIM__SetDebugState(3, 0);
    EXPECT_EQ(LIBSIM__GetDebugState(3), 0);
    EXPECT_EQ(LIBSIM__GetDebugState(count), 0);

    EXPECT_EQ(LIBSIM__ExceptionCount(handle), 55);
    LIBSIM__M_Set_Instruction_Number(handle, 77);
    EXPECT_EQ(LIBSIM__M_Get_Instruction_Number(handle), 77u);
}

TEST_F(LibsimTest, RegisterWritesTouchTheSlotsDirectly)
{
    ThreadState *t = thread0();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(LIBSIM__GetGPR(t, 32), ~0ull);
    EXPECT_EQ(LIBSIM__GetGPR(t, -1), ~0ull);
    LIBSIM__SetGPR(t, 32, 5); // ignored
    EXPECT_EQ(LIBSIM__GetFPR(t, 32), 0u);
    EXPECT_EQ(LIBSIM__GetVSX_top(t, 64), 0u);

    LIBSIM__SetVSX_bottom(t, 3, 0x1111);
    LIBSIM__SetFPR(t, 3, 0x4000000000000000);
    EXPECT_EQ(LIBSIM__GetVSX_top(t, 3), 0x4000000000000000u);
    EXPECT_EQ(LIBSIM__GetVSX_bottom(t, 3), 0u); // SetFPR clears the bottom half

    LIBSIM__SetVSX_top(t, 40, 0xA);
    LIBSIM__SetVSX_bottom(t, 40, 0xB);
    EXPECT_EQ(t->VSR[40].value[0], 0xAu);
    EXPECT_EQ(t->VSR[40].value[1], 0xBu);

    // PC keeps its implemented bits; the branch-target word keeps the value as given.
    ASSERT_NE(t->PC.rfe, nullptr);
    uint64_t mask = t->PC.rfe->desc->mask;
    t->PC.rfe->desc->mask = ~3ull;
    LIBSIM__SetPC(t, 0x1003);
    t->PC.rfe->desc->mask = mask;
    EXPECT_EQ(LIBSIM__GetPC(t), 0x1000u);
    EXPECT_EQ(t->next_pc, 0x1003u);

    ASSERT_GT(LIBSIM__SLB_Count(t), 2);
    LIBSIM__SetSLBE(t, 2, 0xC000000008000005ull); // valid bit and an entry index in the low bits
    EXPECT_EQ(LIBSIM__GetSLBE(t, 2), 0xC000000008000000ull);
    EXPECT_EQ(t->slb[2].valid, 1);
    LIBSIM__SetSLBV(t, 2, 0x4000000000001C00ull); // 1 TB segment, Ks and Kp
    EXPECT_EQ(LIBSIM__GetSLBV(t, 2), 0x4000000000001C00ull);
    EXPECT_EQ(t->slb[2].ks, 1);
    EXPECT_EQ(t->slb[2].kp, 1);
    EXPECT_EQ(t->slb[2].segment_size, 1);
    EXPECT_EQ(LIBSIM__GetSLBE(t, -1), ~0ull);
    EXPECT_EQ(LIBSIM__GetSLBV(t, LIBSIM__SLB_Count(t)), ~0ull);
    EXPECT_EQ(LIBSIM__TLB_Count(), 0);

    int granule = t->mcm->reservation_granule;
    ASSERT_GT(granule, 1);
    int before = LIBSIM__GetReservationBit(t);
    LIBSIM__SetReservationAddress(t, 0x12345 + (uint64_t)granule);
    EXPECT_EQ(LIBSIM__GetReservationAddress(t), (0x12345 + (uint64_t)granule) & ~(uint64_t)(granule - 1));
    EXPECT_EQ(LIBSIM__GetReservationBit(t), before);
    EXPECT_EQ(LIBSIM__GetReservationBit(nullptr), 0);

    ThreadState *second = LIBSIM__AllocThread(handle, 1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(LIBSIM__ProcNum(second), 1);
    EXPECT_EQ(LIBSIM__GetThread(handle, 1), second);
    EXPECT_EQ(LIBSIM__AllocThread(handle, -1), nullptr);
}

void on_mtspr(ThreadState *, int32_t, uint64_t) {}

TEST_F(LibsimTest, SprsHooksAndFrequencies)
{
    ThreadState *t = thread0();
    ASSERT_NE(t, nullptr);
    LIBSIM__SetSPR(t, 8, 0x1234); // LR
    EXPECT_EQ(LIBSIM__GetSPR(t, 8), 0x1234u);
    EXPECT_EQ(LIBSIM__GetGPR(t, 0), 0u);
    EXPECT_NE(LIBSIM__Register_MTSPR(t, 8, on_mtspr), nullptr);
    EXPECT_EQ(LIBSIM__Register_MTSPR(t, 100000, on_mtspr), nullptr);
    // One processor: each machine-wide installation visits it once.
    EXPECT_EQ(LIBSIM__Set_TimeBase_Frequency_hz(t, 512000000), 1);
    EXPECT_EQ(LIBSIM__Get_TimeBase_Frequency_hz(t), 512000000u);
    EXPECT_EQ(LIBSIM__Set_ClockFreq_hz(t, 2000000000), GenericMachine__ThreadCount(t->machine)); // answers threads
    EXPECT_EQ(LIBSIM__Get_ClockFreq_hz(t), 2000000000u);
}

TEST_F(LibsimTest, StateRegistersById)
{
    ThreadState *t = thread0();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(LIBSIM__EXSR_Count(), 200);
    EXPECT_STREQ(LIBSIM__EXSR_Name(29), "TTR");
    EXPECT_STREQ(LIBSIM__EXSR_Name(143), "PPR");
    EXPECT_STREQ(LIBSIM__EXSR_Name(145), "PPR");
    EXPECT_STREQ(LIBSIM__EXSR_Name(200), "Unknown");
    EXPECT_STREQ(LIBSIM__EXSR_Name((uint32_t)-1), "Unknown");
    EXPECT_EQ(LIBSIM__EXSR_Get(t, 200), ~0ull);
    EXPECT_EQ(LIBSIM__EXSR_Number("ppr"), 143);

    // CR is 32 bits wide: the low word is stored and read back zero-extended.
    LIBSIM__EXSR_Set(t, 171, 0x123456789ull);
    EXPECT_EQ(LIBSIM__EXSR_Get(t, 171), 0x23456789u);
    // Raw write: LR keeps bits the instruction path would mask.
    LIBSIM__EXSR_Set(t, 86, 0x1003);
    EXPECT_EQ(LIBSIM__EXSR_Get(t, 86), 0x1003u);
    // TTR reads and writes TST; the two ids named PPR keep their own registers.
    LIBSIM__EXSR_Set(t, 29, 0x55);
    EXPECT_EQ(tRAW_GET_TST(t), 0x55u);
    uint64_t ppr32 = tRAW_GET_PPR32(t);
    LIBSIM__EXSR_Set(t, 145, 0x7);
    EXPECT_EQ(tRAW_GET_PPR32(t), ppr32);
    // The core number reads sign-extended, the other state words as stored.
    uint32_t core_id = t->processor->core_id;
    LIBSIM__EXSR_Set(t, 179, 0x80000001u);
    EXPECT_EQ(LIBSIM__EXSR_Get(t, 179), 0xFFFFFFFF80000001ull);
    LIBSIM__EXSR_Set(t, 179, core_id);
    LIBSIM__EXSR_Set(t, 190, 1234);
    EXPECT_EQ(LIBSIM__InstCount(t), 1234u);
    EXPECT_EQ(LIBSIM__EXSR_Get(t, 186), (uint64_t)t->thread_id_in_core);
}

TEST_F(LibsimTest, ReleasingMemoryCountsWholePages)
{
    EXPECT_EQ(LIBSIM_Release_Page_Count(4094), 0u);
    EXPECT_EQ(LIBSIM_Release_Page_Count(4095), 1u);
    EXPECT_EQ(LIBSIM_Release_Page_Count(8191), 2u);
    // A reservation on a released page is cancelled; one beyond the processed pages stays.
    ThreadState *t = thread0();
    ASSERT_NE(t, nullptr);
    create_reservation(t->memory_client, 0x3000, 8);
    LIBSIM__ReleaseMemory(handle, 0x2004, 4094);
    EXPECT_EQ(LIBSIM__GetReservationBit(t), 1);
    LIBSIM__ReleaseMemory(handle, 0x2004, 8191);
    EXPECT_EQ(LIBSIM__GetReservationBit(t), 0);
}

TEST_F(LibsimTest, DiskParametersAreStoredInOrder)
{
    BogusDiskParams *disk = LIBSIM__Get_BogusDisk(handle);
    EXPECT_EQ(LIBSIM__Set_BogusDisk(nullptr, "", nullptr, nullptr), 0);
    EXPECT_EQ(LIBSIM__Set_BogusDisk(handle, "", nullptr, nullptr), 1);
    EXPECT_NE(sink.text().find("Skipping bogus disk\n"), std::string::npos);
    EXPECT_STREQ(disk->cow_path, "simple.cow");
    EXPECT_STREQ(disk->mode, "newcow");
    // A bad mode: the cow_path of the same call is already stored, the mode is not.
    EXPECT_EQ(LIBSIM__Set_BogusDisk(handle, "", "over.cow", "thirteen-char"), 0);
    EXPECT_STREQ(disk->cow_path, "over.cow");
    EXPECT_STREQ(disk->mode, "newcow");
    // Texts that would fill their field without a terminating NUL are refused.
    EXPECT_EQ(LIBSIM__Set_BogusDisk(handle, "", "x.cow", "twelve-chars"), 0);
    EXPECT_STREQ(disk->mode, "newcow");
    std::string long_path(4096, 'p');
    EXPECT_EQ(LIBSIM__Set_BogusDisk(handle, long_path.c_str(), "x.cow", "r"), 0);
    EXPECT_STREQ(disk->path, "");
    EXPECT_EQ(LIBSIM__Set_BogusDisk(handle, nullptr, "x.cow", "r"), 0);
    // A path that does not open: the result is still 1.
    EXPECT_EQ(LIBSIM__Set_BogusDisk(handle, "/nonexistent/disk.img", "x.cow", "r"), 1);
    EXPECT_STREQ(disk->path, "/nonexistent/disk.img");
    EXPECT_EQ(disk->hash_size, 1024);
}

std::vector<std::string> stats_calls;
void stats_reset(void *data, GenericMachine *machine)
{
    stats_calls.push_back(std::string("reset ") + (const char *)data + (machine ? " machine" : " none"));
}
void stats_print(void *data, GenericMachine *machine, int, int)
{
    stats_calls.push_back(std::string("print ") + (const char *)data + (machine ? " machine" : " none"));
}

TEST_F(LibsimTest, StatisticsListsRunInOrderOnTheHandlesMachine)
{
    static const char first[] = "first", second[] = "second";
    Callback_register_stats_reset(1, "libsim-test", (CallbackFunction)stats_reset, (void *)second);
    Callback_register_stats_reset(0, "libsim-test", (CallbackFunction)stats_reset, (void *)first);
    Callback_register_stats_print(0, "libsim-test", (CallbackFunction)stats_print, (void *)first);
    stats_calls.clear();
    LIBSIM__StatsReset(handle); // makes the machine
    LIBSIM__StatsPrint(handle);
    Callback_Clear_function("libsim-test");
    std::vector<std::string> want = {"reset first machine", "reset second machine", "print first machine"};
    // Entries of the simulator's own components may run too: keep only this test's.
    std::vector<std::string> mine;
    for (const std::string &call : stats_calls)
        if (call.find("first") != std::string::npos || call.find("second") != std::string::npos) mine.push_back(call);
    EXPECT_EQ(mine, want);
    EXPECT_NE(handle->machine, nullptr);
}

TEST_F(LibsimTest, LibraryDebugMessagesFollowTheirCategory)
{
    LIBSIM__Debug("hidden %d\n", 1);
    EXPECT_EQ(sink.text().find("hidden"), std::string::npos);
    set_debug_flag(204, 1);
    LIBSIM__Debug("shown %d\n", 2);
    set_debug_flag(204, 0);
    EXPECT_NE(sink.text().find("shown 2"), std::string::npos);
}

int listener_calls = 0;
int count_mode_change(ThreadState *)
{
    listener_calls++;
    return 0;
}

TEST_F(LibsimTest, ListenersOnPluginEvents)
{
    const char *event = PE_Desc_Table[0].name;
    EXPECT_EQ(LIBSIM__RegisterListener("no_such_event", (void *)count_mode_change), 0);
    EXPECT_EQ(LIBSIM__RegisterListener(event, (void *)count_mode_change), 1);
    EXPECT_TRUE(AnyoneListening(event));
    EXPECT_EQ(LIBSIM__UnRegisterMemoryListener(event, (void *)count_mode_change), 1);
    EXPECT_EQ(LIBSIM__UnRegisterListener(event, (void *)count_mode_change), 0);
    EXPECT_FALSE(AnyoneListening(event));
}

} // namespace
