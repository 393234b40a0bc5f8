// Register display and set commands.
#include "command/register_commands.h"

#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command/selector.h"
#include "core/cycle_core_tcl.h"
#include "fp/format_convert.h"
#include "fp/fp160_text.h"
#include "processor/records/generic_machine.h"
#include "processor/records/htm_user_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/register_file.h"
#include "processor/spr/ex_spr.h"
#include "processor/spr/spr_moves.h"
#include "processor/spr/spr_table.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

constexpr const char *SPR_HINT = "Use 'display spr [list|values]' to see the supported sprs.\n";
constexpr const char *TM_USAGE = "[{name} [{name|number|list|values}]]";

// The number of a register word: C syntax, a word that is not a number reads as 0.
uint64_t number_word(const char *word)
{
    int ok = 0;
    uint64_t value = STRING2INT_rc(word, &ok);
    return ok ? value : 0;
}

// strtoull base 0 over the whole word.
bool whole_number(const char *word, uint64_t *value)
{
    char *end = nullptr;
    *value = strtoull(word, &end, 0);
    return end != word && *end == 0;
}

// The result of an error whose weight the machine's strict flag decides.
int strict_result(ThreadState *thread)
{
    GenericMachine *machine = thread ? thread->machine : nullptr;
    return machine && machine->machine_options[MO_STRICT] ? 1 : 0;
}

void vsr_bytes(const uint64_t halves[2], uint8_t bytes[16])
{
    for (int i = 0; i < 8; i++) {
        bytes[i] = (uint8_t)(halves[1] >> (56 - 8 * i));
        bytes[8 + i] = (uint8_t)(halves[0] >> (56 - 8 * i));
    }
}

void store_vsr(Reg128 *vsr, const uint8_t bytes[16])
{
    uint64_t high = 0, low = 0;
    for (int i = 0; i < 8; i++) {
        high = (high << 8) | bytes[i];
        low = (low << 8) | bytes[8 + i];
    }
    vsr->value[1] = high;
    vsr->value[0] = low;
}

void format_elements(char *out, size_t capacity, const uint8_t bytes[16], int size)
{
    static const char digits[] = "0123456789ABCDEF";
    size_t at = 0;
    for (int element = 0; element < 16 / size; element++) {
        if (element) {
            out[at++] = ',';
            out[at++] = ' ';
        }
        out[at++] = '0';
        out[at++] = 'x';
        for (int i = 0; i < size; i++) {
            uint8_t b = bytes[element * size + i];
            out[at++] = digits[b >> 4];
            out[at++] = digits[b & 15];
        }
    }
    out[at < capacity ? at : capacity - 1] = 0;
}

bool valid_element_size(uint64_t size)
{
    return size == 1 || size == 2 || size == 4 || size == 8 || size == 16;
}

// The register number of a GPR or FPR command (`kind` "gpr" or "fpr"); says so when it is not 0 to 31.
bool scalar_number(Tcl_Interp *interpreter, char **argv, const char *kind, uint64_t *n)
{
    *n = number_word(argv[1]);
    if (*n < 32) return true;
    SIM_TCLPRINT(interpreter, "Error: (%s) : Invalid %s number found:%s", argv[0], kind, argv[1]);
    return false;
}

// The value word of a set command (`kind` "gpr", "fpr" or "spr"); says so when it is not a number.
bool set_value(Tcl_Interp *interpreter, const char *word, const char *kind, uint64_t *value)
{
    if (whole_number(word, value)) return true;
    SIM_TCLPRINT(interpreter, "set %s: error reading value", kind);
    return false;
}

// The number of a VMX register word; says so when it is not 0 to 31.
bool vmx_number(Tcl_Interp *interpreter, const char *word, uint64_t *n)
{
    *n = number_word(word);
    if (*n < 32) return true;
    SIM_TCLPRINT(interpreter, "Error: Invalid vmxr number found:%s", word);
    return false;
}

