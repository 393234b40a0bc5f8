// The paravirtual network over loopback UDP and Unix datagram sockets: set-up and handshake, the
// device-tree node, codes 119 to 121, 175 and 176 (gathering, the TCP checksum, the receive sum)
// and the receive interrupt.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "devices/interrupt_hook.h"
#include "guest/bogus_net.h"
#include "guest/device_tree.h"
#include "guestsvc/guest_call.h"

namespace
{

// A UDP socket bound on 127.0.0.1 at a port the host chose.
struct UdpPeer {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    int port = 0;
    UdpPeer()
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
        socklen_t length = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length);
        port = ntohs(a.sin_port);
        timeval limit{2, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    }
    ~UdpPeer() { close(fd); }
    std::string transport() const { return "udp:127.0.0.1:" + std::to_string(port); }
    std::vector<uint8_t> receive()
    {
        std::vector<uint8_t> data(70000);
        ssize_t n = recv(fd, data.data(), data.size(), 0);
        data.resize(n > 0 ? (size_t)n : 0);
        return data;
    }
    // Sends to the device's own (ephemeral) address.
    void send_to(const BogusNet *device, const std::vector<uint8_t> &frame)
    {
        sockaddr_in a{};
        socklen_t length = sizeof a;
        getsockname(device->fd, reinterpret_cast<sockaddr *>(&a), &length);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(sendto(fd, frame.data(), frame.size(), 0, reinterpret_cast<sockaddr *>(&a), sizeof a),
                  (ssize_t)frame.size());
        usleep(20000);
    }
};

// A controller that records the lines raised and lowered and answers their state.
struct Controller {
    std::vector<std::string> events;
    bool raised[64] = {};
    static int handle(void *data, int32_t operation, int32_t, uint64_t line)
    {
        Controller *c = static_cast<Controller *>(data);
        if (operation == INT_STATE) return c->raised[line & 63];
        c->raised[line & 63] = operation == INT_RAISE;
        c->events.push_back((operation == INT_RAISE ? "raise " : "lower ") + std::to_string(line));
        return 1;
    }
};

uint16_t sum16(const std::vector<uint8_t> &bytes)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < bytes.size(); i += 2)
        sum += (uint32_t)(bytes[i] << 8) + (i + 1 < bytes.size() ? bytes[i + 1] : 0);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return (uint16_t)sum;
}

void put32(std::vector<uint8_t> &d, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        d[at + i] = (uint8_t)(v >> (24 - 8 * i));
}

void put64(std::vector<uint8_t> &d, size_t at, uint64_t v)
{
    put32(d, at, (uint32_t)(v >> 32));
    put32(d, at + 4, (uint32_t)v);
}

std::string mac_for_test(int n)
{
    char text[32];
    snprintf(text, sizeof text, "02:%02x:%02x:%02x:00:%02x", (getpid() >> 16) & 0xFF, (getpid() >> 8) & 0xFF,
             getpid() & 0xFF, n);
    return text;
}

} // namespace

TEST(BogusNet, UdpHandshakeTreeNodeSendAndReceive)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    UdpPeer peer;
    ASSERT_EQ(init_bogusnet(g.m.machine, 0, "02:00:00:00:00:01", peer.transport().c_str(), 0, 0), 1);
    std::vector<uint8_t> hello = peer.receive();
    ASSERT_EQ(hello.size(), 1500u);
    EXPECT_EQ(std::vector<uint8_t>(hello.begin(), hello.begin() + 14),
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1, 0x66, 0x66}));

    OF_DeviceTree *tree = OF_Machine_Tree(g.m.machine);
    OF_DeviceTreeNode *node = of_find_device(tree, "/tervalink/bogus-net@0");
    ASSERT_NE(node, nullptr);
    OF_DeviceTreeNode *mac = of_find_property(node, "mac-address");
    ASSERT_NE(mac, nullptr);
    ASSERT_EQ(mac->count, 6);
    EXPECT_EQ(memcmp(mac->elements, "\x02\x00\x00\x00\x00\x01", 6), 0);
    EXPECT_STREQ(of_find_property(node, "device_type")->string_value, "network");
    EXPECT_EQ(of_find_property(node, "version")->scalar, 2u);
    EXPECT_EQ(of_find_property(node, "interrupts"), nullptr); // no interrupt asked for

    // Probe: GPR3 is the interrupt number; a non-special GPR5 receives the MAC.
    ASSERT_EQ(g.call(119, 0, 0x3000), 1);
    EXPECT_EQ(g.result(), 0);
    EXPECT_EQ(g.read(0x3000, 4), 0x02000000u);
    EXPECT_EQ(g.read(0x3004, 2), 0x0001u);
    ASSERT_EQ(g.call(119, 5, 0x3000), 1);
    EXPECT_EQ(g.result(), -1);

    // Send: the frame from guest memory, at most 4096 bytes.
    for (int i = 0; i < 5000; i++)
        g.write(0x10000 + i, 1, i & 0xFF);
    ASSERT_EQ(g.call(120, 0, 0x10000, 64), 1);
    EXPECT_EQ(g.result(), 0);
    std::vector<uint8_t> sent = peer.receive();
    ASSERT_EQ(sent.size(), 64u);
    EXPECT_EQ(sent[63], 63);
    ASSERT_EQ(g.call(120, 0, 0x10000, 100000), 1);
    EXPECT_EQ(g.result(), 0);
    EXPECT_EQ(peer.receive().size(), 4096u);
    ASSERT_EQ(g.call(120, 3, 0x10000, 64), 1);
    EXPECT_EQ(g.result(), -1);

    // Receive: nothing waiting gives 0; a frame is cut to the capacity.
    BogusNet *device = BogusNet_Find(g.m.machine, 0);
    ASSERT_NE(device, nullptr);
    g.gpr(3) = 121;
    ASSERT_EQ(g.call(121, 0, 0x20000, 100), 1);
    EXPECT_EQ(g.result(), 0);
    peer.send_to(device, std::vector<uint8_t>(300, 0xAB));
    g.write(0x20000 + 10, 1, 0);
    ASSERT_EQ(g.call(121, 0, 0x20000, 10), 1);
    EXPECT_EQ(g.result(), 10);
    EXPECT_EQ(g.read(0x20000 + 9, 1), 0xABu);
    EXPECT_EQ(g.read(0x20000 + 10, 1), 0u);
}

