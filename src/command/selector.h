// The selection context of a command: which configuration, machine, chip, processor and thread a
// command is about; the select operations that fill in defaults, check bounds and cache the
// objects found; and the path words "mcm", "cpu"/"ppc" and "thread" that narrow it.
#pragma once

#include <cstdint>

struct GenericMachine;
struct MCM;
struct ProcessorState;
struct PropertyList;
struct ThreadState;
struct ConsoleDevice;
struct Tcl_Interp;

struct Selector {
    PropertyList *property_list; // the configuration (or the machine's copy), or null
    GenericMachine *machine;
    int32_t mcm_index; // -1 when not given
    MCM *mcm;          // cached by select_mcm
    int32_t cpu_index; // -1 when not given; within the MCM when an MCM index is given
    ProcessorState *processor;
    int32_t thread_index; // -1 when not given
    ThreadState *thread;
};

void Initialize_Selector(Selector *selector);
void Define_Selected_Machine(Selector *selector, GenericMachine *machine);
void Define_Selected_PropertyList(Selector *selector, PropertyList *list);
void Define_Selected_MCM(Selector *selector, int32_t index);
void Define_Selected_Processor(Selector *selector, int32_t index);
void Define_Selected_Thread(Selector *selector, int32_t index);

// Each answers null for a null selector.
PropertyList *select_PropertyList(Selector *selector);
GenericMachine *select_machine(Selector *selector);
MCM *select_mcm(Selector *selector);
ProcessorState *select_processor(Selector *selector);
ThreadState *select_thread(Selector *selector);
ConsoleDevice *select_console(Selector *selector);
// 3 with a thread index, else 2 with a CPU index, else 1 with an MCM index, else 0.
int what_selector_level(Selector *selector);
// The registered name of the selected machine, or null.
const char *Get_Quarn_Machine_Name(Selector *selector);

// Continues the dispatch from argv[1] in the table of the selection level (machine, chip,
// processor or thread); 0 when the dispatch succeeded, else 1.
int Continue_At_Appropriate_Menu(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);

// The path-word handlers: argv[0] the command path, argv[1] the number or thread specifier, the
// rest the words still to dispatch. 0 or 1.
int PPC_McmCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PPC_CpuCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
int PPC_ThreadCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv);
