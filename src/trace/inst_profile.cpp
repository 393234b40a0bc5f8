// Instruction profiles.
#include "trace/inst_profile.h"

#include <pthread.h>
#include <unistd.h>

#include <cstdio>

#include "processor/records/generic_machine.h"
#include "runtime/alloc.h"
#include "trace/trace_lib.h"
#include "translator/disassembler.h"
#include "translator/page_tables.h"

namespace
{

struct prof_table_s {
    prof_entry_s *heads[PROF_HEADS];
};

int profiling;
prof_table_s *table;
uint64_t next_id;
pthread_spinlock_t prof_lock;
bool lock_made;

bool parallel_mode(void)
{
    for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next)
        if (machine->mode == MODE_PTURBO) return true;
    return false;
}

struct LockScope {
    bool held;
    LockScope() : held(lock_made && parallel_mode())
    {
        if (held) pthread_spin_lock(&prof_lock);
    }
    ~LockScope()
    {
        if (held) pthread_spin_unlock(&prof_lock);
    }
};

FILE *open_profile(const char *name)
{
    FILE *file = fopen(name, "w");
    if (file) return file;
    printf("Instruction profiling is unable to create file %s\n", name);
    return stdout;
}

template <typename F> void each_counted(F f)
{
    for (int h = 0; h < PROF_HEADS; h++)
        for (prof_entry_s *chunk = table->heads[h]; chunk; chunk = chunk->next)
            for (int i = 0; i < PROF_PAGE_ENTRIES; i++)
                if (chunk->entries[i].count != 0) f(chunk, i);
}

} // namespace

int prof_is_on(void)
{
    return profiling;
}

void trc_prof_on(void)
{
    if (!lock_made) {
        pthread_spin_init(&prof_lock, PTHREAD_PROCESS_PRIVATE);
        lock_made = true;
    }
    profiling = 1;
}

// Weak: the branch routines' unit tests replace it.
__attribute__((weak)) prof_entry *prof_lookup(uint32_t word, uint32_t index, uint64_t page)
{
    LockScope lock;
    index &= PROF_PAGE_ENTRIES - 1;
    page &= ~0xFFFull;
    if (!table) table = QUARN_ZALLOC(1, prof_table_s);
    prof_entry_s **head = &table->heads[((page >> 12) & 0x3FF) * 1024];
    for (prof_entry_s *chunk = *head; chunk; chunk = chunk->next)
        if (chunk->page == page && chunk->entries[index].word == word) return &chunk->entries[index];
    for (prof_entry_s *chunk = *head; chunk; chunk = chunk->next) {
        if (chunk->page == page && chunk->entries[index].word == 0) {
            chunk->entries[index].word = word;
            return &chunk->entries[index];
        }
    }
    prof_entry_s *chunk = QUARN_ZALLOC(1, prof_entry_s);
    chunk->page = page;
    for (int i = 0; i < PROF_PAGE_ENTRIES; i++)
        chunk->entries[i].profile_id = next_id + (uint64_t)i;
    next_id += PROF_PAGE_ENTRIES;
    chunk->next = *head;
    *head = chunk;
    chunk->entries[index].word = word;
    return &chunk->entries[index];
}

void trc_prof_off(void)
{
    if (TRC_IS_ON()) {
        printf("Turn off tracing before turning profiling off\n");
        fflush(stdout);
        return;
    }
    char name[64];
    snprintf(name, sizeof name, "iprofile.%d.txt", (int)getpid());
    profiling = 0;
    if (!table) return;
    // Translated code holds the addresses of the entries about to be freed.
    for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next)
        turbo_xlate_flush(machine);

    FILE *main_file = open_profile(name);
    const int32_t printers = trc_libs_with_prof_print();
    for (int32_t n = 0; n < printers; n++) {
        lib_s *lib = trc_lib_with_prof_print_index(n);
        char label[512];
        trc_get_label(lib, label, sizeof label);
        // The label is cut so that the file name always fits.
        char lib_name[600];
        snprintf(lib_name, sizeof lib_name, "iprofile.%.500s.%d.txt", label, (int)getpid());
        FILE *file = open_profile(lib_name);
        each_counted([&](prof_entry_s *chunk, int i) {
            trc_lib_prof_print(lib, file, &chunk->entries[i], chunk->page + 4ull * (uint64_t)i);
        });
        if (file != stdout) fclose(file);
    }

    fprintf(main_file, "<PROF>\n");
    fprintf(main_file, "TAG PROFID EA PA COUNT ENCODING DISASSEMBLY\n");
    for (int h = 0; h < PROF_HEADS; h++) {
        prof_entry_s *chunk = table->heads[h];
        while (chunk) {
            for (int i = 0; i < PROF_PAGE_ENTRIES; i++) {
                const prof_entry &e = chunk->entries[i];
                if (e.count == 0) continue;
                char text[500];
                dis_instruction(e.word, text, sizeof text, e.last_address);
                fprintf(main_file, "prof %lld 0x%llx 0x%llx %lld 0x%08X { %s }\n", (long long)e.profile_id,
                        (unsigned long long)e.last_address, (unsigned long long)(chunk->page + 4ull * (uint64_t)i),
                        (long long)e.count, e.word, text);
            }
            prof_entry_s *next = chunk->next;
            QUARN_FREE(chunk);
            chunk = next;
        }
    }
    QUARN_FREE(table);
    table = nullptr;
    fprintf(main_file, "</PROF>\n");
    if (main_file != stdout)
        fclose(main_file);
    else
        fflush(stdout);
    if (lock_made) {
        pthread_spin_destroy(&prof_lock);
        lock_made = false;
    }
}

void TRC_PROF_ON(void)
{
    trc_prof_on();
}

void TRC_PROF_OFF(void)
{
    trc_prof_off();
}
