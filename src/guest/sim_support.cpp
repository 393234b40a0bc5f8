// The sim-support call: entry, dispatcher and the 190-entry code table.
#include "guest/sim_support.h"

#include <array>
#include <cstdio>

#include "processor/hooks/machine_trigger_table.h"
#include "runtime/triggers.h"
#include "guest/guest_io.h"
#include "guest/guest_locks.h"
#include "guest/open_firmware.h"
#include "guest/paravirtual_services.h"
#include "guest/process_tree.h"
#include "guest/sim_support_codes.h"
#include "guest/tag_stacks.h"
#include "isa/semantics_helpers.h"
#include "processor/records/generic_machine.h"
#include "mmu/address_translate.h"
#include "mmu/ea_access.h"
#include "processor/regs/instruction_setters.h"
#include "processor/run/run_control.h"
#include "processor/records/thread_state.h"
#include "runtime/callbacks.h"
#include "runtime/message.h"

simDeviceInfo_s simDeviceInfo[3];
uint32_t pending_external_mask = 0;
uint32_t pending_external_interrupts = 0;
uint32_t temp_external_mask = 0;
uint32_t external_steering[32];

namespace
{

typedef int (*Service)(IOPDesc *iop);

// How a built-in code is served: by its service, by the "callthru" callbacks like a code above
// 189, or not at all.
enum EntryKind : uint8_t { NO_OPERATION, BY_CALLBACK, BY_SERVICE };

struct CodeEntry {
    EntryKind kind;
    Service service;
};

constexpr std::array<CodeEntry, SIM_SUPPORT_CODES> make_code_table()
{
    std::array<CodeEntry, SIM_SUPPORT_CODES> table{};
    for (CodeEntry &entry : table)
        entry = {BY_CALLBACK, nullptr};
    auto serve = [&](int code, Service service) { table[(size_t)code] = {BY_SERVICE, service}; };
    for (int code : {25, 35, 50, 51, 107, 108, 142, 143, 166})
        table[(size_t)code] = {NO_OPERATION, nullptr};

    serve(0, SimSupport_ConsoleWrite);
    serve(3, SimDeviceIntRegister);
    serve(4, SimSupport_DeviceIntUnregister);
    serve(7, SimSupport_InterruptingDevice);
    serve(8, SimResetIntForStreamCode);
    serve(11, SimSupport_TakeExternal);
    serve(12, SimSupport_SetExternalMask);
    serve(13, SimSupport_RaiseExternal);
    serve(14, SimSupport_SetSteering);
    serve(15, SimSupport_ClearExternal);
    serve(16, SimSupport_FileOpen);
    serve(17, SimSupport_FileClose);
    serve(18, SimSupport_FileRead);
    serve(19, SimSupport_FileWrite);
    serve(20, SimSupport_Checkpoint);
    serve(21, SimInterruptEOI);
    serve(26, SimSupport_StringProbe);
    serve(30, SimSupport_TimeStamps);
    serve(31, SimSupport_Stop);
    serve(32, SimSupport_Zero);
    serve(33, SimSupport_Zero);
    serve(34, SimPhysMemCopy);
    serve(36, SimSupport_StatsDump);
    serve(37, SimSupport_StatsReset);
    serve(38, SimSupport_MemTraceOn);
    serve(39, SimSupport_MemTraceOff);
    serve(42, SimSupport_Version);
    serve(43, SimSupport_TagNew);
    serve(44, SimSupport_TagDelete);
    serve(45, SimSupport_TagDeleteAll);
    serve(46, SimSupport_TagPush);
    serve(47, SimSupport_TagPop);
    serve(48, SimSupport_TagTop);
    serve(49, SimSupport_TagCurrent);
    serve(52, SimSupport_StateDump);
    serve(53, SimFileOpen);
    serve(54, SimFileClose);
    serve(55, SimFileRead);
    serve(56, SimFileWrite);
    serve(57, SimFileSeek);
    serve(58, SimFileEOF);
    serve(59, SimSupport_TagDepth);
    serve(60, SimSupport_ConsoleRead);
    serve(61, SliplaneRead);
    serve(62, RavlinWrite);
    serve(63, SimFastRevMemCopy);
    serve(64, SimStartCPU);
    serve(65, SimSupport_SendIPI);
    serve(66, SimSupport_InstructionCount);
    serve(67, SimSupport_ProcessorCount);
    serve(68, SimSupport_MachineAttribute);
    serve(69, SimPhysMemCopy);
    serve(70, SimSupport_HostTime);
    serve(71, SimPhysMemSet);
    serve(84, SimSupport_MachineInfo);
    serve(85, SimSupport_LogStats);
    serve(86, SimSupport_TclEval);
    serve(99, OpenFirmware);
    serve(101, SimSupport_ProcessCreateTracked);
    serve(102, SimSupport_ReadGPR4);
    serve(103, SimSupport_ProcessExec);
    serve(104, SimSupport_ProcessSwitch);
    serve(105, SimSupport_ProcessKill);
    serve(106, SimSupport_ProcessCreate);
    for (int code = 110; code <= 114; code++)
        serve(code, SimSupport_Connections);
    serve(115, SimPthreadCreate);
    serve(116, BogusDiskRead);
    serve(117, BogusDiskWrite);
    serve(118, BogusDiskInfo);
    serve(119, BogusNetProbe);
    serve(120, BogusNetSend);
    serve(121, BogusNetReceive);
    serve(123, SimSupport_FunctionName);
    serve(124, SimSupport_LoadedFile);
    serve(125, SimSupport_HexDump);
    serve(126, SimSupport_Halt);
    serve(127, SimSupport_CycleCount);
    serve(129, SimSupport_TrackStart);
    serve(130, SimSupport_TrackStop);
    serve(131, SimSupport_Delay);
    serve(132, SimSupport_GateNew);
    serve(133, SimSupport_GateFree);
    serve(134, SimSupport_GateEnter);
    serve(135, SimSupport_GateLeave);
    serve(137, SimSupport_UserLockSetup);
    serve(138, SimSupport_BarrierWait);
    serve(139, SimSupport_UserLockRelease);
    serve(140, SimSupport_UserLockTake);
    serve(141, SimSupport_UserLockTry);
    serve(144, SimSupport_KernelLockTry);
    serve(145, SimSupport_KernelLockTake);
    serve(146, SimSupport_KernelLockRelease);
    serve(147, SimSupport_KernelLockSetup);
    serve(148, SimSupport_BarrierSetup);
    serve(149, SimSupport_ShortStringProbe);
    serve(150, SimSupport_Frequency);
    serve(151, SimSupport_DebugString);
    serve(157, SimSupport_ClockFrequency);
    serve(162, BogusSocketSend);
    serve(163, BogusSocketReceive);
    serve(164, SimSupport_CacheFlushRange);
    serve(167, SimSupport_StallStart);
    serve(168, SimSupport_StallEnd);
    serve(169, SimSupport_HaltOff);
    serve(170, SimSupport_CacheDump);
    serve(173, SimSupport_Print);
    serve(174, SimSupport_CacheLocality);
    serve(175, BogusNetDMASend);
    serve(176, BogusNetDMAReceive);
    serve(177, BogusSocketProbe);
    serve(178, BogusSocketSendBytewise);
    serve(179, BogusSocketReceiveBytewise);
    serve(180, BogusSocketMemcpy);
    serve(181, BogusSocketMemset);
    serve(183, SimSupport_PrintGPR4);
    serve(184, SimSupport_ModeSimple);
    serve(185, SimSupport_ModeTurbo);
    serve(186, Bogus9pMux);
    serve(187, SimSupport_ConsoleWritePrefixed);
    serve(188, SimSupport_PrintGPR4Prefixed);
    serve(189, SimFileTell);
    return table;
}

constexpr std::array<CodeEntry, SIM_SUPPORT_CODES> code_table = make_code_table();

// Codes whose arguments the dispatcher does not read and for which "CALLTHRU" does not fire.
bool reads_no_arguments(uint64_t code)
{
    return code == 0 || code == 60 || code == 104 || code == 121 || code == 187;
}

void fire_callthru(IOPDesc *iop, uint64_t code, const uint64_t (&gpr)[3])
{
    ThreadState *thread = iop->thread;
    TriggerTable *table = Machine_Trigger_Table(thread->machine);
    if (!table) return;
    Assoc_Trigger_Fire(table, "CALLTHRU", "{ cpu %s code %ld gpr4 0x%016lX gpr5 0x%016lX gpr6 0x%016lX }",
                       thread->name ? thread->name : "", (long)code, (unsigned long)gpr[0],
                       (unsigned long)gpr[1], (unsigned long)gpr[2]);
}

} // namespace

