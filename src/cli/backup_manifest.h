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

// Reads and checks the manifest against the files: every name of `expected` listed exactly
// once, nothing else, and every file present with its size and hash. False (error set) at the
// first mismatch.
bool verifyManifest(const std::filesystem::path& folder, const std::vector<std::string>& expected, std::string& error);
