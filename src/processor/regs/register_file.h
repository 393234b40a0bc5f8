// Register files and register descriptions. Every named register is known twice: as a slot in
// its owner record and as an entry of its owner's register file (thread, core or machine), which
// maps the name to the slot, the owner and the register's description. Descriptions are kept
// once per core in its description table and shared by the entries of all the core's threads:
// size, kind, index, scope, offset, implemented-bits mask, initial value, accessors, power level.
#pragma once

#include <cstdint>

struct GenericMachine;
struct ProcessorState;
struct ThreadState;
struct Register_File_Entry;
struct reg_desc_table_entry;
struct Reg_Trigger_List;
struct Reg_Trigger_Node;

// An owner holds at most this many registers; the file has room for one more.
constexpr int32_t REGISTER_FILE_CAPACITY = 2047;
constexpr int32_t REGISTER_FILE_LIMIT = 2046;

// Scopes ("Other", "M", "PS", "T", "PS_LPAR").
enum : int32_t {
    REG_SCOPE_OTHER = 0,
    REG_SCOPE_MACHINE = 1,
    REG_SCOPE_CORE = 2,
    REG_SCOPE_THREAD = 3,
    REG_SCOPE_PARTITION = 4,
};

// Register kinds ("Reg32", "Reg64", "Reg128", ... "Watch_Reg").
enum : int32_t {
    REG_TYPE_REG32 = 0,
    REG_TYPE_REG64 = 1,
    REG_TYPE_REG128 = 2,
    REG_TYPE_REG256 = 3,
    REG_TYPE_TLB_RESERVE = 4,
    REG_TYPE_TLBE = 5,
    REG_TYPE_RESRV = 6,
    REG_TYPE_REG = 7,
    REG_TYPE_FPREG = 8,
    REG_TYPE_FPSCR = 9,
    REG_TYPE_PERF_COUNTER = 10,
    REG_TYPE_IERAT = 11,
    REG_TYPE_DERAT = 12,
    REG_TYPE_ERAT_ROUND_ROBIN = 13,
    REG_TYPE_WATCHLOST = 14,
    REG_TYPE_WATCH_REG = 15,
};

// Access kinds recorded in an entry and passed to the accessors.
enum : uint32_t {
    REG_ACCESS_INSTRUCTION = 1, // instruction-level read, or an extended-SPR tool access
    REG_ACCESS_FILE = 5,        // through the register file
    REG_ACCESS_COMMAND = 7,     // commands and the embedding interface through the SPR table
    REG_ACCESS_MOVE_FROM = 9,   // instruction-level move-from read
    REG_ACCESS_DEFINED = 12,    // at definition
};

// Power levels (power-mode codes).
enum : int32_t {
    POWER_OFF = 0,
    POWER_WINKLE = 1,
    POWER_SLEEP = 2,
    POWER_NAP = 3,
    POWER_DOZE = 4,
    POWER_ACTIVE = 5,
};

// Generic by-name accessors: a read fills *value (4, 8 or 16 bytes by the register's size) and
// returns 2; a write takes the new value and a mask that these accessors ignore.
typedef int (*RegGenericRead)(Register_File_Entry *entry, void *value);
typedef void (*RegGenericWrite)(Register_File_Entry *entry, const void *value, const void *mask);
// The cooked accessors of a register (tCOOKED_GET_<name>, tCOOKED_SET_<name>), kept untyped
// because their value width follows the register: 32-bit registers take and give uint32_t.
typedef void (*RegCookedFn)(void);
typedef uint64_t (*RegCookedGet64)(ThreadState *thread, uint32_t kind);
typedef uint32_t (*RegCookedGet32)(ThreadState *thread, uint32_t kind);
typedef uint64_t (*RegCookedSet64)(ThreadState *thread, uint64_t value, uint32_t kind);
typedef uint32_t (*RegCookedSet32)(ThreadState *thread, uint32_t value, uint32_t kind);
// Alternative SPR handlers installed by plug-ins: called with (data, thread, the register's index,
// [value,] access kind).
typedef uint64_t (*RegAlternativeRead)(void *data, ThreadState *thread, int32_t index, uint32_t kind);
typedef void (*RegAlternativeWrite)(void *data, ThreadState *thread, int32_t index, uint64_t value,
                                    uint32_t kind);

