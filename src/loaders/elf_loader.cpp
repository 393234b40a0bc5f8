// The ELF program loader. Every header, table and section is checked against the file's size
// before it is read: a field outside the file ends the load with an error instead of a read
// outside the buffer.
#include "loaders/elf_loader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "cache/cache_flush.h"
#include "exec/cpu_config.h"
#include "guest/postfirmware.h"
#include "guest/process_tree.h"
#include "loaders/loader_support.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/config/property_lookup.h"
#include "processor/hooks/machine_trigger_table.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_identity.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/processor_reset.h"
#include "processor/regs/reg_accessors.h"
#include "runtime/alloc.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/triggers.h"

namespace
{

constexpr int DEBUG_ELF_SECTION_FLAGS = 139;

constexpr uint16_t EM_PPC = 20;
constexpr uint16_t EM_PPC64 = 21;
constexpr uint8_t ELFDATA2LSB = 1;
constexpr uint8_t ELFDATA2MSB = 2;

constexpr uint32_t SHT_PROGBITS = 1;
constexpr uint32_t SHT_RELA = 4;
constexpr uint32_t SHT_DYNAMIC = 6;
constexpr uint32_t SHT_INIT_ARRAY = 14;
constexpr uint32_t SHT_FINI_ARRAY = 15;
constexpr uint32_t SHT_PREINIT_ARRAY = 16;
constexpr uint64_t SHF_ALLOC = 0x2;
constexpr uint32_t PT_LOAD = 1;

// The smallest header and table entries that hold every field read.
constexpr uint64_t EHDR64_SIZE = 64;
constexpr uint64_t EHDR32_SIZE = 52;
constexpr uint64_t SHDR64_MIN = 40;
constexpr uint64_t SHDR32_MIN = 24;
constexpr uint64_t PHDR64_MIN = 24;
constexpr uint64_t PHDR32_MIN = 28;

constexpr uint64_t MSR_TM_AVAILABLE = 0x100000000ull;
constexpr uint64_t PAGE_SIZE = 4096;
constexpr uint64_t ALL_ONES = ~0ull;

// One load in progress.
struct ElfLoad {
    const char *path;
    const uint8_t *data;
    uint64_t size;
    bool little_endian;
    MemoryClient *client;
    GenericMachine *machine;
    MemoryMap *map;
    ElfImageInfo *info;
    int relocate;
    uint64_t load_address;
    // The first pass only checks that every destination lies in memory; the second writes.
    bool check_only;

