// Two checks on the effective address of a data access: the data address watchpoint (DAWR0 with
// its control register DAWRX0), and the effective-address overflow (EAO) check of tags-active
// state, which the address generation of the load and store semantics runs right after computing
// an address.
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;
struct PowerPCException;

// The watchpoint: 1 when the access matched and its interrupt was raised (with dar, or the address
// the match reports, as DAR), else 0. check_end: the last byte of the access is tested too.
int CheckDAWR(IOPDesc *iop, uint64_t dar, AXD *axd, int check_end);
// The address test of the watchpoint: 1 on a match, with the address to report in *match_out and
// in *dar_io (its low 3 bits cleared).
int TestDawrEaMatch(IOPDesc *iop, AXD *axd, uint64_t *dar_io, uint64_t *match_out, int check_end);
// Raises the watchpoint interrupt (DATA_STORAGE_DAWR, or HV_DSI_DAWR for a partition routed to
// the hypervisor).
PowerPCException *interrupt_DAWR_Match(IOPDesc *iop, uint64_t ignored, uint64_t address, uint32_t kind,
                                       int32_t subtype);

// The overflow check of an address computed from RA and value: 2 not tested or no overflow, 1 an
// overflow of a touch hint (no interrupt), 0 the EAO interrupt was raised. enable 0 (the access
// size of callers that pass one) or a row that is not a storage access: 2.
int CEA_CHECK_EAO(IOPDesc *iop, uint32_t ra, uint64_t value, int64_t enable);
// The check itself on the instruction's data access.
int CEA_CHECK_EAO_WITH_INTERRUPT(IOPDesc *iop);
// Raises the EAO interrupt (EAO_DATA_STORAGE, or HV_EAO_DATA_STORAGE).
PowerPCException *interrupt_EAO(IOPDesc *iop, uint64_t address, uint64_t dar_address, uint32_t kind);
// (RA|0) + displacement into ea, orig_ea and ea2 of the data access, the row's access size into
// row_size (the displacement into operand slot B for an instruction in flight); then the overflow
// check's result.
int EA_Gen_RA_Disp_EAO(IOPDesc *iop, uint32_t ra, uint64_t displacement, int64_t enable);
