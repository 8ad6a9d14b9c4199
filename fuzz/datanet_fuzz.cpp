// Fuzzes the receive path's packet reader with arbitrary byte streams cut into arbitrary pieces.
// Hostile streams must end in dropped packets or a given-up connection, never in a read outside
// a buffer, an allocation above the limit or a leak; packets that get through must be whole and
// carry the checksum they claim.
//
// Input: 1 byte, the largest piece the stream is handed over in (0: as much as fits); 4 bytes,
// the seed of the sequence generator; then the stream. Seeds are the streams the unit tests
// write into build/fuzz-seeds/datanet_fuzz/.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>

#include "net/datanet_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const size_t largestPiece = data[0];
    std::mt19937 sequence(Uint32(data[1] | data[2] << 8 | data[3] << 16) | Uint32(data[4]) << 24);
    const Uint8* stream = data + 5;
    const size_t length = size - 5;
    // Small enough that sizes around it are reached, large enough that a payload spans several
    // fillings of the reader's stage.
    const Uint32 maxPayload = 3 * datanet::Reader::kStageSize;

    datanet::Reader reader;
    size_t at = 0;
    for (;;) {
        datanet::Header header;
        Uint8* payload = nullptr;
        const char* problem = nullptr;
        const datanet::Reader::Result result = reader.Next(maxPayload, &sequence, &header, &payload, &problem);
        if (result == datanet::Reader::kBroken) {
            if (!problem) std::abort();
            return 0;
        }
        if (result == datanet::Reader::kPacket) {
            const Uint32 limit = header.type == datanet::kSystemType ? datanet::kMaxSystemPayload : maxPayload;
            if (header.size > limit || (header.size != 0) != (payload != nullptr)) std::abort();
            if (datanet::HasChecksum(header.type) && datanet::Checksum(header, payload) != header.crc) std::abort();
            std::free(payload);
            continue;
        }
        if (result == datanet::Reader::kDropped) {
            if (payload || !problem) std::abort();
            continue;
        }
        Uint32 room = 0;
        Uint8* space = reader.Space(&room);
        size_t count = std::min(size_t(room), length - at);
        if (largestPiece) count = std::min(count, largestPiece);
        if (count == 0) return 0;
        std::memcpy(space, stream + at, count);
        reader.Received(Uint32(count));
        at += count;
    }
}
