#pragma once
// plnctl's operation window: no window, and the transfer's progress as one line on stderr that
// is rewritten in place, only when stderr is a terminal (a log file gets no carriage returns).

#include "operations/operation_view.h"

#include <string>

class CliOperationView : public OperationView {
public:
    // label: what is being moved ("BANK/BANK05.BNK"), shown before the count.
    explicit CliOperationView(bool showProgress);
    void setSubject(const std::string& subject) { subject_ = subject; }

    void setStep(long, const std::string&) override {}
    void setReadVisible(bool) override {}
    void setProgressVisible(bool) override {}
    void showWindow() override {}
    void unloadWindow() override;
    void setMainWindowEnabled(bool) override {}
    void repaint() override {}
    void setReadText(const std::string& text) override;
    void setProgressMaximum(int64_t maximum) override { maximum_ = maximum; }
    int64_t progressMaximum() const override { return maximum_; }
    void setProgressValue(int64_t value) override;
    int64_t progressValue() const override { return value_; }

private:
    void print(const std::string& line);

    bool showProgress_;
    bool printed_ = false;
    std::string subject_;
    int64_t maximum_ = 0;
    int64_t value_ = 0;
};
