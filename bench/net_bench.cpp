// Networking over loopback: INetwork against raw SDLNet_TCP_Send/SDLNet_TCP_Recv of the same
// bytes in the same two sends per packet (header, then payload), in one run.
//
//   build/bench/net_bench           the full run
//   build/bench/net_bench --smoke   a tiny run that only checks the program works
//   build/bench/net_bench --help
//
// Three figures, each a ratio to raw sockets timed in the same run:
//   1. throughput of 64-byte packets, client to server: a sending thread against the main thread
//      taking the packets from the server's queue (raw: reading header and payload). Goal 0.8 or
//      better.
//   2. the same with 64 KiB packets. Goal 0.8 or better.
//   3. round trip of a 64-byte request and its 64-byte answer: the main thread sends, waits for
//      the request in the server's queue, answers and waits for the answer in the client's queue
//      (raw: an echo thread blocked in SDLNet_TCP_Recv). Goal 1.5 or less.
// The two sides run in alternating rounds; each figure is the median of the rounds' ratios.
// Also reported: heap allocations per 64-byte packet on the engine's side (its receive queue hands
// every payload over in memory of its own, so one is the least there can be).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "Nimbrel.h"
#include "bench_options.h"
#include "bench_support.h"

namespace {

struct Settings {
    int rounds;
    int smallPackets; // per round, figure 1
    int largePackets; // per round, figure 2
    int roundTrips;   // per round, figure 3
};

const Settings kFull = {9, 40000, 3000, 4000};
const Settings kSmoke = {1, 2000, 100, 200};
const int kSmall = 64;
const int kLarge = 64 * 1024;
const int kHeader = 12;

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Ports spread by process so that parallel runs rarely meet; a taken port is passed over.
template <typename Open>
Uint16 FirstFreePort(int salt, Open open) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        const Uint16 port = Uint16(10000 + (getpid() * 13 + salt * 7919 + attempt * 101) % 20000);
        if (open(port)) return port;
    }
    return 0;
}

bool RecvAll(TCPsocket socket, Uint8* bytes, int count) {
    for (int got = 0; got < count;) {
        const int n = SDLNet_TCP_Recv(socket, bytes + got, count - got);
        if (n <= 0) return false;
        got += n;
    }
    return true;
}

// Two connected raw sockets.
struct RawPair {
    TCPsocket listener = nullptr, client = nullptr, server = nullptr;

    bool Open() {
        IPaddress address;
        const Uint16 port = FirstFreePort(1, [&](Uint16 candidate) {
            return SDLNet_ResolveHost(&address, nullptr, candidate) == 0 && (listener = SDLNet_TCP_Open(&address));
        });
        if (!port || SDLNet_ResolveHost(&address, "127.0.0.1", port) < 0 || !(client = SDLNet_TCP_Open(&address)))
            return false;
        for (int i = 0; i < 1000 && !server; ++i) {
            server = SDLNet_TCP_Accept(listener);
            if (!server) SDL_Delay(1);
        }
        return server != nullptr;
    }

    ~RawPair() {
        for (TCPsocket socket : {client, server, listener})
            if (socket) SDLNet_TCP_Close(socket);
    }
};

// Seconds for `count` packets of `size` bytes from the client to the server.
double EngineThroughput(int size, int count) {
    std::vector<Uint8> payload(size, 0x5A);
    const double start = Now();
    std::thread sender([&] {
        DataNet packet = {1, 1, 0, Uint32(size), 0, payload.data()};
        for (int i = 0; i < count; ++i) INetwork->ClientSend(&packet);
    });
    int received = 0;
    for (int idle = 0; received < count && idle < 50;) {
        DataNet packet;
        if (!INetwork->ServerReceive(&packet, nullptr, 100)) {
            ++idle;
            continue;
        }
        std::free(packet.data);
        ++received;
    }
    sender.join();
    return received == count ? Now() - start : -1;
}

double RawThroughput(RawPair& pair, int size, int count) {
    std::vector<Uint8> header(kHeader, 0x11), payload(size, 0x5A), in(std::max(size, kHeader));
    const double start = Now();
    std::thread sender([&] {
        for (int i = 0; i < count; ++i) {
            SDLNet_TCP_Send(pair.client, header.data(), kHeader);
            SDLNet_TCP_Send(pair.client, payload.data(), size);
        }
    });
    bool whole = true;
    for (int i = 0; i < count && whole; ++i)
        whole = RecvAll(pair.server, in.data(), kHeader) && RecvAll(pair.server, in.data(), size);
    sender.join();
    return whole ? Now() - start : -1;
}

// Seconds per round trip.
double EngineRoundTrip(int count) {
    std::vector<Uint8> request(kSmall, 1), answer(kSmall, 2);
    char client[INetwork::kNameSize] = "bench";
    const double start = Now();
    for (int i = 0; i < count; ++i) {
        DataNet packet = {1, 1, 0, kSmall, 0, request.data()};
        INetwork->ClientSend(&packet);
        DataNet in;
        if (!INetwork->ServerReceive(&in, client, 5000)) return -1;
        std::free(in.data);
        packet = {1, 2, 0, kSmall, 0, answer.data()};
        INetwork->ServerSend("bench", &packet);
        if (!INetwork->ClientReceive(&in, 5000)) return -1;
        std::free(in.data);
    }
    return (Now() - start) / count;
}

