// IStuffDPF: DPF packages, the engine's data files.
//
// Owns the package table (two entries), the two cipher states (the header state, keyed with the
// built-in key, and the package-key state for protected packages), and for each open package its
// running checksum and block index. The byte layout lives in dpf_format.h, steps on a whole
// package file in dpf_file.h, the block search and index in dpf_scan.h, the version 3 conversion
// in dpf_convert_v3.h, the repair of a change a crash cut short in dpf_recovery.h, the cipher in
// blowfish.h and the checksum in core/checksum.h.
//
// Every change to a package (an added or a deleted block) rewrites the package header with the
// new checksum before it returns, so the file on disk is always a whole, valid package.
#include "Nimbrel.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/interface_log.h"
#include "core/checksum.h"
#include "data/blowfish.h"
#include "data/dpf_convert_v3.h"
#include "data/dpf_file.h"
#include "data/dpf_format.h"
#include "data/dpf_recovery.h"
#include "data/dpf_scan.h"
#include "platform/file_io.h"

namespace {

const int kMaxPackages = 2;
const int kMaxKeyLength = 56;
const uint64_t kLargestKeptScratch = 4 * 1024 * 1024;

struct PackageEntry {
    int fd = -1;
    int handle = 0;           // 0: not open
    bool protectedPackage = false;
    bool readOnly = false;
    std::string path;         // as given to Open
    int64_t trackedLength = 0; // 0: entry never used
    bool modified = false;
    int openCount = 0;
    Uint32 checksum = 0;      // of the file from the first block offset to its end
    dpf::BlockIndex index;
    size_t nextBlock = 0;     // the block FindNext reports, as a position in the index
};

bool IsTooLong(const char* text, size_t fieldSize) { return !text || strnlen(text, fieldSize) >= fieldSize; }

void CopyField(char* field, size_t fieldSize, const char* text) {
    std::memset(field, 0, fieldSize);
    if (text) std::memcpy(field, text, strnlen(text, fieldSize - 1));
}

void FillRecord(const dpf::BlockHeader& header, DPFBlock* block) {
    std::memcpy(block->name, header.name, sizeof block->name);
    std::memcpy(block->type, header.type, sizeof block->type);
    block->mode = header.mode;
    block->originalSize = header.originalSize;
    block->storedSize = header.storedSize;
    block->data = nullptr;
}

} // namespace

struct IStuffDPF::Private {
    BlowfishState headerCipher;
    BlowfishState packageCipher;
    bool keySet = false;
    PackageEntry entries[kMaxPackages];
    int nextHandle = 1;
    int roundRobin = 0;
    Uint8* scratch = nullptr; // compressed data of the block being loaded
    uint64_t scratchSize = 0;

    PackageEntry* EntryOf(int handle) {
        if (handle <= 0) return nullptr;
        for (PackageEntry& entry : entries)
            if (entry.handle == handle && entry.fd >= 0) return &entry;
        return nullptr;
    }

    bool NeedsKey(const PackageEntry& entry) const { return entry.protectedPackage && !keySet; }
    const BlowfishState* BlockCipher(const PackageEntry& entry) const {
        return entry.protectedPackage ? &packageCipher : nullptr;
    }

    void ForgetIndexes() {
        for (PackageEntry& entry : entries) entry.index.Clear();
    }

    // Room for `size` bytes of compressed data, or null when memory runs out.
    Uint8* Scratch(uint64_t size) {
        if (size == 0) size = 1;
        if (size > scratchSize) {
            Uint8* larger = static_cast<Uint8*>(std::realloc(scratch, size));
            if (!larger) return nullptr;
            scratch = larger;
            scratchSize = size;
        }
        return scratch;
    }
    // A rare huge block does not keep its memory for the rest of the run.
    void TrimScratch() {
        if (scratchSize <= kLargestKeptScratch) return;
        std::free(scratch);
        scratch = nullptr;
        scratchSize = 0;
    }
    ~Private() { std::free(scratch); }

