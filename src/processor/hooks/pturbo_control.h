// Control of the parallel translator's worker threads and of all translations.
// Declared here for the floors that call it; defined by the translator
// (translator/pturbo_zap.cpp, translator/page_tables.cpp); TRC_IS_ON by the trace
// libraries (trace/trace_lib.cpp).
#pragma once

#include <cstdint>

struct GenericMachine;

// Makes every PTURBO worker stop at once.
void pturbo_zap_all_threads_now(const char *reason);

// Drops every translated page of every chip's memory map, so translated code is rebuilt under a
// new setting; returns the machine's chip count.
int32_t turbo_xlate_flush(GenericMachine *machine);
// 1 when a trace library is loaded and tracing is on.
int TRC_IS_ON(void);
