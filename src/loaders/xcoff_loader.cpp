// The XCOFF program loader: set-up, section placement, relocations, symbols, arguments, the
// entry descriptor and the thread's start-up registers. Every header, section, relocation and
// symbol is read only after its offset has been checked against the file.
#include "loaders/xcoff_loader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "cache/cache_flush.h"
#include "exec/cpu_config.h"
#include "guest/postfirmware.h"
#include "loaders/loader_support.h"
#include "loaders/xcoff_file.h"
#include "memory/memory_map.h"
#include "processor/records/generic_machine.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/processor_reset.h"
#include "processor/regs/reg_accessors.h"
#include "runtime/alloc.h"
#include "runtime/debug.h"
#include "runtime/message.h"

namespace
{

constexpr int DEBUG_XCOFF = 140;

constexpr uint64_t ALL_ONES = ~0ull;
constexpr uint64_t PAGE_SIZE = 4096;
constexpr uint64_t DEFAULT_LOAD_ADDRESS = 0x10000;
constexpr uint64_t DUMP_LIMIT = 4096;

constexpr uint32_t STYP_TEXT = 0x20;
constexpr uint32_t STYP_DATA = 0x40;
constexpr uint32_t STYP_BSS = 0x80;
enum { TEXT = 0, DATA = 1, BSS = 2 };

constexpr uint32_t R_POS = 0;
constexpr uint32_t R_RBR = 0x1A;
constexpr uint32_t C_HIDEXT = 107;

constexpr uint64_t MSR_XCOFF_64 = 0x9000000000001000ull;
constexpr uint64_t MSR_XCOFF_32 = 0x1000000000001000ull;

const char *const SECTION_NAMES[3] = {".text", ".data", ".bss"};

uint64_t round_up(uint64_t value, uint64_t unit)
{
    return (value + unit - 1) & ~(unit - 1);
}

// The kind index of a section header's flags: text, data, bss, or -1 for other sections.
int section_kind(uint32_t flags)
{
    switch (flags) {
    case STYP_TEXT:
        return TEXT;
    case STYP_DATA:
        return DATA;
    case STYP_BSS:
        return BSS;
    default:
        return -1;
    }
}

// One section header's fields.
struct SectionHeader {
    uint64_t vaddr;
    uint64_t size;
    uint64_t file_offset;
    int kind;
};

SectionHeader read_section_header(const XcoffImage *image, const XcoffLayout &layout, uint64_t at)
{
    const uint8_t *h = image->mapping + at;
    SectionHeader s;
    if (layout.bits == 64) {
        s.vaddr = xcoff_get_field_unsigned(h + 16, 8);
        s.size = xcoff_get_field_unsigned(h + 24, 8) & 0xFFFFFFFFu;
        s.file_offset = xcoff_get_field_unsigned(h + 32, 8);
        s.kind = section_kind((uint32_t)xcoff_get_field_unsigned(h + 64, 4));
    } else {
        s.vaddr = xcoff_get_field_unsigned(h + 12, 4);
        s.size = xcoff_get_field_unsigned(h + 16, 4);
        s.file_offset = xcoff_get_field_unsigned(h + 20, 4);
        s.kind = section_kind((uint32_t)xcoff_get_field_unsigned(h + 36, 4));
    }
    return s;
}

// Everything one load holds while it runs; the destructor gives back the mapping and the
// symbol list.
struct XcoffLoad {
    ThreadState *thread;
    XcoffImage *image;
    XcoffLayout layout;
    int relocate;
    const uint64_t *addresses;
    bool check_only = false; // a first pass that only checks every section, writing nothing

