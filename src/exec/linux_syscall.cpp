// The Linux system-call emulation of standalone programs.
#include "isa/hooks/linux_syscall.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "devices/console.h"
#include "isa/hooks/syscall_trigger.h"
#include "isa/semantics_helpers.h"
#include "memory/memory_map.h"
#include "mmu/ea_access.h"
#include "mmu/ea_copy.h"
#include "mmu/load_store_path.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/instruction_setters.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_triggers.h"
#include "processor/regs/value_ops.h"
#include "processor/run/run_control.h"
#include "processor/time/time_base.h"
#include "processor/time/time_domain.h"
#include "runtime/message.h"
#include "runtime/stop.h"

const syscall_info_entry syscall_info[SYSCALL_INFO_ROWS] = {
    {0, 0, "invalid"}, {1, 0, "exit"}, {2, 0, "fork"}, {3, 0, "read"}, {4, 0, "write"}, {5, 0, "open"},
    {6, 0, "close"}, {7, 0, "waitpid"}, {8, 0, "creat"}, {9, 0, "link"}, {10, 0, "unlink"}, {11, 0, "execve"},
    {12, 0, "chdir"}, {13, 0, "time"}, {14, 0, "mknod"}, {15, 0, "chmod"}, {16, 0, "lchown"},
    {17, 0, "break"}, {18, 0, "oldstat"}, {19, 0, "lseek"}, {20, 0, "getpid"}, {21, 0, "mount"},
    {22, 0, "umount"}, {23, 0, "setuid"}, {24, 0, "getuid"}, {25, 0, "stime"}, {26, 0, "ptrace"},
    {27, 0, "alarm"}, {28, 0, "oldfstat"}, {29, 0, "pause"}, {30, 0, "utime"}, {31, 0, "stty"},
    {32, 0, "gtty"}, {33, 0, "access"}, {34, 0, "nice"}, {35, 0, "ftime"}, {36, 0, "sync"}, {37, 0, "kill"},
    {38, 0, "rename"}, {39, 0, "mkdir"}, {40, 0, "rmdir"}, {41, 0, "dup"}, {42, 0, "pipe"}, {43, 0, "times"},
    {44, 0, "prof"}, {45, 0, "brk"}, {46, 0, "setgid"}, {47, 0, "getgid"}, {48, 0, "signal"},
    {49, 0, "geteuid"}, {50, 0, "getegid"}, {51, 0, "acct"}, {52, 0, "umount2"}, {53, 0, "lock"},
    {54, 0, "ioctl"}, {55, 0, "fcntl"}, {56, 0, "mpx"}, {57, 0, "setpgid"}, {58, 0, "ulimit"},
    {59, 0, "oldolduname"}, {60, 0, "umask"}, {61, 0, "chroot"}, {62, 0, "ustat"}, {63, 0, "dup2"},
    {64, 0, "getppid"}, {65, 0, "getpgrp"}, {66, 0, "setsid"}, {67, 0, "sigaction"}, {68, 0, "sgetmask"},
    {69, 0, "ssetmask"}, {70, 0, "setreuid"}, {71, 0, "setregid"}, {72, 0, "sigsuspend"},
    {73, 0, "sigpending"}, {74, 0, "sethostname"}, {75, 0, "setrlimit"}, {76, 0, "getrlimit"},
    {77, 0, "getrusage"}, {78, 0, "gettimeofday"}, {79, 0, "settimeofday"}, {80, 0, "getgroups"},
    {81, 0, "setgroups"}, {82, 0, "select"}, {83, 0, "symlink"}, {84, 0, "oldlstat"}, {85, 0, "readlink"},
    {86, 0, "uselib"}, {87, 0, "swapon"}, {88, 0, "reboot"}, {89, 0, "readdir"}, {90, 0, "mmap"},
    {91, 0, "munmap"}, {92, 0, "truncate"}, {93, 0, "ftruncate"}, {94, 0, "fchmod"}, {95, 0, "fchown"},
    {96, 0, "getpriority"}, {97, 0, "setpriority"}, {98, 0, "profil"}, {99, 0, "statfs"}, {100, 0, "fstatfs"},
    {101, 0, "ioperm"}, {102, 0, "socketcall"}, {103, 0, "syslog"}, {104, 0, "setitimer"},
    {105, 0, "getitimer"}, {106, 0, "stat"}, {107, 0, "lstat"}, {108, 0, "fstat"}, {109, 0, "olduname"},
    {110, 0, "iopl"}, {111, 0, "vhangup"}, {112, 0, "idle"}, {113, 0, "vm86"}, {114, 0, "wait4"},
    {115, 0, "swapoff"}, {116, 0, "sysinfo"}, {117, 0, "ipc"}, {118, 0, "fsync"}, {119, 0, "sigreturn"},
    {120, 0, "clone"}, {121, 0, "setdomainname"}, {122, 0, "uname"}, {123, 0, "modify_ldt"},
    {124, 0, "adjtimex"}, {125, 0, "mprotect"}, {126, 0, "sigprocmask"}, {127, 0, "create_module"},
    {128, 0, "init_module"}, {129, 0, "delete_module"}, {130, 0, "get_kernel_syms"}, {131, 0, "quotactl"},
    {132, 0, "getpgid"}, {133, 0, "fchdir"}, {134, 0, "bdflush"}, {135, 0, "sysfs"}, {136, 0, "personality"},
    {137, 0, "afs_syscall"}, {138, 0, "setfsuid"}, {139, 0, "setfsgid"}, {140, 0, "llseek"},
    {141, 0, "getdents"}, {142, 0, "newselect"}, {143, 0, "flock"}, {144, 0, "msync"}, {145, 0, "ready"},
    {146, 0, "writev"}, {147, 0, "getsid"}, {148, 0, "fdatasync"}, {149, 0, "_sysctl"}, {150, 0, "mlock"},
    {151, 0, "munlock"}, {152, 0, "mlockall"}, {153, 0, "munlockall"}, {154, 0, "sched_setparam"},
    {155, 0, "sched_getparam"}, {156, 0, "sched_setscheduler"}, {157, 0, "sched_getscheduler"},
    {158, 0, "sched_yield"}, {159, 0, "sched_get_priority_max"}, {160, 0, "sched_get_priority_min"},
    {161, 0, "sched_rr_get_interval"}, {162, 0, "nanosleep"}, {163, 0, "mremap"}, {164, 0, "setresuid"},
    {165, 0, "getresuid"}, {166, 0, "query_module"}, {167, 0, "poll"}, {168, 0, "nfsservctl"},
    {169, 0, "setresgid"}, {170, 0, "getresgid"}, {171, 0, "prctl"}, {172, 0, "rt_sigreturn"},
    {173, 0, "rt_sigaction"}, {174, 0, "rt_sigprocmask"}, {175, 0, "rt_sigpending"},
    {176, 0, "rt_sigtimedwait"}, {177, 0, "rt_sigqueueinfo"}, {178, 0, "rt_sigsuspend"}, {179, 0, "pread"},
    {180, 0, "pwrite"}, {181, 0, "chown"}, {182, 0, "getcwd"}, {183, 0, "capget"}, {184, 0, "capset"},
    {185, 0, "sigaltstack"}, {186, 0, "sendfile"}, {187, 0, "getpmsg"}, {188, 0, "putpmsg"},
    {189, 0, "vfork"}, {190, 0, "ugetrlimit"}, {191, 0, "invalid2"}, {192, 0, "mmap2"},
    {193, 0, "truncate64"}, {194, 0, "ftruncate64"}, {195, 0, "stat64"}, {196, 0, "lstat64"},
    {197, 0, "fstat64"}, {198, 0, "pciconfig_read"}, {199, 0, "pciconfig_write"},
    {200, 0, "pciconfig_iobase"}, {201, 0, "multiplexer"}, {202, 0, "getdents64"}, {203, 0, "pivot_root"},
    {204, 0, "fcntl64"}, {205, 0, "madvise"}, {206, 0, "mincore"}, {207, 0, "gettid"}, {208, 0, "tkill"},
    {209, 0, "setxattr"}, {210, 0, "lsetxattr"}, {211, 0, "fsetxattr"}, {212, 0, "getxattr"},
    {213, 0, "lgetxattr"}, {214, 0, "fgetxattr"}, {215, 0, "listxattr"}, {216, 0, "llistxattr"},
    {217, 0, "flistxattr"}, {218, 0, "removexattr"}, {219, 0, "lremovexattr"}, {220, 0, "fremovexattr"},
    {221, 0, "futex"}, {222, 0, "sched_setaffinity"}, {223, 0, "sched_getaffinity"}, {224, 0, "not assigned"},
    {225, 0, "tuxcall"}, {226, 0, "sendfile64"}, {227, 0, "io_setup"}, {228, 0, "io_destroy"},
    {229, 0, "io_getevents"}, {230, 0, "io_submit"}, {231, 0, "io_cancel"}, {232, 0, "set_tid_address"},
    {233, 0, "fadvise64"}, {234, 0, "exit_group"}, {235, 0, "lookup_dcookie"}, {236, 0, "epoll_create"},
    {237, 0, "epoll_ctl"}, {238, 0, "epoll_wait"}, {239, 0, "remap_file_pages"}, {240, 0, "timer_create"},
    {241, 0, "timer_settime"}, {242, 0, "timer_gettime"}, {243, 0, "timer_getoverrun"},
    {244, 0, "timer_delete"}, {245, 0, "clock_settime"}, {246, 0, "clock_gettime"}, {247, 0, "clock_getres"},
    {248, 0, "clock_nanosleep"}, {249, 0, "swapcontext"}, {250, 0, "tgkill"}, {251, 0, "utimes"},
    {252, 0, "statfs64"}, {253, 0, "fstatfs64"}, {254, 0, "fadvise64_64"}, {255, 0, "rtas"},
    {256, 0, "sys_debug_setcontext"}, {257, 0, "not assigned"}, {258, 0, "migrate_pages"}, {259, 0, "mbind"},
    {260, 0, "get_mempolicy"}, {261, 0, "set_mempolicy"}, {262, 0, "mq_open"}, {263, 0, "mq_unlink"},
    {264, 0, "mq_timedsend"}, {265, 0, "mq_timedreceive"}, {266, 0, "mq_notify"}, {267, 0, "mq_getsetattr"},
    {268, 0, "kexec_load"}, {269, 0, "add_key"}, {270, 0, "request_key"}, {271, 0, "keyctl"},
    {272, 0, "waitid"}, {273, 0, "ioprio_set"}, {274, 0, "ioprio_get"}, {275, 0, "inotify_init"},
    {276, 0, "inotify_add_watch"}, {277, 0, "inotify_rm_watch"}, {278, 0, "spu_run"}, {279, 0, "spu_create"},
    {280, 0, "pselect6"}, {281, 0, "ppoll"}, {282, 0, "unshare"}, {283, 0, "splice"}, {284, 0, "tee"},
    {285, 0, "vmsplice"}, {286, 0, "openat"}, {287, 0, "mkdirat"}, {288, 0, "mknodat"}, {289, 0, "fchownat"},
    {290, 0, "futimesat"}, {291, 0, "newfstatat"}, {292, 0, "unlinkat"}, {293, 0, "renameat"},
    {294, 0, "linkat"}, {295, 0, "symlinkat"}, {296, 0, "readlinkat"}, {297, 0, "fchmodat"},
    {298, 0, "faccessat"}, {299, 0, "get_robust_list"}, {300, 0, "set_robust_list"}, {301, 0, "move_pages"},
    {302, 0, "getcpu"}, {303, 0, "epoll_pwait"}, {304, 0, "utimensat"}, {305, 0, "signalfd"},
    {306, 0, "timerfd_create"}, {307, 0, "eventfd"}, {308, 0, "sync_file_range2"}, {309, 0, "fallocate"},
    {310, 0, "subpage_prot"}, {311, 0, "timerfd_settime"}, {312, 0, "timerfd_gettime"},
    {313, 0, "pfm_create_context"}, {314, 0, "pfm_write_pmcs"}, {315, 0, "pfm_write_pmds"},
    {316, 0, "pfm_read_pmds"}, {317, 0, "pfm_load_context"}, {318, 0, "pfm_start"}, {319, 0, "pfm_stop"},
    {320, 0, "pfm_restart"}, {321, 0, "pfm_create_evtsets"}, {322, 0, "pfm_getinfo_evtsets"},
    {323, 0, "pfm_delete_evtsets"}, {324, 0, "pfm_unload_context"}, {325, 0, "invalid-max"},
};

