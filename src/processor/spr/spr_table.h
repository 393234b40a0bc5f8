// The SPR table of a processor: 1,024 entries indexed by SPR number, each saying whether the SPR
// exists, which register description it reaches, who may move from and to it and through which
// routines, and the side-effect-free accessors of tools. Built by INIT_SPR_Table from the
// processor's options and property list, freed by QUIT_SPR_Table; looked up by number and name.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ProcessorState;
struct PropertyList;
struct ThreadState;
struct reg_desc_table_entry;

constexpr int32_t SPR_TABLE_SIZE = 1024;
constexpr int32_t SPR_NONE = 16000; // "no SPR" in every lookup

// Privilege levels: 1 hypervisor state only, 2 privileged state, 3 any state; 0 no access.
enum : uint32_t { SPR_LEVEL_NONE = 0, SPR_LEVEL_HYPERVISOR = 1, SPR_LEVEL_PRIVILEGED = 2, SPR_LEVEL_ANY = 3 };

typedef void (*SPRMoveFromEventFn)(ThreadState *thread, int32_t spr);
typedef void (*SPRMoveToEventFn)(ThreadState *thread, int32_t spr, uint64_t value);
// A read routine sets *leave_target to 1 when mfspr is to write nothing.
typedef uint64_t (*SPRReadFn)(IOPDesc *iop, int32_t *leave_target);
typedef void (*SPRWriteFn)(IOPDesc *iop, uint64_t value);
typedef uint64_t (*SPRToolReadFn)(ThreadState *thread, uint32_t argument);
typedef void (*SPRToolWriteFn)(ThreadState *thread, uint64_t value, uint32_t argument);

struct spr_table_entry {
    uint32_t valid;
    uint32_t unknown_reported; // the unknown-SPR warning was given for this number
    uint32_t mf_event;
    uint32_t mt_event;
    SPRMoveFromEventFn mf_event_routine;
    SPRMoveToEventFn mt_event_routine;
    int32_t register_id;        // SprRegId; aliases of one register share it
    reg_desc_table_entry *rdte; // the register's description
    uint32_t read_level;
    uint32_t write_level;
    SPRReadFn read;
    SPRWriteFn write;
    SPRToolReadFn tool_read;
    SPRToolWriteFn tool_write;
    uint32_t only_64bit;
};

// Register identities of the SPR definitions. Two SPR numbers that reach one register carry one
// identity (SIER 768/784, MMCR2 769/785, DSCR 3/17, the BESCR forms, SPRG3 and its read-only
// alias, TBU and TBU_ro, APSCR and APSCRU, the problem-state aliases of the monitor registers).
enum SprRegId : int32_t {
    SPR_ID_NONE = 0,
    SPR_ID_XER, SPR_ID_DSCR, SPR_ID_LR, SPR_ID_CTR, SPR_ID_AMR, SPR_ID_DSISR, SPR_ID_DAR, SPR_ID_DEC,
    SPR_ID_SDR1, SPR_ID_SRR0, SPR_ID_SRR1, SPR_ID_CFAR, SPR_ID_ACOP, SPR_ID_PID, SPR_ID_EPID,
    SPR_ID_IAMR, SPR_ID_TFHAR, SPR_ID_TFIAR, SPR_ID_TEXASR, SPR_ID_TEXASRU, SPR_ID_CTRL_ro,
    SPR_ID_APSCR, SPR_ID_TIDR, SPR_ID_CTRL, SPR_ID_FSCR, SPR_ID_UAMOR, SPR_ID_PSPB, SPR_ID_DPDES,
    SPR_ID_DHDES, SPR_ID_DAWR0, SPR_ID_MPPR, SPR_ID_RPR, SPR_ID_CIABR, SPR_ID_DAWRX0, SPR_ID_HFSCR,
    SPR_ID_VRSAVE, SPR_ID_SPRG3, SPR_ID_TB, SPR_ID_TBU, SPR_ID_SPRG0, SPR_ID_SPRG1, SPR_ID_SPRG2,
    SPR_ID_SCOMC, SPR_ID_SCOMD, SPR_ID_CIR, SPR_ID_TBL, SPR_ID_TB40, SPR_ID_PVR, SPR_ID_HSPRG0,
    SPR_ID_HSPRG1, SPR_ID_HDSISR, SPR_ID_HDAR, SPR_ID_SPURR, SPR_ID_PURR, SPR_ID_HDEC, SPR_ID_RMOR,
    SPR_ID_HRMOR, SPR_ID_HSRR0, SPR_ID_HSRR1, SPR_ID_MMCRH, SPR_ID_TFMR, SPR_ID_LPCR, SPR_ID_LPIDR,
    SPR_ID_HMER, SPR_ID_HMEER, SPR_ID_PCR, SPR_ID_HEIR, SPR_ID_HPMC1, SPR_ID_HPMC2, SPR_ID_HPMC3,
    SPR_ID_HPMC4, SPR_ID_AMOR, SPR_ID_ELPIDR, SPR_ID_HACOP, SPR_ID_TIR, SPR_ID_SIER, SPR_ID_MMCR2,
    SPR_ID_MMCRA, SPR_ID_PMC1, SPR_ID_PMC2, SPR_ID_PMC3, SPR_ID_PMC4, SPR_ID_PMC5, SPR_ID_PMC6,
    SPR_ID_MMCR0, SPR_ID_SIAR, SPR_ID_SDAR, SPR_ID_MMCR1, SPR_ID_IMC, SPR_ID_BESCR, SPR_ID_EBBHR,
    SPR_ID_EBBRR, SPR_ID_TAR, SPR_ID_ICR, SPR_ID_VTB, SPR_ID_LDBAR, SPR_ID_MMCRC, SPR_ID_PMICR,
    SPR_ID_PMSR, SPR_ID_PMMAR, SPR_ID_L2HADSR, SPR_ID_L3HARPR, SPR_ID_L3HAWPR, SPR_ID_L2MVSR0,
    SPR_ID_L2MVSR1, SPR_ID_L2QOSR, SPR_ID_WORC, SPR_ID_TRIG0, SPR_ID_TRIG1, SPR_ID_TRIG2, SPR_ID_IAR,
    SPR_ID_PMCR, SPR_ID_RWMR, SPR_ID_TACR, SPR_ID_TCSCR, SPR_ID_CSIGR, SPR_ID_SPMC1, SPR_ID_SPMC2,
    SPR_ID_MMCRS, SPR_ID_WORT, SPR_ID_TSRL, SPR_ID_TSR1, SPR_ID_PPR32, SPR_ID_TSCR, SPR_ID_TTR,
    SPR_ID_TRACE, SPR_ID_HID0, SPR_ID_HID1, SPR_ID_HID4, SPR_ID_HID5, SPR_ID_PIR,
    SPR_ID_COUNT
};

