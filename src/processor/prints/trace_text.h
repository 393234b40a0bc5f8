// Texts of the instruction trace and debug output: the exerciser trace line and its operand
// fields, the immediates and branch mnemonics as the disassembler and the coverage listing write
// them, the constraint and serialisation masks of a row, scaled rates and joined argument words.
#pragma once

#include <cstddef>
#include <cstdint>

struct GenericMachine;
struct IOPDesc;
struct InstrInfo;

// " <core>, <thread>, 0x<fetch ea>, 0x<fetch real address>, 0x<word>, <mnemonic><operands>", then
// ", Exception: (<name>, <subtype text>, <detail>)" per raised exception, and a newline.
void Print_Spindrel_Trace(IOPDesc *iop);
// " <field>" for every field of the row's operand class that has a printer.
void print_iparameter(IOPDesc *iop);
// Stores the machine's exerciser-trace mode; debug flag 14 follows it (1 when non-zero).
void Set_Spindrel_Trace_Mode(GenericMachine *machine, int32_t mode);

// "$+0x<hex>" or "$-0x<hex>" of the magnitude, without leading zeros. Returns the buffer.
char *Format_Signed_Hex_Immediate(char *buffer, size_t size, int64_t value);
// "0x<HEX>" for a value above 30 that is not a multiple of 10, else decimal. Returns the buffer.
char *Format_Immediate(char *buffer, size_t size, int32_t value);
// The coverage lines of a conditional branch ("bc<suffix>[l], bo, %d" ...). Returns the buffer.
char *Format_Branch_Coverage_Fields(char *buffer, size_t size, IOPDesc *iop, const char *suffix);
// The extended mnemonic of a conditional branch with its CR field (when it tests one) and its
// raw operands: "beqlr   cr0  (bclr 0xC,0x2,0x0)". Returns the buffer.
char *Format_Branch_Mnemonic(char *buffer, size_t size, IOPDesc *iop, const char *suffix);
// A row's constraint mask ("FL", "Fx", "xL", "xx") and serialisation mask ("SI", "SD", "SE", "xx").
const char *Constrain_Mask2String(const InstrInfo *row);
const char *Serialize_Mask2String(const InstrInfo *row);
// Prints "%8.1f <prefix><name>" with the rate scaled by Giga-, Mega- or Kilo-.
void Print_Scaled_Value(const char *name, double rate);

// Words 1 to count-1 joined with "/" in a static buffer (the next call overwrites it); empty for a
// count of 1 or less. Longer texts are cut at 1023 characters.
const char *SquashArgV(int count, char **words);
