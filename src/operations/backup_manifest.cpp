#include "operations/backup_manifest.h"

#include "files/file_util.h"

#include <QCryptographicHash>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <map>
#include <sstream>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kHeader = "PLNCTL BACKUP 1";
constexpr long kManifestLimit = 1 << 20;  // far more than 65 lines; a bigger file is not ours

bool isHex64(const std::string& s)
{
    return s.size() == 64 && std::all_of(s.begin(), s.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

} // namespace

std::optional<ManifestEntry> describeFile(const fs::path& folder, const std::string& name, std::string& error)
{
    const fs::path path = folder / fs::path(name);
    int errorNumber = 0;
    FilePtr f = openForReading(path, errorNumber);
    if (!f) {
        error = describeFileError("cannot read", path, errorNumber);
        return std::nullopt;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    ManifestEntry entry;
    entry.name = name;
    std::vector<char> buffer(1 << 16);
    while (size_t n = std::fread(buffer.data(), 1, buffer.size(), f.get())) {
        hash.addData(QByteArrayView(buffer.data(), qsizetype(n)));
        entry.size += n;
    }
    if (std::ferror(f.get())) {
        error = describeFileError("cannot read", path, errno ? errno : EIO);
        return std::nullopt;
    }
    entry.sha256 = hash.result().toHex().toStdString();
    return entry;
}

bool writeManifest(const fs::path& folder, const std::vector<ManifestEntry>& entries, std::string& error)
{
    std::string text = std::string(kHeader) + "\n";
    for (const auto& e : entries)
        text += e.sha256 + " " + std::to_string(e.size) + " " + e.name + "\n";
    return writeFileReplacing(folder / kManifestName,
                              {{reinterpret_cast<const uint8_t*>(text.data()), text.size()}}, error);
}

std::optional<std::vector<std::string>> readVerifiedBackup(const fs::path& folder,
                                                           const std::vector<std::string>& expected,
                                                           std::string& error)
{
    const fs::path path = folder / kManifestName;
    std::string text;
    int errorNumber = 0;
    if (!readWholeFile(path, text, std::size_t(kManifestLimit), errorNumber)) {
        error = errorNumber == EFBIG ? path.string() + " is too long for a manifest"
                                     : describeFileError("no manifest", path, errorNumber);
        return std::nullopt;
    }

    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kHeader) {
        error = path.string() + " is not a plnctl backup manifest";
        return std::nullopt;
    }
    std::map<std::string, ManifestEntry> listed;
    int number = 1;
    while (std::getline(lines, line)) {
        ++number;
        const auto bad = [&](const std::string& why) {
            error = path.string() + " line " + std::to_string(number) + ": " + why;
            return std::nullopt;
        };
        const size_t a = line.find(' ');
        const size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
        if (b == std::string::npos)
            return bad("expected hash, size and name");
        ManifestEntry e;
        e.sha256 = line.substr(0, a);
        e.name = line.substr(b + 1);
        const std::string size = line.substr(a + 1, b - a - 1);
        auto [end, ec] = std::from_chars(size.data(), size.data() + size.size(), e.size);
        if (!isHex64(e.sha256) || ec != std::errc() || end != size.data() + size.size() || size.empty())
            return bad("expected hash, size and name");
        if (std::find(expected.begin(), expected.end(), e.name) == expected.end())
            return bad("unexpected file " + e.name);
        if (!listed.emplace(e.name, e).second)
            return bad(e.name + " listed twice");
    }
    // Sizes first: a file of the wrong size is refused before a single byte is hashed.
    uint64_t total = 0;
    for (const auto& name : expected) {
        auto it = listed.find(name);
        if (it == listed.end()) {
            error = path.string() + " does not list " + name;
            return std::nullopt;
        }
        const fs::path file = folder / fs::path(name);
        struct stat info {};
        if (::stat(file.c_str(), &info) != 0) {
            error = describeFileError("cannot read", file, errno);
            return std::nullopt;
        }
        if (!S_ISREG(info.st_mode)) {
            error = describeFileError("cannot read", file, S_ISDIR(info.st_mode) ? EISDIR : kErrNotRegularFile);
            return std::nullopt;
        }
        if (uint64_t(info.st_size) != it->second.size) {
            error = name + " does not match the manifest (" + std::to_string(info.st_size) + " bytes, listed "
                    + std::to_string(it->second.size) + ")";
            return std::nullopt;
        }
        if (it->second.size == 0) {
            error = name + " is empty: the controller sends no empty data";
            return std::nullopt;
        }
        if (it->second.size > kBackupFileLimit) {
            error = name + " is too large to send";
            return std::nullopt;
        }
        total += it->second.size;
    }
    if (total > kBackupTotalLimit) {
        error = folder.string() + " holds more than a controller's backup";
        return std::nullopt;
    }
    std::vector<std::string> contents;
    for (const auto& name : expected) {
        const ManifestEntry& e = listed.at(name);
        const fs::path file = folder / fs::path(name);
        std::string bytes;
        if (!readWholeFile(file, bytes, std::size_t(e.size), errorNumber)) {
            error = errorNumber == EFBIG ? name + " does not match the manifest (it grew)"
                                         : describeFileError("cannot read", file, errorNumber);
            return std::nullopt;
        }
        const QByteArray hash =
            QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())), QCryptographicHash::Sha256);
        if (bytes.size() != e.size || hash.toHex().toStdString() != e.sha256) {
            error = name + " does not match the manifest (size or SHA-256 differs)";
            return std::nullopt;
        }
        contents.push_back(std::move(bytes));
    }
    return contents;
}