    const dpf::BlockIndex& IndexOf(PackageEntry& entry) {
        if (!entry.index.built) {
            int64_t length = FileLength(entry.fd);
            dpf::BuildBlockIndex(entry.fd, length < 0 ? 0 : length, BlockCipher(entry), &entry.index);
            if (length < 0) entry.index.endResult = 2;
        }
        return entry.index;
    }
};

class IStuffDPF* IStuffDPF = nullptr;

// ---- Finds --------------------------------------------------------------------------------------

namespace {

// The checks both finds make before reading the block index: 2 for a bad handle or record, 0
// (logged) for a protected package without its key, 1 when the find can go on.
int CheckFind(IStuffDPF::Private& priv, int handle, const DPFBlock* block, PackageEntry** entry) {
    *entry = priv.EntryOf(handle);
    if (!*entry || !block) return 2;
    if (priv.NeedsKey(**entry)) {
        ILogSystem.Msg(0, " . [IStuffDPF->Find(%d)] Error: the given DPF is protected and the key was not set.\n", handle);
        return 0;
    }
    return 1;
}

// The find after the last block: logs a damaged block header and returns the end result.
int ReportEnd(const dpf::BlockIndex& index, int handle, bool first) {
    if (index.endIsBrokenHeader) {
        if (first)
            ILogSystem.Msg(0, " . [IStuffDPF->FindFirst(%d)] Error: the first block was unsuccessfully loaded.\n", handle);
        else
            ILogSystem.Msg(0, " . [IStuffDPF->FindNext(%d)] Error: the next block was unsuccessfully loaded.\n", handle);
    }
    return index.endResult;
}

} // namespace

// ---- Construction -------------------------------------------------------------------------------

IStuffDPF::IStuffDPF() : priv(new Private) {
    std::srand(EngineTicks());
    do {
        priv->nextHandle = std::rand() % 333666;
    } while (priv->nextHandle <= 0);
    dpf::KeyWithBuiltInKey(&priv->headerCipher);
    dpf::KeyWithBuiltInKey(&priv->packageCipher);
    LogInterfaceCreated("IStuffDPF");
}

IStuffDPF::~IStuffDPF() {
    for (PackageEntry& entry : priv->entries) {
        if (entry.handle <= 0) continue;
        ILogSystem.Msg(2, " . [IStuffDPF] Warning: '%s' DPF file was not closed on your code. Doing it now!\n",
                       entry.path.c_str());
        entry.openCount = 1;
        Close(entry.handle);
    }
    delete priv;
    LogInterfaceDeleted("IStuffDPF");
}

// ---- Open, Close, Create ------------------------------------------------------------------------

