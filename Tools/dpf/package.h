// The package a dpf command works on, for the length of the command: the key of a protected
// package (from --key KEYFILE) is applied before it is opened or made, every problem is reported
// on standard error as it happens, and the package is closed when the command is done with it.
#ifndef NIMBREL_TOOLS_DPF_PACKAGE_H
#define NIMBREL_TOOLS_DPF_PACKAGE_H

#include <string>

#include "Nimbrel.h"

class CommandLine;

class Package {
public:
    // The package at `path`; `keyFile` names the file holding its key, empty when none was given.
    Package(const std::string& path, const std::string& keyFile);
    // The package a command line names: its PKG argument and its --key option.
    explicit Package(const CommandLine& line);
    // Closes the package if it is still open; a problem closing it is not reported.
    ~Package();
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    const std::string& path() const { return path_; }
    int handle() const { return handle_; }
    bool keyGiven() const { return !keyFile_.empty(); }
    bool isProtected() const;

    // Makes a new, empty package, replacing any file of that name. A protected one enciphers its
    // blocks with the key, which must be set: given to this package, or to one opened before.
    bool Create(bool protectedPackage);
    // Opens the package. When it does not open, the engine's message says why and
    // `openFailure` then says what that means for the command.
    bool Open(const char* openFailure = "cannot open the package (see the message above)");
    // Opens the package for its blocks: a protected one needs its key.
    bool OpenForBlocks();

    // Adds the block, or with `replace` puts it in place of the block of its name and type, which
    // is deleted only once the new one is written. `label` names the block in messages. The bytes
    // stored, or -1.
    int Put(DPFBlock* block, bool replace, const std::string& label);
    // Closes the package, writing what is still pending.
    bool Close();

private:
    bool ApplyKey() const;

    std::string path_;
    std::string keyFile_;
    int handle_ = 0;
};

#endif
