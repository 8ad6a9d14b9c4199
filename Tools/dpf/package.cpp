// The package a dpf command works on (see package.h).
#include "package.h"

#include "NimbrelAuthoring.h"
#include "command_line.h"

namespace {

const int kMaxKeyLength = 56;

} // namespace

Package::Package(const std::string& path, const std::string& keyFile) : path_(path), keyFile_(keyFile) {}

Package::Package(const CommandLine& line) : Package(line.Argument("PKG"), line.Value("--key")) {}

Package::~Package() {
    if (handle_ > 0) IStuffDPF->Close(handle_);
}

bool Package::isProtected() const { return handle_ > 0 && IStuffDPF->IsProtected(handle_) == 1; }

// The key is the package interface's, not one package's: once set it serves every package opened
// or made after it, which is how compact makes its protected copy.
bool Package::ApplyKey() const {
    if (keyFile_.empty()) return true;
    std::string key;
    if (!NimbrelAuthoring::ReadWholeFile(keyFile_.c_str(), &key, nullptr)) {
        ReportProblem(keyFile_, "cannot read the key file");
        return false;
    }
    if (key.empty() || key.size() > size_t(kMaxKeyLength)) {
        ReportProblem(keyFile_, "a key file holds 1 to 56 bytes; this one holds " + std::to_string(key.size()));
        return false;
    }
    return IStuffDPF->SetKey(key.data(), int(key.size())) == 1;
}

bool Package::Create(bool protectedPackage) {
    if (!ApplyKey()) return false;
    handle_ = IStuffDPF->Create(path_.c_str(), protectedPackage);
    if (handle_ > 0) return true;
    handle_ = 0;
    ReportProblem(path_, "cannot create the package (see the message above)");
    return false;
}

bool Package::Open(const char* openFailure) {
    if (!ApplyKey()) return false;
    handle_ = IStuffDPF->Open(path_.c_str());
    if (handle_ > 0) return true;
    ReportProblem(path_, openFailure);
    return false;
}

bool Package::OpenForBlocks() {
    if (!Open()) return false;
    if (isProtected() && !keyGiven()) {
        ReportProblem(path_, "the package is protected: give its key with --key KEYFILE");
        return false;
    }
    return true;
}

int Package::Put(DPFBlock* block, bool replace, const std::string& label) {
    const int stored = replace ? IStuffDPF->Replace(handle_, block) : IStuffDPF->AddData(handle_, block);
    if (stored == -1) {
        ReportProblem(path_, label + " already exists (use --replace to replace it)");
        return -1;
    }
    if (stored == 0 && block->originalSize > 0) {
        ReportProblem(path_, "cannot add " + label + " (see the message above)");
        return -1;
    }
    return stored;
}

bool Package::Close() {
    if (handle_ <= 0) return true;
    const int result = IStuffDPF->Close(handle_);
    handle_ = 0;
    if (result == 0) return true;
    ReportProblem(path_, "cannot close the package");
    return false;
}
