// INetwork: TCP client and server exchanging DataNet packets over SDL_net.
//
// Owns the server's client table with its two per-client tables (receive state, and the
// generators that mirror each client's sequence), the client's connection, the two receiving
// threads, the queues that hand received packets to the application, and the network log.
//
// Who may touch what:
//   - the client table changes only under the table lock, which also keeps a socket from being
//     closed while a packet is being sent on it or read from it;
//   - while the server thread runs it alone frees, rebuilds and waits on the server's socket
//     set: a socket that another thread logs out is taken out of the table at once but closed by
//     the server thread between two waits, so the socket set it waits on never holds a closed
//     socket. No lock is held while a thread waits for data, so the client and the server never
//     wait on each other;
//   - socket-set operations and socket closes run under the socket lock, sends under the send
//     lock; the locks are taken in the order table, send, socket;
//   - the client's socket is closed by its own thread, under the send lock, so ClientSend never
//     sends on a closed socket.
#include "Nimbrel.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <random>
#include <thread>
#include <vector>

#include "core/byte_order.h"
#include "core/interface_log.h"
#include "net/datanet_packet.h"

namespace {

const int kNameSize = INetwork::kNameSize;
// How long a receiving thread waits for data before it looks at its stop flag again.
const Uint32 kPollMs = 20;
const Uint32 kStopWaitMs = 550;
const Uint32 kStopStepMs = 50;
const Uint32 kDefaultTimeout = 2000;
// A receiving thread stops reading while its queue holds more than this, or four maximum
// payloads when that is more, so a peer cannot fill the memory of an application that does not
// read.
const Uint64 kQueueFloor = Uint64(16) << 20;
const Uint64 kQueueEntryCost = 64;
const int kYieldsBeforeWaiting = 100;
const Uint32 kLargestPayload = INT_MAX; // SDLNet_TCP_Send takes an int
const char kNoStage[] = "there is no memory for its receive buffer";

enum ThreadState { kNoThread = 0, kThreadRunning = 1, kThreadFinished = 2 };

thread_local bool onServerThread = false;

// Holds an SDL mutex for a scope. SDL 1.2 mutexes are recursive, which the paths that log a
// client out from inside a held lock rely on.
class Hold {
public:
    explicit Hold(SDL_mutex* mutex) : mutex_(mutex) { SDL_mutexP(mutex_); }
    ~Hold() { SDL_mutexV(mutex_); }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

private:
    SDL_mutex* mutex_;
};

struct ClientEntry {
    TCPsocket socket = nullptr;
    char name[kNameSize] = {};
    Uint8 loginPending = 1; // until the client's login is accepted
    Uint32 acceptedAt = 0;
    std::mt19937 sequence; // draws for what the server sends to this client
};

struct Queued {
    datanet::Header header;
    Uint8* data;
    char name[kNameSize];
};

struct PacketQueue {
    std::deque<Queued> packets;
    // Changed under the queue lock, read without it: polling an empty queue, which a game does
    // every frame, and the receiving thread's check for a full one take no lock.
    std::atomic<size_t> count{0};
    std::atomic<Uint64> bytes{0};

    void Clear() {
        for (Queued& queued : packets) std::free(queued.data);
        packets.clear();
        count = 0;
        bytes = 0;
    }
};

const char* OrNull(const char* text) { return text ? text : "(null)"; }

// Sockets and packets appear in log lines by the low 32 bits of their address.
unsigned Low32(const void* pointer) { return unsigned(uintptr_t(pointer)); }

// Names are printed in log lines and sent to every client: 1 to 31 printable Windows-1252
// characters.
bool IsNameCharacter(Uint8 c) { return c >= 0x20 && c != 0x7F; }

bool ValidName(const char* name) {
    if (!name) return false;
    size_t length = 0;
    while (name[length] && length < size_t(kNameSize)) ++length;
    if (length == 0 || length >= size_t(kNameSize)) return false;
    for (size_t i = 0; i < length; ++i)
        if (!IsNameCharacter(Uint8(name[i]))) return false;
    return true;
}

// A name as it travels: the characters and one NUL, nothing after it.
bool ValidNamePayload(const Uint8* bytes, Uint32 size) {
    if (size < 2 || size > Uint32(kNameSize) || bytes[size - 1] != 0) return false;
    for (Uint32 i = 0; i + 1 < size; ++i)
        if (!IsNameCharacter(bytes[i])) return false;
    return true;
}

DataNet SystemPacket(Uint8 cmd, Uint16 aux, Uint32 size, Uint8* data) {
    DataNet packet;
    packet.type = datanet::kSystemType;
    packet.cmd = cmd;
    packet.aux = aux;
    packet.size = size;
    packet.crc = 0;
    packet.data = data;
    return packet;
}

// A seed for a new connection's generators. The seed only has to differ between connections, so
// without an entropy source the clock and a counter do.
Uint32 NewSeed() {
    static std::atomic<Uint32> counter{0};
    try {
        return std::random_device()();
    } catch (...) {
        return SDL_GetTicks() * 2654435761u + ++counter;
    }
}

void WaitForThreadEnd(const std::atomic<int>& state) {
    for (Uint32 waited = 0; state != kThreadFinished && waited < kStopWaitMs; waited += kStopStepMs)
        SDL_Delay(kStopStepMs);
}

} // namespace

