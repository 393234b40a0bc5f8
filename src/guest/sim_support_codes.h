// The small services of the sim-support code table that belong to no larger service: device and
// external interrupt words, inter-processor interrupts, statistics, versions and counts, host
// time, prints, Tcl evaluation, delays, frequencies, cache hints and mode changes. Each takes the
// support instruction's IOPDesc and returns the completion flag of the call.
#pragma once

struct IOPDesc;

int SimDeviceIntRegister(IOPDesc *iop);           // 3
int SimSupport_DeviceIntUnregister(IOPDesc *iop); // 4
int SimSupport_InterruptingDevice(IOPDesc *iop);  // 7
int SimResetIntForStreamCode(IOPDesc *iop);       // 8
int SimSupport_TakeExternal(IOPDesc *iop);        // 11
int SimSupport_SetExternalMask(IOPDesc *iop);     // 12
int SimSupport_RaiseExternal(IOPDesc *iop);       // 13
int SimSupport_SetSteering(IOPDesc *iop);         // 14
int SimSupport_ClearExternal(IOPDesc *iop);       // 15
int SimSupport_Checkpoint(IOPDesc *iop);          // 20
int SimInterruptEOI(IOPDesc *iop);                // 21
int SimSupport_StringProbe(IOPDesc *iop);         // 26
int SimSupport_Stop(IOPDesc *iop);                // 31
int SimSupport_Zero(IOPDesc *iop);                // 32, 33
int SimSupport_StatsDump(IOPDesc *iop);           // 36
int SimSupport_StatsReset(IOPDesc *iop);          // 37
int SimSupport_MemTraceOn(IOPDesc *iop);          // 38
int SimSupport_MemTraceOff(IOPDesc *iop);         // 39
int SimSupport_Version(IOPDesc *iop);             // 42
int SimSupport_StateDump(IOPDesc *iop);           // 52
int SimSupport_SendIPI(IOPDesc *iop);             // 65
int SimSupport_InstructionCount(IOPDesc *iop);    // 66
int SimSupport_ProcessorCount(IOPDesc *iop);      // 67
int SimSupport_MachineAttribute(IOPDesc *iop);    // 68
int SimSupport_HostTime(IOPDesc *iop);            // 70
int SimSupport_LogStats(IOPDesc *iop);            // 85
int SimSupport_TclEval(IOPDesc *iop);             // 86
int SimSupport_ReadGPR4(IOPDesc *iop);            // 102
int SimSupport_Connections(IOPDesc *iop);         // 110 to 114
int SimSupport_HexDump(IOPDesc *iop);             // 125
int SimSupport_CycleCount(IOPDesc *iop);          // 127
int SimSupport_TrackStart(IOPDesc *iop);          // 129
int SimSupport_TrackStop(IOPDesc *iop);           // 130
int SimSupport_Delay(IOPDesc *iop);               // 131
int SimSupport_ShortStringProbe(IOPDesc *iop);    // 149
int SimSupport_Frequency(IOPDesc *iop);           // 150
int SimSupport_ClockFrequency(IOPDesc *iop);      // 157
int SimSupport_CacheFlushRange(IOPDesc *iop);     // 164
int SimSupport_CacheDump(IOPDesc *iop);           // 170
int SimSupport_CacheLocality(IOPDesc *iop);       // 174
int SimSupport_PrintGPR4(IOPDesc *iop);           // 183
int SimSupport_ModeSimple(IOPDesc *iop);          // 184
int SimSupport_ModeTurbo(IOPDesc *iop);           // 185
int SimSupport_PrintGPR4Prefixed(IOPDesc *iop);   // 188
