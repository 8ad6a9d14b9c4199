// The dpf tool's commands, over the engine's IStuffDPF (see commands.h).
#include "commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"

// ---- Helpers ------------------------------------------------------------------------------------

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    return NimbrelAuthoring::ReadWholeFile(path.c_str(), bytes, nullptr);
}

bool WriteFileSafely(const std::string& path, const void* data, size_t length, std::string* problem) {
    return NimbrelAuthoring::WriteWholeFile(path.c_str(), data, length, problem);
}

namespace {

const int kMaxKeyLength = 56;

// Sets the package key from the key file, if one was given.
bool ApplyKey(const CommandOptions& options) {
    if (options.keyFile.empty()) return true;
    std::string key;
    if (!ReadWholeFile(options.keyFile, &key)) {
        ReportProblem(options.keyFile, "cannot read the key file");
        return false;
    }
    if (key.empty() || key.size() > size_t(kMaxKeyLength)) {
        ReportProblem(options.keyFile, "a key file holds 1 to 56 bytes; this one holds " + std::to_string(key.size()));
        return false;
    }
    return IStuffDPF->SetKey(key.data(), int(key.size())) == 1;
}

// A package opened for the length of a command.
class Package {
public:
    explicit Package(const std::string& path) : path_(path), handle_(IStuffDPF->Open(path.c_str())) {}
    ~Package() { Close(); }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    int handle() const { return handle_; }
    bool isOpen() const { return handle_ > 0; }
    bool Close() {
        if (handle_ <= 0) return true;
        int result = IStuffDPF->Close(handle_);
        handle_ = 0;
        return result == 0;
    }

private:
    std::string path_;
    int handle_;
};

// Opens the package and checks that its blocks can be read: a protected package needs --key.
bool OpenForBlocks(const CommandOptions& options, Package& package) {
    if (!package.isOpen()) {
        ReportProblem(options.package, "cannot open the package (see the message above)");
        return false;
    }
    if (IStuffDPF->IsProtected(package.handle()) == 1 && options.keyFile.empty()) {
        ReportProblem(options.package, "the package is protected: give its key with --key KEYFILE");
        return false;
    }
    return true;
}

std::string BlockLabel(const DPFBlock& block) { return std::string("'") + block.name + "' (" + block.type + ")"; }

bool IsDeleted(const DPFBlock& block) { return std::string(block.type) == "DELETED"; }

// Every block of the package in file order. False when the search ended on damaged framing.
bool CollectBlocks(int handle, std::vector<DPFBlock>* blocks) {
    DPFBlock block{};
    int result = IStuffDPF->FindFirst(handle, &block);
    for (; result == 1; result = IStuffDPF->FindNext(handle, &block)) blocks->push_back(block);
    return result == 0;
}

DPFBlock WantedBlock(const CommandOptions& options) {
    DPFBlock block{};
    options.name.copy(block.name, sizeof block.name - 1);
    options.type.copy(block.type, sizeof block.type - 1);
    return block;
}

} // namespace

void ReportProblem(const std::string& subject, const std::string& problem) {
    std::fprintf(stderr, "dpf: %s: %s\n", subject.c_str(), problem.c_str());
}

// ---- create -------------------------------------------------------------------------------------

int CreateCommand(const CommandOptions& options) {
    std::error_code error;
    if (std::filesystem::exists(options.package, error)) {
        ReportProblem(options.package, "already exists; remove it first to make a new package");
        return kExitFailure;
    }
    if (!ApplyKey(options)) return kExitFailure;
    int handle = IStuffDPF->Create(options.package.c_str(), !options.keyFile.empty());
    if (handle <= 0) {
        ReportProblem(options.package, "cannot create the package (see the message above)");
        return kExitFailure;
    }
    IStuffDPF->Close(handle);
    std::printf("%s: created%s\n", options.package.c_str(), options.keyFile.empty() ? "" : " (protected)");
    return kExitSuccess;
}

// ---- list ---------------------------------------------------------------------------------------

int ListCommand(const CommandOptions& options) {
    if (!ApplyKey(options)) return kExitFailure;
    Package package(options.package);
    if (!OpenForBlocks(options, package)) return kExitFailure;

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
        original += block.originalSize;
        stored += block.storedSize;
    }
    std::error_code error;
    unsigned long long fileSize = std::filesystem::file_size(options.package, error);
    std::printf("%zu blocks (%d deleted); live blocks: %llu bytes original, %llu bytes stored; package file %llu bytes\n",
                blocks.size(), deleted, original, stored, fileSize);
    if (!intact) {
        ReportProblem(options.package, "the package is damaged after the blocks listed");
        return kExitFailure;
    }
    return kExitSuccess;
}

