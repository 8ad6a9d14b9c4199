// Reading, converting and building the sprite payloads (layout in data/sprite_payload.h).
#include "data/sprite_payload.h"

#include <cstring>

#include "core/byte_order.h"

namespace spr {

namespace {

// Header.
const Uint32 kOffsetFrameWidth = 0;
const Uint32 kOffsetFrameHeight = 4;
const Uint32 kOffsetX = 8;
const Uint32 kOffsetY = 12;
const Uint32 kOffsetAnimations = 16;
const Uint32 kOffsetSheetWidth = 20;

// Animation record.
const Uint32 kRecordType = 0;
const Uint32 kRecordFrameCount = 4;
const Uint32 kRecordCurrentFrame = 6;
const Uint32 kRecordLoopStart = 12;
const Uint32 kRecordEndFrame = 14;
const Uint32 kRecordHotX = 16;
const Uint32 kRecordHotY = 18;

// Within the pixel format record.
const Uint32 kFormatColorKey = 32;

bool Fail(const char** problem, const char* text) {
    if (problem) *problem = text;
    return false;
}

Sint32 ReadSigned32(const Uint8* at) { return Sint32(ReadLittle32(at)); }

// What the two payload versions share: the header, and the sheet the header describes.
struct SheetHeader {
    Sint32 frameWidth, frameHeight, x, y, animations, sheetWidth;
};

bool ParseHeader(const Uint8* data, Uint64 size, SheetHeader* header, const char** problem) {
    if (!data || size < kHeaderSize) return Fail(problem, "the block is shorter than its header");
    header->frameWidth = ReadSigned32(data + kOffsetFrameWidth);
    header->frameHeight = ReadSigned32(data + kOffsetFrameHeight);
    header->x = ReadSigned32(data + kOffsetX);
    header->y = ReadSigned32(data + kOffsetY);
    header->animations = ReadSigned32(data + kOffsetAnimations);
    header->sheetWidth = ReadSigned32(data + kOffsetSheetWidth);
    if (header->frameWidth <= 0 || header->frameHeight <= 0) return Fail(problem, "the frame size is not positive");
    if (header->animations <= 0) return Fail(problem, "the sprite has no animations");
    if (header->sheetWidth <= 0) return Fail(problem, "the sheet has no width");
    if (Uint64(header->sheetWidth) > img::kMaxRectCoordinate ||
        Uint64(header->animations) * Uint64(header->frameHeight) > img::kMaxRectCoordinate)
        return Fail(problem, "the sheet is too large");
    if (header->frameWidth > header->sheetWidth) return Fail(problem, "a frame is wider than the sheet");
    return true;
}

// The frames of one animation lie side by side in one row of the sheet.
bool FramesFitSheet(const SheetHeader& header, Uint64 frames, const char** problem) {
    if (frames * Uint64(header.frameWidth) > Uint64(header.sheetWidth))
        return Fail(problem, "an animation has more frames than the sheet holds");
    return true;
}

// Makes one parsed animation safe to run (the rules are in sprite_payload.h).
void MakeSafe(SpriteAnimation* animation, Uint16 storedCurrentFrame, bool firstAnimation) {
    const Uint16 frames = Uint16(animation->frameTimes.size());
    const Uint16 lastFrame = frames ? Uint16(frames - 1) : 0;
    Uint16 start = firstAnimation ? animation->loopStart : storedCurrentFrame;
    Uint16 freezeOn = 0;
    bool freeze = false;
    if (frames == 0 || animation->endFrame == 0) {
        freeze = true;
    } else {
        if (animation->endFrame > frames) animation->endFrame = frames;
        if (start >= animation->endFrame || animation->loopStart >= animation->endFrame) {
            freeze = true;
            freezeOn = start < lastFrame ? start : lastFrame;
        }
    }
    if (freeze) start = animation->endFrame = freezeOn; // a frozen animation never reads its loop start
    animation->startFrame = start;
}

// The pixel format record at `at` and the sheet's rows after it, up to the end of the block.
bool ParseSheet(const SheetHeader& header, const Uint8* data, Uint64 size, Uint64 at, img::ImageView* sheet,
                const char** problem) {
    if (at > size || size - at < img::kFormatRecordSize)
        return Fail(problem, "the block has no room for its pixel format");
    img::ImageFormat format;
    format.width = Uint32(header.sheetWidth);
    format.height = Uint32(header.animations) * Uint32(header.frameHeight);
    img::ReadFormatRecord(data + at, &format);
    if (!img::CheckPaletteKey(format, problem)) return false;
    at += img::kFormatRecordSize;
    return img::ParsePixels(format, data + at, size - at, sheet, problem);
}

void WriteHeader(Uint8* out, Sint32 frameWidth, Sint32 frameHeight, Sint32 x, Sint32 y, Sint32 animations,
                 Sint32 sheetWidth) {
    WriteLittle32(out + kOffsetFrameWidth, Uint32(frameWidth));
    WriteLittle32(out + kOffsetFrameHeight, Uint32(frameHeight));
    WriteLittle32(out + kOffsetX, Uint32(x));
    WriteLittle32(out + kOffsetY, Uint32(y));
    WriteLittle32(out + kOffsetAnimations, Uint32(animations));
    WriteLittle32(out + kOffsetSheetWidth, Uint32(sheetWidth));
}

} // namespace

// ---- Reading ------------------------------------------------------------------------------------

bool ParseSprite(const Uint8* data, Uint64 size, SpriteView* sprite, const char** problem) {
    SheetHeader header;
    if (!ParseHeader(data, size, &header, problem)) return false;

    std::vector<SpriteAnimation> animations(size_t(header.animations));
    Uint64 at = kHeaderSize;
    for (Sint32 a = 0; a < header.animations; ++a) {
        if (size - at < kAnimationRecordSize) return Fail(problem, "the animation table runs past the end of the block");
        const Uint8* record = data + at;
        const Uint16 frames = ReadLittle16(record + kRecordFrameCount);
        at += kAnimationRecordSize;
        if ((size - at) / kFrameRecordSize < frames) return Fail(problem, "a frame table runs past the end of the block");
        if (!FramesFitSheet(header, frames, problem)) return false;

        SpriteAnimation& animation = animations[size_t(a)];
        animation.type = ReadLittle16(record + kRecordType);
        animation.loopStart = ReadLittle16(record + kRecordLoopStart);
        animation.endFrame = ReadLittle16(record + kRecordEndFrame);
        animation.hotX = Sint16(ReadLittle16(record + kRecordHotX));
        animation.hotY = Sint16(ReadLittle16(record + kRecordHotY));
        animation.frameTimes.resize(frames);
        for (Uint16 f = 0; f < frames; ++f, at += kFrameRecordSize) animation.frameTimes[f] = ReadLittle32(data + at);
        MakeSafe(&animation, ReadLittle16(record + kRecordCurrentFrame), a == 0);
    }

    img::ImageView sheet;
    if (!ParseSheet(header, data, size, at, &sheet, problem)) return false;
    sprite->frameWidth = header.frameWidth;
    sprite->frameHeight = header.frameHeight;
    sprite->x = header.x;
    sprite->y = header.y;
    sprite->animations.swap(animations);
    sprite->sheet = sheet;
    return true;
}

bool ConvertLegacySprite(const Uint8* data, Uint64 size, std::vector<Uint8>* converted, const char** problem) {
    SheetHeader header;
    if (!ParseHeader(data, size, &header, problem)) return false;

    // Walk the old tables once to check them and to size the new payload.
    Uint64 at = kHeaderSize;
    Uint64 totalFrames = 0;
    for (Sint32 a = 0; a < header.animations; ++a) {
        if (size - at < kLegacyAnimationRecordSize)
            return Fail(problem, "the animation table runs past the end of the block");
        const Uint16 frames = ReadLittle16(data + at + kRecordFrameCount);
        at += kLegacyAnimationRecordSize;
        if ((size - at) / kLegacyFrameRecordSize < frames)
            return Fail(problem, "a frame table runs past the end of the block");
        if (!FramesFitSheet(header, frames, problem)) return false;
        at += Uint64(frames) * kLegacyFrameRecordSize;
        totalFrames += frames;
    }
    const Uint64 tablesEnd = at;
    img::ImageView sheet;
    if (!ParseSheet(header, data, size, tablesEnd, &sheet, problem)) return false;

    const Uint64 newSize = size + Uint64(header.animations) * (kAnimationRecordSize - kLegacyAnimationRecordSize) +
                           totalFrames * (kFrameRecordSize - kLegacyFrameRecordSize);
    if (newSize > 0xFFFFFFFFu) return Fail(problem, "the converted sprite would be too large for a block");

    converted->assign(size_t(newSize), 0);
    Uint8* out = converted->data();
    std::memcpy(out, data, kHeaderSize);
    Uint64 from = kHeaderSize;
    Uint64 to = kHeaderSize;
    for (Sint32 a = 0; a < header.animations; ++a) {
        const Uint16 frames = ReadLittle16(data + from + kRecordFrameCount);
        std::memcpy(out + to, data + from, kLegacyAnimationRecordSize);
        WriteLittle16(out + to + kRecordLoopStart, 0);
        WriteLittle16(out + to + kRecordEndFrame, frames);
        from += kLegacyAnimationRecordSize;
        to += kAnimationRecordSize;
        for (Uint16 f = 0; f < frames; ++f, from += kLegacyFrameRecordSize, to += kFrameRecordSize)
            std::memcpy(out + to, data + from, 4);
    }
    // The format record, the rows and the palette follow unchanged, but for the key's meaning.
    std::memcpy(out + to, data + from, size_t(size - from));
    Uint8* key = out + to + kFormatColorKey;
    if (ReadLittle32(key) == 0) WriteLittle32(key, img::kNoColorKey);
    return true;
}

// ---- Building -----------------------------------------------------------------------------------

SpriteAnimation MakeAnimation(AnimationType type, Uint16 frames, Uint32 milliseconds) {
    SpriteAnimation animation;
    animation.type = type;
    animation.endFrame = frames;
    animation.frameTimes.assign(frames, milliseconds);
    return animation;
}

bool BuildSprite(const SpriteSource& source, std::vector<Uint8>* payload, const char** problem) {
    const Uint64 animations = source.animations.size();
    if (animations == 0) return Fail(problem, "the sprite has no animations");
    if (source.frameWidth == 0 || source.frameHeight == 0) return Fail(problem, "the frame size is not positive");
    if (source.sheet.width > img::kMaxRectCoordinate || source.sheet.height > img::kMaxRectCoordinate)
        return Fail(problem, "the sheet is too large");
    if (Uint64(source.frameHeight) * animations != source.sheet.height)
        return Fail(problem, "the sheet's height is not one frame height per animation");

    Uint64 size = kHeaderSize + img::kFormatRecordSize + img::PixelBytes(source.sheet);
    for (const SpriteAnimation& animation : source.animations) {
        if (animation.frameTimes.size() > 0xFFFF) return Fail(problem, "an animation has more than 65535 frames");
        size += kAnimationRecordSize + Uint64(animation.frameTimes.size()) * kFrameRecordSize;
    }
    if (size > 0xFFFFFFFFu) return Fail(problem, "the sprite is too large for a block");

    std::vector<Uint8> bytes(size_t(size), 0);
    Uint8* out = bytes.data();
    WriteHeader(out, Sint32(source.frameWidth), Sint32(source.frameHeight), source.x, source.y, Sint32(animations),
                Sint32(source.sheet.width));
    Uint8* at = out + kHeaderSize;
    for (const SpriteAnimation& animation : source.animations) {
        WriteLittle16(at + kRecordType, animation.type);
        WriteLittle16(at + kRecordFrameCount, Uint16(animation.frameTimes.size()));
        WriteLittle16(at + kRecordCurrentFrame, animation.startFrame);
        WriteLittle16(at + kRecordLoopStart, animation.loopStart);
        WriteLittle16(at + kRecordEndFrame, animation.endFrame);
        WriteLittle16(at + kRecordHotX, Uint16(source.hotX));
        WriteLittle16(at + kRecordHotY, Uint16(source.hotY));
        at += kAnimationRecordSize;
        for (Uint32 time : animation.frameTimes) {
            WriteLittle32(at, time);
            at += kFrameRecordSize;
        }
    }
    img::WriteFormatRecord(source.sheet, at);
    img::WritePixels(source.sheet, source.rows, source.palette, at + img::kFormatRecordSize);

    // What was written must read back as written: nothing the parser would refuse or mend.
    SpriteView check;
    if (!ParseSprite(out, size, &check, problem)) return false;
    for (size_t a = 0; a < check.animations.size(); ++a) {
        const SpriteAnimation& wanted = source.animations[a];
        const SpriteAnimation& parsed = check.animations[a];
        const Uint16 start = a == 0 ? wanted.loopStart : wanted.startFrame;
        if (parsed.endFrame != wanted.endFrame || parsed.startFrame != start)
            return Fail(problem, "an animation's end frame, loop start and start frame do not fit its frames");
    }
    payload->swap(bytes);
    return true;
}

} // namespace spr
