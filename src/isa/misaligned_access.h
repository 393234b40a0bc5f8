// The access micro-operations of the sequences into which the cycle-level core cracks a misaligned
// load or store (and the misaligned elements of a string instruction): each piece stays inside
// one aligned block and goes to or comes from the scratch GPRs 32, 33 and 34, where the shift,
// add and merge steps join them.
//
// One routine per row ("misal_lbz", "misal_stb", "misal_stfd", "misal_lsw", "misal_lsw_ds",
// "misal_lswx", "misal_stsw", "misal_stsw_ds", "misal_stswx", "misal_stxswx", "misal_lvlx",
// "misal_lvrx", "misal_stvlx", "misal_stvrx", "misal_xxlor"; declared with the instruction table in
// decode/semantics.h). Each looks at ucode_id and does the one piece of work that id stands for,
// with the piece's length in data.size and the whole access's length in misal_total, both set by
// the core; an id it does not know does nothing and returns 0.
//
// Every routine returns 1 when its piece was done, 0 when it did nothing or the access failed
// (nothing is written then). The effective address goes to data.ea, orig_ea and ea2 and the row's
// access size to data.size2; an instruction in flight keeps the displacement or index in
// operand_slot2. The address-overflow check runs on every address, but an interrupt it raises
// stays on the record without stopping the piece. None advances the next-instruction address.
#pragma once

#include <cstdint>

// The class flag of the string rows: such a row's own access size, when it has one, replaces the
// core's misal_total.
constexpr uint64_t MISAL_STRING_CLASS = 0x200000;
