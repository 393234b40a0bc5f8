// The command line: its recorded text, the -D/-U collections, option parsing and the usage text.
#include "runtime/options.h"

#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/message.h"

namespace
{

constexpr size_t OPTION_GROUP_SIZE = 256;
constexpr const char *OPTION_STRING = "CD:eFf:G:ghim:nN:o:qQrSs:tT:U:W";

const char *const usage_lines[] = {
    "\t-f file : name of initial TCL file (.tervalink.tcl)\n",
    "\t-T time : time limit (in seconds)\n",
    "\t-o name : output file name (stdout by default)\n",
    "\n",
    "\t-C      : no console to command window\n",
    "\t-e      : expect mode\n",
    "\t-G f    : frequency of the dravo core [3.4, 3.7, or 4.0] \n",
    "\t-g      : Enable Tk Graphical Interface\n",
    "\t-H      : Configure high-end system\n",
    "\t-i      : no instruction numbers\n",
    "\t-L      : Configure low-end system\n",
    "\t-m name : Machine configuration\n",
    "\t-n      : Disable opening XTerms for the consoles\n",
    "\t-N n    : SMT mode, define number of threads per core \n",
    "\t-q      : quiet mode\n",
    "\t-Q      : very very quiet mode\n",
    "\t-r      : regression mode\n",
    "\t-s port : server port #\n",
    "\t-S      : spin on \"quarn_go\" until cleared by attached debugger\n",
    "\t-t      : no time stamps\n",
    "\t-W      : no warnings\n",
};

// Appends text to a bounded buffer; `used` never passes capacity - 1.
void append_bounded(char *buffer, size_t capacity, size_t &used, const char *text)
{
    while (*text && used + 1 < capacity)
        buffer[used++] = *text++;
    buffer[used] = '\0';
}

} // namespace

void Print_Disclaimer(void) {}

void usage(int, char **argv)
{
    SIM_PRINT("usage: %s [-f file] [options] ...\n", argv && argv[0] ? argv[0] : "quarn");
    for (const char *line : usage_lines)
        SIM_PRINT("%s", line);
    exit(-1);
}

char *Record_Command_Line(int argc, char **argv)
{
    size_t size = (size_t)argc + 1;
    for (int i = 0; i < argc; i++)
        size += strlen(argv[i]) + 4;
    char *line = (char *)quarn_malloc(size, 1, "char", __FILE__, __LINE__);
    if (!line) return nullptr;
    size_t used = 0;
    line[0] = '\0';
    for (int i = 0; i < argc; i++) {
        bool quote = strpbrk(argv[i], " \t") != nullptr;
        used += (size_t)snprintf(line + used, size - used, quote ? "\"%s\" " : "%s ", argv[i]);
    }
    while (used > 0 && line[used - 1] == ' ')
        line[--used] = '\0';
    return line;
}

void Collect_Command_Line_Options(int argc, char **argv, char letter, char *result, size_t capacity)
{
    if (!result || capacity == 0) return;
    size_t used = 0;
    result[0] = '\0';
    int i = 0;
    while (i < argc) {
        const char *arg = argv[i];
        if (arg[0] != '-' || arg[1] != letter) {
            i++;
            continue;
        }
        // The group: the rest of this argument, then every following argument up to the next
        // that begins with '-'; a group longer than its buffer is cut.
        char group[OPTION_GROUP_SIZE];
        size_t length = 0;
        group[0] = '\0';
        append_bounded(group, sizeof group, length, arg + 2);
        for (i++; i < argc && argv[i][0] != '-'; i++)
            append_bounded(group, sizeof group, length, argv[i]);
        for (char *p = group; *p; p++)
            if (*p == '=') *p = ' ';
        append_bounded(result, capacity, used, "{");
        append_bounded(result, capacity, used, group);
        append_bounded(result, capacity, used, "} ");
    }
    if (used > 0 && result[used - 1] == ' ') result[--used] = '\0';
}

int Parse_Command_Line_Options(int argc, char **argv)
{
    optind = 0; // full (re)initialisation of GNU getopt
    int c;
    while ((c = getopt(argc, argv, OPTION_STRING)) != -1) {
        switch (c) {
        case 'C':
            print_console_output = 0;
            break;
        case 'D':
        case 'U':
            break; // collected from the whole command line beforehand
        case 'e':
            quiet_mode = 1;
            useXterms = 0;
            useInline = 1;
            print_console_output = 0;
            break;
        case 'F':
            CheckIfDebuggerAttached = 1;
            break;
        case 'f':
            quarn_initial_tcl_file_name = optarg;
            break;
        case 'G':
            if (strcmp(optarg, "3.4") == 0)
                configuration_type = 3;
            else if (strcmp(optarg, "3.7") == 0)
                configuration_type = 2;
            else if (strcmp(optarg, "4.0") == 0)
                configuration_type = 1;
            else
                usage(argc, argv);
            SIM_PRINT("Dravo core frequency: %sGHz\n", optarg);
            break;
        case 'g':
            CL_Option_enable_gui = 1;
            if (!quiet_mode) SIM_PRINT("GUI Enabled\n");
            break;
        case 'i':
            quarn_common.print_flags &= ~PRINT_FLAG_INSTR_COUNT;
            break;
        case 'm':
            machine_configuration = optarg;
            break;
        case 'n':
            useXterms = 0;
            if (!quiet_mode) SIM_PRINT("Console XTerms Disabled\n");
            break;
        case 'N':
            configuration_smt_mode = (int)strtol(optarg, nullptr, 10);
            if (!quiet_mode) SIM_PRINT("SMT mode: %d\n", configuration_smt_mode);
            break;
        case 'o': {
            FILE *stream = fopen(optarg, "w");
            if (stream) {
                fflush(Quarn_Output_File);
                Quarn_Output_File = stream;
            } else {
                SIM_PRINT("Can not open file '%s' for output\n", optarg);
            }
            break;
        }
        case 'q':
            quiet_mode = 1;
            break;
        case 'Q':
            very_very_quiet_mode = 1;
            quarn_common.print_flags = 0;
            break;
        case 'r':
            quiet_mode = 1;
            regress_mode = 1;
            very_quiet_mode = 1;
            useXterms = 0;
            quarn_common.print_flags &= ~PRINT_FLAG_INSTR_COUNT;
            if (time_limit == -1) time_limit = 7200;
            break;
        case 'S':
            quarn_go = 0;
            break;
        case 's':
            quarn_common.server_port = (int32_t)strtol(optarg, nullptr, 10);
            if (!quiet_mode) SIM_PRINT("Server port %d\n", quarn_common.server_port);
            break;
        case 't':
            quarn_common.print_flags &= ~PRINT_FLAG_SIM_TIME;
            break;
        case 'T':
            time_limit = (int)strtol(optarg, nullptr, 10);
            if (!quiet_mode) SIM_PRINT("Time limit of %d seconds\n", time_limit);
            break;
        case 'W':
            sim_warning_level = 0;
            break;
        default:
            usage(argc, argv);
        }
    }
    return optind;
}
