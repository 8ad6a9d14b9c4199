// The DPF package format (see dpf_format.h).
#include "data/dpf_format.h"

#include <ucl/ucl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/byte_order.h"

namespace dpf {

const Uint8 kBlockMarker[kMarkerSize] = {0xB7, 0xAE, 0xCE, 'B', 'l', 'o', 'c', 'k',
                                         '-',  'D',  'a',  't', 'a', 0xCE, 0xAF, 0xB7};
const char kIdentifierV4[kIdentifierSize] = {'D', 'P', 'F', 'v', '4', '.', '0', '\0'};

namespace {

const int kCompressionLevel = 6;

// The built-in key, kept XORed with kKeyScramble so that it never sits in the binary in plain
// form.
const Uint8 kKeyScramble = 0x5A;
const Uint8 kScrambledKey[16] = {0x14, 0x33, 0x37, 0x38, 0x28, 0x3F, 0x36, 0x7A,
                                 0x1E, 0x0A, 0x1C, 0x7A, 0x6E, 0x7B, 0x91, 0xE5};

// Copies text into a fixed field, always leaving a NUL at its end.
void PutText(Uint8* field, size_t fieldSize, const char* text) {
    std::memset(field, 0, fieldSize);
    if (!text) return;
    size_t length = std::strlen(text);
    if (length > fieldSize - 1) length = fieldSize - 1;
    std::memcpy(field, text, length);
}

void GetText(const Uint8* field, size_t fieldSize, char* text) {
    size_t length = 0;
    while (length < fieldSize - 1 && field[length]) ++length;
    std::memcpy(text, field, length);
    std::memset(text + length, 0, fieldSize - length);
}

} // namespace

int IdentifierVersion(const char identifier[kIdentifierSize]) {
    if (std::memcmp(identifier, kIdentifierV4, 4) != 0) return 0; // "DPFv" opens every version
    const char digit = identifier[4];
    return digit >= '0' && digit <= '9' ? digit - '0' : -1;
}

bool IsV3Marker(const Uint8* bytes) {
    static const Uint8 kDotted[kV3MarkerSize] = {'.', 'B', 'l', 'o', 'c', 'k', 'D', 'a', 't', 'a', '.'};
    static const Uint8 kFramed[kV3MarkerSize] = {0xB7, 'B', 'l', 'o', 'c', 'k', 'D', 'a', 't', 'a', 0xB7};
    return std::memcmp(bytes, kDotted, kV3MarkerSize) == 0 || std::memcmp(bytes, kFramed, kV3MarkerSize) == 0;
}

// ---- Package header -----------------------------------------------------------------------------

void BuildHeader(Uint8 header[kHeaderSize], const char* creator, const char* date, bool protectedPackage) {
    std::memset(header, 0, kHeaderSize);
    PutText(header + kCreatorOffset, kCreatorSize, creator);
    PutText(header + kCreatedOffset, kDateSize, date);
    PutText(header + kModifiedOffset, kDateSize, date);
    header[kProtectionOffset] = protectedPackage ? 1 : 0;
    SetHeaderChecksum(header, 0);
    for (int i = 0; i < kFillerSize; ++i) header[kFillerOffset + i] = Uint8(std::rand() % 255);
}

void SetHeaderModified(Uint8 header[kHeaderSize], const char* date) {
    PutText(header + kModifiedOffset, kDateSize, date);
}

Uint32 GetHeaderChecksum(const Uint8 header[kHeaderSize]) { return ReadLittle32(header + kChecksumOffset); }

void SetHeaderChecksum(Uint8 header[kHeaderSize], Uint32 checksum) { WriteLittle32(header + kChecksumOffset, checksum); }

bool IsHeaderProtected(const Uint8 header[kHeaderSize]) { return header[kProtectionOffset] != 0; }

void FormatPackageDate(char text[kDateSize]) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm local{};
    const std::tm* converted = std::localtime(&now);
    if (converted) local = *converted;
    std::memset(text, 0, kDateSize);
    std::snprintf(text, kDateSize, "%.3s %.3s %02d %02d:%02d:%02d %d", kDays[(local.tm_wday % 7 + 7) % 7],
                  kMonths[(local.tm_mon % 12 + 12) % 12], local.tm_mday, local.tm_hour, local.tm_min,
                  local.tm_sec, 1900 + local.tm_year);
}

