// The processor and thread command tables and the thread-level command set.
#include "command/processor_cmd_tables.h"

#include <cstddef>
#include <iterator>

#include "command/cmd_table.h"
#include "command/later_tables.h"
#include "command/load_commands.h"
#include "command/machine_vocabulary.h"
#include "command/memory_commands.h"
#include "command/processor_settings_commands.h"
#include "command/register_commands.h"
#include "command/selector.h"
#include "command/thread_control_commands.h"
#include "command/translation_cache_commands.h"
#include "command/util_commands.h"

SimCmdTable *ppc_setCmd_table = nullptr;

namespace
{

// Entries of the limited register display set.
struct Entry {
    const char *word;
    SimCmdHandler handler;
    const char *handler_name;
    int count;
    const char *usage;
};

constexpr const char *EMPTY = "";

void add_entries(SimCmdTable *table, const Entry *entries, size_t count)
{
    for (size_t i = 0; i < count; i++)
        add_simcommand(table, entries[i].word, entries[i].handler, entries[i].handler_name, entries[i].count, 0,
                       entries[i].usage);
}

const Entry LIMITED_SET[] = {
    {"gpr", PPC_SetGPRCmd, "PPC_SetGPRCmd", 2, "{number} {value}"},
    {"fpr", PPC_SetFPRCmd, "PPC_SetFPRCmd", 2, "{number} {value}"},
    {"spr", PPC_SetSPRCmd, "PPC_SetSPRCmd", 2, "{name} {value}"},
    {"vmxr", VMX_SetVMXRCmd, "VMX_SetVMXRCmd", 2, "{reg-num} {value}"},
    {"vmx", VMX_SetVMXCmd, "VMX_SetVMXCmd", 4, "{reg-num} {size} {index} {value}"},
    {"vsxr", VSX_SetVSXRCmd, "VSX_SetVSXRCmd", 2, "{reg-num} {value}"},
};

const Entry CPU_SET[] = {
    {"name", confignameCmd, "confignameCmd", 1, "{name}"},
    {"instruction_seq", PPC_Set_ins_seqCmd, "PPC_Set_ins_seqCmd", 1, "{value}"},
    {"msr_quarn_bit", setMSR_quarn_bitConfigCmd, "setMSR_quarn_bitConfigCmd", 1, "{msr mask}"},
    {"kips", PPC_configKIPSCmd, "PPC_configKIPSCmd", 1, "{interval}"},
};

const Entry FULL_SET_EXTRA[] = {
    {"reservation", PPC_SetReservationCmd, "PPC_SetReservationCmd", 1, "{value|\"none\"}"},
    {"timebase", PPC_SetTimebaseCmd, "PPC_SetTimebaseCmd", 1, "{value}"},
    {"dec", PPC_SetDECCmd, "PPC_SetDECCmd", 1, "{value}"},
    {"slbe", PPC_SetSLBECmd, "PPC_SetSLBECmd", 2, "{number} {value}"},
    {"slbv", PPC_SetSLBVCmd, "PPC_SetSLBVCmd", 2, "{number} {value}"},
    {"slbentry", PPC_SetSLBEntryCmd, "PPC_SetSLBEntryCmd", 3, "{number} {e-value} {v-value}"},
    {"deratc", PPC_SetDERATCCmd, "PPC_SetDERATCCmd", 2, "{row} {value}"},
    {"ieratc", PPC_SetIERATCCmd, "PPC_SetIERATCCmd", 2, "{row} {value}"},
    {"derate", PPC_SetDERATECmd, "PPC_SetDERATECmd", 3, "{row} {col} {value}"},
    {"ierate", PPC_SetIERATECmd, "PPC_SetIERATECmd", 3, "{row} {col} {value}"},
    {"tlbr", PPC_SetTLBRCmd, "PPC_SetTLBRCmd", 2, "{number} {value}"},
    {"tlbv", PPC_SetTLBVCmd, "PPC_SetTLBVCmd", 2, "{number} {value}"},
    {"tlbinfo", PPC_SetTLBInfoCmd, "PPC_SetTLBInfoCmd", 1, "{value}"},
    {"tlbentry", PPC_SetTLBEntryCmd, "PPC_SetTLBEntryCmd", 2, "{number} {value}"},
    {"emat", EMAT_Set_Cmd, "EMAT_Set_Cmd", 1, "{reset}"},
    {"instruction_count", PPC_Set_ins_countCmd, "PPC_Set_ins_countCmd", 1, "{value}"},
    {"cpi", PPC_CPI_ConfigCmd, "PPC_CPI_ConfigCmd", 1, "{cpi value}"},
};

const Entry LIMITED_DISPLAY[] = {
    {"name", display_confignameCmd, "display_confignameCmd", 0, EMPTY},
    {"ngpr", PPC_DisplayNGPRCmd, "PPC_DisplayNGPRCmd", 0, nullptr},
    {"gpr", PPC_DisplayGPRCmd, "PPC_DisplayGPRCmd", 1, "{number|values}"},
    {"gprs", PPC_DisplayGPRsCmd, "PPC_DisplayGPRsCmd", 0, nullptr},
    {"tm", PPC_DisplayTMCmd, "PPC_DisplayTMCmd", 1, "{name|list}"},
    {"spr", PPC_DisplaySPRCmd, "PPC_DisplaySPRCmd", 1, "{name|list|values}"},
    {"nfpr", PPC_DisplayNFPRCmd, "PPC_DisplayNFPRCmd", 0, nullptr},
    {"fpr", PPC_DisplayFPRCmd, "PPC_DisplayFPRCmd", 1, "{number}"},
    {"fpr_as_fp", PPC_DisplayFPRasFPCmd, "PPC_DisplayFPRasFPCmd", 1, "{number}"},
    {"fprs", PPC_DisplayFPRsCmd, "PPC_DisplayFPRsCmd", 0, nullptr},
    {"vmxr", VMX_DisplayVMXRCmd, "VMX_DisplayVMXRCmd", 1, "{reg-num}"},
    {"vmx", VMX_DisplayVMXCmd, "VMX_DisplayVMXCmd", 2, "{reg-num} {size}"},
    {"vsxr", VSX_DisplayVSXRCmd, "VSX_DisplayVSXRCmd", 1, "{reg-num}"},
    {"slb", PPC_DisplaySLBCmd, "PPC_DisplaySLBCmd", 1, "{number|valid|all}"},
};

const Entry FULL_DISPLAY_OWN[] = {
    {"status", PPC_Display_statusCmd, "PPC_Display_statusCmd", 0, EMPTY},
    {"cycles", Display_cycles, "Display_cycles", 0, EMPTY},
    {"instruction_count", PPC_Display_ins_countCmd, "PPC_Display_ins_countCmd", 0, EMPTY},
    {"instruction_seq", PPC_Display_ins_seqCmd, "PPC_Display_ins_seqCmd", 0, EMPTY},
    {"number_of_threads", display_PPC_threadsCmd, "display_PPC_threadsCmd", 0, EMPTY},
    {"max_threads", display_PPC_max_threadsCmd, "display_PPC_max_threadsCmd", 0, EMPTY},
    {"cpi", display_PPC_CPI_ConfigCmd, "display_PPC_CPI_ConfigCmd", 0, EMPTY},
    {"itimes", display_PPC_itimes_Cmd, "display_PPC_itimes_Cmd", -1, "[symbolic command]"},
};

const Entry FULL_DISPLAY[] = {
    {"name", display_confignameCmd, "display_confignameCmd", 0, EMPTY},
    {"frequency", display_setfreqConfigCmd, "display_setfreqConfigCmd", 0, nullptr},
    {"msr_quarn_bit", display_setMSR_quarn_bitConfigCmd, "display_setMSR_quarn_bitConfigCmd", 0, nullptr},
    {"kips", display_PPC_configKIPSCmd, "display_PPC_configKIPSCmd", 0, EMPTY},
    {"currentthread", PPC_DisplayCurrentThreadCmd, "PPC_DisplayCurrentThreadCmd", 0, EMPTY},
    {"ngpr", PPC_DisplayNGPRCmd, "PPC_DisplayNGPRCmd", 0, nullptr},
    {"gpr", PPC_DisplayGPRCmd, "PPC_DisplayGPRCmd", 1, "{number|values}"},
    {"gprs", PPC_DisplayGPRsCmd, "PPC_DisplayGPRsCmd", 0, nullptr},
    {"spr", PPC_DisplaySPRCmd, "PPC_DisplaySPRCmd", 1, "{name|list|values}"},
    {"nfpr", PPC_DisplayNFPRCmd, "PPC_DisplayNFPRCmd", 0, nullptr},
    {"fpr", PPC_DisplayFPRCmd, "PPC_DisplayFPRCmd", 1, "{number}"},
    {"fprs", PPC_DisplayFPRsCmd, "PPC_DisplayFPRsCmd", 0, nullptr},
    {"vmxr", VMX_DisplayVMXRCmd, "VMX_DisplayVMXRCmd", 1, "{reg-num}"},
    {"vmx", VMX_DisplayVMXCmd, "VMX_DisplayVMXCmd", 2, "{reg-num} {size}"},
    {"vsxr", VSX_DisplayVSXRCmd, "VSX_DisplayVSXRCmd", 1, "{reg-num}"},
    {"slb", PPC_DisplaySLBCmd, "PPC_DisplaySLBCmd", 1, "{number|valid|all}"},
    {"tm", PPC_DisplayTMCmd, "PPC_DisplayTMCmd", -1, "[{name} [{name|number|list|values}]]"},
    {"fpr.double", PPC_DisplayFPRasFPCmd, "PPC_DisplayFPRasFPCmd", 1, "{number}"},
    {"vmxr.v4_float", VMX_DisplayVMXRasFloatCmd, "VMX_DisplayVMXRasFloatCmd", 1, "{reg-num}"},
    {"vmxr.v4_int32", VMX_DisplayVMXRasInt32Cmd, "VMX_DisplayVMXRasInt32Cmd", 1, "{reg-num}"},
    {"vmxr.v8_int16", VMX_DisplayVMXRasInt16Cmd, "VMX_DisplayVMXRasInt16Cmd", 1, "{reg-num}"},
    {"vmxr.v16_int8", VMX_DisplayVMXRasInt8Cmd, "VMX_DisplayVMXRasInt8Cmd", 1, "{reg-num}"},
    {"vsxr.v2_double", VSX_DisplayVSXRasDoubleCmd, "VSX_DisplayVSXRasDoubleCmd", 1, "{reg-num}"},
    {"vsxr.v4_float", VSX_DisplayVSXRasFloatCmd, "VSX_DisplayVSXRasFloatCmd", 1, "{reg-num}"},
    {"vsxr.v4_int32", VSX_DisplayVSXRasInt32Cmd, "VSX_DisplayVSXRasInt32Cmd", 1, "{reg-num}"},
    {"vsxr.v8_int16", VSX_DisplayVSXRasInt16Cmd, "VSX_DisplayVSXRasInt16Cmd", 1, "{reg-num}"},
    {"vsxr.v16_int8", VSX_DisplayVSXRasInt8Cmd, "VSX_DisplayVSXRasInt8Cmd", 1, "{reg-num}"},
    {"reservation", PPC_DisplayReservationCmd, "PPC_DisplayReservationCmd", 0, EMPTY},
    {"timebase", PPC_DisplayTimebaseCmd, "PPC_DisplayTimebaseCmd", 0, EMPTY},
    {"dec", PPC_DisplayDECCmd, "PPC_DisplayDECCmd", 0, EMPTY},
    {"slbe", PPC_DisplaySLBECmd, "PPC_DisplaySLBECmd", 1, "{number}"},
    {"slbv", PPC_DisplaySLBVCmd, "PPC_DisplaySLBVCmd", 1, "{number}"},
    {"slbentry", PPC_DisplaySLBEntryCmd, "PPC_DisplaySLBEntryCmd", 1, "{number}"},
    {"slbentry_verbose", PPC_ExplainSLBEntryCmd, "PPC_ExplainSLBEntryCmd", 1, "{number}"},
    {"deratc", PPC_DisplayDERATCCmd, "PPC_DisplayDERATCCmd", 1, "{row}"},
    {"ieratc", PPC_DisplayIERATCCmd, "PPC_DisplayIERATCCmd", 1, "{row}"},
    {"derate", PPC_DisplayDERATECmd, "PPC_DisplayDERATECmd", 2, "{row} {col}"},
    {"ierate", PPC_DisplayIERATECmd, "PPC_DisplayIERATECmd", 2, "{row} {col}"},
    {"tlb", PPC_DisplayTLBCmd, "PPC_DisplayTLBCmd", 1, "{number|valid|all}"},
    {"tlbr", PPC_DisplayTLBRCmd, "PPC_DisplayTLBRCmd", 1, "{number}"},
    {"tlbv", PPC_DisplayTLBVCmd, "PPC_DisplayTLBVCmd", 1, "{number}"},
    {"tlbinfo", PPC_DisplayTLBInfoCmd, "PPC_DisplayTLBInfoCmd", 0, "{number}"},
    {"tlbentry", PPC_DisplayTLBEntryCmd, "PPC_DisplayTLBEntryCmd", 1, "{number}"},
};

} // namespace

