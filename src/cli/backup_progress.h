#pragma once
// What backup and restore show while they run, on stderr. On a terminal one line that is
// redrawn at most ten times a second: "12/65 BANK/BANK11.BNK  3072 bytes  2.9 KB/s  0:41 left",
// the bytes and the rate counting the whole run and the time left for all files. Through a
// pipe one line per file once it is done. At the end a summary line (files, bytes, time).
// Quiet shows nothing.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

class BackupProgress {
public:
    enum class Mode { Quiet, Lines, Terminal };
    // total: the number of files; totalBytes: their size when known (restore), else 0.
    BackupProgress(Mode mode, int language, int total, uint64_t totalBytes, std::FILE* out = stderr);

    // File n (1-based) begins.
    void fileStarted(int n, const std::string& name);
    // Bytes of the current file so far, and the size of the file when the transfer knows it.
    void bytes(int64_t done);
    void fileSize(int64_t expected) { expected_ = expected; }
    // The current file is done with its size.
    void fileDone(uint64_t size);
    // The summary line; nothing when no file was done.
    void finish();

    uint64_t totalDone() const { return done_; }
    double seconds() const;

    // The text of the terminal line (without the leading carriage return), for tests.
    static std::string line(int language, int n, int total, const std::string& name, uint64_t bytes,
                            double seconds, double fractionDone);
    static std::string summary(int language, int files, uint64_t bytes, double seconds);

private:
    void draw(bool force);

    Mode mode_;
    int language_;
    int total_;
    uint64_t totalBytes_;
    std::FILE* out_;
    int current_ = 0;
    int filesDone_ = 0;
    std::string name_;
    uint64_t done_ = 0;    // bytes of the files done
    int64_t fileBytes_ = 0;
    int64_t expected_ = 0;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_{};
};
