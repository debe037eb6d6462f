#pragma once
// A work folder of one plnctl run, laid out like a program folder: its TMP holds the work
// files (tmp.bin, tmp.bmp). Two runs at once, or a run beside PLNTOOL, never share a work
// file. Created under the system's temporary folder ($TMPDIR, else /tmp) with mode 700 and
// removed with everything in it when the object goes. Its name carries the run's process id
// (plnctl-PID-XXXXXX), so the next run removes the folders of runs that were killed outright.

#include <filesystem>
#include <string>

class PrivateWorkFolder {
public:
    PrivateWorkFolder();
    ~PrivateWorkFolder();
    PrivateWorkFolder(const PrivateWorkFolder&) = delete;
    PrivateWorkFolder& operator=(const PrivateWorkFolder&) = delete;

    // False when the folder could not be made; error() says why.
    bool ok() const { return !root_.empty(); }
    const std::string& error() const { return error_; }

    // Give this where the image code takes a program folder: its TMP is private.
    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path tmp() const { return root_ / "TMP"; }

private:
    std::filesystem::path root_;
    std::string error_;
};
