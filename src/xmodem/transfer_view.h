#pragma once
// What a file transfer shows while it runs: the received byte counter (lblRead) and the send
// progress bar (ProgressBar1) of the operation window. The window, plnctl and tests implement it.

#include "xmodem/transfer_estimate.h"

#include <cstdint>
#include <string>

class TransferView {
public:
    virtual ~TransferView() = default;
    // The caption of the byte counter: label text 4, the count, label text 5.
    virtual void setReadText(const std::string& text) = 0;
    virtual void setProgressMaximum(int64_t maximum) = 0;
    virtual int64_t progressMaximum() const = 0;
    virtual void setProgressValue(int64_t value) = 0;
    virtual int64_t progressValue() const = 0;
    // Bytes moved so far (received blocks, or file bytes sent), once per block: for views
    // that show a rate or the time left. The window has nothing to do with it.
    virtual void transferred(int64_t bytes) { (void)bytes; }
    // Where the transfer stands against the size it is expected to have (TransferControl
    // measures it on the link's clock): once at the start, after each block, and at the end
    // with finished set. For the bar, the time left and the rate beside lblRead.
    virtual void estimated(const TransferFigures& figures) { (void)figures; }
};

// A view that only keeps the numbers (bare transfers, tests that do not look).
class PlainTransferView : public TransferView {
public:
    void setReadText(const std::string& text) override { readText = text; }
    void setProgressMaximum(int64_t maximum) override { maximum_ = maximum; }
    int64_t progressMaximum() const override { return maximum_; }
    void setProgressValue(int64_t value) override { value_ = value; }
    int64_t progressValue() const override { return value_; }
    std::string readText;

private:
    int64_t maximum_ = 0;
    int64_t value_ = 0;
};
