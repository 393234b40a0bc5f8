// The extended-SPR table of a core and the external register ids. The table names the thread
// state that tools read and set by name or row number beyond the SPRs: PC, MSR, CR, FPSCR, VSCR,
// their change shadows, the instruction-match registers, the core's scratch, attention and data
// registers, PURR, SPURR, every TLB entry (TLBER/TLBEV) and every branch-history entry (BHRBE).
// Each row has a guess accessor (read without side effects) and a force accessor (write without
// side effects). The embedding interface numbers registers by a second, fixed list of 200 ids.
#pragma once

#include <cstddef>
#include <cstdint>

struct ProcessorState;
struct Reg_Trigger_Desc;
struct ThreadState;

constexpr int32_t EX_SPR_NONE = 16000;   // "no such row"
constexpr int32_t EX_SPR_ROWS = 1103;    // rows of a core's table
constexpr int32_t EX_SPR_TLB_FIRST = 47; // TLBER 0; TLBEV n is row 48 + 2n
constexpr int32_t EX_SPR_TLB_ENTRIES = 512;
constexpr int32_t EX_SPR_BHRB_FIRST = 1071;
constexpr int32_t EXSR_COUNT = 200; // external register ids 0 to 199

// Accessors of a unique row, called (thread) and (thread, value, 1), and of an indexed row,
// called (thread, index) and (thread, index, value, 1).
typedef uint64_t (*ExSprGuessFn)(ThreadState *thread);
typedef void (*ExSprForceFn)(ThreadState *thread, uint64_t value, int32_t forced);
typedef uint64_t (*ExSprIndexedGuessFn)(ThreadState *thread, int32_t index);
typedef void (*ExSprIndexedForceFn)(ThreadState *thread, int32_t index, uint64_t value, int32_t forced);

// A row's guess accessor in the call form its instance index decides.
union ExSprGuess {
    ExSprGuessFn unique;
    ExSprIndexedGuessFn indexed;
    constexpr ExSprGuess(std::nullptr_t = nullptr) : unique(nullptr) {}
    constexpr ExSprGuess(ExSprGuessFn f) : unique(f) {}
    constexpr ExSprGuess(ExSprIndexedGuessFn f) : indexed(f) {}
};
union ExSprForce {
    ExSprForceFn unique;
    ExSprIndexedForceFn indexed;
    constexpr ExSprForce(std::nullptr_t = nullptr) : unique(nullptr) {}
    constexpr ExSprForce(ExSprForceFn f) : unique(f) {}
    constexpr ExSprForce(ExSprIndexedForceFn f) : indexed(f) {}
};

struct ex_spr_reg {
    int32_t valid;
    char *name;       // interned; an indexed row's name ends in its index ("TLBER17")
    int32_t instance; // index of an indexed row, -1 for a unique one
    int32_t size;     // 4 or 8 bytes
    ExSprGuess guess;
    ExSprForce force;
};

// Builds the core's table (the row count set to 0 first).
void INIT_ex_spr_table(ProcessorState *core);
// Frees every row's name and the rows; count 0.
void QUIT_ex_spr_table(ProcessorState *core);
void Register_ex_SPR64_unique(ProcessorState *core, const char *name, ExSprGuessFn guess, ExSprForceFn force);
// An 8-byte (or 4-byte) row; instance -1 makes it unique.
void Register_ex_SPR64(ProcessorState *core, const char *name, int32_t instance, ExSprGuess guess,
                       ExSprForce force);
void Register_ex_SPR32(ProcessorState *core, const char *name, int32_t instance, ExSprGuess guess,
                       ExSprForce force);

// The row's name; null outside the table.
const char *Find_ex_SPR_Name(ProcessorState *core, int32_t row);
// The row's valid flag; 0 outside the table.
int32_t Valid_ex_SPR(ProcessorState *core, int32_t row);
// 4 or 8; 0 outside the table.
int32_t ex_SPR_size(ProcessorState *core, int32_t row);
// The first row of that name (case ignored); EX_SPR_NONE when none.
int32_t Convert_ex_SPR_Name_To_Enum(ProcessorState *core, const char *name);
// The row's guess (cut to 32 bits for a 4-byte row); 0 for a bad row or one without accessor.
uint64_t GUESS_ex_spr(ThreadState *thread, int32_t row);
// The row's force; nothing for a bad row or one without accessor.
void FORCE_ex_spr(ThreadState *thread, int32_t row, uint64_t value);
// The guessed value as "0x%08X" or "0x%016lX" in a static buffer; null for a bad row.
const char *ex_spr_value(ThreadState *thread, int32_t row);
// The trigger slot of the thread's MSR, CR or FPSCR when the row is one of these; else null.
Reg_Trigger_Desc **get_ex_spr_register_trig(ThreadState *thread, int32_t row);

// The core register a SCOMC index value selects through SCOMD, or null.
const char *SCOMD_Register_Name(ThreadState *thread, uint64_t scomc);
// Read or write through SCOMD the register the thread's SCOMC selects.
uint64_t GUESS_SCOMD_Register(ThreadState *thread);
void FORCE_SCOMD_Register(ThreadState *thread, uint64_t value);

// The branch-history entries the thread may use; *remainder gets what is left over when the
// entries are shared among the core's threads.
int32_t Get_BHRB_Range(ThreadState *thread, int32_t *remainder);
// Clears the thread's usable branch-history entries and their defined flags.
void Mark_Entire_BHRBE_Array_Undefined(ThreadState *thread);
void SET_BHRBE_UNDEFINED_BITS(ThreadState *thread, int32_t entry, uint64_t mask);

// The TLB-entry rows: TLBER is the architected entry image, TLBEV the entry's VPN bits.
uint64_t xGUESS_TLBER(ThreadState *thread, int32_t index);
void xFORCE_TLBER(ThreadState *thread, int32_t index, uint64_t value, int32_t forced);
uint64_t xGUESS_TLBEV(ThreadState *thread, int32_t index);
void xFORCE_TLBEV(ThreadState *thread, int32_t index, uint64_t value, int32_t forced);
// The branch-history rows.
uint64_t xGUESS_BHRBE(ThreadState *thread, int32_t index);
void xFORCE_BHRBE(ThreadState *thread, int32_t index, uint64_t value, int32_t forced);

// The names of the external register ids, in id order.
extern const char *const EXSR_Names[EXSR_COUNT];
// The id of a name (case ignored): the first match in id order; -1 when unknown.
extern "C" int32_t LIBSIM__EXSR_Number(const char *name);