namespace
{

constexpr uint32_t SYSCALL_BUFFER = 4096; // host buffer of write and writev, and path buffers
constexpr uint32_t STAT64_PATH = 1024;
constexpr uint32_t RECORD_WIMG_MARKER = 0xDEADBEEF;
constexpr uint32_t MMAP_ANONYMOUS = 0x20;
constexpr uint64_t PAGE_SIZE = 4096;
constexpr int32_t IOV_MAX = 1024; // the most vector entries one writev takes

// Linux error numbers of the calls that fail with CR0[SO] set.
constexpr uint64_t EINVAL = 22;
constexpr uint64_t ENOSYS = 38;
constexpr uint32_t CR0_SO = 0x10000000;
constexpr const char *SELF_EXE = "/proc/self/exe";
constexpr const char EXE_NAME[8] = {'/', 'e', 'x', 'e', 'n', 'a', 'm', 'e'};

int table_checked = 0;

enum : uint32_t {
    SYS_exit = 1,
    SYS_write = 4,
    SYS_open = 5,
    SYS_getpid = 20,
    SYS_getuid = 24,
    SYS_brk = 45,
    SYS_getgid = 47,
    SYS_geteuid = 49,
    SYS_getegid = 50,
    SYS_ioctl = 54,
    SYS_gettimeofday = 78,
    SYS_readlink = 85,
    SYS_mmap = 90,
    SYS_munmap = 91,
    SYS_fstat = 108,
    SYS_uname = 122,
    SYS_mprotect = 125,
    SYS_writev = 146,
    SYS_stat64 = 195,
    SYS_fstat64 = 197,
    SYS_exit_group = 234,
};

// An address inside the machine's directly backed memory: its region index (address shifted by the
// region shift, as a 32-bit number) exists and the address lies between the region's bounds.
bool inside_memory(const GenericMachine *machine, uint64_t address)
{
    uint32_t index = (uint32_t)(address >> machine->memory_region_id_shift);
    if (index >= machine->memory_region_count || index >= MAX_MEMORY_REGIONS) return false;
    const MemoryRegionDesc &region = machine->memory_regions[index];
    return address >= region.start && address <= region.end;
}

// The Linux convention for a call's outcome: CR0[SO] clear for a result in GPR3, set with the
// error number in GPR3 for a failure.
void call_served(IOPDesc *iop)
{
    IOP_Write_CR_Bits(iop, CR0_SO, 0);
    CR_Mark_Written(iop, CR0_SO);
}

void call_failed(IOPDesc *iop, uint64_t error)
{
    SET_GPR(iop, 3, error);
    IOP_Write_CR_Bits(iop, CR0_SO, CR0_SO);
    CR_Mark_Written(iop, CR0_SO);
}

// Guest bytes [ea, ea + count) into buffer: the number of bytes actually copied (the copy stops
// at the first byte that cannot be read).
uint32_t copy_guest_bytes(IOPDesc *iop, uint64_t ea, uint8_t *buffer, uint32_t count)
{
    uint32_t done = 0;
    while (done < count) {
        uint32_t piece = std::min<uint32_t>(count - done, 4096 - (uint32_t)((ea + done) & 0xFFF));
        if (EA_copy_buffer_from_memory(iop, ea + done, buffer + done, piece)) {
            done += piece;
            continue;
        }
        // Find the bytes of the failing piece that can be read.
        while (done < count && EA_copy_buffer_from_memory(iop, ea + done, buffer + done, 1))
            done++;
        break;
    }
    return done;
}

void console_out(ConsoleDevice *console, const uint8_t *bytes, uint32_t count)
{
    for (uint32_t i = 0; i < count; i++)
        Console_Write(console, bytes[i]);
}

// A number as the guest reads it: byte-reversed over its width for a little-endian data access.
uint64_t guest_order(IOPDesc *iop, uint64_t value, int width)
{
    return IOP_Data_Little_Endian(iop) ? Reverse_RegValue(value, width) : value;
}

// One field of a record: width, offset, value.
struct RecordField {
    int width;
    uint32_t offset;
    uint64_t value;
};

// Stores the fields at the record address as stores of the instruction (each translated like a
// store and able to raise its storage interrupts). 1 when every field was written.
int store_record(IOPDesc *iop, uint64_t address, const RecordField *fields, int count)
{
    AXD *data = &iop->data;
    data->wimg = RECORD_WIMG_MARKER;
    for (int i = 0; i < count; i++) {
        data->ea = address + fields[i].offset;
        data->orig_ea = data->ea;
        data->size = (int16_t)fields[i].width;
        int status = EA_Write_Memory_Reg_Part1(iop, 1);
        uint64_t value = guest_order(iop, fields[i].value, fields[i].width);
        uint32_t result = EA_Write_Memory_Reg_Part2(iop, value, 1, status);
        if (result != 0 && result != 4) return 0;
    }
    return 1;
}

// The host status of one of the simulator's descriptors; zeros when the host call fails.
struct stat host_status(int fd)
{
    struct stat status;
    if (fstat(fd, &status) != 0) memset(&status, 0, sizeof status);
    return status;
}

int store_stat64(IOPDesc *iop, uint64_t address, const struct stat &s)
{
    const RecordField fields[] = {
        {2, 0, (uint64_t)s.st_dev & 0xFFFF},
        {4, 12, 0},
        {4, 16, (uint32_t)s.st_mode},
        {4, 20, (uint32_t)s.st_nlink},
        {4, 24, (uint32_t)s.st_uid},
        {4, 28, (uint32_t)s.st_gid},
        {2, 32, (uint64_t)s.st_rdev & 0xFFFF},
        {8, 44, (uint64_t)s.st_size},
        {4, 52, (uint32_t)s.st_blksize},
        {4, 56, (uint32_t)s.st_blocks},
        {4, 64, (uint32_t)s.st_atime},
        {4, 72, (uint32_t)s.st_mtime},
        {4, 80, (uint32_t)s.st_ctime},
        {8, 88, (uint64_t)s.st_ino},
    };
    return store_record(iop, address, fields, (int)(sizeof fields / sizeof fields[0]));
}

int store_fstat(IOPDesc *iop, uint64_t address, const struct stat &s, bool wide)
{
    if (wide) {
        const RecordField fields[] = {
            {8, 0, (uint64_t)s.st_dev},     {8, 8, (uint64_t)s.st_ino},      {8, 16, (uint64_t)s.st_nlink},
            {4, 24, (uint32_t)s.st_mode},   {4, 28, (uint32_t)s.st_uid},     {4, 32, (uint32_t)s.st_gid},
            {8, 40, (uint64_t)s.st_rdev},   {8, 48, (uint64_t)s.st_size},    {8, 56, (uint64_t)s.st_blksize},
            {8, 64, (uint64_t)s.st_blocks}, {8, 72, (uint64_t)s.st_atime},   {8, 88, (uint64_t)s.st_mtime},
            {8, 104, (uint64_t)s.st_ctime},
        };
        return store_record(iop, address, fields, (int)(sizeof fields / sizeof fields[0]));
    }
    const RecordField fields[] = {
        {4, 0, (uint32_t)s.st_dev},     {4, 4, (uint32_t)s.st_ino},     {4, 8, (uint32_t)s.st_nlink},
        {4, 12, (uint32_t)s.st_mode},   {4, 16, (uint32_t)s.st_uid},    {4, 20, (uint32_t)s.st_gid},
        {4, 24, (uint32_t)s.st_rdev},   {4, 28, (uint32_t)s.st_size},   {4, 32, (uint32_t)s.st_blksize},
        {4, 36, (uint32_t)s.st_blocks}, {4, 40, (uint32_t)s.st_atime},  {4, 48, (uint32_t)s.st_mtime},
        {4, 56, (uint32_t)s.st_ctime},
    };
    return store_record(iop, address, fields, (int)(sizeof fields / sizeof fields[0]));
}

// An 8-byte guest number in memory order: big-endian, or little-endian when MSR[LE] is set.
uint64_t iovec_word(const uint8_t *bytes, bool little_endian)
{
    uint64_t value = 0;
    for (int i = 0; i < 8; i++)
        value = (value << 8) | bytes[little_endian ? 7 - i : i];
    return value;
}

// How a call ended: its result is in GPR3 (CR0[SO] is cleared), it failed with an error number
// in GPR3 (CR0[SO] already set), or it stopped on a fatal error and leaves CR0 alone.
enum CallOutcome { CALL_SERVED, CALL_FAILED, CALL_STOPPED };

CallOutcome do_write(IOPDesc *iop, GenericMachine *machine)
{
    int32_t fd = (int32_t)iGET_GPR(iop, 3);
    uint64_t buffer = iGET_GPR(iop, 4);
    int32_t count = (int32_t)iGET_GPR(iop, 5);
    if (fd != 1 && fd != 2) {
        sim_error("SYSCALL: write cannot handle fd == %d yet.", fd);
        return CALL_STOPPED;
    }
    if (count > (int32_t)SYSCALL_BUFFER) count = SYSCALL_BUFFER;
    if (count > 0) {
        uint8_t bytes[SYSCALL_BUFFER];
        uint32_t copied = copy_guest_bytes(iop, buffer, bytes, (uint32_t)count);
        if (ConsoleDevice *console = Get_Console(machine)) console_out(console, bytes, copied);
    }
    SET_GPR(iop, 3, (uint64_t)(int64_t)count);
    return CALL_SERVED;
}

CallOutcome do_writev(IOPDesc *iop, GenericMachine *machine, bool little_endian)
{
    int32_t fd = (int32_t)iGET_GPR(iop, 3);
    uint64_t vector = iGET_GPR(iop, 4);
    int32_t entries = (int32_t)iGET_GPR(iop, 5);
    if (fd != 1 && fd != 2) {
        SET_GPR(iop, 3, ~0ull);
        sim_error("SYSCALL: writev cannot handle fd == %d yet.", fd);
        return CALL_STOPPED;
    }
    // As Linux: more entries than one call takes is an invalid argument, and nothing is written.
    if (entries > IOV_MAX || entries < 0) { // a negative count is a huge one to Linux
        call_failed(iop, EINVAL);
        return CALL_FAILED;
    }
    ConsoleDevice *console = Get_Console(machine);
    if (!console || entries <= 0) {
        SET_GPR(iop, 3, 0);
        return CALL_SERVED;
    }
    int32_t total = 0;
    uint8_t bytes[SYSCALL_BUFFER];
    for (int32_t i = 0; i < entries; i++) {
        uint8_t entry[16] = {};
        EA_copy_buffer_from_memory(iop, vector + 16ull * (uint64_t)i, entry, 8);
        EA_copy_buffer_from_memory(iop, vector + 16ull * (uint64_t)i + 8, entry + 8, 8);
        uint64_t base = iovec_word(entry, little_endian);
        int32_t length = (int32_t)(uint32_t)iovec_word(entry + 8, little_endian);
        total = (int32_t)((uint32_t)total + (uint32_t)length);
        if (length <= 0) continue;
        uint32_t count = std::min<uint32_t>((uint32_t)length, SYSCALL_BUFFER);
        console_out(console, bytes, copy_guest_bytes(iop, base, bytes, count));
    }
    SET_GPR(iop, 3, (uint64_t)(int64_t)total);
    return CALL_SERVED;
}

void do_gettimeofday(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    uint64_t address = iGET_GPR(iop, 3);
    FreqSpec *clock = thread->processor ? thread->processor->core_freq : nullptr;
    uint64_t hz = clock ? evaluate_frequency_ratio(clock, nullptr) : 0;
    uint64_t seconds = 0, microseconds = 0;
    Syscall_Time_Of_Day(Thread_Current_Cycle(thread), hz, &seconds, &microseconds);
    bool wide = (iGET_MSR(iop) & MSR_SF) != 0;
    int width = wide ? 8 : 4;
    Write_Mapped_Memory_Reg(thread->memory_client, address, width, guest_order(iop, seconds, width), 0);
    Write_Mapped_Memory_Reg(thread->memory_client, address + (uint64_t)width, width,
                            guest_order(iop, microseconds, width), 0);
    SET_GPR(iop, 3, 0);
}

// The break as the program last set it; the loader's mark until the program's first brk or mmap.
uint64_t program_break(const GenericMachine *machine)
{
    return machine->program_break ? machine->program_break : machine->loader_high_memory;
}

// brk: reports the break (0), raises it inside memory, refuses addresses outside memory (-1). The
// break is never lowered: an address below it is answered with itself. A break that would grow
// into memory that mmap handed out is refused as Linux refuses it, with the program's unchanged
// break as the result (below the address asked for, which the C library reads as a failure).
void do_brk(IOPDesc *iop, GenericMachine *machine)
{
    uint64_t address = iGET_GPR(iop, 3);
    if (address == 0) {
        SET_GPR(iop, 3, machine->loader_high_memory);
        machine->program_break = machine->loader_high_memory;
        machine->mapping_floor = 0; // every mapping lies below the break reported
        return;
    }
    if (!inside_memory(machine, address)) {
        SET_GPR(iop, 3, ~0ull);
        return;
    }
    if (machine->mapping_floor && address > machine->mapping_floor) {
        SET_GPR(iop, 3, program_break(machine));
        return;
    }
    if (address > machine->loader_high_memory) machine->loader_high_memory = address;
    machine->program_break = address;
}

// mmap: memory from the break, which rises past it. An anonymous mapping starts on a page boundary
// and covers whole pages (the C library's allocator checks the alignment of the blocks it maps);
// one that would end outside memory is refused (-1). Other mappings are not checked.
void do_mmap(IOPDesc *iop, GenericMachine *machine)
{
    uint64_t start = iGET_GPR(iop, 3), length = iGET_GPR(iop, 4);
    uint32_t protection = (uint32_t)iGET_GPR(iop, 5), flags = (uint32_t)iGET_GPR(iop, 6);
    int32_t fd = (int32_t)iGET_GPR(iop, 7);
    uint64_t offset = iGET_GPR(iop, 8);
    sim_warning(1, "mmap(start=0x%016lX, size=0x%016lX, prot=0x%08X, flags=0x%08X, fd=%d, offset=0x%016lX)",
                (unsigned long)start, (unsigned long)length, protection, flags, fd, (unsigned long)offset);
    uint64_t high = machine->loader_high_memory;
    if (!(flags & MMAP_ANONYMOUS)) {
        SET_GPR(iop, 3, high);
        machine->loader_high_memory = high + length;
        return;
    }
    uint64_t base = (high + PAGE_SIZE - 1) & ~(PAGE_SIZE - 1);
    uint64_t pages = (length + PAGE_SIZE - 1) & ~(PAGE_SIZE - 1);
    uint64_t end = base + pages;
    if (base < high || pages < length || end < base || !inside_memory(machine, end)) {
        SET_GPR(iop, 3, ~0ull);
        return;
    }
    if (!machine->program_break) machine->program_break = high;
    if (!machine->mapping_floor) machine->mapping_floor = base;
    SET_GPR(iop, 3, base);
    machine->loader_high_memory = end;
}

void do_uname(IOPDesc *iop)
{
    uint64_t address = iGET_GPR(iop, 3);
    char record[325] = {};
    strcpy(record + 0, "Linux");
    strcpy(record + 65, "localhost");
    strcpy(record + 130, "2.6.32");
    strcpy(record + 195, "Quarn-System");
    strcpy(record + 260, "ppc");
    EA_copy_buffer_to_memory(iop, address, record, sizeof record);
    SET_GPR(iop, 3, 0);
}

} // namespace

