// The dpf tool's commands on blocks of any type and on whole packages (see commands.h).
#include "commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"
#include "package.h"
#include "values.h"

namespace {

std::string BlockLabel(const DPFBlock& block) { return std::string("'") + block.name + "' (" + block.type + ")"; }

bool IsDeleted(const DPFBlock& block) { return std::string(block.type) == "DELETED"; }

// Every block of the package in file order. False when the search ended on damaged framing.
bool CollectBlocks(int handle, std::vector<DPFBlock>* blocks) {
    DPFBlock block{};
    int result = IStuffDPF->FindFirst(handle, &block);
    for (; result == 1; result = IStuffDPF->FindNext(handle, &block)) blocks->push_back(block);
    return result == 0;
}

DPFBlock WantedBlock(const std::string& name, const std::string& type) {
    DPFBlock block{};
    name.copy(block.name, sizeof block.name - 1);
    type.copy(block.type, sizeof block.type - 1);
    return block;
}

// A block's payload. False when it does not load (the engine said why).
bool LoadPayload(int handle, const DPFBlock& found, std::vector<Uint8>* payload) {
    DPFBlock block{};
    const int size = found.originalSize ? IStuffDPF->LoadBlock(handle, found.type, found.name, &block) : 0;
    if (size == int(found.originalSize) && block.data) payload->assign(block.data, block.data + size);
    std::free(block.data);
    return size == int(found.originalSize);
}

bool IsButton(const DPFBlock& block) { return std::string(block.type) == "BUT"; }

// What a button is made of: its descriptor, and the size of each image it loads, or "missing".
void DescribeButtonBlock(int handle, const DPFBlock& found, const std::vector<Uint8>& payload,
                         std::string* description, std::string* problem) {
    if (!NimbrelAuthoring::DescribeButton(payload.data(), payload.size(), description, problem)) return;
    const int type = payload.size() > 6 ? payload[6] : 0;
    std::string images;
    for (const std::string& suffix : NimbrelAuthoring::ButtonImageSuffixes(type)) {
        DPFBlock image = WantedBlock(std::string(found.name) + suffix, "TILB2");
        std::vector<Uint8> tile;
        Uint32 width = 0, height = 0;
        std::string why;
        images += (images.empty() ? "; images " : ", ") + std::string(image.name);
        if (IStuffDPF->FindBlock(handle, &image) != 1)
            images += " missing";
        else if (!LoadPayload(handle, image, &tile) ||
                 !NimbrelAuthoring::TileImageSize(tile.data(), tile.size(), &width, &height, &why))
            images += " damaged";
        else
            images += " " + std::to_string(width) + "x" + std::to_string(height);
    }
    *description += images;
}

// The second line a sprite, tile or button has in a listing: what the engine reads in it.
void PrintContents(int handle, const DPFBlock& found) {
    if (!NimbrelAuthoring::DescribesBlockType(found.type) && !IsButton(found)) return;
    std::vector<Uint8> payload;
    std::string description, problem;
    if (!LoadPayload(handle, found, &payload))
        problem = "the block does not load (see the message above)";
    else if (IsButton(found))
        DescribeButtonBlock(handle, found, payload, &description, &problem);
    else
        NimbrelAuthoring::DescribeBlock(found.type, payload.data(), payload.size(), &description, &problem);
    std::printf("    %s\n", problem.empty() ? description.c_str() : ("the engine refuses it: " + problem).c_str());
}

} // namespace

// ---- create -------------------------------------------------------------------------------------

int CreateCommand(const CommandLine& line) {
    Package package(line);
    std::error_code error;
    if (std::filesystem::exists(package.path(), error)) {
        ReportProblem(package.path(), "already exists; remove it first to make a new package");
        return kExitFailure;
    }
    if (!package.Create(package.keyGiven()) || !package.Close()) return kExitFailure;
    std::printf("%s: created%s\n", package.path().c_str(), package.keyGiven() ? " (protected)" : "");
    return kExitSuccess;
}

// ---- list ---------------------------------------------------------------------------------------

