// The instruction inspection interface of plug-ins and trace libraries: the read-only view of an
// instruction record handed to them by the plug-in events. It gives the instruction's word, row
// texts, fetch and data addresses with their translations, its class, whether it is done, taken or
// faulting, its disassembly, the machine state that decides relocation and privilege, and the
// registers it reads and writes with their values.
//
// A record is either the functional one of a hardware thread or one of the cycle-level core
// (its in-flight flag set, "cycle form"): the cycle form carries its next addresses, done flag,
// operand-usage word, operand slots and result slots. A record without a decoded row has no class
// and lists no registers.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// Registers an instruction reads or writes, filled by Get_Inst_Input_Registers and
// Get_Inst_Output_Registers. SPR numbers are architected numbers, 4097 for the FPSCR and 4099 for
// the CR. A vector register's value is its two doublewords in the order the register keeps them.
struct InstRegisterList {
    int gpr_count;
    int gpr_numbers[32];
    uint64_t gpr_values[32];
    int fpr_count;
    int fpr_numbers[4];
    uint64_t fpr_values[4];
    int spr_count;
    int spr_numbers[6];
    uint64_t spr_values[6];
    int vr_count;
    int vr_numbers[4];
    uint64_t vr_values[4][2];
};

// Pseudo SPR numbers of the register lists.
constexpr int INST_REG_FPSCR = 4097;
constexpr int INST_REG_CR = 4099;

extern "C" {

// The thread's number in the device manager.
uint32_t Get_Thread_Id(ThreadState *thread);

int In_Cycle_Mode(IOPDesc *iop);
uint64_t Get_Inst_SeqNumber(IOPDesc *iop);
uint32_t Get_Inst_Instbody(IOPDesc *iop);
// The row's operand template and mnemonic; "no iop" without a record, "no instruction" without row.
const char *Get_Inst_PrintFormat(IOPDesc *iop);
const char *Get_Inst_Name(IOPDesc *iop);

// The fetch: effective address, VSID, physical page number, page-size code.
uint64_t Get_Inst_PC(IOPDesc *iop);
uint64_t Get_Inst_PC_VSID(IOPDesc *iop);
uint64_t Get_Inst_PC_RPN(IOPDesc *iop);
uint8_t Get_Inst_PC_PageSize(IOPDesc *iop);
// Cycle form: the record's next (and predicted next) address; otherwise the thread's PC.
uint64_t Get_Inst_NPC(IOPDesc *iop);
uint64_t Get_Inst_NPC_Predicted(IOPDesc *iop);
uint32_t Get_Inst_ThreadId(IOPDesc *iop);

int Is_Inst_SimSupport(IOPDesc *iop);
int Is_Inst_Done(IOPDesc *iop);
int Is_Inst_Branch(IOPDesc *iop);
int Is_Inst_Unconditional_Branch(IOPDesc *iop);
int Is_Inst_Branch_Taken(IOPDesc *iop);
int Is_Inst_VMX(IOPDesc *iop);
int Is_Inst_Load(IOPDesc *iop);
int Is_Inst_Store(IOPDesc *iop);
int Is_Inst_Cache(IOPDesc *iop);
int Is_Inst_String(IOPDesc *iop);
int Is_Inst_Exception(IOPDesc *iop);

// The data access.
int Is_Inst_Data_EA_Valid(IOPDesc *iop);
int Is_Inst_Data_PA_Valid(IOPDesc *iop);
uint64_t Get_Inst_Data_EA(IOPDesc *iop);
uint64_t Get_Inst_Data_VSID(IOPDesc *iop);
uint64_t Get_Inst_Data_RPN(IOPDesc *iop);
uint8_t Get_Inst_Data_PageSize(IOPDesc *iop);

// Machine state (register reads offer the value to the register's read triggers).
int Is_Mode_Kernel(IOPDesc *iop);
int Is_Data_Relocated(IOPDesc *iop);
// MSR[IR] set and a fetch translation carried (its physical address is not the marker 1).
int Is_Inst_Relocated(IOPDesc *iop);
uint64_t Get_Inst_SDR1(IOPDesc *iop);

// The disassembly (64-bit forms when MSR[SF] is set) copied into buffer, always terminated
// within length. Returns buffer.
char *Get_Inst_Name_And_Operand(IOPDesc *iop, char *buffer, int length);
// The byte count of a string instruction: the NB field of the immediate forms (0 is 32); the low
// 7 bits of XER for the register forms when read_xer is set (marking the XER bits read); -1
// otherwise.
int16_t Get_String_Length(IOPDesc *iop, int read_xer);

// The registers the instruction reads and writes, with their values.
void Get_Inst_Input_Registers(IOPDesc *iop, InstRegisterList *list);
void Get_Inst_Output_Registers(IOPDesc *iop, InstRegisterList *list);

} // extern "C"