double RawRoundTrip(RawPair& pair, int count) {
    std::vector<Uint8> header(kHeader, 0x11), request(kSmall, 1), answer(kSmall, 2);
    std::thread echo([&] {
        std::vector<Uint8> in(kSmall);
        for (int i = 0; i < count; ++i) {
            if (!RecvAll(pair.server, in.data(), kHeader) || !RecvAll(pair.server, in.data(), kSmall)) return;
            SDLNet_TCP_Send(pair.server, header.data(), kHeader);
            SDLNet_TCP_Send(pair.server, answer.data(), kSmall);
        }
    });
    std::vector<Uint8> in(kSmall);
    bool whole = true;
    const double start = Now();
    for (int i = 0; i < count && whole; ++i) {
        SDLNet_TCP_Send(pair.client, header.data(), kHeader);
        SDLNet_TCP_Send(pair.client, request.data(), kSmall);
        whole = RecvAll(pair.client, in.data(), kHeader) && RecvAll(pair.client, in.data(), kSmall);
    }
    const double seconds = (Now() - start) / count;
    echo.join();
    return whole ? seconds : -1;
}

void Report(const char* what, double engine, double raw, const char* unit, double ratio, bool higherIsBetter,
            double goal) {
    const bool met = higherIsBetter ? ratio >= goal : ratio <= goal;
    std::printf("%-34s engine %9.1f %s, raw %9.1f %s, ratio %.2f (goal: %s %.1f) %s\n", what, engine, unit, raw, unit,
                ratio, higherIsBetter ? "at least" : "at most", goal, met ? "met" : "NOT MET");
}

} // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    const int status = ReadBenchOptions(argc, argv, "net_bench",
                                        "INetwork against raw SDL_net sockets over loopback: throughput of 64-byte and "
                                        "64 KiB packets, round trip of a 64-byte request and answer.",
                                        &smoke);
    if (status >= 0) return status;
    const Settings& settings = smoke ? kSmoke : kFull;

    if (Nimbrel.Init(0) < 0 || !INetwork->Init(nullptr)) return 1;
    const Uint16 port = FirstFreePort(0, [](Uint16 candidate) { return INetwork->ServerStart(candidate) == 1; });
    RawPair pair;
    if (!port || !INetwork->ClientConnect("127.0.0.1", port, "bench") || !pair.Open()) {
        std::printf("net_bench: the loopback connections could not be made\n");
        return 1;
    }
    DataNet login;
    while (INetwork->ServerReceive(&login, nullptr, 100)) std::free(login.data); // the login notice

    std::vector<double> engine[3], raw[3], ratios[3];
    long smallAllocations = 0;
    for (int round = 0; round < settings.rounds; ++round) {
        const int counts[2] = {settings.smallPackets, settings.largePackets};
        const int sizes[2] = {kSmall, kLarge};
        for (int figure = 0; figure < 2; ++figure) {
            if (figure == 0) StartCountingAllocations();
            const double e = EngineThroughput(sizes[figure], counts[figure]);
            if (figure == 0) smallAllocations += StopCountingAllocations();
            const double r = RawThroughput(pair, sizes[figure], counts[figure]);
            if (e <= 0 || r <= 0) {
                std::printf("net_bench: packets were lost\n");
                return 1;
            }
            engine[figure].push_back(e);
            raw[figure].push_back(r);
            ratios[figure].push_back(r / e);
        }
        const double e = EngineRoundTrip(settings.roundTrips), r = RawRoundTrip(pair, settings.roundTrips);
        if (e <= 0 || r <= 0) {
            std::printf("net_bench: a round trip was lost\n");
            return 1;
        }
        engine[2].push_back(e);
        raw[2].push_back(r);
        ratios[2].push_back(e / r);
    }

    std::printf("net_bench: %d rounds over loopback, medians\n", settings.rounds);
    Report("64-byte packets, client to server", settings.smallPackets / Median(engine[0]) / 1000,
           settings.smallPackets / Median(raw[0]) / 1000, "k/s", Median(ratios[0]), true, 0.8);
    Report("64 KiB packets, client to server", settings.largePackets / 16.0 / Median(engine[1]),
           settings.largePackets / 16.0 / Median(raw[1]), "MiB/s", Median(ratios[1]), true, 0.8);
    Report("round trip of 64 bytes", Median(engine[2]) * 1e6, Median(raw[2]) * 1e6, "us", Median(ratios[2]), false,
           1.5);
    if (AllocationCounterWorks())
        std::printf("heap allocations per 64-byte packet, engine: %.2f\n",
                    double(smallAllocations) / (double(settings.smallPackets) * settings.rounds));

    INetwork->Quit();
    Nimbrel.Quit();
    return 0;
}