TEST(BogusNet, DmaSendGathersFragmentsAndFillsTheTcpChecksum)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    UdpPeer peer;
    ASSERT_EQ(init_bogusnet(g.m.machine, 1, "02:00:00:00:00:02", peer.transport().c_str(), 0, 0), 1);
    peer.receive(); // the handshake

    // An Ethernet, IPv4 and TCP frame of 14 + 20 + 20 header bytes and 41 payload bytes (odd).
    const uint32_t total = 14 + 20 + 20 + 41, first = 54, start = 34, field = 16;
    std::vector<uint8_t> frame(total);
    for (uint32_t i = 0; i < total; i++)
        frame[i] = (uint8_t)(i * 7 + 3);
    frame[14] = 0x45;
    g.put(0x30000, frame.data(), first);           // the first buffer: the headers
    g.put(0x31000 + 5, frame.data() + first, 20);  // fragment 0 at address + offset 5
    g.put(0x32000, frame.data() + first + 20, 21); // fragment 1
    std::vector<uint8_t> list(32);
    put64(list, 0, 0x31000);
    put32(list, 8, 5);
    put32(list, 12, 20);
    put64(list, 16, 0x32000);
    put32(list, 24, 0);
    put32(list, 28, 21);
    g.put(0x33000, list.data(), list.size());
    std::vector<uint8_t> descriptor(32);
    const uint32_t source = 0x0A000001, destination = 0xC0A80102;
    put32(descriptor, 0, total);
    put32(descriptor, 4, 0x8);
    put32(descriptor, 8, start);
    put32(descriptor, 12, field);
    put32(descriptor, 16, source);
    put32(descriptor, 20, destination);
    put32(descriptor, 24, first);
    put32(descriptor, 28, 2);
    g.put(0x34000, descriptor.data(), descriptor.size());
    g.gpr(7) = 0x33000;
    ASSERT_EQ(g.call(175, 1, 0x30000, 0x34000), 1);
    EXPECT_EQ(g.result(), 0);
    std::vector<uint8_t> got = peer.receive();
    ASSERT_EQ(got.size(), total);
    // Everything but the checksum field as gathered.
    std::vector<uint8_t> expected = frame;
    expected[start + field] = got[start + field];
    expected[start + field + 1] = got[start + field + 1];
    EXPECT_EQ(got, expected);
    // The checksum as the host's TCP stack defines it: over the pseudo-header and the segment
    // with the field cleared, complemented; the whole then sums to 0xFFFF.
    std::vector<uint8_t> block = {0x0A, 0, 0, 1, 0xC0, 0xA8, 1, 2, 0, 6, 0, (uint8_t)(total - start)};
    block.insert(block.end(), frame.begin() + start, frame.end());
    block[12 + field] = block[12 + field + 1] = 0;
    uint16_t want = (uint16_t)~sum16(block);
    EXPECT_EQ((got[start + field] << 8) | got[start + field + 1], want);
    block[12 + field] = got[start + field];
    block[12 + field + 1] = got[start + field + 1];
    EXPECT_EQ(sum16(block), 0xFFFF);

    // Fragment count 1 without flag 0x1: only the first buffer goes.
    put32(descriptor, 0, first);
    put32(descriptor, 4, 0);
    put32(descriptor, 28, 1);
    g.put(0x34000, descriptor.data(), descriptor.size());
    g.gpr(7) = 0xDEAD0000; // never read
    ASSERT_EQ(g.call(175, 1, 0x30000, 0x34000), 1);
    EXPECT_EQ(g.result(), 0);
    got = peer.receive();
    EXPECT_EQ(got, std::vector<uint8_t>(frame.begin(), frame.begin() + first));

    // Refused descriptors: nothing is sent.
    struct Case {
        uint32_t total, flags, start, field, first, count;
        const char *why;
    } refused[] = {
        {40, 0, 0, 0, 54, 0, "first buffer beyond the frame"},
        {60, 1, 0, 0, 54, 2, "fragments beyond the frame"},
        {total, 1, 0, 0, 54, 19, "more than 18 fragments"},
        {total, 0, 0, 0, 0x10000, 0, "first buffer above 0xFFFF"},
        {total, 0x9, total - 1, 0, 54, 2, "checksum field beyond the frame"},
        {total, 0x9, 20, total, 54, 2, "checksum offset beyond the frame"},
        {0x7FFFFFFF, 0, 0, 0, 54, 0, "a frame of 2 GiB"},
    };
    g.gpr(7) = 0x33000;
    for (const Case &c : refused) {
        put32(descriptor, 0, c.total);
        put32(descriptor, 4, c.flags);
        put32(descriptor, 8, c.start);
        put32(descriptor, 12, c.field);
        put32(descriptor, 24, c.first);
        put32(descriptor, 28, c.count);
        g.put(0x34000, descriptor.data(), descriptor.size());
        g.gpr(7) = 0x33000;
        ASSERT_EQ(g.call(175, 1, 0x30000, 0x34000), 1);
        EXPECT_EQ(g.result(), -1) << c.why;
    }
    timeval quick{0, 100000};
    setsockopt(peer.fd, SOL_SOCKET, SO_RCVTIMEO, &quick, sizeof quick);
    EXPECT_TRUE(peer.receive().empty());
}

