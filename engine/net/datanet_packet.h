// The DataNet packet on the wire, and the reading of packets from a connection's byte stream.
//
//   offset  size  field (little-endian)
//   0       1     type     32 marks the layer's own system packets
//   1       1     command  within the type
//   2       2     aux      sequence value: the low 16 bits of the sending side's next MT19937
//                          number (system commands 34, 36 and 38 carry a value of their own)
//   4       4     size     payload bytes
//   8       4     crc      CRC-32 of the header with crc 0, plus CRC-32 of the payload, added as
//                          32-bit numbers; 0 in system packets
//   12      size  payload
//
// Header and payload are each scrambled on their own: every whole 32-bit little-endian word XOR
// 0x5C2E9B17, the remaining bytes XOR 0x4A.
//
// This module knows only bytes. Nothing read is trusted: a size is checked against the limit
// before a byte is allocated, and a packet reaches its reader only with its checksum and its
// sequence value checked.
#ifndef NIMBREL_NET_DATANET_PACKET_H
#define NIMBREL_NET_DATANET_PACKET_H

#include <SDL.h>

#include <cstddef>
#include <random>

namespace datanet {

const Uint32 kHeaderSize = 12;
const Uint8 kSystemType = 32;
const Uint8 kType64 = 64; // counted apart by the sender

// System commands.
const Uint8 kLogin = 34;     // client to server: payload = the client's name with its NUL
const Uint8 kWelcome = 36;   // server to client: login accepted; payload = 4-byte sequence seed
const Uint8 kRefused = 38;   // server to client: login refused; aux = the reason (below)
const Uint8 kDeparted = 42;  // server to clients: a client left; payload = its name with its NUL
const Uint8 kLoggedOut = 44; // server to one client: you have been logged out

// Reasons in a refusal's aux.
const Uint16 kRefusedFull = 1;
const Uint16 kRefusedName = 2;

// Names travel with their NUL, and system payloads are never longer than this.
const Uint32 kNameSize = 32;
const Uint32 kMaxSystemPayload = 64;
const Uint32 kDefaultMaxPayload = 1u << 20;

struct Header {
    Uint8 type = 0;
    Uint8 cmd = 0;
    Uint16 aux = 0;
    Uint32 size = 0;
    Uint32 crc = 0;
};

// Scrambles in place; the same call undoes it.
void Scramble(Uint8* bytes, size_t length);

// The 12 header bytes, not scrambled.
void WriteHeader(const Header& header, Uint8* bytes);
Header ReadHeader(const Uint8* bytes);

// Which packets carry a checksum, which draw a sequence value from the sender's generator, and
// on which of those the receiver compares it. Logout and departure notices draw one but are not
// compared: they can reach a client before it has learned its seed.
bool HasChecksum(Uint8 type);
bool DrawsSequence(Uint8 type, Uint8 cmd);
bool ChecksSequence(Uint8 type, Uint8 cmd);

// The checksum of a packet; the header's own crc field is taken as 0.
Uint32 Checksum(const Header& header, const Uint8* payload);

// The sequence value drawn from a generator.
inline Uint16 NextSequence(std::mt19937& generator) { return Uint16(generator() & 0xFFFF); }

// One connection's receive state: the bytes of a packet that has not arrived whole yet. Bytes
// are written where Space says, then Next takes out the packets they complete, one at a time.
// Everything is read into one stage buffer, used again and again: one read can bring many small
// packets, and a large payload is copied out of memory the processor still holds, which costs
// far less than reading into the payload's fresh memory would.
class Reader {
public:
    static constexpr Uint32 kStageSize = 65536;

    enum Result {
        kNeedMore, // no complete packet: read more bytes
        kPacket,   // a packet passed its checks
        kDropped,  // a packet failed its checks and was thrown away; reading goes on
        kBroken,   // the stream cannot be read any further: give up the connection
    };

    Reader() = default;
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Forgets everything, a partial packet included.
    void Reset();

    // Where the next bytes go and how many fit there: at least 1, or 0 when the reader is broken
    // or has no memory for its stage (allocated at the first call).
    Uint8* Space(Uint32* room);
    // Records that `count` bytes (at most the room given) were written there.
    void Received(Uint32 count);

    // Takes the next complete packet. Payloads above maxPayload (system packets: above
    // kMaxSystemPayload, whatever maxPayload says) break the stream, since the reader cannot
    // know where the next packet begins. Every packet that draws a sequence value draws it from
    // `sequence`, whatever its fate, so one bad packet does not put the two sides out of step.
    // Call it until it says kNeedMore before asking for Space again.
    //   kPacket: *header is filled and *payload is the unscrambled payload, allocated with
    //            malloc and owned by the caller (null for an empty one);
    //   kDropped: *header is filled and *problem says why;
    //   kBroken: *problem says why.
    Result Next(Uint32 maxPayload, std::mt19937* sequence, Header* header, Uint8** payload,
                const char** problem);

private:
    Uint8* stage_ = nullptr;
    Uint32 begin_ = 0;
    Uint32 end_ = 0;
    bool inPayload_ = false;
    bool broken_ = false;
    Header header_;
    Uint8* payload_ = nullptr;
    Uint32 filled_ = 0;
};

} // namespace datanet

#endif
