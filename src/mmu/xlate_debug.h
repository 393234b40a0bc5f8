// Translation narration: the message types, formatting a message while translation debugging is
// on, recording it in the thread's translation-debug record (three texts per instruction: the
// fetch and up to two data pages), the register summary line and the per-instruction summary.
#pragma once

#include <cstddef>
#include <cstdint>

struct AXD;
struct IOPDesc;
struct ThreadState;
struct Xlate_Debug;
struct Xlate_Debug_Text;

// Message types: commands (below 9), then translation modes. Their printed names are
// Xlate_Debug_Type_Name.
enum : int {
    XLAT_DEBUG_UNKNOWN = 0,
    XLAT_DEBUG_START = 1, // begin the text of a new translation
    XLAT_DEBUG_INFO = 2,  // append
    XLAT_DEBUG_PAUSE = 3, // a nested translation begins
    XLAT_DEBUG_FAIL = 4,  // the translation failed
    XLAT_DEBUG_END = 5,   // the translation ended
    XLAT_DEBUG_FLUSH = 6, // ignore what follows
    XLAT_DEBUG_COMMAND_LAST = 7,
    XLAT_DEBUG_MODE_NOT_SET = 8,
    XLAT_DEBUG_Dravo_RealMode = 9,
    XLAT_DEBUG_Ervik_HypvRealMode = 10,
    XLAT_DEBUG_Ervik_RealMode = 11,
    XLAT_DEBUG_Ervik_VirtualRealMode = 12,
    XLAT_DEBUG_Ervik_HPT = 13,
    XLAT_DEBUG_Ervik_TagsActivePLS = 14,
    XLAT_DEBUG_Ervik_TagsActiveSLS = 15,
    XLAT_DEBUG_Fosk_HypervisorRadix = 16,
    XLAT_DEBUG_Fosk_HostRadix = 17,
    XLAT_DEBUG_Fosk_GuestRadix = 18,
    XLAT_DEBUG_Fosk_HostHPT = 19,
    XLAT_DEBUG_Fosk_GuestHPT = 20,
    XLAT_DEBUG_Fosk_GuestReal = 21,
    XLAT_DEBUG_Fosk_GuestRadixOnHPT = 22,
    XLAT_DEBUG_Fosk_GuestRealOnHPT = 23,
    XLAT_DEBUG_Fosk_GUEST_RADIX_ON_HPT_HVeq1_LPIDneq0 = 24,
    XLAT_DEBUG_Fosk_GUEST_RADIX_ON_HPT_HVeq1_LPIDeq0 = 25,
    XLAT_DEBUG_CMD_LAST = 26,
};
extern const char *const Xlate_Debug_Type_Name[XLAT_DEBUG_CMD_LAST + 1];
// The header each text starts with: the fetch, data page 0, data page 1.
extern const char *const XLAT_DEBUG_Header_string[3];

// While debug category 27 is on, formats the message (a missing format gives an empty one) in a
// 4096-byte buffer of the calling host thread and hands it to Record_Xlate_Debug.
void Xlate_Debug_Printf(ThreadState *thread, int type, AXD *axd, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
// Prints the message at once (category 27 on) and records it in the thread's record, if it has one.
void Record_Xlate_Debug(ThreadState *thread, AXD *axd, int type, const char *text);
// Appends the message to text index of the record with the indentation of its pause state, never
// beyond the text's size.
void IndentAndAppend(Xlate_Debug *record, int index, const char *message);
// Inserts string at place, moving the rest of its text right; room is the bytes from place to the
// end of the buffer. What does not fit is cut; the text stays terminated.
void InsertStrInStr(char *place, size_t room, const char *string);
// Records the register summary line (LPCR, SDR1, HID4 fields), the registers read with triggers.
void Print_Xlate_Registers(IOPDesc *iop);
// 1 when the thread's record has no current text with a translation mode (or no record at all).
int Xlate_Debug_Mode_Unset(const ThreadState *thread);

// A text as not started: empty, address and page shift -1, mode unset.
void Xlate_Debug_Clear_Text(Xlate_Debug_Text *text);
// The whole record as new: text 0 current, recording, not paused, every text cleared.
void Xlate_Debug_Reset(Xlate_Debug *record);

// With debug categories 27 and 28 both on and a record on the thread: "\nEXXLATE Summary: ", the
// text and "\n\n" for each of the record's three texts that is not empty.
void Print_Xlate_Debug_Summary(ThreadState *thread);
