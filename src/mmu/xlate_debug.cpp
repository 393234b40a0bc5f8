// Translation narration: immediate DEBUG lines, the per-thread record of three texts, the register
// summary line and the per-instruction summary.
#include "mmu/xlate_debug.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "mmu/page_table.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "runtime/debug.h"
#include "runtime/message.h"

const char *const Xlate_Debug_Type_Name[XLAT_DEBUG_CMD_LAST + 1] = {
    "Unknown",
    "Start",
    "Info",
    "Pause",
    "Fail",
    "End",
    "Flush",
    "XLAT_DEBUG_COMMAND_LAST",
    "XLAT_DEBUG_MODE_NOT_SET",
    "Dravo_RealMode",
    "Ervik_HypvRealMode",
    "Ervik_RealMode",
    "Ervik_VirtualRealMode",
    "Ervik_HPT",
    "Ervik_TagsActivePLS",
    "Ervik_TagsActiveSLS",
    "Fosk_HypervisorRadix",
    "Fosk_HostRadix",
    "Fosk_GuestRadix",
    "Fosk_HostHPT",
    "Fosk_GuestHPT",
    "Fosk_GuestReal",
    "Fosk_GuestRadixOnHPT",
    "Fosk_GuestRealOnHPT",
    "Fosk_GUEST_RADIX_ON_HPT_HVeq1_LPIDneq0",
    "Fosk_GUEST_RADIX_ON_HPT_HVeq1_LPIDeq0",
    "XLAT_DEBUG_CMD_LAST",
};

const char *const XLAT_DEBUG_Header_string[3] = {
    "\n*Instruction_Fetch_Translation: ",
    "\n*Data_Page_0_Translation: ",
    "\n*Data_Page_1_Translation: ",
};

namespace
{

constexpr int DEBUG_XLATE = 27;
constexpr int DEBUG_XLATE_SUMMARY = 28;
constexpr size_t TEXT_LIMIT = XLATE_DEBUG_TEXT_SIZE - 1; // characters a text holds
const char UNEXPECTED_END[] = "*** SIM_DEBUG_EXXLATE: unexpected message end. ***";

bool narrating()
{
    return get_debug_flag(DEBUG_XLATE) > 0;
}

const char *type_name(int type)
{
    return type >= 0 && type <= XLAT_DEBUG_CMD_LAST ? Xlate_Debug_Type_Name[type] : Xlate_Debug_Type_Name[0];
}

bool is_mode(int type)
{
    return type > XLAT_DEBUG_MODE_NOT_SET && type < XLAT_DEBUG_CMD_LAST;
}

// "DEBUG: <header>" and the text, through the message sink (which adds the newline).
void debug_line(ThreadState *thread, const char *format, ...) __attribute__((format(printf, 2, 3)));
void debug_line(ThreadState *thread, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    unsafe_vMessage(MSG_DEBUG, format, nullptr, nullptr, thread, args);
    va_end(args);
}

// The length of a text, terminating it at its limit should it have lost its terminator.
size_t text_length(char *text)
{
    size_t length = strnlen(text, XLATE_DEBUG_TEXT_SIZE);
    if (length > TEXT_LIMIT) {
        length = TEXT_LIMIT;
        text[length] = '\0';
    }
    return length;
}

// Appends as much of piece as fits; returns the new length.
size_t append(char *text, size_t length, const char *piece)
{
    while (*piece && length < TEXT_LIMIT)
        text[length++] = *piece++;
    text[length] = '\0';
    return length;
}

void advance(Xlate_Debug *record)
{
    record->current++;
}

void reset_saved(Xlate_Debug *record)
{
    record->saved_ea = -1;
    record->saved_page_shift = -1;
    record->saved_mode = XLAT_DEBUG_MODE_NOT_SET;
}

bool in_page(int64_t ea, int64_t page_ea, int32_t shift)
{
    if (shift < 0) return false;
    if (shift >= 64) return true;
    return ((uint64_t)ea >> shift) == ((uint64_t)page_ea >> shift);
}

// A new translation's Start (the record not paused, not full).
void start_text(ThreadState *thread, Xlate_Debug *record, AXD *axd, const char *text)
{
    Xlate_Debug_Text *current = &record->texts[record->current];
    if (current->text[0] != '\0') {
        // The translation narrated there never ended.
        append(current->text, text_length(current->text), UNEXPECTED_END);
        advance(record);
        if (record->current > 2) return;
        current = &record->texts[record->current];
    }
    if (record->current == 2) {
        // A second access to the page of data page 0 is not narrated again.
        const Xlate_Debug_Text &first = record->texts[1];
        if (axd && first.page_shift == axd->page_shift &&
            in_page((int64_t)axd->ea, first.ea, first.page_shift)) {
            record->flush = 1;
            if (narrating())
                debug_line(thread, "EXXLATE: Flushed(3) cmd %s xdp->flush:%d <%s>", "Start", 1, text);
            return;
        }
    }
    // A Start without an access descriptor begins a text at address 0 in a 4 KB page.
    current->ea = axd ? (int64_t)axd->ea : 0;
    current->page_shift = axd ? axd->page_shift : 12;
    append(current->text, 0, XLAT_DEBUG_Header_string[record->current]);
    IndentAndAppend(record, record->current, text);
}

// A translation mode: named in place of the "#" of the start message, once per text.
void set_mode(ThreadState *thread, Xlate_Debug *record, int type)
{
    Xlate_Debug_Text *current = &record->texts[record->current];
    if (current->mode != XLAT_DEBUG_MODE_NOT_SET) {
        if (narrating()) debug_line(thread, "EXXLATE : Xlate Mode Update: %s ", type_name(type));
        return;
    }
    current->mode = type;
    text_length(current->text);
    if (char *mark = strchr(current->text, '#')) {
        *mark = ' ';
        size_t room = XLATE_DEBUG_TEXT_SIZE - (size_t)(mark + 1 - current->text);
        InsertStrInStr(mark + 1, room, type_name(type));
    }
}

} // namespace

