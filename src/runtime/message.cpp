// The message sink: formatting, print header, repeat folding, output hook, regression output cap
// and the consequences of the fatal levels.
#include "runtime/message.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "runtime/callbacks.h"
#include "runtime/common.h"
#include "runtime/hooks/print_header_hooks.h"
#include "runtime/stop.h"

FILE *Quarn_Output_File = stdout;

namespace
{

constexpr size_t MESSAGE_BUFFER_SIZE = 4096;
constexpr size_t HEADER_BUFFER_SIZE = 256;
constexpr int REPEAT_REPORT_INTERVAL = 8000;
constexpr uint32_t REGRESSION_OUTPUT_CAP = 2147483648u; // 2^31 bytes
constexpr uint32_t REPEAT_LINE_BYTES = 36;

// Per host thread, so that translator worker threads format without interfering.
thread_local char message_buffer[MESSAGE_BUFFER_SIZE];
thread_local char line_buffer[MESSAGE_BUFFER_SIZE];
thread_local char header_buffer[HEADER_BUFFER_SIZE];

// Process-wide state (unlocked: worker threads print rarely and interleaving is accepted).
MessageOutputHook output_hook = nullptr;
void *output_hook_data = nullptr;
char last_printed[MESSAGE_BUFFER_SIZE];
bool have_last_printed = false; // an empty last text is "nothing printed", never a repeat
int32_t repeat_count = 0;
uint32_t regress_byte_count = 0;
time_t previous_header_time = 0;
bool dump_in_progress = false;

// Formats into a fixed buffer, cutting what does not fit (the cut is intended).
int format_into(char *buffer, size_t size, const char *format, ...) __attribute__((format(printf, 3, 4)));
int format_into(char *buffer, size_t size, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, size, format, args);
    va_end(args);
    return n;
}

FILE *out()
{
    return Quarn_Output_File ? Quarn_Output_File : stdout;
}

// Counts regression-mode output and ends the program when it exceeds the cap.
void count_output(size_t bytes)
{
    if (!regress_mode) return;
    regress_byte_count += (uint32_t)bytes;
    if (regress_byte_count > REGRESSION_OUTPUT_CAP) {
        fprintf(out(), "FATAL INTERNAL ERROR: %s: Too much output\n", Prepare_Time(nullptr));
        fflush(out());
        Sim_Quit(-1);
    }
}

void flush_repeat_count()
{
    if (repeat_count > 0) {
        fprintf(out(), "Previous Message Repeated %d times\n", repeat_count);
        fflush(out());
        repeat_count = 0;
        count_output(REPEAT_LINE_BYTES);
    }
    repeat_count = 0;
    last_printed[0] = '\0';
    have_last_printed = false;
}

// Writes a whole line of level 2, 5 or 6; with suppression an unbroken run of one text is folded.
void print_line(const char *line, const char *text, bool suppress)
{
    if (suppress && !regress_mode && have_last_printed && strcmp(text, last_printed) == 0) {
        repeat_count++;
        if (repeat_count % REPEAT_REPORT_INTERVAL == 0) {
            fprintf(out(), "Previous Message Repeated %d times\n", repeat_count);
            fflush(out());
        }
        return;
    }
    flush_repeat_count();
    fputs(line, out());
    fflush(out());
    count_output(strlen(line));
    format_into(last_printed, sizeof last_printed, "%s", text);
    have_last_printed = true;
}

// The thread name of a header: only when the machine has several processors or the thread's
// processor several threads.
const char *thread_header_name(ThreadState *thread)
{
    if (!thread) return nullptr;
    GenericMachine *machine = ThreadState__Machine(thread);
    if ((machine && GenericMachine__ProcessorCount(machine) > 1) ||
        ThreadState__ProcessorThreadCount(thread) > 1)
        return ThreadState__Name(thread);
    return nullptr;
}

