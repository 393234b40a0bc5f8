// The memory commands.
#include "command/memory_commands.h"

#include <fcntl.h>
#include <tcl.h>
#include <unistd.h>
#include <zlib.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "command/cmd_table.h"
#include "command/selector.h"
#include "memory/memory_map.h"
#include "memory/memory_region.h"
#include "mmu/physical_access.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/run/modes.h"
#include "runtime/alloc.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"
#include "runtime/utils.h"

int RestoreInProgress = 0;

namespace
{

constexpr const char *DISPLAY_USAGE = "display {address} [{unit-size} [repeat_count] | STRING]";
constexpr const char *READ_RANGE_ERROR =
    "Fread does not work with memory mapped address ranges (Address 0x%016lX > Memory Size of %ld)\n";
constexpr const char *WRITE_RANGE_ERROR =
    "FWrite does not work with memory mapped address ranges (Address 0x%016lX > Memory Size of %ld)\n";
constexpr int STRING_LIMIT = 256;

struct UnitSize {
    const char *name;
    int size;
};
constexpr UnitSize UNIT_SIZES[] = {
    {"char", 1}, {"byte", 1},     {"int8", 1},  {"1", 1}, {"short", 2}, {"half", 2},
    {"int16", 2}, {"2", 2},       {"int", 4},   {"word", 4}, {"int32", 4}, {"4", 4},
    {"long", 8}, {"longlong", 8}, {"int64", 8}, {"8", 8},
};

uint64_t number_word(const char *word)
{
    int ok = 0;
    uint64_t value = STRING2INT_rc(word, &ok);
    return ok ? value : 0;
}

bool whole_number(const char *word, uint64_t *value)
{
    char *end = nullptr;
    *value = strtoull(word, &end, 0);
    return end != word && *end == 0;
}

// The thread that does the value accesses.
ThreadState *value_agent(Selector *selector)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return nullptr;
    if (machine->distributed_smp) return select_thread(selector);
    return GenericMachine__Thread(machine, 0);
}

// Physical value access of `size` bytes at the address; 0 on success.
uint32_t value_access(ThreadState *thread, uint64_t address, int size, uint64_t *value, bool write)
{
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    AXD axd = INITIAL_AXD;
    axd.ea = axd.orig_ea = axd.pa = address;
    axd.size = (int16_t)size;
    axd.wimg = AXD_WIMG_M;
    axd.iop = &iop;
    if (write) return PA_Write_Memory_Effect(&iop, *value, &axd, 0);
    return PA_Read_Memory_Effect(&iop, value, &axd, 0);
}

sim_memory *region_at(GenericMachine *machine, uint32_t index)
{
    return index < machine->memory_region_count && machine->region_instances
               ? machine->region_instances[index]
               : nullptr;
}

uint64_t ram_size(GenericMachine *machine)
{
    uint64_t total = 0;
    for (uint32_t i = 0; i < machine->memory_region_count; i++)
        if (sim_memory *region = region_at(machine, i)) total += (uint64_t)region->size;
    return total;
}

// Both the address and the address plus the count lie within RAM (no wrap-around).
bool range_ok(Tcl_Interp *interpreter, GenericMachine *machine, uint64_t address, uint64_t bytes, bool reading)
{
    uint64_t size = ram_size(machine);
    if (address <= size && bytes <= size - address) return true;
    SIM_TCLPRINT(interpreter, reading ? READ_RANGE_ERROR : WRITE_RANGE_ERROR, (unsigned long)address, (long)size);
    return false;
}

// The access agent's memory client of the file commands: thread 0's.
MemoryClient *file_client(GenericMachine *machine)
{
    ThreadState *thread = GenericMachine__Thread(machine, 0);
    return thread ? thread->memory_client : nullptr;
}