    uint64_t field(uint64_t offset, int width) const
    {
        return Loader_Field(data + offset, width, little_endian);
    }
};

// The section-header or program-header table: where it is and how its entries are laid out.
struct ElfTable {
    uint64_t offset;
    uint64_t count;
    uint64_t entry_size;
    uint64_t entry(uint64_t i) const { return offset + i * entry_size; }
};

void report_truncated(const ElfLoad &load, const char *what, uint64_t offset, uint64_t length)
{
    sim_error(
        "2: ElfLoadImage: %s: %s (0x%lX bytes at file offset 0x%lX) lies outside the file of 0x%lX bytes",
        load.path, what, (unsigned long)length, (unsigned long)offset, (unsigned long)load.size);
}

// A table of count entries of entry_size bytes (at least minimum) that lies inside the file.
bool check_table(const ElfLoad &load, const char *what, const ElfTable &table, uint64_t minimum)
{
    if (table.count == 0) return true;
    uint64_t end = 0;
    if (table.entry_size < minimum || !Loader_Table_End(table.offset, table.count, table.entry_size, &end) ||
        end > load.size) {
        sim_error("2: ElfLoadImage: %s: %s of %lu entries of %lu bytes at file offset 0x%lX does not fit the "
                  "file of 0x%lX bytes",
                  load.path, what, (unsigned long)table.count, (unsigned long)table.entry_size,
                  (unsigned long)table.offset, (unsigned long)load.size);
        return false;
    }
    return true;
}

bool loadable_section(uint32_t type, bool little_endian)
{
    switch (type) {
    case SHT_PROGBITS:
    case SHT_INIT_ARRAY:
    case SHT_FINI_ARRAY:
    case SHT_PREINIT_ARRAY:
        return true;
    case SHT_RELA:
        return little_endian;
    default:
        return false;
    }
}

// The relocation offset: load_address minus the lowest address of the allocated, non-empty
// program-data and array sections; 0 when none qualifies.
uint64_t relocation_offset(const ElfLoad &load, const ElfTable &sections, bool wide)
{
    uint64_t lowest = ALL_ONES;
    bool found = false;
    for (uint64_t i = 0; i < sections.count; i++) {
        uint64_t e = sections.entry(i);
        uint32_t type = (uint32_t)load.field(e + 4, 4);
        uint64_t flags = wide ? load.field(e + 8, 8) : load.field(e + 8, 4);
        uint64_t address = wide ? load.field(e + 16, 8) : load.field(e + 12, 4);
        uint64_t size = wide ? load.field(e + 32, 8) : load.field(e + 20, 4);
        if (!loadable_section(type, false) || !(flags & SHF_ALLOC) || size == 0) continue;
        if (!found || address < lowest) lowest = address;
        found = true;
    }
    return found ? load.load_address - lowest : 0;
}

void print_section_flags(uint64_t flags, bool wide)
{
    static const struct {
        uint64_t bits;
        const char *name;
    } names[] = {
        {0x1, "WRITABLE "},
        {0x2, "MEM-DURING-EXEC "},
        {0x4, "EXECUTABLE "},
        {0x10, "MIGHT-BE-MERGED "},
        {0x20, "STRINGS "},
        {0x40, "sh_info-CONTAINS-SHT-INDEX "},
        {0x80, "PRESERVER-ORDER-AFTER-COMBINING "},
        {0x100, "NON-STANDARD-OS-SPECIFIC "},
        {0x0FF00000, "OS-SPECIFIC "},
        {0xF0000000, "PROCESSOR-SPECIFIC "},
    };
    char head[64];
    if (wide)
        snprintf(head, sizeof head, " Flags 0x%016lX : ", (unsigned long)flags);
    else
        snprintf(head, sizeof head, " Flags 0x%02X : ", (unsigned)flags);
    std::string line = head;
    for (const auto &n : names)
        if (flags & n.bits) line += n.name;
    SIM_PRINT("%s\n", line.c_str());
}

void print_segment_flags(uint32_t flags)
{
    char text[128];
    std::string line;
    snprintf(text, sizeof text, " Flags 0x%02X : ", flags);
    line = text;
    if (flags & 0x1) line += "EXECUTE ";
    if (flags & 0x2) line += "WRITE ";
    if (flags & 0xF0000000u) {
        snprintf(text, sizeof text, "Processor specific program segment flags = 0x%X", flags & 0xF0000000u);
        line += text;
    }
    SIM_PRINT("%s\n", line.c_str());
}

// Writes one region: source_length bytes from source, then zeros up to length. The whole region
// must lie in memory (checked by the first pass, which writes nothing); mark is the address that
// may lower the machine's lowest loaded address.
bool load_region(ElfLoad &load, const uint8_t *source, uint64_t source_length, uint64_t file_offset,
                 uint64_t address, uint64_t length, uint64_t mark, bool print_mark)
{
    GenericMachine *machine = load.machine;
    if (load.check_only) {
        if (Loader_Range_In_Memory(load.client, address, length)) return true;
        sim_error("2: ElfLoadImage: %s: 0x%lX bytes at 0x%016lX (file offset 0x%lX) do not lie in memory",
                  load.path, (unsigned long)length, (unsigned long)address, (unsigned long)file_offset);
        return false;
    }
    PT_LoadedFile(machine->process_tree, 0, load.path, address, length, 0, 0, file_offset);
    Cache_Flush_Lines_For_Range(machine, address, length);
    uint64_t copied = std::min(source_length, length);
    Loader_Copy_To_Memory(load.client, address, source, copied);
    static const uint8_t zeros[PAGE_SIZE] = {};
    for (uint64_t done = copied; done < length;) {
        uint64_t piece = std::min<uint64_t>(length - done, PAGE_SIZE);
        Loader_Copy_To_Memory(load.client, address + done, zeros, piece);
        done += piece;
    }
    if (mark < machine->loader_lowest_address) {
        if (print_mark) SIM_PRINT("Elf text start address saved is 0x%016lX\n", (unsigned long)mark);
        machine->loader_lowest_address = mark;
    }
    return true;
}

void set_high_memory(GenericMachine *machine, uint64_t highest_end)
{
    machine->loader_high_memory = (highest_end + PAGE_SIZE) & ~(PAGE_SIZE - 1);
    machine->program_break = 0;
    machine->mapping_floor = 0;
}

int load_64bit(ElfLoad &load)
{
    GenericMachine *machine = load.machine;
    ElfImageInfo *info = load.info;
    machine->loader_lowest_address = ALL_ONES;
    info->dynamic = 0;
    uint64_t entry = load.field(24, 8);
    ElfTable programs = {load.field(32, 8), load.field(56, 2), load.field(54, 2)};
    ElfTable sections = {load.field(40, 8), load.field(60, 2), load.field(58, 2)};
    if (load.little_endian) info->elfv2 = load.field(48, 4) == 2;
    if (!check_table(load, "program-header table", programs, PHDR64_MIN) ||
        !check_table(load, "section-header table", sections, SHDR64_MIN))
        return 0;

    uint64_t offset = load.relocate ? relocation_offset(load, sections, true) : 0;
    if (load.relocate) entry += offset;

    // The program-header table goes where the first segment's address says, at its file offset.
    if (programs.count > 0) {
        uint64_t base = load.field(programs.offset + 16, 8) + offset;
        uint64_t length = programs.count * programs.entry_size;
        // A first segment that maps the file from its start holds the ELF header too, as a Linux
        // process sees it (static C libraries read their own header there).
        const uint64_t header_size = load.field(52, 2);
        if (load.field(programs.offset + 8, 8) == 0 && header_size > 0 && header_size <= programs.offset &&
            !load_region(load, load.data, header_size, 0, base, header_size, base, true))
            return 0;
        if (!load_region(load, load.data + programs.offset, length, programs.offset, base + programs.offset,
                         length, base, true))
            return 0;
        info->phdr_address = base + programs.offset;
        info->phdr_entry_size = programs.entry_size;
        info->phdr_count = programs.count;
    }

    uint64_t highest = 0;
    bool debug = get_debug_flag(DEBUG_ELF_SECTION_FLAGS) > 0;
    for (uint64_t i = 0; i < sections.count; i++) {
        uint64_t e = sections.entry(i);
        uint32_t type = (uint32_t)load.field(e + 4, 4);
        uint64_t flags = load.field(e + 8, 8);
        uint64_t address = load.field(e + 16, 8);
        uint64_t file_offset = load.field(e + 24, 8);
        uint64_t size = load.field(e + 32, 8);
        if (debug && !load.check_only) print_section_flags(flags, true);
        if (type == SHT_DYNAMIC) info->dynamic = 1;
        // Allocated relocations are loaded for both byte orders: a static big-endian C library
        // applies its IFUNC relocations from them at start-up.
        if ((loadable_section(type, load.little_endian) || type == SHT_RELA) && (flags & SHF_ALLOC) &&
            size != 0) {
            if (!Loader_Range_Fits(file_offset, size, load.size)) {
                report_truncated(load, "section", file_offset, size);
                return 0;
            }
            uint64_t target = address + offset;
            if (!load_region(load, load.data + file_offset, size, file_offset, target, size, target, true))
                return 0;
            if (!load.relocate && !info->elfv2 && entry >= target && entry - target < size) {
                uint64_t descriptor = file_offset + (entry - target);
                if (!Loader_Range_Fits(descriptor, 16, load.size)) {
                    report_truncated(load, "entry function descriptor", descriptor, 16);
                    return 0;
                }
                info->entry = load.field(descriptor, 8);
                info->toc = load.field(descriptor + 8, 8);
            }
        }
        highest = std::max(highest, address + size);
    }

    if (load.relocate) info->entry = load.load_address;
    if (info->elfv2) info->entry = entry;
    if (!MemMap_ValidAddr(load.map, info->entry)) {
        sim_warning(2, "Elf64 Entry point (0x%016lX) is not a valid address", (unsigned long)info->entry);
        return 0;
    }
    set_high_memory(machine, highest);
    return 1;
}

int load_32bit(ElfLoad &load)
{
    GenericMachine *machine = load.machine;
    ElfImageInfo *info = load.info;
    machine->loader_lowest_address = ALL_ONES;
    info->dynamic = 0;
    uint64_t entry = load.field(24, 4);
    ElfTable programs = {load.field(28, 4), load.field(44, 2), load.field(42, 2)};
    ElfTable sections = {load.field(32, 4), load.field(48, 2), load.field(46, 2)};
    if (!check_table(load, "program-header table", programs, PHDR32_MIN) ||
        !check_table(load, "section-header table", sections, SHDR32_MIN))
        return 0;

    uint64_t offset = load.relocate && sections.count ? relocation_offset(load, sections, false) : 0;
    if (load.relocate) entry += offset;

    uint64_t highest = 0;
    bool debug = get_debug_flag(DEBUG_ELF_SECTION_FLAGS) > 0;
    if (sections.count > 0) {
        for (uint64_t i = 0; i < sections.count; i++) {
            uint64_t e = sections.entry(i);
            uint32_t type = (uint32_t)load.field(e + 4, 4);
            uint64_t flags = load.field(e + 8, 4);
            uint64_t address = load.field(e + 12, 4);
            uint64_t file_offset = load.field(e + 16, 4);
            uint64_t size = load.field(e + 20, 4);
            if (debug && !load.check_only) print_section_flags(flags, false);
            if (type == SHT_DYNAMIC) info->dynamic = 1;
            if (loadable_section(type, false) && (flags & SHF_ALLOC) && size != 0) {
                if (!Loader_Range_Fits(file_offset, size, load.size)) {
                    report_truncated(load, "section", file_offset, size);
                    return 0;
                }
                uint64_t target = address + offset;
                if (!load_region(load, load.data + file_offset, size, file_offset, target, size, target,
                                 true))
                    return 0;
            }
            highest = std::max(highest, address + size);
        }
    } else {
        // Segments: the file's bytes up to p_filesz, zeros after them (the segment's bss) and
        // wherever the file ends early.
        for (uint64_t i = 0; i < programs.count; i++) {
            uint64_t e = programs.entry(i);
            uint32_t type = (uint32_t)load.field(e, 4);
            uint64_t file_offset = load.field(e + 4, 4);
            uint64_t address = load.field(e + 8, 4);
            uint64_t file_size = load.field(e + 16, 4);
            uint64_t memory_size = load.field(e + 20, 4);
            if (debug && !load.check_only) print_segment_flags((uint32_t)load.field(e + 24, 4));
            if (type == PT_LOAD && memory_size != 0) {
                uint64_t available = file_offset < load.size ? load.size - file_offset : 0;
                uint64_t from_file = std::min(file_size, available);
                const uint8_t *source = from_file ? load.data + file_offset : nullptr;
                if (!load_region(load, source, from_file, file_offset, address, memory_size, address, false))
                    return 0;
            }
            highest = std::max(highest, address + memory_size);
        }
    }

    info->entry = entry;
    if (!MemMap_ValidAddr(load.map, entry)) {
        sim_warning(2, "Elf32 Entry point (0x%016lX) is not a valid address", (unsigned long)entry);
        return 0;
    }
    set_high_memory(machine, highest);
    return 1;
}

// Dispatches on the byte order and machine; 1 when the image was loaded.
int load_image(ElfLoad &load)
{
    static const uint8_t magic[4] = {0x7F, 'E', 'L', 'F'};
    if (load.size < 20 || !std::equal(magic, magic + 4, load.data)) {
        sim_error("2: ElfLoadImage: %s is not an elf file", load.path);
        return 0;
    }
    uint8_t order = load.data[5];
    if (order == ELFDATA2LSB) {
        load.info->little_endian = 1;
        load.little_endian = true;
        uint32_t machine = (uint32_t)load.field(18, 2);
        if (machine == EM_PPC) {
            sim_error("2: Elf_Load32bitLE: Elf32 LSB loading not supported yet...");
            return 0;
        }
        if (machine != EM_PPC64) {
            sim_error("2: ElfLoadImageLE: %s is not 32 or 64 bit PowerPC Elf, Unknown mcm type %d (0x%08X)",
                      load.path, (int)machine, machine);
            return 0;
        }
    } else if (order == ELFDATA2MSB) {
        load.info->little_endian = 0;
        load.little_endian = false;
        uint32_t machine = (uint32_t)load.field(18, 2);
        if (machine != EM_PPC && machine != EM_PPC64) {
            sim_error("2: ElfLoadImageBE: %s is not 32 or 64 bit PowerPC Elf, Unknown mcm type %d (0x%08X)",
                      load.path, (int)machine, machine);
            return 0;
        }
    } else {
        sim_error("2: ElfLoadImage: %s is not little endian or big endian, Unknown endianness %d (0x%08X)",
                  load.path, (int)order, (unsigned)order);
        return 0;
    }
    bool wide = load.field(18, 2) == EM_PPC64;
    uint64_t header = wide ? EHDR64_SIZE : EHDR32_SIZE;
    if (load.size < header) {
        report_truncated(load, "ELF header", 0, header);
        return 0;
    }
    return wide ? load_64bit(load) : load_32bit(load);
}

// Writes one word of the auxiliary vector: 8 bytes in the given byte order, or 4 big-endian.
void put_aux_word(MemoryClient *client, uint64_t address, uint64_t value, bool wide, bool little_endian)
{
    if (wide)
        Write_Mapped_Memory_Reg(client, address, 8, little_endian ? __builtin_bswap64(value) : value, 0);
    else
        Write_Mapped_Memory_Reg(client, address, 4, value & 0xFFFFFFFFu, 0);
}

// The auxiliary vector, five pairs and the terminating pair, wholly below the lowest loaded
// address so that no byte of the image is overwritten; 0 with an error when there is no room.
int write_auxiliary_vector(ThreadState *thread, const ElfImageInfo &info)
{
    GenericMachine *machine = thread->machine;
    uint64_t msr = thread->MSR.value;
    bool wide = (msr & MSR_SF) != 0;
    bool little_endian = (msr & MSR_LE) != 0;
    uint64_t word = wide ? 8 : 4;
    uint64_t size = 12 * word;
    uint64_t mark = machine->loader_lowest_address;
    if (mark == ALL_ONES || mark < size) {
        sim_error("Load_Elf: no room for the auxiliary vector below 0x%016lX", (unsigned long)mark);
        return 0;
    }
    uint64_t base = (mark - size) & ~7ull;
    machine->loader_lowest_address = base;
    const uint64_t pairs[5][2] = {
        {3, info.phdr_address}, {4, info.phdr_entry_size}, {5, info.phdr_count}, {9, info.entry},
        {6, PAGE_SIZE},
    };
    uint64_t at = base;
    for (const auto &pair : pairs) {
        put_aux_word(thread->memory_client, at, pair[0], wide, little_endian);
        put_aux_word(thread->memory_client, at + word, pair[1], wide, little_endian);
        at += 2 * word;
    }
    put_aux_word(thread->memory_client, at, 0, wide, little_endian);
    put_aux_word(thread->memory_client, at + word, 0, wide, little_endian);
    thread->GPR[6].value = base;
    return 1;
}

} // namespace