int ListCommand(const CommandLine& line) {
    Package package(line);
    if (!package.OpenForBlocks()) return kExitFailure;

    std::vector<DPFBlock> blocks;
    bool intact = CollectBlocks(package.handle(), &blocks);
    std::printf("%-31s  %-7s  %4s  %12s  %12s\n", "NAME", "TYPE", "MODE", "ORIGINAL", "STORED");
    unsigned long long original = 0, stored = 0;
    int deleted = 0;
    for (const DPFBlock& block : blocks) {
        bool gone = IsDeleted(block);
        std::printf("%-31s  %-7s  %4d  %12u  %12u%s\n", block.name, block.type, block.mode, block.originalSize,
                    block.storedSize, gone ? "  (deleted)" : "");
        if (gone) {
            ++deleted;
            continue;
        }
        PrintContents(package.handle(), block);
        original += block.originalSize;
        stored += block.storedSize;
    }
    std::error_code error;
    unsigned long long fileSize = std::filesystem::file_size(package.path(), error);
    std::printf("%zu blocks (%d deleted); live blocks: %llu bytes original, %llu bytes stored; package file %llu bytes\n",
                blocks.size(), deleted, original, stored, fileSize);
    if (!intact) {
        ReportProblem(package.path(), "the package is damaged after the blocks listed");
        return kExitFailure;
    }
    return kExitSuccess;
}

// ---- add ----------------------------------------------------------------------------------------

bool ReadBlockFile(const std::string& path, std::string* bytes) {
    if (!NimbrelAuthoring::ReadWholeFile(path.c_str(), bytes, nullptr)) {
        ReportProblem(path, "cannot read the file");
        return false;
    }
    if (bytes->size() > 0x7FFFFFFFu) {
        ReportProblem(path, "is too large for a block (2 GiB at most)");
        return false;
    }
    return true;
}

int PutBlock(const CommandLine& line, const std::string& type, int mode, const std::string& label, void* data,
             size_t size) {
    Package package(line);
    if (!package.OpenForBlocks()) return -1;
    DPFBlock block = WantedBlock(line.Argument("NAME"), type);
    block.mode = Uint8(mode);
    block.originalSize = Uint32(size);
    block.data = static_cast<Uint8*>(data);
    const int stored = package.Put(&block, line.Has("--replace"), label);
    if (stored < 0 || !package.Close()) return -1;
    return stored;
}

int AddBlock(const CommandLine& line, const std::string& type, std::string& payload) {
    int mode = DPFBlock::kCompressed;
    line.Get("--mode", ParseStorageMode, &mode);
    const DPFBlock block = WantedBlock(line.Argument("NAME"), type);
    const int stored = PutBlock(line, type, mode, "block " + BlockLabel(block), payload.data(), payload.size());
    if (stored < 0) return kExitFailure;
    std::printf("%s: added %s, mode %d, %zu bytes, %d stored\n", line.Argument("PKG").c_str(),
                BlockLabel(block).c_str(), mode, payload.size(), stored);
    return kExitSuccess;
}

int AddCommand(const CommandLine& line) {
    std::string payload;
    if (!ReadBlockFile(line.Argument("FILE"), &payload)) return kExitFailure;
    return AddBlock(line, line.Argument("TYPE"), payload);
}

// ---- extract ------------------------------------------------------------------------------------

int ExtractCommand(const CommandLine& line) {
    Package package(line);
    if (!package.OpenForBlocks()) return kExitFailure;

    const std::string& name = line.Argument("NAME");
    const std::string& type = line.Argument("TYPE");
    const std::string& out = line.Argument("OUT");
    DPFBlock found = WantedBlock(name, type);
    if (IStuffDPF->FindBlock(package.handle(), &found) != 1) {
        ReportProblem(package.path(), "has no block " + BlockLabel(found));
        return kExitFailure;
    }
    DPFBlock block{};
    int size = 0;
    if (found.originalSize > 0) {
        size = IStuffDPF->LoadBlock(package.handle(), type.c_str(), name.c_str(), &block);
        if (size <= 0) {
            ReportProblem(package.path(), "block " + BlockLabel(found) + " does not load (see the message above)");
            return kExitFailure;
        }
    }
    std::string problem;
    bool written = NimbrelAuthoring::WriteWholeFile(out.c_str(), size ? block.data : nullptr, size_t(size), &problem);
    std::free(block.data);
    if (!written) {
        ReportProblem(out, "cannot write the file: " + problem);
        return kExitFailure;
    }
    std::printf("%s: extracted %s, %d bytes, to %s\n", package.path().c_str(), BlockLabel(found).c_str(), size,
                out.c_str());
    return kExitSuccess;
}

// ---- delete -------------------------------------------------------------------------------------

int DeleteCommand(const CommandLine& line) {
    Package package(line);
    if (!package.OpenForBlocks()) return kExitFailure;
    DPFBlock block = WantedBlock(line.Argument("NAME"), line.Argument("TYPE"));
    if (IStuffDPF->Delete(package.handle(), &block) != 1) {
        ReportProblem(package.path(), "has no block " + BlockLabel(block));
        return kExitFailure;
    }
    if (!package.Close()) return kExitFailure;
    std::printf("%s: deleted %s\n", package.path().c_str(), BlockLabel(block).c_str());
    return kExitSuccess;
}

// ---- verify -------------------------------------------------------------------------------------