// The element size word of a VMX command; says so when it is not 1, 2, 4, 8 or 16.
bool vmx_size(Tcl_Interp *interpreter, const char *word, uint64_t *size)
{
    *size = number_word(word);
    if (valid_element_size(*size)) return true;
    SIM_TCLPRINT(interpreter, "Error: Invalid vmxr size found:%s", word);
    return false;
}

// An SPR a command cannot show or set: the complaint (`lead` then the name), the hint, and the
// result the strict flag decides.
int spr_error(Tcl_Interp *interpreter, ThreadState *thread, const char *lead, const char *name)
{
    SIM_TCLPRINT(interpreter, "%s%s\n", lead, name);
    SIM_TCLPRINT(interpreter, "%s", SPR_HINT);
    return strict_result(thread);
}

// Sets a whole vector register from a hex word, as a command does; says `usage` when the word is not
// hex. The new bytes are left in `bytes`.
bool set_whole_vector(Tcl_Interp *interpreter, ThreadState *thread, Reg128 *vsr, const char *word, const char *usage,
                      uint8_t bytes[16])
{
    if (!Parse_vmxr_hex(word, bytes)) {
        SIM_TCLPRINT(interpreter, "%s", usage);
        return false;
    }
    CycleCore_TCL_forced(thread);
    store_vsr(vsr, bytes);
    return true;
}

// The four single-precision elements, or the two double-precision elements, as values.
void print_float_view(Tcl_Interp *interpreter, const uint8_t bytes[16], bool doubles)
{
    char texts[4][64];
    int count = doubles ? 2 : 4;
    for (int e = 0; e < count; e++) {
        double value;
        if (doubles) {
            uint64_t bits = 0;
            for (int i = 0; i < 8; i++)
                bits = (bits << 8) | bytes[8 * e + i];
            memcpy(&value, &bits, sizeof value);
        } else {
            uint32_t bits = 0;
            for (int i = 0; i < 4; i++)
                bits = (bits << 8) | bytes[4 * e + i];
            float single;
            memcpy(&single, &bits, sizeof single);
            value = single;
        }
        Prepare_FPDouble(texts[e], sizeof texts[e], value);
    }
    if (doubles)
        SIM_TCLPRINT(interpreter, "%s, %s", texts[0], texts[1]);
    else
        SIM_TCLPRINT(interpreter, "%s, %s, %s, %s", texts[0], texts[1], texts[2], texts[3]);
}

// View of a VMX register: element size, or 0 for the single-precision values.
int display_vmx(Selector *selector, Tcl_Interp *interpreter, const char *word, int size)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    uint64_t n;
    if (!vmx_number(interpreter, word, &n)) return 1;
    uint8_t bytes[16];
    vsr_bytes(thread->VSR[n + 32].value, bytes);
    if (size == 0)
        print_float_view(interpreter, bytes, false);
    else
        SIM_TCLPRINT(interpreter, "%s", Prepare_vmxr(bytes, size));
    return 0;
}

// View of a VSX register, live or of the checkpoint ("TM" as first of two words): element size,
// 0 for single-precision values, -1 for double-precision values.
int display_vsx(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv, int size)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    bool checkpoint = argc == 3 && strcmp(argv[1], "TM") == 0;
    const char *word = argv[argc - 1];
    uint64_t n = number_word(word);
    if (n > 63) {
        SIM_TCLPRINT(interpreter, "Error: Invalid vsr number found:%s", word);
        return 1;
    }
    uint8_t bytes[16];
    if (checkpoint) {
        static const uint64_t zero[2] = {0, 0};
        const uint64_t *saved = thread->htm ? thread->htm->VSR[n] : zero;
        vsr_bytes(saved, bytes);
    } else {
        vsr_bytes(thread->VSR[n].value, bytes);
    }
    if (size > 0)
        SIM_TCLPRINT(interpreter, "%s", Prepare_vsxr(bytes, size));
    else
        print_float_view(interpreter, bytes, size < 0);
    return 0;
}