namespace {

// Opens the file for reading and writing, or read-only (with its warning) when it cannot be
// written. -1 (logged) when it cannot be opened at all.
int OpenPackageFile(const char* path, bool* readOnly) {
    *readOnly = false;
    int fd = FileOpen(path, kFileReadWrite);
    if (fd >= 0) return fd;
    fd = FileOpen(path, kFileReadOnly);
    if (fd < 0) {
        ILogSystem.Msg(0, " . [IStuffDPF->Open('%s')] Error: %s\n", path, LastFileErrorText());
        return -1;
    }
    ILogSystem.Msg(2, " . [IStuffDPF->Open('%s')] Warning: file opened in read only mode.\n", path);
    *readOnly = true;
    return fd;
}

// Makes `file` a version 4 package, converting a version 3 one on the spot. False (logged) for
// anything else.
bool EnsureVersion4(const BlowfishState& headerCipher, const char* path, bool readOnly, ScopedFile& file) {
    char identifier[dpf::kIdentifierSize + 1] = {0};
    if (FileReadAt(file.get(), identifier, dpf::kIdentifierSize, 0) != dpf::kIdentifierSize ||
        dpf::IdentifierVersion(identifier) == 0) {
        ILogSystem.Msg(0, " . [IStuffDPF->Open('%s')] Error: it is not a valid DPF.\n", path);
        return false;
    }
    if (dpf::IdentifierVersion(identifier) == 3) {
        if (readOnly) {
            ILogSystem.Msg(0, " . [IStuffDPF->Open('%s')] Error: it is not possible to update a DPF opened in read only mode.\n", path);
            return false;
        }
        file.Reset(-1);
        file.Reset(dpf::ConvertVersion3(headerCipher, path));
        if (!file.isOpen() || FileReadAt(file.get(), identifier, dpf::kIdentifierSize, 0) != dpf::kIdentifierSize) {
            ILogSystem.Msg(0, " . [IStuffDPF->Open('%s')] Error: it was not possible to update the given DPF from v3.0 to v4.0.\n", path);
            return false;
        }
        ILogSystem.Msg(5, " . [IStuffDPF->Open('%s')] Info: the given DPF was updated from v3.0 to v4.0.\n", path);
    }
    if (dpf::IdentifierVersion(identifier) != 4) {
        ILogSystem.Msg(0, " . [IStuffDPF->Open('%s')] Error: '%s' version is not supported.\n", path, identifier);
        return false;
    }
    return true;
}

// Checks the blocks against the header's checksum, repairing a change a crash cut short when the
// file can be written. Sets *checksum (and *length, which a repair changes). False (logged) for a
// corrupted package.
bool VerifyChecksum(IStuffDPF::Private& priv, const char* path, int fd, bool readOnly, const Uint8* header,
                    int64_t* length, Uint32* checksum) {
    const Uint32 stored = dpf::GetHeaderChecksum(header);
    Uint32 computed = dpf::CalculateCRC(fd, *length);
    bool matches = computed == stored;
#if defined(NIMBREL_FUZZ_SKIP_CHECKSUM)
    matches = true; // fuzz builds: let any input reach the search and the loaders
#endif
    if (!matches) {
        const bool isProtected = dpf::IsHeaderProtected(header);
        const bool headersReadable = !isProtected || priv.keySet;
        const BlowfishState* cipher = isProtected ? &priv.packageCipher : nullptr;
        if (readOnly || !dpf::RecoverInterruptedChange(fd, *length, stored, headersReadable, cipher, &computed)) {
            ILogSystem.Msg(0, " . [IStuffDPF->Open('%s')] Error: the given DPF is corrupted.\n", path);
            return false;
        }
        ILogSystem.Msg(2, " . [IStuffDPF->Open('%s')] Warning: a change cut short by a crash was rolled back or completed.\n", path);
        *length = FileLength(fd);
    }
    *checksum = computed;
    return true;
}

// The entry this run used for the package at `path` before, when the file is unchanged since (it
// is not checked again), or null.
PackageEntry* KnownEntry(IStuffDPF::Private& priv, const char* path, int64_t length) {
    for (PackageEntry& entry : priv.entries) {
        if (entry.trackedLength == 0) break;
        if (entry.trackedLength == length && entry.path == path) return &entry;
    }
    return nullptr;
}

// An entry for a package this run has not opened yet: a never-used one, else a closed one taken
// in turn. Null (logged) when every entry holds an open package.
PackageEntry* FreeEntry(IStuffDPF::Private& priv) {
    for (PackageEntry& entry : priv.entries)
        if (entry.trackedLength == 0) return &entry;
    PackageEntry* found = nullptr;
    for (int tried = 0; tried < kMaxPackages && !found; ++tried) {
        PackageEntry& entry = priv.entries[(priv.roundRobin + tried) % kMaxPackages];
        if (entry.handle == 0) found = &entry;
    }
    priv.roundRobin = (priv.roundRobin + 1) % kMaxPackages;
    if (!found) ILogSystem.Msg(2, " . [IStuffDPF] Warning: reached maximum limit of DPF files opened(%d).\n", kMaxPackages);
    return found;
}

} // namespace

