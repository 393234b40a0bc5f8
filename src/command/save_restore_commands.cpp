// Register and memory save and restore, and the interrupt-controller checkpoint handlers.
#include "command/save_restore_commands.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command/cmd_table.h"
#include "command/selector.h"
#include "command/translation_cache_commands.h"
#include "core/cycle_core_tcl.h"
#include "devices/ppcic.h"
#include "memory/memory_region.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_identity.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/ctrl.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/register_file.h"
#include "processor/run/checkpoint.h"
#include "processor/spr/instruction_match.h"
#include "processor/time/time_registers.h"
#include "runtime/alloc.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

const char *const REGISTERS_FILE = "registers";
const char *const MEMORY_FILE = "memory";
const char *const DEFAULT_DIRECTORY = "save";

// The memory image moves in pieces that the host's stdio calls (and a 32-bit length) can carry.
constexpr uint64_t MEMORY_PIECE = 1ull << 30;

// ---- the named registers of the two blocks ----

struct ThreadRegister {
    const char *name;
    int width;
    uint64_t (*get)(ThreadState *);
    void (*set)(ThreadState *, uint64_t);
};

struct CoreRegister {
    const char *name;
    int width;
    uint64_t (*get)(ProcessorState *);
    void (*set)(ProcessorState *, uint64_t);
};

