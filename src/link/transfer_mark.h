#pragma once
// A mark on the PC that a data transfer with a controller is under way. A run killed outright
// (SIGKILL, a crash) leaves the controller inside the transfer, where it keeps waiting for a
// block or an acknowledgement and answers nothing for a minute or more. The mark it leaves
// tells the next run on the same port or address to end that transfer before its first command.

#include <filesystem>
#include <string>

// The folder of the marks: $XDG_RUNTIME_DIR/plntool, else plntool-UID in the system's
// temporary folder. Marks concern processes of this boot only, so a runtime folder fits.
std::filesystem::path defaultTransferMarkFolder();

class TransferMark {
public:
    // Marks a transfer with target (a device path or host:port) in folder; a mark that cannot
    // be made costs nothing but the help it would have given.
    TransferMark(const std::filesystem::path& folder, const std::string& target);
    ~TransferMark();
    TransferMark(const TransferMark&) = delete;
    TransferMark& operator=(const TransferMark&) = delete;

private:
    std::filesystem::path path_;
};

// True when folder holds a mark for target whose writer is gone: that run was killed inside a
// transfer. Such marks are removed; the marks of runs still going on are left alone.
bool takeLeftoverTransferMark(const std::filesystem::path& folder, const std::string& target);