int IStuffDPF::Open(const char* path) {
    if (!path) path = "";
    bool readOnly = false;
    ScopedFile file(OpenPackageFile(path, &readOnly));
    if (!file.isOpen() || !EnsureVersion4(priv->headerCipher, path, readOnly, file)) return 0;

    Uint8 header[dpf::kHeaderSize];
    int64_t length = FileLength(file.get());
    if (length < dpf::kFirstBlockOffset ||
        FileReadAt(file.get(), header, sizeof header, dpf::kHeaderOffset) != dpf::kHeaderSize) {
        ILogSystem.Msg(0, " . [IStuffDPF->Open('%s')] Error: it is not a valid DPF.\n", path);
        return 0;
    }
    BlowfishDecipher(&priv->headerCipher, header, sizeof header);

    PackageEntry* match = KnownEntry(*priv, path, length);
    Uint32 checksum = dpf::GetHeaderChecksum(header);
    if (!match) {
        if (!VerifyChecksum(*priv, path, file.get(), readOnly, header, &length, &checksum)) return 0;
        match = FreeEntry(*priv);
        if (!match) return 0;
        match->trackedLength = length;
        match->path = path;
        match->openCount = 0;
    }

    if (match->fd >= 0) {
        FileClose(match->fd); // opened again: the handle stays
    } else {
        match->handle = priv->nextHandle++;
        match->modified = false;
    }
    match->openCount++;
    match->fd = file.Release();
    match->protectedPackage = dpf::IsHeaderProtected(header);
    match->readOnly = readOnly;
    match->checksum = checksum;
    match->index.Clear();
    match->nextBlock = 0;
    return match->handle;
}

int IStuffDPF::Close(int handle) {
    if (handle <= 0) return 0;
    PackageEntry* entry = priv->EntryOf(handle);
    if (!entry) return 2;
    if (--entry->openCount > 0) return 0;

    if (entry->modified) dpf::UpdateHeader(priv->headerCipher, entry->fd, entry->checksum, true);
    int result = FileClose(entry->fd);
    entry->fd = -1;
    entry->handle = 0;
    entry->modified = false;
    entry->protectedPackage = false;
    entry->readOnly = false;
    entry->openCount = 0;
    entry->index.Clear();
    return result;
}

int IStuffDPF::Create(const char* path, bool protectedPackage) {
    if (!path || !*path) {
        ILogSystem.Msg(0, " . [IStuffDPF->Create('%s')] Error: no file name was given.\n", path ? path : "");
        return -1;
    }
    Nimbrel.MakePath(path);
    int fd = FileOpen(path, kFileCreateWrite);
    if (fd < 0) {
        ILogSystem.Msg(0, " . [IStuffDPF->Create('%s')] Error: %s\n", path, LastFileErrorText());
        return -1;
    }
    Uint8 start[dpf::kFirstBlockOffset];
    dpf::BuildPackageStart(priv->headerCipher, start, Nimbrel.GetMaker(), nullptr, protectedPackage);
    bool written = FileWriteAt(fd, start, sizeof start, 0) && FileSync(fd);
    if (!written) ILogSystem.Msg(0, " . [IStuffDPF->Create('%s')] Error: %s\n", path, LastFileErrorText());
    if (FileClose(fd) != 0) written = false;
    if (!written) {
        FileRemove(path);
        return -1;
    }
    return Open(path);
}

const char* IStuffDPF::GetName(int handle) const {
    PackageEntry* entry = priv->EntryOf(handle);
    return entry ? entry->path.c_str() : nullptr;
}

int IStuffDPF::IsProtected(int handle) const {
    PackageEntry* entry = priv->EntryOf(handle);
    return entry ? (entry->protectedPackage ? 1 : 0) : -1;
}

// ---- Finds --------------------------------------------------------------------------------------

int IStuffDPF::FindFirst(int handle, DPFBlock* block) {
    PackageEntry* entry = nullptr;
    int checked = CheckFind(*priv, handle, block, &entry);
    if (checked != 1) return checked;
    const dpf::BlockIndex& index = priv->IndexOf(*entry);
    entry->nextBlock = 0;
    if (index.blocks.empty()) return ReportEnd(index, handle, true);
    FillRecord(index.blocks[0].header, block);
    entry->nextBlock = 1;
    return 1;
}

