#include "progress_printer.h"

#include <unistd.h>

#include <cinttypes>

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

ProgressPrinter::ProgressPrinter(bool enabled, int64_t total, std::FILE* out)
    : enabled_(enabled), total_(total), out_(out)
{
}

std::string ProgressPrinter::format(int64_t bytes, int64_t total, int64_t moved, double seconds)
{
    char line[128];
    int n = total > 0 ? std::snprintf(line, sizeof line, "  %" PRId64 "/%" PRId64 " bytes", bytes, total)
                      : std::snprintf(line, sizeof line, "  %" PRId64 " bytes", bytes);
    std::string text(line, size_t(n));
    if (seconds >= 0.5 && moved > 0) {
        double rate = double(moved) / seconds;
        std::snprintf(line, sizeof line, "  %.1f KB/s", rate / 1024.0);
        text += line;
        if (total > bytes) {
            long left = long((double(total - bytes) / rate) + 0.5);
            std::snprintf(line, sizeof line, "  %ld:%02ld left", left / 60, left % 60);
            text += line;
        }
    }
    return text;
}

void ProgressPrinter::update(int64_t bytes)
{
    bytes_ = bytes;
    if (!enabled_)
        return;
    auto now = std::chrono::steady_clock::now();
    if (!started_) {
        started_ = true;
        start_ = now;
        startBytes_ = bytes;
    }
    if (printed_ && now - last_ < std::chrono::milliseconds(100))
        return;
    last_ = now;
    print();
}

void ProgressPrinter::print()
{
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    // Blanks after the text wipe what a longer previous line left.
    std::fprintf(out_, "\r%s   ", format(bytes_, total_, bytes_ - startBytes_, seconds).c_str());
    std::fflush(out_);
    printed_ = true;
}

void ProgressPrinter::finish()
{
    if (!enabled_ || !printed_)
        return;
    print();
    std::fputc('\n', out_);
    std::fflush(out_);
    enabled_ = false;
}
