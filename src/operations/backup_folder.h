#pragma once
// The folder of a whole-controller backup is replaced whole or not at all. The new backup is
// written into a staging folder beside it (same file system), flushed to the disk, and then
// swapped in with one atomic exchange of the two names; the old contents go only after that.
// Stopped, failed or ended by a signal, the staging folder is removed and the old backup is
// there byte for byte. Killed outright, the old backup or the new one is complete under the
// folder's name, and the next backup or restore removes what the killed run left.
//
// Names beside the folder DIR (writer's process id, then a random part):
//     .DIR.plntool-new-PID-XXXXXX   the new backup being written
//     .DIR.plntool-old-PID-XXXXXX   the old backup moved aside where no exchange is possible

#include <filesystem>
#include <string>

class StagedBackupFolder {
public:
    // How the staging folder is switched in: by the atomic exchange where the file system
    // can do it, otherwise (or when told, for tests) by two renames with the old backup aside.
    enum class Switch { Exchange, Renames };

    explicit StagedBackupFolder(const std::filesystem::path& folder, Switch how = Switch::Exchange);
    ~StagedBackupFolder();
    StagedBackupFolder(const StagedBackupFolder&) = delete;
    StagedBackupFolder& operator=(const StagedBackupFolder&) = delete;

    // False when the staging folder could not be made; error() says why.
    bool ok() const { return !staging_.empty(); }
    const std::string& error() const { return error_; }
    // Where the new backup is written.
    const std::filesystem::path& path() const { return staging_; }

    // Flushes the new backup, carries over what the old folder holds beyond a backup (a
    // user's notes), and switches it in. False (error set, the old folder untouched) on failure.
    bool commit(std::string& error);

private:
    bool switchByRenames(std::string& error);

    std::filesystem::path folder_;
    std::filesystem::path staging_;
    std::string error_;
    Switch how_;
    bool committed_ = false;
};

// The folder a backup goes to: the folder a symlink under that name points at, so that the
// link stays.
std::filesystem::path realBackupFolder(const std::filesystem::path& folder);

// Removes what killed runs left beside folder: staging folders, and old backups moved aside
// (put back under the folder's name when the killed run had not yet put the new one there).
// Only names of the program's own naming whose writer is gone are touched.
void removeBackupLeftovers(const std::filesystem::path& folder);