// A host buffer of the piece's size, freed with the piece.
struct PieceBuffer {
    explicit PieceBuffer(uint64_t length) : bytes(QUARN_MALLOC(length ? length : 1, char)) {}
    ~PieceBuffer() { QUARN_FREE(bytes); }
    PieceBuffer(const PieceBuffer &) = delete;
    PieceBuffer &operator=(const PieceBuffer &) = delete;
    char *bytes;
};

// Copies a piece read from a file into RAM, straight into the chunk or through the memory client.
void deliver(GenericMachine *machine, const MemoryPiece &piece, const char *bytes, uint64_t length, bool direct)
{
    if (length == 0) return;
    if (direct) {
        uint8_t *host = MEM_PA_OFFSET_TO_SIM_MEMORY(machine, piece.region, piece.region_offset, length);
        if (host) memcpy(host, bytes, length);
        return;
    }
    PA_copy_buffer_directly_to_memory(file_client(machine), piece.physical, bytes, (int64_t)length, 1);
}

struct FileCommand {
    GenericMachine *machine;
    uint64_t address;
    uint64_t bytes;
};

// Reads the address and the byte count of a file command and checks the range.
bool file_command_words(Selector *selector, Tcl_Interp *interpreter, char **argv, const char *address_error,
                        bool reading, bool zero_means_rest, FileCommand *command)
{
    command->machine = select_machine(selector);
    if (!command->machine) return false;
    if (!whole_number(argv[1], &command->address)) {
        SIM_TCLPRINT(interpreter, address_error, (unsigned long)command->address, argv[1]);
        return false;
    }
    command->bytes = number_word(argv[2]);
    if (zero_means_rest && command->bytes == 0) {
        uint64_t size = ram_size(command->machine);
        command->bytes = command->address < size ? size - command->address : 0;
    }
    return range_ok(interpreter, command->machine, command->address, command->bytes, reading);
}

constexpr const char *FREAD_ADDRESS =
    "Error reading address 0x%016lX from %s\n    usage: memory fread [address] [bytes] [filename]";
constexpr const char *FWRITE_ADDRESS =
    "Error reading address got 0x%016lX from %s\n    usage: memory fwrite [address] [bytes] [filename]";

// The complaints of the file commands about a file they cannot open, read or write.
void open_error(Tcl_Interp *interpreter, const char *name, bool reading)
{
    SIM_TCLPRINT(interpreter, reading ? "Error opening file %s for reading\n" : "Error opening file %s for writing\n",
                 name);
}

void io_error(Tcl_Interp *interpreter, const char *name, bool reading)
{
    SIM_TCLPRINT(interpreter, reading ? "Error reading file %s\n" : "Error writing file %s\n", name);
}

// Opens a compressed file of a file command; says so and returns null when it cannot.
gzFile open_compressed(Tcl_Interp *interpreter, const char *name, bool reading)
{
    gzFile file = gzopen(name, reading ? "r" : "w");
    if (!file) open_error(interpreter, name, reading);
    return file;
}

// Moves exactly `length` bytes to or from a compressed file; says so when it cannot.
bool compressed_exact(Tcl_Interp *interpreter, gzFile file, const char *name, void *bytes, unsigned length,
                      bool reading)
{
    int moved = reading ? gzread(file, bytes, length) : gzwrite(file, bytes, length);
    if (moved == (int)length) return true;
    io_error(interpreter, name, reading);
    return false;
}

// The result of a file command over the whole range: the byte count on success.
int range_result(Tcl_Interp *interpreter, bool ok, uint64_t bytes)
{
    if (!ok) return 1;
    SIM_TCLPRINT(interpreter, "%ld", (long)bytes);
    return 0;
}

// Walks the command's range piece by piece in address order until `step` fails (false) or the
// range, or RAM, ends (true).
template <typename Step> bool each_piece(const FileCommand &command, Step step)
{
    for (uint64_t done = 0; done < command.bytes;) {
        MemoryPiece piece;
        if (!Memory_Piece(command.machine, command.address + done, command.bytes - done, &piece)) break;
        if (!step(piece)) return false;
        done += piece.length;
    }
    return true;
}