struct reg_desc_table_entry {
    reg_desc_table_entry *next;
    char *name;       // interned
    int32_t size;     // bytes
    int32_t reg_type; // REG_TYPE_*
    int32_t index;    // element number of an indexed register (GPR n), else 0
    int32_t special;  // 1 when defined with scope 0 or marked special
    int32_t scope;    // REG_SCOPE_*
    int32_t offset;   // of the slot in its owner record
    uint64_t mask;    // implemented bits ("processor/mask/%s")
    uint64_t initial; // initial value ("processor/initial/%s")
    int32_t power_level;
    int32_t spr_number; // the SPR defined last under this name (SPR table)
    RegGenericRead generic_read;
    RegGenericWrite generic_write;
    RegCookedFn cooked_get;
    RegCookedFn cooked_set;
    RegAlternativeRead alternative_read_spr;
    void *alternative_read_data;
    RegAlternativeWrite alternative_write_spr;
    void *alternative_write_data;
};

// A core's description table: the head of its entry list (newest first) and two words of
// bookkeeping for the register definitions.
struct reg_desc_table {
    reg_desc_table_entry *head;
    int32_t words[2];
};

struct Register_File_Entry {
    int32_t index;              // the entry's own position
    reg_desc_table_entry *desc; // the register's description
    int32_t scope;              // REG_SCOPE_*
    void *slot;                 // the slot in its owner (Reg32, Reg64, Reg128 or a plain word)
    ThreadState *owner;         // the thread passed to the accessors
    int32_t access_kind;        // REG_ACCESS_DEFINED at definition, REG_ACCESS_FILE after a generic read
    int32_t defined;            // the register holds a defined value (branch-history entries)
    int32_t partition;          // 1 when re-scoped to a partition
};

struct Register_File {
    int32_t count;
    Register_File_Entry entries[REGISTER_FILE_CAPACITY];
};

// ---- register files and descriptions ----

Register_File *Init_Register_File(void);
void UnDefine_Registers(Register_File *file);
void Quit_Register_File(Register_File *file);
void QUIT_rdt(reg_desc_table *table);

// The description of that name, created or (with other geometry) updated.
reg_desc_table_entry *Register_Table_Entry(reg_desc_table *table, const char *name, int32_t reg_type,
                                           int32_t size, int32_t index, int32_t scope, int32_t offset);
reg_desc_table_entry *Find_Register_Table_Entry_By_Name(reg_desc_table *table, const char *name);
reg_desc_table_entry *make_register_special(reg_desc_table *table, const char *name);
Register_File_Entry *Search_Register_File(Register_File *file, const char *name);
// The entry a name designates for a thread: its own file, its partition core's (partition
// entries only), its core's, its machine's.
Register_File_Entry *Find_Register_By_Name(ThreadState *thread, const char *name);

// Defines one register: appends an entry to the owner's file (the first owner given decides:
// machine, core, thread), creates or updates its description with its mask and initial value
// from the configuration, and links the slot to the entry. Returns the entry.
Register_File_Entry *Define_Register(GenericMachine *machine, ProcessorState *core, ThreadState *thread,
                                     const char *name, int32_t reg_type, int32_t index, int32_t size,
                                     void *slot, RegGenericRead generic_read, RegGenericWrite generic_write,
                                     RegCookedFn cooked_get, RegCookedFn cooked_set);
// Machines define no registers of their own.
void Define_Machine_Registers(GenericMachine *machine);

// ---- generic by-name accessors ----