// Values saved: the slot, except where the register's current value is composed elsewhere.
// Values restored: the register's masked write, except CTRL (forced) and PC (branch target too).
#define THREAD_ROW(member, file_name, width, owner, family)                                                  \
    {#member, width, [](ThreadState *t) -> uint64_t { return t->member.value; },                             \
     [](ThreadState *t, uint64_t v) { tCOOKED_SET_##member(t, (QUARN_REG_VALUE(width))v, 0); }},
ThreadRegister thread_registers[] = {QUARN_THREAD_REGISTERS(THREAD_ROW)};
#undef THREAD_ROW

uint64_t core_ctrl(ProcessorState *p)
{
    return p->num_threads ? GUESS_CTRL(&p->threads[0], 0) : p->CTRL.value;
}
void force_core_ctrl(ProcessorState *p, uint64_t v)
{
    if (p->num_threads) FORCE_CTRL(&p->threads[0], (uint32_t)v);
}

#define CORE_ROW(member, file_name, width, owner, family)                                                    \
    {#member, width, [](ProcessorState *p) -> uint64_t { return p->member.value; },                          \
     [](ProcessorState *p, uint64_t v) {                                                                     \
         p->member.value = (QUARN_REG_VALUE(width))v;                                                        \
         p->member.written = 1;                                                                              \
     }},
CoreRegister core_registers[] = {QUARN_CORE_REGISTERS(CORE_ROW){"CTRL", 32, core_ctrl, force_core_ctrl}};
#undef CORE_ROW

template <size_t N, typename Row> Row *find_row(Row (&rows)[N], const char *name)
{
    for (Row &row : rows)
        if (!strcmp(row.name, name)) return &row;
    return nullptr;
}

// The registers whose saved value or restore differs from the plain slot.
void set_ima(ProcessorState *p, Reg64 *slot, int32_t number, uint64_t v)
{
    slot->value = v & Register_Entry_Mask(slot->rfe);
    Decide_if_we_want_to_check_IMC(p, number, slot->value);
}

void install_special_rows()
{
    static bool done = false;
    if (done) return;
    done = true;
    find_row(thread_registers, "DEC")->get = [](ThreadState *t) -> uint64_t {
        return ThreadState__GetDEC(t);
    };
    find_row(thread_registers, "PURR")->get = [](ThreadState *t) -> uint64_t { return RAW_GET_PURR(t); };
    find_row(thread_registers, "SPURR")->get = [](ThreadState *t) -> uint64_t { return RAW_GET_SPURR(t); };
    find_row(thread_registers, "TFMR")->get = [](ThreadState *t) -> uint64_t { return RAW_GET_TFMR(t); };
    find_row(thread_registers, "TIR")->get = [](ThreadState *t) -> uint64_t { return tCOOKED_GET_TIR(t, 0); };
    find_row(thread_registers, "TSRL")->get = [](ThreadState *t) -> uint64_t {
        return tCOOKED_GET_TSRL(t, 0);
    };
    ThreadRegister *ctrl = find_row(thread_registers, "CTRL");
    ctrl->get = [](ThreadState *t) -> uint64_t { return GUESS_CTRL(t, 0); };
    ctrl->set = [](ThreadState *t, uint64_t v) { FORCE_CTRL(t, (uint32_t)v); };
    find_row(thread_registers, "PC")->set = [](ThreadState *t, uint64_t v) { tFORCE_PC(t, v, 0); };

    find_row(core_registers, "PVR")->set = [](ProcessorState *p, uint64_t v) { RAW_SET_PVR(p, (uint32_t)v); };
    CoreRegister *tb = find_row(core_registers, "TB");
    tb->get = [](ProcessorState *p) -> uint64_t { return ProcessorState__GetTB(p); };
    tb->set = [](ProcessorState *p, uint64_t v) {
        RAW_SET_TB(p, v);
        ProcessorState__UpdateTB(p);
    };
    CoreRegister *tbl = find_row(core_registers, "TBL");
    tbl->get = [](ProcessorState *p) -> uint64_t { return ProcessorState__GetTBL(p); };
    tbl->set = [](ProcessorState *p, uint64_t v) {
        RAW_SET_TBL(p, (uint32_t)v);
        ProcessorState__UpdateTB(p);
    };
    CoreRegister *tbu = find_row(core_registers, "TBU");
    tbu->get = [](ProcessorState *p) -> uint64_t { return ProcessorState__GetTBU(p); };
    tbu->set = [](ProcessorState *p, uint64_t v) {
        RAW_SET_TBU(p, (uint32_t)v);
        ProcessorState__UpdateTB(p);
    };
    CoreRegister *hdec = find_row(core_registers, "HDEC");
    hdec->get = [](ProcessorState *p) -> uint64_t { return ProcessorState__GetHDEC(p); };
    hdec->set = [](ProcessorState *p, uint64_t v) { ProcessorState__SetHDEC(p, (uint32_t)v); };
#define IMA_ROW(n)                                                                                           \
    find_row(core_registers, "IMA" #n)->set = [](ProcessorState *p, uint64_t v) {                            \
        set_ima(p, &p->IMA##n, n, v);                                                                        \
    };
    IMA_ROW(0)
    IMA_ROW(1) IMA_ROW(2) IMA_ROW(3) IMA_ROW(4) IMA_ROW(8) IMA_ROW(9) IMA_ROW(10) IMA_ROW(11) IMA_ROW(12)
#undef IMA_ROW
}

uint64_t width_mask(int width)
{
    return width == 32 ? 0xFFFFFFFFull : ~0ull;
}

// ---- writing ----

void put(FILE *f, const char *name, const char *reg, int width, uint64_t value)
{
    if (width == 32)
        fprintf(f, "%s : %s = 0x%08X\n", name, reg, (unsigned)value);
    else
        fprintf(f, "%s : %s = 0x%016lX\n", name, reg, (unsigned long)value);
}

void write_thread(FILE *f, ThreadState *t)
{
    for (int n = 0; n < NUM_GPRS; n++)
        fprintf(f, "%s : gpr %d = 0x%016lX\n", t->name, n, (unsigned long)t->GPR[n].value);
    for (int n = 0; n < 32; n++)
        fprintf(f, "%s : fpr %d = 0x%016lX\n", t->name, n, (unsigned long)t->VSR[n].value[1]);
    for (int n = 0; n < 32; n++)
        fprintf(f, "%s : vmx %d = 0x%016lX 0x%016lX\n", t->name, n, (unsigned long)t->VSR[32 + n].value[1],
                (unsigned long)t->VSR[32 + n].value[0]);
    for (int n = 0; t->slb && n < t->slb_entries; n++)
        fprintf(f, "%s : slb %d = e 0x%016lX v 0x%016lX\n", t->name, n, (unsigned long)t->slb[n].SLBE.value,
                (unsigned long)t->slb[n].SLBV.value);
    for (const ThreadRegister &r : thread_registers)
        put(f, t->name, r.name, r.width, r.get(t));
}

bool write_registers(GenericMachine *machine, const char *directory)
{
    install_special_rows();
    checkpoint_file record{};
    if (!checkpoint_open(&record, directory, REGISTERS_FILE, "w")) return false;
    for (int32_t n = 0;; n++) {
        ProcessorState *p = GenericMachine__Processor(machine, n);
        if (!p) break;
        for (const CoreRegister &r : core_registers)
            put(record.file, p->name, r.name, r.width, r.get(p));
        for (uint32_t i = 0; i < p->num_threads; i++)
            write_thread(record.file, &p->threads[i]);
    }
    const bool written = !ferror(record.file);
    return checkpoint_close(&record) && written;
}

// ---- reading ----

struct ThreadImage {
    ThreadState *thread;
    uint64_t gpr[NUM_GPRS];
    uint64_t fpr[32];
    uint64_t vmx[32][2];
    std::vector<uint64_t> slb_e, slb_v;
    std::vector<uint64_t> named;
};

struct ProcessorImage {
    ProcessorState *processor;
    std::vector<uint64_t> named;
    std::vector<ThreadImage> threads;
};

// Reads the lines of the register file one at a time.
class LineReader
{
  public:
    explicit LineReader(FILE *file) : file_(file) {}
    ~LineReader() { free(line_); }
    const char *next()
    {
        ssize_t n = getline(&line_, &size_, file_);
        return n < 0 ? nullptr : line_;
    }

  private:
    FILE *file_;
    char *line_ = nullptr;
    size_t size_ = 0;
};

// "0x" and one or more hexadecimal digits whose value fits `mask`; advances *text.
bool hex(const char **text, uint64_t mask, uint64_t *value)
{
    const char *s = *text;
    if (s[0] != '0' || s[1] != 'x') return false;
    s += 2;
    uint64_t v = 0;
    const char *digits = s;
    for (;; s++) {
        int d;
        if (*s >= '0' && *s <= '9')
            d = *s - '0';
        else if (*s >= 'a' && *s <= 'f')
            d = *s - 'a' + 10;
        else if (*s >= 'A' && *s <= 'F')
            d = *s - 'A' + 10;
        else
            break;
        if (v >> 60) return false;
        v = v << 4 | (uint64_t)d;
    }
    if (s == digits || (v & ~mask)) return false;
    *value = v;
    *text = s;
    return true;
}

bool literal(const char **text, const char *expected)
{
    size_t n = strlen(expected);
    if (strncmp(*text, expected, n)) return false;
    *text += n;
    return true;
}

// Matches "<name> : <what> = " at the start of the line and returns what follows.
const char *after_prefix(const char *line, const char *name, const std::string &what)
{
    const char *s = line;
    if (!line || !literal(&s, name) || !literal(&s, " : ") || !literal(&s, what.c_str()) ||
        !literal(&s, " = "))
        return nullptr;
    return s;
}

bool plain_line(LineReader &in, const char *name, const std::string &what, int width, uint64_t *value)
{
    const char *s = after_prefix(in.next(), name, what);
    return s && hex(&s, width_mask(width), value) && !strcmp(s, "\n");
}

bool pair_line(LineReader &in, const char *name, const std::string &what, const char *first,
               const char *second, uint64_t *a, uint64_t *b)
{
    const char *s = after_prefix(in.next(), name, what);
    return s && literal(&s, first) && hex(&s, ~0ull, a) && literal(&s, second) && hex(&s, ~0ull, b) &&
           !strcmp(s, "\n");
}

bool read_thread(LineReader &in, ThreadImage &image)
{
    ThreadState *t = image.thread;
    const char *name = t->name;
    for (int n = 0; n < NUM_GPRS; n++)
        if (!plain_line(in, name, "gpr " + std::to_string(n), 64, &image.gpr[n])) return false;
    for (int n = 0; n < 32; n++)
        if (!plain_line(in, name, "fpr " + std::to_string(n), 64, &image.fpr[n])) return false;
    for (int n = 0; n < 32; n++)
        if (!pair_line(in, name, "vmx " + std::to_string(n), "", " ", &image.vmx[n][0], &image.vmx[n][1]))
            return false;
    const int32_t entries = t->slb ? t->slb_entries : 0;
    image.slb_e.resize(entries > 0 ? entries : 0);
    image.slb_v.resize(entries > 0 ? entries : 0);
    for (int n = 0; n < entries; n++)
        if (!pair_line(in, name, "slb " + std::to_string(n), "e ", " v ", &image.slb_e[n], &image.slb_v[n]))
            return false;
    for (const ThreadRegister &r : thread_registers) {
        uint64_t v = 0;
        if (!plain_line(in, name, r.name, r.width, &v)) return false;
        image.named.push_back(v);
    }
    return true;
}

// Reads the whole file into images of every processor; false at the first line that does not
// belong where it stands (nothing has been applied then).
bool read_registers(GenericMachine *machine, FILE *file, std::vector<ProcessorImage> &images)
{
    LineReader in(file);
    for (int32_t n = 0;; n++) {
        ProcessorState *p = GenericMachine__Processor(machine, n);
        if (!p) break;
        images.push_back(ProcessorImage{p, {}, {}});
        ProcessorImage &image = images.back();
        for (const CoreRegister &r : core_registers) {
            uint64_t v = 0;
            if (!plain_line(in, p->name, r.name, r.width, &v)) return false;
            image.named.push_back(v);
        }
        for (uint32_t i = 0; i < p->num_threads; i++) {
            image.threads.push_back(ThreadImage{});
            image.threads.back().thread = &p->threads[i];
            if (!read_thread(in, image.threads.back())) return false;
        }
    }
    return true;
}

void apply_thread(const ThreadImage &image)
{
    ThreadState *t = image.thread;
    CycleCore_TCL_forced(t);
    for (int n = 0; n < NUM_GPRS; n++)
        t->GPR[n].value = image.gpr[n];
    for (int n = 0; n < 32; n++) {
        t->VSR[n].value[1] = image.fpr[n];
        t->VSR[n].value[0] = 0;
        t->VSR[32 + n].value[1] = image.vmx[n][0];
        t->VSR[32 + n].value[0] = image.vmx[n][1];
    }
    for (size_t n = 0; n < image.slb_e.size(); n++) {
        SLB_Write_ESID_Half(&t->slb[n], image.slb_e[n]);
        SLB_Write_VSID_Half(&t->slb[n], image.slb_v[n]);
    }
    for (size_t i = 0; i < image.named.size(); i++)
        thread_registers[i].set(t, image.named[i]);
}

void apply_registers(const std::vector<ProcessorImage> &images)
{
    for (const ProcessorImage &image : images) {
        for (size_t i = 0; i < image.named.size(); i++)
            core_registers[i].set(image.processor, image.named[i]);
        for (const ThreadImage &thread : image.threads)
            apply_thread(thread);
    }
}

// Reads and checks the register file of the directory; fills `images` only when all of it holds.
bool load_registers(GenericMachine *machine, const char *directory, std::vector<ProcessorImage> &images)
{
    install_special_rows();
    checkpoint_file record{};
    if (!checkpoint_open(&record, directory, REGISTERS_FILE, "r")) return false;
    const bool read = read_registers(machine, record.file, images);
    checkpoint_close(&record);
    if (!read) images.clear();
    return read;
}

// ---- memory ----

// The host bytes of the machine's memory: its total size, held by the first region's one chunk.
// Null when the memory is not held that way (several chunks, or regions beyond the first).
uint8_t *memory_image(GenericMachine *machine, uint64_t *length)
{
    sim_memory *region = machine->region_instances ? machine->region_instances[0] : nullptr;
    *length = machine->total_memory;
    if (!region || region->num_chunks != 1 || *length == 0 || *length > (uint64_t)region->size)
        return nullptr;
    return region_host_address(region, 0, *length, false);
}

bool write_memory(const char *directory, const uint8_t *bytes, uint64_t length)
{
    checkpoint_file record{};
    if (!checkpoint_open(&record, directory, MEMORY_FILE, "w")) return false;
    bool ok = true;
    for (uint64_t done = 0; ok && done < length; done += MEMORY_PIECE) {
        const uint64_t piece = length - done < MEMORY_PIECE ? length - done : MEMORY_PIECE;
        ok = fwrite(bytes + done, piece, 1, record.file) == 1;
    }
    return checkpoint_close(&record) && ok;
}

std::string path_of(const char *directory, const char *file)
{
    return std::string(directory) + "/" + file;
}

// The image file must hold exactly the machine's memory: a shorter or longer one belongs to another
// machine or was cut off.
bool memory_file_fits(const char *directory, uint64_t length)
{
    struct stat info {
    };
    return stat(path_of(directory, MEMORY_FILE).c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           (uint64_t)info.st_size == length;
}

bool read_memory(const char *directory, uint8_t *bytes, uint64_t length)
{
    checkpoint_file record{};
    if (!checkpoint_open(&record, directory, MEMORY_FILE, "r")) return false;
    bool ok = true;
    for (uint64_t done = 0; ok && done < length; done += MEMORY_PIECE) {
        const uint64_t piece = length - done < MEMORY_PIECE ? length - done : MEMORY_PIECE;
        ok = fread(bytes + done, piece, 1, record.file) == 1;
    }
    checkpoint_close(&record);
    return ok;
}

// ---- the handlers' common steps ----

const char *directory_word(int argc, char **argv)
{
    return argc > 1 ? argv[1] : DEFAULT_DIRECTORY;
}

// A fresh directory for a save; null after the message.
char *create_directory(Tcl_Interp *interpreter, const char *name)
{
    char *path = nullptr;
    if (checkpoint_create_dir(&path, name)) return path;
    SIM_TCLPRINT(interpreter, "Error opening save file: %s", path ? path : name);
    if (path) QUARN_FREE(path);
    return nullptr;
}

char *open_directory(Tcl_Interp *interpreter, const char *name)
{
    char *path = nullptr;
    if (checkpoint_open_dir(&path, name)) return path;
    SIM_TCLPRINT(interpreter, "Error opening save file: %s", name);
    return nullptr;
}

struct Directory {
    char *path;
    ~Directory()
    {
        if (path) QUARN_FREE(path);
    }
};

} // namespace

int saveRegistersCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    Directory dir{create_directory(interpreter, directory_word(argc, argv))};
    if (!dir.path) return 1;
    if (!write_registers(machine, dir.path)) {
        SIM_TCLPRINT(interpreter, "%s/%s not written", dir.path, REGISTERS_FILE);
        return 1;
    }
    SIM_TCLPRINT(interpreter, "%s/%s written", dir.path, REGISTERS_FILE);
    return 0;
}

int saveMemoryCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    Directory dir{create_directory(interpreter, directory_word(argc, argv))};
    if (!dir.path) return 1;
    uint64_t length = 0;
    const uint8_t *bytes = memory_image(machine, &length);
    if (!bytes) {
        SIM_TCLPRINT(interpreter, "No support for checkpointing multiple chunks memory");
        return 1;
    }
    if (!write_memory(dir.path, bytes, length)) return 1;
    SIM_TCLPRINT(interpreter, "%s/%s written", dir.path, MEMORY_FILE);
    return 0;
}

int saveBothCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    Directory dir{create_directory(interpreter, directory_word(argc, argv))};
    if (!dir.path) return 1;
    if (!write_registers(machine, dir.path)) return 1;
    uint64_t length = 0;
    const uint8_t *bytes = memory_image(machine, &length);
    if (!bytes) {
        SIM_TCLPRINT(interpreter, "No support for saving multiple chunks memory");
        return 1;
    }
    if (!write_memory(dir.path, bytes, length)) return 1;
    SIM_TCLPRINT(interpreter, "%s written", dir.path);
    return 0;
}

int ramRegistersCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    Directory dir{open_directory(interpreter, directory_word(argc, argv))};
    if (!dir.path) return 1;
    std::vector<ProcessorImage> images;
    if (!load_registers(machine, dir.path, images)) {
        SIM_TCLPRINT(interpreter, "%s/%s not restored", dir.path, REGISTERS_FILE);
        return 1;
    }
    apply_registers(images);
    SIM_TCLPRINT(interpreter, "%s/%s restored", dir.path, REGISTERS_FILE);
    return 0;
}

int ramMemoryCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    Directory dir{open_directory(interpreter, directory_word(argc, argv))};
    if (!dir.path) return 1;
    uint64_t length = 0;
    uint8_t *bytes = memory_image(machine, &length);
    if (!bytes) {
        SIM_TCLPRINT(interpreter, "No support for restoring multiple chunks memory");
        return 1;
    }
    if (!memory_file_fits(dir.path, length)) {
        SIM_TCLPRINT(interpreter, "%s/%s not restored", dir.path, MEMORY_FILE);
        return 1;
    }
    if (!read_memory(dir.path, bytes, length)) return 1;
    SIM_TCLPRINT(interpreter, "%s/%s restored", dir.path, MEMORY_FILE);
    return 0;
}

int ramBothCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    Directory dir{open_directory(interpreter, directory_word(argc, argv))};
    if (!dir.path) return 1;
    // Both files are checked before either is applied.
    uint64_t length = 0;
    uint8_t *bytes = memory_image(machine, &length);
    if (!bytes) {
        SIM_TCLPRINT(interpreter, "No support for restoring multiple chunks memory");
        return 1;
    }
    std::vector<ProcessorImage> images;
    if (!load_registers(machine, dir.path, images)) {
        SIM_TCLPRINT(interpreter, "%s/%s not restored", dir.path, REGISTERS_FILE);
        return 1;
    }
    if (!memory_file_fits(dir.path, length)) {
        SIM_TCLPRINT(interpreter, "%s/%s not restored", dir.path, MEMORY_FILE);
        return 1;
    }
    apply_registers(images);
    if (!read_memory(dir.path, bytes, length)) return 1;
    SIM_TCLPRINT(interpreter, "%s restored", dir.path);
    return 0;
}