// Copies a piece of RAM into the buffer through the memory client.
void copy_out(MemoryClient *client, const MemoryPiece &piece, PieceBuffer &buffer)
{
    PA_copy_buffer_directly_from_memory(client, piece.physical, buffer.bytes, (int64_t)piece.length, 1);
}

int fread_counter = 0;

} // namespace

int ConvertMemSize2Enum(const char *name)
{
    static Tcl_HashTable table;
    static bool built = false;
    if (!built) {
        Tcl_InitHashTable(&table, TCL_STRING_KEYS);
        int index = 0;
        for (const UnitSize &unit : UNIT_SIZES) {
            std::string upper = unit.name, lower = unit.name;
            for (char &c : upper)
                c = (char)toupper((unsigned char)c);
            for (char &c : lower)
                c = (char)tolower((unsigned char)c);
            int is_new = 0;
            Tcl_HashEntry *entry = Tcl_CreateHashEntry(&table, upper.c_str(), &is_new);
            if (!is_new) sim_error("1: MEMTCL_Init: non-unique name found : %s, index=%d", upper.c_str(), index);
            Tcl_SetHashValue(entry, (ClientData)(intptr_t)unit.size);
            if (lower != upper) {
                entry = Tcl_CreateHashEntry(&table, lower.c_str(), &is_new);
                if (!is_new)
                    sim_error("2: MEMTCL_Init: non-unique name found : %s, index=%d", lower.c_str(), index);
                Tcl_SetHashValue(entry, (ClientData)(intptr_t)unit.size);
            }
            index++;
        }
        built = true;
    }
    Tcl_HashEntry *entry = name ? Tcl_FindHashEntry(&table, name) : nullptr;
    return entry ? (int)(intptr_t)Tcl_GetHashValue(entry) : -1;
}

bool Memory_Piece(GenericMachine *machine, uint64_t offset, uint64_t remaining, MemoryPiece *piece)
{
    uint64_t base = 0;
    for (uint32_t i = 0; i < machine->memory_region_count; i++) {
        sim_memory *region = region_at(machine, i);
        if (!region) continue;
        uint64_t size = (uint64_t)region->size;
        if (offset < base + size) {
            uint64_t in_region = offset - base;
            uint64_t chunk_size = (uint64_t)region->chunk_size;
            uint64_t length = chunk_size - (in_region & region->offset_mask);
            if (length > remaining) length = remaining;
            if (length > MEMTCL_MAX_PIECE) length = MEMTCL_MAX_PIECE;
            if (length > size - in_region) length = size - in_region;
            uint32_t index = (uint32_t)(in_region >> region->chunk_shift) & region->chunk_index_mask;
            piece->region = region;
            piece->region_offset = in_region;
            piece->physical = region->start + in_region;
            piece->length = length;
            piece->chunk_exists =
                index < (uint32_t)region->num_chunks && __atomic_load_n(&region->chunks[index], __ATOMIC_ACQUIRE);
            return true;
        }
        base += size;
    }
    return false;
}