void Add_Thread_Set_Cmds(void) {}

void Add_Thread_Display_Cmds(void) {}

void Add_CPU_Set_Cmds(SimCmdTable *table)
{
    add_entries(table, CPU_SET, std::size(CPU_SET));
    Add_Thread_Set_Cmds();
}

SimCmdTable *build_ppc_setCmd_table_limited(void *)
{
    SimCmdTable *table = Init_SimCmdTable("ppc_set");
    ppc_setCmd_table = table;
    add_entries(table, LIMITED_SET, std::size(LIMITED_SET));
    Add_CPU_Set_Cmds(table);
    return table;
}

SimCmdTable *build_ppc_setCmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("ppc_set");
    ppc_setCmd_table = table;
    add_entries(table, LIMITED_SET, std::size(LIMITED_SET));
    add_entries(table, FULL_SET_EXTRA, std::size(FULL_SET_EXTRA));
    Add_CPU_Set_Cmds(table);
    return table;
}

void Add_CPU_Display_Cmds_limited(SimCmdTable *table, void *)
{
    add_entries(table, LIMITED_DISPLAY, std::size(LIMITED_DISPLAY));
}

void Add_CPU_Display_Cmds(SimCmdTable *table)
{
    add_entries(table, FULL_DISPLAY, std::size(FULL_DISPLAY));
    Add_Thread_Display_Cmds();
}