// An SPR number for a name: an SPR name, else a whole-word number inside the table; SPR_NONE.
int32_t resolve_spr(ThreadState *thread, const char *name)
{
    ProcessorState *core = thread->processor;
    int32_t number = Find_SPR_Number(core, name);
    if (number != SPR_NONE) return number;
    int ok = 0;
    uint64_t value = STRING2INT_rc_silent(name, &ok);
    if (ok && value < (uint64_t)SPR_TABLE_SIZE) return (int32_t)value;
    return SPR_NONE;
}

uint64_t *checkpoint_gprs(ThreadState *thread)
{
    static uint64_t zeros[32];
    return thread->htm ? thread->htm->GPR : zeros;
}

htm_user_state *checkpoint(ThreadState *thread)
{
    static htm_user_state zeros;
    return thread->htm ? thread->htm : &zeros;
}

} // namespace

int Parse_vmxr_hex(const char *text, uint8_t bytes[16])
{
    memset(bytes, 0, 16);
    if (!text || !*text) return 1;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text += 2;
    size_t length = strlen(text);
    for (size_t i = 0; i < length; i++)
        if (!isxdigit((unsigned char)text[i])) return 0;
    // More than 32 digits does not fit the register.
    if (length > 32) return 0;
    auto digit = [](char c) { return isdigit((unsigned char)c) ? c - '0' : (tolower((unsigned char)c) - 'a' + 10); };
    int byte = 15;
    for (ptrdiff_t i = (ptrdiff_t)length - 1; i >= 0; i -= 2, byte--) {
        int low = digit(text[i]);
        int high = i > 0 ? digit(text[i - 1]) : 0;
        bytes[byte] = (uint8_t)(high << 4 | low);
    }
    return 1;
}

const char *Prepare_vmxr(const uint8_t bytes[16], int size)
{
    static char buffer[128];
    format_elements(buffer, sizeof buffer, bytes, size);
    return buffer;
}

const char *Prepare_vsxr(const uint8_t bytes[16], int size)
{
    static char buffer[128];
    format_elements(buffer, sizeof buffer, bytes, size);
    return buffer;
}

const char *Translate_SPR_Name(const char *name)
{
    if (strcasecmp(name, "dma_u") == 0) return "dmau";
    if (strcasecmp(name, "dma_l") == 0) return "dmal";
    if (strcasecmp(name, "hid_g") == 0) return "HID2";
    return name;
}

const char *spr_value(ThreadState *thread, int32_t number)
{
    static char buffer[20];
    if (!thread || !valid_spr_number(thread->processor, number)) return nullptr;
    uint64_t value = GUESS_spr(thread, number, 7);
    if (SPR_size(thread->processor, number) == 4)
        snprintf(buffer, sizeof buffer, "0x%08X", (uint32_t)value);
    else
        snprintf(buffer, sizeof buffer, "0x%016lX", (unsigned long)value);
    return buffer;
}

// ---- general-purpose and floating-point registers ----

int PPC_DisplayNGPRCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%d", 32);
    return 0;
}

int PPC_DisplayNFPRCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%d", 32);
    return 0;
}

int PPC_DisplayGPRCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    if (strcmp(argv[1], "values") == 0) {
        for (int n = 0; n < 32; n++)
            SIM_TCLPRINT(interpreter, "GPR%02d = 0x%016lX\n", n, (unsigned long)thread->GPR[n].value);
        return 0;
    }
    uint64_t n;
    if (!scalar_number(interpreter, argv, "gpr", &n)) return 1;
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)thread->GPR[n].value);
    return 0;
}

int PPC_DisplayGPRsCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    for (int n = 0; n < 32; n++)
        SIM_TCLPRINT(interpreter, "%5d %016lx\n", n, (unsigned long)thread->GPR[n].value);
    return 0;
}