// ---- add ----------------------------------------------------------------------------------------

int AddCommand(const CommandOptions& options) {
    std::string payload;
    if (!ReadWholeFile(options.file, &payload)) {
        ReportProblem(options.file, "cannot read the file");
        return kExitFailure;
    }
    if (payload.size() > 0x7FFFFFFFu) {
        ReportProblem(options.file, "is too large for a block (2 GiB at most)");
        return kExitFailure;
    }
    if (!ApplyKey(options)) return kExitFailure;
    Package package(options.package);
    if (!OpenForBlocks(options, package)) return kExitFailure;

    DPFBlock block = WantedBlock(options);
    block.mode = Uint8(options.mode);
    block.originalSize = Uint32(payload.size());
    block.data = reinterpret_cast<Uint8*>(payload.data());
    int stored = options.replace ? IStuffDPF->Replace(package.handle(), &block)
                                 : IStuffDPF->AddData(package.handle(), &block);
    if (stored == -1) {
        ReportProblem(options.package, "block " + BlockLabel(block) + " already exists (use --replace to replace it)");
        return kExitFailure;
    }
    if (stored == 0 && payload.size() > 0) {
        ReportProblem(options.package, "cannot add block " + BlockLabel(block) + " (see the message above)");
        return kExitFailure;
    }
    if (!package.Close()) {
        ReportProblem(options.package, "cannot close the package");
        return kExitFailure;
    }
    std::printf("%s: added %s, mode %d, %zu bytes, %d stored\n", options.package.c_str(), BlockLabel(block).c_str(),
                block.mode, payload.size(), stored);
    return kExitSuccess;
}

// ---- extract ------------------------------------------------------------------------------------

int ExtractCommand(const CommandOptions& options) {
    if (!ApplyKey(options)) return kExitFailure;
    Package package(options.package);
    if (!OpenForBlocks(options, package)) return kExitFailure;

    DPFBlock found = WantedBlock(options);
    if (IStuffDPF->FindBlock(package.handle(), &found) != 1) {
        ReportProblem(options.package, "has no block " + BlockLabel(found));
        return kExitFailure;
    }
    DPFBlock block{};
    int size = 0;
    if (found.originalSize > 0) {
        size = IStuffDPF->LoadBlock(package.handle(), options.type.c_str(), options.name.c_str(), &block);
        if (size <= 0) {
            ReportProblem(options.package, "block " + BlockLabel(found) + " does not load (see the message above)");
            return kExitFailure;
        }
    }
    std::string problem;
    bool written = WriteFileSafely(options.file, size ? block.data : nullptr, size_t(size), &problem);
    std::free(block.data);
    if (!written) {
        ReportProblem(options.file, "cannot write the file: " + problem);
        return kExitFailure;
    }
    std::printf("%s: extracted %s, %d bytes, to %s\n", options.package.c_str(), BlockLabel(found).c_str(), size,
                options.file.c_str());
    return kExitSuccess;
}

// ---- delete -------------------------------------------------------------------------------------

int DeleteCommand(const CommandOptions& options) {
    if (!ApplyKey(options)) return kExitFailure;
    Package package(options.package);
    if (!OpenForBlocks(options, package)) return kExitFailure;
    DPFBlock block = WantedBlock(options);
    if (IStuffDPF->Delete(package.handle(), &block) != 1) {
        ReportProblem(options.package, "has no block " + BlockLabel(block));
        return kExitFailure;
    }
    if (!package.Close()) {
        ReportProblem(options.package, "cannot close the package");
        return kExitFailure;
    }
    std::printf("%s: deleted %s\n", options.package.c_str(), BlockLabel(block).c_str());
    return kExitSuccess;
}

// ---- verify -------------------------------------------------------------------------------------

int VerifyCommand(const CommandOptions& options) {
    if (!ApplyKey(options)) return kExitFailure;
    Package package(options.package);
    if (!package.isOpen()) {
        ReportProblem(options.package, "NOT sound: the package cannot be opened (see the message above)");
        return kExitFailure;
    }
    std::printf("%s: checksum matches\n", options.package.c_str());
    if (IStuffDPF->IsProtected(package.handle()) == 1 && options.keyFile.empty()) {
        ReportProblem(options.package, "NOT verified: the package is protected; give its key with --key KEYFILE to check its blocks");
        return kExitFailure;
    }

    std::vector<DPFBlock> blocks;
    int problems = 0;
    if (!CollectBlocks(package.handle(), &blocks)) {
        ReportProblem(options.package, "the block framing is damaged after block " + std::to_string(blocks.size()));
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
            ReportProblem(options.package, "block " + BlockLabel(found) + " does not load (see the message above)");
            ++problems;
        }
    }
    if (problems) {
        ReportProblem(options.package, "NOT sound: " + std::to_string(problems) + " problem(s) found");
        return kExitFailure;
    }
    std::printf("%s: sound; %d block(s) load\n", options.package.c_str(), checked);
    return kExitSuccess;
}

