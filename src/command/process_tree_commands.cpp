// The "ProcessTree" table and its "display" and "tcl_stats" sub-tables.
#include "command/process_tree_commands.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "command/cmd_table.h"
#include "command/selector.h"
#include "guest/process_tree.h"
#include "processor/records/generic_machine.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/object_file.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"
#include "trace/inst_stats.h"
#include "translator/trace_process.h"

namespace
{

constexpr int32_t MAX_PID = PT_MAX_PID + 1;

ProcessTree *tree_of(Selector *selector)
{
    GenericMachine *machine = select_machine(selector);
    return machine ? machine->process_tree : nullptr;
}

bool read_number(const char *word, int64_t *value)
{
    int ok = 0;
    *value = (int64_t)STRING2INT_rc(word, &ok);
    return ok != 0;
}

// A pid of the process table; the MAX_PID text for one outside it (negative ids included, which
// would index before the table).
bool read_pid(Tcl_Interp *interpreter, const char *word, int32_t *pid)
{
    int64_t value = 0;
    if (!read_number(word, &value)) return false;
    if (value < 0 || value > PT_MAX_PID) {
        SIM_TCLPRINT(interpreter, "pid=%5d is larger than MAX_PID=%5d", (int)value, MAX_PID);
        return false;
    }
    *pid = (int32_t)value;
    return true;
}

void file_text(std::string &out, const LoadedFile *f)
{
    char text[1200];
    snprintf(text, sizeof text,
             "filename %s clock %ldt ea 0x%016lX length %ld protection 0x%X flags 0x%X file_offset %ld "
             "file_index %d",
             f->name ? f->name : "", (long)f->tick, (unsigned long)f->address, (long)f->length,
             (unsigned)f->protection, (unsigned)f->flag, (long)f->offset, f->index);
    out += text;
}

void process_text(std::string &out, const Process *p)
{
    if (!p) {
        out += "{}";
        return;
    }
    char text[400];
    snprintf(text, sizeof text, "execname %s pid %5d ppid %5d files {", p->name ? p->name : "", p->pid,
             p->ppid);
    out += text;
    for (const LoadedFile *f = p->files; f; f = f->next) {
        out += "{";
        file_text(out, f);
        out += "} ";
    }
    out += "} stats { } state ";
    out += p->state == PT_RUNNING  ? "CREATED"
           : p->state == PT_EXECED ? "EXECD"
           : p->state == PT_ENDED  ? "KILLED"
                                   : "UNKNOWN-STATE";
}

void tree_text(std::string &out, const Process *p, int depth)
{
    if (!p) {
        out += "{}";
        return;
    }
    out += "{";
    process_text(out, p);
    out += " children {";
    // Depth is bounded by the table size; a cycle in the links would not end otherwise.
    if (depth < PT_TABLE_SIZE)
        for (const Process *c = p->child; c; c = c->sibling)
            tree_text(out, c, depth + 1);
    out += "}} ";
}

int print(Tcl_Interp *interpreter, const std::string &text)
{
    SIM_TCLPRINT(interpreter, "%s", text.c_str());
    return 0;
}

} // namespace

int PT_ProcessNewCmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    int64_t pid, ppid, flags;
    if (!read_number(argv[1], &pid) || !read_number(argv[2], &ppid) || !read_number(argv[3], &flags))
        return 1;
    PT_NewProcess(tree_of(selector), (mpid_t)pid, (mpid_t)ppid, (int32_t)flags);
    return 0;
}

int PT_ProcessExecCmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    int64_t pid;
    if (!read_number(argv[1], &pid)) return 1;
    PT_ExecProcess(tree_of(selector), (mpid_t)pid, argv[2]);
    TRC_SET_PID(pid);
    return 0;
}