// ---- the interrupt controller ----

namespace
{

int32_t number_word(const char *word)
{
    int ok = 0;
    return (int32_t)STRING2INT_rc(word, &ok);
}

bool field_is(const char *field, const char *name)
{
    return !strncasecmp(field, name, strlen(name));
}

bool thread_in_range(int32_t t)
{
    return t >= 0 && t < PPCIC_MAX_THREADS;
}

bool priority_in_range(int32_t p)
{
    return p >= 0 && p < PPCIC_PRIORITIES;
}

} // namespace

int pic_checkpointCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    PPCIC_s *pic = PPCIC_Of_Chip(select_mcm(selector));
    if (!pic) {
        SIM_TCLPRINT(interpreter, "PIC: uninitialized, skipping...");
        return 0;
    }
    if (argc < 2) return 0;
    const char *field = argv[1];
    const int32_t t = argc > 2 ? number_word(argv[2]) : 0;
    const int32_t p = argc > 3 ? number_word(argv[3]) : 0;
    const int32_t index = argc > 4 ? number_word(argv[4]) : 0;
    // Thread and priority numbers outside the controller's tables read nothing.
    PPCIC_Thread_s *entry = thread_in_range(t) ? &pic->threads[t] : nullptr;
    PIR_s *queue = entry && priority_in_range(p) ? entry->queues[p] : nullptr;
    if (field_is(field, "top")) {
        SIM_TCLPRINT(interpreter, "%u,%u", (unsigned)pic->initialized, (unsigned)pic->num_pages);
    } else if (field_is(field, "mfrr")) {
        if (entry) SIM_TCLPRINT(interpreter, "%u", entry->mfrr);
    } else if (field_is(field, "pIndex")) {
        if (entry) SIM_TCLPRINT(interpreter, "%u", (unsigned)entry->server);
    } else if (field_is(field, "cprr")) {
        if (entry) SIM_TCLPRINT(interpreter, "%u", entry->cppr);
    } else if (field_is(field, "ic_pending")) {
        PIR_s *request = queue;
        for (int32_t i = 0; request && i < index; i++)
            request = request->next;
        if (request && index >= 0)
            SIM_TCLPRINT(interpreter, "%u,%u,%u", request->server, request->priority, (unsigned)request->irq);
        else if (entry)
            SIM_TCLPRINT(interpreter, "null");
    } else if (field_is(field, "ic_src")) {
        PPC_Int_Source_s *source = t >= 0 ? pic->sources : nullptr;
        for (int32_t i = 0; source && i < t; i++)
            source = source->next;
        if (source)
            SIM_TCLPRINT(interpreter, "%u,%u,%u,%u", source->server, source->priority,
                         (unsigned)source->enabled, (unsigned)source->irq);
        else
            SIM_TCLPRINT(interpreter, "null");
    } else if (field_is(field, "num_ic_pending")) {
        unsigned count = 0;
        for (PIR_s *request = queue; request; request = request->next)
            count++;
        if (entry) SIM_TCLPRINT(interpreter, "%u\n", count);
    }
    if (entry && entry->presented)
        SIM_TCLPRINT(interpreter, "UH OH, ic_active_interrupt != NULL when taking checkpoint");
    return 0;
}