int Elf_ReadImage(MemoryClient *client, const char *path, ElfImageInfo *info, int relocate,
                  uint64_t load_address)
{
    SIM_PRINT("LOAD : Opening ELF image file: %s\n", path);
    MCM *chip = client ? client->mcm : nullptr;
    MemoryMap *map = chip && chip->mbus ? chip->mbus->memory_map : nullptr;
    if (!map || !client->machine) {
        sim_error("2: ElfLoadImage: no memory to load %s into", path);
        return 0;
    }
    struct stat status;
    if (stat(path, &status) != 0) {
        sim_error("Unable to stat image file : %s", path);
        return 0;
    }
    uint64_t size = (uint64_t)status.st_size;
    uint8_t *buffer = QUARN_MALLOC(size ? size : 1, uint8_t);
    if (!buffer) {
        sim_error("Unable to malloc %d bytes to load file : %s", (int)size, path);
        return 0;
    }
    int fd = open(path, O_RDONLY);
    if (fd < 0) {
        sim_error("Unable to open image file : %s", path);
        QUARN_FREE(buffer);
        return 0;
    }
    int result = 0;
    if (Loader_Read_Fully(fd, buffer, size) != (int64_t)size) {
        sim_error("Unable to read entire file: %s", path);
    } else {
        ElfLoad load = {path, buffer, size,     false,        client, client->machine,
                        map,  info,   relocate, load_address, true};
        // Nothing is written unless every region lies in memory.
        result = load_image(load);
        if (result) {
            load.check_only = false;
            result = load_image(load);
        }
        if (result)
            Assoc_Trigger_Fire(Machine_Trigger_Table(client->machine), "OBJECT_LOAD",
                               "{ filename %s address 0x%016lX size %ld }", path, (unsigned long)load_address,
                               (long)size);
    }
    close(fd);
    QUARN_FREE(buffer);
    return result;
}