struct INetwork::Private {
    // ---- State --------------------------------------------------------------------------------------
    int initialised = 0;
    std::atomic<int> serverRunning{0};
    std::atomic<int> clientRunning{0};
    std::atomic<int> serverState{kNoThread};
    std::atomic<int> clientState{kNoThread};
    // Set while the server thread is the one that frees, rebuilds and waits on the server's set.
    std::atomic<bool> serverOwnsSet{false};

    TCPsocket clientSocket = nullptr;
    SDLNet_SocketSet clientSet = nullptr;
    SDL_Thread* clientThread = nullptr;
    char clientName[kNameSize] = {};
    std::mt19937 clientSequence;        // draws for what the client sends
    std::mt19937 clientReceiveSequence; // mirrors the server's generator for this client
    datanet::Reader* clientReader;

    TCPsocket listenSocket = nullptr;
    SDLNet_SocketSet serverSet = nullptr;
    SDL_Thread* serverThread = nullptr;
    int clients = 0;
    ClientEntry* table;
    // The two per-client tables, moved with the client table.
    datanet::Reader** readers;
    std::mt19937* receiveSequences; // mirror each client's generator
    bool setDirty = false;
    std::vector<TCPsocket> retired; // logged out by another thread, closed by the server thread

    DataNetCounters counters[2] = {};
    std::atomic<Uint32> timeout{kDefaultTimeout};
    std::atomic<Uint32> maxPayload{datanet::kDefaultMaxPayload};

    SDL_mutex* socketLock;
    SDL_mutex* sendLock;
    SDL_mutex* tableLock;
    SDL_mutex* queueLock;
    SDL_cond* queueFilled;
    PacketQueue queues[2]; // indexed by INetwork::Sender: what that side received

    class ILogSystem* log;

    Private() {
        socketLock = SDL_CreateMutex();
        sendLock = SDL_CreateMutex();
        tableLock = SDL_CreateMutex();
        queueLock = SDL_CreateMutex();
        queueFilled = SDL_CreateCond();
        table = new ClientEntry[kMaxClients];
        readers = new datanet::Reader*[kMaxClients];
        for (int i = 0; i < kMaxClients; ++i) readers[i] = new datanet::Reader;
        receiveSequences = new std::mt19937[kMaxClients];
        clientReader = new datanet::Reader;
        retired.reserve(kMaxClients);
        log = new class ILogSystem;
    }

    ~Private() {
        queues[0].Clear();
        queues[1].Clear();
        SDL_DestroyCond(queueFilled);
        SDL_DestroyMutex(queueLock);
        SDL_DestroyMutex(tableLock);
        SDL_DestroyMutex(sendLock);
        SDL_DestroyMutex(socketLock);
        delete[] table;
        for (int i = 0; i < kMaxClients; ++i) delete readers[i];
        delete[] readers;
        delete[] receiveSequences;
        delete clientReader;
        delete log;
    }

    // ---- Socket operations, each under the socket lock ----------------------------------------------

    SDLNet_SocketSet AllocSet(int size) {
        Hold hold(socketLock);
        return SDLNet_AllocSocketSet(size);
    }

    void FreeSet(SDLNet_SocketSet* set) {
        Hold hold(socketLock);
        if (*set) SDLNet_FreeSocketSet(*set);
        *set = nullptr;
    }

    void AddSocket(SDLNet_SocketSet set, TCPsocket socket) {
        Hold hold(socketLock);
        SDLNet_TCP_AddSocket(set, socket);
    }

    void CloseSocket(TCPsocket* socket) {
        Hold hold(socketLock);
        if (*socket) SDLNet_TCP_Close(*socket);
        *socket = nullptr;
    }

    bool DeferToServerThread() const { return serverOwnsSet && !onServerThread; }

    // Rebuilds the server's set: the listening socket and every client socket. Another thread
    // only marks it out of date while the server thread owns it.
    void UpdateSocketSet() {
        Hold hold(socketLock);
        if (DeferToServerThread()) {
            setDirty = true;
            return;
        }
        setDirty = false;
        FreeSet(&serverSet);
        serverSet = AllocSet(clients + 1);
        if (!serverSet) {
            ILogSystem.Msg(0, " . [Network->UpdateSocketSet()] Error: %s\n", SDL_GetError());
            return;
        }
        if (listenSocket) AddSocket(serverSet, listenSocket);
        for (int i = 0; i < clients; ++i)
            if (table[i].socket) AddSocket(serverSet, table[i].socket);
    }

    void CloseRetired() {
        Hold hold(socketLock);
        for (TCPsocket& socket : retired) CloseSocket(&socket);
        retired.clear();
    }

    // ---- Sending ------------------------------------------------------------------------------------

    int FindClient(TCPsocket socket) const {
        for (int i = 0; i < clients; ++i)
            if (table[i].socket == socket) return i;
        return -1;
    }

    int FindName(const char* name) const {
        for (int i = 0; i < clients; ++i)
            if (!table[i].loginPending && std::strcmp(table[i].name, name) == 0) return i;
        return -1;
    }