int PPC_SetGPRCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    uint64_t value, n;
    if (!set_value(interpreter, argv[2], "gpr", &value)) return 1;
    if (!scalar_number(interpreter, argv, "gpr", &n)) return 1;
    CycleCore_TCL_forced(thread);
    thread->GPR[n].value = value;
    SIM_TCLPRINT(interpreter, "%s", argv[2]);
    return 0;
}

int PPC_DisplayFPRCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    uint64_t n;
    if (!scalar_number(interpreter, argv, "fpr", &n)) return 1;
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)thread->VSR[n].value[1]);
    return 0;
}

int PPC_DisplayFPRasFPCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    uint64_t n;
    if (!scalar_number(interpreter, argv, "fpr", &n)) return 1;
    SIM_TCLPRINT(interpreter, "%-16.8G", FPR_ConvertFloat(thread->VSR[n].value[1]));
    return 0;
}

int PPC_DisplayFPRsCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    for (int n = 0; n < 32; n++)
        SIM_TCLPRINT(interpreter, "%5d %016lx\n", n, (unsigned long)thread->VSR[n].value[1]);
    return 0;
}

int PPC_SetFPRCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    uint64_t value, n;
    if (!set_value(interpreter, argv[2], "fpr", &value)) return 1;
    if (!scalar_number(interpreter, argv, "fpr", &n)) return 1;
    CycleCore_TCL_forced(thread);
    thread->VSR[n].value[1] = value;
    thread->VSR[n].value[0] = 0;
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)value);
    return 0;
}

// ---- special-purpose and extended state registers ----

int PPC_DisplaySPRCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    ProcessorState *core = thread->processor;
    const char *name = Translate_SPR_Name(argv[1]);
    if (strcasecmp(name, "list") == 0) {
        for (int32_t row = 0; row < EX_SPR_ROWS; row++)
            if (Valid_ex_SPR(core, row)) SIM_TCLPRINT(interpreter, "%s\n", Find_ex_SPR_Name(core, row));
        for (int32_t n = 0; n < SPR_TABLE_SIZE; n++)
            if (Valid_SPR(core, n)) SIM_TCLPRINT(interpreter, "%s\n", Find_SPR_Name(core, n));
        return 0;
    }
    if (strcasecmp(name, "values") == 0) {
        for (int32_t row = 0; row < EX_SPR_ROWS; row++)
            if (Valid_ex_SPR(core, row))
                SIM_TCLPRINT(interpreter, "%s = %s\n", Find_ex_SPR_Name(core, row), ex_spr_value(thread, row));
        for (int32_t n = 0; n < SPR_TABLE_SIZE; n++)
            if (Valid_SPR(core, n))
                SIM_TCLPRINT(interpreter, "%d. %s = %s\n", n, Find_SPR_Name(core, n), spr_value(thread, n));
        return 0;
    }
    int32_t number = resolve_spr(thread, name);
    if (number != SPR_NONE) {
        const char *text = spr_value(thread, number);
        if (text) {
            SIM_TCLPRINT(interpreter, "%s", text);
            return 0;
        }
        return spr_error(interpreter, thread, "Error: Invalid spr value: ", name);
    }
    int32_t row = Convert_ex_SPR_Name_To_Enum(core, name);
    const char *text = row != EX_SPR_NONE ? ex_spr_value(thread, row) : nullptr;
    if (text) {
        SIM_TCLPRINT(interpreter, "%s", text);
        return 0;
    }
    return spr_error(interpreter, thread, "Display Error: Unknown spr name: ", name);
}

int PPC_SetSPRCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    uint64_t value;
    if (!set_value(interpreter, argv[2], "spr", &value)) return 1;
    const char *name = Translate_SPR_Name(argv[1]);
    int32_t number = resolve_spr(thread, name);
    if (number != SPR_NONE) {
        CycleCore_TCL_forced(thread);
        if (!valid_spr_number(thread->processor, number)) {
            return spr_error(interpreter, thread, "Error: Invalid spr name: ", name);
        }
        FORCE_spr(thread, number, value, 7);
        SIM_TCLPRINT(interpreter, "%s", spr_value(thread, number));
        return 0;
    }
    int32_t row = Convert_ex_SPR_Name_To_Enum(thread->processor, name);
    if (row == EX_SPR_NONE) {
        return spr_error(interpreter, thread, "Set Error: Unknown spr name: ", name);
    }
    FORCE_ex_spr(thread, row, value);
    SIM_TCLPRINT(interpreter, "%s", ex_spr_value(thread, row));
    return 0;
}

