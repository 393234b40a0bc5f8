// Guest consoles and their channels.
#include "devices/console.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "devices/hooks/console_triggers.h"
#include "processor/hooks/pturbo_control.h"
#include "processor/records/generic_machine.h"
#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

// A background listener: the host thread, and the flag that tells it to end.
struct ConsoleListener {
    ConsoleListener *next;
    ConsoleDevice *console;
    char *id;
    char *info;
    uint32_t scope;
    int32_t port;
    volatile int32_t stop;
    pthread_t thread;
};

namespace
{

constexpr int LINE_GROWTH = 256;
constexpr int BACKGROUND_TRIES = 10000;
// A background listener looks at its stop flag this often while it waits.
constexpr int BACKGROUND_SLICE_MS = 100;
constexpr int KEEPALIVE_SECONDS = 5;

class ListLock
{
  public:
    explicit ListLock(ConsoleDevice *console) : console_(console) { pthread_mutex_lock(&console_->lock); }
    ~ListLock() { pthread_mutex_unlock(&console_->lock); }
    ListLock(const ListLock &) = delete;
    ListLock &operator=(const ListLock &) = delete;

  private:
    ConsoleDevice *console_;
};

void set_nonblocking(int fd)
{
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

void system_error(const char *text)
{
    fprintf(stderr, "%s: %s\n", text, strerror(errno));
}

void free_channel(fd_element_s *channel)
{
    if (channel->type != FDR_STRING && channel->fd >= 0) close(channel->fd);
    if (channel->pid > 0) {
        kill(channel->pid, SIGKILL);
        waitpid(channel->pid, nullptr, 0);
    }
    FORGET_STRING(channel->id);
    FORGET_STRING(channel->info);
    QUARN_FREE(channel);
}

// Deletes the DEAD channels of the list; the caller holds the lock.
void prune_dead(ConsoleDevice *console)
{
    for (fd_element_s **link = &console->channels; *link;) {
        fd_element_s *channel = *link;
        if (channel->state == FDS_DEAD) {
            *link = channel->next;
            free_channel(channel);
        } else {
            link = &channel->next;
        }
    }
}

// Writes the byte to every enabled output channel that is not a string (and, with skip_connected,
// not connected).
void write_to_channels(ConsoleDevice *console, unsigned char byte, int skip_connected)
{
    {
        ListLock guard(console);
        for (fd_element_s *channel = console->channels; channel; channel = channel->next) {
            if (!(channel->scope & FDS_OUTPUT) || channel->state != FDS_ENABLE || channel->type == FDR_STRING)
                continue;
            if (skip_connected && channel->connected) continue;
            for (;;) {
                ssize_t n = write(channel->fd, &byte, 1);
                if (n == 1) break;
                if (n == 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)))
                    continue;
                sim_warning(2, "write error: %d on %s, name=%s info=%s (fd=%d)", errno, console->name,
                            channel->id, channel->info, channel->fd);
                channel->state = FDS_DISABLE;
                break;
            }
        }
    }
    if (useInline) {
        fputc(byte, stdout);
        fflush(stdout);
    }
}

// The header of a new output line: saved while lines are saved, else printed.
void start_line(ConsoleDevice *console)
{
    const char *tag = (quarn_common.print_flags & PRINT_FLAG_CONSOLE_TAG) ? console->name : nullptr;
    const char *header = Make_Print_Header(console->machine, 0, tag);
    if (console->save_lines) {
        snprintf(console->saved_header, sizeof console->saved_header, "%s", header);
        console->header_pending = 1;
    } else {
        SIM_CONSOLE_PRINT("%s", header);
    }
}

void display_char(ConsoleDevice *console, char c)
{
    if (!console->save_lines) {
        SIM_CONSOLE_PRINT("%c", c);
        return;
    }
    if (console->line_length + 2 > console->line_capacity) {
        int capacity = console->line_capacity + LINE_GROWTH;
        char *line = QUARN_REALLOC(console->line, capacity, char);
        if (!line) return;
        console->line = line;
        console->line_capacity = capacity;
    }
    console->line[console->line_length++] = c;
    console->line[console->line_length] = '\0';
}

