// The command server: the listening socket, the one client, the "select" channel that serves them
// while Tcl waits for input, and the machines' "ServerSocket" jobs that serve them during a run.
#include "command/command_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <tcl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "kernel/delay.h"
#include "kernel/job.h"
#include "processor/records/generic_machine.h"
#include "runtime/common.h"
#include "runtime/message.h"

namespace
{

constexpr size_t BLOCK_SIZE = 1024;
constexpr int64_t SERVER_JOB_STACK = 0x100000;
constexpr char TERMINATOR[] = "\nDONE\n";
// How long an answer may wait for a client that does not read before the client is dropped.
constexpr int SEND_WAIT_MS = 10000;

int listen_socket = -1;
int client_socket = -1;
// Raised at every accept: a serve that evaluated a block notices that a nested serve (a command
// that ran the machine, whose job served the client) dropped or replaced its client.
unsigned client_generation = 0;
Tcl_ChannelType select_channel_type;

void drop_client()
{
    if (client_socket >= 0) close(client_socket);
    client_socket = -1;
}

// SIGIO to this process on activity, and reads and accepts that never block.
bool make_async(int fd)
{
    if (fcntl(fd, F_SETOWN, getpid()) < 0) return false;
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_ASYNC) < 0) return false;
    return fcntl(fd, F_SETFL, flags | O_ASYNC | O_NONBLOCK) == 0;
}

// Sends everything, waiting a bounded time while the client's buffer is full. False when the
// client is gone or does not read.
bool send_all(int fd, const char *data, size_t length)
{
    while (length > 0) {
        ssize_t sent = send(fd, data, length, MSG_NOSIGNAL);
        if (sent > 0) {
            data += sent;
            length -= (size_t)sent;
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd entry = {fd, POLLOUT, 0};
            int ready;
            do
                ready = poll(&entry, 1, SEND_WAIT_MS);
            while (ready < 0 && errno == EINTR);
            if (ready > 0 && !(entry.revents & (POLLERR | POLLHUP | POLLNVAL))) continue;
        }
        return false;
    }
    return true;
}

// Evaluates one block at the global level and answers it. The interpreter's state is kept for
// the command that was running when the block arrived. False when the client must be dropped.
bool evaluate_block(Tcl_Interp *interp, int fd, unsigned generation, const char *text)
{
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    Tcl_EvalEx(interp, text, -1, TCL_EVAL_GLOBAL);
    bool ok = true;
    // A nested serve may have dropped this client, and a new one may have its descriptor.
    if (client_socket == fd && client_generation == generation) {
        const char *result = Tcl_GetStringResult(interp);
        if (*result && !send_all(fd, result, strlen(result))) {
            perror("tcl result send");
            ok = false;
        }
        if (ok && !send_all(fd, TERMINATOR, sizeof TERMINATOR - 1)) ok = false;
    }
    Tcl_RestoreInterpState(interp, saved);
    return ok;
}

// The "ServerSocket" job of a machine: serves between simulated events whenever SIGIO moves it
// from the asynchronous queue to the ready queue.
void QuarnServer_Job(void *argument)
{
    auto *machine = (GenericMachine *)argument;
    for (;;) {
        if (client_socket < 0) QuarnServer_Accept();
        if (client_socket >= 0) {
            QuarnServer_Serve();
            // The client left: a waiting connection is taken at once.
            if (client_socket < 0 && listen_socket >= 0) continue;
        }
        current_block(&machine->tsim->async_queue, 0);
    }
}

int SelectChannelCloseProc(ClientData, Tcl_Interp *)
{
    return EINVAL;
}

int SelectChannelOutputProc(ClientData, const char *, int, int *error)
{
    *error = EINVAL;
    return -1;
}

void SelectChannelWatchProc(ClientData, int) {}

int SelectChannelGetHandleProc(ClientData, int direction, ClientData *handle)
{
    if (direction == TCL_READABLE) {
        *handle = (ClientData)(intptr_t)STDIN_FILENO;
        return TCL_OK;
    }
    if (direction == TCL_WRITABLE) {
        *handle = (ClientData)(intptr_t)STDOUT_FILENO;
        return TCL_OK;
    }
    return TCL_ERROR;
}

// Tcl's read of standard input: serves the socket until the terminal has input. Without a
// terminal it only serves the socket; with neither left to wait on it is the end of the input.
int SelectChannelInputProc(ClientData, char *buffer, int size, int *error)
{
    for (;;) {
        bool terminal = isatty(STDIN_FILENO);
        int socket_fd = client_socket >= 0 ? client_socket : listen_socket;
        pollfd entries[2];
        int count = 0;
        if (terminal) entries[count++] = {STDIN_FILENO, POLLIN, 0};
        if (socket_fd >= 0) entries[count++] = {socket_fd, POLLIN, 0};
        if (count == 0) return 0;
        int ready = poll(entries, (nfds_t)count, -1);
        if (ready < 0) {
            if (errno == EINTR) continue;
            sim_warning(2, "select failed: %s", strerror(errno));
            if (!terminal) return 0;
            entries[0].revents = POLLIN;
            count = 1;
        }
        if (socket_fd >= 0 && entries[count - 1].fd == socket_fd && entries[count - 1].revents) {
            if (client_socket >= 0)
                QuarnServer_Serve();
            else
                QuarnServer_Accept();
            continue;
        }
        if (terminal && entries[0].revents) {
            ssize_t got = read(STDIN_FILENO, buffer, size > 1 ? (size_t)size - 1 : 1);
            if (got < 0) {
                if (errno == EINTR) continue;
                *error = errno;
                return -1;
            }
            return (int)got;
        }
    }
}

} // namespace