    int SendDataNet(TCPsocket socket, DataNet* packet, int sender) {
        if (!socket || !packet) {
            ILogSystem.Msg(0, " . [INetwork->SendDataNet()] Error: there is no socket or no packet.\n");
            return 0;
        }
        if (sender != INetwork::kClient && sender != INetwork::kServer) {
            ILogSystem.Msg(0, " . [INetwork->SendDataNet(%d,%d)] Error: the sender must be 0 (client) or 1 (server), not %d.\n",
                           packet->type, packet->cmd, sender);
            return 0;
        }
        if ((packet->size && !packet->data) || packet->size > kLargestPayload) {
            ILogSystem.Msg(0, " . [INetwork->SendDataNet(%d,%d)] Error: the payload is missing or larger than 2 GiB.\n",
                           packet->type, packet->cmd);
            return 0;
        }
        if (sender == INetwork::kClient) return SendLocked(socket, packet, sender);
        // The table lock keeps the destination's entry, and so its socket, alive until the end.
        Hold hold(tableLock);
        return SendLocked(socket, packet, sender);
    }

    int SendLocked(TCPsocket socket, DataNet* packet, int sender) {
        std::mt19937* generator = nullptr;
        if (datanet::DrawsSequence(packet->type, packet->cmd)) {
            if (sender == INetwork::kClient) {
                generator = &clientSequence;
            } else {
                const int index = FindClient(socket);
                if (index < 0) {
                    // No generator is shared with such a peer, so it could not check the value.
                    ILogSystem.Msg(0, " . [INetwork->SendDataNet(%d,%d)] Error: the socket is not one of the server's clients.\n",
                                   packet->type, packet->cmd);
                    return 0;
                }
                generator = &table[index].sequence;
            }
        }

        Hold holdSend(sendLock);
        if (generator) packet->aux = datanet::NextSequence(*generator);
        datanet::Header header;
        header.type = packet->type;
        header.cmd = packet->cmd;
        header.aux = packet->aux;
        header.size = packet->size;
        packet->crc = datanet::HasChecksum(packet->type) ? datanet::Checksum(header, packet->data) : 0;
        header.crc = packet->crc;

        if (packet->size) datanet::Scramble(packet->data, packet->size);
        Uint8 head[datanet::kHeaderSize];
        datanet::WriteHeader(header, head);
        datanet::Scramble(head, sizeof head);

        int error = 0;
        int result = SDLNet_TCP_Send(socket, head, int(sizeof head));
        if (result < int(sizeof head)) {
            error = 1;
        } else if (packet->size) {
            result = SDLNet_TCP_Send(socket, packet->data, int(packet->size));
            if (result < int(packet->size)) error = 2;
        }
        if (packet->size) datanet::Scramble(packet->data, packet->size);

        if (error) {
            if (sender == INetwork::kServer)
                ILogSystem.Msg(0, " . [INetwork->SendDataNet(%d,%d)] Error(%d): %s (Sent by server).\n", packet->type,
                               packet->cmd, error, SDL_GetError());
            else
                ILogSystem.Msg(0, " . [INetwork->SendDataNet(%d,%d)] Error(%d): %s (Sent by '%s').\n", packet->type,
                               packet->cmd, error, SDL_GetError(), clientName);
            return 0;
        }
        DataNetCounters& counter = counters[sender];
        counter.bytesSent += Uint64(packet->size) + datanet::kHeaderSize;
        if (packet->type == datanet::kSystemType) ++counter.systemPackets;
        if (packet->type == datanet::kType64) ++counter.type64Packets;
        return result;
    }

    void Broadcast(DataNet* packet, int excluded, int only) {
        if (!packet) return;
        Hold hold(tableLock);
        for (int i = 0; i < clients; ++i) {
            if ((only != -1 && i != only) || i == excluded || !table[i].socket) continue;
            if (SendDataNet(table[i].socket, packet, INetwork::kServer)) continue;
            log->Msg(0, " [SERVER] Error: DataNet could not be sent to '%s'.\n", table[i].name);
            log->Msg(0, " %s Info: DataNet 0x%x: - Type: %d - Cmd: %d - Aux: %d - Size: %d\n",
                     serverRunning ? "[SERVER]" : "[CLIENT]", Low32(packet), packet->type, packet->cmd, packet->aux,
                     int(packet->size));
        }
    }

    // ---- Queues -------------------------------------------------------------------------------------

    Uint64 QueueLimit() const { return std::max(kQueueFloor, Uint64(maxPayload) * 4); }

    bool QueueFull(int side) const { return queues[side].bytes > QueueLimit(); }

    // Takes over the payload.
    void Enqueue(int side, const datanet::Header& header, Uint8* payload, const char* name) {
        Queued queued;
        queued.header = header;
        queued.data = payload;
        std::memset(queued.name, 0, sizeof queued.name);
        if (name) std::strncpy(queued.name, name, sizeof queued.name - 1);
        Hold hold(queueLock);
        try {
            queues[side].packets.push_back(queued);
        } catch (const std::bad_alloc&) {
            std::free(payload);
            log->Msg(0, " %s Error: a DataNet (type %d, cmd %d) was lost, there is no memory to queue it.\n",
                     side == INetwork::kServer ? "[SERVER]" : "[CLIENT]", header.type, header.cmd);
            return;
        }
        queues[side].bytes += header.size + kQueueEntryCost;
        // Only a reader of an empty queue waits.
        if (queues[side].count++ == 0) SDL_CondBroadcast(queueFilled);
    }

    void EnqueueEvent(int side, Uint8 cmd, const char* name) {
        datanet::Header header;
        header.type = datanet::kSystemType;
        header.cmd = cmd;
        header.size = Uint32(std::strlen(name) + 1);
        Uint8* payload = static_cast<Uint8*>(std::malloc(header.size));
        if (!payload) return;
        std::memcpy(payload, name, header.size);
        Enqueue(side, header, payload, name);
    }