// ---- vector registers ----

int VMX_DisplayVMXRCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return display_vmx(selector, interpreter, argv[1], 16);
}

int VMX_DisplayVMXRasInt8Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return display_vmx(selector, interpreter, argv[1], 1);
}

int VMX_DisplayVMXRasInt16Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return display_vmx(selector, interpreter, argv[1], 2);
}

int VMX_DisplayVMXRasInt32Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return display_vmx(selector, interpreter, argv[1], 4);
}

int VMX_DisplayVMXRasFloatCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return display_vmx(selector, interpreter, argv[1], 0);
}

int VMX_DisplayVMXCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    uint64_t size;
    if (!vmx_size(interpreter, argv[2], &size)) return 1;
    return display_vmx(selector, interpreter, argv[1], (int)size);
}

int VSX_DisplayVSXRCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return display_vsx(selector, interpreter, argc, argv, 16);
}

int VSX_DisplayVSXRasInt8Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return display_vsx(selector, interpreter, argc, argv, 1);
}

int VSX_DisplayVSXRasInt16Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return display_vsx(selector, interpreter, argc, argv, 2);
}

int VSX_DisplayVSXRasInt32Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return display_vsx(selector, interpreter, argc, argv, 4);
}

int VSX_DisplayVSXRasFloatCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return display_vsx(selector, interpreter, argc, argv, 0);
}

int VSX_DisplayVSXRasDoubleCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return display_vsx(selector, interpreter, argc, argv, -1);
}

int VMX_SetVMXRCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    uint64_t n;
    if (!vmx_number(interpreter, argv[1], &n)) return 1;
    uint8_t bytes[16];
    if (!set_whole_vector(interpreter, thread, &thread->VSR[n + 32], argv[2],
                          "usage: set vmxr [reg-num] [128-bit hex value]", bytes))
        return 1;
    SIM_TCLPRINT(interpreter, "%s", Prepare_vmxr(bytes, 16));
    return 0;
}

int VMX_SetVMXCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    uint64_t n;
    if (!vmx_number(interpreter, argv[1], &n)) return 1;
    uint64_t size;
    if (!vmx_size(interpreter, argv[2], &size)) return 1;
    uint64_t index = number_word(argv[3]);
    if (index > 15) {
        SIM_TCLPRINT(interpreter, "Error: Invalid vmxr index found:%s", argv[3]);
        return 1;
    }
    Reg128 *vsr = &thread->VSR[n + 32];
    uint8_t bytes[16];
    vsr_bytes(vsr->value, bytes);
    if (size < 16) {
        uint64_t value = number_word(argv[4]);
        if (index < 16 / size)
            for (uint64_t i = 0; i < size; i++)
                bytes[index * size + i] = (uint8_t)(value >> (8 * (size - 1 - i)));
    } else if (index == 0) {
        if (!Parse_vmxr_hex(argv[4], bytes)) {
            SIM_TCLPRINT(interpreter, "usage: set vmx [reg-num] [size] [index] [value]");
            return 1;
        }
    }
    CycleCore_TCL_forced(thread);
    store_vsr(vsr, bytes);
    SIM_TCLPRINT(interpreter, "%s", Prepare_vmxr(bytes, (int)size));
    return 0;
}

