// The "ProcessTree" table and its "display" and "tcl_stats" sub-tables.
#include "command/process_tree_commands.h"

#include <cstdlib>
#include <string>

#include "command/cmd_table.h"
#include "command/selector.h"
#include "guest/process_tree.h"
#include "processor/records/generic_machine.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"
#include "translator/trace_process.h"

namespace
{

constexpr int32_t MAX_PID = PT_MAX_PID + 1;

const char *const InstStats_Names[14] = {"L1I_CACHE_MISS",
                                         "L1D_CACHE_MISS",
                                         "L1D_TRANSLATION_CACHE_MISS",
                                         "L1D_SIMSUPPORT_CACHE_MISS",
                                         "L2_INST_CACHE_MISS",
                                         "L2_DATA_CACHE_MISS",
                                         "L3_INST_CACHE_MISS",
                                         "L3_DATA_CACHE_MISS",
                                         "BIT32_INST",
                                         "BIT64_INST",
                                         "TLB_MISS",
                                         "ITLB_MISS",
                                         "DTLB_MISS",
                                         "INST_COUNT"};

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

SimCmdTable *build_ProcessTree_table(void *)
{
    SimCmdTable *t = Init_SimCmdTable("ProcessTree");
    add_simcommand(t, "newproc", PT_ProcessNewCmd, "PT_ProcessNewCmd", 3, 0, "pid ppid flags");
    add_simcommand(t, "execproc", PT_ProcessExecCmd, "PT_ProcessExecCmd", 2, 0, "pid execname");
    add_simcommand(t, "addfile", PT_ProcessAddFileCmd, "PT_ProcessAddFileCmd", 7, 0,
                   "pid filename ea length prot flag file_offset");
    add_simcommand(t, "killproc", PT_ProcessKillCmd, "PT_ProcessKillCmd", 1, 0, "pid");
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
