#include "cli/backup_progress.h"

#include "cli/cli_texts.h"

#include "xmodem/transfer_estimate.h"

#include <cinttypes>

BackupProgress::BackupProgress(Mode mode, int language, int total, uint64_t totalBytes, std::FILE* out)
    : mode_(mode), language_(language), total_(total), totalBytes_(totalBytes), out_(out),
      start_(std::chrono::steady_clock::now())
{
}

double BackupProgress::seconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

std::string BackupProgress::line(int language, int n, int total, const std::string& name, uint64_t bytes,
                                 double seconds, double fractionDone)
{
    std::string text = std::to_string(n) + "/" + std::to_string(total) + " " + name + "  " +
                       cliFormat(language, "%" PRIu64 " bytes", bytes);
    if (seconds >= 0.5 && bytes > 0)
        text += "  " + kilobytesPerSecond(double(bytes) / seconds);
    // The rest of the run goes at the pace of its share done so far.
    if (seconds >= 0.5 && fractionDone > 0.0 && fractionDone < 1.0)
        text += "  " + cliFormat(language, "%s left", minutesSeconds(seconds / fractionDone - seconds).c_str());
    return text;
}

std::string BackupProgress::summary(int language, int files, uint64_t bytes, double seconds)
{
    return cliFormat(language, "%d files, %" PRIu64 " bytes in %s", files, bytes, minutesSeconds(seconds).c_str());
}

void BackupProgress::fileStarted(int n, const std::string& name)
{
    current_ = n;
    name_ = name;
    fileBytes_ = 0;
    expected_ = 0;
    draw(true);
}

void BackupProgress::bytes(int64_t done)
{
    fileBytes_ = done;
    draw(false);
}

void BackupProgress::fileDone(uint64_t size)
{
    ++filesDone_;
    done_ += size;
    fileBytes_ = 0;
    expected_ = 0;
    if (mode_ == Mode::Lines) {
        std::fprintf(out_, "%d/%d %s  %s\n", current_, total_, name_.c_str(),
                     cliFormat(language_, "%" PRIu64 " bytes", size).c_str());
        std::fflush(out_);
    } else {
        draw(true);
    }
}

void BackupProgress::draw(bool force)
{
    if (mode_ != Mode::Terminal)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && drawn_ && now - last_ < std::chrono::milliseconds(100))
        return;
    last_ = now;
    drawn_ = true;
    const uint64_t bytes = done_ + uint64_t(fileBytes_);
    // The part of the whole run that is done: by bytes when the total is known, else by files,
    // the current one counted by its own bytes when its size is known.
    double fraction = 0;
    if (totalBytes_ > 0)
        fraction = double(bytes) / double(totalBytes_);
    else if (total_ > 0)
        fraction = (filesDone_ + (expected_ > 0 ? double(fileBytes_) / double(expected_) : 0.0)) / total_;
    // Blanks after the text wipe what a longer previous line left.
    std::fprintf(out_, "\r%s   ", line(language_, current_, total_, name_, bytes, seconds(), fraction).c_str());
    std::fflush(out_);
}

void BackupProgress::finish()
{
    if (mode_ == Mode::Quiet || filesDone_ == 0) {
        if (mode_ == Mode::Terminal && drawn_)
            std::fputc('\n', out_);
        return;
    }
    if (mode_ == Mode::Terminal)
        std::fputc('\n', out_);
    std::fprintf(out_, "%s\n", summary(language_, filesDone_, done_, seconds()).c_str());
    std::fflush(out_);
    mode_ = Mode::Quiet;
}