int Read_Register_Reg32(Register_File_Entry *entry, void *value);
void Write_Register_Reg32(Register_File_Entry *entry, const void *value, const void *mask);
int Read_Register_Reg64(Register_File_Entry *entry, void *value);
void Write_Register_Reg64(Register_File_Entry *entry, const void *value, const void *mask);
int Read_Register_GPR(Register_File_Entry *entry, void *value);
void Write_Register_GPR(Register_File_Entry *entry, const void *value, const void *mask);
int Read_Register_FPSCR(Register_File_Entry *entry, void *value);
void Write_Register_FPSCR(Register_File_Entry *entry, const void *value, const void *mask);
int Read_Register_VSR(Register_File_Entry *entry, void *value);
void Write_Register_VSR(Register_File_Entry *entry, const void *value, const void *mask);
int Read_Register_Word(Register_File_Entry *entry, void *value);
void Write_Register_Word(Register_File_Entry *entry, const void *value, const void *mask);
int Read_Register_SLBE(Register_File_Entry *entry, void *value);
void Write_Register_SLBE(Register_File_Entry *entry, const void *value, const void *mask);
int Read_Register_SLBV(Register_File_Entry *entry, void *value);
void Write_Register_SLBV(Register_File_Entry *entry, const void *value, const void *mask);
int Read_Register_CR(Register_File_Entry *entry, void *value);
void Write_Register_CR(Register_File_Entry *entry, const void *value, const void *mask);
int Read_Register_VMX(Register_File_Entry *entry, void *value);
void Write_Register_VMX(Register_File_Entry *entry, const void *value, const void *mask);
// A register of 4 or 8 bytes into a pair of words; 16 bytes: a warning and 0.
int Read_Register_into_RegValue(Register_File_Entry *entry, uint64_t *low, uint64_t *high);

// Kept for interface compatibility.
void Mark_Register_As_Known(Register_File_Entry *entry);
int Register_is_Known(Register_File_Entry *entry);
int Wolk_Reg_Init(void);
void Set_Wolk_Reg_Init(int value);

// ---- power levels and state loss ----

void Set_Register_Required_Power_Level(reg_desc_table *table, const char *name, int32_t level);
int32_t Get_Register_Required_Power_Level(reg_desc_table *table, const char *name);
extern "C" void LIBSIM__Set_Register_Power_Level(ThreadState *thread, const char *name, int32_t level);
extern "C" int32_t LIBSIM__Get_Register_Power_Level(ThreadState *thread, const char *name);
void reset_register_to_initial_value(Register_File_Entry *entry);
// Resets every register of the core and its threads whose required level is at or above level.
void Lower_Processor_Power_Level(ProcessorState *core, int32_t level);

// ---- alternative SPR handlers ----

reg_desc_table_entry *SPR_Get_ValidRtde(ProcessorState *core, int32_t spr);
int Register_Alternative_Read_SPR(ProcessorState *core, int32_t spr, RegAlternativeRead function, void *data);
int Register_Alternative_Write_SPR(ProcessorState *core, int32_t spr, RegAlternativeWrite function,
                                   void *data);
uint64_t call_alternative_read_spr(reg_desc_table_entry *desc, ThreadState *thread, uint32_t kind);
void call_alternative_write_spr(reg_desc_table_entry *desc, ThreadState *thread, uint64_t value,
                                uint32_t kind);

// ---- partitions ----

// Makes the core's partition registers owned by the thread, with scope 4 and the partition flag.
void LPAR_CORRECT_RTI(ProcessorState *core, ThreadState *thread);
// Every thread back on the core as its partition core; one partition; HID0 := 0 (written).
void Switch_LPAR_Mode_Multi_To_1(ProcessorState *core);

// ---- the register definitions (register_definitions.cpp) ----

// Defines the registers of a thread: GPRs, VSRs, branch-history entries, the SLB pairs and the
// named registers, then the special marks.
void Define_Thread_Registers(ThreadState *thread);
// Initialises the time base and the hypervisor decrementer, then defines the processor-scope
// registers with the processor's thread 0 as owner.
void Define_Processor_Registers(ProcessorState *processor);

// ---- listing and names ----

const char *Register_Scope_Name(int32_t scope);
const char *Register_Type_Name(int32_t reg_type);
void Print_Register_Table(reg_desc_table *table);

// ---- register-trigger lists ----

void Reg_Trigger_List_Clear(Reg_Trigger_List *list);
void Reg_Trigger_List_Free(Reg_Trigger_List *list, Reg_Trigger_List *enabled);
void Reg_Trigger_List_Remove(Reg_Trigger_List *list, Reg_Trigger_List *enabled, Reg_Trigger_Node *node);

// The implemented-bits mask of a slot's register (all ones for a slot not yet defined).
inline uint64_t Register_Entry_Mask(const Register_File_Entry *entry)
{
    return entry && entry->desc ? entry->desc->mask : ~0ull;
}
