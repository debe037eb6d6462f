#include "cli/progress_printer.h"

#include <unistd.h>

#include <cinttypes>

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

ProgressPrinter::ProgressPrinter(bool enabled, std::FILE* out) : enabled_(enabled), out_(out) {}

std::string ProgressPrinter::format(const TransferFigures& f)
{
    char line[128];
    int n = f.total > 0 ? std::snprintf(line, sizeof line, "  %" PRId64 "/%" PRId64 " bytes", f.bytes, f.total)
                        : std::snprintf(line, sizeof line, "  %" PRId64 " bytes", f.bytes);
    std::string text(line, size_t(n));
    if (f.bytesPerSecond > 0)
        text += "  " + kilobytesPerSecond(f.bytesPerSecond);
    if (f.secondsLeft)
        text += "  " + minutesSeconds(*f.secondsLeft) + " left";
    else if (f.total == 0 && f.elapsedSeconds >= 0.5)
        text += "  " + minutesSeconds(f.elapsedSeconds) + " elapsed";
    return text;
}

void ProgressPrinter::show(const TransferFigures& figures)
{
    figures_ = figures;
    if (!enabled_)
        return;
    if (printed_ && !figures.finished && figures.elapsedSeconds - printedAt_ < 0.1)
        return;
    print();
}

void ProgressPrinter::print()
{
    // Blanks after the text wipe what a longer previous line left.
    std::fprintf(out_, "\r%s   ", format(figures_).c_str());
    std::fflush(out_);
    printed_ = true;
    printedAt_ = figures_.elapsedSeconds;
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