int PT_ProcessAddFileCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int32_t pid;
    int64_t ea, length, protection, flag, offset;
    if (!read_pid(interpreter, argv[1], &pid)) return 1;
    if (!read_number(argv[3], &ea) || !read_number(argv[4], &length) || !read_number(argv[5], &protection) ||
        !read_number(argv[6], &flag) || !read_number(argv[7], &offset))
        return 1;
    ProcessTree *tree = tree_of(selector);
    Process *process = PT_FindProcess(tree, pid);
    if (!process) {
        SIM_TCLPRINT(interpreter, "AddFile Error PID %d not found", pid);
        return 1;
    }
    PT_AddFile(tree, process, argv[2], (uint64_t)ea, (uint64_t)length, (int32_t)protection, (int32_t)flag,
               (uint64_t)offset, 0);
    return 0;
}

int PT_ProcessKillCmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    int64_t pid;
    if (!read_number(argv[1], &pid)) return 1;
    PT_KillProcess(tree_of(selector), (mpid_t)pid);
    return 0;
}

int PT_ClearCmd(Selector *, Tcl_Interp *, int, char **)
{
    return 0; // walks the tree and changes nothing
}

int PT_DisplayAllCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ProcessTree *tree = tree_of(selector);
    char head[100];
    snprintf(head, sizeof head, "current_pid %5d processes %d process_tree {",
             tree && tree->currentPID ? tree->currentPID[0] : -1, tree ? tree->process_count : 0);
    std::string out = head;
    tree_text(out, tree ? tree->root : nullptr, 0);
    out += "}";
    return print(interpreter, out);
}

int PT_DisplayProcessCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int32_t pid;
    if (!read_pid(interpreter, argv[1], &pid)) return 1;
    std::string out;
    process_text(out, PT_FindProcess(tree_of(selector), pid));
    return print(interpreter, out);
}

int PTDisplay_TclStats_ProcessColumns(Selector *, Tcl_Interp *interpreter, int, char **)
{
    std::string out = "PID_INDEX EXECNAME";
    for (const char *name : InstStats_Names)
        out += std::string(" ") + name;
    return print(interpreter, out);
}

int PTDisplay_TclStats_ProcessIndices(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int64_t index;
    if (!read_number(argv[1], &index)) return 1;
    if (index < 0 || index > 16) {
        SIM_TCLPRINT(interpreter, "Error: process stat_index %d > max stat_index", (int)index);
        return 1;
    }
    if (index > 1) return 0;
    ProcessTree *tree = tree_of(selector);
    std::string out;
    bool first = true;
    for (int32_t pid = 0; pid <= PT_MAX_PID; pid++) {
        Process *p = PT_FindProcess(tree, pid);
        if (!p) continue;
        if (!first) out += " ";
        first = false;
        char text[16];
        snprintf(text, sizeof text, "%5d", pid);
        out += index == 0 ? std::string(text) : std::string(p->name ? p->name : "");
    }
    return print(interpreter, out);
}

int PTDisplay_TclStats_ProcFileInfo(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int32_t pid;
    int64_t index;
    if (!read_pid(interpreter, argv[1], &pid)) return 1;
    if (!read_number(argv[2], &index)) return 1;
    Process *process = PT_FindProcess(tree_of(selector), pid);
    if (!process) return print(interpreter, "{}");
    const LoadedFile *f = process->files;
    for (int64_t i = 0; f && i < index; i++)
        f = f->next;
    if (!f || index < 0) {
        SIM_TCLPRINT(interpreter, "Invalid file index specified");
        return 1;
    }
    std::string out;
    file_text(out, f);
    out += " columns {ADDR INST";
    for (const char *name : InstStats_Names)
        out += std::string(" ") + name;
    out += "} ADDR {} INST {}";
    return print(interpreter, out);
}

int PTDisplay_TclStats_RangeInfo(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int32_t pid;
    if (!read_pid(interpreter, argv[1], &pid)) return 1;
    for (int i = 2; i <= 3; i++) {
        char *end = nullptr;
        strtoull(argv[i], &end, 0);
        if (end == argv[i] || *end) {
            SIM_TCLPRINT(interpreter, "Error reading memory start; got %s", argv[i]);
            return 1;
        }
    }
    if (ProcessTree *tree = tree_of(selector)) PT_Populate(tree);
    SIM_TCLPRINT(interpreter, "Inst_Profile not enabled for this build");
    return 1;
}