void Xlate_Debug_Printf(ThreadState *thread, int type, AXD *axd, const char *format, ...)
{
    if (!narrating()) return;
    static thread_local char message[4096];
    message[0] = '\0';
    if (format) {
        va_list args;
        va_start(args, format);
        vsnprintf(message, sizeof message, format, args);
        va_end(args);
    }
    Record_Xlate_Debug(thread, axd, type, message);
}

void Record_Xlate_Debug(ThreadState *thread, AXD *axd, int type, const char *text)
{
    if (!text) text = "";
    const char *name = type_name(type);
    bool on = narrating();
    if (on) {
        const char *shown = text[0] == '\n' ? text + 1 : text;
        if (type < XLAT_DEBUG_Dravo_RealMode)
            debug_line(thread, "EXXLATE : cmd:%s message:%s", name, shown);
        else
            debug_line(thread, "EXXLATE : cmd:SetMODE: %s message:%s", name, shown);
    }

    Xlate_Debug *record = thread ? thread->xlate_debug : nullptr;
    if (!record) return;
    if (record->current > 2 || record->current < 0) {
        if (on)
            debug_line(thread, "EXXLATE : Flushed(5) cmd %s xdp->flush:%d <%s>", name, record->flush, text);
        return;
    }
    if (record->flush < 0) return;
    if (record->flush > 0) {
        if (type == XLAT_DEBUG_FAIL) {
            record->flush = 0;
        } else if (type == XLAT_DEBUG_END) {
            record->flush--;
        } else if (type == XLAT_DEBUG_START) {
            record->flush++;
            if (on)
                debug_line(thread, "EXXLATE : Flushed(1) cmd %s xdp->flush:%d <%s>", "Start", record->flush,
                           text);
        } else if (on) {
            debug_line(thread, "EXXLATE : Flushed(2) cmd %s xdp->flush:%d <%s>", name, record->flush, text);
        }
        return;
    }

    Xlate_Debug_Text *current = &record->texts[record->current];
    if (type == XLAT_DEBUG_START) {
        if (record->paused) {
            record->saved_ea = current->ea;
            record->saved_page_shift = current->page_shift;
            record->saved_mode = current->mode;
            current->mode = XLAT_DEBUG_MODE_NOT_SET;
            IndentAndAppend(record, record->current, text);
            return;
        }
        start_text(thread, record, axd, text);
        return;
    }

    if (current->ea == -1 && current->page_shift == -1) {
        if (on) debug_line(thread, "EXXLATE : Flushed(3) cmd %s xdp->flush:%d <%s>", name, 0, text);
        return;
    }
    switch (type) {
    case XLAT_DEBUG_INFO:
        IndentAndAppend(record, record->current, text);
        break;
    case XLAT_DEBUG_PAUSE:
        record->paused = 1;
        reset_saved(record); // until a nested Start saves the text's header
        IndentAndAppend(record, record->current, text);
        break;
    case XLAT_DEBUG_FAIL: {
        int failed = record->current;
        current->failed = 1;
        record->paused = 0;
        advance(record);
        IndentAndAppend(record, failed, text);
        break;
    }
    case XLAT_DEBUG_END:
        if (record->paused) {
            // A pause that saw no nested Start saved nothing: the text keeps its header.
            if (record->saved_ea != -1 || record->saved_page_shift != -1) {
                current->ea = record->saved_ea;
                current->page_shift = record->saved_page_shift;
                current->mode = record->saved_mode;
            }
            record->paused = 0;
            reset_saved(record);
            IndentAndAppend(record, record->current, text);
        } else {
            if (axd) current->page_shift = axd->page_shift;
            IndentAndAppend(record, record->current, text);
            advance(record);
        }
        break;
    case XLAT_DEBUG_FLUSH:
        record->flush = 1;
        break;
    default:
        if (!is_mode(type)) break; // not a message the record keeps
        set_mode(thread, record, type);
        IndentAndAppend(record, record->current, text);
        break;
    }
}