int SimSupport(IOPDesc *iop)
{
    return SimSupport_Dispatch(iop);
}

int Callback_SimSupport(IOPDesc *iop, uint64_t code)
{
    for (Callback_Function *entry = callBackFunctionLists[CALLBACK_CALLTHRU].head; entry;
         entry = entry->next) {
        if (!entry->function) continue;
        if (reinterpret_cast<SimSupportCallback>(entry->function)(iop, code)) return 1;
    }
    return 0;
}

int SimSupport_Dispatch(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    uint64_t code = SimSupport_Arg(iop, 3);
    uint64_t gpr[3] = {0, 0, 0};
    bool with_arguments = !reads_no_arguments(code);
    if (with_arguments)
        for (uint32_t n = 0; n < 3; n++)
            gpr[n] = SimSupport_Arg(iop, 4 + n);
    if (THREAD_IN_CHUNK_MODE(thread) && code != 126) Thread_sync_time(thread, "sim support");

    int completed = 1;
    const CodeEntry *entry = code < (uint64_t)SIM_SUPPORT_CODES ? &code_table[code] : nullptr;
    if (!entry || entry->kind == BY_CALLBACK) {
        if (!Callback_SimSupport(iop, code)) {
            sim_warning(2, "Called SimSupport with invalid code (%ld)", (long)code);
            return 1;
        }
    } else if (entry->kind == BY_SERVICE) {
        completed = entry->service(iop);
    }
    if (with_arguments) fire_callthru(iop, code, gpr);
    return completed;
}