    int Dequeue(int side, DataNet* packet, char* name, Uint32 waitMs) {
        PacketQueue& queue = queues[side];
        if (!packet || (queue.count == 0 && waitMs == 0)) return 0;
        // A packet is often only microseconds away: yielding a few times first spares the
        // reader being put to sleep and woken again.
        for (int i = 0; i < kYieldsBeforeWaiting && queue.count == 0; ++i) std::this_thread::yield();
        Hold hold(queueLock);
        if (queue.packets.empty() && waitMs) {
            const Uint32 start = SDL_GetTicks();
            for (;;) {
                const Uint32 waited = SDL_GetTicks() - start;
                if (!queue.packets.empty() || waited >= waitMs) break;
                SDL_CondWaitTimeout(queueFilled, queueLock, waitMs - waited);
            }
        }
        if (queue.packets.empty()) return 0;
        const Queued queued = queue.packets.front();
        queue.packets.pop_front();
        --queue.count;
        queue.bytes -= queued.header.size + kQueueEntryCost;
        packet->type = queued.header.type;
        packet->cmd = queued.header.cmd;
        packet->aux = queued.header.aux;
        packet->size = queued.header.size;
        packet->crc = queued.header.crc;
        packet->data = queued.data;
        if (name) std::memcpy(name, queued.name, kNameSize);
        return 1;
    }

    // ---- The server's clients -----------------------------------------------------------------------

    // Takes a client out of the table (the table lock is held). Clients still logging in are
    // removed too, without telling the others about a client they never heard of.
    void RemoveClient(int index, int notify) {
        ClientEntry& entry = table[index];
        char name[kNameSize];
        std::memcpy(name, entry.name, sizeof name);
        const bool named = !entry.loginPending;
        TCPsocket socket = entry.socket;
        if (notify) {
            DataNet bye = SystemPacket(datanet::kLoggedOut, 0, 0, nullptr);
            SendDataNet(socket, &bye, INetwork::kServer);
        }
        {
            Hold hold(socketLock);
            if (DeferToServerThread())
                retired.push_back(socket);
            else
                CloseSocket(&socket);
            if (named)
                log->Msg(2, " [SERVER] Info: client '%s' logged out,it was using socket 0x%x.\n", name, Low32(entry.socket));
            else
                log->Msg(2, " [SERVER] Info: a connection that had not logged in was closed, it was using socket 0x%x.\n",
                         Low32(entry.socket));

            datanet::Reader* reader = readers[index];
            reader->Reset();
            for (int i = index; i + 1 < clients; ++i) {
                table[i] = table[i + 1];
                readers[i] = readers[i + 1];
                receiveSequences[i] = receiveSequences[i + 1];
            }
            --clients;
            table[clients] = ClientEntry();
            readers[clients] = reader;
            UpdateSocketSet();
        }
        if (!named) return;
        DataNet departed = SystemPacket(datanet::kDeparted, 0, Uint32(std::strlen(name) + 1), reinterpret_cast<Uint8*>(name));
        Broadcast(&departed, -1, -1);
        EnqueueEvent(INetwork::kServer, datanet::kDeparted, name);
    }

    void AcceptClient() {
        TCPsocket socket = SDLNet_TCP_Accept(listenSocket);
        if (!socket) return;
        if (clients >= kMaxClients) {
            DataNet refusal = SystemPacket(datanet::kRefused, datanet::kRefusedFull, 0, nullptr);
            SendDataNet(socket, &refusal, INetwork::kServer);
            CloseSocket(&socket);
            log->Msg(2, " [SERVER] Warning: a connection was refused, the server already has %d clients.\n", kMaxClients);
            return;
        }
        ClientEntry& entry = table[clients];
        entry = ClientEntry();
        entry.socket = socket;
        entry.acceptedAt = SDL_GetTicks();
        readers[clients]->Reset();
        ++clients;
        UpdateSocketSet();
    }

    // True when the client logged in, false when it was refused and removed.
    bool AcceptLogin(int index, const Uint8* payload, Uint32 size) {
        ClientEntry& entry = table[index];
        if (!ValidNamePayload(payload, size) || FindName(reinterpret_cast<const char*>(payload)) >= 0) {
            log->Msg(2, " [SERVER] Warning: a login on socket 0x%x was refused, its name is not valid or already in use.\n",
                     Low32(entry.socket));
            DataNet refusal = SystemPacket(datanet::kRefused, datanet::kRefusedName, 0, nullptr);
            SendDataNet(entry.socket, &refusal, INetwork::kServer);
            RemoveClient(index, 0);
            return false;
        }
        const Uint32 seed = NewSeed();
        entry.sequence.seed(seed);
        receiveSequences[index].seed(seed);
        std::memcpy(entry.name, payload, size);
        entry.loginPending = 0;
        Uint8 seedBytes[4];
        WriteLittle32(seedBytes, seed);
        DataNet welcome = SystemPacket(datanet::kWelcome, 0, sizeof seedBytes, seedBytes);
        SendDataNet(entry.socket, &welcome, INetwork::kServer);
        log->Msg(2, " [SERVER] Info: client '%s' logged in, it is using socket 0x%x.\n", entry.name, Low32(entry.socket));
        EnqueueEvent(INetwork::kServer, datanet::kLogin, entry.name);
        return true;
    }