int VerifyCommand(const CommandLine& line) {
    Package package(line);
    if (!package.Open("NOT sound: the package cannot be opened (see the message above)")) return kExitFailure;
    std::printf("%s: checksum matches\n", package.path().c_str());
    if (package.isProtected() && !package.keyGiven()) {
        ReportProblem(package.path(), "NOT verified: the package is protected; give its key with --key KEYFILE to check its blocks");
        return kExitFailure;
    }

    std::vector<DPFBlock> blocks;
    int problems = 0;
    if (!CollectBlocks(package.handle(), &blocks)) {
        ReportProblem(package.path(), "the block framing is damaged after block " + std::to_string(blocks.size()));
        ++problems;
    }
    int checked = 0;
    for (const DPFBlock& found : blocks) {
        if (IsDeleted(found)) continue;
        ++checked;
        if (found.originalSize == 0) continue; // an empty block has nothing to load
        DPFBlock block{};
        int size = IStuffDPF->LoadBlock(package.handle(), found.type, found.name, &block);
        std::free(block.data);
        if (size != int(found.originalSize)) {
            ReportProblem(package.path(), "block " + BlockLabel(found) + " does not load (see the message above)");
            ++problems;
        }
    }
    if (problems) {
        ReportProblem(package.path(), "NOT sound: " + std::to_string(problems) + " problem(s) found");
        return kExitFailure;
    }
    std::printf("%s: sound; %d block(s) load\n", package.path().c_str(), checked);
    return kExitSuccess;
}

// ---- compact ------------------------------------------------------------------------------------

int CompactCommand(const CommandLine& line) {
    Package source(line);
    if (!source.OpenForBlocks()) return kExitFailure;
    std::vector<DPFBlock> blocks;
    if (!CollectBlocks(source.handle(), &blocks)) {
        ReportProblem(source.path(), "the package is damaged; run dpf verify");
        return kExitFailure;
    }

    // The copy needs no key file of its own: the source's key is set already.
    const std::string temporary = source.path() + ".compact-tmp";
    Package target(temporary, std::string());
    bool ok = target.Create(source.isProtected());
    int kept = 0, dropped = 0;
    for (const DPFBlock& found : blocks) {
        if (!ok) break;
        if (IsDeleted(found)) {
            ++dropped;
            continue;
        }
        DPFBlock block{};
        if (found.originalSize > 0 &&
            IStuffDPF->LoadBlock(source.handle(), found.type, found.name, &block) != int(found.originalSize)) {
            ReportProblem(source.path(), "block " + BlockLabel(found) + " does not load; nothing was changed");
            std::free(block.data);
            ok = false;
            break;
        }
        block.mode = found.mode;
        block.originalSize = found.originalSize;
        std::memcpy(block.name, found.name, sizeof block.name);
        std::memcpy(block.type, found.type, sizeof block.type);
        int added = IStuffDPF->AddData(target.handle(), &block);
        std::free(block.data);
        if (added == -1) {
            ++dropped; // a second block of the same name and type could never be found anyway
        } else if (added == 0 && found.originalSize > 0) {
            ReportProblem(temporary, "cannot add block " + BlockLabel(found) + "; nothing was changed");
            ok = false;
        } else {
            ++kept;
        }
    }
    if (!target.Close()) ok = false;
    if (!source.Close()) ok = false;
    std::string problem;
    if (ok && !NimbrelAuthoring::MoveFileOver(temporary.c_str(), source.path().c_str(), &problem)) {
        ReportProblem(source.path(), "cannot replace the package: " + problem);
        ok = false;
    }
    if (!ok) {
        NimbrelAuthoring::RemoveFile(temporary.c_str());
        return kExitFailure;
    }
    std::printf("%s: compacted; %d block(s) kept, %d dropped\n", source.path().c_str(), kept, dropped);
    return kExitSuccess;
}

// ---- upgrade ------------------------------------------------------------------------------------

int UpgradeCommand(const CommandLine& line) {
    Package package(line);
    std::string problem;
    const int version = NimbrelAuthoring::PackageVersion(package.path().c_str(), &problem);
    if (version == 0) {
        ReportProblem(package.path(), problem);
        return kExitFailure;
    }
    if (version == 4) {
        std::printf("%s: already version 4; nothing to do\n", package.path().c_str());
        return kExitSuccess;
    }
    if (version != 3) {
        ReportProblem(package.path(), "is a version " + std::to_string(version) + " package; only version 3 converts");
        return kExitFailure;
    }
    // Opening a version 3 package is what converts it.
    if (!package.Open("cannot be converted (see the message above); the original is unchanged")) return kExitFailure;
    std::printf("%s: converted to version 4\n", package.path().c_str());
    return kExitSuccess;
}
