// Trace libraries: loading, the method and counter tables, tracing on and off, record writing,
// the room translated code writes into, the analysis of buffers and the "10M_job".
#include "trace/trace_lib.h"

#include <dlfcn.h>
#include <sys/mman.h>

#include <cstring>

#include "kernel/job.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/time/processor_time.h"
#include "processor/time/time_domain.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/trackpid.h"
#include "trace/trace_line.h"
#include "translator/crack.h"
#include "translator/page_tables.h"
#include "translator/turbo_reason.h"

namespace
{

constexpr uint64_t MSR_PR_BIT = 0x4000;
constexpr uint64_t MSR_HV_BIT = 1ull << 60;
constexpr uint64_t TEN_MILLION = 10000000;

op_s *ops;
cnt_s *cnts;
uint64_t *counts;

int32_t on_count;
int32_t bound_functions;
int32_t bound_counters;
int32_t max_record_bytes;
int32_t libs_loaded;
int64_t last_smt = -1;
int32_t stage_count = -1; // -1: not set, meaning 1
int32_t rotor;
lib_s **stage_libs; // one list head per stage
trc_s *current;
line_s *line;

// Machines whose "10M_job" exists.
GenericMachine *ten_m_machines[64];
int32_t ten_m_count;

void make_tables(void)
{
    if (ops) return;
    static const op_s rows[TRC_NUM_METHODS] = {
        {"evt_load", 0, 0, 0},       {"evt_unload", 0, 0, 0},   {"evt_flush", 0, 0, 0},
        {"evt_get_label", 0, 0, 0},  {"evt_print_prof_record", 0, 0, 0},
        {"evt_on", 0, 0, 0},         {"evt_off", 0, 0, 0},      {"evt_smt", 1, 0, 0},
        {"evt_pid", 1, 0, 0},        {"evt_priv", 3, 0, 0},     {"evt_prob", 3, 0, 0},
        {"evt_priv_hyp", 3, 0, 0},   {"evt_lpid", 1, 0, 0},     {"trc_tlbie", 1, 1, 0},
        {"evt_turbo", 1, 0, 0},      {"evt_simple", 1, 0, 0},   {";;;;;;;;", 2, 0, 0},
        {"trc_mem", 2, 1, 0},        {"trc_ins", 3, 1, 0},      {"trc_mem_read", 1, 1, 0},
        {"trc_mem_write", 2, 1, 0},  {"trc_branch", 5, 1, 0},   {"evt_10M", 1, 0, 0},
        {"evt_cmd", 2, 0, 0},
    };
    ops = QUARN_MALLOC(TRC_NUM_METHODS, op_s);
    memcpy(ops, rows, sizeof rows);
    static const char *const counter_names[TRC_NUM_COUNTERS] = {"cnt_ins", "cnt_mem", "cnt_mem_read",
                                                                "cnt_mem_write"};
    cnts = QUARN_MALLOC(TRC_NUM_COUNTERS, cnt_s);
    for (int i = 0; i < TRC_NUM_COUNTERS; i++)
        cnts[i] = {counter_names[i], 0};
    if (!counts) counts = QUARN_ZALLOC(TRC_NUM_COUNTERS, uint64_t);
}

int32_t stages(void)
{
    return stage_count < 1 ? 1 : stage_count;
}

void make_stage_array(void)
{
    stage_libs = QUARN_ZALLOC(stages(), lib_s *);
    rotor = 0;
}

void assign_stage(lib_s *lib)
{
    if (!stage_libs) make_stage_array();
    int32_t n = stages();
    int32_t stage = 0;
    if (n > 1) {
        stage = 1 + rotor % (n - 1);
        rotor++;
    }
    lib->next = stage_libs[stage];
    stage_libs[stage] = lib;
}

template <typename F> void each_lib(F f)
{
    if (!stage_libs) return;
    for (int32_t s = 0; s < stages(); s++)
        for (lib_s *lib = stage_libs[s]; lib; lib = lib->next)
            f(lib);
}

void check(trc_s *buffer, const char *where)
{
    if (!buffer) return;
    if (buffer->cursor < buffer->start || buffer->cursor > buffer->limit)
        sim_warning(2, "trc_check <%p> %s 0x%llx 0x%llx 0x%llx\n", (void *)buffer, where,
                    (unsigned long long)(uintptr_t)buffer->start, (unsigned long long)(uintptr_t)buffer->cursor,
                    (unsigned long long)(uintptr_t)buffer->limit);
}

void *make_buffer(void)
{
    void *memory = mmap(nullptr, TRC_BUFFER_BYTES, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        sim_error("trc: cannot map a trace buffer of %llu bytes", (unsigned long long)TRC_BUFFER_BYTES);
        return nullptr;
    }
    trc_s *buffer = QUARN_MALLOC(1, trc_s);
    buffer->start = static_cast<uint64_t *>(memory);
    buffer->limit = buffer->start + TRC_BUFFER_BYTES / 8;
    buffer->cursor = buffer->start;
    return buffer;
}

void dispose_buffer(void *item)
{
    trc_s *buffer = static_cast<trc_s *>(item);
    if (!buffer) return;
    munmap(buffer->start, TRC_BUFFER_BYTES);
    QUARN_FREE(buffer);
}

void analyze_item(void *item, int32_t stage)
{
    trc_analyze(static_cast<trc_s *>(item), stage);
}

void trc_line_start(int32_t count)
{
    if (!line) line = line_new(stages(), analyze_item, make_buffer, dispose_buffer);
    last_smt = -1;
    line_start(line);
    on_count = count;
}

int32_t trc_line_stop(void)
{
    if (line) {
        if (current) line_put(line, 1, current);
        current = nullptr;
        line_free(line);
        line = nullptr;
    }
    int32_t count = on_count;
    on_count = 0;
    return count;
}

// Stops a running pipeline around a change of the libraries or stages; returns the on-count to
// restart with (0: nothing to restart).
int32_t pause_line(void)
{
    return line ? trc_line_stop() : 0;
}

void resume_line(int32_t count)
{
    if (count != 0) trc_line_start(count);
}

void append(int method, const uint64_t *args)
{
    const int32_t bytes = trc_bytes(method);
    trc_s *buffer = trc_reserve((uint64_t)bytes);
    if (!buffer) return;
    uint64_t *w = buffer->cursor;
    w[0] = (uint64_t)(uint32_t)method;
    for (int i = 0; i < ops[method].args; i++)
        w[1 + i] = args[i];
    buffer->cursor = w + 1 + ops[method].args;
    check(buffer, "append");
}

void flush_counters(void)
{
    if (!counts) return;
    for (int i = 0; i < TRC_NUM_COUNTERS; i++) {
        if (counts[i] == 0) continue;
        uint64_t args[2] = {(uint64_t)i, counts[i]};
        counts[i] = 0;
        if (trc_is_active(TRC_COUNTS)) append(TRC_COUNTS, args);
    }
}

void record(int method, const uint64_t *args)
{
    if (!trc_is_active(method)) return;
    if (!ops[method].per_instruction && method != TRC_COUNTS && bound_counters > 0) flush_counters();
    append(method, args);
}

void count(int counter)
{
    if (cnt_is_active(counter)) counts[counter]++;
}

uint64_t machine_cycle(GenericMachine *machine)
{
    if (!machine->tsim) {
        sim_error("tsim in machine is NULL!!!!");
        return 0;
    }
    uint64_t tick = machine->tsim->now;
    uint64_t per = machine->cycle_domain && machine->cycle_domain->ticks_per_cycle
                       ? machine->cycle_domain->ticks_per_cycle
                       : 1;
    return (tick + per - 1) / per;
}

void ten_m_job(void *argument)
{
    GenericMachine *machine = static_cast<GenericMachine *>(argument);
    job_s *self = tsim_active_job;
    for (;;) {
        uint64_t per = machine->cycle_domain && machine->cycle_domain->ticks_per_cycle
                           ? machine->cycle_domain->ticks_per_cycle
                           : 1;
        job_set(self, 1);
        job_wait(self, TEN_MILLION * per);
        if (TRC_IS_ON()) trc_10M(machine_cycle(machine));
    }
}

void make_ten_m_job(GenericMachine *machine)
{
    for (int32_t i = 0; i < ten_m_count; i++)
        if (ten_m_machines[i] == machine) return;
    if (!machine->tsim || ten_m_count == (int32_t)(sizeof ten_m_machines / sizeof ten_m_machines[0])) return;
    job_s *job = job_new_exec(machine->tsim, "10M_job", nullptr, ten_m_job, machine);
    if (!job) return;
    job_set_priority(job, 1);
    ten_m_machines[ten_m_count++] = machine;
}

void report_thread_state(ThreadState *thread)
{
    trc_smt(thread);
    ProcessorState *partition = thread->shared_processor ? thread->shared_processor : thread->processor;
    trc_lpid(partition ? (uint32_t)partition->LPIDR.value : 0);
    trc_mode_change(thread->MSR.value, thread->PC.value, thread->PC.value);
    int64_t pid = thread->trackpid ? thread->trackpid->pid : -1;
    trc_pid(pid == -1 ? 0 : pid);
}

template <typename F> void each_thread(GenericMachine *machine, F f)
{
    int32_t n = GenericMachine__ThreadCount(machine);
    for (int32_t i = 0; i < n; i++)
        if (ThreadState *thread = GenericMachine__Thread(machine, i)) f(thread);
}

uint64_t *slot_of(uint64_t entry, const lib_s *lib)
{
    if (!entry) return nullptr;
    return &reinterpret_cast<prof_entry *>(entry)->slots[lib->index];
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Queries.

// Weak, as trc_branch: the branch routines' unit tests replace both to observe when the event is made.
__attribute__((weak)) int trc_is_active(int method)
{
    return on_count >= 1 && ops && method >= 0 && method < TRC_NUM_METHODS && ops[method].providers > 0;
}

int cnt_is_active(int counter)
{
    return on_count >= 1 && bound_counters > 0 && cnts && counter >= 0 && counter < TRC_NUM_COUNTERS &&
           cnts[counter].providers > 0;
}

int32_t trc_bytes(int method)
{
    make_tables();
    return 8 * (ops[method].args + 1);
}

uint64_t *trc_counts(void)
{
    make_tables();
    return counts;
}

const op_s *trc_methods(void)
{
    make_tables();
    return ops;
}

int32_t trc_max_record_bytes(void)
{
    return max_record_bytes;
}

int TRC_IS_ON(void)
{
    return on_count >= 1 && bound_functions > 0;
}

// ---------------------------------------------------------------------------------------------
// Control.

int32_t trc_load_lib(const char *path, int32_t argument, void *pointer)
{
    make_tables();
    printf("loading %s\n", path ? path : "(null)");
    fflush(stdout);
    if (libs_loaded >= MAX_TRC_LIBS) {
        // Refused before anything is bound, so no method of a library that receives nothing
        // stays active.
        printf("%s:%d error loaded more than MAX_TRC_LIBS=%d libraries.   Need to increase the compile time "
               "define of MAX_TRC_LIBS\n",
               __FILE__, __LINE__, MAX_TRC_LIBS);
        fflush(stdout);
        return -1;
    }
    void *handle = path ? dlopen(path, RTLD_LAZY) : nullptr;
    if (!handle) {
        const char *why = dlerror();
        printf("load %s -> %s\n", path ? path : "(null)", why ? why : "no path");
        fflush(stdout);
        return -1;
    }
    int32_t count = pause_line();
    lib_s *lib = QUARN_ZALLOC(1, lib_s);
    lib->index = libs_loaded++;
    lib->handle = handle;
    const char *base = strrchr(path, '/');
    lib->name = strdup(base ? base + 1 : path);
    for (int m = 0; m < TRC_NUM_METHODS; m++) {
        if (m == TRC_COUNTS) continue;
        void *f = dlsym(handle, ops[m].name);
        if (!f) continue;
        printf("   ... loaded %s\n", ops[m].name);
        lib->methods[m] = f;
        if (ops[m].per_instruction && ops[m].providers == 0) max_record_bytes += trc_bytes(m);
        ops[m].providers++;
        bound_functions++;
    }
    for (int c = 0; c < TRC_NUM_COUNTERS; c++) {
        void *f = dlsym(handle, cnts[c].name);
        if (!f) continue;
        printf("   ... loaded %s\n", cnts[c].name);
        lib->counters[c] = f;
        cnts[c].providers++;
        bound_functions++;
        bound_counters++;
        ops[TRC_COUNTS].providers++;
    }
    fflush(stdout);
    last_smt = -1;
    if (lib->methods[TRC_EVT_LOAD]) lib->data = reinterpret_cast<trc_load_fn>(lib->methods[TRC_EVT_LOAD])(argument, pointer);
    assign_stage(lib);
    resume_line(count);
    return lib->index;
}

int32_t trc_unload_lib(int32_t index)
{
    int32_t count = pause_line();
    int32_t result = 0;
    if (stage_libs) {
        for (int32_t s = 0; s < stages() && !result; s++) {
            for (lib_s **link = &stage_libs[s]; *link; link = &(*link)->next) {
                lib_s *lib = *link;
                if (lib->index != index) continue;
                *link = lib->next;
                last_smt = -1;
                if (lib->methods[TRC_EVT_UNLOAD]) reinterpret_cast<trc_event_fn>(lib->methods[TRC_EVT_UNLOAD])(lib->data);
                dlclose(lib->handle);
                free(lib->name);
                QUARN_FREE(lib->smt_values);
                QUARN_FREE(lib);
                result = 1;
                break;
            }
        }
    }
    resume_line(count);
    return result;
}

int32_t trc_lib_cmd(int32_t index, int32_t command, void *pointer)
{
    lib_s *found = nullptr;
    each_lib([&](lib_s *lib) {
        if (!found && lib->index == index) found = lib;
    });
    if (!found) {
        sim_warning(2, "trc cmd: no library: %d", index);
        return 1;
    }
    if (!found->methods[TRC_EVT_CMD]) {
        sim_warning(2, "%s: no %s method", found->name, "evt_cmd");
        return 1;
    }
    return reinterpret_cast<trc_cmd_fn>(found->methods[TRC_EVT_CMD])(found->data, command, pointer);
}

void trc_threads(int32_t n)
{
    if (n < 0) n = 0;
    int32_t count = pause_line();
    lib_s **old = stage_libs;
    int32_t old_stages = stages();
    stage_count = n + 1;
    make_stage_array();
    if (old) {
        // Reassigned in the old stages' order, each list front to back.
        for (int32_t s = 0; s < old_stages; s++) {
            lib_s *lib = old[s];
            while (lib) {
                lib_s *next = lib->next;
                assign_stage(lib);
                lib = next;
            }
        }
        QUARN_FREE(old);
    }
    resume_line(count);
}

void trc_set_on(void)
{
    make_tables();
    crack_init(); // the branch bit of instruction records comes from the kind tables
    if (on_count != 0) {
        on_count++;
        return;
    }
    each_lib([](lib_s *lib) {
        if (lib->methods[TRC_EVT_ON]) reinterpret_cast<trc_event_fn>(lib->methods[TRC_EVT_ON])(lib->data);
    });
    trc_line_start(1);
    for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next) {
        turbo_xlate_flush(machine);
        make_ten_m_job(machine);
        each_thread(machine, report_thread_state);
    }
}

void trc_set_off(void)
{
    make_tables();
    if (on_count != 1) {
        on_count--;
        return;
    }
    for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next) {
        trc_10M(machine_cycle(machine));
        turbo_xlate_flush(machine);
    }
    if (bound_counters > 0) flush_counters();
    trc_line_stop();
    each_lib([](lib_s *lib) {
        if (lib->methods[TRC_EVT_OFF]) reinterpret_cast<trc_event_fn>(lib->methods[TRC_EVT_OFF])(lib->data);
    });
}