    ~XcoffLoad()
    {
        unmap();
        while (XcoffSymbolNode *node = image->symbols) {
            image->symbols = node->next;
            QUARN_FREE(node);
        }
    }
    // 1 when the mapping is gone (or there was none).
    int unmap()
    {
        if (!image->mapping) return 1;
        int result = munmap(const_cast<uint8_t *>(image->mapping), image->length) == 0;
        image->mapping = nullptr;
        return result;
    }
    uint64_t given(uint32_t i) const { return i < 3 ? addresses[i] : ALL_ONES; }
    uint64_t pointer_size() const { return layout.bits == 64 ? 8 : 4; }
};

void free_image(XcoffImage *image)
{
    if (!image) return;
    if (image->path) FORGET_STRING(image->path);
    QUARN_FREE(image);
}

// Places one section: bss cleared, text and data copied from the file.
bool place_section(XcoffLoad &load, const SectionHeader &header, uint64_t address)
{
    XcoffImage *image = load.image;
    ThreadState *thread = load.thread;
    if (header.kind != BSS && !Loader_Range_Fits(header.file_offset, header.size, image->length)) {
        SIM_PRINT("LOAD XCOFF : %s section of %s lies outside the file\n", SECTION_NAMES[header.kind],
                  image->path);
        return false;
    }
    // The whole destination must be memory: a section past it would be written into device
    // windows, or cleared for gigabytes into overflow pages.
    if (!Loader_Range_In_Memory(thread->memory_client, address, header.size)) {
        sim_error("LOAD XCOFF : %s section of %s (0x%lX bytes at 0x%016lX) does not lie in memory",
                  SECTION_NAMES[header.kind], image->path, (unsigned long)header.size,
                  (unsigned long)address);
        return false;
    }
    if (load.check_only) return true;
    Cache_Flush_Lines_For_Range(thread->machine, address, header.size);
    if (header.kind == BSS)
        PA_clear_memory_directly(thread, address, (int64_t)header.size, 0);
    else
        Loader_Copy_To_Memory(thread->memory_client, address, image->mapping + header.file_offset,
                              header.size);
    image->sections[header.kind] = {SECTION_NAMES[header.kind], address, header.vaddr, header.size};
    return true;
}

// Reads every section header; false (with a message) when one lies outside the file.
bool section_header_at(XcoffLoad &load, uint32_t i, SectionHeader *header)
{
    uint64_t at = 0;
    if (!xcoff_section_header(load.image, load.layout, i, &at)) {
        SIM_PRINT("LOAD XCOFF : section header %u of %s lies outside the file\n", i, load.image->path);
        return false;
    }
    *header = read_section_header(load.image, load.layout, at);
    return true;
}

const XcoffHostCall *host_call_by_name(const char *name)
{
    int row = 0;
    for (; xcoff_host_calls[row].handler; row++)
        if (!strcmp(xcoff_host_calls[row].name, name)) break;
    return &xcoff_host_calls[row];
}

// Relocations of one section header whose kind is k: calls to external routines become host-call
// words, positive relocations against text, data and bss are moved by their section's shift.
void relocate_section(XcoffLoad &load, int k)
{
    XcoffImage *image = load.image;
    MemoryClient *client = load.thread->memory_client;
    const XcoffSection &own = image->sections[k];
    uint64_t width = load.pointer_size();
    for (int32_t j = 0;; j++) {
        XcoffReloc reloc;
        if (!xcoff_extract_reloc(&reloc, image, k, j)) break;
        if (reloc.fixup) continue;
        XcoffSymbol symbol;
        if (xcoff_extract_symbol(&symbol, image, reloc.symbol_index) <= 0) continue;
        uint64_t target = reloc.address - own.link + own.load;
        if (reloc.type == R_RBR && symbol.section == 0) {
            Write_Mapped_Memory_Reg(client, target, 4, host_call_by_name(symbol.name)->code, 0);
        } else if (reloc.type == R_POS && symbol.section >= 1 && symbol.section <= 3 &&
                   (uint64_t)reloc.length == width * 8) {
            const XcoffSection &to = image->sections[symbol.section - 1];
            uint64_t value = 0;
            Read_Mapped_Memory_Reg(client, target, (int)width, &value, 0, 0);
            value += to.load - to.link;
            if (width == 4) value &= 0xFFFFFFFFu;
            Write_Mapped_Memory_Reg(client, target, (int)width, value, 0);
        }
    }
}

// Relocation processing over every section header, in order.
bool relocate_all(XcoffLoad &load)
{
    for (uint32_t i = 0; i < load.layout.section_count; i++) {
        SectionHeader header;
        if (!section_header_at(load, i, &header)) return false;
        if (header.kind >= 0) relocate_section(load, header.kind);
    }
    return true;
}

void print_section_line(const XcoffImage *image, int k)
{
    static const char *const labels[3] = {".text at", ".data at", ".bss  at"};
    const XcoffSection &s = image->sections[k];
    if (image->bits == 64)
        SIM_PRINT("         %s       0x%.16llX, len 0x%llX\n", labels[k], (unsigned long long)s.load,
                  (unsigned long long)s.size);
    else
        SIM_PRINT("         %s       0x%.8X, len 0x%llX\n", labels[k], (unsigned)s.load,
                  (unsigned long long)s.size);
}

void dump_section(ThreadState *thread, const XcoffImage *image, int k)
{
    const XcoffSection &s = image->sections[k];
    if (s.size == 0) return;
    char title[64];
    snprintf(title, sizeof title, "  XCOFF %s section", s.name);
    xcoff_dump(thread, title, s.load, s.size < DUMP_LIMIT ? s.size : DUMP_LIMIT);
    if (s.size > DUMP_LIMIT) SIM_PRINT("                ...\n");
}

int raw_load(XcoffLoad &load)
{
    XcoffImage *image = load.image;
    if (!xcoff_layout(image, &load.layout)) {
        SIM_PRINT("LOAD XCOFF : %s is not an XCOFF file\n", image->path);
    } else {
        image->bits = load.layout.bits;
        // Every section is checked before the first is written.
        for (bool check : {true, false}) {
            load.check_only = check;
            uint64_t running = 0;
            for (uint32_t i = 0; i < load.layout.section_count; i++) {
                SectionHeader header;
                if (!section_header_at(load, i, &header)) return 0;
                if (header.kind < 0) continue;
                uint64_t address;
                if (image->bits == 64 && !load.relocate)
                    address = header.vaddr;
                else
                    address = load.given(i) != ALL_ONES ? load.given(i) : running;
                if (!place_section(load, header, address)) return 0;
                running = address + header.size;
            }
        }
        if (!relocate_all(load)) return 0;
    }
    if (!load.unmap()) {
        SIM_PRINT("LOAD XCOFF : cannot munmap file %s\n", image->path);
        return 0;
    }
    if (get_debug_flag(DEBUG_XCOFF) > 0) {
        SIM_PRINT("LOAD XCOFF : file %s raw load successful\n", image->path);
        print_section_line(image, TEXT);
        if (image->sections[DATA].size) print_section_line(image, DATA);
        if (image->sections[BSS].size) print_section_line(image, BSS);
        for (int k = TEXT; k <= BSS; k++)
            dump_section(load.thread, image, k);
    }
    return 1;
}

// The symbol list, newest first; symbols outside text, data and bss are undefined.
void collect_symbols(XcoffLoad &load)
{
    XcoffImage *image = load.image;
    for (int32_t index = 0;;) {
        XcoffSymbol symbol;
        int span = xcoff_extract_symbol(&symbol, image, index);
        if (span == 0) break;
        if (span < 0) {
            index += -span;
            continue;
        }
        XcoffSymbolNode *node = QUARN_ZALLOC(1, XcoffSymbolNode);
        if (!node) break;
        node->symbol = symbol;
        if (symbol.name == symbol.inline_name) node->symbol.name = node->symbol.inline_name;
        int k = symbol.section;
        if (k >= 1 && k <= 3) {
            const XcoffSection &s = image->sections[k - 1];
            node->defined = 1;
            node->address = s.load + symbol.value - s.link;
        }
        node->next = image->symbols;
        image->symbols = node;
        index += span;
    }
    if (get_debug_flag(DEBUG_XCOFF) > 0) {
        SIM_PRINT("---- symbol list ----------------\n");
        int n = 0;
        for (XcoffSymbolNode *node = image->symbols; node; node = node->next)
            SIM_PRINT("  [%d] %s (old 0x%llX, new 0x%llX) %s\n", n++, node->symbol.name,
                      (unsigned long long)node->symbol.value, (unsigned long long)node->address,
                      node->defined ? "" : "UNDEFINED");
        SIM_PRINT("---------------------------------\n");
    }
}

const XcoffSymbolNode *find_entry_symbol(const XcoffImage *image, const char *name)
{
    for (const XcoffSymbolNode *node = image->symbols; node; node = node->next)
        if (node->symbol.storage_class != C_HIDEXT && !strcmp(node->symbol.name, name)) return node;
    return nullptr;
}

// The program's argument vector below the heap: pointers, then the strings.
void place_arguments(XcoffLoad &load, int argc, char **argv)
{
    XcoffImage *image = load.image;
    MemoryClient *client = load.thread->memory_client;
    if (!argv) argc = 0;
    int first = argc;
    for (int i = 2; i < argc; i++)
        if (argv[i] && !strcmp(argv[i], "-")) {
            first = i + 1;
            break;
        }
    int words = argc - first;
    uint64_t p = load.pointer_size();
    image->argc = words + 1;
    image->argv = image->heap;
    image->heap += p * (uint64_t)(image->argc + 1);
    for (int64_t i = 0; i < image->argc; i++) {
        const char *text = i == 0 ? image->path : argv[first + i - 1];
        size_t length = strlen(text) + 1;
        Write_Mapped_Memory_Reg(client, image->argv + (uint64_t)i * p, (int)p, image->heap, 0);
        Loader_Copy_To_Memory(client, image->heap, text, length);
        image->heap += length;
    }
    Write_Mapped_Memory_Reg(client, image->argv + (uint64_t)image->argc * p, (int)p, 0, 0);
    image->heap = round_up(image->heap, 16);
}

int normal_load(XcoffLoad &load, const char *entry_name, int argc, char **argv)
{
    XcoffImage *image = load.image;
    ThreadState *thread = load.thread;
    GenericMachine *machine = thread->machine;
    MemoryClient *client = thread->memory_client;

    uint64_t load_address = load.given(0) != ALL_ONES ? load.given(0) : DEFAULT_LOAD_ADDRESS;
    uint64_t memory_start = machine->memory_regions[0].start;
    uint64_t memory_end = machine->memory_regions[0].end;
    if (load_address < memory_start || load_address >= memory_end) {
        SIM_PRINT("LOAD XCOFF : load address(0x%016lX) not within memory region(0x%016lX to 0x%016lX)\n",
                  (unsigned long)load_address, (unsigned long)memory_start, (unsigned long)memory_end);
        return 0;
    }
    if (!xcoff_layout(image, &load.layout)) {
        SIM_PRINT("LOAD XCOFF : %s is not an XCOFF file\n", image->path);
        return 0;
    }
    image->bits = load.layout.bits;
    bool wide = image->bits == 64;
    uint64_t entry_word = 0;
    if (load.layout.aux_header_size != 0) {
        // o_entry and o_snentry count only when they lie inside the auxiliary header and the file.
        uint64_t aux = load.layout.file_header_size;
        uint64_t entry_at = wide ? 80 : 16, entry_width = wide ? 8 : 4;
        bool fits = entry_at + entry_width <= load.layout.aux_header_size &&
                    34 <= load.layout.aux_header_size &&
                    Loader_Range_Fits(aux, load.layout.aux_header_size, image->length);
        if (fits) {
            entry_word = xcoff_get_field_unsigned(image->mapping + aux + entry_at, (int)entry_width);
            image->entry_section = (uint16_t)xcoff_get_field_unsigned(image->mapping + aux + 32, 2);
            uint64_t none = wide ? ALL_ONES : 0xFFFFFFFFu;
            image->has_entry = entry_word != 0 && entry_word != none && image->entry_section >= 1 &&
                               image->entry_section <= 3;
        }
    }

    // Every section (and the return stub after the text) is checked before the first is written.
    uint64_t running = load_address;
    for (bool check : {true, false}) {
        load.check_only = check;
        running = load_address;
        for (uint32_t i = 0; i < load.layout.section_count; i++) {
            SectionHeader header;
            if (!section_header_at(load, i, &header)) return 0;
            if (header.kind < 0) continue;
            uint64_t address;
            if (wide && !load.relocate)
                address = header.vaddr;
            else
                address = round_up(load.given(i) != ALL_ONES ? load.given(i) : running, PAGE_SIZE);
            if (!place_section(load, header, address)) return 0;
            if (header.kind == TEXT) {
                running = round_up(address + header.size, PAGE_SIZE);
                if (check && !Loader_Range_In_Memory(client, running, 4)) {
                    sim_error("LOAD XCOFF : the return stub of %s at 0x%016lX does not lie in memory",
                              image->path, (unsigned long)running);
                    return 0;
                }
                if (!check) {
                    Write_Mapped_Memory_Reg(client, running, 4, XCOFF_CALL_MAIN_RETURN, 0);
                    image->stub_address = running;
                    image->stub_length = 4;
                }
                running += 4;
            } else {
                running = address + header.size;
            }
        }
    }
    if (!relocate_all(load)) return 0;

    if (image->has_entry) {
        const XcoffSection &s = image->sections[image->entry_section - 1];
        image->entry = entry_word + s.load - s.link;
    }

    image->heap_start = image->heap = round_up(running, PAGE_SIZE);
    image->stack_top = (memory_end - PAGE_SIZE) & ~(PAGE_SIZE - 1);
    image->heap_half = image->stack_half = (image->stack_top - image->heap_start) / 2;

    collect_symbols(load);
    place_arguments(load, argc, argv);

    uint64_t descriptor;
    if (image->has_entry) {
        descriptor = image->entry;
    } else {
        const XcoffSymbolNode *node = nullptr;
        if (entry_name) {
            node = find_entry_symbol(image, entry_name);
            if (!node)
                SIM_PRINT("LOAD XCOFF : cannot find \"%s\" entry point; trying \"main\"\n", entry_name);
        }
        if (!node) node = find_entry_symbol(image, "main");
        if (!node) {
            SIM_PRINT("LOAD XCOFF : cannot find \"main\" entry point\n");
            return 0;
        }
        descriptor = node->address;
    }
    uint64_t p = load.pointer_size();
    Read_Mapped_Memory_Reg(client, descriptor, (int)p, &image->first_instruction, 0, 0);
    Read_Mapped_Memory_Reg(client, descriptor + p, (int)p, &image->toc, 0, 0);

    if (!load.unmap()) {
        SIM_PRINT("LOAD XCOFF : cannot munmap file %s\n", image->path);
        return 0;
    }

    if (get_debug_flag(DEBUG_XCOFF) > 0) {
        SIM_PRINT("LOAD XCOFF : file %s load successful\n", image->path);
        print_section_line(image, TEXT);
        print_section_line(image, DATA);
        if (image->sections[BSS].size) print_section_line(image, BSS);
        if (wide) {
            SIM_PRINT("         TOC   at       0x%.16llX\n", (unsigned long long)image->toc);
            SIM_PRINT("         stack at       0x%.16llX\n", (unsigned long long)image->stack_top);
            SIM_PRINT("         first instr at 0x%.16llX\n", (unsigned long long)image->first_instruction);
        } else {
            SIM_PRINT("         TOC   at       0x%.8X\n", (unsigned)image->toc);
            SIM_PRINT("         stack at       0x%.8X\n", (unsigned)image->stack_top);
            SIM_PRINT("         first instr at 0x%.8X\n", (unsigned)image->first_instruction);
        }
        dump_section(thread, image, TEXT);
        xcoff_dump(thread, "  Additional code", image->stub_address, image->stub_length);
        dump_section(thread, image, DATA);
        dump_section(thread, image, BSS);
    }

    bool narrow_msr = !(thread->MSR.value & MSR_SF);
    uint64_t pc = image->first_instruction;
    uint64_t lr = image->stub_address;
    if (narrow_msr) {
        pc &= 0xFFFFFFFFu;
        lr &= 0xFFFFFFFFu;
    }
    tFORCE_PC(thread, pc & ~3ull, 0);
    thread->GPR[1].value = image->stack_top;
    thread->GPR[2].value = image->toc;
    thread->GPR[3].value = (uint64_t)image->argc;
    thread->GPR[4].value = image->argv;
    tCOOKED_SET_LR(thread, lr & ~3ull, 0);
    tFORCE_MSR(thread, wide ? MSR_XCOFF_64 : MSR_XCOFF_32, 0);

    POSTFIRMWARE_SETTINGS(machine);
    if (standalone_mode) ThreadState__SetStandaloneModeInitialState(thread);
    CPU_ConfigOn(thread->processor, "XCOFF Loader");
    return 1;
}

} // namespace

