// Interrupt hooks: a named descriptor through which a device raises, lowers, queries or sends an
// interrupt to whatever controller function was connected to it.
#pragma once

#include <cstdint>

// Hook operations.
enum : int32_t { INT_LOWER = 0, INT_RAISE = 1, INT_STATE = 2, INT_MESSAGE = 3 };

// (controller data, operation, line, argument) -> result.
typedef int (*IntHandlerFunction)(void *data, int32_t operation, int32_t line, uint64_t argument);

struct IntHandler {
    IntHandlerFunction function;
    void *data;
    int32_t setup;
    char name[60];
    int32_t last_operation; // 0 lower, 1 raise, 3 message
};

IntHandler *IntHandler__New(const char *name);
void IntHandler__Delete(IntHandler *hook);
// Connects the hook and marks it set up.
void IntHandler__Set(IntHandler *hook, IntHandlerFunction function, void *data);
// Copies the source's connection into the destination and marks it set up.
void IntHandler__Copy(IntHandler *destination, const IntHandler *source);
int32_t IntHandler__isSetup(const IntHandler *hook);
int32_t IntHandler__Status(const IntHandler *hook);
// Each forwards to the connected function; without one it warns and returns 0 (state: 2).
int IntHandler__Raise(IntHandler *hook, int32_t line, uint64_t argument, const char *reason);
int IntHandler__Lower(IntHandler *hook, int32_t line, uint64_t argument);
int IntHandler__Message(IntHandler *hook, int32_t line, uint64_t argument);
int IntHandler__State(IntHandler *hook, int32_t line, uint64_t argument);