// ---- compact ------------------------------------------------------------------------------------

int CompactCommand(const CommandOptions& options) {
    if (!ApplyKey(options)) return kExitFailure;
    Package source(options.package);
    if (!OpenForBlocks(options, source)) return kExitFailure;
    std::vector<DPFBlock> blocks;
    if (!CollectBlocks(source.handle(), &blocks)) {
        ReportProblem(options.package, "the package is damaged; run dpf verify");
        return kExitFailure;
    }

    std::string temporary = options.package + ".compact-tmp";
    bool protectedPackage = IStuffDPF->IsProtected(source.handle()) == 1;
    int target = IStuffDPF->Create(temporary.c_str(), protectedPackage);
    bool ok = target > 0;
    if (!ok) ReportProblem(temporary, "cannot create the temporary package (see the message above)");
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
            ReportProblem(options.package, "block " + BlockLabel(found) + " does not load; nothing was changed");
            std::free(block.data);
            ok = false;
            break;
        }
        block.mode = found.mode;
        block.originalSize = found.originalSize;
        std::memcpy(block.name, found.name, sizeof block.name);
        std::memcpy(block.type, found.type, sizeof block.type);
        int added = IStuffDPF->AddData(target, &block);
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
    if (target > 0 && IStuffDPF->Close(target) != 0) ok = false;
    source.Close();
    std::string problem;
    if (ok && !NimbrelAuthoring::MoveFileOver(temporary.c_str(), options.package.c_str(), &problem)) {
        ReportProblem(options.package, "cannot replace the package: " + problem);
        ok = false;
    }
    if (!ok) {
        NimbrelAuthoring::RemoveFile(temporary.c_str());
        return kExitFailure;
    }
    std::printf("%s: compacted; %d block(s) kept, %d dropped\n", options.package.c_str(), kept, dropped);
    return kExitSuccess;
}

// ---- upgrade ------------------------------------------------------------------------------------

int UpgradeCommand(const CommandOptions& options) {
    std::string start;
    {
        std::ifstream in(options.package, std::ios::binary);
        if (!in) {
            ReportProblem(options.package, "cannot read the file");
            return kExitFailure;
        }
        char identifier[8] = {0};
        in.read(identifier, sizeof identifier);
        start.assign(identifier, size_t(in.gcount()));
    }
    if (start.compare(0, 5, "DPFv4") == 0) {
        std::printf("%s: already version 4; nothing to do\n", options.package.c_str());
        return kExitSuccess;
    }
    if (start.compare(0, 5, "DPFv3") != 0) {
        ReportProblem(options.package, "is not a version 3 package");
        return kExitFailure;
    }
    Package package(options.package);
    if (!package.isOpen()) {
        ReportProblem(options.package, "cannot be converted (see the message above); the original is unchanged");
        return kExitFailure;
    }
    std::printf("%s: converted to version 4\n", options.package.c_str());
    return kExitSuccess;
}

// ---- Command words --------------------------------------------------------------------------------

std::string ReadCommandWords(int argc, char** argv, const std::string& commandName, bool takesKey,
                             bool takesAddOptions, CommandOptions* options, std::vector<std::string>* positionals,
                             bool* help) {
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        const bool hasValue = i + 1 < argc;
        if (word == "--help" || word == "-h") {
            *help = true;
            return std::string();
        }
        if (word == "--key" && takesKey) {
            if (!hasValue) return "--key needs a key file";
            options->keyFile = argv[++i];
        } else if (word == "--mode" && takesAddOptions) {
            if (!hasValue) return "--mode needs 0, 1 or 2";
            const std::string mode = argv[++i];
            if (mode != "0" && mode != "1" && mode != "2") return "--mode must be 0, 1 or 2, not '" + mode + "'";
            options->mode = mode[0] - '0';
        } else if (word == "--replace" && takesAddOptions) {
            options->replace = true;
        } else if (word.size() > 1 && word[0] == '-') {
            return "unknown option '" + word + "' for " + commandName;
        } else {
            positionals->push_back(word);
        }
    }
    return std::string();
}