// ---- dump ----

uint64_t ELF_Field(const uint8_t *bytes, int width)
{
    uint64_t value = 0;
    for (int i = 0; i < width; i++)
        value = value << 8 | bytes[i];
    return value;
}

uint64_t ELF_Lowest_Address(const ELF_Info *info)
{
    uint64_t lowest = ~0ull;
    for (int32_t i = 0; i < info->section_count && i < ELF_INFO_MAX_SECTIONS; i++)
        if (info->sections[i].start < lowest) lowest = info->sections[i].start;
    return lowest == ~0ull ? 0 : lowest;
}

namespace
{

constexpr int32_t ET_DYN = 3;
constexpr int32_t STT_NOTYPE = 0;
constexpr int32_t STT_FUNC = 2;
constexpr int32_t FUNCTION_NAME_SIZE = 50;
constexpr int32_t ROW_NAME_SIZE = 56;

const char *symbol_type_name(uint32_t type)
{
    static const char *const names[] = {"STT_NOTYPE ", "STT_OBJECT ", "STT_FUNC ", "STT_SECTION ",
                                        "STT_FILE ",   "STT_COMMON ", "STT_TLS "};
    if (type < 7) return names[type];
    switch (type) {
    case 10:
        return "STT_LOOS ";
    case 12:
        return "STT_HIOS ";
    case 13:
        return "STT_LOPROC ";
    case 15:
        return "STT_HIPROC ";
    default:
        return "type unknown ";
    }
}

const char *symbol_binding_name(uint32_t binding)
{
    static const char *const names[] = {"STB_LOCAL ", "STB_GLOBAL ", "STB_WEAK "};
    if (binding < 3) return names[binding];
    switch (binding) {
    case 10:
        return "STB_LOOS ";
    case 12:
        return "STB_HIOS ";
    case 13:
        return "STB_LOPROC ";
    case 15:
        return "STB_HIPROC ";
    default:
        return "bind unknown";
    }
}

const char *visibility_name(uint32_t other)
{
    static const char *const names[] = {"STV_DEFAULT ", "STV_INTERNAL ", "STV_HIDDEN ", "STV_PROTECTED "};
    return other < 4 ? names[other] : "visibility unknown";
}

void common_symbol_lines(FILE *file, uint32_t info, uint32_t other, uint32_t shndx)
{
    fprintf(file, "st_info  = %s%s\n", symbol_type_name(info & 0xF), symbol_binding_name(info >> 4));
    fprintf(file, "st_other = %s\n", visibility_name(other));
    fprintf(file, "st_shndx = ");
    switch (shndx) {
    case 0:
        fprintf(file, "SHN_UNDEF ");
        break;
    case 0xFF00:
        fprintf(file, "SHN_LOPROC ");
        break;
    case 0xFF1F:
        fprintf(file, "SHN_HIPROC ");
        break;
    case 0xFFF1:
        fprintf(file, "SHN_ABS ");
        break;
    case 0xFFF2:
        fprintf(file, "SHN_COMMON ");
        break;
    case 0xFFFF:
        fprintf(file, "SHN_HIRESERVE ");
        break;
    default:
        fprintf(file, "%d", (int)shndx);
        break;
    }
    fprintf(file, "\n");
}

} // namespace

void Print_Symbol_Entry_32(FILE *file, ELF_Info *info, const uint8_t *entry, int32_t index)
{
    fprintf(file, "\n");
    fprintf(file, "Symbol #%d %s   32-bit \n", index,
            ELF_Info_SymbolStringTableEntry(info, ELF_Field(entry, 4)));
    fprintf(file, "st_value = 0x%08X \n", (unsigned)ELF_Field(entry + 4, 4));
    fprintf(file, "st_size  = %d   \n", (int)ELF_Field(entry + 8, 4));
    common_symbol_lines(file, entry[12], entry[13], (uint32_t)ELF_Field(entry + 14, 2));
}

