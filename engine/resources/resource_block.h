// A resource's block read from a package: its current version, or the old version converted and
// stored back in its place. Sprites and tiles share this sequence; each brings its own block
// types, parser, converter and message texts.
//
// The package changes only when a conversion is complete: the converted payload has been parsed
// successfully, added to the package and the old block deleted. When the addition fails, the
// package is as it was; when the deletion fails, the added block is deleted again.
#ifndef NIMBREL_RESOURCES_RESOURCE_BLOCK_H
#define NIMBREL_RESOURCES_RESOURCE_BLOCK_H

#include <SDL.h>

#include <vector>

// Who loads and with what, as the messages show it: " . [CSprite::Load('pack.dpf','logo','SPR2')] ".
struct ResourceLoadCall {
    const char* operation; // "CSprite::Load"
    const char* package;   // the package file name, or ""
    const char* name;
    const char* detail;    // the sprite's label, the tile's block type
};

// Writes one line of a load: the call's prefix, then `text` (which ends in "\n").
void LogLoad(Sint8 level, const ResourceLoadCall& call, const char* text);

// The texts that differ between the resources.
struct ResourceBlockTexts {
    const char* noun;     // "sprite": "Error: the sprite block is damaged: <why>.\n"
    const char* notFound; // "Error: sprite not found\n"
    const char* updated;  // "Info: sprite successfully updated from v1.0 to v2.0.\n"
};

typedef bool (*LegacyConverter)(const Uint8* data, Uint64 size, std::vector<Uint8>* converted, const char** problem);

// The payload's bytes, as loaded or as converted. Owns them.
class ResourcePayload {
public:
    ResourcePayload() = default;
    ~ResourcePayload() { Release(); }
    ResourcePayload(const ResourcePayload&) = delete;
    ResourcePayload& operator=(const ResourcePayload&) = delete;

    const Uint8* bytes() const { return bytes_; }
    Uint64 size() const { return size_; }
    void Release();

private:
    friend class ResourceBlockLoader;
    Uint8* blockData_ = nullptr; // from IStuffDPF->LoadBlock
    std::vector<Uint8> converted_;
    const Uint8* bytes_ = nullptr;
    Uint64 size_ = 0;
};

// The steps of a load, each logging its own failure.
class ResourceBlockLoader {
public:
    ResourceBlockLoader(int package, const ResourceLoadCall& call, const ResourceBlockTexts& texts)
        : package_(package), call_(call), texts_(texts) {}

    // Loads the block of the current type, or else of the old type converted with `convert`.
    bool Load(const char* currentType, const char* oldType, LegacyConverter convert, ResourcePayload* payload);
    // Logs a damaged block, with the parser's reason; false, for the caller to return.
    bool Damaged(const char* problem) const;
    // After the payload parsed: stores a converted payload in the package as the current type,
    // in the old block's place. True when there was nothing to store or it was stored.
    bool StoreConversion(const ResourcePayload& payload);

private:
    // One LoadBlock into the payload; false when the package has no such block that loads.
    bool LoadRaw(const char* type, ResourcePayload* payload, Uint8* mode);

    int package_;
    const ResourceLoadCall& call_;
    const ResourceBlockTexts& texts_;
    const char* currentType_ = nullptr;
    const char* oldType_ = nullptr;
    Uint8 oldMode_ = 0;
    bool converted_ = false;
};

#endif
