// Exported command handlers and operations held by no table.
#include "command/command_leftovers.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "command/process_tree_commands.h"
#include "command/selector.h"
#include "command/util_commands.h"
#include "guest/process_tree.h"
#include "runtime/alloc.h"
#include "runtime/hash2.h"
#include "runtime/message.h"
#include "runtime/object_file.h"
#include "runtime/tcl_output.h"
#include "trace/inst_stats.h"

char *FM_memfilename = nullptr;
int32_t FM_maxlog = 0;
int64_t FM_memcnt = 0;
int64_t FM_last = 0;
uint64_t *FM_logentry = nullptr;
int FM_memlog_fd = -1;
int32_t FM_enabled = 0;

namespace
{

// Reads the whole word as a number (base 0); false when anything is left over.
bool whole_number(const char *word, uint64_t *value)
{
    char *end = nullptr;
    *value = strtoull(word, &end, 0);
    return end != word && *end == '\0';
}

// Block sizes the trace buffer accepts: a positive count whose buffer the host can hold.
constexpr long FM_MAX_BLOCK = 1L << 24;

} // namespace

int ObjectDirPath_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    for (ElfDirEntry *dir = GED_FirstDir(&gElfData); dir; dir = dir->next)
        SIM_TCLPRINT(interpreter, "%s ", dir->name);
    return 0;
}

int ObjectFiles_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    for (ELF_Info *file = GED_FirstFile(&gElfData); file; file = file->next)
        SIM_TCLPRINT(interpreter, "%s ", file->name);
    return 0;
}

int ObjectFindEAFiles_Cmd(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    uint64_t address = 0;
    if (argc < 2 || !whole_number(argv[1], &address)) {
        SIM_TCLPRINT(interpreter, "Error reading address (%s) ", argc < 2 ? "" : argv[1]);
        return 1;
    }
    for (ELF_Info *file = GED_FirstFile(&gElfData); file; file = file->next) {
        for (int32_t i = 0; i < file->section_count && i < ELF_INFO_MAX_SECTIONS; i++) {
            if (file->sections[i].start <= address && address <= file->sections[i].end) {
                SIM_TCLPRINT(interpreter, "%s ", file->name);
                break;
            }
        }
    }
    return 0;
}

int memtrace_bogus_Cmd(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc != 3) {
        SIM_TCLPRINT(interpreter, "Usage: %s file block-size", argv[0]);
        return 1;
    }
    char *end = nullptr;
    const long block = strtol(argv[2], &end, 10);
    if (end == argv[2] || *end || block < 1 || block > FM_MAX_BLOCK) {
        SIM_TCLPRINT(interpreter, "Usage: %s file block-size", argv[0]);
        return 1;
    }
    static std::set<std::string> names;
    FM_memfilename = const_cast<char *>(names.insert(argv[1]).first->c_str());
    FM_maxlog = (int32_t)block;
    FM_memcnt = 0;
    FM_last = 0;
    if (FM_logentry) quarn_free(FM_logentry, __FILE__, __LINE__);
    FM_logentry = (uint64_t *)quarn_malloc((size_t)(block + 1) * 8, 8, "FM_memlog", __FILE__, __LINE__);
    if (FM_memlog_fd >= 0) close(FM_memlog_fd);
    FM_memlog_fd = open(FM_memfilename, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (FM_memlog_fd >= 0)
        SIM_PRINT("memtrace output going to %s in blocks of %d units\n", FM_memfilename, (int)block);
    FM_enabled = 1;
    SIM_TCLPRINT(interpreter, "ok");
    return 0;
}

int UTIL_uint32_to_float(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc != 2) {
        SIM_TCLPRINT(interpreter, "Usage : %s <arg1> (Num Args Passed: %d)", argv[0], argc);
        return 1;
    }
    uint64_t value = 0;
    if (!whole_number(argv[1], &value)) {
        SIM_TCLPRINT(interpreter, "Error reading value got 0x%016lX from %s\n", (unsigned long)value,
                     argv[1]);
        return 1;
    }
    const uint32_t bits = (uint32_t)value;
    float number;
    memcpy(&number, &bits, sizeof number);
    SIM_TCLPRINT(interpreter, "%f", (double)number);
    return 0;
}

int UTIL_QuarnUpdate(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc != 2) {
        SIM_TCLPRINT(interpreter, "Usage : %s <force>", argv[0]);
        return 1;
    }
    uint64_t value = 0;
    if (!whole_number(argv[1], &value)) {
        SIM_TCLPRINT(interpreter, "Error reading force got 0x%016lX from %s\n", (unsigned long)value,
                     argv[1]);
        return 1;
    }
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)value);
    return 0;
}