// Prints the saved line with its header.
void flush_line(ConsoleDevice *console)
{
    if (!console->line || console->line_length == 0) return;
    if (console->header_pending) {
        SIM_CONSOLE_PRINT("%s%s", console->saved_header, console->line);
    } else {
        const char *tag = (quarn_common.print_flags & PRINT_FLAG_CONSOLE_TAG) ? console->name : nullptr;
        SIM_CONSOLE_PRINT("%s%s", Make_Print_Header(console->machine, 0, tag), console->line);
    }
    console->header_pending = 0;
    console->line_length = 0;
    console->line[0] = '\0';
}

// Waits up to the timeout (milliseconds, -1 for none) for a connection on the socket; > 0 ready,
// 0 timeout, < 0 failure (errno set).
int wait_readable(int fd, int timeout_ms)
{
    pollfd entry = {fd, POLLIN, 0};
    return poll(&entry, 1, timeout_ms);
}

// Accepts a connection on the listening socket and adds its channel; null on failure.
fd_element_s *accept_channel(ConsoleDevice *console, const char *id, const char *info, uint32_t scope,
                             int listener, int port)
{
    int fd = accept(listener, nullptr, nullptr);
    close(listener);
    if (fd < 0) {
        sim_warning(2, "Accept on socket failed for console connection");
        return nullptr;
    }
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        sim_warning(2, "Accepted socket could not be made nonblocking for console connection");
        close(fd);
        return nullptr;
    }
    // Raw terminal mode without output newline translation, where the descriptor has one.
    termios mode;
    if (tcgetattr(fd, &mode) == 0) {
        cfmakeraw(&mode);
        mode.c_oflag &= ~(tcflag_t)ONLCR;
        tcsetattr(fd, TCSANOW, &mode);
    }
    fd_element_s *channel = Console_New_FD(console, id, FDR_LISTEN, scope, info, fd);
    if (!channel) {
        close(fd);
        return nullptr;
    }
    channel->connected = 1;
    SIM_PRINT("Console connection on port %d succeeded\n", port);
    return channel;
}

// Waits for a connection. A background listener waits in slices so that it sees its stop flag.
int wait_for_connection(int listener, int timeout_seconds, ConsoleListener *background)
{
    if (!background) return wait_readable(listener, timeout_seconds < 1 ? -1 : timeout_seconds * 1000);
    for (;;) {
        if (background->stop) return 0;
        int ready = wait_readable(listener, BACKGROUND_SLICE_MS);
        if (ready != 0) return ready;
    }
}

fd_element_s *listen_once(ConsoleDevice *console, const char *id, const char *info, uint32_t scope,
                          int32_t port, int32_t timeout, int32_t tries, ConsoleListener *background)
{
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    if (listener < 0) {
        sim_warning(2, "Unable to create socket for console connection");
        return nullptr;
    }
    set_nonblocking(listener);
    if (!background) {
        int on = 1;
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        linger off = {0, 0};
        setsockopt(listener, SOL_SOCKET, SO_LINGER, &off, sizeof off);
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK); // whoever connects gets the guest's console
    for (;;) {
        address.sin_port = htons((uint16_t)port);
        if (bind(listener, (sockaddr *)&address, sizeof address) == 0) break;
        sim_warning(2, "Unable to bind socket for console connection port %d, trying %d\n", port, port + 1);
        if (port >= 65535) {
            close(listener);
            return nullptr;
        }
        port++;
    }
    if (listen(listener, 5) < 0) sim_warning(2, "Unable to listen on socket for console connection");
    fcntl(listener, F_SETFD, FD_CLOEXEC);
    set_nonblocking(listener);

    for (int attempt = 0; attempt < tries || tries < 1;) {
        if (attempt == 0 || tries > 0) {
            if (timeout < 1)
                SIM_PRINT("Waiting indefinitely for a console connection on port %d ...\n", port);
            else
                SIM_PRINT("Waiting for up to %d seconds for a console connection on port %d ...\n", timeout,
                          port);
        }
        int ready = wait_for_connection(listener, timeout, background);
        if (ready > 0) return accept_channel(console, id, info, scope, listener, port);
        if (ready == 0) break;
        if (errno != EINTR) break;
        attempt++;
        if (tries > 0)
            SIM_PRINT("Console connection attempt %d on port %d interrupted, %s...\n", attempt, port,
                      attempt < tries ? "retrying" : "aborting");
    }
    sim_warning(2, "No console connection made");
    close(listener);
    return nullptr;
}