    // Handles one packet from a client. False when the client was removed.
    bool HandleFromClient(int index, const datanet::Header& header, Uint8* payload) {
        ClientEntry& entry = table[index];
        const bool system = header.type == datanet::kSystemType;
        if (entry.loginPending) {
            if (system && header.cmd == datanet::kLogin) {
                const bool accepted = AcceptLogin(index, payload, header.size);
                std::free(payload);
                return accepted;
            }
            std::free(payload);
            log->Msg(0, " [SERVER] Error: socket 0x%x sent a DataNet before logging in, it was disconnected.\n",
                     Low32(entry.socket));
            RemoveClient(index, 0);
            return false;
        }
        if (system) {
            std::free(payload);
            log->Msg(2, " [SERVER] Warning: system DataNet %d from '%s' ignored.\n", header.cmd, entry.name);
            return true;
        }
        Enqueue(INetwork::kServer, header, payload, entry.name);
        return true;
    }

    // Reads what a ready client socket holds (one read, so it cannot block) and handles the
    // packets it completes. False when the client was removed.
    bool ReadClient(int index) {
        ClientEntry& entry = table[index];
        datanet::Reader& reader = *readers[index];
        Uint32 room = 0;
        Uint8* space = reader.Space(&room);
        if (room == 0) {
            log->Msg(0, " [SERVER] Error: the connection of '%s' (socket 0x%x) was given up: %s.\n", entry.name,
                     Low32(entry.socket), kNoStage);
            RemoveClient(index, 0);
            return false;
        }
        const int got = SDLNet_TCP_Recv(entry.socket, space, int(room));
        if (got <= 0) {
            if (entry.loginPending)
                log->Msg(2, " [SERVER] Info: socket 0x%x closed its connection before logging in.\n", Low32(entry.socket));
            else
                log->Msg(2, " [SERVER] Info: client '%s' closed its connection.\n", entry.name);
            RemoveClient(index, 0);
            return false;
        }
        reader.Received(Uint32(got));
        for (;;) {
            datanet::Header header;
            Uint8* payload = nullptr;
            const char* problem = nullptr;
            switch (reader.Next(maxPayload, &receiveSequences[index], &header, &payload, &problem)) {
            case datanet::Reader::kNeedMore:
                return true;
            case datanet::Reader::kPacket:
                if (!HandleFromClient(index, header, payload)) return false;
                break;
            case datanet::Reader::kDropped:
                log->Msg(0, " [SERVER] Error: a DataNet (type %d, cmd %d) from '%s' was dropped: %s.\n", header.type,
                         header.cmd, entry.name, problem);
                break;
            case datanet::Reader::kBroken:
                log->Msg(0, " [SERVER] Error: the connection of '%s' (socket 0x%x) was given up: %s.\n", entry.name,
                         Low32(entry.socket), problem);
                RemoveClient(index, 0);
                return false;
            }
        }
    }

    void DropLateLogins() {
        const Uint32 now = SDL_GetTicks();
        for (int i = 0; i < clients;) {
            if (table[i].loginPending && now - table[i].acceptedAt > timeout) {
                log->Msg(2, " [SERVER] Warning: socket 0x%x did not log in within %u ms, it was disconnected.\n",
                         Low32(table[i].socket), unsigned(timeout));
                RemoveClient(i, 1);
                continue;
            }
            ++i;
        }
    }

    void ServerLoop() {
        onServerThread = true;
        serverState = kThreadRunning;
        while (serverRunning) {
            {
                // One hold: a socket retired between the rebuild and the closes would otherwise
                // be closed while still in the set.
                Hold holdTable(tableLock);
                Hold holdSocket(socketLock);
                if (setDirty || !serverSet) UpdateSocketSet();
                CloseRetired();
            }
            if (!serverSet || QueueFull(INetwork::kServer)) {
                SDL_Delay(1);
                continue;
            }
            const int ready = SDLNet_CheckSockets(serverSet, kPollMs);
            if (ready < 0) {
                SDL_Delay(1);
                continue;
            }
            Hold hold(tableLock);
            if (ready > 0) {
                // Clients accepted below are read from the next wait on, once the set holds them.
                int count = clients;
                for (int i = 0; i < count;) {
                    if (SDLNet_SocketReady(table[i].socket) && !ReadClient(i)) {
                        count = std::min(count - 1, clients);
                        continue;
                    }
                    ++i;
                }
                if (SDLNet_SocketReady(listenSocket)) AcceptClient();
            }
            DropLateLogins();
        }
        serverState = kThreadFinished;
    }

    // The server's shutdown: every client logged out and told, the set freed, the listening
    // socket closed.
    void ServerCloseWork() {
        {
            Hold hold(tableLock);
            while (clients > 0) RemoveClient(0, 1);
        }
        FreeSet(&serverSet);
        CloseSocket(&listenSocket);
        CloseRetired();
        log->Msg(2, " [SERVER] Info: Server closed.\n");
        serverRunning = 0;
    }

    void StopServer(bool warn) {
        if (!serverThread) return;
        serverRunning = 0;
        if (warn)
            log->Msg(2, " [INetwork:~INetwork()] Warning: the server is still running, close it or use Quit() method to do a safe exiting.\n");
        WaitForThreadEnd(serverState);
        serverOwnsSet = false;
        if (serverState != kNoThread) {
            ServerCloseWork();
            if (serverState == kThreadFinished)
                SDL_WaitThread(serverThread, nullptr);
            else
                SDL_KillThread(serverThread);
        }
        serverThread = nullptr;
        serverState = kNoThread;
    }