int MEMTCL_MemoryDisplayCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc != 3 && argc != 4) {
        SIM_TCLPRINT(interpreter, "%s", DISPLAY_USAGE);
        return 0;
    }
    uint64_t repeat = argc == 4 ? number_word(argv[3]) : 0;
    uint64_t address;
    if (!whole_number(argv[1], &address)) {
        SIM_TCLPRINT(interpreter, "Error reading address got 0x%016lX from %s\n    usage: memory display [address] [scalar-size] ",
                     (unsigned long)address, argv[1]);
        return 1;
    }
    ThreadState *thread = value_agent(selector);
    if (!thread) return 1;
    if (strcmp(argv[2], "STRING") == 0) {
        char text[STRING_LIMIT + 1];
        int count = 0;
        for (; count < STRING_LIMIT; count++) {
            uint64_t value = 0;
            if (value_access(thread, address + count, 1, &value, false)) {
                SIM_TCLPRINT(interpreter, "Illegal Address 0x%016lX\n", (unsigned long)(address + count));
                return 1;
            }
            uint8_t c = (uint8_t)value;
            if (c == 0) break;
            text[count] = (c < 32 || c > 126) ? '.' : (char)c;
        }
        if (count == STRING_LIMIT) count = STRING_LIMIT - 1;
        text[count] = 0;
        SIM_TCLPRINT(interpreter, "%s", text);
        return 0;
    }
    int size = ConvertMemSize2Enum(argv[2]);
    if (size < 0) {
        SIM_TCLPRINT(interpreter, "%s", DISPLAY_USAGE);
        return 1;
    }
    uint64_t shown = 0;
    uint64_t count = repeat > 0 ? repeat : 1;
    // A range that runs past the machine's memory is refused before anything is shown, with the
    // error of its first address outside memory; one larger than all memory, or that wraps, too.
    GenericMachine *machine = thread->machine;
    uint64_t memory = machine ? machine->total_memory : 0;
    if (count > 1 && memory) {
        uint64_t bytes = count * (uint64_t)size;
        bool huge = bytes / (uint64_t)size != count || bytes > memory || address + bytes < address;
        if (huge || (address < memory && address + bytes > memory)) {
            SIM_TCLPRINT(interpreter, "Illegal Address 0x%016lX\n",
                         (unsigned long)(address < memory ? memory : address));
            return 1;
        }
    }
    for (uint64_t i = 0; i < count; i++, address += size) {
        uint64_t value = 0;
        if (value_access(thread, address, size, &value, false)) {
            SIM_TCLPRINT(interpreter, "Illegal Address 0x%016lX\n", (unsigned long)address);
            return 1;
        }
        char text[64];
        QuarnSizePrint(text, size, value);
        SIM_TCLPRINT(interpreter, "%s", text);
        if (repeat > 0) {
            shown += size;
            SIM_TCLPRINT(interpreter, "%s", shown % 16 ? " " : "\n");
        }
    }
    return 0;
}

int MEMTCL_MemorySetCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    uint64_t address, value;
    if (!whole_number(argv[1], &address)) {
        SIM_TCLPRINT(interpreter,
                     "Error reading address got 0x%016lX from %s\n    usage: memory set [address] [scalar-size] [64-bit value]",
                     (unsigned long)address, argv[1]);
        return 1;
    }
    if (!whole_number(argv[3], &value)) {
        SIM_TCLPRINT(interpreter,
                     "Error reading value got 0x%016lX from %s\n  usage: memory set [address] [scalar-size] [64-bit value]",
                     (unsigned long)value, argv[3]);
        return 1;
    }
    int size = ConvertMemSize2Enum(argv[2]);
    if (size < 0) {
        SIM_TCLPRINT(interpreter, "usage: memory set [address] [scalar-size] [64-bit value]");
        return 1;
    }
    ThreadState *thread = value_agent(selector);
    if (!thread) return 1;
    if (value_access(thread, address, size, &value, true)) {
        SIM_TCLPRINT(interpreter, "Illegal Address 0x%016lX", (unsigned long)address);
        return 1;
    }
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)value);
    return 0;
}

