// A client of the engine's own network layer, run as a separate process by the network tests so
// that one server can have several engine clients: net_echo_client PORT NAME
//
// It answers every packet of the application with the same type and payload and the command
// plus one, reports each departure the server announces as a packet of type 1, command 42 with
// the name, and leaves when the server logs it out (exit status 0) or sends type 2, command 1
// (it closes by itself, exit status 0). Other endings: 2 the login failed, 3 nothing arrived for
// 30 seconds, 4 the connection broke.
#include <cstdlib>
#include <cstring>
#include <string>

#include "Nimbrel.h"

namespace {

int Serve() {
    for (int idle = 0; idle < 300;) {
        DataNet in;
        if (!INetwork->ClientReceive(&in, 100)) {
            if (!INetwork->IsClientRunning()) return 4;
            ++idle;
            continue;
        }
        idle = 0;
        DataNet out = in;
        if (in.type == INetwork::kSystemType && in.cmd == INetwork::kDeparted) {
            out.type = 1;
            INetwork->ClientSend(&out);
        } else if (in.type == INetwork::kSystemType && in.cmd == INetwork::kLoggedOut) {
            std::free(in.data);
            return 0;
        } else if (in.type == 2 && in.cmd == 1) {
            INetwork->ClientClose();
            std::free(in.data);
            return 0;
        } else {
            out.cmd = Uint8(in.cmd + 1);
            INetwork->ClientSend(&out);
        }
        std::free(in.data);
    }
    return 3;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::string log = std::string(argv[2]) + ".log";
    ILogSystem.Init(log.c_str(), ILogSystem::kOutputNewFile, 5, "net_echo_client");
    if (Nimbrel.Init(0) < 0 || !INetwork->Init((std::string(argv[2]) + "-network.log").c_str(), 5)) return 2;
    int status = INetwork->ClientConnect("127.0.0.1", Uint16(std::atoi(argv[1])), argv[2]) ? Serve() : 2;
    INetwork->Quit();
    Nimbrel.Quit();
    return status;
}