int Load_Elf_Processor(ThreadState *thread, const char *path, int relocate, int reset, uint64_t load_address)
{
    if (!thread || !thread->machine || !path) return 0;
    GenericMachine *machine = thread->machine;
    ElfImageInfo info = {};
    info.entry = ALL_ONES;
    info.toc = ALL_ONES;
    info.elfv2 = 0;
    if (reset) GenericMachine__SetInitialState(machine);

    ProcessTree *tree = machine->process_tree;
    PT_NewProcess(tree, 0, 0, 0);
    PT_ExecProcess(tree, 0, path);
    if (tree) PT_SetCurrentProcess(tree, 0, 0);

    if (!Elf_ReadImage(thread->memory_client, path, &info, relocate, load_address)) return 0;
    CPU_ConfigOn(thread->processor, "Elf Loader");
    if (info.entry == ALL_ONES) {
        sim_error("Load_Elf: Could not find start address for file:%s", path);
        return 0;
    }

    uint64_t pc = info.entry;
    if (!(thread->MSR.value & MSR_SF)) pc &= 0xFFFFFFFFull;
    tFORCE_PC(thread, pc & ~3ull, 0);

    uint64_t msr;
    if (info.elfv2) {
        thread->GPR[12].value = info.entry;
        msr = MSR_SF | MSR_HV | MSR_TM_AVAILABLE | MSR_ME;
    } else if (info.toc != ALL_ONES) {
        thread->GPR[2].value = info.toc;
        msr = MSR_SF | MSR_HV | MSR_TM_AVAILABLE | MSR_ME;
    } else {
        msr = MSR_HV | MSR_TM_AVAILABLE;
    }
    if (info.little_endian) msr |= MSR_LE;
    thread->byte_order = info.little_endian ? THREAD_LITTLE_ENDIAN : THREAD_BIG_ENDIAN;
    tFORCE_MSR(thread, msr, 0);

    uint64_t memory_size = get_plist_scaled_int(machine->property_list, "memory_size", 1024);
    thread->GPR[1].value = memory_size - (info.elfv2 ? 32 : 112);

    SIM_PRINT("LOAD : ELF startup: PC=0x%016lX, msr=0x%016lX\n", (unsigned long)thread->PC.value,
              (unsigned long)thread->MSR.value);
    if (info.elfv2)
        SIM_PRINT("LOAD :              gpr[1]=0x%016lX, gpr[12]=0x%016lX\n",
                  (unsigned long)thread->GPR[1].value, (unsigned long)thread->GPR[12].value);
    else
        SIM_PRINT("LOAD :              gpr[1]=0x%016lX, gpr[2]=0x%016lX\n",
                  (unsigned long)thread->GPR[1].value, (unsigned long)thread->GPR[2].value);

    POSTFIRMWARE_SETTINGS(machine);
    MemoryMap *map = thread->mcm && thread->mcm->mbus ? thread->mcm->mbus->memory_map : nullptr;
    uint64_t rom = MemMap_StartByName(map, "ROM");
    thread->GPR[5].value = rom;
    thread->GPR[22].value = rom;

    if (!standalone_mode) return 1;
    if (info.dynamic) sim_warning(2, "Load_Elf: Loading dynamic ELF image in standalone mode");
    ThreadState__SetStandaloneModeInitialState(thread);
    ProcessorState__SetStandaloneModeInitialState(thread->processor);
    return write_auxiliary_vector(thread, info);
}
