#include "cli_operation_view.h"

#include <cstdio>

CliOperationView::CliOperationView(bool showProgress) : showProgress_(showProgress) {}

void CliOperationView::print(const std::string& line)
{
    if (!showProgress_)
        return;
    std::string text = subject_.empty() ? line : subject_ + ": " + line;
    // \033[K clears what a longer earlier line left behind.
    std::fprintf(stderr, "\r%s\033[K", text.c_str());
    std::fflush(stderr);
    printed_ = true;
}

void CliOperationView::setReadText(const std::string& text)
{
    print(text);
}

void CliOperationView::setProgressValue(int64_t value)
{
    value_ = value;
    if (maximum_ > 0)
        print(std::to_string(value_) + " / " + std::to_string(maximum_) + " bytes (" +
              std::to_string(value_ * 100 / maximum_) + "%)");
}

void CliOperationView::unloadWindow()
{
    if (printed_) {
        std::fputc('\n', stderr);
        printed_ = false;
    }
    maximum_ = value_ = 0;
}
