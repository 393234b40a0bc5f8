// Guest consoles: a console copies the bytes guest software writes to every output channel and,
// line by line with the print header, to the simulator's output; it reads keyboard input from its
// input channels. A channel is a file, a string, a TCP connection accepted on a listen port, a
// TCP connection to a host, or a program on a pseudo-terminal.
#pragma once

#include <pthread.h>

#include <cstdint>

struct Console_Trigger;
struct GenericMachine;
struct Tcl_Interp;

// Channel scopes (bit 1 input, bit 2 output), types and states.
enum : uint32_t { FDS_INPUT = 1, FDS_OUTPUT = 2, FDS_BOTH = 3 };
enum : uint32_t { FDR_FILE = 0, FDR_STRING = 1, FDR_SOCKET = 2, FDR_LISTEN = 3, FDR_PROGRAM = 4 };
enum : uint32_t { FDS_ENABLE = 0, FDS_DISABLE = 1, FDS_DEAD = 2 };

struct fd_element_s {
    fd_element_s *next;
    char *id; // interned
    uint32_t scope;
    uint32_t type;
    volatile uint32_t state;
    int32_t connected; // 1 for accepted listen connections and programs
    int32_t fd;        // for a string: the read position
    int32_t pid;       // of a program, -1 otherwise
    char *info;        // the path, the string, the port, the host or the program name
    int32_t tail_sent; // a string channel has delivered the newline that ends an unterminated text
};

struct ConsoleListener;

struct ConsoleDevice {
    ConsoleDevice *next;
    GenericMachine *machine;
    fd_element_s *channels;
    char *name; // interned
    int32_t pending_cr;
    int32_t column;
    uint64_t line_number;
    int32_t trigger_count;
    Console_Trigger *triggers;
    int32_t trigger_fired;
    int32_t cr_seen;
    int32_t save_lines;
    int32_t header_pending;
    char saved_header[128];
    int32_t line_capacity;
    char *line;
    int32_t line_length;
    int32_t buffered; // the console commands' buffered flag (line saving follows it on)
    // Guards the channel list: background listeners append to it from their own host threads.
    pthread_mutex_t lock;
    ConsoleListener *listeners; // background listener threads, stopped at quit
};

ConsoleDevice *Console_Init(const char *name, GenericMachine *machine);
// Appends the console at the end of the machine's console list.
void Set_Console(GenericMachine *machine, ConsoleDevice *console);
// Opens the console's window (a terminal program) or makes standard input non-blocking, as the
// command-line switches say.
void Console_Activate(ConsoleDevice *console, const char *name);
// A new channel appended to the console's list (ENABLE, not connected, no process).
fd_element_s *Console_New_FD(ConsoleDevice *console, const char *id, uint32_t type, uint32_t scope,
                             const char *info, int32_t fd);
fd_element_s *Console_Create_String_IO(ConsoleDevice *console, const char *id, const char *text,
                                       uint32_t scope);
fd_element_s *Console_Create_File_IO(ConsoleDevice *console, const char *id, const char *path,
                                     uint32_t scope);
// Listens on the port (the info text) of the loopback address: on the calling thread, or with background set
// on a host thread of its own that listens again after every disconnect.
fd_element_s *Console_Create_Listen_IO(ConsoleDevice *console, const char *id, const char *port,
                                       uint32_t scope, int32_t tries, int32_t timeout, int32_t background);
// Connects to "host:port".
fd_element_s *Console_Create_Socket_IO(ConsoleDevice *console, const char *id, const char *host_port,
                                       uint32_t scope);
// Runs the program on a pseudo-terminal.
fd_element_s *Console_Create_Program_IO(ConsoleDevice *console, const char *id, const char *program,
                                        uint32_t scope);
// The listen step: waits for a connection on the port and adds a connected listen channel.
fd_element_s *Setup_Listener_Socket(ConsoleDevice *console, const char *id, const char *info, uint32_t scope,
                                    int32_t port, int32_t timeout, int32_t tries, int32_t background);
// A TCP connection to host:port; its descriptor, or -1.
int make_connect(const char *host, int port);

// The next input byte (0 to 255), or -1 when there is none.
int Console_Read(ConsoleDevice *console);
void Console_Write(ConsoleDevice *console, int character);
// Turning line saving on keeps each line until its newline; turning it off does nothing.
void Console_Save_Lines(ConsoleDevice *console, int on);
// Deletes the DEAD channels it passes and returns the first other channel with the id.
fd_element_s *SearchConsoleforID(ConsoleDevice *console, const char *id);
// The channel listing into the command result.
void console_list(Tcl_Interp *interpreter, ConsoleDevice *console);
// Prints a saved partial line, deletes every channel (stopping programs and listeners) and frees
// the console.
void Console_Quit(ConsoleDevice *console);

const char *Console_State_Name(uint32_t state);
const char *Console_Scope_Name(uint32_t scope);
const char *Console_Type_Name(uint32_t type);
