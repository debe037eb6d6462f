#pragma once
// Cuts command lines out of the bytes of one connection. A line ends in CR, LF or CR+LF; the
// reply goes back with the same ending. A CR at the very end of the input may be the first
// half of CR+LF, so it is held until the next byte or until the caller gives up waiting.

#include <optional>
#include <string>

struct CommandLine {
    std::string text;
    std::string terminator;
};

class LineReader {
public:
    void feed(const std::string& bytes) { pending_ += bytes; }
    // The next complete line, if any.
    std::optional<CommandLine> next();
    // True when a lone CR ends the input: call flushCR() if no LF follows in time.
    bool holdsCR() const { return !pending_.empty() && pending_.back() == '\r' && pending_.find_first_of("\r\n") == pending_.size() - 1; }
    std::optional<CommandLine> flushCR();

private:
    std::string pending_;
    bool afterCR_ = false; // the previous line ended in a lone CR: an LF right now is its late half
};
