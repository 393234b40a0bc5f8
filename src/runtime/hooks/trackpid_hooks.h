// What the guest process tracking records (runtime/trackpid.h) read and write of the hardware
// threads: a thread's current-process pointer, and clearing a released record from every thread
// of every machine. Declared here, below the thread records; defined with them
// (processor/records/thread_trackpid.cpp).
#pragma once

struct ThreadState;
struct trackpid_s;

trackpid_s *ThreadState__Trackpid(ThreadState *thread);
void ThreadState__SetTrackpid(ThreadState *thread, trackpid_s *record);
// Points every thread that points at the record at nothing.
void Trackpid_Forget_In_All_Threads(const trackpid_s *record);