void IndentAndAppend(Xlate_Debug *record, int index, const char *message)
{
    if (!record || index < 0 || index >= XLATE_DEBUG_TEXTS || !message) return;
    char *text = record->texts[index].text;
    const char *indent = record->paused ? "*  " : "*";
    size_t length = text_length(text);
    if (length > 0 && text[length - 1] == '\n') length = append(text, length, indent);
    if (message[0] == '\n') {
        length = append(text, length, "\n");
        length = append(text, length, indent);
        message++;
    }
    append(text, length, message);
}

void InsertStrInStr(char *place, size_t room, const char *string)
{
    if (!place || room == 0 || !string) return;
    size_t limit = room - 1;
    size_t rest = strnlen(place, room);
    if (rest > limit) rest = limit;
    size_t added = strnlen(string, limit);
    size_t kept = added + rest > limit ? limit - added : rest;
    memmove(place + added, place, kept);
    memcpy(place, string, added);
    place[added + kept] = '\0';
}

void Print_Xlate_Registers(IOPDesc *iop)
{
    if (!narrating() || !iop || !iop->thread) return;
    uint64_t lpcr = iGET_LPCR(iop);
    uint64_t sdr1 = iGET_SDR1(iop);
    uint64_t hid4 = iGET_HID4(iop);
    Xlate_Debug_Printf(iop->thread, XLAT_DEBUG_INFO, nullptr,
                       "\nLPCR[ISL]:%d LPCR[TC]:%d SDR1:0x%016lX HID4[RMSC]:%X HID4[EN_RMSC]:%X "
                       "HID4[DIS_MPSS]:%X HID4[DIS_MPSSX]:%X HID4[SEL_PTE_LPX]:%X ",
                       (int)((lpcr >> 61) & 1), (int)((lpcr >> 9) & 1), (unsigned long)sdr1,
                       (unsigned)((hid4 >> 59) & 0x1F), (unsigned)((hid4 >> 30) & 1),
                       (unsigned)((hid4 >> 55) & 1), (unsigned)((hid4 >> 54) & 1),
                       (unsigned)PTE_SEL_LPX(iop));
}

int Xlate_Debug_Mode_Unset(const ThreadState *thread)
{
    const Xlate_Debug *record = thread ? thread->xlate_debug : nullptr;
    if (!record || record->current < 0 || record->current > 2) return 1;
    return record->texts[record->current].mode == XLAT_DEBUG_MODE_NOT_SET ? 1 : 0;
}

void Xlate_Debug_Clear_Text(Xlate_Debug_Text *text)
{
    text->ea = -1;
    text->page_shift = -1;
    text->mode = XLAT_DEBUG_MODE_NOT_SET;
    text->reserved = 0;
    text->failed = 0;
    text->text[0] = '\0';
}

void Xlate_Debug_Reset(Xlate_Debug *record)
{
    record->current = 0;
    record->flush = 0;
    record->paused = 0;
    reset_saved(record);
    for (Xlate_Debug_Text &text : record->texts)
        Xlate_Debug_Clear_Text(&text);
}

void Print_Xlate_Debug_Summary(ThreadState *thread)
{
    if (!thread || !thread->xlate_debug) return;
    if (get_debug_flag(DEBUG_XLATE) <= 0 || get_debug_flag(DEBUG_XLATE_SUMMARY) <= 0) return;
    for (Xlate_Debug_Text &entry : thread->xlate_debug->texts) {
        if (entry.text[0] == '\0') continue;
        SIM_PRINT("\nEXXLATE Summary: ");
        SIM_PRINT_LONG_STRING(entry.text);
        SIM_PRINT("\n\n");
    }
}