int IStuffDPF::FindNext(int handle, DPFBlock* block) {
    PackageEntry* entry = nullptr;
    int checked = CheckFind(*priv, handle, block, &entry);
    if (checked != 1) return checked;
    const dpf::BlockIndex& index = priv->IndexOf(*entry);
    if (entry->nextBlock >= index.blocks.size()) return ReportEnd(index, handle, entry->nextBlock == 0);
    FillRecord(index.blocks[entry->nextBlock].header, block);
    entry->nextBlock++;
    return 1;
}

int IStuffDPF::FindBlock(int handle, DPFBlock* block) {
    PackageEntry* entry = priv->EntryOf(handle);
    if (!entry || !block) return 2;
    if (IsTooLong(block->name, sizeof block->name) || IsTooLong(block->type, sizeof block->type)) {
        ILogSystem.Msg(0, " . [IStuffDPF->FindBlock(%d)] Error: name or type are too long. Maximum chars for name is 32 and 8 for type.\n", handle);
        return 0;
    }
    if (priv->NeedsKey(*entry)) {
        ILogSystem.Msg(0, " . [IStuffDPF->Find(%d)] Error: the given DPF is protected and the key was not set.\n", handle);
        return 0;
    }
    const dpf::BlockIndex& index = priv->IndexOf(*entry);
    long found = index.FirstMatch(block->name, block->type);
    if (found < 0) {
        entry->nextBlock = index.blocks.size();
        return ReportEnd(index, handle, index.blocks.empty());
    }
    FillRecord(index.blocks[found].header, block);
    entry->nextBlock = size_t(found) + 1;
    return 1;
}

// ---- LoadBlock ----------------------------------------------------------------------------------

int IStuffDPF::LoadBlock(int handle, const char* type, const char* name, DPFBlock* block) {
    if (!block) return 0;
    std::memset(block, 0, sizeof *block);
    PackageEntry* entry = priv->EntryOf(handle);
    if (!entry) return 0;
    const char* path = entry->path.c_str();
    if (!type) type = "";
    if (!name) name = "";
    if (priv->NeedsKey(*entry)) {
        ILogSystem.Msg(0, " . [IStuffDPF->LoadBlock('%s','%s','%s')] Error: the given DPF is protected and the key was not set.\n",
                       path, type, name);
        return 0;
    }
    if (IsTooLong(name, sizeof block->name) || IsTooLong(type, sizeof block->type)) {
        ILogSystem.Msg(0, " . [IStuffDPF->LoadBlock('%s','%s','%s')] Error: name or type are too long. Maximum chars for name is 32 and 8 for type.\n",
                       path, type, name);
        return 0;
    }

    CopyField(block->name, sizeof block->name, name);
    CopyField(block->type, sizeof block->type, type);
    if (FindBlock(handle, block) != 1) {
        ILogSystem.Msg(2, " . [IStuffDPF->LoadBlock('%s','%s','%s')] Warning: datablock was not found in the given DPF.\n",
                       path, type, name);
        std::memset(block, 0, sizeof *block);
        return 0;
    }
    const dpf::IndexedBlock& found = entry->index.blocks[entry->nextBlock - 1];

    // Nothing the file says about sizes is taken on trust.
    uint64_t stored = block->storedSize, original = block->originalSize;
    uint64_t padded = dpf::PaddedSize(stored);
    int64_t length = entry->index.fileLength;
    bool sizesSound = length >= 0 && uint64_t(found.dataOffset) + padded <= uint64_t(length) && original <= INT_MAX &&
                      (block->mode == DPFBlock::kCompressed ? original <= dpf::MaxOriginalSize(stored) : original == stored);
    // Compressed data is read into a scratch buffer kept from load to load; other data is read
    // straight into the buffer handed to the caller.
    bool compressed = block->mode == DPFBlock::kCompressed;
    Uint8* buffer = nullptr;
    if (sizesSound) buffer = compressed ? priv->Scratch(padded) : static_cast<Uint8*>(std::malloc(padded ? padded : 1));
    if (!buffer || FileReadAt(entry->fd, buffer, padded, found.dataOffset) != int64_t(padded)) {
        ILogSystem.Msg(0, " . [IStuffDPF->LoadBlock('%s','%s','%s')] Error: datablock was not loaded successfully.\n",
                       path, type, name);
        if (!compressed) std::free(buffer);
        return 0;
    }
    if (entry->protectedPackage) BlowfishDecipher(&priv->packageCipher, buffer, padded);

    if (compressed) {
        Uint8* out = static_cast<Uint8*>(std::malloc(original ? original : 1));
        bool decoded = out && dpf::Decompress(buffer, stored, out, original);
        priv->TrimScratch();
        if (!decoded) {
            ILogSystem.Msg(0, " . [IStuffDPF->LoadBlock('%s','%s','%s')] Error: UCL failed to decompress the data block.\n",
                           path, type, name);
            std::free(out);
            return 0;
        }
        buffer = out;
    } else if (block->mode == DPFBlock::kMasked) {
        dpf::ApplyBlockMask(buffer, stored);
    }

    if (original == 0) { // an empty block loads as nothing
        std::free(buffer);
        return 0;
    }
    block->data = buffer;
    return int(original);
}