int VSX_SetVSXRCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    uint64_t n = number_word(argv[1]);
    if (n > 63) {
        SIM_TCLPRINT(interpreter, "Error: Invalid vsxr number found:%s", argv[1]);
        return 1;
    }
    uint8_t bytes[16];
    if (!set_whole_vector(interpreter, thread, &thread->VSR[n], argv[2],
                          "usage: set vsxr [reg-num] [128-bit hex value]", bytes))
        return 1;
    if (thread->VSR[n].rfe) thread->VSR[n].rfe->access_kind = REG_ACCESS_COMMAND;
    SIM_TCLPRINT(interpreter, "%s", Prepare_vsxr(bytes, 16));
    return 0;
}

// ---- transactional-memory checkpoint ----

int PPC_DisplayTMCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    if (argc > 3) {
        SIM_TCLPRINT(interpreter, "Error: too many arguments\n");
        SIM_TCLPRINT(interpreter, "Usage: %s %s", argv[0], TM_USAGE);
        return strict_result(thread);
    }
    if (argc == 1) {
        SIM_TCLPRINT(interpreter, "%s: Available Commands\n", argv[0]);
        static const char *const lines[] = {
            "   gpr {number}\n",          "   gprs\n",
            "   spr {name|list|values}\n", "   vsxr {number}\n",
            "   vsxr.v16_int8 {number}\n", "   vsxr.v2_double {number}\n",
            "   vsxr.v4_float {number}\n", "   vsxr.v4_int32 {number}\n",
            "   vsxr.v8_int16 {number}\n",
        };
        for (const char *line : lines)
            SIM_TCLPRINT(interpreter, "%s", line);
        return 0;
    }
    const char *what = argv[1];
    htm_user_state *saved = checkpoint(thread);
    if (strcasecmp(what, "gpr") == 0) {
        if (argc < 3) {
            SIM_TCLPRINT(interpreter, "Error: must specify GPR number\n");
            SIM_TCLPRINT(interpreter, "Usage: %s %s {number}", argv[0], what);
            return strict_result(thread);
        }
        uint64_t n = number_word(argv[2]);
        if (n > 31) {
            SIM_TCLPRINT(interpreter, "Error: (%s) : Invalid gpr number found:%s", argv[0], argv[2]);
            return strict_result(thread);
        }
        SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)checkpoint_gprs(thread)[n]);
        return 0;
    }
    if (strcasecmp(what, "spr") == 0) {
        if (argc < 3) {
            SIM_TCLPRINT(interpreter, "Error: must specify SPR name|list|values\n");
            SIM_TCLPRINT(interpreter, "Usage: %s %s {name|list|values}", argv[0], what);
            return 0;
        }
        const char *word = argv[2];
        char tfhar_path[] = "display spr";
        char tfhar_name[] = "TFHAR";
        char *tfhar_words[] = {tfhar_path, tfhar_name, nullptr};
        if (strcasecmp(word, "list") == 0) {
            SIM_TCLPRINT(interpreter, "PC\nCR\nXER\nLR\nCTR\n");
            return 0;
        }
        ProcessorState *core = thread->processor;
        if (strcasecmp(word, "values") == 0) {
            SIM_TCLPRINT(interpreter, "PC = ");
            PPC_DisplaySPRCmd(selector, interpreter, 2, tfhar_words);
            SIM_TCLPRINT(interpreter, "\nCR = ");
            SIM_TCLPRINT(interpreter, "0x%08X", saved->CR);
            SIM_TCLPRINT(interpreter, "\n%d. XER = ", Find_SPR_Number(core, "xer"));
            SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)saved->XER);
            SIM_TCLPRINT(interpreter, "\n%d. LR = ", Find_SPR_Number(core, "lr"));
            SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)saved->LR);
            SIM_TCLPRINT(interpreter, "\n%d. CTR = ", Find_SPR_Number(core, "ctr"));
            SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)saved->CTR);
            return 0;
        }
        const char *name = Translate_SPR_Name(word);
        if (Find_SPR_Number(core, name) == SPR_NONE && Convert_ex_SPR_Name_To_Enum(core, name) == EX_SPR_NONE) {
            int ok = 0;
            uint64_t number = STRING2INT_rc_silent(name, &ok);
            if (ok && number < (uint64_t)SPR_TABLE_SIZE && Valid_SPR(core, (int32_t)number))
                name = Find_SPR_Name(core, (int32_t)number);
        }
        if (strcasecmp(name, "lr") == 0) {
            SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)saved->LR);
        } else if (strcasecmp(name, "ctr") == 0) {
            SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)saved->CTR);
        } else if (strcasecmp(name, "xer") == 0) {
            SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)saved->XER);
        } else if (strcasecmp(name, "pc") == 0) {
            PPC_DisplaySPRCmd(selector, interpreter, 2, tfhar_words);
        } else if (strcasecmp(name, "cr") == 0) {
            SIM_TCLPRINT(interpreter, "0x%08X", saved->CR);
        } else {
            SIM_TCLPRINT(interpreter, "Display Error: Unknown tm spr name: %s\n", word);
            SIM_TCLPRINT(interpreter, "Use '%s spr [list|values]' to see the supported sprs.", argv[0]);
            return strict_result(thread);
        }
        return 0;
    }
    if (strcasecmp(what, "gprs") == 0) {
        if (argc == 3) {
            SIM_TCLPRINT(interpreter, "Error: too many arguments\n");
            SIM_TCLPRINT(interpreter, "Usage: %s %s", argv[0], what);
            return strict_result(thread);
        }
        const uint64_t *gprs = checkpoint_gprs(thread);
        for (int n = 0; n < 32; n++)
            SIM_TCLPRINT(interpreter, "   %2d: %016lx\n", n, (unsigned long)gprs[n]);
        return 0;
    }
    static const struct {
        const char *prefix;
        bool whole;
        int size;
    } views[] = {
        {"vsxr", true, 16},     {"vsxr.v1", false, 1},    {"vsxr.v2", false, -1},
        {"vsxr.v4_f", false, 0}, {"vsxr.v4_i", false, 4}, {"vsxr.v8", false, 2},
    };
    for (const auto &view : views) {
        bool match = view.whole ? strcasecmp(what, view.prefix) == 0
                                : strncasecmp(what, view.prefix, strlen(view.prefix)) == 0;
        if (!match) continue;
        if (argc < 3) {
            SIM_TCLPRINT(interpreter, "Usage: %s %s {number}", argv[0], what);
            return strict_result(thread);
        }
        char tm_word[] = "TM";
        char *words[] = {argv[0], tm_word, argv[2], nullptr};
        return display_vsx(selector, interpreter, 3, words, view.size);
    }
    SIM_TCLPRINT(interpreter, "Display Error: Unknown tm name: %s\n", what);
    SIM_TCLPRINT(interpreter, "Use '%s' to see the supported names.", argv[0]);
    return strict_result(thread);
}

// ---- SLB ----

int PPC_DisplaySLBCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    const char *word = argv[1];
    bool all = strcasecmp(word, "all") == 0;
    bool valid = strcasecmp(word, "valid") == 0;
    uint64_t only = 0;
    if (!all && !valid) {
        only = number_word(word);
        if (only >= (uint64_t)(thread->slb_entries > 0 ? thread->slb_entries : 0)) {
            SIM_TCLPRINT(interpreter, "Error: (%s) : Invalid SLB number found:%s", argv[0], word);
            return 1;
        }
    }
    SIM_TCLPRINT(interpreter, " #        VSID              ESID         Ks Kp N  L  C  V  LP B\n");
    for (int32_t n = 0; n < thread->slb_entries; n++) {
        const SLB &e = thread->slb[n];
        if (valid && !e.valid) continue;
        if (!all && !valid && (uint64_t)n != only) continue;
        SIM_TCLPRINT(interpreter, "%2d 0x%016lX 0x%016lX %d  %d  %d  %d  %d  %d  %d  %d\n", n,
                     (unsigned long)e.vsid, (unsigned long)e.esid_base, e.ks, e.kp, e.n, e.l, e.c, e.valid, e.lp,
                     e.segment_size);
    }
    return 0;
}