int MEMTCL_MemoryFreadCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    FileCommand command;
    if (!file_command_words(selector, interpreter, argv, FREAD_ADDRESS, true, false, &command)) return 1;
    int fd = open(argv[3], O_RDONLY);
    if (fd < 0) {
        open_error(interpreter, argv[3], true);
        return 1;
    }
    int copy = -1;
    if (debug_state[9] > 0) {
        char name[64];
        snprintf(name, sizeof name, "/tmp/fred%d", ++fread_counter);
        copy = open(name, O_RDWR | O_CREAT, 0644);
    }
    bool ok = each_piece(command, [&](const MemoryPiece &piece) {
        PieceBuffer buffer(piece.length);
        if (read(fd, buffer.bytes, piece.length) != (ssize_t)piece.length) {
            io_error(interpreter, argv[3], true);
            return false;
        }
        if (copy >= 0 && write(copy, buffer.bytes, piece.length) < 0) {
            close(copy);
            copy = -1;
        }
        deliver(command.machine, piece, buffer.bytes, piece.length, RestoreInProgress != 0);
        return true;
    });
    close(fd);
    if (copy >= 0) close(copy);
    return range_result(interpreter, ok, command.bytes);
}

int MEMTCL_MemoryFwriteCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 4) {
        SIM_TCLPRINT(interpreter, "%s: Usage {address} {bytes-to-write} {filename} {append}", argv[0]);
        return 1;
    }
    FileCommand command;
    if (!file_command_words(selector, interpreter, argv, FWRITE_ADDRESS, false, false, &command)) return 1;
    bool append = argc > 4 && (argv[4][0] == 'a' || argv[4][0] == 'A');
    int fd = open(argv[3], O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC), 0600);
    if (fd < 0) {
        open_error(interpreter, argv[3], false);
        return 1;
    }
    MemoryClient *client = file_client(command.machine);
    bool ok = each_piece(command, [&](const MemoryPiece &piece) {
        PieceBuffer buffer(piece.length);
        copy_out(client, piece, buffer);
        if (write(fd, buffer.bytes, piece.length) != (ssize_t)piece.length) {
            io_error(interpreter, argv[3], false);
            return false;
        }
        return true;
    });
    close(fd);
    return range_result(interpreter, ok, command.bytes);
}

int MEMTCL_MemoryFwritecmpCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 4) {
        SIM_TCLPRINT(interpreter, "%s: Usage '{address} {bytes-to-write} {compressed-filename}", argv[0]);
        return 1;
    }
    FileCommand command;
    if (!file_command_words(selector, interpreter, argv, FWRITE_ADDRESS, false, false, &command)) return 1;
    gzFile file = open_compressed(interpreter, argv[3], false);
    if (!file) return 1;
    MemoryClient *client = file_client(command.machine);
    bool ok = each_piece(command, [&](const MemoryPiece &piece) {
        int32_t flag = piece.chunk_exists ? 1 : 0;
        gzwrite(file, &flag, sizeof flag);
        if (!flag) return true;
        PieceBuffer buffer(piece.length);
        copy_out(client, piece, buffer);
        return compressed_exact(interpreter, file, argv[3], buffer.bytes, (unsigned)piece.length, false);
    });
    gzclose(file);
    return range_result(interpreter, ok, command.bytes);
}

int MEMTCL_MemoryFreadcmpCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    FileCommand command;
    if (!file_command_words(selector, interpreter, argv, FREAD_ADDRESS, true, false, &command)) return 1;
    gzFile file = open_compressed(interpreter, argv[3], true);
    if (!file) return 1;
    bool ok = each_piece(command, [&](const MemoryPiece &piece) {
        int32_t flag = 0;
        // A truncated file is an error, not a run of untouched pieces.
        if (!compressed_exact(interpreter, file, argv[3], &flag, sizeof flag, true)) return false;
        if (!flag) return true;
        PieceBuffer buffer(piece.length);
        if (!compressed_exact(interpreter, file, argv[3], buffer.bytes, (unsigned)piece.length, true)) return false;
        deliver(command.machine, piece, buffer.bytes, piece.length, RestoreInProgress != 0);
        return true;
    });
    gzclose(file);
    return range_result(interpreter, ok, command.bytes);
}

