// Plan 9 and Linux boot-image loaders.
#include "loaders/boot_image_loaders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "cache/cache_flush.h"
#include "exec/cpu_config.h"
#include "loaders/loader_support.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/processor_reset.h"
#include "processor/regs/reg_accessors.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t PAGE_SIZE = 4096;
constexpr size_t HEADER_SIZE = 32;
constexpr uint64_t BLOCK_SIZE = 512;
constexpr uint64_t PLAN9_STACK = 0x2FA0;
constexpr uint64_t LINUX_STACK_BASE = 0x1FA0;

// The eight big-endian words of a boot header.
struct BootHeader {
    uint32_t word[8];
};

void decode_header(const uint8_t *bytes, BootHeader *header)
{
    for (int i = 0; i < 8; i++)
        header->word[i] = (uint32_t)Loader_Field(bytes + 4 * i, 4, false);
}

// Resets the machine's processors and gives thread 0 (the first "Thread" device).
ThreadState *reset_and_take_thread(MCM *chip)
{
    GenericMachine *machine = chip ? chip->machine : nullptr;
    if (!machine) return nullptr;
    GenericMachine__SetInitialState(machine);
    ThreadState *thread = GenericMachine__Thread(machine, 0);
    if (!thread) sim_warning(2, "no hardware thread to load a boot image into");
    return thread;
}

int open_kernel(const char *path)
{
    int fd = open(path, O_RDONLY);
    if (fd < 0) {
        perror("Could not open kernel file");
        sim_warning(2, "Could not open kernel file. '%s'", path);
    }
    return fd;
}

// Copies the piece to physical memory after dropping the cache model's lines of its range.
void copy_piece(ThreadState *thread, uint64_t address, const uint8_t *bytes, uint64_t length)
{
    Cache_Flush_Lines_For_Range(thread->machine, address, length);
    Loader_Copy_To_Memory(thread->memory_client, address, bytes, length);
}

// Whether the whole destination lies in memory; else the one error refusing the image.
bool destination_in_memory(ThreadState *thread, const char *kind, const char *path, uint64_t address,
                           uint64_t length)
{
    if (Loader_Range_In_Memory(thread->memory_client, address, length)) return true;
    sim_error("LOAD : %s image '%s': 0x%lX bytes at 0x%016lX do not lie in memory", kind, path,
              (unsigned long)length, (unsigned long)address);
    return false;
}

void start_thread(ThreadState *thread, const char *reason, uint64_t entry)
{
    CPU_ConfigOn(thread->processor, reason);
    if (!(thread->MSR.value & MSR_SF)) entry &= 0xFFFFFFFFu;
    tFORCE_PC(thread, entry & ~3ull, 0);
    SIM_PRINT("LOAD : startup: PC = 0x%016lX, gpr[1] = 0x%016lX\n", (unsigned long)thread->PC.value,
              (unsigned long)thread->GPR[1].value);
}

} // namespace