int pic_restartCmd(Selector *selector, Tcl_Interp *, int argc, char **argv)
{
    PPCIC_s *pic = PPCIC_Of_Chip(select_mcm(selector));
    if (!pic || argc < 4) return 0;
    const char *field = argv[1];
    const int32_t t = number_word(argv[2]);
    const char *text = argv[3];
    const int32_t p = argc > 4 ? number_word(argv[4]) : 0;
    PPCIC_Thread_s *entry = thread_in_range(t) ? &pic->threads[t] : nullptr;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (field_is(field, "top")) {
        if (sscanf(text, "%u,%u", &a, &b) == 2) {
            pic->initialized = (int32_t)a;
            pic->num_pages = (int32_t)b;
        }
    } else if (field_is(field, "mfrr")) {
        if (entry && sscanf(text, "%u", &a) == 1) entry->mfrr = a;
    } else if (field_is(field, "pIndex")) {
        if (entry && sscanf(text, "%u", &a) == 1) entry->server = (int32_t)a;
    } else if (field_is(field, "cprr")) {
        if (entry && sscanf(text, "%u", &a) == 1) entry->cppr = a;
    } else if (field_is(field, "ic_pending")) {
        if (!entry || !priority_in_range(p)) return 0;
        PIR_s *&head = entry->queues[p];
        if (!head) head = ireq_new(0, 0, 0, 0, 0);
        if (head && sscanf(text, "%u,%u,%u", &a, &b, &c) == 3) {
            head->server = a;
            head->priority = b;
            head->irq = (int32_t)c;
        }
    } else if (field_is(field, "ic_src")) {
        if (sscanf(text, "%u,%u,%u,%u", &a, &b, &c, &d) == 4) {
            PPC_Int_Source_s *source = int_source_new((int32_t)d);
            if (!source) return 0;
            source->server = a;
            source->priority = b;
            source->enabled = (int32_t)c;
            source->next = pic->sources;
            pic->sources = source;
        }
    }
    return 0;
}