int Syscall_Info_Check(const syscall_info_entry *table, int rows)
{
    int bad = 0;
    for (int i = 0; i < rows; i++) {
        if (table[i].id == i) continue;
        sim_error("syscall_info tables id (%d) differs from index(%d)", table[i].id, i);
        bad++;
    }
    return bad;
}

void Syscall_Time_Of_Day(uint64_t cycle, uint64_t hz, uint64_t *seconds, uint64_t *microseconds)
{
    *seconds = 0;
    *microseconds = 0;
    if (hz == 0) return;
    *seconds = cycle / hz;
    uint64_t per_microsecond = hz / 1000000;
    if (per_microsecond) *microseconds = (cycle - *seconds * hz) / per_microsecond;
}

int64_t HandleSystemCall(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    GenericMachine *machine = thread->machine;
    const bool little_endian = (thread->MSR.value & MSR_LE) != 0;

    if (!table_checked) {
        Syscall_Info_Check(syscall_info, SYSCALL_INFO_ROWS - 1);
        table_checked = 1;
    }

    const uint64_t number = iGET_GPR(iop, 0);
    Thread_sync_time(thread, "system-call");
    if (Trigger_Syscall__Check(machine, thread, number)) return 0;

    CallOutcome outcome = CALL_SERVED;
    switch ((uint32_t)number) {
    case SYS_exit:
    case SYS_exit_group:
        // The program's exit status stays in GPR3 for whoever looks after the run.
        Stop_The_Simulation(STOP_EXIT_SYSCALL);
        SET_GPR(iop, 3, iGET_GPR(iop, 3) & 0xFFFFFFFFull);
        break;
    case SYS_write:
        outcome = do_write(iop, machine);
        break;
    case SYS_open: {
        char path[SYSCALL_BUFFER] = {};
        uint64_t flags = iGET_GPR(iop, 4);
        EA_copy_string_from_memory(iop, iGET_GPR(iop, 3), path, SYSCALL_BUFFER);
        if (strcmp(path, "/dev/tty") == 0) {
            sim_warning(1, "1: SYSCALL -- open(\"%s\", 0%o) call unsupported, returning 1 (stdout)", path,
                        (unsigned)flags);
            SET_GPR(iop, 3, 1);
        } else {
            sim_warning(1, "1: SYSCALL -- open(\"%s\", 0%o) call unsupported, returning -1", path, (unsigned)flags);
            SET_GPR(iop, 3, ~0ull);
        }
        break;
    }
    case SYS_getpid:
    case SYS_getuid:
    case SYS_getgid:
    case SYS_geteuid:
    case SYS_getegid:
        SET_GPR(iop, 3, 1);
        break;
    case SYS_brk:
        do_brk(iop, machine);
        break;
    case SYS_ioctl:
        sim_warning(1, "ioctl(d=%ld, request=0x%016lX, argp=0x%016lX) NOT HANDLED", (long)iGET_GPR(iop, 3),
                    (unsigned long)iGET_GPR(iop, 4), (unsigned long)iGET_GPR(iop, 5));
        SET_GPR(iop, 3, 0);
        break;
    case SYS_gettimeofday:
        do_gettimeofday(iop);
        break;
    case SYS_readlink: {
        char path[SYSCALL_BUFFER] = {};
        EA_copy_string_from_memory(iop, iGET_GPR(iop, 3), path, SYSCALL_BUFFER);
        uint64_t buffer = iGET_GPR(iop, 4);
        int64_t size = (int64_t)iGET_GPR(iop, 5);
        if (strcmp(path, SELF_EXE) != 0) {
            SET_GPR(iop, 3, ~0ull);
            sim_error("SYSCALL: readlink cannot handle path != %s yet.", SELF_EXE);
            return 0;
        }
        // Never past the guest's buffer.
        uint32_t count = (uint32_t)std::clamp<int64_t>(size, 0, (int64_t)sizeof EXE_NAME);
        EA_copy_buffer_to_memory(iop, buffer, EXE_NAME, count);
        SET_GPR(iop, 3, count);
        break;
    }
    case SYS_mmap:
        do_mmap(iop, machine);
        break;
    case SYS_munmap:
    case SYS_mprotect:
        SET_GPR(iop, 3, 0);
        break;
    case SYS_fstat: {
        int32_t fd = (int32_t)iGET_GPR(iop, 3);
        uint64_t address = iGET_GPR(iop, 4);
        sim_warning(1, "fstat(fid=%d, statbuf =0x%016lX)", fd, (unsigned long)address);
        bool wide = (iGET_MSR(iop) & MSR_SF) != 0;
        if (store_fstat(iop, address, host_status(fd), wide))
            SET_GPR(iop, 3, 0);
        else
            outcome = CALL_STOPPED; // the store raised its storage interrupt
        break;
    }
    case SYS_uname:
        do_uname(iop);
        break;
    case SYS_writev:
        outcome = do_writev(iop, machine, little_endian);
        break;
    case SYS_stat64: {
        uint64_t path_address = iGET_GPR(iop, 3), address = iGET_GPR(iop, 4);
        char path[STAT64_PATH];
        PA_read_string_NoEffect(iop, path_address, path, STAT64_PATH, path_address);
        sim_warning(1, "stat64(fname = %s, statbuf =0x%016lX)", path, (unsigned long)address);
        struct stat zero;
        memset(&zero, 0, sizeof zero);
        if (store_stat64(iop, address, zero))
            SET_GPR(iop, 3, 0);
        else
            outcome = CALL_STOPPED;
        break;
    }
    case SYS_fstat64: {
        int32_t fd = (int32_t)iGET_GPR(iop, 3);
        uint64_t address = iGET_GPR(iop, 4);
        sim_warning(1, "fstat64(fid=%d, statbuf =0x%016lX)", fd, (unsigned long)address);
        if (store_stat64(iop, address, host_status(fd)))
            SET_GPR(iop, 3, 0);
        else
            outcome = CALL_STOPPED;
        break;
    }
    default:
        if (number <= 324)
            sim_warning(1, "1: Unsupported system call %ld - %s", (long)number, syscall_info[number].name);
        else
            sim_warning(1, "2: Unsupported system call %ld", (long)number);
        // What Linux answers for a call it does not have.
        call_failed(iop, ENOSYS);
        outcome = CALL_FAILED;
        break;
    }
    if (outcome == CALL_SERVED) call_served(iop);
    return 0;
}
