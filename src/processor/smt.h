// SMT services the register accessors use: the TSRL image and write, the CTRL image, the idle
// thread for an assist thread, and the split-core test of a HID0 write.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// (internal priority AND 7) << 50 when the thread is SMT-enabled or force is set, else 0.
uint64_t smt_ReadTSRL(ThreadState *thread, int32_t ignored, int32_t force);
// A non-zero priority field (bits 50-52) sets the priority and stores the masked value (written);
// a zero field changes nothing.
void smt_WriteTSRL(ThreadState *thread, uint64_t value);
// The CTRL value as the record's thread reads it.
uint32_t Read_CTRL(IOPDesc *iop);
// A thread of the record's core that may be started, or null.
ThreadState *Select_Idle_Thread(IOPDesc *iop);
// Switches the core between one and several partitions as HID0 asks (when enabled).
int smt_TestPerformLPAR_1_To_2_4_Switch(ThreadState *thread);