// ---- AddData, Replace and Delete ---------------------------------------------------------------

namespace {

// The checks AddData and Replace share. The failure message names `operation`.
bool CanAdd(IStuffDPF::Private& priv, PackageEntry* entry, int handle, const DPFBlock* block, const char* operation) {
    if (IsTooLong(block->type, sizeof block->type) || IsTooLong(block->name, sizeof block->name)) {
        ILogSystem.Msg(0, " . [IStuffDPF->%s(%d,'%.32s')] Error: name or type are too long. Maximum chars for name is 32 and 8 for type.\n",
                       operation, handle, block->name);
        return false;
    }
    if (!entry) return false;
    if (priv.NeedsKey(*entry)) {
        ILogSystem.Msg(0, " . [IStuffDPF->%s(%d,'%s')] Error: the given DPF is protected and the key was not set.\n",
                       operation, handle, block->name);
        return false;
    }
    if (entry->readOnly) {
        ILogSystem.Msg(0, " . [IStuffDPF->%s(%d,'%s')] Error: the given DPF was opened in read only mode.\n", operation,
                       handle, block->name);
        return false;
    }
    if (!block->data && block->originalSize > 0) {
        ILogSystem.Msg(0, " . [IStuffDPF->%s(%d,'%s')] Error: the block has no data.\n", operation, handle, block->name);
        return false;
    }
    return true;
}

// A package's state before a change: its length, its checksum and its header's stored bytes, so a
// change that fails part-way can put back exactly what was there (the header's date included).
struct PackageSnapshot {
    int64_t length = -1;
    Uint32 checksum = 0;
    Uint8 header[dpf::kHeaderSize];
    bool headerRead = false;
};

PackageSnapshot TakeSnapshot(const PackageEntry& entry) {
    PackageSnapshot snapshot;
    snapshot.length = FileLength(entry.fd);
    snapshot.checksum = entry.checksum;
    snapshot.headerRead =
        FileReadAt(entry.fd, snapshot.header, sizeof snapshot.header, dpf::kHeaderOffset) == dpf::kHeaderSize;
    return snapshot;
}

// Takes back everything a failed change wrote: the file's old length and its old header.
void RestoreSnapshot(IStuffDPF::Private& priv, PackageEntry& entry, const PackageSnapshot& snapshot) {
    if (snapshot.length >= 0) {
        FileTruncate(entry.fd, snapshot.length);
        entry.trackedLength = snapshot.length;
    }
    entry.checksum = snapshot.checksum;
    if (!snapshot.headerRead ||
        !FileWriteAt(entry.fd, snapshot.header, sizeof snapshot.header, dpf::kHeaderOffset))
        dpf::UpdateHeader(priv.headerCipher, entry.fd, entry.checksum, false);
    entry.index.Clear();
}

// Appends the block and brings the header up to date. The stored size, or 0 with the package
// left as it was.
int AppendBlock(IStuffDPF::Private& priv, PackageEntry& entry, int handle, DPFBlock* block, const char* operation) {
    dpf::BlockHeader header;
    std::memset(&header, 0, sizeof header);
    CopyField(header.name, sizeof header.name, block->name);
    CopyField(header.type, sizeof header.type, block->type);
    header.originalSize = block->originalSize;

    std::vector<Uint8> stored;
    if (block->mode == DPFBlock::kCompressed) {
        stored.resize(dpf::CompressBound(block->originalSize));
        int64_t compressed = dpf::Compress(block->data, block->originalSize, stored.data());
        if (compressed < 0) {
            ILogSystem.Msg(0, " . [IStuffDPF->%s(%d,'%s')] Error: UCL failed to compress the data block.\n", operation,
                           handle, block->name);
            return 0;
        }
        stored.resize(size_t(compressed));
    } else {
        if (block->mode != DPFBlock::kStored) block->mode = DPFBlock::kMasked;
        if (block->originalSize) stored.assign(block->data, block->data + block->originalSize);
        if (block->mode == DPFBlock::kMasked) dpf::ApplyBlockMask(stored.data(), stored.size());
    }
    header.mode = block->mode;
    header.storedSize = Uint32(stored.size());

    std::vector<Uint8> frame = dpf::BuildBlockFrame(header, stored.data(), priv.BlockCipher(entry));
    const PackageSnapshot before = TakeSnapshot(entry);
    const int64_t oldLength = before.length;
    bool written = oldLength >= 0 && FileWriteAt(entry.fd, frame.data(), frame.size(), oldLength);
    if (written) {
        entry.checksum = ChecksumUpdate(entry.checksum, frame.data(), frame.size());
        written = dpf::UpdateHeader(priv.headerCipher, entry.fd, entry.checksum, false);
    }
    entry.index.Clear();
    if (!written) {
        ILogSystem.Msg(0, " . [IStuffDPF->%s(%d,'%s')] Error: the data block could not be written: %s\n", operation,
                       handle, block->name, LastFileErrorText());
        RestoreSnapshot(priv, entry, before);
        return 0;
    }
    entry.trackedLength = oldLength + int64_t(frame.size());
    entry.modified = true;
    return int(header.storedSize);
}

// Marks the block header at `headerAt` deleted and brings the header up to date.
bool MarkDeletedAt(IStuffDPF::Private& priv, PackageEntry& entry, int handle, int64_t headerAt) {
    Uint8 before[dpf::kBlockHeaderSize], after[dpf::kBlockHeaderSize];
    int64_t length = FileLength(entry.fd);
    if (length < 0 || FileReadAt(entry.fd, before, sizeof before, headerAt) != dpf::kBlockHeaderSize) {
        ILogSystem.Msg(0, " . [IStuffDPF->Delete(%d)] Error: %s\n", handle, LastFileErrorText());
        return false;
    }
    std::memcpy(after, before, sizeof after);
    const BlowfishState* cipher = priv.BlockCipher(entry);
    if (cipher) BlowfishDecipher(cipher, after, sizeof after);
    dpf::MarkHeaderDeleted(after);
    if (cipher) BlowfishEncipher(cipher, after, sizeof after);

    // The header goes first: if the process dies before the block header is marked, the next
    // Open finds the one block whose marking matches the header's checksum and completes it.
    entry.index.Clear();
    const PackageSnapshot snapshot = TakeSnapshot(entry);
    uint64_t bytesAfter = uint64_t(length - headerAt - dpf::kBlockHeaderSize);
    entry.checksum = ChecksumAfterPatch(entry.checksum, before, after, sizeof after, bytesAfter);
    bool written = dpf::UpdateHeader(priv.headerCipher, entry.fd, entry.checksum, false) && FileWriteAt(entry.fd, after, sizeof after, headerAt);
    if (!written) {
        ILogSystem.Msg(0, " . [IStuffDPF->Delete(%d)] Error: %s\n", handle, LastFileErrorText());
        FileWriteAt(entry.fd, before, sizeof before, headerAt);
        RestoreSnapshot(priv, entry, snapshot);
        return false;
    }
    entry.modified = true;
    return true;
}

} // namespace