// Allocates the 1,024 zeroed entries and defines the processor's SPRs.
void INIT_SPR_Table(ProcessorState *core, PropertyList *list);
// Frees the table; the entry count becomes 0, so every later lookup is out of range.
void QUIT_SPR_Table(ProcessorState *core);

// Defines one SPR; null when the number already holds a valid entry ("Two SPRs for %d: %s and
// %s") or is out of range.
spr_table_entry *Define_SPR(ProcessorState *core, int32_t spr, int32_t register_id, const char *name,
                            int32_t width, SPRReadFn read, uint32_t read_level, SPRWriteFn write,
                            uint32_t write_level, SPRToolReadFn tool_read, SPRToolWriteFn tool_write);
spr_table_entry *Define_SPR32(ProcessorState *core, int32_t spr, int32_t register_id, const char *name,
                              SPRReadFn read, uint32_t read_level, SPRWriteFn write, uint32_t write_level,
                              SPRToolReadFn tool_read, SPRToolWriteFn tool_write);
spr_table_entry *Define_SPR64(ProcessorState *core, int32_t spr, int32_t register_id, const char *name,
                              SPRReadFn read, uint32_t read_level, SPRWriteFn write, uint32_t write_level,
                              SPRToolReadFn tool_read, SPRToolWriteFn tool_write);
// Exported without a caller; does nothing.
void Define_Mapping_SPR(void);

// The entry of an SPR number; null (with the warning "SPR number out of range for %d") outside
// the table.
spr_table_entry *Index_SPR_Table(ProcessorState *core, int32_t spr);
// 1 when 0 <= number < the entry count.
int valid_spr_number(ProcessorState *core, int32_t spr);
void set_spre_valid(ProcessorState *core, int32_t spr, uint32_t value);
// The entry's valid field; 0 for 16000 (silently) and for numbers out of range.
uint32_t Valid_SPR(ProcessorState *core, int32_t spr);
// The name of the entry's register; null when the entry or its register is absent.
const char *SPR_Name(spr_table_entry *entry);
const char *Find_SPR_Name(ProcessorState *core, int32_t spr);
// The lowest SPR number whose register name equals the name (case ignored); 16000 when none.
int32_t Find_SPR_Number(ProcessorState *core, const char *name);
int32_t Find_SPR_IDX(ProcessorState *core, int32_t spr);
// The register's width in bytes; 0 when the entry or its register is absent.
int32_t SPR_size(ProcessorState *core, int32_t spr);
// Always 0: the SPR trigger command takes 0 as no register.
uint64_t get_spr_register(ThreadState *thread, uint64_t unused1, uint64_t unused2);
// SPRs 955-957 and 979-981 valid unless the chip version is DD2.0.
void Change_Dravo_Chip_Version(ProcessorState *core);
