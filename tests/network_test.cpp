// INetwork on loopback: a server with engine clients (this process's own and others in processes
// of their own), raw peers that send exactly the bytes a test wants, and a peer written in
// Python from the wire format alone. Every wait is a bounded loop.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "net/datanet_packet.h"
#include "support/test_support.h"

extern char** environ;

namespace {

typedef std::vector<Uint8> Bytes;

Bytes Pattern(size_t size, int salt) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = Uint8(i * 7 + salt);
    return bytes;
}

Bytes Text(const std::string& text) { return Bytes(text.c_str(), text.c_str() + text.size() + 1); }

DataNet Packet(Uint8 type, Uint8 cmd, Bytes& payload) {
    return DataNet{type, cmd, 0, Uint32(payload.size()), 0, payload.empty() ? nullptr : payload.data()};
}

pid_t Spawn(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    // SDL_net's sockets are inherited by children; a child holding this process's connections
    // would keep them open after this process closes them.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

int Reap(pid_t pid) {
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

pid_t SpawnEchoClient(Uint16 port, const std::string& name) {
    return Spawn({NIMBREL_NET_ECHO_CLIENT, std::to_string(port), name});
}

struct Got {
    std::string from;
    Uint8 type, cmd;
    Bytes payload;
};

Got Take(const DataNet& packet, const char* from) {
    Got got{from ? from : "", packet.type, packet.cmd, Bytes(packet.data, packet.data + packet.size)};
    std::free(packet.data);
    return got;
}

// Packets taken from INetwork's queues that no wait has matched yet: [0] client, [1] server.
std::vector<Got> unmatched[2];

// Waits for a packet that matches, looking first at those taken earlier, for about 20 seconds
// at most. Every packet taken meanwhile is added to *seen.
bool Await(bool server, const std::function<bool(const Got&)>& match, std::vector<Got>* seen = nullptr) {
    std::vector<Got>& earlier = unmatched[server];
    for (size_t i = 0; i < earlier.size(); ++i) {
        if (!match(earlier[i])) continue;
        earlier.erase(earlier.begin() + i);
        return true;
    }
    for (int i = 0; i < 200; ++i) {
        DataNet packet;
        char from[INetwork::kNameSize];
        if (!(server ? INetwork->ServerReceive(&packet, from, 100) : INetwork->ClientReceive(&packet, 100))) continue;
        Got got = Take(packet, server ? from : nullptr);
        if (seen) seen->push_back(got);
        if (match(got)) return true;
        earlier.push_back(got);
    }
    return false;
}

std::function<bool(const Got&)> Is(const std::string& from, Uint8 type, Uint8 cmd, const Bytes& payload) {
    return [=](const Got& got) { return got.from == from && got.type == type && got.cmd == cmd && got.payload == payload; };
}

// A peer that speaks DataNet through the engine's packet module but writes whatever bytes a test
// wants, bad ones included.
struct RawPeer {
    TCPsocket socket = nullptr;
    SDLNet_SocketSet set = SDLNet_AllocSocketSet(1);
    std::mt19937 mine, theirs;
    datanet::Reader reader;

    ~RawPeer() { Close(); }
    void Close() {
        if (socket) SDLNet_TCP_Close(socket);
        if (set) SDLNet_FreeSocketSet(set);
        socket = nullptr;
        set = nullptr;
    }

    bool Connect(Uint16 port) {
        IPaddress address;
        if (SDLNet_ResolveHost(&address, "127.0.0.1", port) < 0 || !(socket = SDLNet_TCP_Open(&address))) return false;
        SDLNet_TCP_AddSocket(set, socket);
        return true;
    }

    // damage 1: wrong checksum, 2: wrong sequence value
    Bytes Wire(Uint8 type, Uint8 cmd, const Bytes& payload, int damage = 0) {
        datanet::Header header;
        header.type = type;
        header.cmd = cmd;
        header.aux = datanet::DrawsSequence(type, cmd) ? datanet::NextSequence(mine) ^ (damage == 2 ? 0x5555 : 0) : 0;
        header.size = Uint32(payload.size());
        header.crc = datanet::HasChecksum(type) ? datanet::Checksum(header, payload.data()) ^ (damage == 1) : 0;
        Bytes wire(datanet::kHeaderSize);
        datanet::WriteHeader(header, wire.data());
        wire.insert(wire.end(), payload.begin(), payload.end());
        datanet::Scramble(wire.data(), datanet::kHeaderSize);
        datanet::Scramble(wire.data() + datanet::kHeaderSize, payload.size());
        return wire;
    }

    void SendBytes(const Bytes& bytes) { SDLNet_TCP_Send(socket, bytes.data(), int(bytes.size())); }
    void Send(Uint8 type, Uint8 cmd, const Bytes& payload, int damage = 0) { SendBytes(Wire(type, cmd, payload, damage)); }

    // The next packet that passes the checks; false when the connection ends or about 10 seconds
    // pass without one.
    bool Receive(datanet::Header* header, Bytes* payload) {
        for (int idle = 0; idle < 100;) {
            Uint8* bytes = nullptr;
            const char* problem = nullptr;
            const datanet::Reader::Result result = reader.Next(1 << 20, &theirs, header, &bytes, &problem);
            if (result == datanet::Reader::kPacket) {
                payload->assign(bytes, bytes + header->size);
                std::free(bytes);
                return true;
            }
            if (result == datanet::Reader::kBroken) return false;
            if (result == datanet::Reader::kDropped) continue;
            if (SDLNet_CheckSockets(set, 100) <= 0) {
                ++idle;
                continue;
            }
            Uint32 room = 0;
            Uint8* space = reader.Space(&room);
            const int got = SDLNet_TCP_Recv(socket, space, int(room));
            if (got <= 0) return false;
            reader.Received(Uint32(got));
        }
        return false;
    }

    // Logs in; the answer's command (36 welcome, 38 refused), or 0 without one.
    int Login(const std::string& name) {
        Send(datanet::kSystemType, datanet::kLogin, Text(name));
        datanet::Header header;
        Bytes payload;
        if (!Receive(&header, &payload)) return 0;
        if (header.cmd == datanet::kWelcome && payload.size() == 4) {
            const Uint32 seed = payload[0] | payload[1] << 8 | payload[2] << 16 | Uint32(payload[3]) << 24;
            mine.seed(seed);
            theirs.seed(seed);
        }
        return header.cmd;
    }

    // Reads until the server hangs up (true) or about 10 seconds pass.
    bool AwaitHangUp() {
        datanet::Header header;
        Bytes payload;
        while (Receive(&header, &payload)) {}
        return SDLNet_CheckSockets(set, 0) > 0 && SDLNet_TCP_Recv(socket, payload.data(), 0) <= 0;
    }
};

class Network : public ::testing::Test {
protected:
    void SetUp() override {
        unmatched[0].clear();
        unmatched[1].clear();
        engine.reset(new EngineSession(5, 0));
        ASSERT_TRUE(engine->started());
        ASSERT_EQ(INetwork->Init("network.log", 5), 1);
        // Ports below the ephemeral range, spread by process so parallel tests rarely meet; a
        // port already taken is simply passed over.
        for (int attempt = 0; attempt < 50 && !port; ++attempt) {
            const Uint16 candidate = Uint16(10000 + (getpid() * 13 + attempt * 101) % 20000);
            if (INetwork->ServerStart(candidate)) port = candidate;
        }
        ASSERT_NE(port, 0);
    }

    void TearDown() override {
        if (INetwork) INetwork->Quit();
        engine.reset();
    }

    std::string NetLog() const { return ReadFile("network.log"); }

    ScopedTempDir dir;
    std::unique_ptr<EngineSession> engine;
    Uint16 port = 0;
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace

TEST_F(Network, ThreeClientsExchangeIntactHearOfADepartureAndAreLoggedOutAtShutdown) {
    ASSERT_EQ(INetwork->ClientConnect("127.0.0.1", port, "c0"), 1);
    const pid_t c1 = SpawnEchoClient(port, "c1"), c2 = SpawnEchoClient(port, "c2");
    for (const char* name : {"c0", "c1", "c2"})
        ASSERT_TRUE(Await(true, Is(name, INetwork::kSystemType, INetwork::kLogin, Text(name)))) << name;

    for (size_t size : {size_t(0), size_t(1), size_t(1) << 20}) {
        Bytes payload = Pattern(size, int(size % 251)), sent = payload;
        DataNet packet = Packet(10, 1, payload);
        INetwork->Broadcast(&packet);
        EXPECT_TRUE(payload == sent) << "the caller's payload changed, size " << size;
        // This process's client answers by hand, the others by themselves.
        ASSERT_TRUE(Await(false, Is("", 10, 1, sent))) << size;
        DataNet answer = Packet(10, 2, payload);
        ASSERT_EQ(INetwork->ClientSend(&answer), int(size ? size : datanet::kHeaderSize));
        for (const char* name : {"c0", "c1", "c2"}) EXPECT_TRUE(Await(true, Is(name, 10, 2, sent))) << name << " " << size;
    }

    INetwork->ClientClose();
    EXPECT_TRUE(Await(true, Is("c0", INetwork::kSystemType, INetwork::kDeparted, Text("c0"))));
    for (const char* name : {"c1", "c2"}) EXPECT_TRUE(Await(true, Is(name, 1, INetwork::kDeparted, Text("c0")))) << name;
    EXPECT_EQ(INetwork->GetClientCount(), 2);

    INetwork->ServerClose();
    EXPECT_EQ(Reap(c1), 0);
    EXPECT_EQ(Reap(c2), 0);
    EXPECT_EQ(INetwork->IsServerRunning(), 0);
    const std::string log = NetLog();
    for (const char* name : {"c1", "c2"})
        EXPECT_TRUE(Has(log, std::string(" [SERVER] Info: client '") + name + "' logged out,it was using socket 0x")) << log;
    EXPECT_TRUE(Has(log, " [SERVER] Info: Server closed.\n"));
    EXPECT_TRUE(Has(log, " [CLIENT] Info: client closed.\n"));
}

TEST_F(Network, TheSeventeenthClientIsRefusedUntilASlotFrees) {
    std::vector<std::unique_ptr<RawPeer>> peers;
    for (int i = 0; i < INetwork::kMaxClients; ++i) {
        peers.emplace_back(new RawPeer);
        ASSERT_TRUE(peers.back()->Connect(port));
        ASSERT_EQ(peers.back()->Login("p" + std::to_string(i)), datanet::kWelcome) << i;
    }
    EXPECT_EQ(INetwork->ClientConnect("127.0.0.1", port, "late"), 0);
    EXPECT_TRUE(Has(engine->Log(), " . [INetwork->ClientConnect('127.0.0.1'," + std::to_string(port) +
                                       ",'late')] Error: the server refused the login, it already has 16 clients.\n")) << engine->Log();
    EXPECT_EQ(INetwork->GetClientCount(), INetwork::kMaxClients);

    peers[3]->Close();
    for (int i = 0; i < 500 && INetwork->GetClientCount() == INetwork::kMaxClients; ++i) SDL_Delay(10);
    EXPECT_EQ(INetwork->ClientConnect("127.0.0.1", port, "late"), 1);
}

TEST_F(Network, LoggingOutTheThirdOfFiveMovesTheLastTwoDownAndTellsTheOthers) {
    RawPeer peers[5];
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(peers[i].Connect(port));
        ASSERT_EQ(peers[i].Login("p" + std::to_string(i)), datanet::kWelcome);
    }
    INetwork->Logout(2, 1);
    INetwork->Logout(7, 1); // ignored
    ASSERT_EQ(INetwork->GetClientCount(), 4);
    const char* order[] = {"p0", "p1", "p3", "p4"};
    for (int i = 0; i < 4; ++i) {
        char name[INetwork::kNameSize];
        ASSERT_EQ(INetwork->GetClientName(i, name), 1);
        EXPECT_STREQ(name, order[i]);
    }
    datanet::Header header;
    Bytes payload;
    ASSERT_TRUE(peers[2].Receive(&header, &payload));
    EXPECT_EQ(header.cmd, datanet::kLoggedOut);
    EXPECT_TRUE(peers[2].AwaitHangUp());
    for (int i : {0, 1, 3, 4}) {
        ASSERT_TRUE(peers[i].Receive(&header, &payload)) << i;
        EXPECT_EQ(header.cmd, datanet::kDeparted);
        EXPECT_TRUE(payload == Text("p2")) << i;
    }
    EXPECT_TRUE(Has(NetLog(), " [SERVER] Info: client 'p2' logged out,it was using socket 0x"));
}

TEST_F(Network, GarbageStallsAndBrokenPacketsFromOnePeerLeaveTheOthersServed) {
    ASSERT_EQ(INetwork->ClientConnect("127.0.0.1", port, "steady"), 1);
    RawPeer bad, quitter;
    ASSERT_TRUE(bad.Connect(port) && quitter.Connect(port));
    ASSERT_EQ(bad.Login("bad"), datanet::kWelcome);
    ASSERT_EQ(quitter.Login("quitter"), datanet::kWelcome);
    Bytes ping = Text("ping");
    DataNet steadyPacket = Packet(3, 3, ping);
    std::vector<Got> seen;

    bad.Send(5, 1, Text("bad checksum"), 1);
    bad.Send(5, 2, Text("bad sequence"), 2);
    bad.Send(5, 3, Text("good"));
    ASSERT_TRUE(Await(true, Is("bad", 5, 3, Text("good")), &seen));
    for (const Got& got : seen) EXPECT_FALSE(got.type == 5 && got.cmd != 3) << int(got.cmd);

    // Half a header, then half a payload from another peer which then hangs up: the steady client
    // is still served, and the stalled packet completes later.
    const Bytes stalled = bad.Wire(5, 4, Pattern(300, 4));
    bad.SendBytes(Bytes(stalled.begin(), stalled.begin() + 7));
    const Bytes cut = quitter.Wire(5, 5, Pattern(5000, 5));
    quitter.SendBytes(Bytes(cut.begin(), cut.begin() + 2000));
    quitter.Close();
    ASSERT_EQ(INetwork->ClientSend(&steadyPacket), int(ping.size()));
    EXPECT_TRUE(Await(true, Is("steady", 3, 3, ping)));
    EXPECT_TRUE(Await(true, Is("quitter", INetwork::kSystemType, INetwork::kDeparted, Text("quitter"))));
    bad.SendBytes(Bytes(stalled.begin() + 7, stalled.end()));
    EXPECT_TRUE(Await(true, Is("bad", 5, 4, Pattern(300, 4))));

    // A size far above the limit ends that peer's connection, and only that one.
    // Garbage whose size field reads 0xA3D164E8 once unscrambled.
    bad.SendBytes(Bytes(datanet::kHeaderSize, 0xFF));
    EXPECT_TRUE(bad.AwaitHangUp());
    EXPECT_TRUE(Await(false, Is("", INetwork::kSystemType, INetwork::kDeparted, Text("bad"))));
    ASSERT_EQ(INetwork->ClientSend(&steadyPacket), int(ping.size()));
    EXPECT_TRUE(Await(true, Is("steady", 3, 3, ping)));

    const std::string log = NetLog();
    EXPECT_TRUE(Has(log, " [SERVER] Error: a DataNet (type 5, cmd 1) from 'bad' was dropped: wrong checksum.\n")) << log;
    EXPECT_TRUE(Has(log, " [SERVER] Error: a DataNet (type 5, cmd 2) from 'bad' was dropped: wrong sequence value.\n"));
    EXPECT_TRUE(Has(log, "was given up: the payload size is above the limit.\n"));
}

TEST_F(Network, APeerWrittenFromTheWireFormatAloneIsUnderstood) {
    ASSERT_EQ(INetwork->ClientConnect("127.0.0.1", port, "steady"), 1);
    const pid_t python = Spawn({"python3", NIMBREL_SOURCE_DIR "/tests/peers/datanet_peer.py", std::to_string(port), "py"});
    ASSERT_GT(python, 0) << "python3 is needed (scripts/install-deps.sh installs it)";
    ASSERT_TRUE(Await(true, Is("py", INetwork::kSystemType, INetwork::kLogin, Text("py"))));

    Bytes first = Pattern(1003, 3), answer = {'a', 'n', 's', 'w', 'e', 'r'};
    DataNet packet = Packet(7, 1, first);
    ASSERT_EQ(INetwork->ServerSend("py", &packet), 1003);
    std::vector<Got> seen;
    EXPECT_TRUE(Await(true, Is("py", 7, 2, Pattern(1003, 3)), &seen));
    EXPECT_TRUE(Await(true, Is("py", 7, 5, {'a', 'f', 't', 'e', 'r'}), &seen));
    for (const Got& got : seen) EXPECT_TRUE(got.type != 7 || (got.cmd != 3 && got.cmd != 4)) << "a damaged packet got through";
    packet = Packet(7, 6, answer);
    ASSERT_EQ(INetwork->ServerSend("py", &packet), 6);
    EXPECT_TRUE(Await(false, Is("", INetwork::kSystemType, INetwork::kDeparted, Text("py"))));
    EXPECT_EQ(Reap(python), 0);
    EXPECT_TRUE(Has(NetLog(), " [SERVER] Error: a DataNet (type 7, cmd 3) from 'py' was dropped: wrong checksum.\n"));
}

TEST_F(Network, SendingScramblesOnTheWireOnlyAndSystemCommandsKeepTheirValue) {
    RawPeer peer;
    ASSERT_TRUE(peer.Connect(port));
    ASSERT_EQ(peer.Login("raw"), datanet::kWelcome);
    std::mt19937 mirror = peer.theirs;
    Bytes payload = {'A', 'B', 'C', 'D', 'E', 'F'};
    DataNet packet = Packet(64, 9, payload);
    ASSERT_EQ(INetwork->ServerSend("raw", &packet), 6);
    DataNet keep = {INetwork::kSystemType, 36, 0x1234, 0, 77, nullptr};
    ASSERT_EQ(INetwork->ServerSend("raw", &keep), 12);
    EXPECT_EQ(keep.aux, 0x1234);
    EXPECT_EQ(keep.crc, 0u);

    Bytes wire(30);
    for (int got = 0, tries = 0; got < 30 && tries < 100; ++tries)
        if (SDLNet_CheckSockets(peer.set, 100) > 0) got += std::max(0, SDLNet_TCP_Recv(peer.socket, &wire[got], 30 - got));
    const Uint16 aux = datanet::NextSequence(mirror);
    const Bytes scrambledPayload = {'A' ^ 0x17, 'B' ^ 0x9B, 'C' ^ 0x2E, 'D' ^ 0x5C, 'E' ^ 0x4A, 'F' ^ 0x4A};
    EXPECT_TRUE(Bytes(wire.begin() + 12, wire.begin() + 18) == scrambledPayload);
    EXPECT_TRUE(payload == Bytes({'A', 'B', 'C', 'D', 'E', 'F'}));
    datanet::Scramble(wire.data(), 12);
    datanet::Scramble(wire.data() + 18, 12);
    const datanet::Header first = datanet::ReadHeader(wire.data()), second = datanet::ReadHeader(wire.data() + 18);
    EXPECT_EQ(first.aux, aux);
    EXPECT_EQ(first.crc, packet.crc);
    EXPECT_EQ(first.crc, Nimbrel.CRC32(Bytes{64, 9, Uint8(aux), Uint8(aux >> 8), 6, 0, 0, 0, 0, 0, 0, 0}.data(), 12) +
                             Nimbrel.CRC32("ABCDEF", 6));
    EXPECT_EQ(second.aux, 0x1234);
    EXPECT_EQ(second.crc, 0u);
    const DataNetCounters counters = INetwork->GetCounters(INetwork::kServer);
    EXPECT_EQ(counters.type64Packets, 1u);
    EXPECT_EQ(counters.systemPackets, 2u); // the welcome and the packet above
    EXPECT_EQ(counters.bytesSent, 12u + 4 + 12 + 6 + 12);
}

TEST_F(Network, LoginsNeedAFreshValidNameInTime) {
    RawPeer first, invalid, taken, silent;
    ASSERT_TRUE(first.Connect(port) && invalid.Connect(port) && taken.Connect(port));
    ASSERT_EQ(first.Login("ada"), datanet::kWelcome);
    EXPECT_EQ(invalid.Login("bad\nname"), datanet::kRefused);
    EXPECT_EQ(taken.Login("ada"), datanet::kRefused);
    EXPECT_EQ(INetwork->ClientConnect("127.0.0.1", port, ""), 0);

    INetwork->SetTimeout(200);
    ASSERT_TRUE(silent.Connect(port));
    datanet::Header header;
    Bytes payload;
    ASSERT_TRUE(silent.Receive(&header, &payload));
    EXPECT_EQ(header.cmd, datanet::kLoggedOut);
    EXPECT_TRUE(silent.AwaitHangUp());
    EXPECT_EQ(INetwork->GetClientCount(), 1);
    EXPECT_TRUE(Has(NetLog(), "did not log in within 200 ms, it was disconnected.\n"));
}

TEST_F(Network, QuittingTheEngineStopsAServerAndAClientStillRunning) {
    ASSERT_EQ(INetwork->ClientConnect("127.0.0.1", port, "left"), 1);
    engine.reset(); // Nimbrel.Quit destroys INetwork without INetwork->Quit
    EXPECT_TRUE(Has(ReadFile("test.log"), " . [INetwork:~INetwork()] Warning: INetwork is still initialized, use Quit() method to do a safe exiting.\n"));
    const std::string log = NetLog();
    EXPECT_TRUE(Has(log, " [INetwork:~INetwork()] Warning: the client is still running, close it or use Quit() method to do a safe exiting.\n"));
    EXPECT_TRUE(Has(log, " [INetwork:~INetwork()] Warning: the server is still running, close it or use Quit() method to do a safe exiting.\n"));
    EXPECT_TRUE(Has(log, " [SERVER] Info: client 'left' logged out,it was using socket 0x"));
    EXPECT_TRUE(Has(log, " [SERVER] Info: Server closed.\n"));
}