int QuarnServer_Listen(int port)
{
    if (listen_socket >= 0) return 1;
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        sim_warning(2, "Can't create server connection socket");
        return 0;
    }
    int on = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) < 0)
        sim_warning(2, "setsockopt with SO_REUSEADDR failed for server connections socket (Not Fatal)");
    // Loopback only: a client gets the whole command language, host programs included.
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons((uint16_t)port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, (sockaddr *)&address, sizeof address) < 0) {
        sim_warning(2, "bind for server socket failed: %s", strerror(errno));
        close(fd);
        return 0;
    }
    if (listen(fd, 1) < 0) {
        sim_warning(2, "listen for server socket failed: %s", strerror(errno));
        close(fd);
        return 0;
    }
    if (signal(SIGIO, QuarnServer_SIGIO) == SIG_ERR) perror("signal(SIGIO)");
    if (!make_async(fd)) {
        sim_warning(2, "server socket: %s", strerror(errno));
        close(fd);
        return 0;
    }
    listen_socket = fd;
    return 1;
}

int QuarnServer_Init(Tcl_Interp *interp)
{
    if (quarn_common.server_port <= 0 || quarn_common.server_port > 65535) return TCL_OK;
    if (!QuarnServer_Listen(quarn_common.server_port)) return TCL_OK;

    select_channel_type = Tcl_ChannelType{};
    select_channel_type.typeName = "select";
    select_channel_type.version = TCL_CHANNEL_VERSION_5;
    select_channel_type.closeProc = SelectChannelCloseProc;
    select_channel_type.inputProc = SelectChannelInputProc;
    select_channel_type.outputProc = SelectChannelOutputProc;
    select_channel_type.watchProc = SelectChannelWatchProc;
    select_channel_type.getHandleProc = SelectChannelGetHandleProc;
    Tcl_Channel channel = Tcl_CreateChannel(&select_channel_type, "SelectChannel", nullptr, TCL_READABLE);
    Tcl_RegisterChannel(interp, channel);
    Tcl_SetStdChannel(channel, TCL_STDIN);
    return TCL_OK;
}

void QuarnServer_SIGIO(int)
{
    int saved = errno;
    GenericMachine_Schedule_All_Asynchronous_Jobs();
    if (signal(SIGIO, QuarnServer_SIGIO) == SIG_ERR) perror("signal(SIGIO)");
    errno = saved;
}

void QuarnServer_Accept(void)
{
    if (listen_socket < 0 || client_socket >= 0) return;
    int fd = accept(listen_socket, nullptr, nullptr);
    if (fd < 0) return;
    if (!make_async(fd)) {
        close(fd);
        return;
    }
    client_socket = fd;
    client_generation++;
}

void QuarnServer_Serve(void)
{
    Tcl_Interp *interp = quarn_common.interpreter;
    char block[BLOCK_SIZE + 1];
    while (client_socket >= 0) {
        int fd = client_socket;
        unsigned generation = client_generation;
        ssize_t got = recv(fd, block, BLOCK_SIZE, 0);
        if (got > 0) {
            block[got] = '\0';
            if (!interp || !evaluate_block(interp, fd, generation, block)) {
                if (client_socket == fd && client_generation == generation) drop_client();
                return;
            }
            if (client_socket != fd || client_generation != generation) return;
            continue;
        }
        if (got == 0) {
            drop_client();
            return;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return;
        if (errno == ECONNRESET)
            sim_warning(2, "Client not receiving all data before closing connection!  Fix your client!!!");
        else
            sim_warning(2, "recv on server socket failed: %s", strerror(errno));
        drop_client();
        return;
    }
}

job_s *QuarnServer_Machine_Init(GenericMachine *machine)
{
    if (listen_socket < 0 || !machine || !machine->tsim) return nullptr;
    return job_new_stack(machine->tsim, "ServerSocket", QuarnServer_Job, machine, SERVER_JOB_STACK);
}

int QuarnServer_Port(void)
{
    if (listen_socket < 0) return -1;
    sockaddr_in address = {};
    socklen_t length = sizeof address;
    if (getsockname(listen_socket, (sockaddr *)&address, &length) < 0) return -1;
    return ntohs(address.sin_port);
}

int QuarnServer_Has_Client(void)
{
    return client_socket >= 0 ? 1 : 0;
}

void QuarnServer_Shutdown(void)
{
    drop_client();
    if (listen_socket >= 0) close(listen_socket);
    listen_socket = -1;
}