TEST(BogusNet, DmaReceiveStoresThePayloadSumBoundedByTheFrame)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    UdpPeer peer;
    ASSERT_EQ(init_bogusnet(g.m.machine, 2, "02:00:00:00:00:03", peer.transport().c_str(), 0, 0), 1);
    peer.receive();
    BogusNet *device = BogusNet_Find(g.m.machine, 2);
    ASSERT_NE(device, nullptr);

    std::vector<uint8_t> frame(14 + 24 + 7);
    for (size_t i = 0; i < frame.size(); i++)
        frame[i] = (uint8_t)(i * 13 + 1);
    frame[14] = 0x46; // IPv4 header of 24 bytes
    peer.send_to(device, frame);
    g.gpr(7) = 0x5000;
    ASSERT_EQ(g.call(176, 2, 0x6000, 4096), 1);
    EXPECT_EQ(g.result(), (int64_t)frame.size());
    uint16_t want = sum16(std::vector<uint8_t>(frame.begin() + 38, frame.end()));
    EXPECT_EQ(g.read(0x5000, 2), want);
    EXPECT_EQ(g.read(0x6000 + 14, 1), 0x46u);

    // A header length that runs past the frame: no payload, sum 0.
    std::vector<uint8_t> short_frame(20, 0xFF);
    short_frame[14] = 0x4F; // 60-byte header in a 20-byte frame
    peer.send_to(device, short_frame);
    g.write(0x5000, 2, 0x1234);
    g.gpr(7) = 0x5000;
    ASSERT_EQ(g.call(176, 2, 0x6000, 4096), 1);
    EXPECT_EQ(g.result(), 20);
    EXPECT_EQ(g.read(0x5000, 2), 0u);
}