// The body of a background listener: listen, keep the connection alive, listen again after a
// disconnect; ends when the console asks it to.
void *background_listener(void *argument)
{
    auto *listener = static_cast<ConsoleListener *>(argument);
    while (!listener->stop) {
        fd_element_s *channel = listen_once(listener->console, listener->id, listener->info, listener->scope,
                                            listener->port, 0, BACKGROUND_TRIES, listener);
        if (!channel) continue;
        int fd = channel->fd;
        for (;;) {
            for (int waited = 0; waited < KEEPALIVE_SECONDS * 1000 && !listener->stop;
                 waited += BACKGROUND_SLICE_MS)
                usleep(BACKGROUND_SLICE_MS * 1000);
            if (listener->stop) break;
            const unsigned char keepalive = 0x16;
            if (send(fd, &keepalive, 1, MSG_NOSIGNAL) != 1) {
                sim_warning(2, "Console disconnected, reestablishing listener socket!");
                // The channel is removed at the next search; its descriptor closes with it.
                channel->state = FDS_DEAD;
                break;
            }
        }
    }
    return nullptr;
}

} // namespace

const char *Console_State_Name(uint32_t state)
{
    switch (state) {
    case FDS_ENABLE:
        return "ENABLE";
    case FDS_DISABLE:
        return "DISABLE";
    case FDS_DEAD:
        return "DEAD";
    default:
        return "unknown FDS value";
    }
}

const char *Console_Scope_Name(uint32_t scope)
{
    switch (scope) {
    case FDS_INPUT:
        return "input";
    case FDS_OUTPUT:
        return "output";
    case FDS_BOTH:
        return "input+output";
    default:
        return "unknown scope value";
    }
}

const char *Console_Type_Name(uint32_t type)
{
    switch (type) {
    case FDR_FILE:
        return "file";
    case FDR_STRING:
        return "string";
    case FDR_SOCKET:
        return "socket";
    case FDR_LISTEN:
        return "listen";
    case FDR_PROGRAM:
        return "program";
    default:
        return "unknown FDR value";
    }
}

ConsoleDevice *Console_Init(const char *name, GenericMachine *machine)
{
    ConsoleDevice *console = QUARN_ZALLOC(1, ConsoleDevice);
    if (!console) return nullptr;
    console->machine = machine;
    console->name = REMEMBER_STRING(name ? name : "");
    pthread_mutex_init(&console->lock, nullptr);
    return console;
}

void Console_Activate(ConsoleDevice *console, const char *name)
{
    if (!console) return;
    if (useXterms) Console_Create_Program_IO(console, name, "xterm", FDS_BOTH);
    if (useInline) set_nonblocking(STDIN_FILENO);
}

fd_element_s *Console_New_FD(ConsoleDevice *console, const char *id, uint32_t type, uint32_t scope,
                             const char *info, int32_t fd)
{
    if (!console) {
        sim_error("Console:New_FD Unable to locate console for this machine!");
        return nullptr;
    }
    fd_element_s *channel = QUARN_ZALLOC(1, fd_element_s);
    if (!channel) return nullptr;
    channel->id = REMEMBER_STRING(id ? id : "");
    channel->type = type;
    channel->scope = scope;
    channel->state = FDS_ENABLE;
    channel->fd = fd;
    channel->pid = -1;
    channel->info = REMEMBER_STRING(info ? info : "");
    ListLock guard(console);
    fd_element_s **link = &console->channels;
    while (*link)
        link = &(*link)->next;
    *link = channel;
    return channel;
}

fd_element_s *Console_Create_String_IO(ConsoleDevice *console, const char *id, const char *text,
                                       uint32_t scope)
{
    return Console_New_FD(console, id, FDR_STRING, scope, text, 0);
}

fd_element_s *Console_Create_File_IO(ConsoleDevice *console, const char *id, const char *path, uint32_t scope)
{
    if (!path) return nullptr;
    int flags = O_NONBLOCK;
    if (scope == FDS_INPUT)
        flags |= O_RDONLY;
    else if (scope == FDS_OUTPUT)
        flags |= O_WRONLY | O_CREAT;
    else
        flags |= O_RDWR | O_CREAT;
    int fd = open(path, flags, 0777);
    if (fd < 0) {
        sim_warning(2, "can not open %s", path);
        return nullptr;
    }
    fd_element_s *channel = Console_New_FD(console, id, FDR_FILE, scope, path, fd);
    if (!channel) close(fd);
    return channel;
}