// Appends to the header buffer; a header that would pass 255 characters is cut there.
void header_append(size_t &used, const char *format, ...) __attribute__((format(printf, 2, 3)));
void header_append(size_t &used, const char *format, ...)
{
    if (used >= HEADER_BUFFER_SIZE - 1) return;
    va_list args;
    va_start(args, format);
    int n = vsnprintf(header_buffer + used, HEADER_BUFFER_SIZE - used, format, args);
    va_end(args);
    if (n > 0) used += (size_t)n;
    if (used > HEADER_BUFFER_SIZE - 1) used = HEADER_BUFFER_SIZE - 1;
}

} // namespace

char *Make_Print_Header(GenericMachine *machine, long delta, const char *name)
{
    size_t used = 0;
    header_buffer[0] = '\0';
    int32_t flags = quarn_common.print_flags;
    time_t now = 0;
    if (flags & (PRINT_FLAG_DELTA | PRINT_FLAG_TIME_OF_DAY)) now = time(nullptr);
    if (flags & PRINT_FLAG_DELTA) {
        header_append(used, "delta %ld: ", (long)(now - previous_header_time));
        previous_header_time = now;
    }
    if (flags & PRINT_FLAG_TIME_OF_DAY) {
        char text[32];
        ctime_r(&now, text);
        header_append(used, "%.8s: ", text + 11);
    }
    if (flags & PRINT_FLAG_SIM_TIME) header_append(used, "%s: ", Prepare_Time(machine));
    if (flags & PRINT_FLAG_INSTR_COUNT)
        header_append(used,
                      "(%ld): ", machine ? (long)GenericMachine__InstructionCount(machine) + delta : 0L);
    if (name) header_append(used, "%s: ", name);
    return header_buffer;
}

void unsafe_vMessage(MessageLevel level, const char *format, const char *tag, const char *label,
                     ThreadState *thread, va_list args)
{
    GenericMachine *machine = thread ? ThreadState__Machine(thread) : nullptr;
    if (!machine) machine = currentMachine;

    if (very_very_quiet_mode && (level == MSG_PRINT || level == MSG_INFO || level == MSG_DEBUG)) return;

    char *text = message_buffer;
    if (!format || !*format) {
        text[0] = '\0';
    } else if (tag) {
        vsnprintf(line_buffer, sizeof line_buffer, format, args);
        format_into(text, MESSAGE_BUFFER_SIZE, "%s : %s", tag, line_buffer);
    } else {
        vsnprintf(text, MESSAGE_BUFFER_SIZE, format, args);
    }

    if (output_hook) {
        if (level == MSG_DEBUG) {
            const char *name = thread ? thread_header_name(thread) : label;
            format_into(line_buffer, sizeof line_buffer, "DEBUG: %s%s\n", Make_Print_Header(machine, 0, name),
                        text);
            output_hook(output_hook_data, MSG_DEBUG, line_buffer);
            return;
        }
        output_hook(output_hook_data, level, text);
    } else {
        switch (level) {
        case MSG_FATAL_INTERNAL:
            flush_repeat_count();
            fprintf(out(), "FATAL INTERNAL ERROR: %s%s\n",
                    Make_Print_Header(machine, 0, thread_header_name(thread)), text);
            fflush(out());
            break;
        case MSG_FATAL:
            flush_repeat_count();
            fprintf(out(), "FATAL ERROR: %s%s\n", Make_Print_Header(machine, 0, thread_header_name(thread)),
                    text);
            fflush(out());
            break;
        case MSG_WARNING:
            format_into(line_buffer, sizeof line_buffer, "WARNING: %s%s\n",
                        Make_Print_Header(machine, 0, thread_header_name(thread)), text);
            print_line(line_buffer, text, true);
            break;
        case MSG_PRINT:
        case MSG_CONSOLE:
            flush_repeat_count();
            fputs(text, out());
            fflush(out());
            count_output(strlen(text));
            break;
        case MSG_INFO:
            format_into(line_buffer, sizeof line_buffer, "INFO: %s%s\n",
                        Make_Print_Header(machine, 0, thread_header_name(thread)), text);
            print_line(line_buffer, text, true);
            break;
        case MSG_DEBUG: {
            const char *name = thread ? thread_header_name(thread) : label;
            format_into(line_buffer, sizeof line_buffer, "DEBUG: %s%s\n", Make_Print_Header(machine, 0, name),
                        text);
            print_line(line_buffer, text, false);
            break;
        }
        default:
            break;
        }
    }

    switch (level) {
    case MSG_FATAL_INTERNAL:
        Callback_Run_Message_List(CALLBACK_INTERNAL_ERROR, text);
        Dump_all();
        abort();
    case MSG_FATAL:
        Callback_Run_Message_List(CALLBACK_FATAL_ERROR, text);
        Stop_The_Simulation(STOP_QUARN_ERROR);
        break;
    case MSG_WARNING:
        Callback_Run_Message_List(CALLBACK_WARNING, text);
        break;
    default:
        break;
    }
}

