/* A trace library that writes the per-instruction records it receives, one line each, to the file
 * named by the environment variable QUARN_TRC_RECORD: "ins <word> <ea>", "read <ea>",
 * "write <ea> <kind>", "branch <from> <to> <word>". Profile entries and the branch outcome are left
 * out: they differ between the interpreter and translated code by rule. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

extern "C" {

static FILE *out;

uint64_t evt_load(int32_t argument, void *pointer)
{
    (void)argument;
    (void)pointer;
    const char *name = getenv("QUARN_TRC_RECORD");
    if (!out && name) out = fopen(name, "w");
    return 1;
}

void evt_unload(uint64_t data)
{
    (void)data;
    if (out) fclose(out);
    out = nullptr;
}

// The records reach the file by the time tracing is switched off.
void evt_off(uint64_t data)
{
    (void)data;
    if (out) fflush(out);
}

void trc_ins(uint64_t data, uint64_t *record)
{
    (void)data;
    if (out)
        fprintf(out, "ins %08llx %llx\n", (unsigned long long)(uint32_t)record[1],
                (unsigned long long)record[2]);
}

void trc_mem_read(uint64_t data, uint64_t *record)
{
    (void)data;
    if (out) fprintf(out, "read %llx\n", (unsigned long long)record[1]);
}

void trc_mem_write(uint64_t data, uint64_t *record)
{
    (void)data;
    if (out) fprintf(out, "write %llx %llx\n", (unsigned long long)record[1], (unsigned long long)record[2]);
}

void trc_branch(uint64_t data, uint64_t *record)
{
    (void)data;
    if (out)
        fprintf(out, "branch %llx %llx %08llx\n", (unsigned long long)record[1],
                (unsigned long long)record[3], (unsigned long long)(uint32_t)record[5]);
}
}