int pic_displayCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    PPCIC_s *pic = PPCIC_Of_Chip(select_mcm(selector));
    const char *field = argc > 1 ? argv[1] : "";
    int value = 0;
    if (!strcasecmp(field, "max_proc"))
        value = PPCIC_MAX_THREADS;
    else if (!strcasecmp(field, "max_prio"))
        value = PPCIC_PRIORITIES - 1;
    else if (!strcasecmp(field, "type"))
        value = 1;
    else if (!strcasecmp(field, "ic_src_num"))
        for (PPC_Int_Source_s *source = pic ? pic->sources : nullptr; source; source = source->next)
            value++;
    SIM_TCLPRINT(interpreter, "%d", value);
    return 0;
}

SimCmdTable *build_saveCmd_table(void *)
{
    SimCmdTable *t = Init_SimCmdTable("save");
    add_simcommand(t, "registers", saveRegistersCmd, "saveRegistersCmd", -1, 0, "[name]");
    add_simcommand(t, "memory", saveMemoryCmd, "saveMemoryCmd", -1, 0, "[name]");
    add_simcommand(t, "both", saveBothCmd, "saveBothCmd", -1, 0, "[name]");
    return t;
}

SimCmdTable *build_ramCmd_table(void *)
{
    SimCmdTable *t = Init_SimCmdTable("ram");
    add_simcommand(t, "registers", ramRegistersCmd, "ramRegistersCmd", -1, 0, "[name]");
    add_simcommand(t, "memory", ramMemoryCmd, "ramMemoryCmd", -1, 0, "[name]");
    add_simcommand(t, "both", ramBothCmd, "ramBothCmd", -1, 0, "[name]");
    return t;
}