    // ---- The client ---------------------------------------------------------------------------------

    // Handles the packets the reader holds. False when the client must stop.
    bool DrainClientReader() {
        for (;;) {
            datanet::Header header;
            Uint8* payload = nullptr;
            const char* problem = nullptr;
            switch (clientReader->Next(maxPayload, &clientReceiveSequence, &header, &payload, &problem)) {
            case datanet::Reader::kNeedMore:
                return true;
            case datanet::Reader::kDropped:
                log->Msg(0, " [CLIENT] Error: a DataNet (type %d, cmd %d) from the server was dropped: %s.\n",
                         header.type, header.cmd, problem);
                break;
            case datanet::Reader::kBroken:
                log->Msg(0, " [CLIENT] Error: the connection to the server was given up: %s.\n", problem);
                return false;
            case datanet::Reader::kPacket:
                if (header.type != datanet::kSystemType) {
                    Enqueue(INetwork::kClient, header, payload, nullptr);
                } else if (header.cmd == datanet::kDeparted && ValidNamePayload(payload, header.size)) {
                    Enqueue(INetwork::kClient, header, payload, reinterpret_cast<char*>(payload));
                } else if (header.cmd == datanet::kLoggedOut) {
                    Enqueue(INetwork::kClient, header, payload, nullptr);
                    log->Msg(2, " [CLIENT] Info: '%s' was logged out by the server.\n", clientName);
                    return false;
                } else {
                    std::free(payload);
                    log->Msg(2, " [CLIENT] Warning: system DataNet %d from the server ignored.\n", header.cmd);
                }
                break;
            }
        }
    }

    void ClientLoop() {
        clientState = kThreadRunning;
        bool connected = DrainClientReader(); // what arrived with the server's welcome
        while (connected && clientRunning) {
            if (QueueFull(INetwork::kClient)) {
                SDL_Delay(1);
                continue;
            }
            const int ready = SDLNet_CheckSockets(clientSet, kPollMs);
            if (ready < 0) SDL_Delay(1);
            if (ready <= 0 || !SDLNet_SocketReady(clientSocket)) continue;
            Uint32 room = 0;
            Uint8* space = clientReader->Space(&room);
            if (room == 0) {
                log->Msg(0, " [CLIENT] Error: the connection to the server was given up: %s.\n", kNoStage);
                break;
            }
            const int got = SDLNet_TCP_Recv(clientSocket, space, int(room));
            if (got <= 0) {
                log->Msg(2, " [CLIENT] Warning: the connection to the server was lost.\n");
                break;
            }
            clientReader->Received(Uint32(got));
            connected = DrainClientReader();
        }
        ClientCloseWork();
        clientState = kThreadFinished;
    }

    // The client's shutdown. Under the send lock, so no send is on its way on the socket.
    void ClientCloseWork() {
        Hold hold(sendLock);
        FreeSet(&clientSet);
        CloseSocket(&clientSocket);
        log->Msg(2, " [CLIENT] Info: client closed.\n");
        std::memset(clientName, 0, sizeof clientName);
        clientRunning = 0;
    }

    void StopClient(bool warn) {
        if (clientRunning) {
            clientRunning = 0;
            if (warn)
                log->Msg(2, " [INetwork:~INetwork()] Warning: the client is still running, close it or use Quit() method to do a safe exiting.\n");
            WaitForThreadEnd(clientState);
            if (clientState != kThreadFinished) {
                ClientCloseWork();
                if (clientThread) SDL_KillThread(clientThread);
                clientThread = nullptr;
            }
        }
        // A client that stopped by itself has left its thread to be waited for.
        if (clientThread) SDL_WaitThread(clientThread, nullptr);
        clientThread = nullptr;
        clientState = kNoThread;
    }

    enum LoginOutcome { kWelcomed, kNoAnswer, kRefusedFull, kRefusedName, kLost, kUnreadable };

    // Waits for the server's answer to a login. On welcome the generators are seeded and
    // whatever followed the welcome stays in the reader for the client's thread.
    LoginOutcome AwaitWelcome(TCPsocket socket, SDLNet_SocketSet set, const char** problem) {
        const Uint32 start = SDL_GetTicks();
        for (;;) {
            const Uint32 waited = SDL_GetTicks() - start;
            if (waited >= timeout) return kNoAnswer;
            const int ready = SDLNet_CheckSockets(set, std::min(kStopStepMs, timeout - waited));
            if (ready <= 0 || !SDLNet_SocketReady(socket)) continue;
            Uint32 room = 0;
            Uint8* space = clientReader->Space(&room);
            if (room == 0) {
                *problem = kNoStage;
                return kUnreadable;
            }
            const int got = SDLNet_TCP_Recv(socket, space, int(room));
            if (got <= 0) return kLost;
            clientReader->Received(Uint32(got));
            for (;;) {
                datanet::Header header;
                Uint8* payload = nullptr;
                const datanet::Reader::Result result =
                    clientReader->Next(maxPayload, &clientReceiveSequence, &header, &payload, problem);
                if (result == datanet::Reader::kNeedMore) break;
                if (result == datanet::Reader::kBroken) return kUnreadable;
                if (result != datanet::Reader::kPacket) continue;
                // Anything else the server sends before its answer was meant for logged-in clients.
                const bool system = header.type == datanet::kSystemType;
                if (system && header.cmd == datanet::kWelcome && header.size == 4) {
                    const Uint32 seed = ReadLittle32(payload);
                    std::free(payload);
                    clientSequence.seed(seed);
                    clientReceiveSequence.seed(seed);
                    return kWelcomed;
                }
                std::free(payload);
                if (system && header.cmd == datanet::kRefused)
                    return header.aux == datanet::kRefusedFull ? kRefusedFull : kRefusedName;
            }
        }
    }
};

