// Faults on job stacks and job stack traces.
#include "kernel/fault.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <ucontext.h>
#include <unistd.h>

#include "kernel/hooks/kernel_adapter.h"
#include "kernel/job.h"

int tsim_handlers_installed = 0;
thread_local tsim_fault_hook_fn sig11_handler;

namespace
{

constexpr size_t ALTERNATE_STACK_SIZE = 0x20000;
alignas(64) char alternate_stack[ALTERNATE_STACK_SIZE];
bool alternate_stack_registered = false;
struct sigaction previous_segv;
struct sigaction previous_fpe;

// 0 idle, 1 inside the fault handler, 2 given up.
thread_local int recursion_guard;

inline const greg_t *registers(void *context)
{
    return static_cast<ucontext_t *>(context)->uc_mcontext.gregs;
}

// ---------------------------------------------------------------------------------------------
// Installation

void install(job_s *, void *, void *, void *, void *)
{
    if (!alternate_stack_registered) {
        stack_t stack = {};
        stack.ss_sp = alternate_stack;
        stack.ss_size = ALTERNATE_STACK_SIZE;
        if (sigaltstack(&stack, nullptr) != 0)
            perror("Error setting alternate signal stack");
        else
            alternate_stack_registered = true;
    }
    struct sigaction action = {};
    action.sa_sigaction = segv_handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK | SA_SIGINFO;
    struct sigaction old_segv, old_fpe;
    int result = sigaction(SIGSEGV, &action, &old_segv);
    if (result == 0) {
        result = sigaction(SIGFPE, &action, &old_fpe);
        if (result != 0) sigaction(SIGSEGV, &old_segv, nullptr);
    }
    if (result != 0) {
        tsim_print("Error setting signal handler: %d\n", result);
        return;
    }
    previous_segv = old_segv;
    previous_fpe = old_fpe;
    recursion_guard = 0;
    tsim_handlers_installed = 1;
}

// ---------------------------------------------------------------------------------------------
// Debugger check

// Reads the TracerPid of the process (raw system calls only: it may run while the faulting
// thread holds any lock).
void *debugger_check(void *)
{
    char text[4096];
    int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return reinterpret_cast<void *>(intptr_t{-1});
    size_t length = 0;
    for (;;) {
        ssize_t n = read(fd, text + length, sizeof(text) - 1 - length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        length += (size_t)n;
        if (length == sizeof(text) - 1) break;
    }
    close(fd);
    text[length] = '\0';
    return reinterpret_cast<void *>(intptr_t{tsim_tracer_pid(text) != 0});
}

void print_debugger_advice(void)
{
    tsim_print("If you continue from here, the original signal will be raised\n");
    tsim_print("You might want to do things like\n");
    tsim_print("    handle 11 stop\n");
    tsim_print("    handle 11 print\n");
    tsim_print("before you continue\n");
}

// Restores the previous handling and re-raises the signal, or traps into a debugger.
void give_up(int signal, tsim_s *tsim)
{
    if (sigaction(SIGSEGV, &previous_segv, nullptr) != 0) perror("restoring segv");
    if (sigaction(SIGFPE, &previous_fpe, nullptr) != 0) perror("restoring fpe");
    tsim_print("Restored previous handler.\n");
    tsim_handlers_installed = 0;
    if (tsim && tsim->signal_action) {
        if (tsim_debugger_attached() <= 0) {
            raise(signal);
            return;
        }
        print_debugger_advice();
        raise(SIGTRAP);
        return;
    }
    if (previous_segv.sa_handler != SIG_DFL) {
        raise(signal);
        return;
    }
    print_debugger_advice();
    raise(SIGTRAP);
}

// ---------------------------------------------------------------------------------------------
// The handler

// The running job; else the job a running service interrupted; else the job whose stack holds
// the stack pointer.
job_s *faulting_job(tsim_s *tsim, void *context)
{
    if (tsim_active_job) return tsim_active_job;
    if (tsim_active_proxy && tsim_active_proxy->is_service && tsim_active_proxy->interrupted)
        return tsim_active_proxy->interrupted;
    auto sp = reinterpret_cast<uintptr_t>(get_fault_stack_pointer(context));
    auto holds = [sp](job_s *job) {
        auto base = reinterpret_cast<uintptr_t>(job->stack);
        return job->stack && sp >= base && sp < base + job->stack_size;
    };
    for (job_s *job = tsim->dynamic_head; job; job = job->dynamic_next)
        if (holds(job)) return job;
    for (job_s *job = tsim->static_head; job; job = job->static_next)
        if (holds(job)) return job;
    return nullptr;
}

// Makes the page holding the address usable; 1 when the access can be retried.
bool grow_stack(tsim_s *tsim, job_s *job, uintptr_t address, void *context)
{
    if (!job->guarded_pages) return false; // only guarded stacks grow
    void *page = reinterpret_cast<void *>(address & ~(uintptr_t)(tsim->page_size - 1));
    if (mprotect(page, tsim->page_size, PROT_READ | PROT_WRITE) != 0) {
        tsim_print("can't un-protect @ %p", page);
        return false;
    }
    job->guarded_pages++;
    auto &stats = tsim->stack_stats;
    if (job->guarded_pages > stats.biggest_pages) {
        stats.biggest_pages = job->guarded_pages;
        strncpy(stats.biggest_name, job_name(job), sizeof(stats.biggest_name) - 1);
        stats.biggest_name[sizeof(stats.biggest_name) - 1] = '\0';
        tsim_print("New stack fault usage maximum (%d pages) by job '%s'\n", (int)job->guarded_pages,
                   job_name(job));
        tsim_fault_stack_trace(tsim, job, context);
    }
    return true;
}

// 1 when the thread's hook handled the fault.
bool call_hook(int signal, siginfo_t *information, void *context)
{
    return sig11_handler && sig11_handler(signal, information, context) != 0;
}

} // namespace

void segv_handler(int signal, siginfo_t *information, void *context)
{
    void *address = get_fault_address(information);
    tsim_s *tsim = tsim_current();
    if (recursion_guard == 1) {
        recursion_guard = 2;
        tsim_print("Recursive segmentation fault in segv_handler on addres %p. Giving up.\n", address);
        tsim_fault_print_location(context);
        give_up(signal, tsim);
        return;
    }
    if (recursion_guard == 2) {
        give_up(signal, tsim);
        return;
    }
    recursion_guard = 1;

    job_s *job = tsim ? faulting_job(tsim, context) : nullptr;
    if (!job) {
        if (signal == SIGSEGV) {
            if (sig11_handler) {
                if (call_hook(SIGSEGV, information, context)) {
                    recursion_guard = 0;
                    return;
                }
                tsim_print("no job sig11_handler non-null");
            } else {
                tsim_print("no job sig11_handler null\n");
            }
            tsim_print("No tsim_active_job (or _proxy). Segmentation fault on address %p\n", address);
        } else {
            tsim_print("Received signal %d\n", signal);
        }
        tsim_fault_print_location(context);
        give_up(signal, tsim);
        return;
    }

    auto where = reinterpret_cast<uintptr_t>(address);
    auto base = reinterpret_cast<uintptr_t>(job->stack);
    if (signal == SIGSEGV && job->stack && where >= base && where < base + job->stack_size) {
        if (where < base + tsim->page_size) {
            tsim_print("Stack overflow in job '%s'\n", job_name(job));
        } else if (grow_stack(tsim, job, where, context)) {
            recursion_guard = 0;
            return;
        }
    } else if (signal == SIGSEGV || signal == SIGFPE) {
        if (sig11_handler) {
            if (call_hook(signal, information, context)) {
                recursion_guard = 0;
                return;
            }
            tsim_print("job sig11_handler non-null");
        } else {
            tsim_print("job sig11_handler null\n");
        }
    } else {
        tsim_print("Not signal 11\n");
    }
    tsim_print("unhandled signal (%d) in job '%s'\n", signal, job_name(job));
    tsim_fault_stack_trace(tsim, job, context);
    give_up(signal, tsim);
}

void tsim_install_fault_handlers(void)
{
    if (tsim_handlers_installed) return;
    // The registration runs on an ordinary host stack even when a job creates the kernel.
    current_call(install, nullptr, nullptr, nullptr, nullptr);
}

tsim_fault_hook_fn tsim_set_handler(tsim_fault_hook_fn hook)
{
    tsim_fault_hook_fn previous = sig11_handler;
    sig11_handler = hook;
    return previous;
}

void tsim_set_signal_action(tsim_s *tsim, int action)
{
    if (tsim) tsim->signal_action = action;
}

void *get_fault_address(siginfo_t *information)
{
    return information ? information->si_addr : nullptr;
}

void *get_fault_stack_pointer(void *context)
{
    return context ? reinterpret_cast<void *>(registers(context)[REG_RSP]) : nullptr;
}

int tsim_tracer_pid(const char *status_text)
{
    const char *field = status_text ? strstr(status_text, "TracerPid:") : nullptr;
    if (!field) return 0;
    field += strlen("TracerPid:");
    while (*field == ' ' || *field == '\t')
        field++;
    int pid = 0;
    while (*field >= '0' && *field <= '9' && pid < 100000000)
        pid = pid * 10 + (*field++ - '0');
    return pid;
}

int tsim_debugger_attached(void)
{
    pthread_t thread;
    if (pthread_create(&thread, nullptr, debugger_check, nullptr) != 0) return -1;
    void *result = nullptr;
    if (pthread_join(thread, &result) != 0) return -1;
    return (int)reinterpret_cast<intptr_t>(result);
}

// ---------------------------------------------------------------------------------------------
// Symbols

namespace
{

// The object file read for its own symbol table, at most once per process.
struct SymbolImage {
    bool loaded;
    bool failed; // for good
    char path[4096];
    char *data;
    bool relocatable; // position-independent: symbol values are offsets from the load base
    const Elf64_Sym *symbols;
    size_t symbol_count;
    const char *strings;
    size_t strings_size;
} image;

bool fail_image(void)
{
    image.failed = true;
    return false;
}

bool load_image(const char *path)
{
    strncpy(image.path, path, sizeof(image.path) - 1);
    image.loaded = true;
    // The main program is reported under the name it was started with, which need not be a
    // path from here.
    const char *file = strcmp(path, program_invocation_name) == 0 ? "/proc/self/exe" : path;
    struct stat status;
    if (stat(file, &status) != 0) {
        tsim_print("Unable to stat image file : %s\n", path);
        return fail_image();
    }
    size_t size = (size_t)status.st_size;
    image.data = static_cast<char *>(TD_get_internal(tsim_current(), size + 1, __FILE__, __LINE__));
    if (!image.data) {
        tsim_print("Unable to malloc %d bytes to load file : %s\n", (int)size, path);
        return fail_image();
    }
    int fd = open(file, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        tsim_print("Unable to open image file : %s\n", path);
        return fail_image();
    }
    size_t length = 0;
    while (length < size) {
        ssize_t n = read(fd, image.data + length, size - length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        length += (size_t)n;
    }
    close(fd);
    if (length != size) {
        tsim_print("Unable to read entire file: %s\n", path);
        return fail_image();
    }
    const auto *header = reinterpret_cast<const Elf64_Ehdr *>(image.data);
    bool elf64 = size >= sizeof(Elf64_Ehdr) && memcmp(header->e_ident, ELFMAG, SELFMAG) == 0 &&
                 header->e_ident[EI_CLASS] == ELFCLASS64;
    int machine = size >= sizeof(Elf64_Ehdr) ? header->e_machine : 0;
    if (!elf64 || machine != EM_X86_64) {
        tsim_print("Found e_machine (target machine type) of %d instead of %d.\n", machine, EM_X86_64);
        return fail_image();
    }
    image.relocatable = header->e_type == ET_DYN;
    const Elf64_Shdr *sections = nullptr;
    size_t count = header->e_shnum;
    if (header->e_shentsize == sizeof(Elf64_Shdr) && header->e_shoff <= size &&
        count <= (size - header->e_shoff) / sizeof(Elf64_Shdr))
        sections = reinterpret_cast<const Elf64_Shdr *>(image.data + header->e_shoff);
    auto inside = [size](const Elf64_Shdr &section) {
        return section.sh_offset <= size && section.sh_size <= size - section.sh_offset;
    };
    const Elf64_Shdr *symbols = nullptr;
    for (size_t i = 0; sections && i < count; i++)
        if (sections[i].sh_type == SHT_SYMTAB && inside(sections[i])) {
            symbols = &sections[i];
            break;
        }
    if (!symbols) {
        tsim_print("DID NOT FIND SYMBOL TABLE\n");
        return fail_image();
    }
    if (symbols->sh_link >= count || !inside(sections[symbols->sh_link])) {
        tsim_print("DID NOT FIND SYMBOL STRING TABLE\n");
        return fail_image();
    }
    const Elf64_Shdr &strings = sections[symbols->sh_link];
    image.symbols = reinterpret_cast<const Elf64_Sym *>(image.data + symbols->sh_offset);
    image.symbol_count = symbols->sh_size / sizeof(Elf64_Sym);
    image.strings = image.data + strings.sh_offset;
    image.strings_size = strings.sh_size;
    return true;
}

} // namespace

void tsim_print_frame_line(int number, void *address)
{
    Dl_info info;
    if (!dladdr(address, &info)) {
        tsim_fatal("#%d\t%p in < ????? > ", number, address);
        return;
    }
    if (info.dli_sname) {
        tsim_fatal("#%d\t%p in <%s>:%s", number, address, info.dli_sname, info.dli_fname);
        return;
    }
    const char *path = info.dli_fname ? info.dli_fname : "";
    if (!image.loaded && !image.failed) load_image(path);
    if (image.failed) {
        tsim_fatal("#%d\t%p in <%s + 0x%0X> ", number, address, "???", 0u);
        return;
    }
    const char *name = "????";
    unsigned offset = 0;
    if (strcmp(image.path, path) == 0) { // only the image read can be searched
        uintptr_t at = reinterpret_cast<uintptr_t>(address);
        if (image.relocatable) at -= reinterpret_cast<uintptr_t>(info.dli_fbase);
        for (size_t i = 0; i < image.symbol_count; i++) {
            const Elf64_Sym &symbol = image.symbols[i];
            if (ELF64_ST_TYPE(symbol.st_info) != STT_FUNC || symbol.st_size == 0) continue;
            if (at < symbol.st_value || at - symbol.st_value >= symbol.st_size) continue;
            offset = (unsigned)(at - symbol.st_value);
            if (symbol.st_name < image.strings_size) {
                name = image.strings + symbol.st_name;
            } else {
                name = "BAD-STRING-INDEX";
                offset = 0;
            }
            break;
        }
    }
    tsim_fatal("#%d\t%p in <%s + 0x%0X> ", number, address, name, offset);
}

// ---------------------------------------------------------------------------------------------
// Traces

namespace
{

// Prints the return addresses of the frames from frame upwards, numbered from number, while
// the frames lie in the usable part of the job's stack and rise. Returns the next number.
int walk_frames(job_s *job, uintptr_t frame, int number)
{
    if (!job || !job->stack) return number;
    uintptr_t page = job->tsim->page_size;
    uintptr_t high = reinterpret_cast<uintptr_t>(job->stack) + job->stack_size;
    uintptr_t low = reinterpret_cast<uintptr_t>(job->stack) + page; // above the guard page
    if (job->guarded_pages && job->guarded_pages * page < job->stack_size)
        low = high - job->guarded_pages * page; // the pages touched so far
    while (frame >= low && frame <= high - 2 * sizeof(uintptr_t) && frame % sizeof(uintptr_t) == 0) {
        auto *words = reinterpret_cast<const uintptr_t *>(frame);
        uintptr_t link = words[0], address = words[1];
        if (link && address) tsim_print_frame_line(number++, reinterpret_cast<void *>(address));
        if (link <= frame) break;
        frame = link;
    }
    return number;
}

void list_traces(bool all, int number)
{
    tsim_s *tsim = tsim_current();
    if (!tsim) return;
    auto show = [](job_s *job, const char *kind) {
        if (job == tsim_active_job) {
            tsim_print("Trace for %s job (%d) '%s' cannot be shown for the active job.\n", kind, job->number,
                       job_name(job));
            return;
        }
        tsim_print("Trace for %s job (%d) '%s'\n", kind, job->number, job_name(job));
        tsim_job_stack_trace(job, nullptr);
    };
    for (job_s *job = tsim->dynamic_head; job; job = job->dynamic_next)
        if (all || job->number == number) show(job, "dynamic");
    for (job_s *job = tsim->static_head; job; job = job->static_next)
        if (all || job->number == number) show(job, "static");
}

} // namespace

void tsim_job_stack_trace(job_s *job, void *)
{
    if (!job) return;
    if (job == tsim_active_job) job->saved_frame = __builtin_frame_address(0);
    walk_frames(job, reinterpret_cast<uintptr_t>(job->saved_frame), 0);
    __asm__ volatile("" ::: "memory"); // the frame must outlive the walk: no tail call
}

void tsim_calling_job_stack_trace(void)
{
    job_s *job = tsim_active_job;
    if (!job) return;
    job->saved_frame = __builtin_frame_address(0);
    walk_frames(job, reinterpret_cast<uintptr_t>(job->saved_frame), 0);
    __asm__ volatile("" ::: "memory"); // the frame must outlive the walk: no tail call
}

void tsim_jobs_stack_trace(void)
{
    list_traces(true, 0);
}

void tsim_jobnum_stack_trace(int number)
{
    list_traces(false, number);
}

void tsim_fault_print_location(void *context)
{
    void *bp = nullptr, *sp = nullptr, *ip = nullptr;
    if (context) {
        const greg_t *gregs = registers(context);
        bp = reinterpret_cast<void *>(gregs[REG_RBP]);
        sp = reinterpret_cast<void *>(gregs[REG_RSP]);
        ip = reinterpret_cast<void *>(gregs[REG_RIP]);
    }
    tsim_fatal("Segmentation info> BP: %p, SP: %p, IP: %p", bp, sp, ip);
}

void tsim_fault_stack_trace(tsim_s *, job_s *job, void *context)
{
    tsim_fault_print_location(context);
    if (!context) return;
    const greg_t *gregs = registers(context);
    if (!gregs[REG_RIP]) return;
    tsim_print_frame_line(0, reinterpret_cast<void *>(gregs[REG_RIP]));
    walk_frames(job, (uintptr_t)gregs[REG_RBP], 1);
}

// ---------------------------------------------------------------------------------------------
// Assertions

namespace
{

void report_text(const char *format, va_list arguments)
{
    char text[4096];
    vsnprintf(text, sizeof(text), format, arguments);
    tsim_fatal("%s\n", text);
}

} // namespace

void current_assert(int condition, const char *file, int line, const char *format, ...)
{
    if (condition) return;
    tsim_fatal("Assertion failure in %s line %d:    \n", file, line);
    va_list arguments;
    va_start(arguments, format);
    report_text(format, arguments);
    va_end(arguments);
}

void simple_assert_failure(const char *format, va_list arguments)
{
    tsim_fatal("Assertion failure:\n");
    report_text(format, arguments);
}
