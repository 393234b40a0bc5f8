// The cache model's notice that a thread took an interrupt.
#pragma once

struct ThreadState;

void PE_recv_interrupt(ThreadState *thread);
