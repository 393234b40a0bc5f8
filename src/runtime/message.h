// The message sink: every line the simulator writes for its user goes through
// unsafe_vMessage, which formats, adds the print header, folds repeats and carries out
// the level's consequence (abort, stop, warning callbacks).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

struct ThreadState;
struct GenericMachine;

typedef unsigned int MessageLevel;
enum : MessageLevel {
    MSG_FATAL_INTERNAL = 0, // "FATAL INTERNAL ERROR: " then abort
    MSG_FATAL = 1,          // "FATAL ERROR: " then stop cause 0x10; the caller goes on
    MSG_WARNING = 2,        // "WARNING: ", folded
    MSG_PRINT = 3,          // text unchanged
    MSG_CONSOLE = 4,        // console text unchanged, never silenced
    MSG_INFO = 5,           // "INFO: ", folded
    MSG_DEBUG = 6,          // "DEBUG: ", never folded
};

// Output stream of every message (standard output unless -o).
extern FILE *Quarn_Output_File;

// An embedding host's output hook: receives (its data, level, text) instead of the file.
typedef int64_t (*MessageOutputHook)(void *data, MessageLevel level, const char *text);

// The sink. tag: optional text put in front ("tag : text"); label: optional name used as the
// thread name of a debug message without thread; thread: optional reporting thread.
void unsafe_vMessage(MessageLevel level, const char *format, const char *tag, const char *label,
                     ThreadState *thread, va_list args);
void unsafe_Message(MessageLevel level, const char *tag, const char *label, ThreadState *thread,
                    const char *format, ...) __attribute__((format(printf, 5, 6)));

void SIM_PRINT(const char *format, ...) __attribute__((format(printf, 1, 2)));
void SIM_CONSOLE_PRINT(const char *format, ...) __attribute__((format(printf, 1, 2)));
void SIM_INFO(const char *format, ...) __attribute__((format(printf, 1, 2)));
void sim_do_error(const char *file, int line, const char *format, ...) __attribute__((format(printf, 3, 4)));
[[noreturn]] void sim_do_panic(const char *file, int line, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
// The general warning call: accepts a level and a message and writes nothing.
void sim_do_warning(int level, const char *format, ...) __attribute__((format(printf, 2, 3)));

#define sim_error(...) sim_do_error(__FILE__, __LINE__, __VA_ARGS__)
#define sim_panic(...) sim_do_panic(__FILE__, __LINE__, __VA_ARGS__)
#define sim_warning(level, ...) sim_do_warning((level), __VA_ARGS__)

// Prints a text of any length as plain output, in pieces that fit the message buffer.
void SIM_PRINT_LONG_STRING(const char *text);
// Reports a pending repeat count, then forgets the last printed text.
void RepeatCountFlush(void);
// Builds the print header in the calling thread's header buffer.
char *Make_Print_Header(GenericMachine *machine, long delta, const char *name);
// Installs (or with null removes) the output hook.
void mm_change_print_function(MessageOutputHook hook, void *data);
// Runs the "dump" callbacks; a nested call returns at once.
void Dump_all(void);
// With a stream formats straight to it, else a plain message.
void log_message(const char *format, FILE *stream, ...);
void hexdump(const void *data, size_t length, FILE *stream);
