#include "data/button_payload.h"

#include "core/byte_order.h"

namespace but {

bool ParseButton(const Uint8* data, Uint64 size, ButtonRecord* record, const char** problem) {
    if (!data || size < kPayloadSize) {
        if (problem) *problem = "the block is shorter than the 24 bytes of a button";
        return false;
    }
    record->key = ReadLittle16(data + 4);
    record->type = data[6];
    record->colour = ReadLittle32(data + 8);
    record->x = Sint16(ReadLittle16(data + 12));
    record->y = Sint16(ReadLittle16(data + 14));
    record->range = Sint16(ReadLittle16(data + 16));
    record->value = Sint32(ReadLittle32(data + 20));
    return true;
}

std::vector<Uint8> BuildButton(const ButtonRecord& record) {
    std::vector<Uint8> payload(kPayloadSize, 0);
    WriteLittle16(&payload[4], record.key);
    payload[6] = record.type;
    WriteLittle32(&payload[8], record.colour);
    WriteLittle16(&payload[12], Uint16(record.x));
    WriteLittle16(&payload[14], Uint16(record.y));
    WriteLittle16(&payload[16], Uint16(record.range));
    WriteLittle32(&payload[20], Uint32(record.value));
    return payload;
}

} // namespace but
