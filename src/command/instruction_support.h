// Small routines that instruction paths and printers call: zero-filling of guest pages by
// effective address, the icswx coprocessor gate and the SPR field
// of the disassembler (declared in processor/hooks/disassembler.h).
#pragma once

#include <cstddef>
#include <cstdint>

struct GenericMachine;
struct IOPDesc;
struct ThreadState;

// Pages zeroed by EA_zero_page_exception since start-up.
extern "C" uint32_t total_pages_cleared;

// Zeroes count 4 KiB pages at successive effective addresses from ea (4 KiB aligned), each
// translated anew; stops at a page without host memory or with a matching memory trigger. With
// flag 0 translation raises nothing; otherwise a failing translation raises its storage interrupt.
// Answers the pages zeroed.
uint32_t EA_zero_page_exception(ThreadState *thread, uint64_t ea, int32_t count, int flag);

// The gate in front of the coprocessor request of icswx, `signal_cop`, is declared in
// isa/hooks/coprocessor.h.