fd_element_s *Setup_Listener_Socket(ConsoleDevice *console, const char *id, const char *info, uint32_t scope,
                                    int32_t port, int32_t timeout, int32_t tries, int32_t background)
{
    if (!console) return nullptr;
    if (!background) return listen_once(console, id, info, scope, port, timeout, tries, nullptr);
    ConsoleListener *listener = QUARN_ZALLOC(1, ConsoleListener);
    if (!listener) return nullptr;
    listener->console = console;
    listener->id = REMEMBER_STRING(id ? id : "");
    listener->info = REMEMBER_STRING(info ? info : "");
    listener->scope = scope;
    listener->port = port;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setscope(&attributes, PTHREAD_SCOPE_SYSTEM);
    int rc = pthread_create(&listener->thread, &attributes, background_listener, listener);
    pthread_attr_destroy(&attributes);
    if (rc != 0) sim_panic("Assert : %s at line %d, file %s", "pthread_create", __LINE__, __FILE__);
    ListLock guard(console);
    listener->next = console->listeners;
    console->listeners = listener;
    return nullptr;
}

fd_element_s *Console_Create_Listen_IO(ConsoleDevice *console, const char *id, const char *port,
                                       uint32_t scope, int32_t tries, int32_t timeout, int32_t background)
{
    int ok = 0;
    uint64_t number = port ? STRING2INT_rc(port, &ok) : 0;
    return Setup_Listener_Socket(console, id, port, scope, (int32_t)number, timeout, tries, background);
}

int make_connect(const char *host, int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        system_error("socket() to Server failed");
        sim_warning(2, "socket failed");
        return -1;
    }
    linger off = {0, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) {
        system_error("gethostbyname failed");
        sim_warning(2, "gethostbyname failed for %s", host);
        close(fd);
        return -1;
    }
    sockaddr_in address = *reinterpret_cast<sockaddr_in *>(found->ai_addr);
    freeaddrinfo(found);
    address.sin_port = htons((uint16_t)port);
    if (connect(fd, (sockaddr *)&address, sizeof address) < 0) {
        sim_warning(2, "connect returns errno of %d", errno);
        close(fd);
        return -1;
    }
    return fd;
}

fd_element_s *Console_Create_Socket_IO(ConsoleDevice *console, const char *id, const char *host_port,
                                       uint32_t scope)
{
    const char *colon = host_port ? strrchr(host_port, ':') : nullptr;
    if (!colon) {
        sim_warning(2, "no port number give -- domain:port");
        return nullptr;
    }
    char host[256];
    snprintf(host, sizeof host, "%.*s", (int)(colon - host_port), host_port);
    int port = (int)strtol(colon + 1, nullptr, 0);
    int fd = make_connect(host, port);
    if (fd < 0) return nullptr;
    fd_element_s *channel = Console_New_FD(console, id, FDR_SOCKET, scope, host, fd);
    if (!channel) close(fd);
    return channel;
}

