// The DataNet wire format and the packet reader, without sockets: scrambling, the checksum, the
// sequence rules, limits, and packets cut into arbitrary pieces.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "Nimbrel.h"
#include "net/datanet_packet.h"
#include "support/test_support.h"

using datanet::Reader;

namespace {

typedef std::vector<Uint8> Bytes;

// Writes packets as a sender does, drawing sequence values from its own generator.
struct Stream {
    explicit Stream(Uint32 seed) : sender(seed) {}

    // damage 1: wrong checksum, 2: wrong sequence value, 3: size field as given
    void Add(Uint8 type, Uint8 cmd, const Bytes& payload, int damage = 0, Uint32 size = 0) {
        datanet::Header header;
        header.type = type;
        header.cmd = cmd;
        header.aux = datanet::DrawsSequence(type, cmd) ? datanet::NextSequence(sender) : 777;
        if (damage == 2) header.aux ^= 0x5555;
        header.size = damage == 3 ? size : Uint32(payload.size());
        header.crc = datanet::HasChecksum(type) ? datanet::Checksum(header, payload.data()) : 0;
        if (damage == 1) header.crc ^= 1;
        Bytes head(datanet::kHeaderSize), body = payload;
        datanet::WriteHeader(header, head.data());
        datanet::Scramble(head.data(), head.size());
        datanet::Scramble(body.data(), body.size());
        bytes.insert(bytes.end(), head.begin(), head.end());
        bytes.insert(bytes.end(), body.begin(), body.end());
    }

    std::mt19937 sender;
    Bytes bytes;
};

struct Outcome {
    Reader::Result result;
    Uint8 cmd;
    Bytes payload;
};

// Feeds the bytes in pieces of at most `piece` bytes (0: as much as fits) and collects every
// outcome.
std::vector<Outcome> Read(const Bytes& bytes, Uint32 seed, size_t piece, Uint32 maxPayload = 1 << 20) {
    Reader reader;
    std::mt19937 mirror(seed);
    std::vector<Outcome> outcomes;
    size_t at = 0;
    for (;;) {
        datanet::Header header;
        Uint8* payload = nullptr;
        const char* problem = nullptr;
        const Reader::Result result = reader.Next(maxPayload, &mirror, &header, &payload, &problem);
        if (result == Reader::kNeedMore) {
            Uint32 room = 0;
            Uint8* space = reader.Space(&room);
            const size_t count = std::min({size_t(room), bytes.size() - at, piece ? piece : bytes.size()});
            if (count == 0) return outcomes;
            std::copy(bytes.begin() + at, bytes.begin() + at + count, space);
            reader.Received(Uint32(count));
            at += count;
            continue;
        }
        outcomes.push_back({result, header.cmd, Bytes(payload, payload + (payload ? header.size : 0))});
        std::free(payload);
        if (result == Reader::kBroken) return outcomes;
    }
}

Bytes Pattern(size_t size, int salt) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = Uint8(i * 31 + salt);
    return bytes;
}

} // namespace

TEST(DataNetWire, ScramblesWholeWordsThenSingleBytesAndUndoesItself) {
    const Uint8 word[4] = {0x17, 0x9B, 0x2E, 0x5C};
    for (size_t length = 0; length < 150; ++length) {
        Bytes bytes(length, 0);
        datanet::Scramble(bytes.data(), length);
        for (size_t i = 0; i < length; ++i)
            EXPECT_EQ(bytes[i], i < length / 4 * 4 ? word[i % 4] : 0x4A) << "length " << length << " byte " << i;
        datanet::Scramble(bytes.data(), length);
        EXPECT_EQ(bytes, Bytes(length, 0));
    }
}

TEST(DataNetWire, ChecksumIsHeaderCrcPlusPayloadCrc) {
    datanet::Header header;
    header.type = 5;
    header.cmd = 9;
    header.aux = 0x1234;
    header.size = 3;
    header.crc = 0xDEADBEEF; // not part of its own checksum
    const Uint8 plainHeader[12] = {5, 9, 0x34, 0x12, 3, 0, 0, 0, 0, 0, 0, 0};
    const Uint32 expected = Uint32(crc32(0, plainHeader, 12) + crc32(0, reinterpret_cast<const Bytef*>("abc"), 3));
    EXPECT_EQ(expected, datanet::Checksum(header, reinterpret_cast<const Uint8*>("abc")));
    EXPECT_FALSE(datanet::HasChecksum(datanet::kSystemType));
}

