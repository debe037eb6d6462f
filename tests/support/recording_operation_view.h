#pragma once
// An OperationView for tests: keeps the state a window would show and a log of every call
// ("step 7", "show", "main off", ...). onEvent runs after each call, so a test can look at the
// whole state from inside a running operation.

#include "operations/operation_view.h"

#include <functional>
#include <string>
#include <vector>

class RecordingOperationView : public OperationView {
public:
    std::vector<std::string> log;
    std::vector<long> steps;
    std::string stepText;
    std::string readText;
    bool shown = false;
    bool mainEnabled = true;
    bool readVisible = false;
    bool progressVisible = false;
    std::function<void(const std::string&)> onEvent;

    void setStep(long n, const std::string& text) override
    {
        steps.push_back(n);
        stepText = text;
        note("step " + std::to_string(n));
    }
    void setReadVisible(bool v) override { readVisible = v; note(v ? "read on" : "read off"); }
    void setProgressVisible(bool v) override { progressVisible = v; note(v ? "progress on" : "progress off"); }
    void showWindow() override { shown = true; note("show"); }
    void unloadWindow() override { shown = false; note("unload"); }
    void setMainWindowEnabled(bool e) override { mainEnabled = e; note(e ? "main on" : "main off"); }
    void repaint() override {}
    void setReadText(const std::string& text) override { readText = text; }
    void setProgressMaximum(int64_t m) override { maximum_ = m; }
    int64_t progressMaximum() const override { return maximum_; }
    void setProgressValue(int64_t v) override { value_ = v; }
    int64_t progressValue() const override { return value_; }
    void estimated(const TransferFigures& f) override { figures.push_back(f); }
    std::vector<TransferFigures> figures;  // every estimate the transfers gave

private:
    void note(const std::string& what)
    {
        log.push_back(what);
        if (onEvent)
            onEvent(what);
    }
    int64_t maximum_ = 0;
    int64_t value_ = 0;
};
