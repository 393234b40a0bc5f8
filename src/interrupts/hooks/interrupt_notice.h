// The cache model's notice that a thread took an interrupt.
// Declared here for the floors that call it; defined by the cache model
// (cache/interrupt_notice_standin.cpp).
#pragma once

struct ThreadState;

void PE_recv_interrupt(ThreadState *thread);