int IStuffDPF::AddData(int handle, DPFBlock* block) {
    if (!block) return 0;
    PackageEntry* entry = priv->EntryOf(handle);
    if (!CanAdd(*priv, entry, handle, block, "AddData")) return 0;

    DPFBlock existing = *block;
    int found = FindBlock(handle, &existing);
    if (found == 1) {
        ILogSystem.Msg(5, " . [IStuffDPF->AddData(%d,'%s')] Info: block already exists.\n", handle, block->name);
        return -1;
    }
    if (found == 2) {
        ILogSystem.Msg(0, " . [IStuffDPF->AddData(%d,'%s')] Error: it was not possible to access to the DPF.\n", handle,
                       block->name);
        return 0;
    }
    return AppendBlock(*priv, *entry, handle, block, "AddData");
}

int IStuffDPF::Replace(int handle, DPFBlock* block) {
    if (!block) return 0;
    PackageEntry* entry = priv->EntryOf(handle);
    if (!CanAdd(*priv, entry, handle, block, "Replace")) return 0;

    DPFBlock existing = *block;
    int found = FindBlock(handle, &existing);
    if (found == 2) {
        ILogSystem.Msg(0, " . [IStuffDPF->Replace(%d,'%s')] Error: it was not possible to access to the DPF.\n", handle,
                       block->name);
        return 0;
    }
    int64_t oldHeaderAt = found == 1 ? entry->index.blocks[entry->nextBlock - 1].dataOffset - dpf::kBlockHeaderSize : -1;

    // The new block is written first: until the old one is marked deleted, finds still see the
    // old one, so no moment exists at which the package lacks the block.
    const PackageSnapshot before = TakeSnapshot(*entry);
    int stored = AppendBlock(*priv, *entry, handle, block, "Replace");
    if (stored == 0 || oldHeaderAt < 0) return stored;
    if (MarkDeletedAt(*priv, *entry, handle, oldHeaderAt)) return stored;
    // A failure leaves the package as it was, not with two live blocks of the name.
    RestoreSnapshot(*priv, *entry, before);
    return 0;
}

