#pragma once
// plnctl's operation window: no window; the transfer's progress goes to the shared progress
// line on stderr (only when stderr is a terminal), ended when the operation unloads its window.

#include "cli/progress_printer.h"

#include "operations/operation_view.h"

#include <functional>
#include <memory>

class CliOperationView : public OperationView {
public:
    explicit CliOperationView(bool showProgress) : showProgress_(showProgress) {}

    // When set, the byte counts and the size go here instead of the progress line (backup and
    // restore draw one line for the whole run).
    std::function<void(int64_t)> onBytes;
    std::function<void(int64_t)> onMaximum;

    void setStep(long, const std::string&) override {}
    void setReadVisible(bool) override {}
    void setProgressVisible(bool) override {}
    void showWindow() override { printer_ = std::make_unique<ProgressPrinter>(showProgress_ && !onBytes); }
    void unloadWindow() override { printer_.reset(); }
    void setMainWindowEnabled(bool) override {}
    void repaint() override {}
    void setReadText(const std::string&) override {}
    void setProgressMaximum(int64_t maximum) override
    {
        maximum_ = maximum;
        if (onMaximum)
            onMaximum(maximum);
    }
    int64_t progressMaximum() const override { return maximum_; }
    void setProgressValue(int64_t value) override { value_ = value; }
    int64_t progressValue() const override { return value_; }
    void transferred(int64_t bytes) override
    {
        if (onBytes)
            onBytes(bytes);
    }
    void estimated(const TransferFigures& figures) override
    {
        if (printer_)
            printer_->show(figures);
    }

private:
    bool showProgress_;
    std::unique_ptr<ProgressPrinter> printer_;
    int64_t maximum_ = 0;
    int64_t value_ = 0;
};
