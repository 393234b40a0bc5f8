/* A host program in C that embeds the simulator through its exported interface only: it serves the
 * guest memory, loads a small program into it, runs it a few instructions at a time, reads
 * registers and memory back and listens to instruction commits. Prints one line per failed check
 * and exits with the number of failures. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "embed/libsim_api.h"

static uint8_t guest[0x10000];
static int failures;
static int commits;
static int disk_lines;
static char messages[8192];

#define CHECK(condition)                                                                                     \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            printf("FAILED line %d: %s\n", __LINE__, #condition);                                           \
            failures++;                                                                                      \
        }                                                                                                    \
    } while (0)

static int host_read(void *object, uint64_t address, int32_t size, uint8_t *buffer)
{
    (void)object;
    if (address + (uint64_t)size > sizeof guest) return 0;
    memcpy(buffer, &guest[address], (size_t)size);
    return 1;
}

static int host_write(void *object, uint64_t address, int32_t size, const uint8_t *buffer)
{
    (void)object;
    if (address + (uint64_t)size > sizeof guest) return 0;
    memcpy(&guest[address], buffer, (size_t)size);
    return 1;
}

/* No direct pointers: every fetch, load and store goes through the routines above. */
static void *host_resolve(void *object, uint64_t address)
{
    (void)object;
    (void)address;
    return NULL;
}

static int64_t host_output(void *data, unsigned int level, const char *text)
{
    (void)data;
    (void)level;
    if (strcmp(text, "init_bogusdisk failed.\n") == 0) disk_lines++;
    strncat(messages, text, sizeof messages - strlen(messages) - 1);
    return 0;
}

static int on_commit(void *iop)
{
    (void)iop;
    commits++;
    return 0;
}

static void put_word(uint64_t address, uint32_t word)
{
    guest[address] = (uint8_t)(word >> 24);
    guest[address + 1] = (uint8_t)(word >> 16);
    guest[address + 2] = (uint8_t)(word >> 8);
    guest[address + 3] = (uint8_t)word;
}

int main(void)
{
    LIBSIM__RegisterOutputSink(host_output, NULL);
    CHECK(LIBSIM__Init() != NULL);
    vLIBSIM_data *handle = LIBSIM__Create(1);
    CHECK(handle != NULL);
    if (!handle) return 1;
    CHECK(LIBSIM__UpdatePropertyValue(handle, "cpi", "1.0") == 1);

    CHECK(LIBSIM__RegisterMemory(handle, host_read, host_write, host_resolve) == 1);
    CHECK(disk_lines == 1); /* the machine was made, with no disk path set */
    put_word(0x1000, 0x38600005); /* li   r3,5 */
    put_word(0x1004, 0x38630007); /* addi r3,r3,7 */
    put_word(0x1008, 0x80802000); /* lwz  r4,0x2000(0) */
    put_word(0x100C, 0x38A0ABCD); /* li   r5,0xABCD */
    put_word(0x1010, 0xB0A02010); /* sth  r5,0x2010(0) */
    put_word(0x1014, 0x38C00001); /* li   r6,1: beyond the second step limit */
    guest[0x2000] = 0x12;
    guest[0x2001] = 0x34;
    guest[0x2002] = 0x56;
    guest[0x2003] = 0x78;

    ThreadState *t = LIBSIM__AllocThread(handle, 0);
    CHECK(t != NULL);
    if (!t) return 1;
    CHECK(LIBSIM__RegisterListener("Event_Instruction_Commit", (void *)on_commit) == 1);
    CHECK(LIBSIM__RegisterListener("No_Such_Event", (void *)on_commit) == 0);
    CHECK(LIBSIM__SetMode(handle, "simple") == 5);
    LIBSIM__SetPC(t, 0x1000);
    LIBSIM__EnableThread(t);

    CHECK(LIBSIM__StepLimit(t, 3) == 0);
    LIBSIM__Run(handle);
    CHECK(LIBSIM__InstCount(t) == 3);
    CHECK(LIBSIM__GetGPR(t, 3) == 12);
    CHECK(LIBSIM__GetGPR(t, 4) == 0x12345678);
    CHECK(LIBSIM__GetPC(t) == 0x100C);
    CHECK(commits == 3);

    CHECK(LIBSIM__UnRegisterListener("Event_Instruction_Commit", (void *)on_commit) == 1);
    LIBSIM__StepLimit(t, 2);
    LIBSIM__Run(handle);
    CHECK(LIBSIM__InstCount(t) == 5);
    CHECK(guest[0x2010] == 0xAB && guest[0x2011] == 0xCD);
    CHECK(LIBSIM__GetGPR(t, 6) == 0);
    CHECK(commits == 3);

    CHECK(LIBSIM__UpdatePropertyValue(handle, "cpi", "2.0") == 0);
    CHECK(LIBSIM__GetGPR(t, 32) == (uint64_t)-1);
    CHECK(strcmp(LIBSIM__EXSR_Name(29), "TTR") == 0);
    CHECK(LIBSIM__EXSR_Get(t, 200) == (uint64_t)-1);
    LIBSIM__EXSR_Set(t, 86, 0x4444); /* LR */
    CHECK(LIBSIM__EXSR_Get(t, LIBSIM__EXSR_Number("lr")) == 0x4444);
    CHECK(disk_lines == 1);

    LIBSIM__Destroy(handle);
    if (failures) printf("---- messages ----\n%s", messages);
    printf("%d failures\n", failures);
    return failures;
}
