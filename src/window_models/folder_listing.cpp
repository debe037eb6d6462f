#include "window_models/folder_listing.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool startsWith(const fs::path& path, const fs::path& base) {
    auto p = path.begin();
    for (auto b = base.begin(); b != base.end(); ++b, ++p) {
        if (b->empty()) {
            continue; // the empty last part of a root with a trailing separator
        }
        if (p == path.end() || *p != *b) {
            return false;
        }
    }
    return true;
}

int depth(const fs::path& path) { return int(std::distance(path.begin(), path.end())); }

char lower(char c) { return char(std::tolower(static_cast<unsigned char>(c))); }

bool lessWithoutCase(const std::string& a, const std::string& b) {
    const bool less = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                   [](char x, char y) { return lower(x) < lower(y); });
    const bool greater = std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                                      [](char x, char y) { return lower(x) < lower(y); });
    return less || (!greater && a < b);
}

bool matchFrom(const char* n, const char* p) {
    for (; *p; ++p, ++n) {
        if (*p == '*') {
            for (const char* rest = n;; ++rest) {
                if (matchFrom(rest, p + 1)) {
                    return true;
                }
                if (!*rest) {
                    return false;
                }
            }
        }
        if (!*n || (*p != '?' && lower(*p) != lower(*n))) {
            return false;
        }
    }
    return !*n;
}

} // namespace

bool isUserFileSystem(const std::string& type, const fs::path& mountPoint) {
    static const std::set<std::string> pseudo = {
        "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs", "pstore",
        "debugfs", "tracefs", "configfs", "fusectl", "mqueue", "hugetlbfs", "bpf", "autofs",
        "binfmt_misc", "rpc_pipefs", "nsfs", "efivarfs", "selinuxfs", "ramfs", "squashfs",
        "fuse.gvfsd-fuse", "fuse.portal"};
    if (pseudo.count(type)) {
        return false;
    }
    if (startsWith(mountPoint, "/run/media")) {
        return true;
    }
    for (const char* system : {"/proc", "/sys", "/dev", "/run", "/snap"}) {
        if (startsWith(mountPoint, system)) {
            return false;
        }
    }
    return true;
}

std::vector<BrowserDrive> browserDrives(const std::vector<std::pair<std::string, BrowserDrive>>& mounts,
                                        const fs::path& home) {
    std::vector<BrowserDrive> drives{{"/", ""}};
    auto add = [&drives](const BrowserDrive& d) {
        if (std::none_of(drives.begin(), drives.end(), [&](const BrowserDrive& x) { return x.root == d.root; })) {
            drives.push_back(d);
        }
    };
    if (!home.empty()) {
        add({home, ""});
    }
    for (const auto& [type, drive] : mounts) {
        if (isUserFileSystem(type, drive.root)) {
            add(drive);
        }
    }
    return drives;
}

std::size_t driveOf(const std::vector<BrowserDrive>& drives, const fs::path& folder) {
    std::size_t best = 0;
    int bestDepth = -1;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        if (startsWith(folder, drives[i].root) && depth(drives[i].root) > bestDepth) {
            best = i;
            bestDepth = depth(drives[i].root);
        }
    }
    return best;
}

bool matchesPattern(const std::string& name, const std::string& pattern) {
    return matchFrom(name.c_str(), pattern.c_str());
}

bool listFolder(const fs::path& folder, const std::string& pattern, FolderListing& listing, std::string& error) {
    FolderListing result;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            if (name.front() != '.') {
                result.folders.push_back(name);
            }
        } else if (it->is_regular_file(typeError) && matchesPattern(name, pattern)) {
            result.files.push_back(name);
        }
    }
    if (ec) {
        error = folder.string() + ": " + ec.message();
        return false;
    }
    std::sort(result.folders.begin(), result.folders.end(), lessWithoutCase);
    std::sort(result.files.begin(), result.files.end(), lessWithoutCase);
    listing = std::move(result);
    return true;
}

std::string folderWithSeparator(const fs::path& folder) {
    std::string text = folder.string();
    if (text.empty() || text.back() != '/') {
        text += '/';
    }
    return text;
}