TEST(DataNetReader, ReadsTheSamePacketsWhateverPiecesTheyArriveIn) {
    Stream stream(99);
    const std::vector<Bytes> payloads = {Bytes(), Pattern(1, 1), Pattern(20000, 2), Bytes{'b', 'o', 'b', 0},
                                         Pattern(100, 3), Pattern(4, 4), Pattern(Reader::kStageSize * 3 + 5, 5)};
    const Uint8 types[] = {1, 2, 3, 32, 4, 32, 6};
    const Uint8 cmds[] = {1, 2, 3, datanet::kDeparted, 4, datanet::kWelcome, 6};
    for (size_t i = 0; i < payloads.size(); ++i) stream.Add(types[i], cmds[i], payloads[i]);

    std::string seeds = std::string(NIMBREL_BINARY_DIR) + "/fuzz-seeds/datanet_fuzz/";
    Nimbrel.MakePath(seeds.c_str());
    WriteFile(seeds + "stream", std::string("\x07\x63\x00\x00\x00", 5) + std::string(stream.bytes.begin(), stream.bytes.end()));

    for (size_t piece : {size_t(0), size_t(1), size_t(7), size_t(5000)}) {
        std::vector<Outcome> outcomes = Read(stream.bytes, 99, piece);
        ASSERT_EQ(outcomes.size(), payloads.size()) << "pieces of " << piece;
        for (size_t i = 0; i < payloads.size(); ++i) {
            EXPECT_EQ(outcomes[i].result, Reader::kPacket) << "packet " << i << ", pieces of " << piece;
            EXPECT_EQ(outcomes[i].cmd, cmds[i]);
            EXPECT_TRUE(outcomes[i].payload == payloads[i]) << "packet " << i << ", pieces of " << piece;
        }
    }
}

TEST(DataNetReader, DropsBadPacketsAndStaysInStepWithTheSender) {
    Stream stream(5);
    stream.Add(1, 1, Pattern(10, 1), 1);                     // wrong checksum
    stream.Add(1, 2, Pattern(10, 2), 2);                     // wrong sequence value
    stream.Add(32, datanet::kLoggedOut, Bytes(), 2);         // not compared, but drawn
    stream.Add(32, datanet::kDeparted, Bytes{'x', 0}, 2);    // the same
    stream.Add(32, datanet::kRefused, Bytes());              // draws nothing
    stream.Add(1, 3, Pattern(10, 3));
    std::vector<Outcome> outcomes = Read(stream.bytes, 5, 3);
    ASSERT_EQ(outcomes.size(), 6u);
    EXPECT_EQ(outcomes[0].result, Reader::kDropped);
    EXPECT_EQ(outcomes[1].result, Reader::kDropped);
    for (size_t i = 2; i < 6; ++i) EXPECT_EQ(outcomes[i].result, Reader::kPacket) << i;
    EXPECT_TRUE(outcomes[5].payload == Pattern(10, 3));
    WriteFile(std::string(NIMBREL_BINARY_DIR) + "/fuzz-seeds/datanet_fuzz/dropped",
              std::string("\x03\x05\x00\x00\x00", 5) + std::string(stream.bytes.begin(), stream.bytes.end()));
}

TEST(DataNetReader, PayloadsAboveTheLimitBreakTheStreamBeforeAnyAllocation) {
    Stream atLimit(1);
    atLimit.Add(1, 1, Pattern(5000, 1));
    EXPECT_EQ(Read(atLimit.bytes, 1, 0, 5000)[0].result, Reader::kPacket);

    for (Uint32 size : {5001u, 0xFFFFFFF0u}) {
        Stream stream(1);
        stream.Add(1, 1, Bytes(), 3, size);
        stream.Add(1, 2, Bytes());
        std::vector<Outcome> outcomes = Read(stream.bytes, 1, 0, 5000);
        ASSERT_EQ(outcomes.size(), 1u) << size;
        EXPECT_EQ(outcomes[0].result, Reader::kBroken) << size;
    }
    // System packets are short whatever the application allows.
    Stream system(1);
    system.Add(32, datanet::kDeparted, Pattern(datanet::kMaxSystemPayload + 1, 1));
    EXPECT_EQ(Read(system.bytes, 1, 0)[0].result, Reader::kBroken);

    Reader reader;
    std::mt19937 mirror;
    Stream broken(1);
    broken.Add(1, 1, Bytes(), 3, 0xFFFFFFF0u);
    Uint32 room = 0;
    std::copy(broken.bytes.begin(), broken.bytes.end(), reader.Space(&room));
    reader.Received(Uint32(broken.bytes.size()));
    datanet::Header header;
    Uint8* payload = nullptr;
    const char* problem = nullptr;
    EXPECT_EQ(reader.Next(1 << 20, &mirror, &header, &payload, &problem), Reader::kBroken);
    EXPECT_STREQ(problem, "the payload size is above the limit");
    reader.Space(&room);
    EXPECT_EQ(room, 0u);
}
