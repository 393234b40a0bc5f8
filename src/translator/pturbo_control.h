// Control of the parallel translator's worker threads and of all translations.
#pragma once

// Makes every PTURBO worker stop at once.
void pturbo_zap_all_threads_now(const char *reason);
// Drops every translation of the dynamic translator.
void turbo_xlate_flush(void);
// 1 when a trace library is loaded and tracing is on.
int TRC_IS_ON(void);
