#pragma once
// A one-line progress display on stderr for long transfers: bytes so far, the rate and, when
// the size the transfer will have is known, the time left, else the time since it began. It
// prints only when stderr is a terminal, at most ten times a second, and ends its line on
// finish().

#include "xmodem/transfer_view.h"

#include <cstdint>
#include <cstdio>
#include <string>

class ProgressPrinter {
public:
    // enabled: usually stderrIsTerminal().
    explicit ProgressPrinter(bool enabled, std::FILE* out = stderr);
    ~ProgressPrinter() { finish(); }

    void show(const TransferFigures& figures);
    // Prints the last figures and ends the line (once).
    void finish();

    // The line for the figures, e.g. "  1024/282240 bytes  3.7 KB/s  1:12 left", or
    // "  1024 bytes  3.7 KB/s  0:05 elapsed" while the size is not known. No rate for less
    // than half a second.
    static std::string format(const TransferFigures& figures);

private:
    void print();

    bool enabled_;
    std::FILE* out_;
    TransferFigures figures_;
    bool printed_ = false;
    double printedAt_ = 0;
};

bool stderrIsTerminal();

// A transfer view that feeds the printer with the transfer's figures.
class ProgressTransferView : public PlainTransferView {
public:
    explicit ProgressTransferView(ProgressPrinter& printer) : printer_(printer) {}
    void estimated(const TransferFigures& figures) override { printer_.show(figures); }

private:
    ProgressPrinter& printer_;
};
