// The DataNet wire format and the per-connection packet reader (layout in net/datanet_packet.h).
#include "net/datanet_packet.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Nimbrel.h"
#include "core/byte_order.h"

namespace datanet {

namespace {

// The word mask 0x5C2E9B17 as it lies in memory in little-endian order, twice, so the bulk of a
// payload is done eight bytes at a time whatever the host's byte order.
const Uint8 kWordMaskBytes[8] = {0x17, 0x9B, 0x2E, 0x5C, 0x17, 0x9B, 0x2E, 0x5C};
const Uint8 kByteMask = 0x4A;

} // namespace

void Scramble(Uint8* bytes, size_t length) {
    const size_t wordBytes = length & ~size_t(3);
    size_t i = 0;
#if defined(__SSE2__)
    // Sending and receiving pass over every payload byte here; at 64 bytes a step this costs a
    // small part of what the socket's own copy does.
    const __m128i wide = _mm_set1_epi32(int(0x5C2E9B17));
    for (; i + 64 <= wordBytes; i += 64) {
        __m128i* at = reinterpret_cast<__m128i*>(bytes + i);
        _mm_storeu_si128(at, _mm_xor_si128(_mm_loadu_si128(at), wide));
        _mm_storeu_si128(at + 1, _mm_xor_si128(_mm_loadu_si128(at + 1), wide));
        _mm_storeu_si128(at + 2, _mm_xor_si128(_mm_loadu_si128(at + 2), wide));
        _mm_storeu_si128(at + 3, _mm_xor_si128(_mm_loadu_si128(at + 3), wide));
    }
#endif
    Uint64 mask;
    std::memcpy(&mask, kWordMaskBytes, sizeof mask);
    for (; i + 8 <= wordBytes; i += 8) {
        Uint64 value;
        std::memcpy(&value, bytes + i, sizeof value);
        value ^= mask;
        std::memcpy(bytes + i, &value, sizeof value);
    }
    for (; i < wordBytes; ++i) bytes[i] ^= kWordMaskBytes[i & 3];
    for (; i < length; ++i) bytes[i] ^= kByteMask;
}

void WriteHeader(const Header& header, Uint8* bytes) {
    bytes[0] = header.type;
    bytes[1] = header.cmd;
    bytes[2] = Uint8(header.aux);
    bytes[3] = Uint8(header.aux >> 8);
    WriteLittle32(bytes + 4, header.size);
    WriteLittle32(bytes + 8, header.crc);
}

Header ReadHeader(const Uint8* bytes) {
    Header header;
    header.type = bytes[0];
    header.cmd = bytes[1];
    header.aux = Uint16(bytes[2] | bytes[3] << 8);
    header.size = ReadLittle32(bytes + 4);
    header.crc = ReadLittle32(bytes + 8);
    return header;
}

bool HasChecksum(Uint8 type) { return type != kSystemType; }

bool DrawsSequence(Uint8 type, Uint8 cmd) {
    return !(type == kSystemType && (cmd == kLogin || cmd == kWelcome || cmd == kRefused));
}

bool ChecksSequence(Uint8 type, Uint8 cmd) {
    return DrawsSequence(type, cmd) && !(type == kSystemType && (cmd == kDeparted || cmd == kLoggedOut));
}

Uint32 Checksum(const Header& header, const Uint8* payload) {
    Header plain = header;
    plain.crc = 0;
    Uint8 bytes[kHeaderSize];
    WriteHeader(plain, bytes);
    Uint32 crc = Nimbrel.CRC32(bytes, int(kHeaderSize));
    if (header.size) crc += Nimbrel.CRC32(payload, int(header.size));
    return crc;
}

// ---- Reader ---------------------------------------------------------------------------------------

Reader::~Reader() {
    std::free(payload_);
    std::free(stage_);
}

void Reader::Reset() {
    std::free(payload_);
    payload_ = nullptr;
    begin_ = end_ = 0;
    inPayload_ = false;
    broken_ = false;
    filled_ = 0;
    header_ = Header();
}

Uint8* Reader::Space(Uint32* room) {
    *room = 0;
    if (!stage_) stage_ = static_cast<Uint8*>(std::malloc(kStageSize));
    if (broken_ || !stage_) return stage_;
    if (begin_ == end_) {
        begin_ = end_ = 0;
    } else if (end_ == kStageSize) {
        // Only the start of a header can be left: Next takes every payload byte it is given.
        std::memmove(stage_, stage_ + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    *room = kStageSize - end_;
    return stage_ + end_;
}

void Reader::Received(Uint32 count) {
    if (!broken_ && stage_) end_ = std::min(kStageSize, end_ + count);
}

Reader::Result Reader::Next(Uint32 maxPayload, std::mt19937* sequence, Header* header, Uint8** payload,
                            const char** problem) {
    *payload = nullptr;
    *problem = nullptr;
    if (broken_) {
        *problem = "the stream was already given up";
        return kBroken;
    }
    if (!inPayload_) {
        if (end_ - begin_ < kHeaderSize) return kNeedMore;
        Uint8 bytes[kHeaderSize];
        std::memcpy(bytes, stage_ + begin_, kHeaderSize);
        begin_ += kHeaderSize;
        Scramble(bytes, kHeaderSize);
        header_ = ReadHeader(bytes);
        const Uint32 limit = header_.type == kSystemType ? kMaxSystemPayload : maxPayload;
        if (header_.size > limit) {
            broken_ = true;
            *problem = "the payload size is above the limit";
            return kBroken;
        }
        if (header_.size) {
            payload_ = static_cast<Uint8*>(std::malloc(header_.size));
            if (!payload_) {
                broken_ = true;
                *problem = "no memory for the payload";
                return kBroken;
            }
        }
        filled_ = 0;
        inPayload_ = true;
    }

    const Uint32 take = std::min(end_ - begin_, header_.size - filled_);
    if (take) {
        std::memcpy(payload_ + filled_, stage_ + begin_, take);
        begin_ += take;
        filled_ += take;
    }
    if (filled_ < header_.size) return kNeedMore;

    inPayload_ = false;
    Uint8* bytes = payload_;
    payload_ = nullptr;
    Scramble(bytes, header_.size);
    // Drawn before any check: the sender drew for this packet whatever happens to it here.
    const bool drawn = DrawsSequence(header_.type, header_.cmd);
    const Uint16 expected = drawn ? NextSequence(*sequence) : 0;
    *header = header_;
    if (HasChecksum(header_.type) && Checksum(header_, bytes) != header_.crc) {
        std::free(bytes);
        *problem = "wrong checksum";
        return kDropped;
    }
    if (ChecksSequence(header_.type, header_.cmd) && header_.aux != expected) {
        std::free(bytes);
        *problem = "wrong sequence value";
        return kDropped;
    }
    *payload = bytes;
    return kPacket;
}

} // namespace datanet
