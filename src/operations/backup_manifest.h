#pragma once
// The manifest of a plnctl backup folder: one line per file with its SHA-256, its size and its
// name below the folder, written last, so a folder without it is an unfinished backup.
//
//     PLNCTL BACKUP 1
//     <64 hex digits> <size in bytes> BANK/BANK00.BNK

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct ManifestEntry {
    std::string name;   // below the backup folder, "/"-separated
    uint64_t size = 0;
    std::string sha256; // lower-case hex
};

inline constexpr const char* kManifestName = "MANIFEST.txt";

// SHA-256 and size of a file; nullopt (error set) when it cannot be read.
std::optional<ManifestEntry> describeFile(const std::filesystem::path& folder, const std::string& name,
                                          std::string& error);

// Writes the manifest through the safe writer; false (error set) on failure.
bool writeManifest(const std::filesystem::path& folder, const std::vector<ManifestEntry>& entries, std::string& error);

// A restore's largest file, the same bound as any file sent, and all of them together.
inline constexpr uint64_t kBackupFileLimit = uint64_t(64) << 20;
inline constexpr uint64_t kBackupTotalLimit = uint64_t(256) << 20;

// Reads and checks a backup before anything of it is sent: the manifest lists every name of
// `expected` exactly once and nothing else; every file has the listed size (looked at before
// anything is read or hashed) and is not empty; then each file is read once, within the
// bounds, and its SHA-256 compared. Returns the bytes in the order of `expected`, or nullopt
// (error set) at the first mismatch. What is sent is exactly what was checked.
std::optional<std::vector<std::string>> readVerifiedBackup(const std::filesystem::path& folder,
                                                           const std::vector<std::string>& expected,
                                                           std::string& error);