fd_element_s *Console_Create_Program_IO(ConsoleDevice *console, const char *id, const char *program,
                                        uint32_t scope)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        sim_error("1: failed to open console master '%s'", "/dev/ptmx");
        return nullptr;
    }
    char slave_name[256];
    snprintf(slave_name, sizeof slave_name, "%s", ptsname(master) ? ptsname(master) : "");
    if (grantpt(master) < 0) system_error("Unable to grant permissions on slave terminal");
    if (unlockpt(master) < 0) system_error("Unable to unlock slave terminal");
    int slave = open(slave_name, O_RDWR | O_NONBLOCK);
    if (slave < 0) {
        close(master);
        sim_error("failed to open console slave '%s'", slave_name);
        return nullptr;
    }
    int flags = fcntl(slave, F_GETFL, 0);
    if (flags < 0 || fcntl(slave, F_SETFL, flags | O_NONBLOCK) < 0)
        sim_warning(
            2, "Console_Create_Program_IO could not make pty file ID non-blocking. Might hang on read...");

    // The terminal option names the pseudo-terminal by the digits after "/dev/pts/".
    const char *number = strlen(slave_name) > 9 ? slave_name + 9 : "";
    char option[32];
    size_t digits = strlen(number);
    if (digits == 1) {
        snprintf(option, sizeof option, "-S%c%c%d", number[0], '/', 1);
    } else if (digits == 2) {
        snprintf(option, sizeof option, "-S%c%c%d", number[0], number[1], 1);
    } else {
        sim_warning(2,
                    "The pseudo-terminal number is greater than 2 digits (%s) and xterm can't handle it, "
                    "using '1/' instead.",
                    number);
        snprintf(option, sizeof option, "-S%c%c%d", '1', '/', 1);
    }

    fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) sim_error("con fork failed");
    if (pid == 0) {
        sigset_t block;
        sigemptyset(&block);
        sigaddset(&block, SIGINT);
        sigprocmask(SIG_BLOCK, &block, nullptr);
        dup2(master, STDOUT_FILENO);
        termios mode;
        if (tcgetattr(STDOUT_FILENO, &mode) == 0) {
            mode.c_lflag &= ~(tcflag_t)(ECHO | ICANON | ISIG);
            mode.c_iflag &= ~(tcflag_t)(ICRNL | INLCR | IXON | IXOFF);
            mode.c_oflag |= OPOST | ONLCR;
            tcsetattr(STDOUT_FILENO, TCSANOW, &mode);
        }
        close(master);
        close(STDIN_FILENO);
        execlp(program, program, option, "-T", id ? id : "", (char *)nullptr);
        fprintf(stderr, "exec for %s failed\n", program);
        // Leave without the parent's exit handlers: they would tear the parent's machine down.
        _exit(0);
    }
    if (pid > 0) {
        // Discard the program's start-up line.
        char byte;
        for (int round = 0; round < 4; round++) {
            usleep(8000);
            for (int poll_count = 0; poll_count < 1001; poll_count++) {
                if (read(slave, &byte, 1) == 1) break;
                usleep(100);
            }
        }
        while (read(slave, &byte, 1) == 1)
            usleep(100);
    }
    close(master);
    fd_element_s *channel = Console_New_FD(console, id, FDR_PROGRAM, scope, program, slave);
    if (!channel) {
        close(slave);
        return nullptr;
    }
    channel->pid = pid > 0 ? pid : -1;
    channel->connected = 1;
    return channel;
}

int Console_Read(ConsoleDevice *console)
{
    if (!console) return -1;
    if (console->pending_cr) {
        console->pending_cr = 0;
        return 13;
    }
    int c = -1;
    {
        ListLock guard(console);
        for (fd_element_s *channel = console->channels; channel && c < 0; channel = channel->next) {
            if (!(channel->scope & FDS_INPUT) || channel->state != FDS_ENABLE) continue;
            if (channel->type == FDR_STRING) {
                const char *text = channel->info;
                unsigned char next = (unsigned char)text[channel->fd];
                if (next != 0) {
                    channel->fd++;
                    c = next;
                } else if (channel->fd == 0 || text[channel->fd - 1] == '\n' || channel->tail_sent) {
                    channel->state = FDS_DEAD;
                } else {
                    channel->tail_sent = 1;
                    c = '\n';
                }
                continue;
            }
            unsigned char byte;
            ssize_t n = read(channel->fd, &byte, 1);
            if (n == 1) {
                c = byte;
            } else if (n == 0) {
                channel->state = FDS_DEAD;
            } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
                sim_warning(2, "read error on %s, name=%s info=%s (fd=%d)", console->name, channel->id,
                            channel->info, channel->fd);
                system_error(channel->id);
                channel->state = FDS_DISABLE;
            }
        }
    }
    if (c < 0 && useInline) {
        unsigned char byte;
        if (read(STDIN_FILENO, &byte, 1) == 1) c = byte;
    }
    if (c >= 0 && c == '\n' && console->machine && console->machine->machine_options[MO_CONSOLE_CR])
        console->pending_cr = 1;
    return c;
}