SimCmdTable *build_ppc_displayCmd_table_limited(void *argument)
{
    SimCmdTable *table = Init_SimCmdTable("ppc_display");
    add_simcommand(table, "instruction_count", PPC_Display_ins_countCmd, "PPC_Display_ins_countCmd", 0, 0, EMPTY);
    Add_CPU_Display_Cmds_limited(table, argument);
    return table;
}

SimCmdTable *build_ppc_displayCmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("ppc_display");
    add_entries(table, FULL_DISPLAY_OWN, std::size(FULL_DISPLAY_OWN));
    Add_CPU_Display_Cmds(table);
    return table;
}

void Add_Thread_Cmds(SimCmdTable *table, void *argument)
{
    add_simtable(table, "memory", nullptr, "build_memoryCmd_table", build_memoryCmd_table, argument, 0, nullptr);
    add_simtable(table, "interrupt", nullptr, "build_ppc_interruptCmd_table", build_ppc_interruptCmd_table, argument,
                 0, nullptr);
    add_simtable(table, "load", nullptr, "build_load_Cmd_table", build_load_Cmd_table, argument, 0, nullptr);
    add_simtable(table, "util", nullptr, "build_UtilCmd_table", build_UtilCmd_table, argument, 0, nullptr);
    add_simcommand(table, "itranslate", UTIL_Thread_iTransCmd, "UTIL_Thread_iTransCmd", -1, 0, EMPTY);
    add_simcommand(table, "dtranslate", UTIL_Thread_dTransCmd, "UTIL_Thread_dTransCmd", -1, 0, EMPTY);
    add_simcommand(table, "setargs", setargsConfigCmd, "setargsConfigCmd", -1, 0, "[args list]");
    add_simcommand(table, "config_on", PPC_configonCmd, "PPC_configonCmd", 0, 0, nullptr);
    add_simcommand(table, "stall", PPC_stallCmd, "PPC_stallCmd", 0, 0, nullptr);
    add_simcommand(table, "start_thread", Start_Thread_Cmd, "Start_Thread_Cmd", 1, 0, "{PC_address}");
    add_simcommand(table, "stop_thread", Stop_Thread_Cmd, "Stop_Thread_Cmd", 0, 0, nullptr);
    add_simcommand(table, "step", PPC_Step, "PPC_Step", 1, 0, "{number of instructions}");
    add_simtable(table, "process", nullptr, "build_ppc_ProcessTree_table", build_ppc_ProcessTree_table, argument, 0,
                 nullptr);
    add_simtable(table, "mcm", PPC_McmCmd, "PPC_McmCmd", nullptr, nullptr, 0, "{mcm-number}");
    add_simtable(table, "cpu", PPC_CpuCmd, "PPC_CpuCmd", nullptr, nullptr, 0, "{cpu-number}");
    add_simtable(table, "ppc", PPC_CpuCmd, "PPC_CpuCmd", nullptr, nullptr, 4, "{ppc-number}");
    add_simtable(table, "thread", PPC_ThreadCmd, "PPC_ThreadCmd", nullptr, nullptr, 0, "{thread-number}");
    Callback_Add_Cmds(table);
}