int32_t TRC_LOAD_LIB(const char *path, int32_t argument, void *pointer)
{
    return trc_load_lib(path, argument, pointer);
}
int32_t TRC_UNLOAD_LIB(int32_t index)
{
    return trc_unload_lib(index);
}
int32_t TRC_LIB_CMD(int32_t index, int32_t command, void *pointer)
{
    return trc_lib_cmd(index, command, pointer);
}
void TRC_THREADS(int32_t n)
{
    trc_threads(n);
}
void TRC_SET_ON(void)
{
    trc_set_on();
}
void TRC_SET_OFF(void)
{
    trc_set_off();
}

// ---------------------------------------------------------------------------------------------
// Recording.

void trc_smt(ThreadState *thread)
{
    if (!trc_is_active(TRC_EVT_SMT) || !thread) return;
    int64_t number = thread->device_number;
    if (number == last_smt) return;
    last_smt = number;
    uint64_t args[1] = {(uint64_t)number};
    record(TRC_EVT_SMT, args);
}

void trc_pid(int64_t pid)
{
    uint64_t args[1] = {(uint64_t)pid};
    record(TRC_EVT_PID, args);
}

void TRC_SET_PID(int64_t pid)
{
    trc_pid(pid);
}

void trc_mode_change(uint64_t new_msr, uint64_t return_address, uint64_t new_pc)
{
    int method = (new_msr & MSR_PR_BIT) ? TRC_EVT_PROB : (new_msr & MSR_HV_BIT) ? TRC_EVT_PRIV_HYP : TRC_EVT_PRIV;
    uint64_t args[3] = {new_msr, return_address, new_pc};
    record(method, args);
}