int MEMTCL_MemoryFreadgzCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    FileCommand command;
    if (!file_command_words(selector, interpreter, argv, FREAD_ADDRESS, true, true, &command)) return 1;
    gzFile file = open_compressed(interpreter, argv[3], true);
    if (!file) return 1;
    bool direct = command.machine->mode <= 8;
    uint64_t delivered = 0;
    // Stops quietly at the end of the file: a short file fills only the start of the range.
    while (delivered < command.bytes) {
        MemoryPiece piece;
        if (!Memory_Piece(command.machine, command.address + delivered, command.bytes - delivered, &piece)) break;
        PieceBuffer buffer(piece.length);
        int got = gzread(file, buffer.bytes, (unsigned)piece.length);
        if (got <= 0) break;
        deliver(command.machine, piece, buffer.bytes, (uint64_t)got, direct);
        delivered += (uint64_t)got;
        if ((uint64_t)got < piece.length) break;
    }
    gzclose(file);
    SIM_TCLPRINT(interpreter, "%ld bytes read into memory\n", (long)delivered);
    return 0;
}

int MEMTCL_MemoryFwritegzCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    FileCommand command;
    if (!file_command_words(selector, interpreter, argv, FWRITE_ADDRESS, false, true, &command)) return 1;
    gzFile file = open_compressed(interpreter, argv[3], false);
    if (!file) return 1;
    MemoryClient *client = file_client(command.machine);
    bool ok = each_piece(command, [&](const MemoryPiece &piece) {
        PieceBuffer buffer(piece.length);
        memset(buffer.bytes, 0, piece.length);
        if (piece.chunk_exists) copy_out(client, piece, buffer);
        return compressed_exact(interpreter, file, argv[3], buffer.bytes, (unsigned)piece.length, false);
    });
    gzclose(file);
    if (!ok) return 1;
    SIM_TCLPRINT(interpreter, "%ld bytes written from memory\n", (long)command.bytes);
    return 0;
}

int MEMTCL_MemoryUseSwap(Selector *selector, Tcl_Interp *, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    for (uint32_t i = 0; i < machine->memory_region_count; i++)
        if (sim_memory *region = region_at(machine, i)) region->anonymous = 1;
    return 0;
}

SimCmdTable *build_memoryCmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("memory");
    add_simcommand(table, "display", MEMTCL_MemoryDisplayCmd, "MEMTCL_MemoryDisplayCmd", -1, 0,
                   "{address} {unit-size} [repeat_count]");
    add_simcommand(table, "set", MEMTCL_MemorySetCmd, "MEMTCL_MemorySetCmd", 3, 0,
                   "{address} {unit-size} {64-bit value}");
    add_simcommand(table, "fread", MEMTCL_MemoryFreadCmd, "MEMTCL_MemoryFreadCmd", 3, 0,
                   "{address} {bytes-to-read} {filename}");
    add_simcommand(table, "fwrite", MEMTCL_MemoryFwriteCmd, "MEMTCL_MemoryFwriteCmd", -1, 0,
                   "{address} {bytes-to-write} {filename} {append}");
    add_simcommand(table, "freadcmp", MEMTCL_MemoryFreadcmpCmd, "MEMTCL_MemoryFreadcmpCmd", 3, 0,
                   "{address} {bytes-to-read} {compressed-filename}");
    add_simcommand(table, "fwritecmp", MEMTCL_MemoryFwritecmpCmd, "MEMTCL_MemoryFwritecmpCmd", -1, 0,
                   "{address} {bytes-to-write} {compressed-filename}");
    add_simcommand(table, "freadgz", MEMTCL_MemoryFreadgzCmd, "MEMTCL_MemoryFreadgzCmd", 3, 0,
                   "{address} {bytes-to-read} {compressed-filename}");
    add_simcommand(table, "fwritegz", MEMTCL_MemoryFwritegzCmd, "MEMTCL_MemoryFwritegzCmd", 3, 0,
                   "{address} {bytes-to-write} {compressed-filename}");
    add_simcommand(table, "use_swap", MEMTCL_MemoryUseSwap, "MEMTCL_MemoryUseSwap", 0, 0, "");
    return table;
}
