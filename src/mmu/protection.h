// Storage protection and storage keys: the page-protection and tags-active tables, the access
// classes, the protection decision and the storage-key rule.
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;

// By access kind: bit i of the word is set when protection index i permits the access
// (index: bit 5 PP0, bit 4 MSR[PR], bit 3 Ks, bit 2 Kp, bits 0-1 PP).
extern const uint64_t protValues[10];
// By access kind: bit (31 - t) set when tags-active index t permits the access
// (t: bit 4 MSR[PR], bit 3 MSR bit 0x80, bit 2 PP0, bits 0-1 PP).
extern const uint32_t TA_protValues[10];

// Access class of a kind: 0 read, 1 write, 2 fetch (an unknown kind counts as a fetch); *out
// receives value.
int MMU_MAPPING(uint32_t kind, int ignored, uint64_t value, uint64_t *out);
// 1 permitted, 0 refused, by the descriptor's perm bits, the kind and the thread's state.
int PPC_MMU_Check_Access(IOPDesc *iop, AXD *axd);
// The five-bit storage key of a page-table entry's second doubleword.
uint32_t PTE_Storage_Key(uint64_t dw1);
// The storage-key check of an access to a page with this key: 0 permitted, else the SRR1 cause
// of the violation (KEY_CAUSE_AMR or KEY_CAUSE_IAMR). Records the violation's debug text.
uint64_t Storage_Key_Violation(IOPDesc *iop, AXD *axd, uint32_t key);

enum : uint64_t { KEY_CAUSE_IAMR = 0x200000, KEY_CAUSE_AMR = 0x8000000 };
