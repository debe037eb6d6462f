#include "line_reader.h"

std::optional<CommandLine> LineReader::next()
{
    for (;;) {
        if (afterCR_ && !pending_.empty()) {
            afterCR_ = false;
            if (pending_[0] == '\n') {
                pending_.erase(0, 1);
                continue;
            }
        }
        size_t end = pending_.find_first_of("\r\n");
        if (end == std::string::npos)
            return std::nullopt;
        CommandLine line{pending_.substr(0, end), {}};
        if (pending_[end] == '\n') {
            line.terminator = "\n";
            pending_.erase(0, end + 1);
        } else if (end + 1 < pending_.size()) {
            line.terminator = pending_[end + 1] == '\n' ? "\r\n" : "\r";
            pending_.erase(0, end + line.terminator.size());
        } else {
            return std::nullopt; // CR last: wait for a possible LF
        }
        return line;
    }
}

std::optional<CommandLine> LineReader::flushCR()
{
    if (!holdsCR())
        return std::nullopt;
    CommandLine line{pending_.substr(0, pending_.size() - 1), "\r"};
    pending_.clear();
    afterCR_ = true;
    return line;
}
