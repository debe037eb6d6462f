#pragma once
// One PLNTOOL per program folder: its work files (TMP/tmp.bin, tmp.bmp ...) have fixed names,
// so a second program on the same folder would overwrite the first one's. The lock is an
// flock on TMP/PLNTOOL.lock, held while the object lives and dropped by the system when the
// process ends however it ends, so a crash leaves no stale lock behind.

#include <filesystem>

class ProgramFolderLock {
public:
    enum class Result {
        Held,   // this program holds the folder
        InUse,  // another program holds it
        Failed, // no lock file could be made (a read-only folder): nothing to guard with
    };

    ProgramFolderLock() = default;
    ~ProgramFolderLock();
    ProgramFolderLock(const ProgramFolderLock&) = delete;
    ProgramFolderLock& operator=(const ProgramFolderLock&) = delete;

    // Takes the lock of the working folder tmpFolder without waiting; held again when held.
    Result acquire(const std::filesystem::path& tmpFolder);

private:
    int fd_ = -1;
};
