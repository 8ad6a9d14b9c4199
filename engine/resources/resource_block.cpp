// A resource's block from a package, with the conversion of old versions (see resource_block.h).
#include "resources/resource_block.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Nimbrel.h"

void LogLoad(Sint8 level, const ResourceLoadCall& call, const char* text) {
    ILogSystem.Msg(level, " . [%s('%s','%s','%s')] %s", call.operation, call.package, call.name, call.detail, text);
}

void ResourcePayload::Release() {
    std::free(blockData_);
    blockData_ = nullptr;
    std::vector<Uint8>().swap(converted_);
    bytes_ = nullptr;
    size_ = 0;
}

namespace {

DPFBlock BlockRecord(const char* name, const char* type, Uint8 mode, const Uint8* data, Uint64 size) {
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    std::snprintf(block.name, sizeof block.name, "%s", name);
    std::snprintf(block.type, sizeof block.type, "%s", type);
    block.mode = mode;
    block.originalSize = Uint32(size);
    block.data = const_cast<Uint8*>(data);
    return block;
}

} // namespace

bool ResourceBlockLoader::LoadRaw(const char* type, ResourcePayload* payload, Uint8* mode) {
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    const int loaded = IStuffDPF->LoadBlock(package_, type, call_.name, &block);
    if (loaded <= 0 || !block.data) {
        std::free(block.data);
        return false;
    }
    payload->Release();
    payload->blockData_ = block.data;
    payload->bytes_ = block.data;
    payload->size_ = Uint64(loaded);
    *mode = block.mode;
    return true;
}

bool ResourceBlockLoader::Load(const char* currentType, const char* oldType, LegacyConverter convert,
                               ResourcePayload* payload) {
    currentType_ = currentType;
    oldType_ = oldType;
    converted_ = false;
    if (!::IStuffDPF) {
        LogLoad(0, call_, texts_.notFound);
        return false;
    }
    Uint8 mode = 0;
    if (LoadRaw(currentType, payload, &mode)) return true;
    if (!LoadRaw(oldType, payload, &oldMode_)) {
        LogLoad(0, call_, texts_.notFound);
        return false;
    }
    const char* problem = "";
    if (!convert(payload->blockData_, payload->size_, &payload->converted_, &problem)) return Damaged(problem);
    std::free(payload->blockData_);
    payload->blockData_ = nullptr;
    payload->bytes_ = payload->converted_.data();
    payload->size_ = payload->converted_.size();
    converted_ = true;
    return true;
}

bool ResourceBlockLoader::Damaged(const char* problem) const {
    ILogSystem.Msg(0, " . [%s('%s','%s','%s')] Error: the %s block is damaged: %s.\n", call_.operation, call_.package,
                   call_.name, call_.detail, texts_.noun, problem);
    return false;
}

bool ResourceBlockLoader::StoreConversion(const ResourcePayload& payload) {
    if (!converted_) return true;
    DPFBlock added = BlockRecord(call_.name, currentType_, oldMode_, payload.bytes(), payload.size());
    bool stored = IStuffDPF->AddData(package_, &added) >= 1;
    if (stored) {
        DPFBlock old = BlockRecord(call_.name, oldType_, oldMode_, nullptr, 0);
        stored = IStuffDPF->Delete(package_, &old) == 1;
        // Never leave both versions: the old block stays the one the package holds.
        if (!stored) IStuffDPF->Delete(package_, &added);
    }
    if (!stored) {
        LogLoad(0, call_, "Error: update to v2.0 was not possible.\n");
        return false;
    }
    LogLoad(2, call_, texts_.updated);
    return true;
}