int Load_Plan9(MCM *chip, const char *path)
{
    ThreadState *thread = reset_and_take_thread(chip);
    if (!thread || !path) return 0;
    GenericMachine *machine = thread->machine;
    SIM_PRINT("LOAD : Reading PLAN9 image file. '%s'\n", path);
    int fd = open_kernel(path);
    if (fd < 0) return 0;
    uint8_t bytes[HEADER_SIZE];
    if (Loader_Read_Fully(fd, bytes, HEADER_SIZE) != (int64_t)HEADER_SIZE) {
        sim_warning(2, "Could not read the boot_block from kernel file. '%s'", path);
        close(fd);
        return 0;
    }
    BootHeader header;
    decode_header(bytes, &header);
    uint32_t text = header.word[1], data = header.word[2], bss = header.word[3], entry = header.word[5];
    SIM_PRINT("LOAD : bb.magic = 0x%08X\n", header.word[0]);
    SIM_PRINT("LOAD : bb.textsize = 0x%08X\n", text);
    SIM_PRINT("LOAD : bb.datasize = 0x%08X\n", data);
    SIM_PRINT("LOAD : bb.bsssize = 0x%08X\n", bss);
    SIM_PRINT("LOAD : bb.entry_point = 0x%08X\n", entry);
    SIM_PRINT("LOAD : bb.fullsize = 0x%08X\n", header.word[7]);

    // Sizes in 64 bits: three 32-bit words cannot overflow, and an image larger than the
    // machine's memory is refused before anything is allocated.
    uint64_t size = ((uint64_t)text + data + bss + PAGE_SIZE - 1) & ~(PAGE_SIZE - 1);
    if (size > machine->total_memory) {
        SIM_PRINT("LOAD : PLAN9 image of 0x%lX bytes does not fit the machine's memory of 0x%lX bytes\n",
                  (unsigned long)size, (unsigned long)machine->total_memory);
        close(fd);
        return 0;
    }
    uint64_t destination = entry & 0x0FFFFFFFu;
    if (!destination_in_memory(thread, "PLAN9", path, destination, size)) {
        close(fd);
        return 0;
    }
    uint8_t *buffer = QUARN_ZALLOC(size ? size : 1, uint8_t);
    if (!buffer) {
        perror("malloc kernel buffer");
        sim_warning(2, "malloc kernel read buffer");
        close(fd);
        return 0;
    }
    const struct {
        uint64_t offset, length;
        const char *what, *line;
    } parts[2] = {{0, text, "kernel read text segment", "READ TEXT: 0x%08X bytes\n"},
                  {text, data, "kernel read data segment", "READ DATA: 0x%08X bytes\n"}};
    for (const auto &part : parts) {
        if (Loader_Read_Fully(fd, buffer + part.offset, part.length) != (int64_t)part.length) {
            perror(part.what);
            sim_warning(2, "%s", part.what);
            QUARN_FREE(buffer);
            close(fd);
            return 0;
        }
        SIM_PRINT(part.line, (unsigned)part.length);
    }
    for (uint64_t done = 0; done < size; done += PAGE_SIZE)
        copy_piece(thread, destination + done, buffer + done, std::min(PAGE_SIZE, size - done));
    QUARN_FREE(buffer);
    close(fd);
    thread->GPR[1].value = PLAN9_STACK;
    start_thread(thread, "Plan 9 Loader", entry & 0x0FFFFFFCu);
    return 1;
}

int Load_Linux(MCM *chip, const char *path)
{
    ThreadState *thread = reset_and_take_thread(chip);
    if (!thread || !path) return 0;
    SIM_PRINT("LOAD : Reading LINUX image file. '%s'\n", path);
    int fd = open_kernel(path);
    if (fd < 0) return 0;
    uint8_t bytes[HEADER_SIZE];
    if (Loader_Read_Fully(fd, bytes, HEADER_SIZE) != (int64_t)HEADER_SIZE) {
        sim_warning(2, "Could not read the boot block from kernel file. '%s'", path);
        close(fd);
        return 0;
    }
    BootHeader header;
    decode_header(bytes, &header);
    uint32_t destination = header.word[1], blocks = header.word[2], entry = header.word[4];
    SIM_PRINT("LOAD : bb.magic = 0x%08X\n", header.word[0]);
    SIM_PRINT("LOAD : bb.dest = 0x%08X\n", destination);
    SIM_PRINT("LOAD : bb.num_512blocks = 0x%08X\n", blocks);
    SIM_PRINT("LOAD : bb.debug_flag = 0x%08X\n", header.word[3]);
    SIM_PRINT("LOAD : bb.entry_point = 0x%08X\n", entry);

    // The kernel in pieces of up to a page; the piece that reaches the block count is copied
    // whole, and one more read tells the stack pointer where the file stood.
    uint64_t total = (uint64_t)blocks * BLOCK_SIZE;
    // What the loop below copies: the file after its header, up to the piece that reaches the
    // block count; all of it must lie in memory before anything is written.
    struct stat status;
    uint64_t payload = fstat(fd, &status) == 0 && (uint64_t)status.st_size > HEADER_SIZE
                           ? (uint64_t)status.st_size - HEADER_SIZE
                           : 0;
    uint64_t reach = std::min(payload, (total + PAGE_SIZE - 1) & ~(PAGE_SIZE - 1));
    if (!destination_in_memory(thread, "LINUX", path, destination, reach)) {
        close(fd);
        return 0;
    }
    uint8_t piece[PAGE_SIZE];
    uint64_t copied = 0;
    int64_t last;
    while ((last = Loader_Read_Fully(fd, piece, PAGE_SIZE)) > 0 && copied < total) {
        copy_piece(thread, destination + copied, piece, (uint64_t)last);
        copied += (uint64_t)last;
    }
    thread->GPR[1].value = LINUX_STACK_BASE + (uint64_t)(last > 0 ? last : 0);
    close(fd);
    start_thread(thread, "Linux Loader", entry);
    return 1;
}