void trc_lpid(uint32_t lpid)
{
    uint64_t args[1] = {lpid};
    record(TRC_EVT_LPID, args);
}

void trc_tlbie(uint64_t rb)
{
    uint64_t args[1] = {rb};
    record(TRC_TLBIE, args);
}

void trc_ins(uint32_t word, uint64_t ea, prof_entry *entry)
{
    count(TRC_CNT_INS);
    uint64_t args[3] = {word | (CRACK_IS_BRANCH(word) ? 1ull << 32 : 0), ea, reinterpret_cast<uint64_t>(entry)};
    record(TRC_INS, args);
}

void trc_mem(uint64_t ea, prof_entry *entry)
{
    count(TRC_CNT_MEM);
    uint64_t args[2] = {ea, reinterpret_cast<uint64_t>(entry)};
    record(TRC_MEM, args);
}

void trc_mem_read(uint64_t ea)
{
    count(TRC_CNT_MEM_READ);
    uint64_t args[1] = {ea};
    record(TRC_MEM_READ, args);
}

void trc_mem_write(uint64_t ea, uint64_t kind)
{
    count(TRC_CNT_MEM_WRITE);
    uint64_t args[2] = {ea, kind};
    record(TRC_MEM_WRITE, args);
}

__attribute__((weak)) void trc_branch(uint64_t from, uint64_t to, int taken, prof_entry *entry, uint32_t word, int condition)
{
    uint64_t args[5] = {from, reinterpret_cast<uint64_t>(entry), to, (taken && condition) ? 2ull : 1ull, word};
    record(TRC_BRANCH, args);
}