void Print_Symbol_Entry_64(FILE *file, ELF_Info *info, const uint8_t *entry, int32_t index)
{
    fprintf(file, "\n");
    fprintf(file, "Symbol #%d %s  64-bit \n", index,
            ELF_Info_SymbolStringTableEntry(info, ELF_Field(entry, 4)));
    fprintf(file, "st_value = 0x%016lX \n", (unsigned long)ELF_Field(entry + 8, 8));
    uint64_t host_order = 0;
    memcpy(&host_order, entry + 16, sizeof host_order);
    fprintf(file, "st_size  = 0x%016lX [0x%016lX]\n", (unsigned long)ELF_Field(entry + 16, 8),
            (unsigned long)host_order);
    common_symbol_lines(file, entry[4], entry[5], (uint32_t)ELF_Field(entry + 6, 2));
}

namespace
{

// A function found in a process's files: one per start address.
struct TNode {
    uint64_t start;
    uint64_t end;
    uint64_t size;
    char name[FUNCTION_NAME_SIZE];
};

// One row of the dump, with the statistics columns (never filled here: they stay 0).
struct DumpRow {
    uint64_t start;
    uint64_t end;
    uint64_t size;
    uint64_t use_count;
    uint64_t memory_refs;
    char name[ROW_NAME_SIZE];
    uint64_t counters[ISTAT_COUNTERS];
};

// Enters a function: a new start makes a record; a known start keeps the shorter name and the
// larger size.
void enter_function(std::map<uint64_t, TNode> &functions, const char *file, const char *symbol,
                    uint64_t start, uint64_t size)
{
    char name[FUNCTION_NAME_SIZE];
    snprintf(name, sizeof name, "%s:%s", file, symbol);
    auto found = functions.find(start);
    if (found == functions.end()) {
        TNode node{start, start + size, size, {}};
        memcpy(node.name, name, sizeof name);
        functions.emplace(start, node);
        return;
    }
    TNode &node = found->second;
    if (strlen(name) < strlen(node.name)) memcpy(node.name, name, sizeof name);
    if (size > node.size) {
        node.size = size;
        node.end = start + size;
    }
}

const char *elf_type_name(uint32_t type)
{
    static const char *const names[] = {"ET_NONE ", "ET_REL ", "ET_EXEC ", "ET_DYN ", "ET_CORE "};
    if (type < 5) return names[type];
    if (type == 0xFF00) return "ET_LOPROC ";
    if (type == 0xFFFF) return "ET_HIPROC ";
    return "elf file type unknown";
}

const char *elf_version_name(uint32_t version)
{
    return version == 0   ? "EV_NONE "
           : version == 1 ? "EV_CURRENT "
           : version == 2 ? "EV_NUM "
                          : "version unknown";
}

void copy_32bit_symbols(FILE *debug, const LoadedFile *f, ELF_Info *info,
                        std::map<uint64_t, TNode> &functions)
{
    const char *name = f->name ? f->name : "";
    fprintf(debug, "Copy32SymbolTableEntries: copying to tree %s is a 32 bit elf \n", name);
    const uint8_t *h = info->image;
    if (!h || info->image_size < 52) return;
    const uint32_t type = (uint32_t)ELF_Field(h + 16, 2);
    fprintf(debug, "ELF header: \n");
    fprintf(debug, "e_type    = 0x%04X %s\n", type, elf_type_name(type));
    fprintf(debug, "e_machine = 0x%04X \n", (unsigned)ELF_Field(h + 18, 2));
    const uint32_t version = (uint32_t)ELF_Field(h + 20, 4);
    fprintf(debug, "e_version = 0x%08X %s\n", version, elf_version_name(version));
    fprintf(debug, "e_entry   = 0x%08X \n", (unsigned)ELF_Field(h + 24, 4));
    fprintf(debug, "e_flags   = 0x%08X \n", (unsigned)ELF_Field(h + 36, 4));
    const uint64_t bias = type == ET_DYN ? f->address : 0;
    const int32_t count = info->symtab ? info->symtab_size / 16 : 0;
    for (int32_t i = 0; i < count; i++) {
        const uint8_t *entry = info->symtab + 16 * i;
        Print_Symbol_Entry_32(debug, info, entry, i);
        const uint64_t value = ELF_Field(entry + 4, 4);
        if ((entry[12] & 0xF) == STT_FUNC && value)
            enter_function(functions, name, ELF_Info_SymbolStringTableEntry(info, ELF_Field(entry, 4)),
                           bias + value, ELF_Field(entry + 8, 4));
    }
}

void copy_64bit_symbols(FILE *debug, const LoadedFile *f, ELF_Info *info,
                        std::map<uint64_t, TNode> &functions)
{
    const char *name = f->name ? f->name : "";
    fprintf(debug, "Copy64SymbolTableEntries: Copying to tree %s, 64 bit elf \n", name);
    const uint64_t lowest = ELF_Lowest_Address(info);
    const int32_t count = info->symtab ? info->symtab_size / 24 : 0;
    for (int32_t i = 0; i < count; i++) {
        const uint8_t *entry = info->symtab + 24 * i;
        Print_Symbol_Entry_64(debug, info, entry, i);
        const uint64_t value = ELF_Field(entry + 8, 8);
        if (!value) continue;
        const uint64_t start = f->address + value - lowest;
        const uint32_t type = entry[4] & 0xF;
        if (type == STT_FUNC || (type == STT_NOTYPE && start <= 4095))
            enter_function(functions, name, ELF_Info_SymbolStringTableEntry(info, ELF_Field(entry, 4)), start,
                           ELF_Field(entry + 16, 8));
    }
}

FILE *open_dump_file(int32_t pid, const char *suffix)
{
    char path[1024];
    snprintf(path, sizeof path, "/tmp/pid%djob.%s", pid, suffix);
    return fopen(path, "w");
}

const char *const M_COUNTERS =
    "'L1I_CACHE_MISS', %ld, 'L1D_CACHE_MISS', %ld, 'L1D_TRANSLATION_CACHE_MISS', %ld, "
    "'L2_INST_CACHE_MISS', %ld, 'L2_DATA_CACHE_MISS', %ld, 'ITLB_MISS', %ld, "
    "'DTLB_MISS', %ld, 'MEMORY_REFS', %ld, 'ICOUNT', %ld); \n";

void write_m_line(FILE *m, int number, const DumpRow &row)
{
    fprintf(m, "func(%d) = struct ('func_name', '%s', 'start_addr', 0x%016lX, 'end_addr', 0x%016lX, ", number,
            row.name, (unsigned long)row.start, (unsigned long)row.end);
    const uint64_t *c = row.counters;
    fprintf(m, M_COUNTERS, (long)c[0], (long)c[1], (long)c[2], (long)c[4], (long)c[5], (long)c[11],
            (long)c[12], (long)row.memory_refs, (long)c[13]);
}

void dump_process(const Process *p)
{
    FILE *m = open_dump_file(p->pid, "m");
    if (!m) return;
    FILE *debug = open_dump_file(p->pid, "debug");
    if (!debug) {
        fclose(m);
        return;
    }
    std::map<uint64_t, TNode> functions;
    for (const LoadedFile *f = p->files; f; f = f->next) {
        const char *name = f->name ? f->name : "";
        ELF_Info *info = Object_File(name);
        if (!info) {
            fprintf(debug, "DumpSingleProcessInfo: Object_File(%s) failed, skipping it... \n", name);
            continue;
        }
        fprintf(debug, "%s: EA is 0x%016lX, length = 0x%016lX \n", name, (unsigned long)f->address,
                (unsigned long)f->length);
        if (info->kind == ELF_KIND_32BE)
            copy_32bit_symbols(debug, f, info, functions);
        else if (info->kind == ELF_KIND_64BE)
            copy_64bit_symbols(debug, f, info, functions);
        else
            fprintf(debug, " %s: ERROR, unknown type of elf file, skipping it... \n", name);
    }
    const size_t count = functions.size();
    DumpRow *rows = count ? (DumpRow *)quarn_zalloc(count * sizeof(DumpRow), sizeof(DumpRow), "DumpRow",
                                                    __FILE__, __LINE__)
                          : nullptr;
    if (count && !rows) {
        // Only this process's dump ends; the others are still written.
        sim_error("unable to allocate %i bytes \n", (int)(count * sizeof(DumpRow)));
    } else {
        size_t n = 0;
        for (const auto &[start, node] : functions) {
            DumpRow &row = rows[n++];
            row.start = node.start;
            row.end = node.end;
            row.size = node.size;
            memcpy(row.name, node.name, sizeof node.name);
        }
        for (size_t i = 0; i < count; i++)
            fprintf(debug, "[%d] 0x%016lX 0x%016lX %llu %s \n", (int)i, (unsigned long)rows[i].start,
                    (unsigned long)rows[i].end, (unsigned long long)rows[i].size, rows[i].name);
        int number = 1;
        for (size_t i = 0; i < count; i++)
            if (rows[i].use_count) write_m_line(m, number++, rows[i]);
        DumpRow unknown{};
        snprintf(unknown.name, sizeof unknown.name, "UNKNOWN");
        write_m_line(m, number, unknown);
    }
    if (rows) quarn_free(rows, __FILE__, __LINE__);
    fclose(m);
    fclose(debug);
}

void dump_tree(const Process *p, int depth)
{
    if (!p) return;
    dump_process(p);
    if (depth < PT_TABLE_SIZE)
        for (const Process *c = p->child; c; c = c->sibling)
            dump_tree(c, depth + 1);
}

} // namespace

