#pragma once
// A one-line progress display on stderr for long transfers: bytes so far, the rate and, when
// the total is known, the time left. It prints only when stderr is a terminal, at most ten
// times a second, and ends its line on finish().

#include "xmodem/transfer_view.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

class ProgressPrinter {
public:
    // enabled: usually stderrIsTerminal(). total 0: unknown.
    explicit ProgressPrinter(bool enabled, int64_t total = 0, std::FILE* out = stderr);
    ~ProgressPrinter() { finish(); }

    void setTotal(int64_t total) { total_ = total; }
    void update(int64_t bytes);
    // Prints the last figures and ends the line (once).
    void finish();

    // The line for bytes, of which moved moved in the last seconds, e.g.
    // "  1024/282156 bytes  3.7 KB/s  1:12 left". No rate for less than half a second.
    static std::string format(int64_t bytes, int64_t total, int64_t moved, double seconds);

private:
    void print();

    bool enabled_;
    int64_t total_;
    std::FILE* out_;
    int64_t bytes_ = 0;
    bool printed_ = false;
    // The rate counts from the first block: the wait for the peer to start is no part of it.
    bool started_ = false;
    int64_t startBytes_ = 0;
    std::chrono::steady_clock::time_point start_{};
    std::chrono::steady_clock::time_point last_{};
};

bool stderrIsTerminal();

// A transfer view that feeds the printer: the total from the progress maximum, the count
// from each block.
class ProgressTransferView : public PlainTransferView {
public:
    explicit ProgressTransferView(ProgressPrinter& printer) : printer_(printer) {}
    void setProgressMaximum(int64_t maximum) override
    {
        PlainTransferView::setProgressMaximum(maximum);
        printer_.setTotal(maximum);
    }
    void transferred(int64_t bytes) override { printer_.update(bytes); }

private:
    ProgressPrinter& printer_;
};