void trc_10M(uint64_t cycle)
{
    uint64_t args[1] = {cycle};
    record(TRC_EVT_10M, args);
}

// ---------------------------------------------------------------------------------------------
// Translated code and the buffer.

trc_s *trc_reserve(uint64_t bytes)
{
    if (!line) return nullptr;
    if (current && (uint64_t)((char *)current->cursor - (char *)current->start) + bytes < TRC_BUFFER_BYTES)
        return current;
    if (current) line_put(line, 1, current);
    current = static_cast<trc_s *>(line_get(line, 0));
    if (current) current->cursor = current->start;
    return current;
}

void trc_before(ThreadState *thread, uint32_t budget)
{
    turbo_s &turbo = thread->turbo;
    // Translated code writes without bounds checks: a pass never gets more instructions than one
    // buffer has room for.
    if (TRC_IS_ON() && max_record_bytes > 0) {
        const uint64_t most = (TRC_BUFFER_BYTES - 64) / (uint64_t)max_record_bytes;
        if (turbo.togo > most) turbo.togo = (uint32_t)most;
        if (budget > most) budget = (uint32_t)most;
    }
    trc_smt(thread);
    uint64_t args[1] = {budget};
    record(TRC_EVT_TURBO, args);
    if (TRC_IS_ON()) {
        if (trc_s *buffer = trc_reserve((uint64_t)budget * (uint64_t)max_record_bytes))
            turbo.trace_cursor = buffer->cursor;
    }
    turbo.trace_entry = nullptr;
    turbo.trace_address = 1;
    turbo.trace_word = 0;
}

