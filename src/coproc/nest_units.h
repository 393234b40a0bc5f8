// The nest units that the unit-creation commands create and inspect: coprocessor bus interfaces
// (PBICs) with their coprocessors, the coprocessor-type table, the XSCOM window and the AS unit.
#pragma once

#include <cstdint>

struct GenericMachine;
struct MCM;

// A coprocessor on a PBIC.
struct COProcessorState {
    const char *name; // the type's engine name
    int32_t type;
    int32_t ci;
    int32_t index; // within its PBIC, in creation order
    const char *state;
    COProcessorState *next;
};

// A coprocessor request as the PBIC queues it, filled from a 128-byte request block: bytes 0 and 1,
// the 16-bit field of bytes 2-3, byte 5, the 16-bit field of bytes 6-7, the 64-bit field of bytes
// 8-15 and the four 64-bit words of bytes 16-47.
struct MMU_CRB {
    uint8_t byte0;
    uint8_t byte1;
    uint16_t field2;
    uint8_t byte5;
    uint16_t field6;
    uint64_t field8;
    uint64_t words[4];
};

// A node of a request FIFO.
struct CRB_Queue {
    CRB_Queue *next;
    MMU_CRB *crb;
};

// A PBIC's request FIFO.
struct PBIC_FIFO {
    CRB_Queue *head;
    CRB_Queue *tail;
    int32_t max_count; // "max_queue_size" of section "PBIC", default 8
    int32_t used_count;
};

// A coprocessor bus interface of a chip.
struct PBICState {
    char name[32]; // "PBIC_%d_%d"
    int32_t index;
    int32_t ci;
    uint64_t mmio_start;
    uint64_t mmio_stop;
    COProcessorState *cops; // newest first
    int32_t cop_count;
    PBICState *next; // the chip's list
    PBIC_FIFO fifo;
};

// An entry of the coprocessor-type table.
struct CoprocessorTypeEntry {
    const char *engine_name;
    int32_t type;
};
extern CoprocessorTypeEntry *Coprocessor_Table;

PBICState *new_pbic(MCM *chip, int32_t chip_number, int32_t ci, uint64_t start, uint64_t stop);
// A coprocessor of the type and ci on the machine's PBIC of pbic_ci (the two values are unused);
// null when there is no such PBIC.
COProcessorState *new_pbic_cop(GenericMachine *machine, int32_t pbic_ci, int32_t type, int32_t ci, uint64_t unused1,
                               uint64_t unused2, int32_t is_gbif);
// The PBIC's MMIO registers: (access record or null, PBIC, register offset, value, length, flag)
// -> status.
struct MMAPI_Access;
int PBIC_read_reg(MMAPI_Access *access, PBICState *pbic, uint64_t offset, uint64_t *value, int32_t length,
                  int32_t flag);
int PBIC_write_reg(MMAPI_Access *access, PBICState *pbic, uint64_t offset, uint64_t value, int32_t length,
                   int32_t flag);
// The number of PBIC MMIO registers: 17.
int32_t PBIC_reg_count(void);
// A client attached to a coprocessor's GBIF, keyed by its three-word descriptor.
struct GBIF_Client {
    COProcessorState *cop;
    uint64_t descriptor[3];
};
// The connected GBIF client of that key on the coprocessor of ci on the chip, or null.
GBIF_Client *COP_connect_gbif_client(GenericMachine *machine, MCM *chip, int32_t ci, const uint64_t *descriptor);
// Decrements the 16-bit credit count in the top bits of the coprocessor's TCR for the queue.
void Decrement_TCR(COProcessorState *cop, int32_t queue);
// Appends a request node to a FIFO.
void CRB_enqueue(CRB_Queue **head, CRB_Queue **tail, CRB_Queue *node);
COProcessorState *new_cop(PBICState *pbic, int32_t type, int32_t ci, int32_t is_gbif);
PBICState *search_pbic_by_ci(GenericMachine *machine, int32_t ci);
PBICState *search_pbic_by_index(GenericMachine *machine, int32_t index);
COProcessorState *search_cop_by_index(PBICState *pbic, int32_t index);
COProcessorState *search_cop_by_type(PBICState *pbic, int32_t type, int32_t ci);
// Prints every chip's PBICs and coprocessors; 1 when done.
int show_cop_pbic_list(GenericMachine *machine);
CoprocessorTypeEntry *Search_Coprocessor_Table_by_Name(CoprocessorTypeEntry *table, const char *name);
// The chip's PBIC list (first created first).
PBICState *PBIC_List_Of_Chip(MCM *chip);
// Non-zero when the window was made.
int xscom_create(MCM *chip, uint64_t base);
int as_create(MCM *chip, uint64_t base, uint64_t frequency);