void unsafe_Message(MessageLevel level, const char *tag, const char *label, ThreadState *thread,
                    const char *format, ...)
{
    va_list args;
    va_start(args, format);
    unsafe_vMessage(level, format, tag, label, thread, args);
    va_end(args);
}

void SIM_PRINT(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    unsafe_vMessage(MSG_PRINT, format, nullptr, nullptr, nullptr, args);
    va_end(args);
}

void SIM_CONSOLE_PRINT(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    unsafe_vMessage(MSG_CONSOLE, format, nullptr, nullptr, nullptr, args);
    va_end(args);
}

void SIM_INFO(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    unsafe_vMessage(MSG_INFO, format, nullptr, nullptr, nullptr, args);
    va_end(args);
}

void sim_do_error(const char *, int, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    unsafe_vMessage(MSG_FATAL, format, nullptr, nullptr, nullptr, args);
    va_end(args);
}

void sim_do_panic(const char *, int, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    unsafe_vMessage(MSG_FATAL_INTERNAL, format, nullptr, nullptr, nullptr, args);
    va_end(args);
    abort(); // not reached: level 0 aborts in the sink
}

void sim_do_warning(int, const char *, ...) {}

void SIM_PRINT_LONG_STRING(const char *text)
{
    constexpr size_t PIECE = 2000;
    if (!text) return;
    size_t length = strlen(text);
    for (size_t offset = 0; offset < length; offset += PIECE)
        SIM_PRINT("%.*s", (int)PIECE, text + offset);
}

void RepeatCountFlush(void)
{
    flush_repeat_count();
}

void mm_change_print_function(MessageOutputHook hook, void *data)
{
    output_hook = hook;
    output_hook_data = hook ? data : nullptr;
}

void Dump_all(void)
{
    if (dump_in_progress) return;
    dump_in_progress = true;
    for (Callback_Function *entry = callBackFunctionLists[CALLBACK_DUMP].head; entry; entry = entry->next)
        ((CallbackDumpFunction)entry->function)(entry->data);
    dump_in_progress = false;
}

void log_message(const char *format, FILE *stream, ...)
{
    va_list args;
    va_start(args, stream);
    if (stream)
        vfprintf(stream, format, args);
    else
        unsafe_vMessage(MSG_PRINT, format, nullptr, nullptr, nullptr, args);
    va_end(args);
}

void hexdump(const void *data, size_t length, FILE *stream)
{
    const unsigned char *bytes = (const unsigned char *)data;
    for (size_t row = 0; row < length; row += 16) {
        char line[96];
        size_t used = (size_t)snprintf(line, sizeof line, "0x%08X:", (unsigned)row);
        for (size_t i = 0; i < 16; i++) {
            if (i % 4 == 0) line[used++] = ' ';
            if (row + i < length)
                used += (size_t)snprintf(line + used, sizeof line - used, "%02X", bytes[row + i]);
            else {
                line[used++] = ' ';
                line[used++] = ' ';
            }
        }
        line[used++] = ' ';
        line[used++] = '*';
        for (size_t i = 0; i < 16; i++) {
            if (row + i >= length)
                line[used++] = ' ';
            else if (bytes[row + i] >= 32 && bytes[row + i] <= 126)
                line[used++] = (char)bytes[row + i];
            else
                line[used++] = '.';
        }
        line[used++] = '*';
        line[used++] = '\n';
        line[used] = '\0';
        log_message("%s", stream, line);
    }
}