void trc_after(ThreadState *thread, uint64_t executed)
{
    turbo_s &turbo = thread->turbo;
    if (TRC_IS_ON() && current && turbo.trace_cursor) {
        current->cursor = turbo.trace_cursor;
        check(current, "trc_after");
        if (turbo.reason == EXIT_FETCH && turbo.trace_address != 1) {
            uint64_t args[3] = {turbo.trace_word, turbo.trace_address, reinterpret_cast<uint64_t>(turbo.trace_entry)};
            record(TRC_INS, args);
        }
        turbo.trace_cursor = nullptr;
    }
    uint64_t args[1] = {executed};
    record(TRC_EVT_SIMPLE, args);
}

void TRC_BEFORE(ThreadState *thread, uint32_t budget)
{
    trc_before(thread, budget);
}

void TRC_AFTER(ThreadState *thread, uint64_t executed)
{
    trc_after(thread, executed);
}

void TRC_BEFORE_JIT_HELPER(ThreadState *thread)
{
    if (TRC_IS_ON() && current && thread->turbo.trace_cursor) {
        current->cursor = thread->turbo.trace_cursor;
        check(current, "TRC_BEFORE_JIT_HELPER");
    }
}

void TRC_AFTER_JIT_HELPER(ThreadState *thread)
{
    if (!TRC_IS_ON() || !thread->turbo.trace_cursor) return;
    if (trc_s *buffer = trc_reserve((uint64_t)thread->turbo.togo * (uint64_t)max_record_bytes))
        thread->turbo.trace_cursor = buffer->cursor;
}

