#pragma once
// What the file browser windows show: the file systems a user can pick as a drive, the
// folders and the files of a folder. Plain C++ so that the rules are tested without windows.

#include <filesystem>
#include <string>
#include <vector>

// One entry of the drive list: a mounted file system or the home folder.
struct BrowserDrive {
    std::filesystem::path root;
    std::string name; // volume name, "" when it has none
    bool operator==(const BrowserDrive&) const = default;
};

// A file system worth offering: not one of the kernel's pseudo file systems (proc, sysfs,
// cgroups, device nodes...) and not mounted below /proc, /sys, /dev or /run (other than the
// removable media in /run/media).
bool isUserFileSystem(const std::string& type, const std::filesystem::path& mountPoint);

// The drive list: "/" first, then the home folder, then the other user file systems of
// `mounts` (type and mount point), each once, in mount order.
std::vector<BrowserDrive> browserDrives(const std::vector<std::pair<std::string, BrowserDrive>>& mounts,
                                        const std::filesystem::path& home);

// The drive whose root holds `folder` most closely (the longest root that is a leading part
// of it); the first drive when none does.
std::size_t driveOf(const std::vector<BrowserDrive>& drives, const std::filesystem::path& folder);

// "*.BYR" against a file name, letters compared without regard to case; "*" stands for any
// run of characters and "?" for one.
bool matchesPattern(const std::string& name, const std::string& pattern);

struct FolderListing {
    std::vector<std::string> folders; // sub-folders, hidden ones left out
    std::vector<std::string> files;   // files matching the pattern
};

// Lists a folder, both lists sorted by name without regard to case. False with the system's
// reason when the folder cannot be read.
bool listFolder(const std::filesystem::path& folder, const std::string& pattern, FolderListing& listing,
                std::string& error);

// The folder as the browsers hand it back: with one "/" at the end ("/" stays "/").
std::string folderWithSeparator(const std::filesystem::path& folder);