namespace {

int ServerThreadMain(void* data) {
    static_cast<INetwork::Private*>(data)->ServerLoop();
    return 0;
}

int ClientThreadMain(void* data) {
    static_cast<INetwork::Private*>(data)->ClientLoop();
    return 0;
}

} // namespace

class INetwork* INetwork = nullptr;

INetwork::INetwork() : priv(new Private) { LogInterfaceCreated("INetwork"); }

INetwork::~INetwork() {
    if (priv->initialised)
        ILogSystem.Msg(2, " . [INetwork:~INetwork()] Warning: INetwork is still initialized, use Quit() method to do a safe exiting.\n");
    priv->StopClient(true);
    if (priv->serverRunning)
        priv->StopServer(true);
    else
        priv->StopServer(false); // a server thread that is no longer running is still waited for
    if (priv->initialised) SDLNet_Quit();
    priv->initialised = 0;
    delete priv;
    LogInterfaceDeleted("INetwork");
}

// ---- Starting and stopping ------------------------------------------------------------------------

int INetwork::Init(const char* logFileName, int logLevel) {
    if (priv->initialised) return 1;
    if (SDLNet_Init() < 0) {
        ILogSystem.Msg(0, " . [INetwork->Init()] Error: SDL_net could not start: %s\n", SDL_GetError());
        return 0;
    }
    if (logFileName) {
        const Sint8 level = Sint8(std::max(0, std::min(5, logLevel)));
        priv->log->Init(logFileName, ILogSystem::kOutputNewFile, level, "Nimbrel SDK - Network");
    }
    priv->initialised = 1;
    return 1;
}

void INetwork::Quit() {
    if (!priv->initialised) return;
    priv->StopClient(false);
    priv->StopServer(false);
    SDLNet_Quit();
    priv->initialised = 0;
}

int INetwork::ServerStart(Uint16 port) {
    if (!priv->initialised) {
        ILogSystem.Msg(0, " . [INetwork->ServerStart(%d)] Error: INetwork is not initialized.\n", port);
        return 0;
    }
    if (priv->serverThread) {
        ILogSystem.Msg(0, " . [INetwork->ServerStart(%d)] Error: the server is already running.\n", port);
        return 0;
    }
    if (port == 0) {
        ILogSystem.Msg(0, " . [INetwork->ServerStart(%d)] Error: a port from 1 to 65535 is needed.\n", port);
        return 0;
    }
    IPaddress address;
    if (SDLNet_ResolveHost(&address, nullptr, port) < 0 || !(priv->listenSocket = SDLNet_TCP_Open(&address))) {
        ILogSystem.Msg(0, " . [INetwork->ServerStart(%d)] Error: %s\n", port, SDL_GetError());
        return 0;
    }
    {
        Hold hold(priv->queueLock);
        priv->queues[kServer].Clear();
    }
    priv->UpdateSocketSet();
    if (!priv->serverSet) {
        priv->CloseSocket(&priv->listenSocket);
        return 0;
    }
    priv->serverRunning = 1;
    priv->serverOwnsSet = true;
    priv->serverState = kNoThread;
    priv->serverThread = SDL_CreateThread(ServerThreadMain, priv);
    if (!priv->serverThread) {
        ILogSystem.Msg(0, " . [INetwork->ServerStart(%d)] Error: the server thread could not be started: %s\n", port,
                       SDL_GetError());
        priv->serverOwnsSet = false;
        priv->serverRunning = 0;
        priv->FreeSet(&priv->serverSet);
        priv->CloseSocket(&priv->listenSocket);
        return 0;
    }
    priv->log->Msg(2, " [SERVER] Info: Server started on port %d.\n", port);
    return 1;
}

void INetwork::ServerClose() { priv->StopServer(false); }

