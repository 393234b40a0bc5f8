// The sim-support services that move data between the guest and the host: console output and
// input, physical copy and fill, the implicit host file and the numbered host files, time stamps,
// the machine-information block, starting processors and threads, and the small services of the
// code table (versions, counts, prints, Tcl evaluation, modes). Each service takes the support
// instruction's IOPDesc and returns the completion flag of the call.
#pragma once

#include <cstdint>
#include <cstdio>

struct GenericMachine;
struct IOPDesc;

// The numbered host files of codes 53 to 58 and 189.
constexpr int SIM_FILE_COUNT = 100;
constexpr int SIM_PATH_SIZE = 4096;
struct FileTableEntry {
    char path[SIM_PATH_SIZE];
    FILE *stream;
    int32_t in_use;
};
struct FileTable_s {
    FileTableEntry entries[SIM_FILE_COUNT];
    int32_t count;
};
extern FileTable_s FileTable;
// Largest size x count a numbered-file read or write moves in one call.
constexpr uint64_t SIM_FILE_TRANSFER_LIMIT = 16u << 20;

// Console (codes 0, 60, 187) and debug texts (151, 173).
// 1 when a guest may have the host walk the physical range of length bytes (at least 1): both
// ends are valid addresses, the range does not wrap, and it lies inside one memory region or one
// mapped device, so that a guest cannot send the host through an unbounded walk.
bool Guest_Physical_Range_Valid(GenericMachine *machine, uint64_t start, uint64_t length);

int SimSupport_ConsoleWrite(IOPDesc *iop);
int SimSupport_ConsoleWritePrefixed(IOPDesc *iop);
int SimSupport_ConsoleRead(IOPDesc *iop);
int SimSupport_DebugString(IOPDesc *iop);
int SimSupport_Print(IOPDesc *iop);

// Physical memory (codes 34, 69, 63, 71).
int SimPhysMemCopy(IOPDesc *iop);
int SimFastRevMemCopy(IOPDesc *iop);
int SimPhysMemSet(IOPDesc *iop);

// The implicit host file (16 open, 17 close, 18 read, 19 write).
int SimSupport_FileOpen(IOPDesc *iop);
int SimSupport_FileClose(IOPDesc *iop);
int SimSupport_FileRead(IOPDesc *iop);
int SimSupport_FileWrite(IOPDesc *iop);

// Numbered host files (53 open, 54 close, 55 read, 56 write, 57 seek, 58 end of file, 189 tell).
int SimFileOpen(IOPDesc *iop);
int SimFileClose(IOPDesc *iop);
int SimFileRead(IOPDesc *iop);
int SimFileWrite(IOPDesc *iop);
int SimFileSeek(IOPDesc *iop);
int SimFileEOF(IOPDesc *iop);
int SimFileTell(IOPDesc *iop);

// Time stamps (30) and the machine-information block (84).
int SimSupport_TimeStamps(IOPDesc *iop);
int SimSupport_MachineInfo(IOPDesc *iop);

// Starting another processor (64) or a free thread at a function descriptor (115).
int SimStartCPU(IOPDesc *iop);
int SimPthreadCreate(IOPDesc *iop);

// The halt (126) and the halt switched off (169).
int SimSupport_Halt(IOPDesc *iop);
int SimSupport_HaltOff(IOPDesc *iop);