// ---- helpers ----

uint64_t SimSupport_Arg(IOPDesc *iop, uint32_t n)
{
    return iGET_GPR(iop, n);
}

void SimSupport_Result(IOPDesc *iop, uint64_t value)
{
    SET_GPR(iop, 3, value);
}

uint32_t SimSupport_String_Capacity(uint64_t length)
{
    return length >= 4095 ? 4096 : (uint32_t)length + 1;
}

int SimSupport_Failed_Copy(IOPDesc *iop)
{
    return iop->exceptions ? 0 : 1;
}

int SimSupport_Store(IOPDesc *iop, uint64_t address, uint64_t value, int size)
{
    AXD *data = &iop->data;
    *data = INITIAL_AXD;
    data->iop = iop;
    data->row = iop->row;
    data->ea = data->orig_ea = data->ea2 = address;
    data->size = data->size2 = data->row_size = (int16_t)size;
    int status = EA_Write_Memory_Reg_Part1(iop, 1);
    if (status == XLATE_EXCEPTION || status == XLATE_ADDRESS_ONLY) return 0;
    uint32_t written = EA_Write_Memory_Reg_Part2(iop, value, 1, status);
    return written == 0 || written == 4; // 4: written, and a watchpoint matched
}

int SimSupport_Load(IOPDesc *iop, uint64_t address, int size, uint64_t *value)
{
    AXD *data = &iop->data;
    *data = INITIAL_AXD;
    data->iop = iop;
    data->row = iop->row;
    data->ea = data->orig_ea = data->ea2 = address;
    data->size = data->size2 = data->row_size = (int16_t)size;
    return EA_Read_Memory_Reg(iop, value, 1) == 0;
}

int32_t SimSupport_Thread_Number(const ThreadState *thread)
{
    return thread ? thread->device_number : 0;
}

void SimSupport_Name_Numbers(const ThreadState *thread, int *processor, int *thread_number)
{
    int numbers[3] = {0, 0, 0};
    if (thread && thread->name) sscanf(thread->name, "%d:%d:%d", &numbers[0], &numbers[1], &numbers[2]);
    *processor = numbers[1];
    *thread_number = numbers[2];
}