void Add_CPU_Cmds(SimCmdTable *table, void *argument)
{
    Add_Thread_Cmds(table, argument);
}

SimCmdTable *build_thread_Cmd_table(const char *)
{
    SimCmdTable *table = Init_SimCmdTable("thread");
    add_simtable(table, "set", nullptr, "build_ppc_setCmd_table_limited", build_ppc_setCmd_table_limited, nullptr, 0,
                 nullptr);
    add_simtable(table, "display", nullptr, "build_ppc_displayCmd_table_limited", build_ppc_displayCmd_table_limited,
                 nullptr, 0, nullptr);
    add_simtable(table, "trigger", nullptr, "build_ppc_triggerCmd_table", build_ppc_triggerCmd_table, nullptr, 4,
                 nullptr);
    add_simtable(table, "osinfo", nullptr, "build_ppc_OSInfo_table", build_ppc_OSInfo_table, nullptr, 0, nullptr);
    Add_Thread_Cmds(table, nullptr);
    return table;
}

SimCmdTable *build_ppc_Cmd_table(const char *)
{
    SimCmdTable *table = Init_SimCmdTable("ppc");
    add_simtable(table, "trigger", nullptr, "build_ppc_triggerCmd_table", build_ppc_triggerCmd_table, nullptr, 0,
                 nullptr);
    add_simtable(table, "osinfo", nullptr, "build_ppc_OSInfo_table", build_ppc_OSInfo_table, nullptr, 0, nullptr);
    add_simtable(table, "erat", nullptr, "build_ERAT_table", build_ERAT_table, nullptr, 0, nullptr);
    add_simtable(table, "tlb", nullptr, "build_TLB_table", build_TLB_table, nullptr, 0, nullptr);
    Add_CPU_Cmds(table, nullptr);
    return table;
}