int IStuffDPF::Delete(int handle, DPFBlock* block) {
    if (!block) return 0;
    PackageEntry* entry = priv->EntryOf(handle);
    if (entry && entry->readOnly) {
        ILogSystem.Msg(0, " . [IStuffDPF->Delete(%d)] Error: the given DPF was opened in read only mode.\n", handle);
        return 0;
    }
    DPFBlock found = *block;
    if (FindBlock(handle, &found) != 1) {
        ILogSystem.Msg(2, " . [IStuffDPF->Delete(%d)] Warning: datablock was not found in the given DPF.\n", handle);
        return 0;
    }
    int64_t headerAt = entry->index.blocks[entry->nextBlock - 1].dataOffset - dpf::kBlockHeaderSize;
    return MarkDeletedAt(*priv, *entry, handle, headerAt) ? 1 : 0;
}

// ---- Key ----------------------------------------------------------------------------------------

int IStuffDPF::SetKey(const void* key, int length) {
    priv->ForgetIndexes(); // block headers of protected packages read differently now
    if (!key || length == 0) {
        dpf::KeyWithBuiltInKey(&priv->packageCipher);
        priv->keySet = false;
        return 1;
    }
    if (length < 0 || length > kMaxKeyLength) {
        ILogSystem.Msg(0, " . [IStuffDPF->SetKey(%d)] Error: a key has 1 to %d bytes.\n", length, kMaxKeyLength);
        return 0;
    }
    BlowfishSetKey(&priv->packageCipher, static_cast<const Uint8*>(key), size_t(length));
    priv->keySet = true;
    return 1;
}