int Load_XCOFF(ThreadState *thread, int raw, const char *path, const char *entry_name,
               const uint64_t addresses[3], int relocate, int reset, int argc, char **argv)
{
    if (!thread || !thread->machine || !path) return 0;
    static const uint64_t none[3] = {ALL_ONES, ALL_ONES, ALL_ONES};
    if (!addresses) addresses = none;
    if (reset) GenericMachine__SetInitialState(thread->machine);

    // The thread keeps the record of its last load; the one before goes.
    XcoffImage *image = reinterpret_cast<XcoffImage *>(QUARN_ZALLOC(sizeof(XcoffImage), char));
    if (!image) return 0;
    free_image(static_cast<XcoffImage *>(thread->loader_state));
    thread->loader_state = image;
    thread->host_call_hook = xcoff_host_call;
    image->raw = raw;
    image->path = REMEMBER_STRING(path);
    for (int k = TEXT; k <= BSS; k++)
        image->sections[k].name = SECTION_NAMES[k];

    int fd = open(path, O_RDONLY);
    if (fd < 0) {
        SIM_PRINT("LOAD XCOFF : cannot open file %s\n", path);
        return 0;
    }
    struct stat status;
    if (fstat(fd, &status) != 0) {
        SIM_PRINT("LOAD XCOFF : cannot stat file %s\n", path);
        close(fd);
        return 0;
    }
    image->length = (uint64_t)status.st_size;
    void *mapping = image->length ? mmap(nullptr, image->length, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
    close(fd);
    if (mapping == MAP_FAILED) {
        SIM_PRINT("LOAD XCOFF : cannot mmap file %s\n", path);
        return 0;
    }
    image->mapping = static_cast<const uint8_t *>(mapping);

    XcoffLoad load = {thread, image, {}, relocate, addresses};
    return raw ? raw_load(load) : normal_load(load, entry_name, argc, argv);
}