int UTIL_Thread_dTransWIMG_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    ThreadState *thread = select_thread(selector);
    return thread ? UTIL_AddrTransWIMG_Cmd(thread, interpreter, argc, argv, 1) : 1;
}

int UTIL_Thread_iTransWIMG_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    ThreadState *thread = select_thread(selector);
    return thread ? UTIL_AddrTransWIMG_Cmd(thread, interpreter, argc, argv, 0) : 1;
}

namespace
{

// The symbol dump of both widths; `wide` selects the 64-bit entry layout, its load bias and its log.
int dump_symbols(FILE *output, ELF_Info *image, int32_t index, LoadedFile *file, HASH2_Table *counters,
                 int32_t base, FILE *log, bool wide)
{
    if (!output || !image || !file) return base;
    const char *name = file->name ? file->name : "";
    if (wide && log) fprintf(log, "Dumping: %s, 64 bit elf \n", name);
    fprintf(output, "files(%d).filename = '%s'; \n", index, name);
    fprintf(output, "files(%d).ea = 0x%016lX; \n", index, (unsigned long)file->address);
    fprintf(output, "files(%d).length = %llu; \n", index, (unsigned long long)file->length);
    const int32_t size = wide ? 24 : 16;
    const int32_t count = image->symtab ? image->symtab_size / size : 0;
    const uint64_t bias = wide ? file->address - ELF_Lowest_Address(image) : 0;
    for (int32_t i = 0; i < count; i++) {
        const uint8_t *entry = image->symtab + (size_t)size * i;
        if (wide && log) Print_Symbol_Entry_64(log, image, entry, i);
        const uint64_t value = wide ? ELF_Field(entry + 8, 8) : ELF_Field(entry + 4, 4);
        const uint64_t length = wide ? ELF_Field(entry + 16, 8) : ELF_Field(entry + 8, 4);
        const uint64_t start = value + bias, end = start + length;
        fprintf(
            output,
            "files(%d).functions(%d) = struct ('func_name', '%s:%s', 'start_addr', %llu, 'end_addr', %llu, ",
            index, base + i + 1, name, ELF_Info_SymbolStringTableEntry(image, ELF_Field(entry, 4)),
            (unsigned long long)start, (unsigned long long)end);
        // The records are walked rather than the addresses, so that a huge symbol costs no more
        // than the table holds.
        uint64_t sums[ISTAT_COUNTERS] = {};
        for (HASH2_Entry *e = counters ? counters->first : nullptr; e; e = e->next) {
            if (e->key0 < start || e->key0 > end) continue;
            InstInfo_t *record = reinterpret_cast<InstInfo_t *>(e);
            record->flags |= INSTINFO_DUMPED;
            for (int c = 0; c < ISTAT_COUNTERS; c++)
                sums[c] += record->counters[c];
        }
        fprintf(output,
                "'L1I_CACHE_MISS', %ld, 'L1D_CACHE_MISS', %ld, 'L1D_TRANSLATION_CACHE_MISS', %ld, "
                "'L2_INST_CACHE_MISS', %ld, 'L2_DATA_CACHE_MISS', %ld, 'ITLB_MISS', %ld, 'DTLB_MISS', %ld, "
                "'ICOUNT', %ld); \n",
                (long)sums[0], (long)sums[1], (long)sums[2], (long)sums[4], (long)sums[5], (long)sums[11],
                (long)sums[12], (long)sums[13]);
    }
    return base + count;
}

} // namespace

int Dump64SymbolTableEntries(FILE *output, ELF_Info *image, int32_t index, LoadedFile *file,
                             HASH2_Table *counters, void *, int32_t base, FILE *log)
{
    return dump_symbols(output, image, index, file, counters, base, log, true);
}

int Dump32SymbolTableEntries(FILE *output, ELF_Info *image, int32_t index, LoadedFile *file,
                             HASH2_Table *counters, void *, int32_t base, FILE *log)
{
    return dump_symbols(output, image, index, file, counters, base, log, false);
}

PT_Range *find_pt_node(PT_Range *ranges, int32_t count, uint64_t address)
{
    int32_t low = 0, high = count - 1;
    while (ranges && low <= high) {
        const int32_t mid = low + (high - low) / 2;
        PT_Range *range = &ranges[mid];
        if (range->start <= address && address <= range->end) return range;
        const bool next_at_or_after = mid + 1 >= count || ranges[mid + 1].start >= address;
        if (!range->link && range->start < address && next_at_or_after &&
            (address < 0x1000 || address > 0xBFFFFFFFFFFFFFFFull))
            return range;
        if (address < range->start)
            high = mid - 1;
        else
            low = mid + 1;
    }
    return nullptr;
}