int INetwork::ClientConnect(const char* host, Uint16 port, const char* name) {
    const char* kFormat = " . [INetwork->ClientConnect('%s',%d,'%s')] Error: %s\n";
    char reason[160];
    auto fail = [&](const char* text) {
        ILogSystem.Msg(0, kFormat, OrNull(host), port, OrNull(name), text);
        return 0;
    };
    if (!priv->initialised) return fail("INetwork is not initialized.");
    if (!host) return fail("a host is needed.");
    if (!ValidName(name)) return fail("the name must have 1 to 31 printable characters.");
    if (priv->clientRunning) return fail("the client is already connected.");
    priv->StopClient(false); // waits for a thread left by a client that stopped by itself

    IPaddress address;
    TCPsocket socket = nullptr;
    if (SDLNet_ResolveHost(&address, host, port) < 0 || !(socket = SDLNet_TCP_Open(&address))) return fail(SDL_GetError());

    priv->clientReader->Reset();
    priv->clientSequence.seed();
    priv->clientReceiveSequence.seed();
    std::strncpy(priv->clientName, name, kNameSize - 1);
    Uint8 login[kNameSize];
    const Uint32 loginSize = Uint32(std::strlen(name) + 1);
    std::memcpy(login, name, loginSize);
    DataNet packet = SystemPacket(datanet::kLogin, 0, loginSize, login);
    SDLNet_SocketSet set = priv->AllocSet(1);
    Private::LoginOutcome outcome = Private::kLost;
    const char* problem = "";
    if (set) {
        priv->AddSocket(set, socket);
        // Read the answer even when the login could not be sent whole: a full server refuses and
        // hangs up without waiting for it.
        priv->SendDataNet(socket, &packet, kClient);
        outcome = priv->AwaitWelcome(socket, set, &problem);
    }
    if (outcome != Private::kWelcomed) {
        priv->FreeSet(&set);
        priv->CloseSocket(&socket);
        std::memset(priv->clientName, 0, sizeof priv->clientName);
        priv->clientReader->Reset();
        switch (outcome) {
        case Private::kNoAnswer:
            std::snprintf(reason, sizeof reason, "the server did not answer within %u ms.", unsigned(priv->timeout));
            return fail(reason);
        case Private::kRefusedFull:
            std::snprintf(reason, sizeof reason, "the server refused the login, it already has %d clients.", kMaxClients);
            return fail(reason);
        case Private::kRefusedName:
            return fail("the server refused the login, the name is not valid or already in use.");
        case Private::kUnreadable:
            std::snprintf(reason, sizeof reason, "the server's answer could not be read: %s.", problem);
            return fail(reason);
        default:
            return fail(set ? "the connection was lost during the login." : SDL_GetError());
        }
    }

    {
        Hold hold(priv->queueLock);
        priv->queues[kClient].Clear();
    }
    priv->clientSocket = socket;
    priv->clientSet = set;
    priv->clientRunning = 1;
    priv->clientState = kNoThread;
    priv->clientThread = SDL_CreateThread(ClientThreadMain, priv);
    if (!priv->clientThread) {
        std::snprintf(reason, sizeof reason, "the client thread could not be started: %s", SDL_GetError());
        priv->ClientCloseWork();
        return fail(reason);
    }
    priv->log->Msg(2, " [CLIENT] Info: connected to %s:%d as '%s'.\n", host, port, name);
    return 1;
}

void INetwork::ClientClose() { priv->StopClient(false); }

int INetwork::IsServerRunning() const { return priv->serverRunning ? 1 : 0; }

int INetwork::IsClientRunning() const { return priv->clientRunning ? 1 : 0; }

// ---- Sending ----------------------------------------------------------------------------------------

int INetwork::ClientSend(DataNet* packet) {
    Hold hold(priv->sendLock);
    if (!priv->clientSocket) {
        ILogSystem.Msg(0, " . [INetwork->ClientSend()] Error: the client is not connected.\n");
        return 0;
    }
    return priv->SendDataNet(priv->clientSocket, packet, kClient);
}

int INetwork::ServerSend(const char* clientName, DataNet* packet) {
    Hold hold(priv->tableLock);
    const int index = clientName ? priv->FindName(clientName) : -1;
    if (index < 0) {
        ILogSystem.Msg(0, " . [INetwork->ServerSend('%s')] Error: the server has no client of that name.\n",
                       OrNull(clientName));
        return 0;
    }
    return priv->SendDataNet(priv->table[index].socket, packet, kServer);
}

void INetwork::Broadcast(DataNet* packet, int excluded, int only) { priv->Broadcast(packet, excluded, only); }

int INetwork::SendDataNet(TCPsocket socket, DataNet* packet, int sender) {
    return priv->SendDataNet(socket, packet, sender);
}

// ---- Receiving --------------------------------------------------------------------------------------

int INetwork::ServerReceive(DataNet* packet, char* clientName, Uint32 waitMs) {
    return priv->Dequeue(kServer, packet, clientName, waitMs);
}

int INetwork::ClientReceive(DataNet* packet, Uint32 waitMs) { return priv->Dequeue(kClient, packet, nullptr, waitMs); }

// ---- The server's clients ---------------------------------------------------------------------------

int INetwork::GetClientCount() const {
    Hold hold(priv->tableLock);
    return priv->clients;
}

int INetwork::GetClientName(int index, char* name) const {
    Hold hold(priv->tableLock);
    if (!name || index < 0 || index >= priv->clients) return 0;
    std::memcpy(name, priv->table[index].name, kNameSize);
    return 1;
}

void INetwork::Logout(int index, int notify) {
    Hold hold(priv->tableLock);
    if (index < 0 || index >= priv->clients || priv->table[index].loginPending) return;
    priv->RemoveClient(index, notify);
}

// ---- Settings and state -----------------------------------------------------------------------------

void INetwork::SetTimeout(Uint32 milliseconds) { priv->timeout = milliseconds; }

Uint32 INetwork::GetTimeout() const { return priv->timeout; }

void INetwork::SetMaxPayload(Uint32 bytes) { priv->maxPayload = std::max(Uint32(1), std::min(bytes, kLargestPayload)); }

Uint32 INetwork::GetMaxPayload() const { return priv->maxPayload; }

DataNetCounters INetwork::GetCounters(int sender) const {
    DataNetCounters none = {};
    if (sender != kClient && sender != kServer) return none;
    Hold hold(priv->sendLock);
    return priv->counters[sender];
}

class ILogSystem& INetwork::GetLog() { return *priv->log; }
