// The fetch translation carried from the branch scan to each instruction while an instruction-trace
// plug-in is on: the scan saves a copy of the fetch translation per instruction, and starting the
// instruction moves it into the instruction record's fetch descriptor.
#pragma once

struct AXD;
struct DecodedInst;
struct IOPDesc;

extern "C" {
// Saves the translation of the instruction's own address, taken from the fetch descriptor of its
// fetch group, in a record of the pool "jqAXDPool" (created on first use) that decoded points to.
void DecodedInst_set_addr_axd(DecodedInst *decoded, AXD *axd);
// Copies the saved translation into the record's fetch descriptor (W and M kept only when the
// processor supports them) and, at the last micro-operation, returns it to the pool. Without one
// the fetch descriptor's physical address becomes 1: no translation was carried.
void IOP_set_addr_axd(IOPDesc *iop, DecodedInst *decoded);
}