// ---------------------------------------------------------------------------------------------
// Analysis.

void trc_analyze(trc_s *buffer, int32_t stage)
{
    if (!buffer || !stage_libs || stage < 0 || stage >= stages()) return;
    for (lib_s *lib = stage_libs[stage]; lib; lib = lib->next) {
        uint64_t *w = buffer->start;
        while (w < buffer->cursor) {
            const uint32_t method = (uint32_t)w[0];
            if (method >= (uint32_t)TRC_NUM_METHODS) break; // a damaged buffer ends the walk
            const int32_t words = 1 + ops[method].args;
            void *f = method == TRC_COUNTS ? nullptr : lib->methods[method];
            switch (method) {
            case TRC_EVT_SMT:
                if (f) {
                    uint64_t n = w[1];
                    if (n >= lib->smt_count && n < (1u << 20)) {
                        uint32_t grown = (uint32_t)n + 1;
                        lib->smt_values = QUARN_REALLOC(lib->smt_values, grown, uint64_t);
                        for (uint32_t i = lib->smt_count; i < grown; i++)
                            lib->smt_values[i] = 0;
                        lib->smt_count = grown;
                    }
                    if (n < lib->smt_count)
                        lib->smt_values[n] = reinterpret_cast<trc_smt_fn>(f)(lib->data, lib->smt_values[n], w);
                }
                break;
            case TRC_COUNTS:
                if (w[1] < (uint64_t)TRC_NUM_COUNTERS && lib->counters[w[1]])
                    reinterpret_cast<trc_counter_fn>(lib->counters[w[1]])(lib->data, w[2]);
                break;
            case TRC_MEM:
            case TRC_BRANCH:
                if (f) reinterpret_cast<trc_slot_fn>(f)(lib->data, w, slot_of(w[2], lib));
                break;
            case TRC_INS:
                if (f && w[2] != 1) reinterpret_cast<trc_slot_fn>(f)(lib->data, w, slot_of(w[3], lib));
                break;
            default:
                if (f) reinterpret_cast<trc_record_fn>(f)(lib->data, w);
                break;
            }
            w += words;
        }
        if (lib->methods[TRC_EVT_FLUSH]) reinterpret_cast<trc_event_fn>(lib->methods[TRC_EVT_FLUSH])(lib->data);
    }
}

// ---------------------------------------------------------------------------------------------
// Profile printing support and inspection.

int32_t trc_libs_with_prof_print(void)
{
    int32_t n = 0;
    each_lib([&](lib_s *lib) {
        if (lib->methods[TRC_EVT_PRINT_PROF_RECORD]) n++;
    });
    return n;
}

lib_s *trc_lib_with_prof_print_index(int32_t i)
{
    lib_s *found = nullptr;
    each_lib([&](lib_s *lib) {
        if (!found && lib->methods[TRC_EVT_PRINT_PROF_RECORD] && i-- == 0) found = lib;
    });
    return found;
}

int32_t trc_lib_id(lib_s *lib)
{
    return lib ? lib->index : -1;
}

void trc_get_label(lib_s *lib, char *buffer, int32_t size)
{
    if (!lib || !buffer || size <= 0) return;
    if (lib->methods[TRC_EVT_GET_LABEL]) {
        buffer[0] = '\0';
        reinterpret_cast<trc_label_fn>(lib->methods[TRC_EVT_GET_LABEL])(lib->data, buffer, size);
        buffer[size - 1] = '\0';
        return;
    }
    snprintf(buffer, (size_t)size, "%s_%d", lib->name, lib->index);
}

void trc_lib_prof_print(lib_s *lib, FILE *file, prof_entry *entry, uint64_t pa)
{
    if (!lib || !lib->methods[TRC_EVT_PRINT_PROF_RECORD]) return;
    reinterpret_cast<trc_prof_print_fn>(lib->methods[TRC_EVT_PRINT_PROF_RECORD])(
        lib->data, file, entry->profile_id, entry->last_address, pa, entry->word, entry->count,
        &entry->slots[lib->index]);
}

lib_s *trc_stage_lib(int32_t stage, int32_t i)
{
    if (!stage_libs || stage < 0 || stage >= stages()) return nullptr;
    lib_s *lib = stage_libs[stage];
    while (lib && i-- > 0)
        lib = lib->next;
    return lib;
}

int32_t trc_stage_count(void)
{
    return stages();
}