TEST(BogusNet, ReceiveInterruptRaisedByThePollLoweredByTheReceive)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    UdpPeer peer;
    ASSERT_EQ(init_bogusnet(g.m.machine, 0, "02:00:00:00:00:04", peer.transport().c_str(), 20, 16), 1);
    peer.receive();
    EXPECT_NE(g.m.machine->bogus_net_job, nullptr);
    OF_DeviceTreeNode *node = of_find_device(OF_Machine_Tree(g.m.machine), "/tervalink/bogus-net@0");
    ASSERT_NE(node, nullptr);
    ASSERT_NE(of_find_property(node, "interrupts"), nullptr);
    EXPECT_EQ(of_find_property(node, "interrupts")->scalar, 4u);
    BogusNet *device = BogusNet_Find(g.m.machine, 0);
    Controller controller;
    BogusNet__Register_Outgoing_IntHandler_2(device, Controller::handle, &controller);

    peer.send_to(device, std::vector<uint8_t>(60, 1));
    peer.send_to(device, std::vector<uint8_t>(61, 2));
    BogusNet_InterruptCheck(g.m.machine); // receive interrupts still off
    EXPECT_TRUE(controller.events.empty());
    ASSERT_EQ(g.call(119, 0, 0), 1);
    EXPECT_EQ(g.result(), 20);
    EXPECT_EQ(controller.events, std::vector<std::string>{"lower 4"});
    BogusNet_InterruptCheck(g.m.machine);
    EXPECT_EQ(controller.events.back(), "raise 4");
    BogusNet_InterruptCheck(g.m.machine); // already raised: not again
    EXPECT_EQ(controller.events.size(), 2u);
    // The receive lowers the line, and the second frame raises it again at once.
    ASSERT_EQ(g.call(121, 0, 0x7000, 100), 1);
    EXPECT_EQ(g.result(), 60);
    EXPECT_EQ(controller.events, (std::vector<std::string>{"lower 4", "raise 4", "lower 4", "raise 4"}));
    // Interrupts off: the last frame still arrives, nothing more is raised.
    ASSERT_EQ(g.call(119, 0, ~0ull), 1);
    peer.send_to(device, std::vector<uint8_t>(62, 3));
    ASSERT_EQ(g.call(121, 0, 0x7000, 100), 1);
    EXPECT_EQ(g.result(), 61);
    ASSERT_EQ(g.call(121, 0, 0x7000, 100), 1);
    EXPECT_EQ(g.result(), 62);
    EXPECT_EQ(controller.events.back(), "lower 4");
    EXPECT_EQ(controller.events.size(), 6u);
}

TEST(BogusNet, UnixDatagramTransportAndRefusedSetUps)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    std::string peer_path = std::string(cwd) + "/peer.sock";
    if (peer_path.size() >= sizeof(sockaddr_un::sun_path))
        GTEST_SKIP() << "scratch path too long for a socket";
    int peer = socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    snprintf(a.sun_path, sizeof a.sun_path, "%s", peer_path.c_str());
    ASSERT_EQ(bind(peer, reinterpret_cast<sockaddr *>(&a), sizeof a), 0);
    timeval limit{2, 0};
    setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);

    std::string mac = mac_for_test(1);
    ASSERT_EQ(init_bogusnet(g.m.machine, 0, mac.c_str(), peer_path.c_str(), 0, 0), 1);
    std::vector<uint8_t> data(2000);
    EXPECT_EQ(recv(peer, data.data(), data.size(), 0), 1500);
    std::string local = "/tmp/" + mac;
    EXPECT_EQ(access(local.c_str(), F_OK), 0);
    // A frame from the guest, and one back to it.
    g.put(0x8000, "frame!", 6);
    ASSERT_EQ(g.call(120, 0, 0x8000, 6), 1);
    EXPECT_EQ(g.result(), 0);
    EXPECT_EQ(recv(peer, data.data(), data.size(), 0), 6);
    sockaddr_un back{};
    back.sun_family = AF_UNIX;
    snprintf(back.sun_path, sizeof back.sun_path, "%s", local.c_str());
    ASSERT_EQ(sendto(peer, "reply", 5, 0, reinterpret_cast<sockaddr *>(&back), sizeof back), 5);
    ASSERT_EQ(g.call(121, 0, 0x9000, 100), 1);
    EXPECT_EQ(g.result(), 5);
    EXPECT_EQ(g.get_string(0x9000, 5), "reply");

    // Refused: an unparsable UDP destination, an unknown host, a bad MAC, a peer nobody bound.
    struct {
        std::string mac, transport;
    } refused[] = {
        {"02:00:00:00:00:05", "udp:127.0.0.1"},
        {"02:00:00:00:00:05", "udp:no-such-host.invalid:5000"},
        {"02:00:00:00:00:zz", "udp:127.0.0.1:9"},
        {mac_for_test(2), std::string(cwd) + "/nobody.sock"},
    };
    for (auto &c : refused)
        EXPECT_EQ(init_bogusnet(g.m.machine, 3, c.mac.c_str(), c.transport.c_str(), 0, 0), 0) << c.transport;
    BogusNetCleanup(g.m.machine);
    EXPECT_NE(access(local.c_str(), F_OK), 0); // the bound address is removed
    EXPECT_EQ(g.m.machine->bogus_net_list, nullptr);
    close(peer);
    unlink(peer_path.c_str());
}