void Console_Write(ConsoleDevice *console, int character)
{
    if (!console) {
        sim_warning(2, "No console device");
        return;
    }
    unsigned char c = (unsigned char)character;
    write_to_channels(console, c, 0);

    if (print_console_output && c != 0 && !(c == '\r' && console->column == 0)) {
        if (console->cr_seen) {
            if (c != '\n') SIM_PRINT("\n");
            console->cr_seen = 0;
        }
        if (c == '\r') console->cr_seen = 1;
        if (c == '\n') {
            display_char(console, '\n');
        } else {
            if (console->column == 0) start_line(console);
            if ((c >= 32 && c <= 127) || c == '\r') {
                display_char(console, (char)c);
            } else {
                display_char(console, '^');
                display_char(console, (char)(unsigned char)(c + 64));
            }
        }
    }

    if (console->trigger_count && !console->trigger_fired) {
        const char *line = console->line ? console->line : "";
        if (Console_Trigger *trigger = Trigger_Check_Console(console->triggers, line)) {
            pturbo_zap_all_threads_now("console trigger");
            console->trigger_fired = 1;
            Triggers_TCL_Call(console->machine, trigger->command, "sim %s match {%s} linenum %lld line {%s}",
                              console->machine && console->machine->name ? console->machine->name : "",
                              trigger->match, (long long)console->line_number + 1, line);
        }
    }

    if (c == '\n') {
        console->line_number++;
        if (console->column != 0) {
            write_to_channels(console, '\r', 1);
            console->column = 0;
        }
        if (console->line && console->line_length > 0) {
            flush_line(console);
            console->trigger_fired = 0;
        }
    } else if (c == '\r') {
        console->column = 0;
    } else if (c == 8) {
        if (console->column >= 2) console->column--;
    } else {
        console->column++;
    }
}

void Console_Save_Lines(ConsoleDevice *console, int on)
{
    if (!console || !on) return;
    console->save_lines = 1;
    if (!console->line) {
        console->line = QUARN_ZALLOC(LINE_GROWTH, char);
        console->line_capacity = console->line ? LINE_GROWTH : 0;
        console->line_length = 0;
    }
}

fd_element_s *SearchConsoleforID(ConsoleDevice *console, const char *id)
{
    if (!console) return nullptr;
    ListLock guard(console);
    prune_dead(console);
    for (fd_element_s *channel = console->channels; channel; channel = channel->next)
        if (id && strcmp(channel->id, id) == 0) return channel;
    return nullptr;
}

void console_list(Tcl_Interp *interpreter, ConsoleDevice *console)
{
    if (!console) return;
    ListLock guard(console);
    prune_dead(console);
    for (fd_element_s *channel = console->channels; channel; channel = channel->next) {
        SIM_TCLPRINT(interpreter, "%s :: ", channel->id);
        SIM_TCLPRINT(interpreter, " %s", Console_State_Name(channel->state));
        SIM_TCLPRINT(interpreter, " %s", Console_Scope_Name(channel->scope));
        SIM_TCLPRINT(interpreter, " %s", Console_Type_Name(channel->type));
        SIM_TCLPRINT(interpreter, " : %s", channel->info);
        if (channel->next) SIM_TCLPRINT(interpreter, "\n");
    }
}

void Console_Quit(ConsoleDevice *console)
{
    if (!console) return;
    if (console->line && console->line_length > 0) flush_line(console);
    // Stop the background listeners first: they reach the channel list.
    ConsoleListener *listeners;
    {
        ListLock guard(console);
        listeners = console->listeners;
        console->listeners = nullptr;
        for (ConsoleListener *l = listeners; l; l = l->next)
            l->stop = 1;
    }
    while (listeners) {
        ConsoleListener *next = listeners->next;
        pthread_join(listeners->thread, nullptr);
        FORGET_STRING(listeners->id);
        FORGET_STRING(listeners->info);
        QUARN_FREE(listeners);
        listeners = next;
    }
    while (fd_element_s *channel = console->channels) {
        console->channels = channel->next;
        free_channel(channel);
    }
    while (Console_Trigger *trigger = console->triggers) {
        console->triggers = trigger->next;
        QUARN_FREE(trigger);
    }
    pthread_mutex_destroy(&console->lock);
    QUARN_FREE(console->line);
    FORGET_STRING(console->name);
    QUARN_FREE(console);
}

void Set_Console(GenericMachine *machine, ConsoleDevice *console)
{
    if (!machine || !console) return;
    console->next = nullptr;
    ConsoleDevice **link = &machine->consoles;
    while (*link)
        link = &(*link)->next;
    *link = console;
}
