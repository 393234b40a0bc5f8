// Tag stacks: named stacks of short texts that guest code keeps in the simulator (to mark the
// phase or function it is in), in one process-wide pool addressed by slot index.
#pragma once

#include <cstdint>
#include <cstdio>

struct IOPDesc;

constexpr int TSTACK_TEXT = 80; // a name or tag holds at most 79 characters
constexpr int TSTACK_GROWTH = 10;

struct TStack {
    char name[TSTACK_TEXT];
    int32_t top;   // index of the top tag, -1 when empty
    int32_t slack; // tag slots allocated
    char (*tags)[TSTACK_TEXT];
};

struct TStack_Pool {
    int32_t search_range; // slots handed out so far
    int32_t slack;        // slots allocated
    TStack **slots;       // null: free
};

// The pool; null before the first stack and after TSPool_Delete.
extern TStack_Pool *TStack_pool;

// A new stack named name (at most 79 characters), or "<%d>" with its slot when name is null.
int32_t TSPool_NewStack(const char *name);
void TSPool_DeleteStack(int32_t index);
void TSPool_Delete(void);
// The stack at index, or null when none is there.
TStack *TSPool_Stack(int32_t index);
// Push the text (cut to 79 characters); 1 when pushed.
int TStack_Push(int32_t index, const char *text);
// Removes the top tag and gives the tag then on top (empty text when none): 1 when a tag was
// removed, else 0. out holds TSTACK_TEXT bytes.
int TStack_Pop(int32_t index, char *out);
// The top tag: 1 when the stack is not empty, else 0 with the empty text.
int TStack_TOS(int32_t index, char *out);
const char *TStack_GetName(int32_t index);
int32_t TStack_GetDepth(int32_t index);
void TStack_Print(FILE *file, int32_t index);
void TSPool_Print(FILE *file);

// Codes 43 new, 44 delete, 45 delete all, 46 push, 47 pop, 48 top, 49 current, 59 depth.
int SimSupport_TagNew(IOPDesc *iop);
int SimSupport_TagDelete(IOPDesc *iop);
int SimSupport_TagDeleteAll(IOPDesc *iop);
int SimSupport_TagPush(IOPDesc *iop);
int SimSupport_TagPop(IOPDesc *iop);
int SimSupport_TagTop(IOPDesc *iop);
int SimSupport_TagCurrent(IOPDesc *iop);
int SimSupport_TagDepth(IOPDesc *iop);