// ---- Block header -------------------------------------------------------------------------------

void EncodeBlockHeader(const BlockHeader& header, Uint8 bytes[kBlockHeaderSize]) {
    std::memset(bytes, 0, kBlockHeaderSize);
    PutText(bytes, kNameSize, header.name);
    PutText(bytes + 32, kTypeSize, header.type);
    bytes[40] = header.mode;
    WriteLittle32(bytes + 44, header.originalSize);
    WriteLittle32(bytes + 48, header.storedSize);
}

void DecodeBlockHeader(const Uint8 bytes[kBlockHeaderSize], BlockHeader* header) {
    GetText(bytes, kNameSize, header->name);
    GetText(bytes + 32, kTypeSize, header->type);
    header->mode = bytes[40];
    header->originalSize = ReadLittle32(bytes + 44);
    header->storedSize = ReadLittle32(bytes + 48);
}

void MarkHeaderDeleted(Uint8 bytes[kBlockHeaderSize]) {
    static const Uint8 kDeletedType[kTypeSize] = {'D', 'E', 'L', 'E', 'T', 'E', 'D', '\0'};
    bytes[0] = '?';
    std::memcpy(bytes + 32, kDeletedType, kTypeSize);
}

// ---- Storage modes ------------------------------------------------------------------------------

void ApplyBlockMask(Uint8* data, size_t length) {
    const Uint32 wideMask = 0x6B6B6B6Bu;
    size_t at = 0;
    for (; at + 4 <= length; at += 4) {
        Uint32 word;
        std::memcpy(&word, data + at, 4);
        word ^= wideMask;
        std::memcpy(data + at, &word, 4);
    }
    for (; at < length; ++at) data[at] ^= kBlockMask;
}

int64_t Compress(const Uint8* data, size_t length, Uint8* out) {
    if (length > 0x7FFFFFFFu) return -1; // the block header holds 32-bit sizes
    ucl_uint outLength = 0;
    int result = ucl_nrv2b_99_compress(data, static_cast<ucl_uint>(length), out, &outLength, nullptr,
                                       kCompressionLevel, nullptr, nullptr);
    if (result != UCL_E_OK) return -1;
    return static_cast<int64_t>(outLength);
}

bool Decompress(const Uint8* stored, size_t storedSize, Uint8* out, size_t originalSize) {
    ucl_uint outLength = static_cast<ucl_uint>(originalSize);
    int result = ucl_nrv2b_decompress_safe_8(stored, static_cast<ucl_uint>(storedSize), out, &outLength, nullptr);
    return result == UCL_E_OK && outLength == originalSize;
}

uint64_t MaxOriginalSize(uint64_t storedSize) {
    // The compressor reaches about 655:1 on runs of one byte; leave generous room above that.
    return storedSize * 4096 + (uint64_t(1) << 20);
}

// ---- Cipher key ---------------------------------------------------------------------------------

void KeyWithBuiltInKey(BlowfishState* state) {
    Uint8 key[sizeof kScrambledKey];
    for (size_t i = 0; i < sizeof key; ++i) key[i] = kScrambledKey[i] ^ kKeyScramble;
    BlowfishSetKey(state, key, sizeof key);
    // Wipe the plain copy; volatile so the compiler keeps the stores.
    volatile Uint8* wipe = key;
    for (size_t i = 0; i < sizeof key; ++i) wipe[i] = 0;
}

} // namespace dpf