int PT_DumpToFileCmd(Selector *selector, Tcl_Interp *, int, char **)
{
    ProcessTree *tree = tree_of(selector);
    if (tree) dump_tree(tree->root, 0);
    return 0;
}

SimCmdTable *build_ProcessTree_table(void *)
{
    SimCmdTable *t = Init_SimCmdTable("ProcessTree");
    add_simcommand(t, "newproc", PT_ProcessNewCmd, "PT_ProcessNewCmd", 3, 0, "pid ppid flags");
    add_simcommand(t, "execproc", PT_ProcessExecCmd, "PT_ProcessExecCmd", 2, 0, "pid execname");
    add_simcommand(t, "addfile", PT_ProcessAddFileCmd, "PT_ProcessAddFileCmd", 7, 0,
                   "pid filename ea length prot flag file_offset");
    add_simcommand(t, "killproc", PT_ProcessKillCmd, "PT_ProcessKillCmd", 1, 0, "pid");
    add_simcommand(t, "dump", PT_DumpToFileCmd, "PT_DumpToFileCmd", 0, 0, nullptr);
    add_simcommand(t, "clear", PT_ClearCmd, "PT_ClearCmd", 0, 0, nullptr);
    SimCmdTable *display = Init_SimCmdTable("ProcessTreeDisplay");
    add_simcommand(display, "all", PT_DisplayAllCmd, "PT_DisplayAllCmd", 0, 0, nullptr);
    add_simcommand(display, "process", PT_DisplayProcessCmd, "PT_DisplayProcessCmd", 1, 0, "[pid]");
    SimCmdTable *stats = Init_SimCmdTable("PTDisplayTclStats");
    add_simcommand(stats, "process_columns", PTDisplay_TclStats_ProcessColumns,
                   "PTDisplay_TclStats_ProcessColumns", 0, 0, nullptr);
    add_simcommand(stats, "process_indices", PTDisplay_TclStats_ProcessIndices,
                   "PTDisplay_TclStats_ProcessIndices", 1, 0, "[index]");
    add_simcommand(stats, "proc_file_info", PTDisplay_TclStats_ProcFileInfo,
                   "PTDisplay_TclStats_ProcFileInfo", 2, 0, "[pid] [file-index]");
    add_simcommand(stats, "proc_range_info", PTDisplay_TclStats_RangeInfo, "PTDisplay_TclStats_RangeInfo", 3,
                   0, "[pid] [ea-start] [ea-end]");
    connect_subtable(display, "tcl_stats", stats, 0, nullptr);
    connect_subtable(t, "display", display, 0, nullptr);
    return t;
}
